#include "steadylabelitem.h"

#include <QGridLayout>
#include <QLabel>

#include <limits>

SteadyLabelItem *SteadyLabelItem::install(QGridLayout *grid, QLabel *label,
                                          const QString &widestText)
{
    const int index = grid->indexOf(label);
    if (index < 0)
        return nullptr;
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    QLayoutItem *old = grid->takeAt(index);
    const Qt::Alignment alignment = old->alignment();
    delete old;
    auto *item = new SteadyLabelItem(label, widestText);
    grid->addItem(item, row, column, rowSpan, columnSpan, alignment);
    return item;
}

SteadyLabelItem::SteadyLabelItem(QLabel *label, const QString &widestText)
    : QWidgetItem(label), m_label(label),
      m_widestText(widestText.isEmpty() ? QString::number(std::numeric_limits<int>::min())
                                        : widestText)
{}

// What the label would ask for with no fixed size, and with room for the widest text: the same
// hint whatever the label shows now.
QSize SteadyLabelItem::sizeHint() const
{
    if (isEmpty())
        return QSize(0, 0);
    const QLabel *l = m_label;
    const QFontMetrics metrics = l->fontMetrics();
    QSize hint = l->sizeHint().expandedTo(l->minimumSizeHint());
    const int extra =
        metrics.horizontalAdvance(m_widestText) - metrics.horizontalAdvance(l->text());
    if (extra > 0)
        hint.rwidth() += extra;
    return hint;
}

QSize SteadyLabelItem::minimumSize() const
{
    if (isEmpty())
        return QSize(0, 0);
    const QSize hint = sizeHint();
    const QSize smallest = m_label->minimumSizeHint();
    const QSizePolicy policy = m_label->sizePolicy();
    return QSize(
        policy.horizontalPolicy() & QSizePolicy::ShrinkFlag ? smallest.width() : hint.width(),
        policy.verticalPolicy() & QSizePolicy::ShrinkFlag ? smallest.height() : hint.height());
}

QSize SteadyLabelItem::maximumSize() const
{
    if (isEmpty())
        return QSize(0, 0);
    const QSize hint = sizeHint();
    const QSizePolicy policy = m_label->sizePolicy();
    return QSize(policy.horizontalPolicy() & QSizePolicy::GrowFlag ? QWIDGETSIZE_MAX : hint.width(),
                 policy.verticalPolicy() & QSizePolicy::GrowFlag ? QWIDGETSIZE_MAX : hint.height());
}

void SteadyLabelItem::setGeometry(const QRect &rect)
{
    if (isEmpty())
        return;
    // Fixed first, so that the old size does not bound the new geometry. A change of the fixed
    // size lays the form out once more, which finds the same cell and stops.
    m_label->setFixedSize(rect.size().boundedTo(maximumSize()));
    QWidgetItem::setGeometry(rect);
}

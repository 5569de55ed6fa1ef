#include "steadylabelitem.h"

#include "basictools.h"

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
      m_widestText(widestText.isEmpty() ? BasicTools::formatNumber(std::numeric_limits<int>::min())
                                        : widestText)
{}

// Room for the widest text with the label's frame, margins and indent: the same hint whatever
// the label shows now. The label's own hint will not do: a selectable, right-aligned label
// reports the width it was last given, so a label fixed to a wide cell would never let the form
// narrow again.
QSize SteadyLabelItem::sizeHint() const
{
    if (isEmpty())
        return QSize(0, 0);
    const QLabel *l = m_label;
    const QFontMetrics metrics = l->fontMetrics();
    const QRect inside = l->contentsRect();
    const int indent = l->indent() > 0 ? l->indent() : 0;
    const int width = metrics.horizontalAdvance(m_widestText) + 2 * l->margin() + indent +
                      l->width() - inside.width();
    const int height = metrics.height() + 2 * l->margin() + l->height() - inside.height();
    return QSize(width, height);
}

QSize SteadyLabelItem::minimumSize() const
{
    if (isEmpty())
        return QSize(0, 0);
    const QSize hint = sizeHint();
    // A label that may shrink still shows its last digits.
    const QSize smallest(m_label->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 4,
                         hint.height());
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

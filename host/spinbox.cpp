#include "spinbox.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include <cmath>
#include <limits>

SpinBox::SpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setDecimals(0);
    setKeyboardTracking(false);
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            [this](double v) { emit valueChanged(static_cast<int>(std::llround(v))); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_editing = true; });
    connect(this, &QAbstractSpinBox::editingFinished, this, &SpinBox::finishEditing);
}

SpinBox::~SpinBox() = default;

void SpinBox::setValue(double value, bool notify)
{
    const QSignalBlocker blocker(notify ? nullptr : this);
    QDoubleSpinBox::setValue(value);
}

void SpinBox::setValue(int value)
{
    QDoubleSpinBox::setValue(value);
}

// Some unit glyphs (², ³) are wider drawn than measured; a little room keeps them whole.
QSize SpinBox::sizeHint() const
{
    return QDoubleSpinBox::sizeHint() + QSize(fontMetrics().averageCharWidth(), 0);
}

QSize SpinBox::minimumSizeHint() const
{
    return QDoubleSpinBox::minimumSizeHint() + QSize(fontMetrics().averageCharWidth(), 0);
}

int SpinBox::intValue() const
{
    return static_cast<int>(std::llround(value()));
}

void SpinBox::externItemMouseReleased()
{
    interpretText();
    lineEdit()->deselect();
    finishEditing();
}

void SpinBox::focusOutEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusOutEvent(event);
    finishEditing();
}

void SpinBox::finishEditing()
{
    if (!m_editing)
        return;
    m_editing = false;
    emit editingDone();
}

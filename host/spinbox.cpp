#include "spinbox.h"

#include "basictools.h"
#include "inputrefusal.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include <cmath>
#include <limits>

SpinBox::SpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setDecimals(0);
    setKeyboardTracking(false);
    // Arrow keys and the wheel step by the value's second digit: values in the thousands move as
    // readily as small ones.
    setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            [this](double v) { emit valueChanged(BasicTools::clampToInt(std::llround(v))); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        m_editing = true;
        QString copy = text;
        int position = 0;
        m_typedNumber = validate(copy, position) == QValidator::Acceptable;
    });
    connect(this, &QAbstractSpinBox::editingFinished, this, &SpinBox::finishEditing);
    InputRefusal::watch(this, QString());
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

// Room for the widest value of the range with its unit: a narrower field would show "00 pps³"
// for 100000.
QSize SpinBox::minimumSizeHint() const
{
    return QSize(sizeHint().width(), QDoubleSpinBox::minimumSizeHint().height());
}

int SpinBox::intValue() const
{
    return BasicTools::clampToInt(std::llround(value()));
}

void SpinBox::externItemMouseReleased()
{
    interpretText();
    lineEdit()->deselect();
    finishEditing();
}

QValidator::State SpinBox::validate(QString &text, int &position) const
{
    // A field that holds no negative numbers takes no minus sign: "-500" would read as -0.
    if (minimum() >= 0 && text.midRef(prefix().size()).startsWith(locale().negativeSign()))
        return QValidator::Invalid;
    return QDoubleSpinBox::validate(text, position);
}

void SpinBox::discardTyping()
{
    if (!m_editing)
        return;
    m_editing = false;
    // Setting the value it holds restores its text and forgets the typed, uncommitted one.
    setValue(value(), false);
    emit typingDiscarded();
}

void SpinBox::focusOutEvent(QFocusEvent *event)
{
    // Disabling a field takes the focus away from it, which would commit what was typed.
    if (!isEnabled())
        discardTyping();
    QDoubleSpinBox::focusOutEvent(event);
    finishEditing();
}

void SpinBox::finishEditing()
{
    if (!m_editing)
        return;
    m_editing = false;
    // A field left empty, or with only a sign in it, goes back to its value: nothing was
    // committed.
    if (m_typedNumber)
        emit editingDone();
    else
        emit typingDiscarded();
}

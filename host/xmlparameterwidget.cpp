#include "xmlparameterwidget.h"

#include "axilparameter.h"
#include "basictools.h"
#include "hostmessages.h"
#include "inputrefusal.h"
#include "spinbox.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>

using BasicTools::clampToInt;

XmlParameterWidget::XmlParameterWidget(QWidget *parent) : QWidget(parent)
{
    // A place in the focus chain, which a form's tab order can name; the editor takes the focus.
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildEditor();
}

XmlParameterWidget::XmlParameterWidget(Model::AxilParameter *parameter, QWidget *parent)
    : XmlParameterWidget(parent)
{
    setParameter(parameter, DisplayType::Plain);
    updateFromParameter();
}

XmlParameterWidget::~XmlParameterWidget()
{
    // The editor may live in another layout; it is still ours.
    delete m_spinBox.data();
    delete m_comboBox.data();
}

void XmlParameterWidget::buildEditor()
{
    const bool wantCombo = m_type == DisplayType::TwoChoice;
    if (wantCombo ? bool(m_comboBox) : bool(m_spinBox))
        return;
    delete m_spinBox.data();
    delete m_comboBox.data();
    QWidget *editor = nullptr;
    if (wantCombo) {
        m_comboBox = new QComboBox(this);
        connect(m_comboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &XmlParameterWidget::onEdited);
        editor = m_comboBox;
    } else {
        m_spinBox = new SpinBox(this);
        connect(m_spinBox, qOverload<int>(&SpinBox::valueChanged), this,
                &XmlParameterWidget::onEdited);
        connect(m_spinBox, &SpinBox::editingDone, this, &XmlParameterWidget::onCommitted);
        connect(m_spinBox, &SpinBox::typingDiscarded, this, [this] {
            m_hasPending = false;
            m_editWritten = false;
            if (!m_spinBox->isEnabled())
                HostMessages::post(tr("Motor %1: %2 was locked while you typed in it; what you "
                                      "typed was not written.")
                                       .arg(m_motor)
                                       .arg(m_parameterName));
            updateFromParameter();
            emit editingEnded();
        });
        editor = m_spinBox;
    }
    editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    editor->installEventFilter(this);
    layout()->addWidget(editor);
    placeInFocusChain(editor);
}

void XmlParameterWidget::placeInFocusChain(QWidget *editor)
{
    // Tab comes to the field where it stands in its form and gives the focus to the editor, so the
    // editor must follow the field in the focus chain; one made after the form (a two-choice field
    // gets its own once bound) would otherwise come last. The focus proxy goes for a moment, or
    // setTabOrder would take the editor for the field.
    setFocusProxy(nullptr);
    QWidget::setTabOrder(this, editor);
    setFocusProxy(editor);
}

void XmlParameterWidget::setParameter(Model::AxilParameter *parameter, DisplayType::Type type)
{
    for (const QMetaObject::Connection &c : qAsConst(m_parameterConnections))
        disconnect(c);
    m_parameterConnections.clear();
    m_parameter = parameter;
    m_bound = parameter != nullptr;
    m_parameterName = parameter ? parameter->displayName() : QString();
    m_motor = parameter ? parameter->motor() : 0;
    m_type = type;
    buildEditor();
    if (parameter) {
        m_parameterConnections
            << connect(parameter, &Model::AxilParameter::valueChanged, this,
                       &XmlParameterWidget::onParameterValue)
            << connect(parameter, &Model::AxilParameter::descriptionChanged, this,
                       [this] {
                           applyDescription();
                           updateFromParameter();
                           updateEnabledState(); // keeps the reason of a missing parameter
                       })
            << connect(parameter, &QObject::destroyed, this,
                       &XmlParameterWidget::updateEnabledState);
    }
    applyDescription();
    updateEnabledState();
}

Model::AxilParameter *XmlParameterWidget::parameter() const
{
    return m_parameter.data();
}

void XmlParameterWidget::applyDescription()
{
    if (!m_parameter)
        return;
    const Model::ParameterInfo &info = m_parameter->info();
    const QString range = QStringLiteral("%1 [%2 .. %3]")
                              .arg(info.typeName, BasicTools::int64InsertDot(info.minimum),
                                   BasicTools::int64InsertDot(info.maximum));
    QString tip = info.displayName;
    if (!info.description.isEmpty() && info.description != info.displayName)
        tip += QLatin1String(": ") + info.description;
    tip += QLatin1Char('\n') + range;
    tip += info.unit;
    m_tip = tip; // with the reason of a disabled field, from updateEnabledState()
    m_showing = true;
    if (m_spinBox) {
        InputRefusal::rename(m_spinBox, info.displayName);
        m_spinBox->setRange(clampToInt(info.minimum), clampToInt(info.maximum));
        m_spinBox->setSuffix(info.unit);
        m_spinBox->setToolTip(tip);
    } else if (m_comboBox) {
        QStringList choices = info.choices;
        for (qint64 v = info.minimum + choices.size(); v <= info.maximum && choices.size() < 2; ++v)
            choices.append(QString::number(v));
        m_comboBox->clear();
        m_comboBox->addItems(choices.mid(0, 2));
        m_comboBox->setToolTip(tip);
    }
    m_showing = false;
    setToolTip(tip);
}

int XmlParameterWidget::value() const
{
    if (m_comboBox)
        return m_comboBox->currentIndex();
    return m_spinBox ? m_spinBox->intValue() : 0;
}

qint64 XmlParameterWidget::exactValue() const
{
    if (m_parameter && m_spinBox) {
        const qint64 known = m_parameter->lastKnownValue();
        if (value() == qBound<qint64>(minimum(), known, maximum()))
            return known;
    }
    return value();
}

int XmlParameterWidget::minimum() const
{
    if (m_comboBox)
        return 0;
    return m_spinBox ? static_cast<int>(m_spinBox->minimum()) : 0;
}

int XmlParameterWidget::maximum() const
{
    if (m_comboBox)
        return m_comboBox->count() - 1;
    return m_spinBox ? static_cast<int>(m_spinBox->maximum()) : 0;
}

void XmlParameterWidget::setValue(int value)
{
    if (m_comboBox)
        m_comboBox->setCurrentIndex(value);
    else if (m_spinBox)
        m_spinBox->setValue(value);
}

void XmlParameterWidget::setAndUpdateValue(int value)
{
    if (refuseWithoutModule())
        return;
    showValue(value);
    if (m_parameter && m_parameter->exists() && m_parameter->lastKnownValue() != this->value())
        onEdited(this->value());
}

void XmlParameterWidget::setMinimum(int minimum)
{
    // A value below the new minimum is raised, and that change is written like an edit. A
    // minimum above the maximum would raise the maximum too and leave the field showing a value
    // that the parameter cannot hold.
    if (!m_spinBox)
        return;
    m_spinBox->setMinimum(qMin(double(minimum), m_spinBox->maximum()));
    // A lowered minimum may uncover the module's value, which the old one clamped.
    if (m_parameter && !m_spinBox->isEditing())
        showValue(m_parameter->lastKnownValue());
}

void XmlParameterWidget::setEnabled(bool enabled)
{
    m_wantEnabled = enabled;
    updateEnabledState();
}

void XmlParameterWidget::setDisabledReason(const QString &reason)
{
    m_disabledReason = reason;
    updateEnabledState();
}

QWidget *XmlParameterWidget::widget() const
{
    if (m_comboBox)
        return m_comboBox.data();
    return m_spinBox.data();
}

void XmlParameterWidget::updateFromParameter()
{
    if (m_parameter)
        showValue(m_parameter->lastKnownValue());
}

void XmlParameterWidget::showValue(qint64 value)
{
    m_showing = true;
    if (m_comboBox) {
        m_comboBox->setCurrentIndex(clampToInt(value));
    } else if (m_spinBox) {
        // A raised minimum bounds what a person enters; the module's value is shown as it is.
        const int shown = clampToInt(value);
        if (shown < m_spinBox->minimum() && m_parameter &&
            shown >= clampToInt(m_parameter->minimum()))
            m_spinBox->setMinimum(shown);
        m_spinBox->setValue(shown);
    }
    m_showing = false;
}

void XmlParameterWidget::onEdited(int value)
{
    if (!m_showing && refuseWithoutModule())
        return;
    if (!m_showing && m_spinBox && m_spinBox->isEditing())
        m_editWritten = true; // this edit is written; its commit need not write again
    if (!m_showing && m_parameter && !m_parameter->writeValue(value)) {
        // Refused (out of range, missing, disconnected): show what the module holds.
        updateFromParameter();
        return;
    }
    m_shown = value;
    emit valueChanged(value);
}

bool XmlParameterWidget::refuseWithoutModule()
{
    if (!m_bound || m_parameter)
        return false;
    // The parameter went with its module: nothing can be written, and the field keeps its value.
    HostMessages::post(tr("Motor %1: cannot write %2, the module is no longer connected.")
                           .arg(m_motor)
                           .arg(m_parameterName));
    showValue(m_shown);
    return true;
}

void XmlParameterWidget::onParameterValue(qint64 value)
{
    if (m_spinBox && m_spinBox->isEditing()) {
        m_hasPending = true;
        m_pending = value;
        return;
    }
    showValue(value);
}

void XmlParameterWidget::onCommitted()
{
    const bool written = m_editWritten;
    m_editWritten = false;
    // A commit is the person's decision even when it leaves the number as it was: the module's
    // value may have changed meanwhile (it waited in m_pending), or lie beyond the field's range
    // where the field shows its limit, and the person's number wins.
    if (!written && m_parameter && m_parameter->exists() &&
        value() != m_parameter->lastKnownValue())
        onEdited(value());
    if (m_hasPending) {
        m_hasPending = false;
        showValue(m_parameter ? m_parameter->lastKnownValue() : m_pending);
    }
    emit editingEnded();
}

void XmlParameterWidget::updateEnabledState()
{
    QWidget *editor = widget();
    const bool missing = m_bound && (!m_parameter || !m_parameter->exists());
    const bool enabled = m_wantEnabled && !missing;
    QWidget::setEnabled(m_wantEnabled);
    if (editor) {
        editor->setEnabled(enabled);
        if (missing) {
            const QString why =
                m_parameter
                    ? tr("Not available: this module has no %1.").arg(m_parameter->displayName())
                    : tr("Not available: the module is no longer connected.");
            editor->setToolTip(why);
        } else if (!m_tip.isEmpty()) {
            QString tip = m_tip;
            if (!m_wantEnabled && !m_disabledReason.isEmpty())
                tip += QLatin1Char('\n') + m_disabledReason;
            // Enabled and disabled at every polling round by some panels: set only on a change.
            if (editor->toolTip() != tip) {
                editor->setToolTip(tip);
                setToolTip(tip);
            }
        }
    }
}

bool XmlParameterWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ParentChange && watched == widget() &&
        widget()->parentWidget() != this)
        QWidget::setVisible(false);
    return QWidget::eventFilter(watched, event);
}

#pragma once

#include "displaytype.h"
#include "host_global.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class SpinBox;
namespace Model {
class AxilParameter;
}

// A field bound to one module parameter. Display type Plain edits the value in a SpinBox with the
// parameter's range, unit and a tooltip that names the range; TwoChoice offers the parameter's
// two named values in a combo box.
//
// A person's edit (or setValue/setAndUpdateValue from code acting for the person) is written to
// the module; a value that arrives from the module is shown without being written back, and it
// waits while the person is typing in the field. A committed number is written even when it is
// the one the field showed before the module's value changed; typing in a field that gets locked
// before it is committed is dropped, with a host message. A field whose parameter the module lacks,
// or whose module has gone away, is disabled and says why in its tooltip; an edit that reaches it
// anyway is refused with a host message and the field keeps what it showed.
//
// The inner editor (widget()) may be placed in another layout; the field then hides itself and
// keeps managing the editor.
class HOST_EXPORT XmlParameterWidget : public QWidget
{
    Q_OBJECT
public:
    explicit XmlParameterWidget(QWidget *parent = nullptr);
    XmlParameterWidget(Model::AxilParameter *parameter, QWidget *parent);
    ~XmlParameterWidget() override;

    void setParameter(Model::AxilParameter *parameter, DisplayType::Type type = DisplayType::Plain);
    Model::AxilParameter *parameter() const;
    DisplayType::Type displayType() const { return m_type; }

    int value() const;
    // The module's value where the field shows it (as far as its int range allows), else the
    // field's own: for arithmetic that must not stop at the int range.
    qint64 exactValue() const;
    int minimum() const;
    int maximum() const;
    // Shows the value and writes it to the module.
    void setAndUpdateValue(int value);
    // Raises (or lowers) the smallest value that the field accepts, up to its largest.
    void setMinimum(int minimum);
    // Enables or disables the editor, wherever it is placed. A field without a module parameter
    // stays disabled.
    void setEnabled(bool enabled);
    // What the field's tooltip says, after its description, while the field is disabled.
    void setDisabledReason(const QString &reason);
    QWidget *widget() const;
    // Shows the parameter's last known value without writing it (the host's fill).
    void updateFromParameter();

public slots:
    void setValue(int value);

signals:
    // The shown value changed, by an edit or by a value from the module.
    void valueChanged(int value);
    // The person stopped typing in the field, committing or dropping what they typed; the field
    // shows what the module holds (a value that came meanwhile included).
    void editingEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Q_DISABLE_COPY(XmlParameterWidget)
    void buildEditor();
    void placeInFocusChain(QWidget *editor);
    void applyDescription();
    void showValue(qint64 value);
    void onEdited(int value);
    bool refuseWithoutModule();
    void onParameterValue(qint64 value);
    void onCommitted();
    void updateEnabledState();

    QPointer<Model::AxilParameter> m_parameter;
    DisplayType::Type m_type = DisplayType::Plain;
    QPointer<SpinBox> m_spinBox;
    QPointer<QComboBox> m_comboBox;
    QList<QMetaObject::Connection> m_parameterConnections;
    QString m_parameterName; // for messages once the parameter is gone
    int m_motor = 0;
    int m_shown = 0; // the value the field shows, for when nothing can be written
    bool m_bound = false;
    bool m_showing = false; // the code is showing a value: do not write it
    bool m_wantEnabled = true;
    QString m_tip;            // the parameter's description and range
    QString m_disabledReason; // added to it while disabled
    bool m_hasPending = false;
    bool m_editWritten = false; // the person's current edit has been written
    qint64 m_pending = 0;
};

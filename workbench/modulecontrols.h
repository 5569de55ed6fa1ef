#pragma once

#include <QPointer>
#include <QWidget>

class QBoxLayout;
class QLabel;
class QSpinBox;
class SimulatedModule;

// The module's own states for one motor, as a person at the bench would change them by hand:
// the driver chip's standby and the external step/direction input. Nothing here writes a
// parameter; the module simply finds itself in the new state.
class ModuleControls final : public QWidget
{
    Q_OBJECT
public:
    explicit ModuleControls(QWidget *parent = nullptr);

    // Null while the module is disconnected: the controls are disabled then.
    void setModule(SimulatedModule *module);
    void setMotor(int motor);
    // In a row (a horizontal tool bar) or in a column.
    void setOrientation(Qt::Orientation orientation);
    int motor() const { return m_motor; }

private:
    Q_DISABLE_COPY(ModuleControls)
    QSpinBox *addStateBox(const char *key, const QString &label);
    void refresh();

    QPointer<SimulatedModule> m_module;
    int m_motor = 0;
    QBoxLayout *m_layout = nullptr;
    QLabel *m_title = nullptr;
    QSpinBox *m_standby = nullptr;
    QSpinBox *m_stepDir = nullptr;
};

#pragma once

#include <QPointer>
#include <QWidget>

class AxisController;
class ToolsInterface;
class Ui_StepperPositionModeCedar;

// The Cedar family's ramp panel: maximum velocity, acceleration, deceleration and bow, each a
// field bound to the motor's parameter.
class StepperPositionModeCedar final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeCedar(ToolsInterface *tool);
    ~StepperPositionModeCedar() override;

private:
    Q_DISABLE_COPY(StepperPositionModeCedar)

    Ui_StepperPositionModeCedar *ui;
    QPointer<ToolsInterface> tool;
    QPointer<AxisController> controller;
    quint8 motor = 0;
};

#pragma once

#include <QPointer>
#include <QWidget>

class AxisController;
class ToolsInterface;
class Ui_StepperPositionModeBirch;

// The Birch family's ramp panel: maximum velocity, acceleration and the two divisors, with the
// pulse rates they give. The divisors can only be changed while the motor stands still.
class StepperPositionModeBirch final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeBirch(ToolsInterface *tool);
    ~StepperPositionModeBirch() override;

    void showPlugin();

public slots:
    void handleValuesChanged(int value);
    void handleActualVelocityValueChanged(int value);

private:
    Q_DISABLE_COPY(StepperPositionModeBirch)

    Ui_StepperPositionModeBirch *ui;
    QPointer<ToolsInterface> tool;
    QPointer<AxisController> controller;
    quint8 motor = 0;
};

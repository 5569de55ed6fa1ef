#pragma once

#include <QPointer>
#include <QWidget>

class AxisController;
class InputHelper;
class ToolsInterface;
class Ui_StepperPositionModeMaple;

// The ramp panel of the Maple family: nine ramp values and an input helper window that shows
// the ramp with the values on it.
class StepperPositionModeMaple final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeMaple(ToolsInterface *tool);
    ~StepperPositionModeMaple() override;

private slots:
    void on_btnInputHelper_clicked(bool checked);

private:
    Q_DISABLE_COPY(StepperPositionModeMaple)

    Ui_StepperPositionModeMaple *ui = nullptr;
    QPointer<InputHelper> inputHelper;
    QPointer<ToolsInterface> tool;
    QPointer<AxisController> controller;
    quint8 motor = 0;
    quint8 moduleAddress = 0;
};

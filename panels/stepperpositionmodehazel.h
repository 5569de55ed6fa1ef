#pragma once

#include <QPointer>
#include <QWidget>

class AxisController;
class InputHelper;
class ToolsInterface;
class Ui_StepperPositionModeHazel;

// The ramp panel of the Hazel family: nine ramp values, the S-shaped ramp switch with its four
// bows, and an input helper window that shows the S-shaped ramp with the values on it.
class StepperPositionModeHazel final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeHazel(ToolsInterface *tool);
    ~StepperPositionModeHazel() override;

private slots:
    void on_btnInputHelper_clicked(bool checked);

private:
    Q_DISABLE_COPY(StepperPositionModeHazel)

    QPointer<InputHelper> inputHelper;
    Ui_StepperPositionModeHazel *ui = nullptr;
    QPointer<ToolsInterface> tool;
    QPointer<AxisController> controller;
    quint8 motor = 0;
    quint8 moduleAddress = 0;
};

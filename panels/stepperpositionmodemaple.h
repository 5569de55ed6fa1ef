#pragma once

#include <QWidget>

class ToolsInterface;

// Placeholder: the Maple ramp panel.
class StepperPositionModeMaple final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeMaple(ToolsInterface *tool);
    ~StepperPositionModeMaple() override;

private:
    Q_DISABLE_COPY(StepperPositionModeMaple)
};

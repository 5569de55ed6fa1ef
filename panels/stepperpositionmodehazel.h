#pragma once

#include <QWidget>

class ToolsInterface;

// Placeholder: the Hazel ramp panel.
class StepperPositionModeHazel final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeHazel(ToolsInterface *tool);
    ~StepperPositionModeHazel() override;

private:
    Q_DISABLE_COPY(StepperPositionModeHazel)
};

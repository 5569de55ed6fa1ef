#pragma once

#include <QWidget>

class ToolsInterface;

// Placeholder: the Cedar ramp panel.
class StepperPositionModeCedar final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeCedar(ToolsInterface *tool);
    ~StepperPositionModeCedar() override;

private:
    Q_DISABLE_COPY(StepperPositionModeCedar)
};

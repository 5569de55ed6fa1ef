#pragma once

#include <QWidget>

class ToolsInterface;

// Placeholder: the Birch ramp panel.
class StepperPositionModeBirch final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeBirch(ToolsInterface *tool);
    ~StepperPositionModeBirch() override;
public:
    void showPlugin();

private:
    Q_DISABLE_COPY(StepperPositionModeBirch)
};

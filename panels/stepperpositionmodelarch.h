#pragma once

#include <QWidget>

class ToolsInterface;

// Placeholder: the Larch ramp panel.
class StepperPositionModeLarch final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeLarch(ToolsInterface *tool);
    ~StepperPositionModeLarch() override;
public:
    void showPlugin();
    void hidePlugin();

public slots:
    void btnAbsolute();
    void btnRelative();

private:
    Q_DISABLE_COPY(StepperPositionModeLarch)
};

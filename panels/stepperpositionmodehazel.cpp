#include "stepperpositionmodehazel.h"

#include "toolsinterface.h"

StepperPositionModeHazel::StepperPositionModeHazel(ToolsInterface *tool) : QWidget(tool) {}

StepperPositionModeHazel::~StepperPositionModeHazel() = default;

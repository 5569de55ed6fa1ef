#include "stepperpositionmodebirch.h"

#include "toolsinterface.h"

StepperPositionModeBirch::StepperPositionModeBirch(ToolsInterface *tool) : QWidget(tool) {}

StepperPositionModeBirch::~StepperPositionModeBirch() = default;

void StepperPositionModeBirch::showPlugin() {}

#include "stepperpositionmodelarch.h"

#include "toolsinterface.h"

StepperPositionModeLarch::StepperPositionModeLarch(ToolsInterface *tool) : QWidget(tool) {}

StepperPositionModeLarch::~StepperPositionModeLarch() = default;

void StepperPositionModeLarch::showPlugin() {}

void StepperPositionModeLarch::hidePlugin() {}

void StepperPositionModeLarch::btnAbsolute() {}

void StepperPositionModeLarch::btnRelative() {}

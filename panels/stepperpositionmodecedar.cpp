#include "stepperpositionmodecedar.h"

#include "toolsinterface.h"

StepperPositionModeCedar::StepperPositionModeCedar(ToolsInterface *tool) : QWidget(tool) {}

StepperPositionModeCedar::~StepperPositionModeCedar() = default;

#include "stepperpositionmodemaple.h"

#include "toolsinterface.h"

StepperPositionModeMaple::StepperPositionModeMaple(ToolsInterface *tool) : QWidget(tool) {}

StepperPositionModeMaple::~StepperPositionModeMaple() = default;

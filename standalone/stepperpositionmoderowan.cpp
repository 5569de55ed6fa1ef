#include "stepperpositionmoderowan.h"

StepperPositionModeRowan::StepperPositionModeRowan(QString name, unsigned char motor,
                                                   AxilModuleInterface *module, int variant)
    : GenericStepperPositionMode(name, motor, module, variant, QStringLiteral("Position mode"))
{
}

StepperPositionModeRowan::~StepperPositionModeRowan() = default;

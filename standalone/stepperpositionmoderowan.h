#pragma once

#include "genericstepperpositionmode.h"

// Placeholder: the Rowan position tool.
class StepperPositionModeRowan final : public GenericStepperPositionMode
{
    Q_OBJECT
public:
    StepperPositionModeRowan(QString name, unsigned char motor, AxilModuleInterface *module,
                             int variant);
    ~StepperPositionModeRowan() override;

private:
    Q_DISABLE_COPY(StepperPositionModeRowan)
};

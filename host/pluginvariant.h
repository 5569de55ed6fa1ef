#pragma once

// Plugin variants: a module description names, per motor, the variant of tool plugin that serves
// it. The host offers each variant to every loaded plugin until one accepts it.
namespace PluginVariant {
enum e {
    None = 0,
    StepperHazelPositionMode = 69,
    StepperBirchPositionMode = 70,
    StepperCedarPositionMode = 71,
    StepperMaplePositionMode = 72,
    StepperLarchPositionMode = 73,
    StepperRowanPositionMode = 74,
};
} // namespace PluginVariant

#pragma once

// Ramp shapes that the host's ramp windows can explain.
namespace AbstractRamp {
enum rampMode {
    SShaped = 0,
    Trapezoidal = 1,
    EightPoint = 2,
};
} // namespace AbstractRamp

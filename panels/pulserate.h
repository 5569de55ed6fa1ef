#pragma once

#include <QtGlobal>

// The Birch family's clock arithmetic: what a velocity and an acceleration in the chip's units
// mean in pulses per second (and per second squared), given the two power-of-two divisors.
namespace PulseRate {
constexpr double clockHz = 16000000.0;

// v * f / (2^p * 2048 * 32), rounded half up.
qint64 velocityPps(int velocity, int pulseDivisor);
// a * f^2 / 2^(p + r + 29), rounded half up.
qint64 accelerationPps2(int acceleration, int pulseDivisor, int rampDivisor);
} // namespace PulseRate

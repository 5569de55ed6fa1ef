#pragma once

#include <QtGlobal>

// The Birch family's clock arithmetic: what a velocity and an acceleration in the chip's units
// mean in pulses per second (and per second squared), given the two power-of-two divisors.
namespace PulseRate {
constexpr double clockHz = 16000000.0;
constexpr int maximumShift = 30;

// A divisor as the shift it makes: limited to 0..maximumShift.
int divisorShift(qint64 divisor);
// v * f / (2^p * 2048 * 32), rounded half up to a whole number. The rates are doubles: a module
// that declares limits beyond the chip's can give rates beyond 64 bits.
double velocityPps(qint64 velocity, qint64 pulseDivisor);
// a * f^2 / 2^(p + r + 29), rounded half up to a whole number.
double accelerationPps2(qint64 acceleration, qint64 pulseDivisor, qint64 rampDivisor);
} // namespace PulseRate

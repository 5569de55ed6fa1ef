#include "pulserate.h"

#include <cmath>

namespace PulseRate {

namespace {
double roundHalfUp(double x)
{
    return std::floor(x + 0.5) + 0.0; // + 0.0: no "-0"
}
} // namespace

double velocityPps(qint64 velocity, qint64 pulseDivisor)
{
    return roundHalfUp(double(velocity) * clockHz /
                       (double(1 << divisorShift(pulseDivisor)) * 2048.0 * 32.0));
}

double accelerationPps2(qint64 acceleration, qint64 pulseDivisor, qint64 rampDivisor)
{
    return roundHalfUp(double(acceleration) * (clockHz * clockHz) /
                       std::pow(2.0, divisorShift(pulseDivisor) + divisorShift(rampDivisor) + 29));
}

int divisorShift(qint64 divisor)
{
    // The chip's divisors are 0..13. A module that declares wider ones (or holds a value beyond
    // its limits) shifts by at most 30, the widest shift of a 32-bit int, as the chip's
    // arithmetic does; so the panel shows the rate the motor really runs at.
    return int(qBound<qint64>(0, divisor, maximumShift));
}

} // namespace PulseRate

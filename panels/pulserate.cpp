#include "pulserate.h"

#include <cmath>

namespace PulseRate {

qint64 velocityPps(int velocity, int pulseDivisor)
{
    // The divisor is a 32-bit shift; the chip's range (0..13) keeps it well defined, and a value
    // outside 0..30 is clamped rather than shifted past the width of int.
    const int shift = qBound(0, pulseDivisor, 30);
    const double pps = double(velocity) * clockHz / (double(1 << shift) * 2048.0 * 32.0);
    return qRound64(pps);
}

qint64 accelerationPps2(int acceleration, int pulseDivisor, int rampDivisor)
{
    const double pps2 =
        double(acceleration) * (clockHz * clockHz) / std::pow(2.0, pulseDivisor + rampDivisor + 29);
    return qRound64(pps2);
}

} // namespace PulseRate

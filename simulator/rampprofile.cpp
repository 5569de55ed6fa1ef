#include "rampprofile.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Lays out velocity changes for one ramp: the velocity bands of the trapezoidal and eight-point
// ramps, or the bows of the S-shaped ramp. Values are made usable here (no zero accelerations,
// start and stop velocities within the top velocity), so that plans always end.
class RampShaper final
{
public:
    explicit RampShaper(const RampProfile &ramp)
    {
        const auto atLeastOne = [](double value) {
            return std::max(value, 1.0);
        };
        vmax = std::max(ramp.maxVelocity, 0.0);
        vstart = std::clamp(ramp.startVelocity, 0.0, vmax);
        vstop = std::clamp(ramp.stopVelocity, 0.0, vmax);
        const double amax = atLeastOne(ramp.acceleration);
        const double dmax = atLeastOne(ramp.deceleration > 0 ? ramp.deceleration : amax);
        const double b1 = std::max(ramp.v1, 0.0);
        const double b2 = ramp.v2 > 0 ? std::max(b1, ramp.v2) : b1;
        top = {b1, b2, std::numeric_limits<double>::infinity()};
        acc = {atLeastOne(ramp.a1), atLeastOne(ramp.a2), amax};
        dec = {atLeastOne(ramp.d1), atLeastOne(ramp.d2), dmax};
        sShaped = ramp.sShaped;
        jerk = {atLeastOne(ramp.bow1), atLeastOne(ramp.bow2), atLeastOne(ramp.bow3),
                atLeastOne(ramp.bow4)};
        leastTopTime = std::max(ramp.leastTopTime, 0.0);
    }

    // The distance of a change from velocity v and acceleration a to velocity w with no
    // acceleration left; the pieces go to plan unless it is null. (The banded ramps have no
    // acceleration state: a is ignored there.)
    double change(double v, double a, double w, RampPlan *plan) const
    {
        return sShaped ? sCurve(v, a, w, plan) : banded(v, w, plan);
    }
    double brake(double v, double a, RampPlan *plan) const
    {
        return v > vstop || (sShaped && a > 0) ? change(v, a, std::min(v, vstop), plan) : 0;
    }
    // The jerk that takes the acceleration a back to zero.
    double neutralJerk(double a) const { return a > 0 ? -jerk[1] : jerk[3]; }

    double vmax, vstart, vstop, leastTopTime;
    bool sShaped;

private:
    static double add(RampPlan *plan, double t, double v, double a, double j, double *distance)
    {
        if (t <= 0)
            return v;
        *distance += v * t + a * t * t / 2 + j * t * t * t / 6;
        if (plan)
            plan->append(t, v, a, j);
        return v + a * t + j * t * t / 2;
    }

    double banded(double v, double w, RampPlan *plan) const
    {
        double distance = 0;
        if (w > v) {
            for (size_t i = 0; i < 3; ++i) {
                const double from = std::max(v, i == 0 ? 0.0 : top[i - 1]);
                const double to = std::min(w, top[i]);
                if (to > from)
                    add(plan, (to - from) / acc[i], from, acc[i], 0, &distance);
            }
        } else {
            for (size_t i = 3; i-- > 0;) {
                const double from = std::min(v, top[i]);
                const double to = std::max(w, i == 0 ? 0.0 : top[i - 1]);
                if (from > to)
                    add(plan, (from - to) / dec[i], from, -dec[i], 0, &distance);
            }
        }
        return distance;
    }

    double sCurve(double v, double a, double w, RampPlan *plan) const
    {
        double distance = 0;
        // An acceleration against the change (or with nothing to change) first goes back to 0.
        if (a != 0 && (w == v || (a > 0) != (w > v))) {
            const double j = neutralJerk(a);
            v = add(plan, std::abs(a / j), v, a, j, &distance);
            a = 0;
        }
        if (w == v)
            return distance;
        const double sign = w > v ? 1.0 : -1.0;
        const double rise = sign > 0 ? jerk[0] : jerk[2];
        const double limit = std::max(sign > 0 ? acc[2] : dec[2], std::abs(a));
        const double dv = std::abs(w - v);
        const double a0 = std::abs(a);
        // Only when the bow would carry the velocity past w (a stop caught late in a fall) does
        // the acceleration fall faster, so that the velocity never turns back.
        const double fall = std::max(sign > 0 ? jerk[1] : jerk[3], a0 * a0 / (2 * dv));
        const double peak = std::min(
            limit, std::sqrt((dv + a0 * a0 / (2 * rise)) / (1 / (2 * rise) + 1 / (2 * fall))));
        const double riseGain = (peak * peak - a0 * a0) / (2 * rise);
        const double hold = std::max(0.0, (dv - riseGain - peak * peak / (2 * fall)) / peak);
        v = add(plan, (peak - a0) / rise, v, sign * a0, sign * rise, &distance);
        v = add(plan, hold, v, sign * peak, 0, &distance);
        add(plan, peak / fall, v, sign * peak, -sign * fall, &distance);
        return distance;
    }

    std::array<double, 3> top{}, acc{}, dec{};
    std::array<double, 4> jerk{};
};

void RampPlan::append(double duration, double velocity, double acceleration, double jerk)
{
    if (m_count == int(m_pieces.size()))
        return; // cannot happen: see m_pieces
    m_pieces[size_t(m_count++)] = {m_duration, m_distance, duration, velocity, acceleration, jerk};
    const double t = duration;
    m_distance += velocity * t + acceleration * t * t / 2 + jerk * t * t * t / 6;
    m_duration += duration;
}

RampPlan::State RampPlan::at(double time) const
{
    if (m_count == 0)
        return {};
    int i = 0;
    while (i + 1 < m_count && time >= m_pieces[size_t(i + 1)].begin)
        ++i;
    const Piece &p = m_pieces[size_t(i)];
    return p.at(std::clamp(time - p.begin, 0.0, p.duration));
}

RampPlan RampPlan::toTarget(const RampProfile &ramp, double velocity, double acceleration,
                            double distance, bool fromRest)
{
    const RampShaper shaper(ramp);
    RampPlan plan;
    if (shaper.vmax <= 0) // a motor without velocity does not start
        return velocity > 0 ? toRest(ramp, velocity, acceleration, false) : plan;
    double v = std::max(velocity, 0.0);
    double a = shaper.sShaped ? acceleration : 0;
    if (fromRest) {
        // A start velocity too high to stop within the distance is lowered.
        v = shaper.vstart;
        a = 0;
        if (shaper.brake(v, 0, nullptr) > distance) {
            double low = 0, high = v;
            for (int i = 0; i < 60; ++i) {
                const double mid = (low + high) / 2;
                (shaper.brake(mid, 0, nullptr) > distance ? high : low) = mid;
            }
            v = low;
        }
    } else if (a < 0) {
        // Braking towards a target that lies further: the deceleration ends first.
        const double j = shaper.neutralJerk(a);
        const double t = -a / j;
        const double lost = v * t + a * t * t / 2 + j * t * t * t / 6;
        const double left = v + a * t + j * t * t / 2;
        // Too far to reach before the deceleration ends, or too slow to outlast it (the motor
        // would turn round without standing): it comes to rest, and sets off again from there.
        if (lost >= distance || left < 0)
            return toRest(ramp, velocity, acceleration, false);
        plan.append(t, v, a, j);
        v = left;
        a = 0;
    }

    const double start = plan.m_distance;
    const double rest = distance - start;
    const auto plain = [&](double peak) {
        return shaper.change(v, a, peak, nullptr) + shaper.brake(peak, 0, nullptr);
    };
    const auto held = [&](double peak) {
        return plain(peak) + peak * shaper.leastTopTime;
    };
    // The lowest top velocity: an acceleration under way must come back to 0 first.
    double low = a > 0 ? v + a * a / (2 * -shaper.neutralJerk(a)) : v;
    double high = shaper.vmax;
    if (low > high) {
        if (a > 0)
            high = low; // the acceleration under way overshoots the top velocity a little
        else
            low = high; // faster than the top velocity: slow down to it first
    }
    if (plain(low) > rest)
        return toRest(ramp, velocity, acceleration, false);

    double peak = low;
    if (held(high) <= rest) {
        peak = high;
    } else if (held(low) < rest) {
        for (int i = 0; i < 60; ++i) {
            const double mid = (low + high) / 2;
            (held(mid) > rest ? high : low) = mid;
        }
        peak = low;
    }
    const double cruise = peak > 0 ? std::max(0.0, (rest - plain(peak)) / peak) : 0;
    shaper.change(v, a, peak, &plan);
    if (cruise > 0)
        plan.append(cruise, peak, 0, 0);
    shaper.brake(peak, 0, &plan);
    plan.m_landsOnTarget = true;
    return plan;
}

RampPlan RampPlan::toRest(const RampProfile &ramp, double velocity, double acceleration,
                          bool stopCommand)
{
    const RampShaper shaper(ramp);
    RampPlan plan;
    if (velocity <= 0)
        return plan;
    if (stopCommand && ramp.stopDeceleration > 0)
        plan.append(velocity / ramp.stopDeceleration, velocity, -ramp.stopDeceleration, 0);
    else
        shaper.brake(velocity, shaper.sShaped ? acceleration : 0, &plan);
    return plan;
}

#include "motionplans.h"

#include <algorithm>
#include <cmath>

MotionPlans::~MotionPlans() = default;

std::optional<PlannedMove::Point> MotionPlans::plannedNow(unsigned char motor) const
{
    const PlannedMove plan = plannedMove(motor);
    if (plan.isEmpty())
        return std::nullopt;
    return plan.at(plan.elapsed);
}

double PlannedMove::duration() const
{
    return points.isEmpty() ? 0 : points.last().time - points.first().time;
}

double PlannedMove::peakVelocity() const
{
    double peak = 0;
    for (const Point &p : points)
        peak = std::max(peak, std::abs(p.velocity));
    return peak;
}

PlannedMove::Point PlannedMove::at(double time) const
{
    if (points.isEmpty())
        return {time, 0, 0};
    if (time <= points.first().time)
        return {time, points.first().position, points.first().velocity};
    if (time >= points.last().time)
        return {time, points.last().position, points.last().velocity};
    const auto after = std::upper_bound(points.begin(), points.end(), time,
                                        [](double t, const Point &p) { return t < p.time; });
    const Point &b = *after;
    const Point &a = *(after - 1);
    const double f = b.time > a.time ? (time - a.time) / (b.time - a.time) : 1.0;
    return {time, a.position + f * (b.position - a.position),
            a.velocity + f * (b.velocity - a.velocity)};
}

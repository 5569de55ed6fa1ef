#pragma once

#include "host_global.h"

#include <QVector>
#include <optional>

// What a module that plans its motors' moves can tell about a plan: the position and velocity
// it means to follow, point by point. Times count in seconds from the start of the plan,
// positions in steps, velocities in steps per second with their sign.
struct HOST_EXPORT PlannedMove
{
    struct Point
    {
        double time = 0;
        double position = 0;
        double velocity = 0;
    };

    QVector<Point> points; // empty: no plan
    double elapsed = 0;    // seconds of the plan that have passed already (0 for a preview)

    bool isEmpty() const { return points.isEmpty(); }
    // Seconds from the start of the plan to its last point.
    double duration() const;
    // The largest velocity of the plan, without its sign.
    double peakVelocity() const;
    // The planned position and velocity at the given time from the start of the plan, between
    // its points as a straight line; before the start the first point, after the end the last.
    Point at(double time) const;
};

// The planning side of a module link, which a module may offer (AxilModuleInterface::
// motionPlans()) or not. Tools never need it; an instrument can show with it what a move was
// meant to do beside what it does, and what a move would do before it is started.
class HOST_EXPORT MotionPlans
{
public:
    virtual ~MotionPlans();

    // The plan of the move under way: made when the move started, made again when its target or
    // position changed. Empty when the motor follows no plan.
    virtual PlannedMove plannedMove(unsigned char motor) const = 0;
    // The plan that a move from the motor's actual position to target would get if it started
    // now, with the ramp as it stands. Empty when the motor would not move.
    virtual PlannedMove previewMove(unsigned char motor, qint64 target) const = 0;
    // Where the plan of the move under way has the motor now: plannedMove() at its elapsed
    // time, which this default lays out in full. An instrument asks this of every motor at every
    // tick, so a module that can tell it more cheaply should.
    virtual std::optional<PlannedMove::Point> plannedNow(unsigned char motor) const;
};

#pragma once

#include "rampprofile.h"
#include "simulator_global.h"

#include <QtGlobal>

// The motion of one simulated motor towards a target, in simulated time, with the ramp of its
// chip family. Once positioning, the motor holds its target after arriving, so a new target
// starts the next move; only stop() ends positioning.
// Each move is planned when it starts (and again when its target or position changes under
// way) from the ramp given to the step that starts it; stepping then follows the plan. So a
// ramp change takes effect with the next move. A plan brakes in time to stop on the target;
// a target that can no longer be reached in time is overrun, braked and driven back to.
// The plan under way can be read back (course()), and planFor() makes, with the same code, the
// plan that a move would get without starting it.
// It knows nothing of parameters or widgets; the simulated module feeds it the ramp values and
// reads back position and velocity.
class SIMULATOR_EXPORT MotionAxis final
{
public:
    using Ramp = RampProfile;

    enum class Mode { Idle, Positioning, Stopping };

    // A plan as the motor follows it: laid out from origin, along direction (+1 or -1).
    struct Course
    {
        RampPlan plan;
        double origin = 0;
        double direction = 1;
        double entryVelocity = 0; // signed, just before the plan takes over (0 from rest)

        double position(const RampPlan::State &s) const { return origin + direction * s.distance; }
    };

    // Starts (or redirects) a move to target.
    void moveTo(qint64 target);
    // Ramps the velocity down to zero and leaves positioning.
    void stop();
    // Advances the motion by one step of the given length.
    void step(double seconds, const Ramp &ramp);
    // Sets the position counter; a move under way goes on from there.
    void setPosition(qint64 position);

    qint64 position() const;
    double exactPosition() const { return m_position; }
    double velocity() const { return m_velocity; }
    double acceleration() const { return m_acceleration; }
    qint64 target() const { return m_target; }
    Mode mode() const { return m_mode; }
    bool isPositioning() const { return m_mode == Mode::Positioning; }
    bool isMoving() const { return m_velocity != 0.0; }
    bool hasArrived() const { return m_velocity == 0.0 && m_position == double(m_target); }
    // Standing for good: idle, or holding the target it arrived at. A motor that comes to rest
    // only to turn round (an overrun target) is not at rest.
    bool isAtRest() const
    {
        return !m_planned && m_velocity == 0.0 &&
               (m_mode == Mode::Idle || (m_mode == Mode::Positioning && hasArrived()));
    }
    // The course that the motor follows now, or null; and how many seconds of it have passed.
    const Course *course() const { return m_planned ? &m_course : nullptr; }
    double courseTime() const
    {
        return m_planned ? m_course.plan.piece(m_piece).begin + m_pieceTime : 0;
    }
    // The course that a move to target would get if it were planned now with the ramp: from the
    // motion under way, or from rest. Its plan is empty when the motor stands on the target (to
    // half a step), or would not start.
    Course planFor(qint64 target, const Ramp &ramp) const;
    // False while stepping would change nothing: standing idle, or holding the target after the
    // wait at standstill.
    bool needsTime() const;

private:
    Course planned(Mode mode, qint64 target, const Ramp &ramp) const;
    void plan(const Ramp &ramp);
    void follow(double seconds);
    void finish();

    double m_position = 0;
    double m_velocity = 0;     // signed
    double m_acceleration = 0; // signed
    qint64 m_target = 0;
    Mode m_mode = Mode::Idle;

    Course m_course;
    bool m_planned = false; // following m_course
    bool m_replan = false;  // the target or position changed under way
    int m_piece = 0;
    double m_pieceTime = 0;
    double m_waitAfterPlan = 0;
    double m_wait = 0; // seconds at standstill before the next move may start
};

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
// It knows nothing of parameters or widgets; the simulated module feeds it the ramp values and
// reads back position and velocity.
class SIMULATOR_EXPORT MotionAxis final
{
public:
    using Ramp = RampProfile;

    enum class Mode { Idle, Positioning, Stopping };

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
    // False while stepping would change nothing: standing idle, or holding the target after the
    // wait at standstill.
    bool needsTime() const;

private:
    void plan(const Ramp &ramp);
    void follow(double seconds);
    void finish();

    double m_position = 0;
    double m_velocity = 0;     // signed
    double m_acceleration = 0; // signed
    qint64 m_target = 0;
    Mode m_mode = Mode::Idle;

    RampPlan m_plan;
    bool m_planned = false; // following m_plan
    bool m_replan = false;  // the target or position changed under way
    int m_piece = 0;
    double m_pieceTime = 0;
    double m_origin = 0;    // where the plan starts
    double m_direction = 1; // of the plan
    double m_waitAfterPlan = 0;
    double m_wait = 0; // seconds at standstill before the next move may start
};

#pragma once

#include "host_global.h"

#include <QtGlobal>

// The motion of one simulated motor: a trapezoidal ramp towards a target, in simulated time.
// Once positioning, the motor holds its target after arriving, so a new target starts the next
// move; only stop() ends positioning.
// It knows nothing of parameters or widgets; the simulated module feeds it the ramp values and
// reads back position and velocity.
class HOST_EXPORT MotionAxis final
{
public:
    struct Ramp
    {
        double maxVelocity = 0;  // steps per second
        double acceleration = 0; // steps per second squared
        double deceleration = 0; // steps per second squared
    };

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
    qint64 target() const { return m_target; }
    Mode mode() const { return m_mode; }
    bool isPositioning() const { return m_mode == Mode::Positioning; }
    bool isMoving() const { return m_velocity != 0.0; }
    bool hasArrived() const { return m_velocity == 0.0 && m_position == double(m_target); }

private:
    double m_position = 0;
    double m_velocity = 0; // signed
    qint64 m_target = 0;
    Mode m_mode = Mode::Idle;
};

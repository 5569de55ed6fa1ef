#include "motionaxis.h"

#include <algorithm>
#include <cmath>

void MotionAxis::moveTo(qint64 target)
{
    m_target = target;
    m_mode = Mode::Positioning;
}

void MotionAxis::stop()
{
    m_mode = m_velocity == 0.0 ? Mode::Idle : Mode::Stopping;
}

void MotionAxis::setPosition(qint64 position)
{
    m_position = double(position);
}

qint64 MotionAxis::position() const
{
    return std::llround(m_position);
}

void MotionAxis::step(double dt, const Ramp &ramp)
{
    const double accel = std::max(ramp.acceleration, 1.0);
    const double decel = std::max(ramp.deceleration > 0 ? ramp.deceleration : accel, 1.0);
    const double vmax = std::max(ramp.maxVelocity, 0.0);

    if (m_mode == Mode::Idle)
        return;
    if (m_mode == Mode::Stopping) {
        const double speed = std::max(0.0, std::abs(m_velocity) - decel * dt);
        m_velocity = std::copysign(speed, m_velocity);
        m_position += m_velocity * dt;
        if (speed == 0.0) {
            m_velocity = 0;
            m_mode = Mode::Idle;
        }
        return;
    }

    const double remaining = double(m_target) - m_position;
    if (remaining == 0.0 && m_velocity == 0.0)
        return; // holding the target; a new target starts the next move
    const double direction = remaining >= 0 ? 1.0 : -1.0;
    double along = m_velocity * direction; // speed towards the target, negative when away
    if (along < 0) {
        along = std::min(0.0, along + decel * dt);
    } else {
        // The fastest speed from which the motor can still stop on the target.
        const double stoppable = std::sqrt(2.0 * decel * std::abs(remaining));
        along = std::min({along + accel * dt, vmax, stoppable});
        // Steppers move in whole steps: within half a step of the target the motor is there.
        if (along * dt >= std::abs(remaining) || std::abs(remaining) < 0.5) {
            m_position = double(m_target);
            m_velocity = 0;
            return;
        }
    }
    m_velocity = along * direction;
    m_position += m_velocity * dt;
}

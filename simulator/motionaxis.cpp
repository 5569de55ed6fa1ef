#include "motionaxis.h"

#include <cmath>

void MotionAxis::moveTo(qint64 target)
{
    if (m_mode == Mode::Positioning && target == m_target)
        return;
    m_target = target;
    m_mode = Mode::Positioning;
    m_replan = m_planned;
}

void MotionAxis::stop()
{
    if (!m_planned) {
        m_mode = Mode::Idle;
    } else if (m_mode != Mode::Stopping) {
        m_mode = Mode::Stopping;
        m_replan = true;
    }
}

void MotionAxis::setPosition(qint64 position)
{
    const double shift = double(position) - m_position;
    m_position = double(position);
    if (m_planned) {
        m_origin += shift;
        // A positioning motor heads for its target from the new position; a stop that has not
        // been planned yet still has to be.
        m_replan = m_replan || m_mode == Mode::Positioning;
    }
}

qint64 MotionAxis::position() const
{
    return std::llround(m_position);
}

bool MotionAxis::needsTime() const
{
    return m_planned || m_wait > 0 || m_mode == Mode::Stopping ||
           (m_mode == Mode::Positioning && m_position != double(m_target));
}

void MotionAxis::step(double dt, const Ramp &ramp)
{
    if (!m_planned) {
        if (m_wait > dt / 2) {
            m_wait -= dt;
            return;
        }
        m_wait = 0;
        if (m_mode == Mode::Stopping)
            m_mode = Mode::Idle;
        if (m_mode == Mode::Idle)
            return;
        // Steppers move in whole steps: within half a step of the target the motor is there.
        if (std::abs(double(m_target) - m_position) < 0.5) {
            m_position = double(m_target);
            return;
        }
        plan(ramp);
        if (!m_planned)
            return;
    } else if (m_replan) {
        plan(ramp);
    }
    follow(dt);
}

void MotionAxis::plan(const Ramp &ramp)
{
    m_replan = false;
    const double remaining = double(m_target) - m_position;
    const double towards = remaining >= 0 ? 1.0 : -1.0;
    const double along = m_velocity * towards;
    if (m_mode == Mode::Positioning && (along > 0 || m_velocity == 0.0)) {
        m_direction = towards;
        m_plan = RampPlan::toTarget(ramp, along, m_acceleration * towards, std::abs(remaining),
                                    m_velocity == 0.0);
    } else {
        // Stopping, or moving away from the target: brake to rest first.
        m_direction = m_velocity < 0 ? -1.0 : 1.0;
        m_plan = RampPlan::toRest(ramp, std::abs(m_velocity), m_acceleration * m_direction,
                                  m_mode == Mode::Stopping);
    }
    m_origin = m_position;
    m_piece = 0;
    m_pieceTime = 0;
    m_waitAfterPlan = std::max(ramp.zeroWait, 0.0);
    m_planned = true;
    if (m_plan.pieceCount() == 0)
        finish(); // at or below the stop velocity: the motor stops dead
}

void MotionAxis::follow(double dt)
{
    m_pieceTime += dt;
    while (m_piece < m_plan.pieceCount() && m_pieceTime >= m_plan.piece(m_piece).duration)
        m_pieceTime -= m_plan.piece(m_piece++).duration;
    if (m_piece == m_plan.pieceCount()) {
        finish();
        return;
    }
    const RampPlan::Piece &p = m_plan.piece(m_piece);
    const double t = m_pieceTime;
    const double distance = p.start + t * (p.velocity + t * (p.acceleration / 2 + t * p.jerk / 6));
    m_position = m_origin + m_direction * distance;
    m_velocity = m_direction * (p.velocity + t * (p.acceleration + t * p.jerk / 2));
    m_acceleration = m_direction * (p.acceleration + t * p.jerk);
    // Steppers move in whole steps: within half a step of the target the motor is there.
    if (m_plan.landsOnTarget() && std::abs(double(m_target) - m_position) < 0.5)
        finish();
}

void MotionAxis::finish()
{
    const bool moved = m_velocity != 0.0 || m_plan.pieceCount() > 0;
    if (m_plan.landsOnTarget())
        m_position = double(m_target);
    else
        m_position = m_origin + m_direction * m_plan.distance();
    m_velocity = 0;
    m_acceleration = 0;
    m_planned = false;
    if (moved)
        m_wait = m_waitAfterPlan;
    if (m_mode == Mode::Stopping)
        m_mode = Mode::Idle;
}

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
        m_course.origin += shift;
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

MotionAxis::Course MotionAxis::planFor(qint64 target, const Ramp &ramp) const
{
    if (m_velocity == 0.0 && std::abs(double(target) - m_position) < 0.5)
        return {}; // already there
    return planned(Mode::Positioning, target, ramp);
}

MotionAxis::Course MotionAxis::planned(Mode mode, qint64 target, const Ramp &ramp) const
{
    Course c;
    c.origin = m_position;
    c.entryVelocity = m_velocity;
    const double remaining = double(target) - m_position;
    const double towards = remaining >= 0 ? 1.0 : -1.0;
    const double along = m_velocity * towards;
    if (mode == Mode::Positioning && (along > 0 || m_velocity == 0.0)) {
        c.direction = towards;
        c.plan = RampPlan::toTarget(ramp, along, m_acceleration * towards, std::abs(remaining),
                                    m_velocity == 0.0);
    } else {
        // Stopping, or moving away from the target: brake to rest first.
        c.direction = m_velocity < 0 ? -1.0 : 1.0;
        c.plan = RampPlan::toRest(ramp, std::abs(m_velocity), m_acceleration * c.direction,
                                  mode == Mode::Stopping);
    }
    return c;
}

void MotionAxis::plan(const Ramp &ramp)
{
    m_replan = false;
    m_course = planned(m_mode, m_target, ramp);
    m_piece = 0;
    m_pieceTime = 0;
    m_waitAfterPlan = std::max(ramp.zeroWait, 0.0);
    m_planned = true;
    if (m_course.plan.pieceCount() == 0)
        finish(); // at or below the stop velocity: the motor stops dead
}

void MotionAxis::follow(double dt)
{
    const RampPlan &plan = m_course.plan;
    m_pieceTime += dt;
    while (m_piece < plan.pieceCount() && m_pieceTime >= plan.piece(m_piece).duration)
        m_pieceTime -= plan.piece(m_piece++).duration;
    if (m_piece == plan.pieceCount()) {
        finish();
        return;
    }
    const RampPlan::State s = plan.piece(m_piece).at(m_pieceTime);
    m_position = m_course.position(s);
    m_velocity = m_course.direction * s.velocity;
    m_acceleration = m_course.direction * s.acceleration;
    // Steppers move in whole steps: within half a step of the target the motor is there.
    if (plan.landsOnTarget() && std::abs(double(m_target) - m_position) < 0.5)
        finish();
}

void MotionAxis::finish()
{
    const RampPlan &plan = m_course.plan;
    const bool moved = m_velocity != 0.0 || plan.pieceCount() > 0;
    if (plan.landsOnTarget())
        m_position = double(m_target);
    else
        m_position = m_course.origin + m_course.direction * plan.distance();
    m_velocity = 0;
    m_acceleration = 0;
    m_planned = false;
    if (moved)
        m_wait = m_waitAfterPlan;
    if (m_mode == Mode::Stopping)
        m_mode = Mode::Idle;
}

#include "motionrecorder.h"

#include "parametertype.h"
#include "simulatedmodule.h"

#include <algorithm>
#include <cmath>

void MotionRecorder::reset()
{
    m_milliseconds = 0;
    m_motors.clear();
    m_revisions.clear();
    ++m_revision;
}

void MotionRecorder::sample(const SimulatedModule &module, int milliseconds)
{
    static const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);

    m_milliseconds += milliseconds;
    const double time = now();
    const MotionPlans *plans = module.motionPlans();
    if (m_motors.size() != module.motorCount()) {
        m_motors.resize(module.motorCount());
        m_revisions.resize(module.motorCount());
        ++m_revision;
    }
    for (int m = 0; m < m_motors.size(); ++m) {
        const auto motor = static_cast<unsigned char>(m);
        const MotionAxis &motion = module.motion(motor);
        // Velocities in pulses per second, whatever unit a family's register counts in (the
        // Birch chip's own), as steps per second are what the ramp panels show. The target is
        // the register's, which the tool shows: written while the motor is not positioning
        // (Clear), it leaves the motion's own target behind.
        Sample sample{time, double(motion.position()), double(std::llround(motion.velocity())),
                      double(module.moduleValue(motor, targetKey))};
        if (plans) {
            if (const std::optional<PlannedMove::Point> planned = plans->plannedNow(motor)) {
                sample.plannedPosition = planned->position;
                sample.plannedVelocity = planned->velocity;
            }
        }
        std::deque<Sample> &samples = m_motors[m];
        // A motor that keeps its state needs no new point, only a longer last one. No plan
        // (NaN) stays no plan.
        const auto equal = [](double a, double b) {
            return a == b || (std::isnan(a) && std::isnan(b));
        };
        const auto same = [&sample, &equal](const Sample &s) {
            return s.position == sample.position && s.velocity == sample.velocity &&
                   s.target == sample.target && equal(s.plannedPosition, sample.plannedPosition) &&
                   equal(s.plannedVelocity, sample.plannedVelocity);
        };
        const std::size_t before = samples.size();
        if (samples.size() >= 2 && same(samples.back()) && same(samples[samples.size() - 2]))
            samples.back().time = time;
        else
            samples.push_back(sample);
        // One sample older than the span stays, so that the curves reach the plot's left edge.
        while (samples.size() > 2 && samples[1].time < time - span)
            samples.pop_front();
        // Time passing only moves a change along; with no change in the span, the picture
        // stays as it was.
        const bool steady = std::all_of(samples.begin(), samples.end(), same);
        if (!steady || samples.size() != before)
            m_revisions[m] = ++m_revision;
    }
}

quint64 MotionRecorder::revision(int motor) const
{
    return motor >= 0 && motor < m_revisions.size() ? m_revisions[motor] : m_revision;
}

const std::deque<MotionRecorder::Sample> &MotionRecorder::samples(int motor) const
{
    static const std::deque<Sample> none;
    return motor >= 0 && motor < m_motors.size() ? m_motors[motor] : none;
}

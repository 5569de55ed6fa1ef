#include "motionrecorder.h"

#include "parametertype.h"
#include "simulatedmodule.h"

#include <cmath>

namespace {

// No plan (NaN) stays no plan.
bool equal(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool sameState(const MotionRecorder::Sample &a, const MotionRecorder::Sample &b)
{
    return a.position == b.position && a.velocity == b.velocity && a.target == b.target &&
           equal(a.plannedPosition, b.plannedPosition) &&
           equal(a.plannedVelocity, b.plannedVelocity);
}

} // namespace

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
        // A motor that keeps its state needs no new point, only a longer last one.
        const std::size_t before = samples.size();
        const double front = samples.empty() ? -1 : samples.front().time;
        if (samples.size() >= 2 && sameState(samples.back(), sample) &&
            sameState(samples[samples.size() - 2], sample))
            samples.back().time = time;
        else
            samples.push_back(sample);
        // One sample older than the span stays, so that the curves reach the plot's left edge.
        while (samples.size() > 2 && samples[1].time < time - span)
            samples.pop_front();
        // A new sample or a dropped one changes the size, or else the first sample's time.
        if (samples.size() != before || samples.front().time != front)
            m_revisions[m] = ++m_revision;
    }
}

quint64 MotionRecorder::revision(int motor) const
{
    return motor >= 0 && motor < m_revisions.size() ? m_revisions[motor] : m_revision;
}

double MotionRecorder::steadySince(int motor) const
{
    const std::deque<Sample> &kept = samples(motor);
    if (kept.empty())
        return now();
    // A state is kept as at most two samples in a row.
    const std::size_t last = kept.size() - 1;
    return last > 0 && sameState(kept[last - 1], kept[last]) ? kept[last - 1].time
                                                             : kept[last].time;
}

const std::deque<MotionRecorder::Sample> &MotionRecorder::samples(int motor) const
{
    static const std::deque<Sample> none;
    return motor >= 0 && motor < m_motors.size() ? m_motors[motor] : none;
}

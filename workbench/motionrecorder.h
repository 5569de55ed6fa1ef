#pragma once

#include <QVector>
#include <deque>
#include <limits>

class SimulatedModule;

// What the motors did over the last seconds, as a bench instrument records it: after each clock
// tick it takes every motor's actual position and velocity and its target straight from the
// simulated module, so recording never reads a parameter through the host and never shows up in
// the module's read counts. Where the module makes its plans known, each sample also holds where
// the plan of the move under way has the motor. A stretch in which nothing changes is kept as its
// two ends. It keeps a minute, so that a plot can show any span up to that; a motor moving all
// that time at the fastest polling rate takes 6000 samples (about 330 KiB).
class MotionRecorder final
{
public:
    struct Sample
    {
        double time = 0; // simulated seconds since the module was connected
        double position = 0;
        double velocity = 0; // steps per second, with its sign
        double target = 0;
        // Where the module's plan for the move under way has the motor at this time, and how
        // fast; NaN while the motor follows no plan or the module makes none known.
        double plannedPosition = std::numeric_limits<double>::quiet_NaN();
        double plannedVelocity = std::numeric_limits<double>::quiet_NaN();
    };

    // How far back samples are kept, in simulated seconds.
    static constexpr double span = 60.0;

    // Forgets everything; the clock starts again at zero.
    void reset();
    // The given simulated time has passed; samples every motor of the module.
    void sample(const SimulatedModule &module, int milliseconds);

    double now() const { return m_milliseconds / 1000.0; }
    // Grows whenever a sample of the motor is added or dropped; a motor that keeps its state
    // only lengthens its last sample and keeps its revision.
    quint64 revision(int motor) const;
    // The time of the first sample of the motor's current state, which it has held since. A
    // picture of the seconds before now changes with time only while this lies within them;
    // a motor that has done the same for the whole of them need not be drawn again.
    double steadySince(int motor) const;
    const std::deque<Sample> &samples(int motor) const;

private:
    qint64 m_milliseconds = 0;
    quint64 m_revision = 0; // for motors that have not been sampled yet
    QVector<std::deque<Sample>> m_motors;
    QVector<quint64> m_revisions;
};

#pragma once

#include "axilmoduleinterface.h"
#include "motionaxis.h"
#include "motionplans.h"

#include <QHash>
#include <QStringList>
#include <vector>

namespace Model {
class AxilParameter;
}

// A motion-control module that exists only in this process: any number of motors, each with an
// axis controller holding every parameter role, plausible limits and units, and motors that
// really move (with the ramp of their chip family, in simulated time that advance() lets pass).
// It journals what reaches it, so that tests can check what a tool sent, and in which order.
//
// Journal lines: "move M P", "moveRel M D", "stop M", "write M KEY V"; refused requests are
// journaled with a leading "refused ". Reads are counted (readCount), not journaled. The journal
// holds at most journalLimit lines, dropping the oldest; journalCount() tells how many were ever
// written, so that a reader can find the lines added since it last looked. The ramp registers are
// read after a write, before the next step; a move takes the ramp that holds when it starts. A
// target written while the motor is positioning redirects it at that step too. A Birch motor's
// velocity and acceleration registers, the actual velocity included, count in the chip's units;
// every other family counts in steps per second.
//
// Clear on null (1 written to par::ClearOnNull) zeros the actual and encoder positions once the
// motor is at rest: standing idle, or arrived at the target of the move under way. A target
// written while the request is pending does not redirect that move; after the clear the target
// register reads 0, and a positioning motor holds that new zero.
//
// It makes its motion plans known: the plan each motor follows, laid out as points, and the plan
// a move would get if it started now, made by the same code that plans the real move.
class SIMULATOR_EXPORT SimulatedModule final : public AxilModuleInterface, public MotionPlans
{
    Q_OBJECT
public:
    explicit SimulatedModule(int motorCount = 1, QObject *parent = nullptr);
    ~SimulatedModule() override;

    // Configuration, made before tools are created. A plugin variant also brings the limits
    // and power-up values of its chip family.
    void setPluginVariant(unsigned char motor, int variant);
    int pluginVariant(unsigned char motor) const override;
    void setChipName(unsigned char motor, const QString &name);
    void setModuleNameInFirmware(const QString &name);
    void removeParameter(unsigned char motor, const QString &key); // exists() becomes false
    void setLimits(unsigned char motor, const QString &key, qint64 minimum, qint64 maximum);

    Model::AxilParameter *parameter(unsigned char motor, const QString &key) const;
    qint64 moduleValue(unsigned char motor, const QString &key) const;
    // The module's own change (not bound by the limits), seen by the next read.
    void setModuleValue(unsigned char motor, const QString &key, qint64 value);
    int readCount(unsigned char motor, const QString &key) const;
    // Simulated time passes, in steps of one millisecond, then one polling round follows.
    void advance(int milliseconds);
    const MotionAxis &motion(unsigned char motor) const;

    static constexpr int journalLimit = 10000;
    QStringList journal() const { return m_journal; }
    qint64 journalCount() const { return m_journalCount; }
    void clearJournal() { m_journal.clear(); }
    // The ramp that the motor's next move is planned with, in steps and seconds.
    RampProfile ramp(unsigned char motor) const;

    // AxilModuleInterface
    AxisController *controller(unsigned char motor) const override;
    QString getChipName(unsigned char motor) const override;
    QString getModuleNameInFirmware() const override { return m_firmwareName; }
    unsigned char moduleAddress() const override { return 1; }
    int motorCount() const override { return int(m_motors.size()); }
    Model::ParameterInfo describeParameter(unsigned char motor, const QString &key) const override;
    bool hasParameter(unsigned char motor, const QString &key) const override;
    bool readParameter(unsigned char motor, const QString &key, qint64 *value) override;
    bool writeParameter(unsigned char motor, const QString &key, qint64 value) override;
    bool moveToPosition(unsigned char motor, int position) override;
    bool moveToRelPosition(unsigned char motor, int distance) override;
    bool motorStop(unsigned char motor) override;
    MotionPlans *motionPlans() override { return this; }
    const MotionPlans *motionPlans() const { return this; }

    // MotionPlans
    PlannedMove plannedMove(unsigned char motor) const override;
    PlannedMove previewMove(unsigned char motor, qint64 target) const override;
    std::optional<PlannedMove::Point> plannedNow(unsigned char motor) const override;

signals:
    // Simulated time passed (after the polling round of advance()).
    void advanced();

private:
    Q_DISABLE_COPY(SimulatedModule)
    struct Register
    {
        Model::ParameterInfo info;
        qint64 value = 0;
        bool present = true;
    };
    struct Motor
    {
        int variant = 0;
        QString chipName;
        QHash<QString, Register> registers;
        QHash<QString, int> reads;
        MotionAxis motion;
        AxisController *controller = nullptr;
        // Read from the registers after a change (stale), not at every step.
        MotionAxis::Ramp ramp;
        double velocityUnit = 1; // steps per second in one unit of the velocity register
        bool clearRequested = false;
        bool blocked = false;         // standby or an external step/direction input: no moves
        bool retarget = false;        // the target register was written while positioning
        bool rampNoticeGiven = false; // "applies from the next move", said for this move
        bool stale = true;
    };

    Motor *motorAt(unsigned char motor);
    const Motor *motorAt(unsigned char motor) const;
    void record(const QString &line);
    static bool isRampKey(const QString &key);
    bool refuse(const QString &line, const QString &why);
    qint64 registerValue(const Motor &m, const char *key) const;
    void setRegister(Motor &m, const char *key, qint64 value);
    bool commandAllowed(unsigned char motor, const QString &line);
    void startMove(unsigned char motor, qint64 target);
    void stepMotor(Motor &m, double seconds);
    static double presentValue(const Motor &m, const char *key);
    static MotionAxis::Ramp rampOf(const Motor &m, double *velocityUnit = nullptr);
    static bool isBlocked(const Motor &m);
    static void refresh(Motor &m);

    std::vector<Motor> m_motors;
    QString m_firmwareName;
    QStringList m_journal;
    qint64 m_journalCount = 0;
};

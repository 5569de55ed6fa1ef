#include "simulatedmodule.h"

#include "axilparameter.h"
#include "axiscontroller.h"
#include "firmwarenames.h"
#include "parametertype.h"
#include "pluginvariant.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

const QString actualPositionKey = QLatin1String(ParameterType::cmd_ActualPosition);
const QString actualVelocityKey = QLatin1String(ParameterType::cmd_ActualVelocity);
const QString targetPositionKey = QLatin1String(ParameterType::cmd_TargetPosition);

// The Birch clock arithmetic, rounded half up: the Birch panel shows the same figures, so the
// motor runs at the pulse rate that the panel displays.
constexpr double birchClockHz = 16000000.0;

// Pulses per second in one unit of velocity.
double birchVelocityUnit(qint64 pulseDivisor)
{
    return birchClockHz / std::ldexp(2048.0 * 32.0, int(qBound<qint64>(0, pulseDivisor, 30)));
}

double birchVelocityPps(qint64 velocity, qint64 pulseDivisor)
{
    return std::floor(double(velocity) * birchVelocityUnit(pulseDivisor) + 0.5);
}

double birchAccelerationPps2(qint64 acceleration, qint64 pulseDivisor, qint64 rampDivisor)
{
    // Registers set by the module itself are not bound by the limits: keep the sum sane.
    const int shift =
        int(qBound<qint64>(0, pulseDivisor, 30) + qBound<qint64>(0, rampDivisor, 30)) + 29;
    return std::floor(double(acceleration) * birchClockHz * birchClockHz / std::ldexp(1.0, shift) +
                      0.5);
}

// A course as points: every piece boundary, and within each piece enough points that straight
// lines between them stay within a fiftieth of a step of the planned position. A course of extreme
// ramps (minutes of creeping acceleration) is drawn coarser rather than with more than about
// pointLimit points.
PlannedMove pointsOf(const MotionAxis::Course &course, double elapsed)
{
    constexpr double tolerance = 0.02;
    constexpr double pointLimit = 2000;
    const RampPlan &plan = course.plan;
    PlannedMove move;
    move.elapsed = elapsed;
    if (plan.pieceCount() == 0)
        return move;
    // A chord strays from a curve by at most its second derivative (here the acceleration)
    // times its length squared over 8.
    std::array<double, 8> segments{};
    double total = 0;
    for (int i = 0; i < plan.pieceCount(); ++i) {
        const RampPlan::Piece &p = plan.piece(i);
        const double bend =
            std::max(std::abs(p.acceleration), std::abs(p.acceleration + p.jerk * p.duration));
        segments[size_t(i)] =
            std::max(1.0, std::ceil(p.duration * std::sqrt(bend / (8 * tolerance))));
        total += segments[size_t(i)];
    }
    const double thinning = std::min(1.0, pointLimit / total);
    const auto append = [&](double time, const RampPlan::State &s) {
        move.points.append({time, course.position(s), course.direction * s.velocity});
    };
    move.points.reserve(int(std::min(total, pointLimit)) + 3 + plan.pieceCount());
    // The jump to the start velocity, when the plan starts from rest.
    const RampPlan::State start = plan.piece(0).at(0);
    if (course.entryVelocity != course.direction * start.velocity)
        move.points.append({0, course.origin, course.entryVelocity});
    append(0, start);
    for (int i = 0; i < plan.pieceCount(); ++i) {
        const RampPlan::Piece &p = plan.piece(i);
        const int n = int(std::max(1.0, std::floor(segments[size_t(i)] * thinning)));
        for (int k = 1; k <= n; ++k)
            append(p.begin + p.duration * k / n, p.at(p.duration * k / n));
    }
    // The drop to rest from the final velocity.
    const PlannedMove::Point end = move.points.last();
    if (end.velocity != 0)
        move.points.append({end.time, end.position, 0});
    return move;
}

constexpr qint64 int32Min = std::numeric_limits<qint32>::min();
constexpr qint64 int32Max = std::numeric_limits<qint32>::max();

struct Definition
{
    const char *key;
    const char *name;
    const char *unit;
    qint64 minimum;
    qint64 maximum;
    qint64 value;
    const char *description;
    bool readOnly;
};

// What a module of these families typically declares for each role.
const Definition definitions[] = {
    {ParameterType::cmd_TargetPosition, "Target position", " steps", int32Min, int32Max, 0,
     "The position that the motor moves to in positioning mode.", false},
    {ParameterType::cmd_ActualPosition, "Actual position", " steps", int32Min, int32Max, 0,
     "The motor's position counter.", false},
    {ParameterType::cmd_ActualVelocity, "Actual velocity", " pps", -8388607, 8388607, 0,
     "The motor's current velocity, signed.", true},
    {ParameterType::cmd_RelativePositioningOption, "Relative positioning option", "", 0, 1, 1,
     "What a relative move counts from.", false},
    {ParameterType::cmd_EncoderPosition, "Encoder position", " steps", int32Min, int32Max, 0,
     "The encoder's position counter.", false},
    {ParameterType::cmd_MaxVelocity, "Maximum velocity", " pps", 0, 8388096, 2000,
     "The highest velocity of a positioning move.", false},
    {ParameterType::cmd_MaxAcceleration, "Maximum acceleration", " pps²", 1, 8388607, 1500,
     "The acceleration up to the maximum velocity.", false},
    {ParameterType::cmd_MaxDeceleration, "Maximum deceleration", " pps²", 1, 8388607, 1500,
     "The deceleration down from the maximum velocity.", false},
    {ParameterType::cmd_StartVelocity, "Start velocity", " pps", 0, 8388096, 0,
     "The velocity at which a move starts.", false},
    {ParameterType::cmd_StopVelocity, "Stop velocity", " pps", 1, 8388096, 10,
     "The velocity at which a move ends.", false},
    {ParameterType::cmd_StartStopVelocity, "Start/stop velocity", " pps", 0, 268435455, 0,
     "The velocity at which a move starts and ends.", false},
    {ParameterType::cmd_V1, "Velocity V1", " pps", 0, 1048575, 0,
     "The velocity where the first acceleration ends.", false},
    {ParameterType::cmd_V2, "Velocity V2", " pps", 0, 1048575, 0,
     "The velocity where the second acceleration ends.", false},
    {ParameterType::cmd_A1, "Acceleration A1", " pps²", 0, 1048575, 1000,
     "The acceleration from the start velocity up to V1.", false},
    {ParameterType::cmd_A2, "Acceleration A2", " pps²", 0, 1048575, 1000,
     "The acceleration from V1 up to V2.", false},
    {ParameterType::cmd_D1, "Deceleration D1", " pps²", 1, 1048575, 1000,
     "The deceleration from V1 down to the stop velocity.", false},
    {ParameterType::cmd_D2, "Deceleration D2", " pps²", 1, 1048575, 1000,
     "The deceleration from V2 down to V1.", false},
    {ParameterType::cmd_TVMAX, "TVMAX", " ms", 0, 65535, 0,
     "The least time spent at the maximum velocity.", false},
    {ParameterType::cmd_TZEROWAIT, "TZEROWAIT", " ms", 0, 65535, 0,
     "The waiting time at zero velocity before the next move.", false},
    {ParameterType::cmd_Bow, "Bow", " pps³", 1, 16777215, 100000,
     "The change of acceleration in the S-shaped parts of the ramp.", false},
    {ParameterType::cmd_Bow1, "Bow 1", " pps³", 1, 16777215, 100000,
     "The bow at the start of the acceleration.", false},
    {ParameterType::cmd_Bow2, "Bow 2", " pps³", 1, 16777215, 100000,
     "The bow at the end of the acceleration.", false},
    {ParameterType::cmd_Bow3, "Bow 3", " pps³", 1, 16777215, 100000,
     "The bow at the start of the deceleration.", false},
    {ParameterType::cmd_Bow4, "Bow 4", " pps³", 1, 16777215, 100000,
     "The bow at the end of the deceleration.", false},
    {ParameterType::cmd_StartAcceleration, "Start acceleration", " pps²", 0, 8388607, 1000,
     "The acceleration from the start velocity up to the break velocity.", false},
    {ParameterType::cmd_BreakVelocity, "Break velocity", " pps", 0, 8388096, 0,
     "The velocity where the start acceleration ends.", false},
    {ParameterType::cmd_FinalDeceleration, "Final deceleration", " pps²", 0, 8388607, 1000,
     "The deceleration from the break velocity down to the stop velocity.", false},
    {ParameterType::cmd_StopDeceleration, "Stop deceleration", " pps²", 0, 8388607, 5000,
     "The deceleration of a stop command.", false},
    {ParameterType::cmd_SShapedRamp, "S-shaped ramp", "", 0, 1, 0,
     "Whether moves use the S-shaped ramp.", false},
    {ParameterType::cmd_PulseDivisor, "Pulse divisor", "", 0, 13, 3,
     "Divides the velocity as a power of two.", false},
    {ParameterType::cmd_RampDivisor, "Ramp divisor", "", 0, 13, 7,
     "Divides the acceleration as a power of two.", false},
    {ParameterType::cmd_ChipStandby, "Chip standby", "", 0, 2, 0,
     "Non-zero while the driver chip is in standby.", true},
    {ParameterType::cmd_ExternalStepDir, "External step/direction", "", 0, 2, 0,
     "1 while an external step/direction input drives the motor.", true},
    {ParameterType::cmd_ClearOnNull, "Clear on null", "", 0, 1, 0,
     "Set to 1 to zero the position counters as soon as the motor stands still.", false},
};

// Where a chip family's module declares other limits (and powers up with other values) than the
// common ones above.
struct FamilyLimit
{
    int variant;
    const char *key;
    qint64 minimum;
    qint64 maximum;
    qint64 value;
    const char *unit = nullptr; // another unit than the common one
};

const FamilyLimit familyLimits[] = {
    // Birch: 11-bit velocity and acceleration in the chip's own units, scaled by two
    // power-of-two divisors (the power-up values give about 1500 pps and 5800 pps²).
    {PluginVariant::StepperBirchPositionMode, ParameterType::cmd_MaxVelocity, 0, 2047, 200, ""},
    {PluginVariant::StepperBirchPositionMode, ParameterType::cmd_MaxAcceleration, 0, 2047, 100, ""},
    {PluginVariant::StepperBirchPositionMode, ParameterType::cmd_ActualVelocity, -2047, 2047, 0,
     ""},
    {PluginVariant::StepperBirchPositionMode, ParameterType::cmd_PulseDivisor, 0, 13, 5},
    {PluginVariant::StepperBirchPositionMode, ParameterType::cmd_RampDivisor, 0, 13, 8},
    // Hazel: powers up on the S-shaped ramp, with bows that round its corners visibly.
    {PluginVariant::StepperHazelPositionMode, ParameterType::cmd_SShapedRamp, 0, 1, 1},
    {PluginVariant::StepperHazelPositionMode, ParameterType::cmd_Bow1, 1, 16777215, 4000},
    {PluginVariant::StepperHazelPositionMode, ParameterType::cmd_Bow2, 1, 16777215, 3000},
    {PluginVariant::StepperHazelPositionMode, ParameterType::cmd_Bow3, 1, 16777215, 3000},
    {PluginVariant::StepperHazelPositionMode, ParameterType::cmd_Bow4, 1, 16777215, 4000},
    // Maple: one band below V1 with its own acceleration and deceleration.
    {PluginVariant::StepperMaplePositionMode, ParameterType::cmd_V1, 0, 1048575, 800},
    {PluginVariant::StepperMaplePositionMode, ParameterType::cmd_A1, 0, 1048575, 3000},
    {PluginVariant::StepperMaplePositionMode, ParameterType::cmd_D1, 1, 1048575, 3000},
    // Larch: an eight-point ramp with 18-bit start and stop and 16-bit accelerations.
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_StartVelocity, 0, 262143, 0},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_StopVelocity, 1, 262143, 10},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_V1, 0, 1048575, 600},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_V2, 0, 1048575, 1200},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_MaxAcceleration, 1, 65535, 1500},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_MaxDeceleration, 1, 65535, 1500},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_A1, 0, 65535, 2500},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_A2, 0, 65535, 2000},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_D1, 1, 65535, 2500},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_D2, 1, 65535, 2000},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_TVMAX, 0, 65535, 0},
    {PluginVariant::StepperLarchPositionMode, ParameterType::cmd_TZEROWAIT, 0, 65535, 0},
    // Rowan: 28-bit velocities and a 24-bit acceleration.
    {PluginVariant::StepperRowanPositionMode, ParameterType::cmd_MaxVelocity, 0, 268435455, 2000},
    {PluginVariant::StepperRowanPositionMode, ParameterType::cmd_MaxAcceleration, 1, 16777215,
     1500},
    {PluginVariant::StepperRowanPositionMode, ParameterType::cmd_StartStopVelocity, 0, 268435455,
     0},
};

Model::ParameterInfo infoOf(const Definition &d)
{
    Model::ParameterInfo info;
    info.key = QLatin1String(d.key);
    info.displayName = QString::fromUtf8(d.name);
    info.unit = QString::fromUtf8(d.unit);
    info.description = QString::fromUtf8(d.description);
    info.minimum = d.minimum;
    info.maximum = d.maximum;
    info.defaultValue = d.value;
    info.readOnly = d.readOnly;
    if (info.key == QLatin1String(ParameterType::cmd_RelativePositioningOption))
        info.choices = QStringList{QObject::tr("Target position"), QObject::tr("Actual position")};
    else if (info.key == QLatin1String(ParameterType::cmd_SShapedRamp))
        info.choices = QStringList{QObject::tr("Off"), QObject::tr("On")};
    return info;
}

} // namespace

SimulatedModule::SimulatedModule(int motorCount, QObject *parent)
    : AxilModuleInterface(parent), m_firmwareName(QLatin1String(FirmwareNames::Quorlen))
{
    // Every motor starts from the same registers: one table, shared until a motor changes it.
    QHash<QString, Register> registers;
    for (const Definition &d : definitions) {
        Register r;
        r.info = infoOf(d);
        r.value = d.value;
        registers.insert(r.info.key, r);
    }
    m_motors.resize(size_t(qMax(0, motorCount)));
    for (size_t i = 0; i < m_motors.size(); ++i) {
        Motor &m = m_motors[i];
        m.registers = registers;
        m.controller = new AxisController(this, static_cast<unsigned char>(i), this);
    }
}

SimulatedModule::~SimulatedModule() = default;

SimulatedModule::Motor *SimulatedModule::motorAt(unsigned char motor)
{
    return motor < m_motors.size() ? &m_motors[motor] : nullptr;
}

const SimulatedModule::Motor *SimulatedModule::motorAt(unsigned char motor) const
{
    return motor < m_motors.size() ? &m_motors[motor] : nullptr;
}

void SimulatedModule::setPluginVariant(unsigned char motor, int variant)
{
    Motor *m = motorAt(motor);
    if (!m)
        return;
    m->variant = variant;
    m->stale = true;
    for (const FamilyLimit &limit : familyLimits) {
        if (limit.variant != variant)
            continue;
        const QString key = QLatin1String(limit.key);
        Register &r = m->registers[key];
        r.value = limit.value;
        r.info.defaultValue = limit.value;
        if (limit.unit)
            r.info.unit = QString::fromUtf8(limit.unit);
        setLimits(motor, key, limit.minimum, limit.maximum);
        // The host reads a module's values when it connects: its parameters start from the
        // family's power-up values, not from the common ones.
        if (Model::AxilParameter *p = m->controller->parameter(key); p && r.present)
            p->readValue(false);
    }
}

int SimulatedModule::pluginVariant(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    return m ? m->variant : 0;
}

void SimulatedModule::setChipName(unsigned char motor, const QString &name)
{
    if (Motor *m = motorAt(motor))
        m->chipName = name;
}

QString SimulatedModule::getChipName(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    return m ? m->chipName : QString();
}

void SimulatedModule::setModuleNameInFirmware(const QString &name)
{
    m_firmwareName = name;
}

void SimulatedModule::removeParameter(unsigned char motor, const QString &key)
{
    Motor *m = motorAt(motor);
    if (m && m->registers.contains(key)) {
        m->registers[key].present = false;
        m->stale = true;
    }
}

void SimulatedModule::setLimits(unsigned char motor, const QString &key, qint64 minimum,
                                qint64 maximum)
{
    Motor *m = motorAt(motor);
    if (!m || !m->registers.contains(key))
        return;
    Register &r = m->registers[key];
    r.info.minimum = minimum;
    r.info.maximum = maximum;
    if (Model::AxilParameter *p = m->controller->parameter(key))
        p->setInfo(r.info);
}

Model::AxilParameter *SimulatedModule::parameter(unsigned char motor, const QString &key) const
{
    const Motor *m = motorAt(motor);
    return m ? m->controller->parameter(key) : nullptr;
}

qint64 SimulatedModule::registerValue(const Motor &m, const char *key) const
{
    return m.registers.value(QLatin1String(key)).value;
}

void SimulatedModule::setRegister(Motor &m, const char *key, qint64 value)
{
    auto it = m.registers.find(QLatin1String(key));
    if (it != m.registers.end())
        it->value = value;
}

qint64 SimulatedModule::moduleValue(unsigned char motor, const QString &key) const
{
    const Motor *m = motorAt(motor);
    return m ? m->registers.value(key).value : 0;
}

void SimulatedModule::setModuleValue(unsigned char motor, const QString &key, qint64 value)
{
    Motor *m = motorAt(motor);
    if (!m || !m->registers.contains(key))
        return;
    m->registers[key].value = value;
    m->stale = true;
    if (key == actualPositionKey)
        m->motion.setPosition(value);
}

RampProfile SimulatedModule::ramp(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    if (!m)
        return RampProfile();
    return m->stale ? rampOf(*m) : m->ramp;
}

int SimulatedModule::readCount(unsigned char motor, const QString &key) const
{
    const Motor *m = motorAt(motor);
    return m ? m->reads.value(key) : 0;
}

const MotionAxis &SimulatedModule::motion(unsigned char motor) const
{
    static const MotionAxis none;
    const Motor *m = motorAt(motor);
    return m ? m->motion : none;
}

AxisController *SimulatedModule::controller(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    return m ? m->controller : nullptr;
}

Model::ParameterInfo SimulatedModule::describeParameter(unsigned char motor,
                                                        const QString &key) const
{
    const Motor *m = motorAt(motor);
    if (m && m->registers.contains(key))
        return m->registers.value(key).info;
    Model::ParameterInfo info;
    info.key = key;
    info.displayName = key;
    return info;
}

bool SimulatedModule::hasParameter(unsigned char motor, const QString &key) const
{
    const Motor *m = motorAt(motor);
    if (!m)
        return false;
    auto it = m->registers.constFind(key);
    return it != m->registers.cend() && it->present;
}

void SimulatedModule::record(const QString &line)
{
    // A shuttling motor journals a line per trip for as long as the module runs.
    if (m_journal.size() >= journalLimit)
        m_journal.erase(m_journal.begin(), m_journal.begin() + (journalLimit / 10));
    m_journal.append(line);
    ++m_journalCount;
}

bool SimulatedModule::refuse(const QString &line, const QString &why)
{
    record(QLatin1String("refused ") + line);
    reportProblem(why);
    return false;
}

bool SimulatedModule::readParameter(unsigned char motor, const QString &key, qint64 *value)
{
    Motor *m = motorAt(motor);
    if (!m || !hasParameter(motor, key)) {
        reportProblem(tr("Motor %1 has no parameter %2; nothing was read.").arg(motor).arg(key));
        return false;
    }
    ++m->reads[key];
    *value = m->registers.constFind(key)->value; // present: hasParameter said so
    return true;
}

bool SimulatedModule::writeParameter(unsigned char motor, const QString &key, qint64 value)
{
    const QString line = QStringLiteral("write %1 %2 %3").arg(motor).arg(key).arg(value);
    Motor *m = motorAt(motor);
    if (!m || !hasParameter(motor, key))
        return refuse(line,
                      tr("Motor %1 has no parameter %2; nothing was written.").arg(motor).arg(key));
    Register &r = m->registers[key];
    if (r.info.readOnly)
        return refuse(line, tr("%1 of motor %2 is read-only; %3 was not written.")
                                .arg(r.info.displayName)
                                .arg(motor)
                                .arg(value));
    if (value < r.info.minimum || value > r.info.maximum)
        return refuse(line, tr("%1 of motor %2 must lie between %3 and %4; the module refused "
                               "%5.")
                                .arg(r.info.displayName)
                                .arg(motor)
                                .arg(r.info.minimum)
                                .arg(r.info.maximum)
                                .arg(value));
    record(line);
    const bool changed = r.value != value;
    r.value = value;
    m->stale = true;
    if (key == actualPositionKey)
        m->motion.setPosition(value);
    else if (key == targetPositionKey)
        m->retarget = m->motion.isPositioning();
    else if (changed && isRampKey(key) && !m->motion.isAtRest() && !m->rampNoticeGiven) {
        // A move is planned when it starts: say so once per move, where the person looks.
        m->rampNoticeGiven = true;
        reportProblem(tr("Motor %1 is moving: the new %2 applies from its next move; the move "
                         "under way keeps its ramp.")
                          .arg(motor)
                          .arg(r.info.displayName.toLower()));
    }
    return true;
}

bool SimulatedModule::isRampKey(const QString &key)
{
    using namespace ParameterType;
    static const QSet<QString> others{
        QLatin1String(cmd_TargetPosition),  QLatin1String(cmd_ActualPosition),
        QLatin1String(cmd_ActualVelocity),  QLatin1String(cmd_RelativePositioningOption),
        QLatin1String(cmd_EncoderPosition), QLatin1String(cmd_ChipStandby),
        QLatin1String(cmd_ExternalStepDir), QLatin1String(cmd_ClearOnNull)};
    return !others.contains(key);
}

bool SimulatedModule::commandAllowed(unsigned char motor, const QString &line)
{
    const Motor *m = motorAt(motor);
    if (!m)
        return refuse(line, tr("This module has no motor %1.").arg(motor));
    if (registerValue(*m, ParameterType::cmd_ChipStandby) != 0)
        return refuse(line, tr("Motor %1 did not move: its driver chip is in standby.").arg(motor));
    if (registerValue(*m, ParameterType::cmd_ExternalStepDir) == 1)
        return refuse(line, tr("Motor %1 did not move: an external step/direction input drives "
                               "it.")
                                .arg(motor));
    return true;
}

void SimulatedModule::startMove(unsigned char motor, qint64 target)
{
    Motor &m = m_motors[motor];
    setRegister(m, ParameterType::cmd_TargetPosition, target);
    m.retarget = false;
    m.rampNoticeGiven = false;
    m.motion.moveTo(target);
}

bool SimulatedModule::moveToPosition(unsigned char motor, int position)
{
    const QString line = QStringLiteral("move %1 %2").arg(motor).arg(position);
    if (!commandAllowed(motor, line))
        return false;
    record(line);
    startMove(motor, position);
    return true;
}

bool SimulatedModule::moveToRelPosition(unsigned char motor, int distance)
{
    const QString line = QStringLiteral("moveRel %1 %2").arg(motor).arg(distance);
    if (!commandAllowed(motor, line))
        return false;
    const Motor &m = m_motors[motor];
    const bool fromActual = registerValue(m, ParameterType::cmd_RelativePositioningOption) != 0;
    const qint64 base =
        fromActual ? m.motion.position() : registerValue(m, ParameterType::cmd_TargetPosition);
    // The target register may hold anything the module was given; do not let the sum overflow.
    const bool outside = (distance > 0 && base > int32Max - distance) ||
                         (distance < 0 && base < int32Min - distance);
    const qint64 target = outside ? 0 : base + distance;
    if (outside || target < int32Min || target > int32Max)
        return refuse(line, tr("Motor %1 did not move: %2 %3 %4 steps lies outside the position "
                               "range.")
                                .arg(motor)
                                .arg(base)
                                .arg(distance < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                                .arg(std::abs(qint64(distance))));
    record(line);
    startMove(motor, target);
    return true;
}

bool SimulatedModule::motorStop(unsigned char motor)
{
    const QString line = QStringLiteral("stop %1").arg(motor);
    Motor *m = motorAt(motor);
    if (!m)
        return refuse(line, tr("This module has no motor %1.").arg(motor));
    record(line);
    m->retarget = false;
    m->motion.stop();
    return true;
}

double SimulatedModule::presentValue(const Motor &m, const char *key)
{
    auto it = m.registers.constFind(QLatin1String(key));
    return it != m.registers.cend() && it->present ? double(it->value) : 0.0;
}

MotionAxis::Ramp SimulatedModule::rampOf(const Motor &m, double *velocityUnit)
{
    const auto value = [&m](const char *key) {
        return presentValue(m, key);
    };
    const auto present = [&m](const char *key) {
        auto it = m.registers.constFind(QLatin1String(key));
        return it != m.registers.cend() && it->present;
    };
    using namespace ParameterType;
    MotionAxis::Ramp r;
    r.maxVelocity = value(cmd_MaxVelocity);
    r.acceleration = value(cmd_MaxAcceleration);
    r.deceleration = present(cmd_MaxDeceleration) ? value(cmd_MaxDeceleration) : r.acceleration;
    double unit = 1;
    switch (m.variant) {
    case PluginVariant::StepperLarchPositionMode:
        r.startVelocity = value(cmd_StartVelocity);
        r.stopVelocity = value(cmd_StopVelocity);
        r.v1 = value(cmd_V1);
        r.a1 = value(cmd_A1);
        r.d1 = value(cmd_D1);
        r.v2 = value(cmd_V2);
        r.a2 = value(cmd_A2);
        r.d2 = value(cmd_D2);
        r.leastTopTime = value(cmd_TVMAX) / 1000;
        r.zeroWait = value(cmd_TZEROWAIT) / 1000;
        break;
    case PluginVariant::StepperMaplePositionMode:
        r.startVelocity = value(cmd_StartVelocity);
        r.stopVelocity = value(cmd_StopVelocity);
        r.v1 = value(cmd_V1);
        r.a1 = value(cmd_A1);
        r.d1 = value(cmd_D1);
        r.zeroWait = value(cmd_TZEROWAIT) / 1000;
        break;
    case PluginVariant::StepperHazelPositionMode:
        r.startVelocity = value(cmd_StartVelocity);
        r.stopVelocity = value(cmd_StopVelocity);
        r.stopDeceleration = value(cmd_StopDeceleration);
        r.sShaped = value(cmd_SShapedRamp) != 0;
        if (r.sShaped) {
            r.bow1 = value(cmd_Bow1);
            r.bow2 = value(cmd_Bow2);
            r.bow3 = value(cmd_Bow3);
            r.bow4 = value(cmd_Bow4);
        } else {
            // Below the break velocity the start acceleration and the final deceleration apply.
            r.v1 = value(cmd_BreakVelocity);
            r.a1 = value(cmd_StartAcceleration);
            r.d1 = value(cmd_FinalDeceleration);
        }
        break;
    case PluginVariant::StepperBirchPositionMode: {
        // Velocity and acceleration are in the chip's units; so is the velocity register.
        const qint64 p = qint64(value(cmd_PulseDivisor));
        const qint64 rampDivisor = qint64(value(cmd_RampDivisor));
        r.maxVelocity = birchVelocityPps(qint64(r.maxVelocity), p);
        r.acceleration = birchAccelerationPps2(qint64(value(cmd_MaxAcceleration)), p, rampDivisor);
        r.deceleration = r.acceleration;
        unit = birchVelocityUnit(p);
        break;
    }
    case PluginVariant::StepperRowanPositionMode:
        r.deceleration = r.acceleration;
        r.startVelocity = value(cmd_StartStopVelocity);
        r.stopVelocity = r.startVelocity;
        break;
    default:
        break;
    }
    if (velocityUnit)
        *velocityUnit = unit;
    return r;
}

bool SimulatedModule::isBlocked(const Motor &m)
{
    return presentValue(m, ParameterType::cmd_ChipStandby) != 0 ||
           presentValue(m, ParameterType::cmd_ExternalStepDir) == 1;
}

void SimulatedModule::refresh(Motor &m)
{
    m.ramp = rampOf(m, &m.velocityUnit);
    m.clearRequested = presentValue(m, ParameterType::cmd_ClearOnNull) != 0;
    m.blocked = isBlocked(m);
}

void SimulatedModule::stepMotor(Motor &m, double seconds)
{
    m.motion.step(seconds, m.ramp);
    // "Clear on null": once requested, the counters are zeroed as soon as the motor is at rest.
    if (m.clearRequested && m.motion.isAtRest()) {
        m.motion.setPosition(0);
        // A motor holding its target would otherwise drive back to it from the new zero.
        if (m.motion.isPositioning())
            m.motion.moveTo(0);
        setRegister(m, ParameterType::cmd_TargetPosition, 0);
        setRegister(m, ParameterType::cmd_EncoderPosition, 0);
        setRegister(m, ParameterType::cmd_ClearOnNull, 0);
        m.clearRequested = false;
    }
}

void SimulatedModule::advance(int milliseconds)
{
    for (Motor &m : m_motors) {
        if (m.stale) {
            refresh(m);
            m.stale = false;
        }
        // A chip in standby, or driven by an external step/direction input, does not follow the
        // ramp generator: a move under way is stopped, and a new target starts nothing.
        if (m.blocked && m.motion.isPositioning())
            m.motion.stop();
        if (m.retarget) {
            // While a clear on null is pending the move under way finishes where it was headed.
            m.retarget = false;
            if (!m.clearRequested && m.motion.isPositioning())
                m.motion.moveTo(registerValue(m, ParameterType::cmd_TargetPosition));
        }
        if (m.motion.isAtRest())
            m.rampNoticeGiven = false;
        if (!m.motion.needsTime() && !m.clearRequested)
            continue; // a standing motor keeps its registers as they are
        for (int i = 0; i < milliseconds; ++i)
            stepMotor(m, 0.001);
        m.registers[actualPositionKey].value = m.motion.position();
        m.registers[actualVelocityKey].value = std::llround(m.motion.velocity() / m.velocityUnit);
    }
    pollTraces();
    emit advanced();
}

PlannedMove SimulatedModule::plannedMove(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    const MotionAxis::Course *course = m ? m->motion.course() : nullptr;
    return course ? pointsOf(*course, m->motion.courseTime()) : PlannedMove();
}

PlannedMove SimulatedModule::previewMove(unsigned char motor, qint64 target) const
{
    const Motor *m = motorAt(motor);
    if (!m || isBlocked(*m))
        return PlannedMove();
    return pointsOf(m->motion.planFor(target, ramp(motor)), 0);
}

std::optional<PlannedMove::Point> SimulatedModule::plannedNow(unsigned char motor) const
{
    const Motor *m = motorAt(motor);
    const MotionAxis::Course *course = m ? m->motion.course() : nullptr;
    if (!course)
        return std::nullopt;
    const double time = m->motion.courseTime();
    const RampPlan::State s = course->plan.at(time);
    return PlannedMove::Point{time, course->position(s), course->direction * s.velocity};
}

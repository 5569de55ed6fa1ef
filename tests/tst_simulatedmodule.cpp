// The simulated module: every chip family's motor under seeded random commands, checked every
// millisecond against the ramp that the module reports; then what it refuses and journals.
// SIM_SEED picks one seed; a failure names the family, the seed and the last commands.

#include "parametertype.h"
#include "pluginvariant.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace ParameterType;
using Field = double RampProfile::*;

namespace {
const QString targetKey = QLatin1String(cmd_TargetPosition);
const QString actualKey = QLatin1String(cmd_ActualPosition);

// What a register sets in the ramp: a Birch's velocity and acceleration aside (chip units).
struct Meaning
{
    const char *key;
    Field field, also;
    double per; // register units per ramp unit
};
// clang-format off
const Meaning meanings[] = {
    {cmd_MaxVelocity, &RampProfile::maxVelocity, nullptr, 1},
    {cmd_MaxAcceleration, &RampProfile::acceleration, nullptr, 1},
    {cmd_MaxDeceleration, &RampProfile::deceleration, nullptr, 1},
    {cmd_StartVelocity, &RampProfile::startVelocity, nullptr, 1},
    {cmd_StopVelocity, &RampProfile::stopVelocity, nullptr, 1},
    {cmd_StartStopVelocity, &RampProfile::startVelocity, &RampProfile::stopVelocity, 1},
    {cmd_V1, &RampProfile::v1, nullptr, 1}, {cmd_BreakVelocity, &RampProfile::v1, nullptr, 1},
    {cmd_A1, &RampProfile::a1, nullptr, 1}, {cmd_StartAcceleration, &RampProfile::a1, nullptr, 1},
    {cmd_D1, &RampProfile::d1, nullptr, 1}, {cmd_FinalDeceleration, &RampProfile::d1, nullptr, 1},
    {cmd_V2, &RampProfile::v2, nullptr, 1}, {cmd_A2, &RampProfile::a2, nullptr, 1},
    {cmd_D2, &RampProfile::d2, nullptr, 1}, {cmd_StopDeceleration, &RampProfile::stopDeceleration, nullptr, 1},
    {cmd_Bow1, &RampProfile::bow1, nullptr, 1}, {cmd_Bow2, &RampProfile::bow2, nullptr, 1},
    {cmd_Bow3, &RampProfile::bow3, nullptr, 1}, {cmd_Bow4, &RampProfile::bow4, nullptr, 1},
    {cmd_TVMAX, &RampProfile::leastTopTime, nullptr, 1000}, {cmd_TZEROWAIT, &RampProfile::zeroWait, nullptr, 1000}};

const Field fields[] = {&RampProfile::maxVelocity, &RampProfile::acceleration, &RampProfile::deceleration,
    &RampProfile::startVelocity, &RampProfile::stopVelocity, &RampProfile::v1, &RampProfile::a1, &RampProfile::d1,
    &RampProfile::v2, &RampProfile::a2, &RampProfile::d2, &RampProfile::bow1, &RampProfile::bow2, &RampProfile::bow3,
    &RampProfile::bow4, &RampProfile::stopDeceleration, &RampProfile::leastTopTime, &RampProfile::zeroWait};

// Each family's ramp registers, "key=lowest:highest" without the "par::".
#define TRAPEZOID "MaxVelocity=500:5000 MaxAcceleration=500:20000 MaxDeceleration=500:20000 "
#define BANDED TRAPEZOID "StartVelocity=0:400 StopVelocity=1:400 "
#define LARCH BANDED "TZEROWAIT=0:300 TVMAX=0:300 A1=500:20000 A2=500:20000 D1=500:20000 D2=500:20000 "
#define HAZEL BANDED "StopDeceleration=0:20000 "
const std::pair<const char *, int> families[] = {
    {"Cedar " TRAPEZOID, PluginVariant::StepperCedarPositionMode},
    {"Birch PulseDivisor=3:5 RampDivisor=7:10 MaxVelocity=20:400 MaxAcceleration=20:500", PluginVariant::StepperBirchPositionMode},
    {"Maple " BANDED "TZEROWAIT=0:300 V1=0:2000 A1=500:20000 D1=500:20000", PluginVariant::StepperMaplePositionMode},
    {"Larch " LARCH "V1=100:1500 V2=1500:3000", PluginVariant::StepperLarchPositionMode},
    {"Larch_trapezoid " LARCH "V1=0:0 V2=0:0", PluginVariant::StepperLarchPositionMode},
    {"Hazel " HAZEL "SShapedRamp=0:0 BreakVelocity=0:2000 StartAcceleration=500:20000 FinalDeceleration=500:20000", PluginVariant::StepperHazelPositionMode},
    {"Hazel_S " HAZEL "SShapedRamp=1:1 BOW1=5000:200000 BOW2=5000:200000 BOW3=5000:200000 BOW4=5000:200000", PluginVariant::StepperHazelPositionMode},
    {"Rowan MaxVelocity=500:5000 MaxAcceleration=500:20000 StartStopVelocity=0:400", PluginVariant::StepperRowanPositionMode}};
// clang-format on

double decelerationOf(const RampProfile &r)
{
    return r.deceleration > 0 ? r.deceleration : r.acceleration;
}

// The rates of the velocity bands of a banded ramp that a change from a to b passes through.
std::pair<double, double> bandRates(const RampProfile &r, double a, double b, bool up)
{
    const double b1 = std::max(r.v1, 0.0), b2 = r.v2 > 0 ? std::max(b1, r.v2) : b1;
    const auto rate = [&](double v) {
        return v < b1   ? (up ? r.a1 : r.d1)
               : v < b2 ? (up ? r.a2 : r.d2)
                        : (up ? r.acceleration : decelerationOf(r));
    };
    double low = std::min(rate(a), rate(b)), high = std::max(rate(a), rate(b));
    for (double border : {b1, b2})
        if (border > std::min(a, b) && border < std::max(a, b))
            low = std::min(low, rate(border)), high = std::max(high, rate(border));
    return {low, high};
}

// What the ramps in effect since the motor last stood for good allow.
struct Bounds
{
    double vmax = 0, steepest = 0, startStop = 0, overshoot = 0, waitLow = 1e9, waitHigh = 0;
    Bounds(const RampProfile &r = {}) { add(r); }
    void add(const RampProfile &r)
    {
        vmax = std::max(vmax, r.maxVelocity);
        steepest = std::max({steepest, r.acceleration, decelerationOf(r), r.a1, r.a2, r.d1, r.d2,
                             r.stopDeceleration});
        startStop = std::max({startStop, r.startVelocity, r.stopVelocity});
        // An S-ramp's acceleration under way returns to 0 at bow 2 before it may brake.
        if (r.sShaped)
            overshoot = std::max(
                overshoot, std::pow(std::max(r.acceleration, decelerationOf(r)), 2) / (2 * r.bow2));
        waitLow = std::min(waitLow, r.zeroWait);
        waitHigh = std::max(waitHigh, r.zeroWait);
    }
};

#define EXPECT(c)                                                                                  \
    do {                                                                                           \
        if (!(c))                                                                                  \
            return fail(#c, __LINE__);                                                             \
    } while (false)

class Run
{
public:
    Run(int family, quint32 seed) : variant(families[family].second), seed(seed), rng(seed)
    {
        settings = QString::fromLatin1(families[family].first).split(' ', Qt::SkipEmptyParts);
        name = settings.takeFirst();
    }
    QString fault;

    bool go(int commands)
    {
        module.setPluginVariant(0, variant);
        if (name == "Cedar" && pick(0, 2) == 0) { // without it, the acceleration brakes too
            module.removeParameter(0, QLatin1String(cmd_MaxDeceleration));
            settings.removeLast();
        }
        for (const QString &setting : settings)
            EXPECT(writeSetting(setting));
        for (int i = 0; i < commands; ++i) {
            EXPECT(command());
            for (int ms = pick(1, pick(0, 2) ? 3000 : 300); ms > 0; --ms)
                EXPECT(tick());
        }
        return settle();
    }

private:
    bool fail(const char *what, int line)
    {
        if (fault.isEmpty()) // the innermost check, not its callers
            fault =
                QString::asprintf("%s (line %d), %s seed %u (SIM_SEED=%u) at %d ms after: %s", what,
                                  line, qPrintable(name), seed, seed, now,
                                  qPrintable(log.mid(std::max(0, int(log.size()) - 8)).join("; ")));
        return false;
    }
    int pick(int low, int high) { return rng.bounded(low, high + 1); }
    qint64 reg(const char *key) const { return module.moduleValue(0, QLatin1String(key)); }
    bool sent(bool accepted, bool expected, const QString &line)
    {
        log << line;
        EXPECT(accepted == expected && module.journalCount() == ++journalCount &&
               module.journal().last() == (expected ? line : "refused " + line));
        return true;
    }
    // A ramp value changed during a move applies from the next one, which is said once a move.
    bool write(const QString &key, qint64 value)
    {
        const bool say = !said && !module.motion(0).isAtRest() && values.contains(key) &&
                         module.moduleValue(0, key) != value;
        const int before = reports.count();
        EXPECT(sent(module.writeParameter(0, key, value), true,
                    QStringLiteral("write 0 %1 %2").arg(key).arg(value)));
        EXPECT(reports.count() == before + say &&
               (!say || reports.last().first().toString().contains("next move")));
        said = said || say;
        return true;
    }

    // A random value in the setting's range; then the ramp must mean what the registers say.
    bool writeSetting(const QString &setting)
    {
        const QStringList n = setting.split(QRegularExpression("[=:]"));
        values["par::" + n[0]] = pick(n[1].toInt(), n[2].toInt());
        EXPECT(write("par::" + n[0], values["par::" + n[0]]));
        ramp = module.ramp(0);
        bounds.add(ramp);
        if (values.size() < settings.size())
            return true; // still configuring
        RampProfile want, got = ramp;
        want.sShaped = values.value(cmd_SShapedRamp) == 1;
        for (const Meaning &m : meanings)
            for (Field f : {m.field, m.also})
                if (f && values.contains(m.key))
                    want.*f = values[m.key] / m.per;
        if (name == "Birch")
            want.maxVelocity = got.maxVelocity, want.acceleration = got.acceleration;
        want.deceleration = decelerationOf(want), got.deceleration = decelerationOf(got);
        for (Field f : fields)
            EXPECT(want.*f == got.*f);
        EXPECT(want.sShaped == got.sShaped);
        return true;
    }

    bool command()
    {
        const MotionAxis &m = module.motion(0);
        quiet = stopping = false;
        const int what = pick(0, 99);
        if (what < 40) {
            const bool relative = what >= 25;
            const int to = relative ? pick(-2000, 2000) : pick(-3000, 3000);
            const qint64 base = reg(cmd_RelativePositioningOption) ? m.position() : targetRegister;
            EXPECT(relative ? sent(module.moveToRelPosition(0, to), !blocked,
                                   QStringLiteral("moveRel 0 %1").arg(to))
                            : sent(module.moveToPosition(0, to), !blocked,
                                   QStringLiteral("move 0 %1").arg(to)));
            said = said && blocked;
            if (!blocked)
                positioning = true, target = targetRegister = relative ? base + to : to;
        } else if (what < 50) {
            const int to = pick(-3000, 3000);
            EXPECT(write(targetKey, to));
            targetRegister = to;
            if (positioning && !clearPending) // redirects a move, starts none
                target = to;
        } else if (what < 58) {
            EXPECT(sent(module.motorStop(0), true, QStringLiteral("stop 0")));
            stop();
            if (what < 54) // as Clear does: the counter set before the stop is planned
                EXPECT(write(actualKey, x = pick(-3000, 3000)));
        } else if (what < 70) {
            EXPECT(writeSetting(settings[pick(0, int(settings.size()) - 1)]));
        } else if (what < 74) {
            EXPECT(write(actualKey, x = pick(-3000, 3000)));
        } else if (what < 80) {
            EXPECT(what < 77 ? write(QLatin1String(cmd_EncoderPosition), pick(-3000, 3000))
                             : write(QLatin1String(cmd_RelativePositioningOption), pick(0, 1)));
        } else if (what < 86) {
            EXPECT(write(QLatin1String(cmd_ClearOnNull), 1));
            clearPending = true;
        } else if (what < 92) {
            // The module's own change: a blocked chip stops the move and starts none.
            const int standby = pick(0, 5) == 0 ? pick(1, 2) : 0, stepDir = pick(0, 3) % 3;
            module.setModuleValue(0, QLatin1String(cmd_ChipStandby), standby);
            module.setModuleValue(0, QLatin1String(cmd_ExternalStepDir), stepDir);
            log << QStringLiteral("standby %1 step/dir %2").arg(standby).arg(stepDir);
            blocked = standby != 0 || stepDir == 1;
            if (blocked && positioning)
                stop();
        } else {
            log << QStringLiteral("settle");
            return settle();
        }
        return true;
    }

    void stop()
    {
        positioning = false;
        // A stop under way goes on as planned.
        stopping = v != 0 && module.motion(0).mode() != MotionAxis::Mode::Stopping;
        stopRamp = ramp;
        stopFrom = std::abs(v);
    }

    // Time runs until nothing is left to do: a move under way ends on its target. A stop
    // deceleration of a few pps² takes minutes.
    bool settle()
    {
        for (int ms = 0; ms < 600000 && (module.motion(0).needsTime() || clearPending); ++ms)
            EXPECT(tick());
        EXPECT(!module.motion(0).needsTime() && !clearPending && v == 0);
        EXPECT(!positioning || (x == double(target) && reg(cmd_ActualPosition) == target));
        return true;
    }

    bool tick()
    {
        const MotionAxis &m = module.motion(0);
        const double x0 = x, v0 = v, dt = 0.001, steepest = bounds.steepest;
        module.advance(1);
        ++now;
        x = m.exactPosition();
        v = m.velocity();
        const double a = m.acceleration();
        const bool still = v0 == 0 || v == 0;
        const double jump = std::hypot(bounds.startStop, std::sqrt(steepest)) + steepest * dt;
        // A step from or to rest may take the start velocity for all of it (a move shorter than a
        // step), and the last half step is taken at once.
        const double reach =
            (std::max(std::abs(v0), std::abs(v)) + steepest * dt + (still ? bounds.startStop : 0)) *
                dt +
            0.5;
        if (clearPending && reg(cmd_ClearOnNull) == 0) {
            // Zeroed at rest, on the target of a move, and left standing there.
            EXPECT(v == 0 && x == 0 && m.isAtRest() && reg(cmd_EncoderPosition) == 0);
            EXPECT(!positioning || std::abs(x0 - double(target)) <= reach + 1e-6);
            clearPending = false;
            target = targetRegister = 0;
        } else {
            EXPECT(std::abs(x - x0) <= reach + 1e-6);
            EXPECT(std::abs(v - v0) <= steepest * dt + 1e-6 + (still ? jump : 0));
        }
        EXPECT(!(clearPending && m.isAtRest()));
        // A moving motor is where the plan it follows, as the module tells it, has it (a plan may
        // reach 0 a hair before its end).
        const std::optional<PlannedMove::Point> planned = module.motionPlans()->plannedNow(0);
        EXPECT(planned.has_value() || v == 0);
        EXPECT(!planned ||
               (std::abs(planned->position - x) < 1e-6 && std::abs(planned->velocity - v) < 1e-6));
        EXPECT(v0 * v >= 0); // turning round goes through rest
        EXPECT(std::abs(v) <= bounds.vmax + bounds.overshoot + 1e-6);
        EXPECT(m.isPositioning() == positioning && (!positioning || m.target() == target));
        const double unit =
            name == "Birch" ? 16e6 / std::ldexp(65536, values["par::PulseDivisor"]) : 1;
        EXPECT(reg(cmd_ActualPosition) == m.position() &&
               reg(cmd_TargetPosition) == targetRegister &&
               reg(cmd_ActualVelocity) == std::llround(v / unit));
        if (stopping) {
            const double sd = stopRamp.stopDeceleration, dv = (std::abs(v0) - std::abs(v)) / dt;
            const auto [low, high] = bandRates(stopRamp, std::abs(v0), std::abs(v), false);
            if (sd > 0) // a stop command's own linear ramp, where the family has one
                EXPECT(v == 0 ? dv <= sd + 1e-3 : std::abs(dv - sd) < 1e-3);
            else if (stopRamp.sShaped) // no faster, unless an acceleration under way must end
                EXPECT(std::abs(v) <= stopFrom + bounds.overshoot + 1e-6);
            else
                EXPECT(v == 0 || (dv >= low * (1 - 1e-9) - 1e-3 && dv <= high * (1 + 1e-9) + 1e-3));
            stopping = v != 0;
        }
        // A move from rest: the zero wait first; untouched until rest, it follows its ramp.
        if (v != 0 && v0 == 0) {
            EXPECT(now - standSince >= waitLow * 1000 - 1);
            quiet = true;
            moveRamp = ramp;
            segment.clear();
        }
        if (v != 0)
            segment.push_back({std::abs(v), v > 0 ? a : -a});
        if (v == 0 && v0 != 0) {
            standSince = now;
            waitLow = bounds.waitLow;
            EXPECT(!quiet || followsRamp());
        }
        standing = positioning && !blocked && v == 0 && x != double(target) ? standing + 1 : 0;
        EXPECT(standing <= bounds.waitHigh * 1000 + 2);
        if (m.isAtRest() && !m.needsTime())
            bounds = Bounds(ramp);
        said = said && !m.isAtRest();
        return true;
    }

    // A banded ramp changes the velocity at its band's rate, holds it only at the top (for TVMAX
    // at least, less the last half step); an S-shaped one changes the acceleration at the bow
    // of its phase.
    bool followsRamp()
    {
        const RampProfile &r = moveRamp;
        double peak = 0;
        for (const auto &s : segment)
            peak = std::max(peak, s.first);
        int held = 0;
        bool rose = false;
        for (size_t i = 1; i < segment.size(); ++i) {
            const double from = segment[i - 1].first, to = segment[i].first;
            const double dv = (to - from) * 1000, a = segment[i].second,
                         da = (a - segment[i - 1].second) * 1000;
            held += to == peak;
            rose = rose || dv > 0;
            if (r.sShaped) {
                const double bow = a > 0 ? (da > 0 ? r.bow1 : r.bow2) : (da < 0 ? r.bow3 : r.bow4);
                if (i + 1 < segment.size() && da != 0 &&
                    std::abs((segment[i + 1].second - a) * 1000 - da) < 1e-6)
                    EXPECT(std::abs(std::abs(da) - bow) < 1e-3 * bow);
                continue;
            }
            EXPECT(dv != 0 || to == peak);
            const auto [low, high] = bandRates(r, from, to, dv > 0);
            EXPECT(std::abs(dv) <= high * (1 + 1e-9) + 1e-3);
            const bool partial =
                dv > 0 ? to == peak || i + 1 == segment.size() || segment[i + 1].first <= to
                       : from == peak || i < 2 || segment[i - 2].first <= from;
            EXPECT(partial || std::abs(dv) >= low * (1 - 1e-9) - 1e-3);
        }
        EXPECT(!rose || held >= r.leastTopTime * 1000 - 2 - 500 / peak);
        return true;
    }

    const int variant;
    const quint32 seed;
    QRandomGenerator rng;
    QString name;
    QStringList settings, log;
    SimulatedModule module;
    QSignalSpy reports{&module, &SimulatedModule::report};
    QHash<QString, int> values; // the ramp registers written
    RampProfile ramp, moveRamp, stopRamp;
    Bounds bounds;
    std::vector<std::pair<double, double>> segment; // |v| and the acceleration along it
    double x = 0, v = 0, stopFrom = 0, waitLow = 0;
    qint64 target = 0, targetRegister = 0, journalCount = 0;
    int now = 0, standSince = 0, standing = 0;
    bool positioning = false, stopping = false, quiet = false, blocked = false,
         clearPending = false, said = false;
};
} // namespace

class TestSimulatedModule : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void randomCommands_data()
    {
        QTest::addColumn<int>("family");
        for (const auto &f : families)
            QTest::newRow(QByteArray(f.first).split(' ').first()) << int(&f - families);
    }

    void randomCommands()
    {
        QFETCH(int, family);
        bool one = false;
        const quint32 chosen = qEnvironmentVariable("SIM_SEED").toUInt(&one);
#ifdef __SANITIZE_ADDRESS__
        const int commands = 60;
#else
        const int commands = 400;
#endif
        for (const quint32 seed : one ? QList<quint32>{chosen} : QList<quint32>{1, 2, 3}) {
            Run run(family, seed);
            QVERIFY2(run.go(commands), qPrintable(run.fault));
        }
    }

    void movesFollowTheirPlans_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QStringList>("settings"); // "key=value"
        QHash<int, bool> variants;
        for (int family = 0; family < int(std::size(families)); ++family) {
            const QStringList settings =
                QString::fromLatin1(families[family].first).split(' ', Qt::SkipEmptyParts);
            if (!std::exchange(variants[families[family].second], true))
                QTest::newRow(qPrintable(settings[0] + " power-up")) << family << QStringList();
            // Each setting at an end of its range, the highest and the lowest in turn.
            QStringList ends;
            for (int i = 1; i < settings.size(); ++i) {
                const QStringList n = settings[i].split(QRegularExpression("[=:]"));
                ends << n[0] + '=' + n[i % 2 ? 2 : 1];
            }
            QTest::newRow(qPrintable(settings[0] + " ends")) << family << ends;
        }
    }

    // A move, a new target behind the motor under way (an overrun, braked and driven back to),
    // and a stop under way: every millisecond the motor is where the plan it follows has it, and
    // that plan's time runs on from the step that made it. A plan made by a command is the one
    // previewed just before it. At rest there is no plan, and no preview of a move that would
    // not start.
    void movesFollowTheirPlans()
    {
        QFETCH(int, family);
        QFETCH(QStringList, settings);
        SimulatedModule module;
        module.setPluginVariant(0, families[family].second);
        for (const QString &setting : settings)
            QVERIFY(module.writeParameter(0, "par::" + setting.section('=', 0, 0),
                                          setting.section('=', 1).toLongLong()));
        const MotionPlans *plans = module.motionPlans();
        const MotionAxis &motion = module.motion(0);
        QVERIFY(plans->plannedMove(0).isEmpty());
        PlannedMove made;   // by the last command
        double elapsed = 0; // of the plan followed, counted here
        bool fresh = true;  // the next plan is a new one
        const auto tick = [&]() -> QString {
            module.advance(1);
            const PlannedMove plan = plans->plannedMove(0);
            fresh = fresh || plan.isEmpty();
            if (plan.isEmpty())
                return motion.isMoving() ? QStringLiteral("moving without a plan") : QString();
            elapsed = fresh ? 0.001 : elapsed + 0.001;
            fresh = false;
            const PlannedMove::Point p = plan.at(plan.elapsed);
            if (std::abs(plan.elapsed - elapsed) < 1e-9 &&
                std::abs(p.position - motion.exactPosition()) <= 2 &&
                std::abs(p.velocity - motion.velocity()) <= 1)
                return {};
            return QString::asprintf(
                "%g s into the plan (%g by the plan): %g steps, %g pps planned, %g, %g made",
                elapsed, plan.elapsed, p.position, p.velocity, motion.exactPosition(),
                motion.velocity());
        };
        const auto run = [&](const std::function<bool()> &done) {
            for (int ms = 0; ms < 60000 && !done(); ++ms)
                if (const QString fault = tick(); !fault.isEmpty())
                    return fault;
            return done() ? QString() : QStringLiteral("not done in a minute");
        };
        const auto moveTo = [&](qint64 target) {
            const PlannedMove preview = plans->previewMove(0, target);
            QVERIFY(!preview.isEmpty());
            QVERIFY(module.moveToPosition(0, target));
            fresh = true;
            const QString fault = tick();
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
            const PlannedMove plan = plans->plannedMove(0);
            QCOMPARE(plan.duration(), preview.duration());
            QCOMPARE(plan.peakVelocity(), preview.peakVelocity());
            for (const double share : {0.1, 0.35, 0.6, 0.85}) {
                const auto a = plan.at(share * plan.duration()), b = preview.at(a.time);
                QVERIFY(a.position == b.position && a.velocity == b.velocity);
            }
            made = plan;
        };

        moveTo(3000);
        if (QTest::currentTestFailed())
            return;
        const PlannedMove first = made;
        // From rest onto the target, where it comes to rest.
        QCOMPARE(first.points.first().velocity, 0.0);
        QCOMPARE(first.points.last().velocity, 0.0);
        QCOMPARE(first.points.last().position, 3000.0);
        QString fault = run([&] { return elapsed >= first.duration() / 2; });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        moveTo(-1500);
        if (QTest::currentTestFailed())
            return;
        fault = run([&] { return motion.exactPosition() < 500; });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QVERIFY(module.motorStop(0));
        fresh = true;
        fault = run([&] { return !motion.needsTime(); });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QVERIFY(motion.velocity() == 0.0 && plans->plannedMove(0).isEmpty());

        const qint64 here = motion.position();
        QVERIFY(plans->previewMove(0, here).isEmpty());
        QVERIFY(!plans->previewMove(0, here + 100).isEmpty());
        module.setModuleValue(0, QLatin1String(cmd_ChipStandby), 1);
        QVERIFY(plans->previewMove(0, here + 100).isEmpty());
        module.setModuleValue(0, QLatin1String(cmd_ChipStandby), 0);
        // Written, not yet taken by a move.
        QVERIFY(module.writeParameter(0, QLatin1String(cmd_MaxVelocity), 0));
        QVERIFY(plans->previewMove(0, here + 100).isEmpty());
    }

    // A Birch motor's registers count in the chip's units: 16 MHz over 2048 * 32 * 2^pulse
    // divisor pps per unit of velocity, 16 MHz² over 2^(pulse + ramp divisor + 29) pps² per unit
    // of acceleration, rounded.
    void birchUnits()
    {
        // Pulse and ramp divisor, velocity, acceleration; pps, pps².
        const int cases[][6] = {{5, 8, 200, 100, 1526, 5821},
                                {3, 13, 100, 400, 3052, 2910},
                                {0, 0, 1, 1, 244, 476837},
                                {13, 13, 2047, 2047, 61, 15}};
        for (const auto &c : cases) {
            SimulatedModule module;
            module.setPluginVariant(0, PluginVariant::StepperBirchPositionMode);
            const char *keys[] = {cmd_PulseDivisor, cmd_RampDivisor, cmd_MaxVelocity,
                                  cmd_MaxAcceleration};
            for (int i = 0; i < 4; ++i)
                QVERIFY(module.writeParameter(0, QLatin1String(keys[i]), c[i]));
            const RampProfile r = module.ramp(0);
            QCOMPARE(QVector<double>({r.maxVelocity, r.acceleration, r.deceleration}),
                     QVector<double>({double(c[4]), double(c[5]), double(c[5])}));
        }
    }

    // A relative move whose target would leave the 32-bit position range is refused, and said.
    void relativeMovesStayInRange()
    {
        constexpr int top = std::numeric_limits<qint32>::max();
        for (const auto &[from, by, taken] :
             {std::tuple{top - 5, 6, false}, {top - 5, 5, true}, {-top + 4, -6, false}}) {
            SimulatedModule module; // relative to the actual position
            QVERIFY(module.writeParameter(0, actualKey, from));
            QSignalSpy reports(&module, &SimulatedModule::report);
            QCOMPARE(module.moveToRelPosition(0, by), taken);
            QCOMPARE(reports.count(), int(!taken));
            QCOMPARE(module.motion(0).target(), taken ? qint64(from) + by : 0);
        }
    }

    // A motor that shuttles for hours journals a line per trip: the journal keeps the newest.
    void journalIsBounded()
    {
        SimulatedModule module;
        const int lines = SimulatedModule::journalLimit * 2 + 123;
        for (int i = 0; i < lines; ++i)
            QVERIFY(module.writeParameter(0, targetKey, i));
        QVERIFY(module.journal().size() <= SimulatedModule::journalLimit);
        QVERIFY(module.journal().size() >= SimulatedModule::journalLimit * 9 / 10);
        QCOMPARE(module.journal().last(),
                 QStringLiteral("write 0 %1 %2").arg(targetKey).arg(lines - 1));
        QCOMPARE(module.journalCount(), qint64(lines));
    }
};

QTEST_MAIN(TestSimulatedModule)
#include "tst_simulatedmodule.moc"

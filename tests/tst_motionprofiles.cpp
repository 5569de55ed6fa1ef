// How the simulated motors move: each chip family's ramp, sampled every millisecond.

#include "motionaxis.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace ParameterType;

namespace {
struct Family
{
    const char *name;
    int variant;
    const char *settings;           // "key=value ..." without the "par::"
    double peak, start, stop, rate; // velocities; the steepest acceleration or deceleration
    const char *bands; // "from:to=rate ...": the acceleration (or deceleration) between velocities
};

const Family families[] = {
    {"Larch eight-point", PluginVariant::StepperLarchPositionMode,
     "StartVelocity=100 V1=600 V2=1200 MaxVelocity=2000 A1=2500 A2=2000 MaxAcceleration=1500 "
     "MaxDeceleration=1000 D2=2000 D1=3000 StopVelocity=200",
     2000, 100, 200, 3000,
     "150:550=2500 650:1150=2000 1250:1950=1500 1950:1250=1000 1150:650=2000 550:250=3000"},
    {"Larch trapezoid", PluginVariant::StepperLarchPositionMode,
     "V1=0 V2=0 MaxVelocity=2000 A1=2500 A2=2000 MaxAcceleration=1500 MaxDeceleration=1000 D2=2000 "
     "D1=3000 StopVelocity=10",
     2000, 0, 10, 1500, "50:1950=1500 1950:50=1000"},
    {"Maple", PluginVariant::StepperMaplePositionMode,
     "StartVelocity=50 V1=800 A1=3000 MaxAcceleration=1000 MaxVelocity=1600 MaxDeceleration=2000 "
     "D1=500 StopVelocity=100",
     1600, 50, 100, 3000, "100:750=3000 850:1550=1000 1550:850=2000 750:150=500"},
    {"Hazel trapezoid", PluginVariant::StepperHazelPositionMode,
     "SShapedRamp=0 StartVelocity=100 StartAcceleration=3000 BreakVelocity=600 MaxVelocity=1500 "
     "MaxAcceleration=1000 MaxDeceleration=1500 FinalDeceleration=500 StopVelocity=50",
     1500, 100, 50, 3000, "150:550=3000 650:1450=1000 1450:650=1500 550:100=500"},
    {"Hazel S-shaped", PluginVariant::StepperHazelPositionMode,
     "SShapedRamp=1 StartVelocity=50 StopVelocity=100 MaxVelocity=2000 MaxAcceleration=1500 "
     "MaxDeceleration=1000 BOW1=20000 BOW2=40000 BOW3=30000 BOW4=10000",
     2000, 50, 100, 1500, "200:1900=1500 1900:250=1000"},
    {"Rowan", PluginVariant::StepperRowanPositionMode,
     "StartStopVelocity=300 MaxVelocity=2000 MaxAcceleration=1500 MaxDeceleration=500", 2000, 300,
     300, 1500, "350:1950=1500 1950:350=1500"},
    {"Cedar", PluginVariant::StepperCedarPositionMode,
     "MaxVelocity=2000 MaxAcceleration=3000 MaxDeceleration=1000", 2000, 0, 0, 3000,
     "50:1950=3000 1950:50=1000"},
    // 100 * 16e6 / (2^3 * 2048 * 32) pps and 400 * 16e6^2 / 2^(3 + 13 + 29) pps², rounded.
    {"Birch", PluginVariant::StepperBirchPositionMode,
     "PulseDivisor=3 RampDivisor=13 MaxVelocity=100 MaxAcceleration=400", 3052, 0, 0, 2910,
     "100:2950=2910 2950:100=2910"},
    // One pulse divisor more halves both.
    {"Birch, pulse divisor 4", PluginVariant::StepperBirchPositionMode,
     "PulseDivisor=4 RampDivisor=13 MaxVelocity=100 MaxAcceleration=400", 1526, 0, 0, 1455,
     "100:1450=1455 1450:100=1455"},
};
constexpr int familyCount = int(sizeof(families) / sizeof(families[0]));

QVector<double> numbers(const QString &text)
{
    QVector<double> result;
    for (const QString &n :
         text.split(QRegularExpression(QStringLiteral("[ :=]")), Qt::SkipEmptyParts))
        result << n.toDouble();
    return result;
}

bool configure(SimulatedModule &module, const Family &family, const QString &extra = {})
{
    module.setPluginVariant(0, family.variant);
    bool ok = true;
    for (const QString &setting : (QLatin1String(family.settings) + QLatin1Char(' ') + extra)
                                      .split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList pair = setting.split(QLatin1Char('='));
        ok = module.writeParameter(0, QLatin1String("par::") + pair[0], pair[1].toLongLong()) && ok;
    }
    return ok;
}

struct Samples
{
    QVector<double> x, v; // every millisecond
    QVector<qint64> r;    // the velocity register
};

Samples runUntilArrived(SimulatedModule &module, int limit = 30000)
{
    Samples s;
    while (s.v.size() < limit && !module.motion(0).hasArrived()) {
        module.advance(1);
        s.x << module.motion(0).exactPosition();
        s.v << module.motion(0).velocity();
        s.r << module.moduleValue(0, QLatin1String(cmd_ActualVelocity));
    }
    return s;
}

// When |v| first passes level (upwards or downwards) after index from, in interpolated ms.
double crossing(const QVector<double> &v, double level, bool up, int from)
{
    for (int i = std::max(from, 1); i < v.size(); ++i) {
        const double a = std::abs(v[i - 1]), b = std::abs(v[i]);
        if (up ? (a < level && b >= level) : (a > level && b <= level))
            return i - 1 + (level - a) / (b - a);
    }
    return -1e9;
}

int peakIndex(const QVector<double> &v)
{
    return int(std::max_element(v.cbegin(), v.cend()) - v.cbegin());
}
} // namespace

class TestMotionProfiles : public QObject
{
    Q_OBJECT

private slots:
    void bandsAndLanding_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < familyCount; ++i)
            QTest::newRow(families[i].name) << i;
    }
    void bandsAndLanding()
    {
        QFETCH(int, index);
        const Family &f = families[index];
        SimulatedModule module;
        QVERIFY(configure(module, f));
        QVERIFY(module.moveToPosition(0, 5000));
        const Samples s = runUntilArrived(module);
        const int top = peakIndex(s.v);
        QCOMPARE(s.v[top], f.peak);
        // A Birch motor's velocity register counts in the chip's units.
        const bool birch = f.variant == PluginVariant::StepperBirchPositionMode;
        QCOMPARE(s.r[top], qint64(birch ? 100 : f.peak));
        const QVector<double> bands = numbers(QLatin1String(f.bands));
        for (int b = 0; b < bands.size(); b += 3) {
            const bool up = bands[b] < bands[b + 1];
            const double ms = crossing(s.v, bands[b + 1], up, up ? 0 : top) -
                              crossing(s.v, bands[b], up, up ? 0 : top);
            const double rate = std::abs(bands[b + 1] - bands[b]) * 1000 / ms;
            QVERIFY2(std::abs(rate - bands[b + 2]) < 0.005 * bands[b + 2],
                     qPrintable(QStringLiteral("band %1: %2").arg(b / 3).arg(rate)));
        }
        // Off at the start velocity, never slower while moving, dead stop from the stop velocity.
        QVERIFY(s.v.first() >= f.start && s.v.first() < f.start + f.rate / 500);
        const QVector<double> moving = s.v.mid(0, s.v.size() - 1);
        QVERIFY(*std::min_element(moving.cbegin(), moving.cend()) >= std::min(f.start, f.stop));
        QVERIFY(moving.last() < std::hypot(f.stop, std::sqrt(2 * f.rate)));
        QCOMPARE(module.moduleValue(0, QLatin1String(cmd_ActualPosition)), qint64(5000));
    }

    void sShapedRamp_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<bool>("reachesTop");
        QTest::newRow("long") << 10000 << true;
        QTest::newRow("short") << 300 << false;
    }
    void sShapedRamp()
    {
        QFETCH(int, distance);
        QFETCH(bool, reachesTop);
        const Family &f = families[4];
        SimulatedModule module;
        QVERIFY(configure(module, f));
        QVERIFY(module.moveToPosition(0, distance));
        const Samples s = runUntilArrived(module);
        const int top = peakIndex(s.v);
        double jerk[4] = {0, 0, 0, 0}; // the steepest rise and fall, up to the peak and after
        for (int i = 1; i + 2 < s.v.size(); ++i) {
            const double j = (s.v[i + 1] - 2 * s.v[i] + s.v[i - 1]) * 1e6;
            if (std::abs(i - top) < 2)
                continue; // a short move turns from BOW2 to BOW3 here
            double *phase = i < top ? jerk : jerk + 2;
            phase[0] = std::max(phase[0], j);
            phase[1] = std::max(phase[1], -j);
        }
        const double bows[4] = {20000, 40000, 10000, 30000}; // BOW1, BOW2, BOW4, BOW3
        for (int b = 0; b < 4; ++b)
            QVERIFY2(std::abs(jerk[b] - bows[b]) < 0.01 * bows[b], qPrintable(QString::number(b)));
        QCOMPARE(s.v[top] == f.peak, reachesTop);
    }

    void movesStopOnTheTarget_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("redirect"); // after 400 ms: to -500, or 5 steps ahead
        for (int i = 0; i < familyCount; ++i) {
            for (int distance : {1, 3, -20, 150})
                QTest::addRow("%s %d", families[i].name, distance) << i << distance << 0;
            QTest::addRow("%s: reverse", families[i].name) << i << 4000 << 1;
            QTest::addRow("%s: too near", families[i].name) << i << 4000 << 2;
        }
    }
    void movesStopOnTheTarget()
    {
        QFETCH(int, index);
        QFETCH(int, distance);
        QFETCH(int, redirect);
        const Family &f = families[index];
        SimulatedModule module;
        QVERIFY(configure(module, f));
        QVERIFY(module.moveToPosition(0, distance));
        Samples s = runUntilArrived(module, redirect ? 400 : 0);
        const double redirectedAt = redirect ? s.x.last() : 0;
        const qint64 target = redirect == 1 ? -500
                              : redirect    ? std::llround(redirectedAt) + 5
                                            : distance;
        // Alternation writes the target; a new move command redirects the same way.
        if (redirect == 1)
            QVERIFY(module.writeParameter(0, QLatin1String(cmd_TargetPosition), target));
        else if (redirect)
            QVERIFY(module.moveToPosition(0, int(target)));
        const Samples rest = runUntilArrived(module, 20000);
        s.x << rest.x;
        s.v << rest.v;
        // To and from standstill: the start or stop velocity, or the last half step.
        const double jump = std::hypot(std::max(f.start, f.stop), std::sqrt(2 * f.rate));
        for (int i = 1; i < s.x.size(); ++i) {
            const bool still = s.v[i] == 0 || s.v[i - 1] == 0;
            const double fastest = std::max(std::abs(s.v[i]), std::abs(s.v[i - 1]));
            QVERIFY(std::abs(s.x[i] - s.x[i - 1]) <=
                    (fastest + f.rate / 1000) / 1000 + still / 2.0);
            QVERIFY(std::abs(s.v[i] - s.v[i - 1]) <= f.rate / 1000 + 1e-9 + (still ? jump : 0));
            if (!redirect) // no overshoot, no turning back
                QVERIFY(s.v[i] * distance >= 0 && std::abs(s.x[i]) <= std::abs(distance));
        }
        if (redirect) // braked, overran
            QVERIFY(*std::max_element(s.x.cbegin(), s.x.cend()) > redirectedAt + 20);
        QCOMPARE(s.x.last(), double(target));
        QCOMPARE(s.v.last(), 0.0);
    }

    void zeroWaitBeforeTheNextMove_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("idle");
        QTest::addColumn<int>("standing");
        QTest::newRow("Larch, at once") << 0 << 0 << 200;
        QTest::newRow("Larch, later") << 0 << 150 << 50;
        QTest::newRow("Larch, after the wait") << 0 << 300 << 0;
        QTest::newRow("Maple") << 2 << 0 << 200;
        QTest::newRow("Cedar has none") << 6 << 0 << 0;
    }
    void zeroWaitBeforeTheNextMove()
    {
        QFETCH(int, index);
        QFETCH(int, idle);
        QFETCH(int, standing);
        SimulatedModule module;
        QVERIFY(configure(module, families[index], QStringLiteral("TZEROWAIT=200")));
        QVERIFY(module.moveToPosition(0, 1000));
        runUntilArrived(module);
        module.advance(idle);
        QVERIFY(module.moveToPosition(0, 0));
        const QVector<double> v = runUntilArrived(module).v;
        QCOMPARE(std::find_if(v.cbegin(), v.cend(), [](double x) { return x != 0; }) - v.cbegin(),
                 standing);
    }

    void rampChangesTakeEffectWithTheNextMove()
    {
        SimulatedModule module;
        QVERIFY(configure(module, families[1], QStringLiteral("TVMAX=0")));
        for (int tvmax : {0, 150}) {
            QVERIFY(module.moveToPosition(0, tvmax ? 0 : 600)); // too short for VMAX
            module.advance(100);
            QVERIFY(module.writeParameter(0, QLatin1String(cmd_TVMAX), 150));
            QVector<double> v = runUntilArrived(module).v;
            std::transform(v.cbegin(), v.cend(), v.begin(), [](double x) { return std::abs(x); });
            const double top = *std::max_element(v.cbegin(), v.cend());
            // TVMAX: the top velocity, even below VMAX, is held that long.
            QVERIFY(top < 2000 && std::abs(v.count(top) - tvmax) <= 1);
        }
    }

    void stopBrakesWithTheFamilysDeceleration()
    {
        // Hazel's stop deceleration: 2000² / (2 * 5000). Larch: its three deceleration bands.
        const QPair<int, double> cases[] = {{4, 400.0}, {0, 1280 + 270 + 320.0 / 6}};
        for (const auto &c : cases) {
            SimulatedModule module;
            QVERIFY(configure(module, families[c.first], QStringLiteral("StopDeceleration=5000")));
            QVERIFY(module.moveToPosition(0, 100000));
            module.advance(3000);
            QCOMPARE(module.motion(0).velocity(), 2000.0);
            const double from = module.motion(0).exactPosition();
            QVERIFY(module.motorStop(0));
            module.advance(3000);
            QCOMPARE(module.motion(0).mode(), MotionAxis::Mode::Idle);
            QCOMPARE(module.motion(0).velocity(), 0.0);
            const double braked = module.motion(0).exactPosition() - from;
            QVERIFY2(std::abs(braked - c.second) < 3, qPrintable(QString::number(braked)));
        }
    }
};

QTEST_MAIN(TestMotionProfiles)
#include "tst_motionprofiles.moc"

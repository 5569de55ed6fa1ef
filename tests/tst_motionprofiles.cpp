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
    const char *bands; // "from:to=rate ...": the acceleration (or deceleration) in between
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
    // While a bow ramps the acceleration the velocity changes at half the rate: BOW1 from 50 to
    // 100 pps, BOW2 the last 25 pps to the top, BOW3 the first 20 pps down, BOW4 the last 50.
    {"Hazel S-shaped", PluginVariant::StepperHazelPositionMode,
     "SShapedRamp=1 StartVelocity=50 StopVelocity=500 MaxVelocity=2000 MaxAcceleration=1500 "
     "MaxDeceleration=1000 BOW1=22500 BOW2=45000 BOW3=25000 BOW4=10000",
     2000, 50, 500, 1500,
     "50:100=750 100:1975=1500 1975:2000=750 2000:1980=500 1980:550=1000 550:500=500"},
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
    // Without a deceleration register the acceleration brakes too.
    {"Cedar, no deceleration", PluginVariant::StepperCedarPositionMode,
     "MaxVelocity=2000 MaxAcceleration=3000 MaxDeceleration=-", 2000, 0, 0, 3000,
     "50:1950=3000 1950:50=3000"},
};

bool configure(SimulatedModule &module, const Family &family, const QString &extra = {})
{
    module.setPluginVariant(0, family.variant);
    for (const QString &setting : (QLatin1String(family.settings) + QLatin1Char(' ') + extra)
                                      .split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList pair = setting.split(QLatin1Char('='));
        const QString key = QLatin1String("par::") + pair[0];
        if (pair[1] == QLatin1String("-"))
            module.removeParameter(0, key);
        else if (!module.writeParameter(0, key, pair[1].toLongLong()))
            return false;
    }
    return true;
}

struct Samples
{
    QVector<double> x, v; // every millisecond
    QVector<qint64> r;    // the velocity register

    Samples &run(SimulatedModule &module, int limit = 30000)
    {
        while (v.size() < limit && !module.motion(0).hasArrived()) {
            module.advance(1);
            x << module.motion(0).exactPosition();
            v << module.motion(0).velocity();
            r << module.moduleValue(0, QLatin1String(cmd_ActualVelocity));
        }
        return *this;
    }
};
} // namespace

class TestMotionProfiles : public QObject
{
    Q_OBJECT

private slots:
    void moves_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("redirect"); // after 400 ms: to -500, or 5 steps ahead
        for (const Family &f : families) {
            const int index = int(&f - families);
            for (int distance : {1, 3, -20, 150, 5000})
                QTest::addRow("%s %d", f.name, distance) << index << distance << 0;
            QTest::addRow("%s: reverse", f.name) << index << 4000 << 1;
            QTest::addRow("%s: too near", f.name) << index << 4000 << 2;
        }
    }
    void moves()
    {
        QFETCH(int, index);
        QFETCH(int, distance);
        QFETCH(int, redirect);
        const Family &f = families[index];
        SimulatedModule module;
        QVERIFY(configure(module, f));
        QVERIFY(module.moveToPosition(0, distance));
        Samples s;
        qint64 target = distance;
        if (redirect) {
            s.run(module, 400);
            target = redirect == 1 ? -500 : std::llround(s.x.last()) + 5;
            // Alternation writes the target; a move command redirects the same way.
            QVERIFY(redirect == 1
                        ? module.writeParameter(0, QLatin1String(cmd_TargetPosition), target)
                        : module.moveToPosition(0, int(target)));
        }
        s.run(module);
        // To and from standstill: the start or stop velocity, or the last half step.
        const double jump = std::hypot(std::max(f.start, f.stop), std::sqrt(2 * f.rate));
        for (int i = 1; i < s.x.size(); ++i) {
            const bool still = s.v[i] == 0 || s.v[i - 1] == 0;
            const double fastest = std::max(std::abs(s.v[i]), std::abs(s.v[i - 1]));
            QVERIFY(std::abs(s.x[i] - s.x[i - 1]) <=
                    (fastest + f.rate / 1000) / 1000 + still / 2.0);
            QVERIFY(std::abs(s.v[i] - s.v[i - 1]) <= f.rate / 1000 + 1e-9 + (still ? jump : 0));
            // As fast as the ramp allows: a moving motor holds its velocity only at the peak.
            QVERIFY(s.v[i] != s.v[i - 1] || still || std::abs(s.v[i]) == f.peak);
            if (!redirect) // no overshoot, no turning back
                QVERIFY(s.v[i] * distance >= 0 && s.r[i] * distance >= 0 &&
                        std::abs(s.x[i]) <= std::abs(distance));
        }
        if (redirect) // braked, overran
            QVERIFY(*std::max_element(s.x.cbegin(), s.x.cend()) > s.x[399] + 20);
        QCOMPARE(s.x.last(), double(target));
        QCOMPARE(s.r.last(), qint64(0));
        if (distance < 5000)
            return;
        const int top = int(std::max_element(s.v.cbegin(), s.v.cend()) - s.v.cbegin());
        QCOMPARE(s.v[top], f.peak);
        // A Birch motor's velocity register counts in the chip's units.
        QCOMPARE(s.r[top],
                 qint64(f.variant == PluginVariant::StepperBirchPositionMode ? 100 : f.peak));
        // The milliseconds in each band, on its side of the peak, give the band's rate.
        for (const QString &band : QString::fromLatin1(f.bands).split(QLatin1Char(' '))) {
            const QStringList n = band.split(QRegularExpression(QStringLiteral("[:=]")));
            const double from = n[0].toDouble(), to = n[1].toDouble(), expected = n[2].toDouble();
            const auto ms = std::count_if(
                s.v.cbegin() + (from < to ? 0 : top), from < to ? s.v.cbegin() + top : s.v.cend(),
                [&](double v) { return v >= std::min(from, to) && v < std::max(from, to); });
            QVERIFY2(std::abs(double(ms) - std::abs(to - from) * 1000 / expected) < 2,
                     qPrintable(band));
        }
        // Off at the start velocity, never slower while moving, dead stop from the stop velocity.
        QVERIFY(s.v.first() >= f.start && s.v.first() < f.start + f.rate / 500);
        QVERIFY(*std::min_element(s.v.cbegin(), s.v.cend() - 1) >= std::min(f.start, f.stop));
        QVERIFY(s.v[s.v.size() - 2] < std::hypot(f.stop, std::sqrt(2 * f.rate)));
    }

    void theNextMoveWaitsAndHoldsItsTop()
    {
        // Family, idle ms after arriving, ms standing after the next command, ms at its top.
        const int cases[][4] = {
            {0, 0, 200, 150}, {0, 150, 50, 150}, {0, 300, 0, 150}, {2, 0, 200, 1}, {6, 0, 0, 1}};
        const auto held = [](const QVector<double> &v) {
            const double top = *std::max_element(v.cbegin(), v.cend());
            return top < 2000 ? v.count(top) : -1; // TVMAX holds even a top below VMAX
        };
        for (const auto &c : cases) {
            SimulatedModule module;
            QVERIFY(configure(module, families[c[0]], QStringLiteral("TZEROWAIT=200")));
            QVERIFY(module.moveToPosition(0, 1000)); // too short for VMAX
            module.advance(100);
            // A ramp change takes effect with the next move.
            QVERIFY(module.writeParameter(0, QLatin1String(cmd_TVMAX), 150));
            QVERIFY(held(Samples().run(module).v) == 1);
            module.advance(c[1]);
            QVERIFY(module.moveToPosition(0, 2000));
            const QVector<double> v = Samples().run(module).v;
            const auto standing =
                std::find_if(v.cbegin(), v.cend(), [](double x) { return x != 0; });
            QVERIFY2(standing - v.cbegin() == c[2], families[c[0]].name);
            QVERIFY2(std::abs(held(v) - c[3]) <= 1, families[c[0]].name);
        }
    }

    void stopBrakesWithTheFamilysDeceleration()
    {
        // Hazel brakes at its stop deceleration (2000² / 10000), Larch in its bands, Cedar at 1000.
        const QPair<int, double> cases[] = {{4, 400.0}, {0, 1280 + 270 + 320.0 / 6}, {6, 2000.0}};
        for (const auto &c : cases) {
            SimulatedModule module;
            QVERIFY(configure(module, families[c.first], QStringLiteral("StopDeceleration=5000")));
            QVERIFY(module.moveToPosition(0, 100000));
            module.advance(3000); // at 2000 pps
            const double from = module.motion(0).exactPosition();
            QVERIFY(module.motorStop(0));
            module.advance(3000);
            QCOMPARE(module.motion(0).mode(), MotionAxis::Mode::Idle);
            const double braked = module.motion(0).exactPosition() - from;
            QVERIFY2(std::abs(braked - c.second) < 3, qPrintable(QString::number(braked)));
        }
    }
};

QTEST_MAIN(TestMotionProfiles)
#include "tst_motionprofiles.moc"

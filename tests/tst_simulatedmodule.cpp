// The simulated module and its motion: what reaches it, what it refuses, and how its motors move.

#include "axilparameter.h"
#include "motionaxis.h"
#include "parametertype.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);
const QString velocityKey = QLatin1String(ParameterType::cmd_ActualVelocity);
const QString encoderKey = QLatin1String(ParameterType::cmd_EncoderPosition);
const QString optionKey = QLatin1String(ParameterType::cmd_RelativePositioningOption);
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString accKey = QLatin1String(ParameterType::cmd_MaxAcceleration);
const QString decKey = QLatin1String(ParameterType::cmd_MaxDeceleration);
const QString standbyKey = QLatin1String(ParameterType::cmd_ChipStandby);
const QString stepDirKey = QLatin1String(ParameterType::cmd_ExternalStepDir);
const QString clearKey = QLatin1String(ParameterType::cmd_ClearOnNull);
constexpr int int32Max = std::numeric_limits<qint32>::max();
constexpr int int32Min = std::numeric_limits<qint32>::min();

// Lets simulated time pass until motor 0 has arrived; returns the milliseconds that took.
int runUntilArrived(SimulatedModule &module)
{
    int elapsed = 0;
    for (; elapsed < 60000 && !module.motion(0).hasArrived(); elapsed += 10)
        module.advance(10);
    return elapsed;
}
} // namespace

class TestSimulatedModule : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void moveCommands_data()
    {
        QTest::addColumn<bool>("relative");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("argument");
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint64>("target");
        // The motor stands at 100; the target register holds 500.
        QTest::newRow("absolute") << false << 1 << -300 << "move 0 -300" << qint64(-300);
        QTest::newRow("from target") << true << 0 << 50 << "moveRel 0 50" << qint64(550);
        QTest::newRow("from actual") << true << 1 << 50 << "moveRel 0 50" << qint64(150);
        QTest::newRow("down") << true << 1 << -1000 << "moveRel 0 -1000" << qint64(-900);
    }

    void moveCommands()
    {
        QFETCH(bool, relative);
        QFETCH(int, option);
        QFETCH(int, argument);
        QFETCH(QString, line);
        QFETCH(qint64, target);

        SimulatedModule module;
        QVERIFY(module.writeParameter(0, actualKey, 100));
        QVERIFY(module.writeParameter(0, targetKey, 500)); // not positioning: no move
        QVERIFY(module.writeParameter(0, optionKey, option));
        QVERIFY(!module.motion(0).isPositioning());
        module.clearJournal();

        QVERIFY(relative ? module.moveToRelPosition(0, argument)
                         : module.moveToPosition(0, argument));
        QCOMPARE(module.journal(), QStringList{line});
        QVERIFY(module.motion(0).isPositioning());
        QCOMPARE(module.motion(0).target(), target);
        QCOMPARE(module.moduleValue(0, targetKey), target);
    }

    void targetWriteRedirectsWhilePositioning()
    {
        SimulatedModule module;
        QVERIFY(module.moveToPosition(0, 300));
        runUntilArrived(module);
        // Holding the target: a new target starts the next move.
        QVERIFY(module.parameter(0, targetKey)->writeValue(-200));
        QVERIFY(runUntilArrived(module) < 60000);
        QCOMPARE(module.moduleValue(0, actualKey), qint64(-200));
    }

    void arrivesExactlyOnTarget_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("vmax");
        QTest::addColumn<int>("acceleration");
        QTest::newRow("one step") << 1 << 2000 << 1500;
        QTest::newRow("long down") << -5000 << 2000 << 1500;
        QTest::newRow("fast and steep") << 123457 << 50000 << 200000;
        QTest::newRow("slow") << -101 << 37 << 11;
    }

    void arrivesExactlyOnTarget()
    {
        QFETCH(int, target);
        QFETCH(int, vmax);
        QFETCH(int, acceleration);

        SimulatedModule module;
        QVERIFY(module.writeParameter(0, vmaxKey, vmax));
        QVERIFY(module.writeParameter(0, accKey, acceleration));
        QVERIFY(module.moveToPosition(0, target));
        Model::AxilParameter *velocity = module.parameter(0, velocityKey);
        for (int ms = 0; ms < 120000 && !module.motion(0).hasArrived(); ms += 10) {
            module.advance(10);
            const qint64 v = velocity->readValue(false);
            QVERIFY2(v == 0 || (v > 0) == (target > 0), qPrintable(QString::number(v)));
            QVERIFY(std::abs(v) <= vmax);
        }
        QVERIFY(module.motion(0).hasArrived());
        QCOMPARE(module.motion(0).exactPosition(), double(target));
        QCOMPARE(module.parameter(0, actualKey)->readValue(false), qint64(target));
        QCOMPARE(velocity->readValue(false), qint64(0));
    }

    void missingDecelerationUsesAcceleration()
    {
        SimulatedModule withDecel;
        SimulatedModule withoutDecel;
        QVERIFY(withDecel.writeParameter(0, decKey, 1500)); // as the acceleration
        QVERIFY(withoutDecel.writeParameter(0, decKey, 100));
        withoutDecel.removeParameter(0, decKey);
        QVERIFY(withDecel.moveToPosition(0, 3000));
        QVERIFY(withoutDecel.moveToPosition(0, 3000));
        for (int i = 0; i < 40; ++i) {
            withDecel.advance(100);
            withoutDecel.advance(100);
            QCOMPARE(withoutDecel.motion(0).exactPosition(), withDecel.motion(0).exactPosition());
        }
        QVERIFY(withoutDecel.motion(0).hasArrived());
    }

    void stopRampsDown()
    {
        SimulatedModule module;
        QVERIFY(module.moveToPosition(0, 100000));
        module.advance(2000); // past the 1.33 s ramp up to 2000 pps
        QCOMPARE(module.motion(0).velocity(), 2000.0);
        const double stoppedFrom = module.motion(0).exactPosition();

        QVERIFY(module.motorStop(0));
        QCOMPARE(module.journal().last(), QStringLiteral("stop 0"));
        double previous = module.motion(0).velocity();
        for (int i = 0; i < 30 && module.motion(0).isMoving(); ++i) {
            module.advance(100);
            QVERIFY(module.motion(0).velocity() < previous);
            previous = module.motion(0).velocity();
        }
        QCOMPARE(module.motion(0).mode(), MotionAxis::Mode::Idle);
        QCOMPARE(module.moduleValue(0, velocityKey), qint64(0));
        // v² / 2d = 2000² / 3000 steps to stand still.
        QVERIFY(std::abs(module.motion(0).exactPosition() - stoppedFrom - 1333.3) < 5);

        const qint64 standing = module.moduleValue(0, actualKey);
        QVERIFY(module.writeParameter(0, targetKey, 0)); // no longer positioning: no move
        module.advance(500);
        QCOMPARE(module.moduleValue(0, actualKey), standing);
    }

    void advanceStepsInMilliseconds()
    {
        SimulatedModule once;
        SimulatedModule inTenths;
        QVERIFY(once.moveToPosition(0, 2500));
        QVERIFY(inTenths.moveToPosition(0, 2500));
        once.advance(1000);
        for (int i = 0; i < 10; ++i)
            inTenths.advance(100);
        QVERIFY(once.motion(0).exactPosition() > 0);
        QCOMPARE(inTenths.motion(0).exactPosition(), once.motion(0).exactPosition());
        QCOMPARE(inTenths.motion(0).velocity(), once.motion(0).velocity());
    }

    void refusedMoves_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("relative");
        QTest::addColumn<int>("argument");
        QTest::addColumn<bool>("refused");
        QTest::newRow("standby 1") << standbyKey << 1 << false << 10 << true;
        QTest::newRow("external step/dir") << stepDirKey << 1 << false << 10 << true;
        QTest::newRow("step/dir 2 still moves") << stepDirKey << 2 << false << 10 << false;
        QTest::newRow("past the top") << targetKey << int32Max - 5 << true << 6 << true;
        QTest::newRow("up to the top") << targetKey << int32Max - 5 << true << 5 << false;
        QTest::newRow("past the bottom") << targetKey << int32Min + 5 << true << -6 << true;
    }

    void refusedMoves()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(bool, relative);
        QFETCH(int, argument);
        QFETCH(bool, refused);

        SimulatedModule module;
        module.setModuleValue(0, optionKey, 0); // relative to the target register
        module.setModuleValue(0, key, value);
        QSignalSpy reports(&module, &SimulatedModule::report);
        const QString line =
            QStringLiteral("%1 0 %2").arg(relative ? "moveRel" : "move").arg(argument);
        QCOMPARE(relative ? module.moveToRelPosition(0, argument)
                          : module.moveToPosition(0, argument),
                 !refused);
        QCOMPARE(module.journal(), QStringList{refused ? QLatin1String("refused ") + line : line});
        QCOMPARE(reports.count(), refused ? 1 : 0);
        QCOMPARE(module.motion(0).isPositioning(), !refused);
    }

    void clearOnNull()
    {
        SimulatedModule module;
        Model::AxilParameter *clear = module.parameter(0, clearKey);
        Model::AxilParameter *encoder = module.parameter(0, encoderKey);
        QVERIFY(encoder->writeValue(777));
        QVERIFY(module.moveToPosition(0, 3000));
        module.advance(500);
        QVERIFY(clear->writeValue(1));
        module.advance(500);
        QVERIFY(module.motion(0).isMoving()); // nothing is cleared while moving
        QCOMPARE(clear->readValue(false), qint64(1));
        QCOMPARE(encoder->readValue(false), qint64(777));

        runUntilArrived(module);
        module.advance(1000); // and the cleared motor stays where it stands
        QCOMPARE(clear->readValue(false), qint64(0));
        QCOMPARE(module.parameter(0, actualKey)->readValue(false), qint64(0));
        QCOMPARE(encoder->readValue(false), qint64(0));
        QCOMPARE(module.moduleValue(0, velocityKey), qint64(0));

        QVERIFY(module.motorStop(0));
        QVERIFY(module.writeParameter(0, actualKey, 55));
        QVERIFY(clear->writeValue(1));
        module.advance(1);
        QCOMPARE(module.moduleValue(0, actualKey), qint64(0));
        QCOMPARE(module.moduleValue(0, clearKey), qint64(0));
    }

    void profileShape_data()
    {
        QTest::addColumn<qint64>("distance");
        QTest::addColumn<double>("vmax");
        QTest::addColumn<double>("acceleration");
        QTest::addColumn<double>("deceleration");
        QTest::newRow("long: trapezoid") << qint64(4000) << 2000.0 << 1500.0 << 1500.0;
        QTest::newRow("short: triangle") << qint64(1000) << 2000.0 << 1500.0 << 1500.0;
        QTest::newRow("asymmetric trapezoid") << qint64(4000) << 2000.0 << 3000.0 << 1000.0;
        QTest::newRow("asymmetric triangle") << qint64(-1500) << 2000.0 << 1000.0 << 3000.0;
    }

    void profileShape()
    {
        QFETCH(qint64, distance);
        QFETCH(double, vmax);
        QFETCH(double, acceleration);
        QFETCH(double, deceleration);

        // Physics: the ramps take v²/2a + v²/2d; what is left is travelled at vmax.
        const double d = std::abs(double(distance));
        const double ramps = vmax * vmax / (2 * acceleration) + vmax * vmax / (2 * deceleration);
        const bool trapezoid = ramps <= d;
        const double peak =
            trapezoid
                ? vmax
                : std::sqrt(2 * d * acceleration * deceleration / (acceleration + deceleration));
        const double expected =
            peak / acceleration + peak / deceleration + (d - std::min(d, ramps)) / vmax;

        MotionAxis axis;
        const MotionAxis::Ramp ramp{vmax, acceleration, deceleration};
        axis.moveTo(distance);
        double fastest = 0;
        int ms = 0;
        for (; ms < 20000 && !axis.hasArrived(); ++ms) {
            axis.step(0.001, ramp);
            fastest = std::max(fastest, std::abs(axis.velocity()));
        }
        QCOMPARE(axis.position(), distance);
        if (trapezoid)
            QCOMPARE(fastest, vmax);
        else
            QVERIFY2(fastest < vmax && std::abs(fastest - peak) < 0.02 * peak,
                     qPrintable(QStringLiteral("peak %1, expected %2").arg(fastest).arg(peak)));
        QVERIFY2(
            std::abs(ms / 1000.0 - expected) < 0.03 * expected,
            qPrintable(QStringLiteral("took %1 s, expected %2 s").arg(ms / 1000.0).arg(expected)));
    }
};

QTEST_MAIN(TestSimulatedModule)
#include "tst_simulatedmodule.moc"

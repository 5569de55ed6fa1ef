// The simulated module and its motion: what reaches it, what it refuses, and how its motors move.

#include "axilparameter.h"
#include "parametertype.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace ParameterType;

namespace {
const QString targetKey = QLatin1String(cmd_TargetPosition);
const QString actualKey = QLatin1String(cmd_ActualPosition);
const QString velocityKey = QLatin1String(cmd_ActualVelocity);
const QString optionKey = QLatin1String(cmd_RelativePositioningOption);
const QString decKey = QLatin1String(cmd_MaxDeceleration);
} // namespace

class TestSimulatedModule : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void moveCommands_data()
    {
        QTest::addColumn<QString>("key"); // a register that the module sets before the move
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("distance"); // 0: an absolute move to -300
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint64>("target");
        const QString stepDir = QLatin1String(cmd_ExternalStepDir);
        constexpr int int32Max = std::numeric_limits<qint32>::max();
        // The motor stands at 100; the target register holds 500.
        QTest::newRow("absolute") << optionKey << 1 << 0 << false << qint64(-300);
        QTest::newRow("from target") << optionKey << 0 << 50 << false << qint64(550);
        QTest::newRow("from actual") << optionKey << 1 << 50 << false << qint64(150);
        QTest::newRow("down") << optionKey << 1 << -1000 << false << qint64(-900);
        QTest::newRow("standby 1")
            << QString::fromLatin1(cmd_ChipStandby) << 1 << 0 << true << qint64(0);
        QTest::newRow("external step/dir") << stepDir << 1 << 0 << true << qint64(0);
        QTest::newRow("step/dir 2 still moves") << stepDir << 2 << 0 << false << qint64(-300);
        QTest::newRow("past the top") << actualKey << int32Max - 5 << 6 << true << qint64(0);
        QTest::newRow("up to the top")
            << actualKey << int32Max - 5 << 5 << false << qint64(int32Max);
        QTest::newRow("past the bottom")
            << actualKey << std::numeric_limits<qint32>::min() + 5 << -6 << true << qint64(0);
    }

    void moveCommands()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(int, distance);
        QFETCH(bool, refused);
        QFETCH(qint64, target);
        SimulatedModule module;
        QVERIFY(module.writeParameter(0, actualKey, 100));
        QVERIFY(module.writeParameter(0, targetKey, 500)); // not positioning: no move
        QVERIFY(!module.motion(0).isPositioning());
        module.setModuleValue(0, key, value);
        module.clearJournal();
        QSignalSpy reports(&module, &SimulatedModule::report);

        QCOMPARE(distance ? module.moveToRelPosition(0, distance) : module.moveToPosition(0, -300),
                 !refused);
        const QString line =
            distance ? QStringLiteral("moveRel 0 %1").arg(distance) : QStringLiteral("move 0 -300");
        QCOMPARE(module.journal(), QStringList{refused ? QLatin1String("refused ") + line : line});
        QCOMPARE(reports.count(), int(refused));
        QCOMPARE(module.motion(0).isPositioning(), !refused);
        QCOMPARE(module.motion(0).target(), target);
        QCOMPARE(module.moduleValue(0, targetKey), refused ? 500 : target);
    }

    void movesWithTheRamp_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("vmax");
        QTest::addColumn<int>("acceleration");
        QTest::addColumn<int>("deceleration"); // 0: no such register
        QTest::newRow("long: trapezoid") << 4000 << 2000 << 1500 << 1500;
        QTest::newRow("short: triangle") << 1000 << 2000 << 1500 << 1500;
        QTest::newRow("asymmetric trapezoid") << 4000 << 2000 << 3000 << 1000;
        QTest::newRow("asymmetric triangle down") << -1500 << 2000 << 1000 << 3000;
        QTest::newRow("no deceleration") << 3000 << 2000 << 1500 << 0;
        QTest::newRow("fast and steep") << 123457 << 50000 << 200000 << 200000;
        QTest::newRow("slow") << -501 << 37 << 11 << 11;
    }

    void movesWithTheRamp()
    {
        QFETCH(int, distance);
        QFETCH(int, vmax);
        QFETCH(int, acceleration);
        QFETCH(int, deceleration);
        SimulatedModule module;
        QVERIFY(module.writeParameter(0, QLatin1String(cmd_MaxVelocity), vmax));
        QVERIFY(module.writeParameter(0, QLatin1String(cmd_MaxAcceleration), acceleration));
        QVERIFY(module.writeParameter(0, decKey, deceleration ? deceleration : 1));
        if (!deceleration)
            module.removeParameter(0, decKey); // then the acceleration brakes too
        const double a = acceleration, d = deceleration ? deceleration : a, v = vmax;

        // Physics: the ramps take v²/2a + v²/2d; what is left is travelled at vmax.
        const double way = std::abs(double(distance));
        const double ramps = v * v / (2 * a) + v * v / (2 * d);
        const double peak = ramps <= way ? v : std::sqrt(2 * way * a * d / (a + d));
        const double expected = peak / a + peak / d + (way - std::min(way, ramps)) / v;

        QVERIFY(module.moveToPosition(0, distance));
        Model::AxilParameter *velocity = module.parameter(0, velocityKey);
        double fastest = 0;
        int ms = 0;
        for (; ms < 120000 && !module.motion(0).hasArrived(); ++ms) {
            module.advance(1);
            const qint64 inRegister = velocity->readValue(false);
            QVERIFY(inRegister * distance >= 0 && std::abs(inRegister) <= vmax);
            fastest = std::max(fastest, std::abs(module.motion(0).velocity()));
        }
        QCOMPARE(module.parameter(0, actualKey)->readValue(false), qint64(distance));
        QCOMPARE(velocity->readValue(false), qint64(0));
        QVERIFY(fastest <= v && std::abs(fastest - peak) < 0.02 * peak);
        QVERIFY(std::abs(ms / 1000.0 - expected) < 0.03 * expected);
    }

    void targetHoldingAndStop()
    {
        SimulatedModule module;
        QVERIFY(module.moveToPosition(0, 300));
        module.advance(2000); // arrived
        // Holding its target, the motor starts the next move when the target is written.
        QVERIFY(module.writeParameter(0, targetKey, 100000));
        module.advance(2000); // past the 1.33 s ramp up to 2000 pps
        QCOMPARE(module.motion(0).velocity(), 2000.0);
        const double stoppedFrom = module.motion(0).exactPosition();

        QVERIFY(module.motorStop(0));
        module.advance(3000);
        QCOMPARE(module.moduleValue(0, velocityKey), qint64(0));
        // v² / 2d = 2000² / 3000 steps to stand still.
        QVERIFY(std::abs(module.motion(0).exactPosition() - stoppedFrom - 1333.3) < 5);

        const qint64 standing = module.moduleValue(0, actualKey);
        QVERIFY(module.writeParameter(0, targetKey, 0)); // no longer positioning: no move
        module.advance(500);
        QCOMPARE(module.moduleValue(0, actualKey), standing);
    }

    void clearOnNull()
    {
        SimulatedModule module;
        const QString clearKey = QLatin1String(cmd_ClearOnNull);
        const QString encoderKey = QLatin1String(cmd_EncoderPosition);
        QVERIFY(module.writeParameter(0, encoderKey, 777));
        QVERIFY(module.moveToPosition(0, 3000));
        module.advance(500);
        QVERIFY(module.writeParameter(0, clearKey, 1));
        module.advance(500);
        QVERIFY(module.motion(0).isMoving()); // nothing is cleared while moving
        QCOMPARE(module.moduleValue(0, encoderKey), qint64(777));

        module.advance(4000); // arrived, cleared, and not driven back to the old target
        for (const QString &key : {clearKey, actualKey, encoderKey, velocityKey})
            QCOMPARE(module.moduleValue(0, key), qint64(0));

        QVERIFY(module.motorStop(0));
        QVERIFY(module.writeParameter(0, actualKey, 55));
        QVERIFY(module.writeParameter(0, clearKey, 1));
        module.advance(1);
        QCOMPARE(module.moduleValue(0, actualKey), qint64(0));
    }
};

QTEST_MAIN(TestSimulatedModule)
#include "tst_simulatedmodule.moc"

// The simulated module: what reaches it, what it refuses, and what it does on its own.

#include "parametertype.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <limits>

using namespace ParameterType;

namespace {
const QString targetKey = QLatin1String(cmd_TargetPosition);
const QString actualKey = QLatin1String(cmd_ActualPosition);
const QString optionKey = QLatin1String(cmd_RelativePositioningOption);
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
        QTest::addColumn<int>("distance");  // 0: an absolute move to -300
        QTest::addColumn<qint64>("target"); // 0: refused, the motor stays
        const QString stepDir = QLatin1String(cmd_ExternalStepDir);
        constexpr int int32Max = std::numeric_limits<qint32>::max();
        // The motor stands at 100; the target register holds 500.
        QTest::newRow("absolute") << optionKey << 1 << 0 << qint64(-300);
        QTest::newRow("from target") << optionKey << 0 << 50 << qint64(550);
        QTest::newRow("from actual, down") << optionKey << 1 << -1000 << qint64(-900);
        QTest::newRow("standby 1") << QString::fromLatin1(cmd_ChipStandby) << 1 << 0 << qint64(0);
        QTest::newRow("external step/dir") << stepDir << 1 << 0 << qint64(0);
        QTest::newRow("step/dir 2 still moves") << stepDir << 2 << 0 << qint64(-300);
        QTest::newRow("past the top") << actualKey << int32Max - 5 << 6 << qint64(0);
        QTest::newRow("up to the top") << actualKey << int32Max - 5 << 5 << qint64(int32Max);
        QTest::newRow("past the bottom")
            << actualKey << std::numeric_limits<qint32>::min() + 5 << -6 << qint64(0);
    }

    void moveCommands()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(int, distance);
        QFETCH(qint64, target);
        const bool refused = target == 0;
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

    void clearOnNullAndTargetHolding()
    {
        SimulatedModule module;
        const QString clearKey = QLatin1String(cmd_ClearOnNull);
        const QString encoderKey = QLatin1String(cmd_EncoderPosition);
        QVERIFY(module.writeParameter(0, encoderKey, 777));
        QVERIFY(module.moveToPosition(0, 3000));
        QVERIFY(module.writeParameter(0, clearKey, 1));
        module.advance(500);
        QVERIFY(module.motion(0).isMoving()); // nothing is cleared while moving
        QCOMPARE(module.moduleValue(0, encoderKey), qint64(777));

        module.advance(4000); // arrived, cleared, and not driven back to the old target
        for (const QString &key : {clearKey, actualKey, encoderKey, targetKey})
            QCOMPARE(module.moduleValue(0, key), qint64(0));
        // Holding its target, the motor starts the next move when the target is written.
        QVERIFY(module.writeParameter(0, targetKey, 300));
        module.advance(2000);
        QCOMPARE(module.moduleValue(0, actualKey), qint64(300));

        QVERIFY(module.motorStop(0));
        QVERIFY(module.writeParameter(0, clearKey, 1));
        module.advance(1);
        QCOMPARE(module.moduleValue(0, actualKey), qint64(0));
    }
};

QTEST_MAIN(TestSimulatedModule)
#include "tst_simulatedmodule.moc"

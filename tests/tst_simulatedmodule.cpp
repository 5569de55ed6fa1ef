// The simulated module: what reaches it, what it refuses, and what it does on its own.

#include "parametertype.h"
#include "simulatedmodule.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace ParameterType;

namespace {
const QString targetKey = QLatin1String(cmd_TargetPosition);
const QString actualKey = QLatin1String(cmd_ActualPosition);
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
        const QString option = QLatin1String(cmd_RelativePositioningOption);
        const QString stepDir = QLatin1String(cmd_ExternalStepDir);
        constexpr int top = std::numeric_limits<qint32>::max();
        // The motor stands at 100; the target register holds 500.
        QTest::newRow("absolute") << option << 1 << 0 << qint64(-300);
        QTest::newRow("from target") << option << 0 << 50 << qint64(550);
        QTest::newRow("from actual, down") << option << 1 << -1000 << qint64(-900);
        QTest::newRow("standby 1") << QString::fromLatin1(cmd_ChipStandby) << 1 << 0 << qint64(0);
        QTest::newRow("external step/dir") << stepDir << 1 << 0 << qint64(0);
        QTest::newRow("step/dir 2 still moves") << stepDir << 2 << 0 << qint64(-300);
        QTest::newRow("past the top") << actualKey << top - 5 << 6 << qint64(0);
        QTest::newRow("up to the top") << actualKey << top - 5 << 5 << qint64(top);
        QTest::newRow("past the bottom") << actualKey << -top + 4 << -6 << qint64(0);
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
        module.setModuleValue(0, key, value);
        module.clearJournal();
        QSignalSpy reports(&module, &SimulatedModule::report);
        QCOMPARE(distance ? module.moveToRelPosition(0, distance) : module.moveToPosition(0, -300),
                 !refused);
        const QString line =
            distance ? QStringLiteral("moveRel 0 %1").arg(distance) : QStringLiteral("move 0 -300");
        QCOMPARE(module.journal(), QStringList{refused ? "refused " + line : line});
        QCOMPARE(reports.count(), int(refused));
        QCOMPARE(module.motion(0).target(), target);
        QCOMPARE(module.moduleValue(0, targetKey), refused ? 500 : target);
    }

    // Commands in turn, with time passing: "move P", "stop", "wait MS", "KEY=V" (a write),
    // "~KEY=V" (the module's own change), "moving", "beyond P", "rest P" (at rest at P) and "rest
    // ~" (at rest, past the last position by a braking distance at most).
    void commandSequences_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("stop, then the same target")
            << "move 3000 wait 500 stop wait 3000 move 3000 wait 5000 rest 3000";
        QTest::newRow("stop brakes") << "move 30000 wait 1000 stop rest ~ wait 5000 rest ~";
        QTest::newRow("zeroed while braking")
            << "move 30000 wait 1000 stop ActualPosition=0 rest ~";
        QTest::newRow("zeroed while moving")
            << "move 3000 wait 500 ActualPosition=0 moving wait 8000 rest 3000";
        QTest::newRow("target written while idle") << "TargetPosition=500 wait 1000 rest 0";
        QTest::newRow("target written while positioning")
            << "move 3000 wait 500 TargetPosition=-500 wait 8000 rest -500";
        QTest::newRow("target written after arriving")
            << "move 300 wait 3000 rest 300 TargetPosition=900 wait 3000 rest 900";
        QTest::newRow("target written after a stop")
            << "move 3000 wait 500 stop wait 3000 TargetPosition=900 wait 3000 rest ~";
        QTest::newRow("standby stops a move")
            << "move 30000 wait 1000 ~ChipStandby=1 rest ~ TargetPosition=500 wait 3000 rest ~";
        QTest::newRow("external step/dir stops a move")
            << "move 30000 wait 1000 ~ExternalStepDir=1 rest ~ ~ExternalStepDir=0 wait 1000 rest ~";
        QTest::newRow("clear on null at rest") << "move 300 wait 3000 ClearOnNull=1 rest 0";
        // The move under way ends where it was headed, then the counters read 0.
        QTest::newRow("clear on null waits for the arrival")
            << "move 3000 wait 1000 ClearOnNull=1 TargetPosition=-500 wait 1000 beyond 2000 "
               "wait 8000 rest 0";
    }

    void commandSequences()
    {
        QFETCH(QString, steps);
        SimulatedModule module;
        module.setPluginVariant(0, 71);
        const MotionAxis &motion = module.motion(0);
        const QStringList words = steps.split(' ');
        for (int i = 0; i < words.size(); ++i) {
            const QString &word = words.at(i);
            const QString key = "par::" + word.section('=', 0, 0).remove('~');
            if (word == "move") {
                QVERIFY(module.moveToPosition(0, words.at(++i).toInt()));
            } else if (word == "stop") {
                QVERIFY(module.motorStop(0));
            } else if (word == "wait") {
                module.advance(words.at(++i).toInt());
            } else if (word == "beyond") {
                QVERIFY(motion.exactPosition() > words.at(++i).toDouble());
            } else if (word == "moving") {
                module.advance(10);
                QVERIFY(motion.isMoving());
            } else if (word.startsWith('~')) {
                module.setModuleValue(0, key, word.section('=', 1).toLongLong());
            } else if (word.contains('=')) {
                QVERIFY(module.writeParameter(0, key, word.section('=', 1).toLongLong()));
            } else if (word == "rest") {
                const QString at = words.at(++i);
                const double last = motion.exactPosition(), speed = std::abs(motion.velocity());
                module.advance(20000);
                QVERIFY2(motion.isAtRest(), qPrintable(QString::number(i)));
                if (at == "~") // Cedar brakes at 1500 pps²
                    QVERIFY(std::abs(motion.exactPosition() - last) <= speed * speed / 3000 + 1);
                else
                    QCOMPARE(motion.exactPosition(), at.toDouble());
                QCOMPARE(module.moduleValue(0, actualKey), motion.position());
            }
        }
    }

    // A ramp value written during a move is said to apply from the next move, once per move.
    void rampChangeDuringAMoveIsExplained()
    {
        SimulatedModule module;
        QSignalSpy reports(&module, &SimulatedModule::report);
        const QString velocity = QLatin1String(cmd_MaxVelocity);
        QVERIFY(module.writeParameter(0, velocity, 1000)); // standing: nothing to say
        QVERIFY(module.moveToPosition(0, 5000));
        module.advance(500);
        for (int v : {1200, 1300})
            QVERIFY(module.writeParameter(0, velocity, v));
        QVERIFY(module.writeParameter(0, targetKey, 6000)); // not a ramp value
        QCOMPARE(reports.count(), 1);
        QVERIFY(reports.first().first().toString().contains("next move"));
        module.advance(20000);
        QVERIFY(module.moveToPosition(0, 0));
        module.advance(100);
        QVERIFY(module.writeParameter(0, velocity, 900)); // the next move: said again
        QCOMPARE(reports.count(), 2);
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

// The generic position tool driven through its own widgets against the simulated module.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "rampprofile.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;

namespace {
const QString targetKey = QStringLiteral("par::TargetPosition");
const QString actualKey = QStringLiteral("par::ActualPosition");

void report(SimulatedModule &module, qint64 position)
{
    module.setModuleValue(0, actualKey, position);
    module.pollTraces();
}
} // namespace

class TestGenericTool final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // After an absolute move from start to moveTo the steps are applied in order: a number is a
    // position the module reports, "key=value" the module's own change, "check" and "uncheck"
    // set the alternation, anything else is a button.
    void followsTheMove_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("moveTo");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("journal"); // after the move command
        QTest::newRow("past the target") << 0 << 1000 << "500 1200" << 100 << "";
        QTest::newRow("behind the start") << 0 << 1000 << "-100" << 10 << "";
        QTest::newRow("downwards") << 1000 << 0 << "600" << 40 << "";
        QTest::newRow("truncates") << 0 << 3 << "2" << 66 << "";
        QTest::newRow("start equals target") << 700 << 700 << "650" << 100 << "";
        QTest::newRow("full 32-bit span") << -2000000000 << 2000000000 << "0" << 50 << "";
        QTest::newRow("arrival ends following") << 0 << 1000 << "1000 500" << 100 << "";
        QTest::newRow("alternation shuttles")
            << 0 << 1000 << "check 1000 0 250" << 25
            << "write 0 par::TargetPosition 0; write 0 par::TargetPosition 1000";
        QTest::newRow("unchecked while shuttling")
            << 0 << 1000 << "check 1000 uncheck 0 100" << 100 << "write 0 par::TargetPosition 0";
        QTest::newRow("stop ends shuttling")
            << 0 << 1000 << "check 250 btnStop 300 1000" << 100 << "stop 0";
        // Clear keeps following with start and target both read back as 0: the next report of 0
        // is an arrival, and the alternation writes the target again.
        QTest::newRow("clear keeps following")
            << 0 << 1000 << "check 400 btnClear 1 0" << 100
            << "stop 0; write 0 par::TargetPosition 0; write 0 par::ActualPosition 0; "
               "write 0 par::EncoderPosition 0; write 0 par::TargetPosition 0";
        // A relative move of 100 from 400 goes to 500, or from the target 100 to 200, as the
        // module's option says: the tool follows the target that the module reports.
        QTest::newRow("relative from the actual position")
            << 400 << 100 << "btnRelative 450" << 50 << "moveRel 0 100";
        QTest::newRow("relative from the target")
            << 400 << 100 << "par::RelativePositioningOption=0 btnRelative 300" << 50
            << "moveRel 0 100";
    }

    void followsTheMove()
    {
        QFETCH(int, start);
        QFETCH(int, moveTo);
        QFETCH(QString, steps);
        QFETCH(int, percent);
        QFETCH(QString, journal);
        SimulatedModule module;
        module.setModuleValue(0, actualKey, start);
        module.parameter(0, actualKey)->readValue(false); // read before: show reports no change
        Tool tool = makeTool(module, 0);
        tool->showPlugin();
        auto *display = child<QLabel>(tool, "dispActualPosition");
        QCOMPARE(display->text(), QString::number(start));
        child<QSpinBox>(tool, "editTargetPosition")->setValue(moveTo);
        child<QPushButton>(tool, "btnAbsolute")->click();
        QCOMPARE(module.journal(), QStringList{QStringLiteral("move 0 %1").arg(moveTo)});
        module.clearJournal();

        const QStringList list = steps.split(' ');
        for (const QString &step : list) {
            bool isPosition = false;
            const int position = step.toInt(&isPosition);
            if (isPosition)
                report(module, position);
            else if (step.contains('='))
                module.setModuleValue(0, step.section('=', 0, 0),
                                      step.section('=', 1).toLongLong());
            else if (step.endsWith(QLatin1String("check")))
                child<QCheckBox>(tool, "cbAlternating")->setChecked(step == "check");
            else
                child<QPushButton>(tool, qPrintable(step))->click();
        }
        QCOMPARE(module.journal().join("; "), journal);
        QCOMPARE(display->text(), list.last());
        QCOMPARE(child<QProgressBar>(tool, "progressBar")->value(), percent);
    }

    // Stop brakes to rest and Clear is "stop, then zero": the counters read 0 from the moment of
    // Clear, the motor comes to rest within its braking distance, and nothing moves afterwards.
    void stopAndClearStopTheMotor_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("button");
        for (int variant = 69; variant <= 74; ++variant)
            for (const char *button : {"btnStop", "btnClear"})
                QTest::addRow("%d %s", variant, button) << variant << QString(button);
    }

    void stopAndClearStopTheMotor()
    {
        QFETCH(int, variant);
        QFETCH(QString, button);
        const bool clear = button == "btnClear";
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        Tool tool = makeTool(module, variant);
        tool->showPlugin();
        child<QSpinBox>(tool, "editTargetPosition")->setValue(30000);
        child<QPushButton>(tool, "btnAbsolute")->click();
        module.advance(1000);
        const MotionAxis &motion = module.motion(0);
        const double velocity = std::abs(motion.velocity()), from = motion.exactPosition();
        QVERIFY(velocity > 100);
        module.clearJournal();
        child<QPushButton>(tool, qPrintable(button))->click();
        QStringList expected{"stop 0"};
        if (clear) {
            expected << "write 0 par::TargetPosition 0"
                     << "write 0 par::ActualPosition 0";
            if (variant != 74)
                expected << "write 0 par::EncoderPosition 0";
            QCOMPARE(module.moduleValue(0, actualKey), 0);
            QCOMPARE(
                child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")->text(),
                "0");
        }
        QCOMPARE(module.journal(), expected);

        // The family's stop ramp: its gentlest deceleration bounds the braking distance.
        const RampProfile ramp = module.ramp(0);
        double gentlest = ramp.stopDeceleration > 0 ? ramp.stopDeceleration : ramp.deceleration;
        for (double d : {ramp.d1, ramp.d2})
            if (d > 0 && !ramp.sShaped && ramp.stopDeceleration <= 0)
                gentlest = std::min(gentlest, d);
        const double braking = velocity * velocity / (2 * gentlest) + velocity * 0.05;
        module.advance(20000);
        QVERIFY(motion.isAtRest());
        const double travelled = motion.exactPosition() - (clear ? 0 : from);
        QVERIFY2(travelled > 0 && travelled <= braking,
                 qPrintable(QStringLiteral("%1 > %2").arg(travelled).arg(braking)));
        const qint64 rest = module.moduleValue(0, actualKey);
        module.advance(5000);
        QCOMPARE(module.moduleValue(0, actualKey), rest);
        QCOMPARE(module.journal(), expected);
    }

    // With "Alternating movement" on, only the motor reaching the target turns it round: Stop
    // and Clear send what they send and nothing else, whether the tool saw the arrival or not.
    void buttonsWhileAlternating_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("hidden"); // the motor arrives while the tool is hidden
        QTest::addColumn<int>("trips");   // arrivals seen before the button: 1 is on its way back
        for (const char *button : {"btnStop", "btnClear"}) {
            QTest::addRow("%s after an unseen arrival", button) << QString(button) << true << 0;
            QTest::addRow("%s on the way back", button) << QString(button) << false << 1;
            QTest::addRow("%s at the start again", button) << QString(button) << false << 2;
        }
    }

    void buttonsWhileAlternating()
    {
        QFETCH(QString, button);
        QFETCH(bool, hidden);
        QFETCH(int, trips);
        SimulatedModule module;
        module.setPluginVariant(0, 71);
        Tool tool = makeTool(module, 71);
        tool->showPlugin();
        child<QCheckBox>(tool, "cbAlternating")->setChecked(true);
        child<QSpinBox>(tool, "editTargetPosition")->setValue(800);
        child<QPushButton>(tool, "btnAbsolute")->click();
        if (hidden)
            tool->hidePlugin();
        int seen = 0;
        for (int ms = 0; ms < 20000 && (hidden ? !module.motion(0).hasArrived() : seen < trips);
             ms += 10) {
            module.advance(10);
            seen = module.journal().count("write 0 par::TargetPosition 0") +
                   module.journal().count("write 0 par::TargetPosition 800");
        }
        module.advance(trips == 1 ? 300 : 0); // on its way back from 800
        module.clearJournal();
        child<QPushButton>(tool, qPrintable(button))->click();
        QStringList expected{"stop 0"};
        if (button == "btnClear")
            expected << "write 0 par::TargetPosition 0"
                     << "write 0 par::ActualPosition 0"
                     << "write 0 par::EncoderPosition 0";
        QCOMPARE(module.journal(), expected);
        module.advance(10000);
        QVERIFY(module.motion(0).isAtRest());
        QCOMPARE(module.journal(), expected);
        if (!hidden)
            QCOMPARE(child<QProgressBar>(tool, "progressBar")->value(), 100);
    }

    // Every field takes its range from its parameter's limits (as far as an int reaches), the
    // limits a module declares when the tool is made and, in the host's fields, later ones too.
    void fieldsTakeTheModuleLimits_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("later");
        for (int variant = 69; variant <= 74; ++variant) {
            QTest::addRow("%d", variant) << variant << false;
            if (variant != 74) // the Rowan tool takes its limits once
                QTest::addRow("%d, limits changed later", variant) << variant << true;
        }
    }

    void fieldsTakeTheModuleLimits()
    {
        QFETCH(int, variant);
        QFETCH(bool, later);
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        Tool tool;
        if (later)
            tool = makeTool(module, variant);
        QHash<QString, QPair<qint64, qint64>> limits;
        qint64 n = 0;
        for (const QString &key : AxisController::keys()) {
            const qint64 low = (n % 3 == 0) ? -(1LL << 35) : n * 7,
                         high = (n % 4 == 0) ? (1LL << 36) : 1000 + n;
            module.setLimits(0, key, low, high);
            limits.insert(key, {low, high});
            ++n;
        }
        QVERIFY(module.parameter(0, targetKey)->writeValue(1LL << 35));
        if (!later)
            tool = makeTool(module, variant);
        tool->showPlugin();
        const auto clamp = [](qint64 v) {
            return int(qBound<qint64>(INT_MIN, v, INT_MAX));
        };
        const auto check = [&](const QString &name, int minimum, int maximum, const QString &key) {
            const auto expected = limits.value(key);
            QVERIFY2(minimum == clamp(expected.first) && maximum == clamp(expected.second),
                     qPrintable(QStringLiteral("%1: %2..%3").arg(name).arg(minimum).arg(maximum)));
        };
        for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>()) {
            if (field->displayType() != DisplayType::Plain)
                continue;
            const QString key = field->parameter()->parameterName();
            // The Larch rule may raise the stop velocity's minimum above its own.
            const int minimum = key == "par::StopVelocity" && variant == 73
                                    ? clamp(limits.value(key).first)
                                    : field->minimum();
            check(field->objectName(), minimum, field->maximum(), key);
        }
        if (variant == 74) {
            const QPair<const char *, const char *> rowan[] = {
                {"editMaxPosVel", "par::MaxVelocity"},
                {"editAcceleration", "par::MaxAcceleration"},
                {"editVStartStop", "par::StartStopVelocity"}};
            for (const auto &f : rowan) {
                auto *edit = child<QSpinBox>(tool, f.first);
                check(f.first, edit->minimum(), edit->maximum(), f.second);
            }
        } else {
            // The target field takes its limits, and its value, when the tool is made.
            auto *edit = child<QSpinBox>(tool, "editTargetPosition");
            if (!later) {
                check("editTargetPosition", edit->minimum(), edit->maximum(), targetKey);
                QCOMPARE(edit->value(), INT_MAX);
            }
        }
    }

    // What the window shows of the number and the bar follows the motor, update after update:
    // the screen (the backing store as the last paints left it) matches a fresh rendering.
    void screenFollowsTheMotor_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("generic") << 71;
        QTest::newRow("Rowan") << 74;
    }

    void screenFollowsTheMotor()
    {
        QFETCH(int, variant);
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        Tool tool = makeTool(module, variant);
        tool->resize(700, 400);
        tool->show();
        QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
        tool->showPlugin();
        child<QSpinBox>(tool, "editTargetPosition")->setValue(3000);
        child<QPushButton>(tool, "btnAbsolute")->click();
        QList<QWidget *> shown{
            child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")};
        if (variant != 74)
            shown << child<QProgressBar>(tool, "progressBar");
        QStringList seen;
        for (int round = 0; round < 20; ++round) {
            module.advance(200);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            const QImage screen = tool->screen()->grabWindow(tool->winId()).toImage();
            for (QWidget *w : shown) {
                const QRect where(w->mapTo(tool.get(), QPoint()), w->size());
                const QImage fresh = w->grab().toImage().convertToFormat(screen.format());
                QVERIFY2(screen.copy(where) == fresh, qPrintable(QStringLiteral("%1 after %2 ms")
                                                                     .arg(w->objectName())
                                                                     .arg(200 * (round + 1))));
            }
            seen << shown.first()->property("text").toString();
        }
        seen.removeDuplicates();
        QVERIFY(seen.size() > 5 && seen.last() == "3000");
    }

    void targetFieldAndMissingParameters_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("complete") << "";
        QTest::newRow("no target position") << "par::TargetPosition";
        QTest::newRow("no relative option") << "par::RelativePositioningOption";
        QTest::newRow("no actual position") << "par::ActualPosition";
    }

    void targetFieldAndMissingParameters()
    {
        QFETCH(QString, missing);
        const bool targetLimits = missing != targetKey; // else the form's range, and no tooltip
        const bool optionField = !missing.startsWith("par::Relative"); // else a fixed text
        SimulatedModule module;
        module.setLimits(0, targetKey, -5000, 7000);
        module.removeParameter(0, missing);
        module.setModuleValue(0, actualKey, 321);
        Tool tool = makeTool(module, 0);
        auto *edit = child<QSpinBox>(tool, "editTargetPosition");
        QCOMPARE(edit->minimum(), targetLimits ? -5000 : 0);
        QCOMPARE(edit->maximum(), targetLimits ? 7000 : 99);
        QCOMPARE(edit->suffix(), targetLimits ? QStringLiteral(" steps") : QString());
        const QString description =
            module.parameter(0, targetKey)->xmlParameter()->parameterTypeDescription();
        QCOMPARE(edit->toolTip(),
                 targetLimits ? description + "\nInteger [-5000 .. 7000]" : QString());
        auto *combo = child<QComboBox>(tool, "cbRelativePositionOption");
        QCOMPARE(child<QWidget>(tool, "editRelativePosition")->isVisibleTo(tool.get()),
                 optionField);
        QCOMPARE(combo->isVisibleTo(tool.get()), !optionField);
        QCOMPARE(combo->isEnabled(), optionField);
        QCOMPARE(combo->currentText(), optionField ? QString() : QStringLiteral("Actual position"));

        // The steps that do not need the missing parameter still run.
        tool->showPlugin();
        edit->setValue(50);
        child<QPushButton>(tool, "btnAbsolute")->click();
        child<QPushButton>(tool, "btnClear")->click();
        report(module, 60);
        QCOMPARE(child<QLabel>(tool, "dispActualPosition")->text(),
                 missing == actualKey ? "0" : "60");
        for (const char *line : {"move 0 50", "stop 0", "write 0 par::EncoderPosition 0"})
            QVERIFY2(module.journal().contains(QLatin1String(line)), line);
    }
};

QTEST_MAIN(TestGenericTool)
#include "tst_generictool.moc"

// The generic position tool driven through its own widgets against the simulated module.

#include "axilparameter.h"
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

    // With "Alternating movement" on, only the motor reaching the target turns it round: Stop
    // and Clear send what they send and nothing else, whether the tool saw the arrival or not.
    void buttonsWhileAlternating_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("hidden"); // the motor arrives while the tool is hidden
        QTest::addColumn<int>("trips");   // arrivals seen before the button: 1 is on its way back
        for (const char *button : {"btnStop", "btnClear"})
            for (int trips : {0, 1, 2})
                QTest::addRow("%s, %d", button, trips) << QString(button) << (trips == 0) << trips;
    }

    void buttonsWhileAlternating()
    {
        QFETCH(QString, button);
        QFETCH(bool, hidden);
        QFETCH(int, trips);
        SimulatedModule module;
        Tool tool = shownTool(module, 71);
        child<QCheckBox>(tool, "cbAlternating")->setChecked(true);
        child<QSpinBox>(tool, "editTargetPosition")->setValue(800);
        child<QPushButton>(tool, "btnAbsolute")->click();
        if (hidden)
            tool->hidePlugin();
        for (int ms = 0; ms < 20000 &&
                         (hidden ? !module.motion(0).hasArrived() : writes(module).size() < trips);
             ms += 10)
            module.advance(10);
        module.advance(trips == 1 ? 300 : 0); // on its way back from 800
        module.clearJournal();
        child<QPushButton>(tool, qPrintable(button))->click();
        module.advance(10000);
        QVERIFY(module.motion(0).isAtRest());
        QCOMPARE(module.journal().join(", ").remove("write 0 par::"),
                 button == "btnStop"
                     ? "stop 0"
                     : "stop 0, TargetPosition 0, ActualPosition 0, EncoderPosition 0");
        QCOMPARE(child<QProgressBar>(tool, "progressBar")->value(), 100);
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
        Tool tool = shownTool(module, variant, true);
        tool->resize(700, 400);
        QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
        child<QSpinBox>(tool, "editTargetPosition")->setValue(3000);
        child<QPushButton>(tool, "btnAbsolute")->click();
        QList<QWidget *> shown{
            child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")};
        if (variant != 74)
            shown << child<QProgressBar>(tool, "progressBar");
        QStringList seen;
        for (int round = 0; round < 20; ++round) { // a round is 200 ms
            module.advance(200);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            const QImage screen = tool->screen()->grabWindow(tool->winId()).toImage();
            for (QWidget *w : shown) {
                const QRect where(w->mapTo(tool.get(), QPoint()), w->size());
                const QImage fresh = w->grab().toImage().convertToFormat(screen.format());
                QVERIFY2(screen.copy(where) == fresh, qPrintable(w->objectName()));
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
        const QString tip =
            module.parameter(0, targetKey)->xmlParameter()->parameterTypeDescription() +
            "\nInteger [-5000 .. 7000]";
        auto *combo = child<QComboBox>(tool, "cbRelativePositionOption");
        QCOMPARE(
            (QVariantList{edit->minimum(), edit->maximum(), edit->suffix(), edit->toolTip(),
                          child<QWidget>(tool, "editRelativePosition")->isVisibleTo(tool.get()),
                          combo->isVisibleTo(tool.get()), combo->isEnabled(),
                          combo->currentText()}),
            (QVariantList{targetLimits ? -5000 : 0, targetLimits ? 7000 : 99,
                          targetLimits ? " steps" : "", targetLimits ? tip : QString(), optionField,
                          !optionField, optionField, optionField ? "" : "Actual position"}));

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

// The generic position tool driven through its own widgets against the simulated module.

#include "axilparameter.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

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

class TestGenericTool : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void followsTheMove_data();
    void followsTheMove();
    void targetFieldAndMissingParameters_data();
    void targetFieldAndMissingParameters();
    void collapseButton();
    void motorReallyArrivesAndShuttles();
};

void TestGenericTool::followsTheMove_data()
{
    // After an absolute move from start to moveTo, the steps are applied in order: a number is
    // a position the module reports, "key=value" the module's own change, "uncheck" clears the
    // alternation, anything else is a button.
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("moveTo");
    QTest::addColumn<bool>("alternating");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("journal"); // after the move command

    QTest::newRow("quarter") << 0 << 1000 << false << "250" << 25 << "";
    QTest::newRow("past the target") << 0 << 1000 << false << "1200" << 100 << "";
    QTest::newRow("behind the start") << 0 << 1000 << false << "-100" << 10 << "";
    QTest::newRow("downwards") << 1000 << 0 << false << "600" << 40 << "";
    QTest::newRow("negative range") << -500 << -1500 << false << "-1250" << 75 << "";
    QTest::newRow("truncates") << 0 << 3 << false << "2" << 66 << "";
    QTest::newRow("start equals target") << 700 << 700 << false << "650" << 100 << "";
    QTest::newRow("full 32-bit span") << -2000000000 << 2000000000 << false << "0" << 50 << "";
    QTest::newRow("extremes") << INT_MIN + 1 << INT_MAX << false << "-2147483646" << 0 << "";
    QTest::newRow("arrival ends following") << 0 << 1000 << false << "1000 500" << 100 << "";
    QTest::newRow("alternation shuttles")
        << 0 << 1000 << true << "1000 0 250" << 25
        << "write 0 par::TargetPosition 0; write 0 par::TargetPosition 1000";
    QTest::newRow("unchecked while shuttling")
        << 0 << 1000 << true << "1000 uncheck 0 100" << 100 << "write 0 par::TargetPosition 0";
    QTest::newRow("stop ends shuttling")
        << 0 << 1000 << true << "250 btnStop 300 1000" << 100 << "stop 0";
    // Clear keeps following with start and target both read back as 0: the next report of 0 is
    // an arrival, and the alternation writes the target again.
    QTest::newRow("clear keeps following")
        << 0 << 1000 << true << "400 btnClear 1 0" << 100
        << "stop 0; write 0 par::TargetPosition 0; write 0 par::ActualPosition 0; "
           "write 0 par::EncoderPosition 0; write 0 par::TargetPosition 0";
    // A relative move of 100 from 400 goes to 500, or from the target 100 to 200, as the module's
    // option says: the tool follows the target that the module reports.
    QTest::newRow("relative from the actual position")
        << 400 << 100 << false << "btnRelative 450" << 50 << "moveRel 0 100";
    QTest::newRow("relative from the target")
        << 400 << 100 << false << "par::RelativePositioningOption=0 btnRelative 300" << 50
        << "moveRel 0 100";
}

void TestGenericTool::followsTheMove()
{
    QFETCH(int, start);
    QFETCH(int, moveTo);
    QFETCH(bool, alternating);
    QFETCH(QString, steps);
    QFETCH(int, percent);
    QFETCH(QString, journal);

    SimulatedModule module;
    Tool tool = makeTool(module, 0);
    auto *bar = child<QProgressBar>(tool, "progressBar");
    QCOMPARE(bar->value(), 24); // the form's value until the first update
    child<QCheckBox>(tool, "cbAlternating")->setChecked(alternating);
    module.setModuleValue(0, actualKey, start);
    tool->showPlugin();
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
            module.setModuleValue(0, step.section('=', 0, 0), step.section('=', 1).toLongLong());
        else if (step == QLatin1String("uncheck"))
            child<QCheckBox>(tool, "cbAlternating")->setChecked(false);
        else
            child<QPushButton>(tool, qPrintable(step))->click();
    }
    QCOMPARE(module.journal().join("; "), journal);
    QCOMPARE(child<QLabel>(tool, "dispActualPosition")->text(), list.last());
    QCOMPARE(bar->value(), percent);
}

void TestGenericTool::targetFieldAndMissingParameters_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<bool>("targetLimits"); // the target field takes the parameter's limits
    QTest::addColumn<bool>("optionField");  // the bound field shows the option, not a fixed text
    QTest::addColumn<QString>("display");
    QTest::newRow("complete") << "" << true << true << "60";
    QTest::newRow("no target position") << "par::TargetPosition" << false << true << "60";
    QTest::newRow("no relative option")
        << "par::RelativePositioningOption" << true << false << "60";
    QTest::newRow("no actual position") << "par::ActualPosition" << true << true << "0";
}

void TestGenericTool::targetFieldAndMissingParameters()
{
    QFETCH(QString, missing);
    QFETCH(bool, targetLimits);
    QFETCH(bool, optionField);
    QFETCH(QString, display);

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
             targetLimits ? description + "\nInteger [-5.000 .. 7.000]" : QString());
    auto *combo = child<QComboBox>(tool, "cbRelativePositionOption");
    QCOMPARE(child<QWidget>(tool, "editRelativePosition")->isVisibleTo(tool.get()), optionField);
    QCOMPARE(combo->isVisibleTo(tool.get()), !optionField);
    QCOMPARE(combo->isEnabled(), optionField);
    QCOMPARE(combo->currentText(), optionField ? QString() : QStringLiteral("Actual position"));

    // The steps that do not need the missing parameter still run.
    tool->showPlugin();
    edit->setValue(50);
    child<QPushButton>(tool, "btnAbsolute")->click();
    child<QPushButton>(tool, "btnClear")->click();
    report(module, 60);
    QCOMPARE(child<QLabel>(tool, "dispActualPosition")->text(), display);
    for (const char *line : {"move 0 50", "stop 0", "write 0 par::EncoderPosition 0"})
        QVERIFY2(module.journal().contains(QLatin1String(line)), line);
}

void TestGenericTool::collapseButton()
{
    for (int variant : {71, 75}) { // with a panel, and without one (nothing to collapse)
        SimulatedModule module;
        Tool tool = makeTool(module, variant);
        auto *button = child<QPushButton>(tool, "btnHideController");
        QLayout *mainLayout = child<QLayout>(tool, "mainLayout");
        QCOMPARE(mainLayout->count(), variant == 71 ? 2 : 1);
        QWidget *panel = variant == 71 ? mainLayout->itemAt(1)->widget() : nullptr;
        for (bool collapsed : {true, false, true}) {
            QCOMPARE(button->isChecked(), collapsed);
            QVERIFY(!panel || panel->isVisibleTo(tool.get()) != collapsed);
            button->click();
        }
    }
}

void TestGenericTool::motorReallyArrivesAndShuttles()
{
    SimulatedModule module;
    Tool tool = makeTool(module, 71);
    tool->showPlugin();
    child<QCheckBox>(tool, "cbAlternating")->setChecked(true);
    child<QSpinBox>(tool, "editTargetPosition")->setValue(3000);
    child<QPushButton>(tool, "btnAbsolute")->click();

    // Simulated time until the first arrival: the motor stands exactly on the target, the tool
    // shows it and sends the motor back to where it started.
    const QString velocityKey = QStringLiteral("par::ActualVelocity");
    bool moved = false;
    for (int i = 0; i < 1000 && writes(module).isEmpty(); ++i) {
        module.advance(20);
        moved = moved || module.moduleValue(0, velocityKey) > 0;
    }
    QVERIFY(moved);
    QCOMPARE(module.moduleValue(0, actualKey), 3000);
    QCOMPARE(module.moduleValue(0, velocityKey), 0);
    QCOMPARE(child<QLabel>(tool, "dispActualPosition")->text(), QStringLiteral("3000"));
    QCOMPARE(writes(module), QStringList{QStringLiteral("write 0 %1 0").arg(targetKey)});

    // Stop ends the shuttling: the motor comes to rest and nothing more is written.
    module.advance(500);
    child<QPushButton>(tool, "btnStop")->click();
    module.clearJournal();
    for (int i = 0; i < 200; ++i)
        module.advance(20);
    QCOMPARE(module.moduleValue(0, velocityKey), 0);
    QVERIFY(writes(module).isEmpty());
    QCOMPARE(child<QProgressBar>(tool, "progressBar")->value(), 100);
}

QTEST_MAIN(TestGenericTool)
#include "tst_generictool.moc"

// The Rowan position tool driven through its form against the simulated module.

#include "firmwarenames.h"
#include "parametertype.h"
#include "testsupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace ParameterType;
using namespace TestSupport;

class TestRowanTool : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void writesOnlyAfterTheFirstShow();
    void adaptsToTheModule_data();
    void adaptsToTheModule();
    void hintsAndButtons_data();
    void hintsAndButtons();
};

void TestRowanTool::writesOnlyAfterTheFirstShow()
{
    const struct
    {
        const char *field, *key;
        int loaded, edited;
    } fields[] = {{"editMaxPosVel", cmd_MaxVelocity, 3000, 4500},
                  {"editAcceleration", cmd_MaxAcceleration, 1200, 800},
                  {"editVStartStop", cmd_StartStopVelocity, 50, 75},
                  {"cbRelativeTo", cmd_RelativePositioningOption, 1, 0}};
    SimulatedModule module;
    for (const auto &f : fields)
        module.setModuleValue(0, f.key, f.loaded);
    Tool tool = makeTool(module, 74);
    // A person's edit of a field; returns the value that it replaced.
    const auto edit = [&tool](const char *name, int value) {
        QWidget *w = child<QWidget>(tool, name);
        const char *property = qobject_cast<QComboBox *>(w) ? "currentIndex" : "value";
        const int old = w->property(property).toInt();
        w->setProperty(property, value);
        return old;
    };
    for (const auto &f : fields)
        edit(f.field, f.edited);
    QCOMPARE(module.journal(), QStringList());

    // Showing loads the module's values without writing them back; from then on, shown or
    // hidden, every edit is written.
    tool->showPlugin();
    QStringList written;
    for (const auto &f : fields) {
        QCOMPARE(edit(f.field, f.edited), f.loaded);
        written << QStringLiteral("write 0 %1 %2").arg(f.key).arg(f.edited);
    }
    tool->hidePlugin();
    QCOMPARE(module.traceCount(), 0);
    for (const auto &f : fields) {
        edit(f.field, f.loaded);
        written << QStringLiteral("write 0 %1 %2").arg(f.key).arg(f.loaded);
    }
    QCOMPARE(module.journal(), written);
}

void TestRowanTool::adaptsToTheModule_data()
{
    QTest::addColumn<bool>("missing"); // no start/stop velocity and no relative option
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("clearOnNull");

    const QString first = QLatin1String(FirmwareNames::Quorlen);
    QTest::newRow("complete") << false << first << true;
    QTest::newRow("parameters missing") << true << QString(FirmwareNames::Vestrin) << true;
    QTest::newRow("other firmware") << false << "ROWAN-1000" << false;
    QTest::newRow("case differs") << false << first.toLower() << false;
}

void TestRowanTool::adaptsToTheModule()
{
    QFETCH(bool, missing);
    QFETCH(QString, firmware);
    QFETCH(bool, clearOnNull);

    SimulatedModule module;
    module.setModuleValue(0, cmd_RelativePositioningOption, 0);
    module.setLimits(0, cmd_MaxAcceleration, 1000, 2000); // clamps the form's 500, unwritten
    module.setLimits(0, cmd_MaxVelocity, -5000000000LL, 5000000000LL);
    module.setLimits(0, cmd_StartStopVelocity, 300, 200); // minimum above maximum
    module.setLimits(0, cmd_TargetPosition, -1000, 1000); // the form's range stays
    if (missing) {
        module.removeParameter(0, cmd_StartStopVelocity);
        module.removeParameter(0, cmd_RelativePositioningOption);
    }
    module.setModuleNameInFirmware(firmware);
    Tool tool = makeTool(module, 74);
    QStringList toolTips; // they name the range that the field took
    for (const char *name :
         {"editAcceleration", "editMaxPosVel", "editVStartStop", "editTargetPosition"})
        toolTips << child<QSpinBox>(tool, name)->toolTip();
    QCOMPARE(toolTips, (QStringList{"AP 5 (1000..2000)", "AP 4 (-2147483648..2147483647)",
                                    missing ? "AP 130 (0..268435455)" : "AP 130 (300..300)",
                                    "AP 0 (-2147483647..2147483647)"}));
    auto *combo = child<QComboBox>(tool, "cbRelativeTo");
    QCOMPARE(combo->currentText(), QStringLiteral("actual position"));

    QSignalSpy reports(&module, &AxilModuleInterface::report);
    tool->showPlugin();
    QCOMPARE(reports.count(), 0); // nothing read that the module lacks
    auto *startStop = child<QSpinBox>(tool, "editVStartStop");
    QCOMPARE(!startStop->isHidden() && startStop->isEnabled(), !missing);
    QCOMPARE(child<QLabel>(tool, "lblVStartStop")->isHidden(), missing);
    QCOMPARE(combo->isEnabled(), !missing);
    QCOMPARE(combo->currentText(), missing ? "actual position" : "target position");
    auto *button = child<QPushButton>(tool, "btnClearOnNull");
    QCOMPARE(!button->isHidden() && button->isEnabled(), clearOnNull);
    QCOMPARE(button->isHidden() && !button->isEnabled(), !clearOnNull);
    QCOMPARE(module.journal(), QStringList());
}

void TestRowanTool::hintsAndButtons_data()
{
    // Steps in order: "standby=<v>" and "stepDir=<v>" are the module's own changes, each followed
    // by a polling round, anything else a button; "shown" lists the hints and the ramp group.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("journal");

    QTest::newRow("standby 2") << "standby=2" << 0 << "standby hint" << false << "";
    QTest::newRow("standby back to 0") << "standby=1 standby=0" << 0 << "" << true << "";
    QTest::newRow("step/dir 1") << "stepDir=1" << 0 << "step/dir hint" << false << "";
    QTest::newRow("step/dir 2, no hint") << "stepDir=2" << 0 << "" << false << "";
    QTest::newRow("step/dir back to 0") << "stepDir=1 stepDir=0" << 0 << "" << true << "";
    QTest::newRow("standby 0 leaves the step/dir hint")
        << "stepDir=1 standby=1 standby=0" << 0 << "step/dir hint" << true << "";
    QTest::newRow("step/dir 0 leaves the standby hint")
        << "standby=2 stepDir=1 stepDir=0" << 0 << "standby hint" << true << "";
    QTest::newRow("step/dir 2 in standby")
        << "standby=1 stepDir=2" << 0 << "standby hint" << false << "";
    QTest::newRow("absolute") << "btnAbsolute" << 1234 << "" << true << "move 0 1234";
    QTest::newRow("relative") << "btnRelative" << -250 << "" << true << "moveRel 0 -250";
    QTest::newRow("stop") << "btnStop" << 0 << "" << true << "stop 0";
    QTest::newRow("clear")
        << "btnClear" << 0 << "" << true
        << "stop 0; write 0 par::TargetPosition 0; write 0 par::ActualPosition 0";
    QTest::newRow("clear on null") << "btnClearOnNull" << 0 << "" << true
                                   << "write 0 par::TargetPosition 0; write 0 par::ClearOnNull 1";
    QTest::newRow("expand") << "btnHideController" << 0 << "ramp" << true << "";
    QTest::newRow("collapse again")
        << "btnHideController btnHideController" << 0 << "" << true << "";
}

void TestRowanTool::hintsAndButtons()
{
    QFETCH(QString, steps);
    QFETCH(int, field);
    QFETCH(QString, shown);
    QFETCH(bool, enabled);
    QFETCH(QString, journal);

    SimulatedModule module;
    Tool tool = makeTool(module, 74);
    tool->showPlugin();
    child<QSpinBox>(tool, "editTargetPosition")->setValue(field);
    for (const QString &step : steps.split(' ')) {
        if (step.contains('=')) {
            module.setModuleValue(
                0, step.startsWith("standby") ? cmd_ChipStandby : cmd_ExternalStepDir,
                step.section('=', 1).toLongLong());
            module.pollTraces();
        } else {
            child<QPushButton>(tool, qPrintable(step))->click(); // one click, one command
        }
    }
    QCOMPARE(module.journal().join("; "), journal);
    QCOMPARE(tool->toolEnabled(), enabled);
    QCOMPARE(child<QWidget>(tool, "btnAbsolute")->isEnabled(), enabled);
    QVERIFY(child<QLabel>(tool, "dispActPos")->isEnabled()); // readable even while disabled

    // The standby hint comes first in the hints box, the step/dir hint second.
    auto *box = child<QGroupBox>(tool, "gbHints");
    auto *ramp = child<QGroupBox>(tool, "grpRamp");
    const QList<QLabel *> hints = box->findChildren<QLabel *>();
    QCOMPARE(hints.size(), 2);
    QVERIFY(hints[0]->text().startsWith(QLatin1String("Chip is in standby.")));
    const QList<QWidget *> parts{hints[0], hints[1], ramp};
    const QStringList names{"standby hint", "step/dir hint", "ramp"};
    QStringList actual;
    for (int i = 0; i < parts.size(); ++i)
        if (!parts[i]->isHidden() && parts[i]->isEnabled())
            actual << names[i];
    QCOMPARE(actual.join(", "), shown);
    QCOMPARE(!box->isHidden() && box->isEnabled(), shown.contains("hint"));
    QCOMPARE(ramp->maximumSize(),
             ramp->isHidden() ? QSize(0, 0) : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

QTEST_MAIN(TestRowanTool)
#include "tst_rowantool.moc"

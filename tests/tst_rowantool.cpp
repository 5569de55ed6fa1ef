// The Rowan position tool driven through its form against the simulated module.

#include "firmwarenames.h"
#include "genericstepperpositionmode.h"
#include "parametertype.h"
#include "simulatedmodule.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

using namespace ParameterType;
using Tool = std::unique_ptr<ToolsInterface>;

namespace {
Tool makeTool(SimulatedModule &module)
{
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(74);
    return Tool(factory.clone("rowan", 0, &module));
}

template <typename T> T *child(const Tool &tool, const QString &name)
{
    T *w = tool->findChild<T *>(name);
    if (!w)
        qFatal("no widget %s", qPrintable(name));
    return w;
}

// A person's edit of a ramp field or of the relative-to choice; returns the previous value.
int edit(const Tool &tool, const QString &name, int value)
{
    if (auto *combo = tool->findChild<QComboBox *>(name)) {
        const int old = combo->currentIndex();
        combo->setCurrentIndex(value);
        return old;
    }
    const int old = child<QSpinBox>(tool, name)->value();
    child<QSpinBox>(tool, name)->setValue(value);
    return old;
}
} // namespace

class TestRowanTool : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void editsReachTheModuleOnlyAfterFirstShow_data();
    void editsReachTheModuleOnlyAfterFirstShow();
    void limitsFollowTheModule_data();
    void limitsFollowTheModule();
    void availability_data();
    void availability();
    void hints_data();
    void hints();
    void actualPositionNarrowed();
    void buttons_data();
    void buttons();
    void collapseButton();
};

void TestRowanTool::editsReachTheModuleOnlyAfterFirstShow_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("moduleValue");
    QTest::addColumn<int>("edited");

    QTest::newRow("max velocity") << "editMaxPosVel" << cmd_MaxVelocity << 3000 << 4500;
    QTest::newRow("acceleration") << "editAcceleration" << cmd_MaxAcceleration << 1200 << 800;
    QTest::newRow("start/stop") << "editVStartStop" << cmd_StartStopVelocity << 50 << 75;
    QTest::newRow("relative to") << "cbRelativeTo" << cmd_RelativePositioningOption << 1 << 0;
}

void TestRowanTool::editsReachTheModuleOnlyAfterFirstShow()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(int, moduleValue);
    QFETCH(int, edited);

    SimulatedModule module;
    module.setModuleValue(0, key, moduleValue);
    Tool tool = makeTool(module);
    for (const char *name : {"editMaxPosVel", "editAcceleration", "editVStartStop"})
        edit(tool, name, 7);
    edit(tool, "cbRelativeTo", 0);
    QCOMPARE(module.journal(), QStringList());

    // Showing loads the module's value into the field without writing it back.
    tool->showPlugin();
    QCOMPARE(edit(tool, field, edited), moduleValue);
    const QString written = QStringLiteral("write 0 %1 %2").arg(key);
    QCOMPARE(module.journal(), QStringList{written.arg(edited)});

    tool->hidePlugin();
    QCOMPARE(module.traceCount(), 0);
    edit(tool, field, moduleValue);
    QCOMPARE(module.journal(), (QStringList{written.arg(edited), written.arg(moduleValue)}));
}

void TestRowanTool::limitsFollowTheModule_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("minimum");
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("acceleration, value clamped") << cmd_MaxAcceleration << "editAcceleration"
                                                 << 1000LL << 2000LL << 1000 << "AP 5 (1000..2000)";
    QTest::newRow("minimum above maximum")
        << cmd_MaxAcceleration << "editAcceleration" << 300LL << 200LL << 300 << "AP 5 (300..300)";
    QTest::newRow("max velocity beyond int")
        << cmd_MaxVelocity << "editMaxPosVel" << -5000000000LL << 5000000000LL << 0
        << "AP 4 (-2147483648..2147483647)";
    QTest::newRow("start/stop") << cmd_StartStopVelocity << "editVStartStop" << 10LL << 99LL << 10
                                << "AP 130 (10..99)";
    QTest::newRow("target keeps the form's range")
        << cmd_TargetPosition << "editTargetPosition" << -1000LL << 1000LL << 0
        << "AP 0 (-2147483647..2147483647)";
}

void TestRowanTool::limitsFollowTheModule()
{
    QFETCH(QString, key);
    QFETCH(QString, field);
    QFETCH(qint64, minimum);
    QFETCH(qint64, maximum);
    QFETCH(int, value);
    QFETCH(QString, toolTip);

    SimulatedModule module;
    module.setLimits(0, key, minimum, maximum);
    Tool tool = makeTool(module);
    auto *spin = child<QSpinBox>(tool, field);
    QCOMPARE(spin->toolTip(), toolTip);
    QVERIFY(toolTip.endsWith(QStringLiteral("(%1..%2)").arg(spin->minimum()).arg(spin->maximum())));
    QCOMPARE(spin->value(), value);
    QCOMPARE(module.journal(), QStringList());
}

void TestRowanTool::availability_data()
{
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("startStop");
    QTest::addColumn<QString>("relativeTo"); // the choice after the first show; empty: disabled
    QTest::addColumn<bool>("clearOnNull");

    const QString first = QLatin1String(FirmwareNames::Quorlen);
    const QString second = QLatin1String(FirmwareNames::Vestrin);
    QTest::newRow("complete") << "" << first << true << "target position" << true;
    QTest::newRow("no start/stop")
        << cmd_StartStopVelocity << first << false << "target position" << true;
    QTest::newRow("no relative option")
        << cmd_RelativePositioningOption << second << true << "" << true;
    QTest::newRow("other firmware") << ""
                                    << "ROWAN-1000" << true << "target position" << false;
    QTest::newRow("case differs") << "" << first.toLower() << true << "target position" << false;
}

void TestRowanTool::availability()
{
    QFETCH(QString, removed);
    QFETCH(QString, firmware);
    QFETCH(bool, startStop);
    QFETCH(QString, relativeTo);
    QFETCH(bool, clearOnNull);

    SimulatedModule module;
    module.setModuleValue(0, cmd_RelativePositioningOption, 0);
    module.removeParameter(0, removed);
    module.setModuleNameInFirmware(firmware);
    Tool tool = makeTool(module);
    auto *combo = child<QComboBox>(tool, "cbRelativeTo");
    QCOMPARE(combo->currentText(), QStringLiteral("actual position"));
    tool->showPlugin();

    auto *startStopField = child<QSpinBox>(tool, "editVStartStop");
    QCOMPARE(!startStopField->isHidden() && startStopField->isEnabled(), startStop);
    QCOMPARE(!child<QLabel>(tool, "lblVStartStop")->isHidden(), startStop);
    QCOMPARE(module.readCount(0, cmd_StartStopVelocity), startStop ? 1 : 0);
    QCOMPARE(combo->isEnabled(), !relativeTo.isEmpty());
    QCOMPARE(combo->currentText(), relativeTo.isEmpty() ? "actual position" : relativeTo);
    auto *button = child<QPushButton>(tool, "btnClearOnNull");
    QCOMPARE(!button->isHidden() && button->isEnabled(), clearOnNull);
    QCOMPARE(button->isHidden() && !button->isEnabled(), !clearOnNull);
    QCOMPARE(module.journal(), QStringList());
}

void TestRowanTool::hints_data()
{
    // Steps are "<key> <value>", applied in order, each followed by a polling round.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("standbyShown");
    QTest::addColumn<bool>("stepDirShown");

    const QString standby = QLatin1String(cmd_ChipStandby) + QLatin1String(" %1");
    const QString stepDir = QLatin1String(cmd_ExternalStepDir) + QLatin1String(" %1");
    QTest::newRow("standby 1") << QStringList{standby.arg(1)} << false << true << false;
    QTest::newRow("standby 2") << QStringList{standby.arg(2)} << false << true << false;
    QTest::newRow("standby back to 0")
        << QStringList{standby.arg(1), standby.arg(0)} << true << false << false;
    QTest::newRow("step/dir 1") << QStringList{stepDir.arg(1)} << false << false << true;
    QTest::newRow("step/dir 2, no hint") << QStringList{stepDir.arg(2)} << false << false << false;
    QTest::newRow("step/dir back to 0")
        << QStringList{stepDir.arg(1), stepDir.arg(0)} << true << false << false;
    QTest::newRow("standby 0 leaves the step/dir hint")
        << QStringList{stepDir.arg(1), standby.arg(1), standby.arg(0)} << true << false << true;
    QTest::newRow("step/dir 0 leaves the standby hint")
        << QStringList{standby.arg(2), stepDir.arg(1), stepDir.arg(0)} << true << true << false;
    QTest::newRow("step/dir 2 while in standby")
        << QStringList{standby.arg(1), stepDir.arg(2)} << false << true << false;
}

void TestRowanTool::hints()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, enabled);
    QFETCH(bool, standbyShown);
    QFETCH(bool, stepDirShown);

    SimulatedModule module;
    Tool tool = makeTool(module);
    tool->showPlugin();
    for (const QString &step : qAsConst(steps)) {
        module.setModuleValue(0, step.section(' ', 0, 0), step.section(' ', 1).toLongLong());
        module.pollTraces();
    }

    for (const char *control : {"editTargetPosition", "btnAbsolute", "btnClear", "editMaxPosVel",
                                "btnHideController", "lblActualPosition"})
        QVERIFY2(child<QWidget>(tool, control)->isEnabled() == enabled, control);
    QVERIFY(child<QLabel>(tool, "dispActPos")->isEnabled());

    // The standby hint comes first in the box, the step/dir hint second.
    auto *box = child<QGroupBox>(tool, "gbHints");
    const QList<QLabel *> labels = box->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 2);
    QVERIFY(labels[0]->text().startsWith(QLatin1String("Chip is in standby.")));
    QCOMPARE(!labels[0]->isHidden(), standbyShown);
    QCOMPARE(!labels[1]->isHidden(), stepDirShown);
    QCOMPARE(!box->isHidden() && box->isEnabled(), standbyShown || stepDirShown);
    QVERIFY((!standbyShown || labels[0]->isEnabled()) && (!stepDirShown || labels[1]->isEnabled()));
}

void TestRowanTool::actualPositionNarrowed()
{
    SimulatedModule module;
    Tool tool = makeTool(module);
    tool->showPlugin();
    const QList<QPair<qint64, QString>> cases = {{123456, "123456"},
                                                 {(1LL << 32) + 5, "5"},
                                                 {1LL << 31, "-2147483648"},
                                                 {-(1LL << 32) - 1, "-1"}};
    for (const auto &c : cases) {
        module.setModuleValue(0, cmd_ActualPosition, c.first);
        module.pollTraces();
        QCOMPARE(child<QLabel>(tool, "dispActPos")->text(), c.second);
    }
}

void TestRowanTool::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("field");
    QTest::addColumn<QStringList>("journal");

    QTest::newRow("absolute") << "btnAbsolute" << 1234 << QStringList{"move 0 1234"};
    QTest::newRow("relative") << "btnRelative" << -250 << QStringList{"moveRel 0 -250"};
    QTest::newRow("stop") << "btnStop" << 0 << QStringList{"stop 0"};
    QTest::newRow("clear") << "btnClear" << 0
                           << QStringList{"stop 0", "write 0 par::TargetPosition 0",
                                          "write 0 par::ActualPosition 0"};
    QTest::newRow("clear on null")
        << "btnClearOnNull" << 0
        << QStringList{"write 0 par::TargetPosition 0", "write 0 par::ClearOnNull 1"};
}

void TestRowanTool::buttons()
{
    QFETCH(QString, button);
    QFETCH(int, field);
    QFETCH(QStringList, journal);

    SimulatedModule module;
    Tool tool = makeTool(module);
    tool->showPlugin();
    child<QSpinBox>(tool, "editTargetPosition")->setValue(field);
    child<QPushButton>(tool, button)->click(); // one click, one command
    QCOMPARE(module.journal(), journal);
}

void TestRowanTool::collapseButton()
{
    SimulatedModule module;
    Tool tool = makeTool(module);
    auto *toggle = child<QPushButton>(tool, "btnHideController");
    auto *ramp = child<QGroupBox>(tool, "grpRamp");
    for (bool collapsed : {true, false, true}) {
        QCOMPARE(toggle->isChecked(), collapsed);
        QCOMPARE(ramp->isHidden(), collapsed);
        QCOMPARE(ramp->maximumSize(),
                 collapsed ? QSize(0, 0) : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        toggle->click();
    }
}

QTEST_MAIN(TestRowanTool)
#include "tst_rowantool.moc"

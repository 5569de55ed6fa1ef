// The generic position tool driven through its own widgets against the simulated module.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "genericstepperpositionmode.h"
#include "parametertype.h"
#include "simulatedmodule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {
const QString target = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actual = QLatin1String(ParameterType::cmd_ActualPosition);
const QString velocity = QLatin1String(ParameterType::cmd_ActualVelocity);
const QString counter = QLatin1String(ParameterType::cmd_EncoderPosition);
const QString relativeOption = QLatin1String(ParameterType::cmd_RelativePositioningOption);

std::unique_ptr<ToolsInterface> makeTool(SimulatedModule &module, int variant = 0)
{
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(variant);
    return std::unique_ptr<ToolsInterface>(factory.clone(QStringLiteral("tool"), 0, &module));
}

template <typename T> T *child(QWidget *tool, const char *name)
{
    T *w = tool->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}
} // namespace

class TestGenericTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void progressFollowsTheMove_data();
    void progressFollowsTheMove();
    void arrivalEndsFollowing();
    void alternationShuttles();
    void stopEndsFollowing();
    void clearWritesInOrderAndKeepsFollowing();
    void relativeMoveReadsTheModulesTarget_data();
    void relativeMoveReadsTheModulesTarget();
    void targetFieldFollowsTheParameter();
    void moduleWithoutParameters_data();
    void moduleWithoutParameters();
    void collapseButton_data();
    void collapseButton();
    void motorReallyArrives();
    void shuttlesUnderSimulatedTime();

private:
    // Shows the tool and starts an absolute move from start to moveTo, as a person would.
    void startMove(ToolsInterface *tool, SimulatedModule &module, int start, int moveTo);
    void report(SimulatedModule &module, qint64 position);
};

void TestGenericTool::init()
{
    QLocale::setDefault(QLocale::c());
}

void TestGenericTool::startMove(ToolsInterface *tool, SimulatedModule &module, int start,
                                int moveTo)
{
    module.setModuleValue(0, actual, start);
    tool->showPlugin();
    child<QSpinBox>(tool, "editTargetPosition")->setValue(moveTo);
    child<QPushButton>(tool, "btnAbsolute")->click();
}

void TestGenericTool::report(SimulatedModule &module, qint64 position)
{
    module.setModuleValue(0, actual, position);
    module.pollTraces();
}

void TestGenericTool::progressFollowsTheMove_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("moveTo");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("percent");

    QTest::newRow("quarter") << 0 << 1000 << 250 << 25;
    QTest::newRow("past the target") << 0 << 1000 << 1200 << 100;
    QTest::newRow("behind the start") << 0 << 1000 << -100 << 10;
    QTest::newRow("downwards") << 1000 << 0 << 600 << 40;
    QTest::newRow("negative range") << -500 << -1500 << -1250 << 75;
    QTest::newRow("truncates") << 0 << 3 << 2 << 66;
    QTest::newRow("start equals target") << 700 << 700 << 650 << 100;
    QTest::newRow("full 32-bit span") << -2000000000 << 2000000000 << 0 << 50;
    QTest::newRow("full span downwards") << 2000000000 << -2000000000 << -1999999999 << 99;
    QTest::newRow("extremes") << INT_MIN + 1 << INT_MAX << INT_MIN + 2 << 0;
}

void TestGenericTool::progressFollowsTheMove()
{
    QFETCH(int, start);
    QFETCH(int, moveTo);
    QFETCH(int, position);
    QFETCH(int, percent);

    SimulatedModule module;
    auto tool = makeTool(module);
    startMove(tool.get(), module, start, moveTo);
    QCOMPARE(module.journal(), QStringList{QStringLiteral("move 0 %1").arg(moveTo)});

    report(module, position);
    QCOMPARE(child<QLabel>(tool.get(), "dispActualPosition")->text(), QString::number(position));
    QCOMPARE(child<QProgressBar>(tool.get(), "progressBar")->value(), percent);
}

void TestGenericTool::arrivalEndsFollowing()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    auto *bar = child<QProgressBar>(tool.get(), "progressBar");
    QCOMPARE(bar->value(), 24); // the form's value until the first update

    startMove(tool.get(), module, 0, 1000);
    report(module, 1000);
    QCOMPARE(bar->value(), 100);
    // Idle again: a later position shows 100, not a fraction of the old move.
    report(module, 500);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(module.journal(), QStringList{QStringLiteral("move 0 1000")});
}

void TestGenericTool::alternationShuttles()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    auto *alternating = child<QCheckBox>(tool.get(), "cbAlternating");
    auto *bar = child<QProgressBar>(tool.get(), "progressBar");
    alternating->setChecked(true);
    startMove(tool.get(), module, 0, 500);
    module.clearJournal();

    report(module, 500);
    QCOMPARE(module.journal(), QStringList{QStringLiteral("write 0 %1 0").arg(target)});
    report(module, 250);
    QCOMPARE(bar->value(), 50);
    report(module, 0);
    QCOMPARE(module.journal().last(), QStringLiteral("write 0 %1 500").arg(target));

    // Unchecked while shuttling: the next arrival ends it without a further write.
    alternating->setChecked(false);
    module.clearJournal();
    report(module, 500);
    QVERIFY(module.journal().isEmpty());
    report(module, 100);
    QCOMPARE(bar->value(), 100);
}

void TestGenericTool::stopEndsFollowing()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    child<QCheckBox>(tool.get(), "cbAlternating")->setChecked(true);
    startMove(tool.get(), module, 0, 800);
    report(module, 200);
    QCOMPARE(child<QProgressBar>(tool.get(), "progressBar")->value(), 25);

    child<QPushButton>(tool.get(), "btnStop")->click();
    QCOMPARE(module.journal().last(), QStringLiteral("stop 0"));
    report(module, 300);
    QCOMPARE(child<QProgressBar>(tool.get(), "progressBar")->value(), 100);
    // Reaching the old target no longer shuttles.
    module.clearJournal();
    report(module, 800);
    QVERIFY(module.journal().isEmpty());
}

void TestGenericTool::clearWritesInOrderAndKeepsFollowing()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    child<QCheckBox>(tool.get(), "cbAlternating")->setChecked(true);
    startMove(tool.get(), module, 100, 900);
    report(module, 400);
    module.clearJournal();

    child<QPushButton>(tool.get(), "btnClear")->click();
    QCOMPARE(module.journal(), (QStringList{QStringLiteral("stop 0"),
                                            QStringLiteral("write 0 %1 0").arg(target),
                                            QStringLiteral("write 0 %1 0").arg(actual),
                                            QStringLiteral("write 0 %1 0").arg(counter)}));
    QCOMPARE(module.moduleValue(0, counter), 0);
    QCOMPARE(child<QLabel>(tool.get(), "dispActualPosition")->text(), QStringLiteral("0"));

    // Still following, with start and target both read back as 0: the next report of the
    // target position counts as an arrival and, with alternation on, writes the target again.
    module.clearJournal();
    report(module, 1);
    report(module, 0);
    QCOMPARE(module.journal(), QStringList{QStringLiteral("write 0 %1 0").arg(target)});
}

void TestGenericTool::relativeMoveReadsTheModulesTarget_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("expectedTarget");
    QTest::addColumn<int>("halfway");

    // Actual position 400, previous target 1000, distance 100.
    QTest::newRow("from the actual position") << 1 << 500 << 450;
    QTest::newRow("from the target") << 0 << 1100 << 750;
}

void TestGenericTool::relativeMoveReadsTheModulesTarget()
{
    QFETCH(int, option);
    QFETCH(int, expectedTarget);
    QFETCH(int, halfway);

    SimulatedModule module;
    module.setModuleValue(0, target, 1000);
    module.setModuleValue(0, relativeOption, option);
    auto tool = makeTool(module);
    module.setModuleValue(0, actual, 400);
    tool->showPlugin();
    child<QSpinBox>(tool.get(), "editTargetPosition")->setValue(100);
    child<QPushButton>(tool.get(), "btnRelative")->click();

    QCOMPARE(module.journal(), QStringList{QStringLiteral("moveRel 0 100")});
    QCOMPARE(module.moduleValue(0, target), expectedTarget);
    report(module, halfway);
    QCOMPARE(child<QProgressBar>(tool.get(), "progressBar")->value(), 50);
    report(module, expectedTarget);
    QCOMPARE(child<QProgressBar>(tool.get(), "progressBar")->value(), 100);
}

void TestGenericTool::targetFieldFollowsTheParameter()
{
    SimulatedModule module;
    module.setLimits(0, target, -5000, 7000);
    auto tool = makeTool(module);
    auto *edit = child<QSpinBox>(tool.get(), "editTargetPosition");
    QCOMPARE(edit->minimum(), -5000);
    QCOMPARE(edit->maximum(), 7000);
    QCOMPARE(edit->suffix(), module.parameter(0, target)->unit());
    const QStringList tip = edit->toolTip().split(QLatin1Char('\n'));
    QCOMPARE(tip.size(), 2);
    QCOMPARE(tip.at(0), module.parameter(0, target)->xmlParameter()->parameterTypeDescription());
    QCOMPARE(tip.at(1), QStringLiteral("Integer [-5.000 .. 7.000]"));
}

void TestGenericTool::moduleWithoutParameters_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("target position") << target;
    QTest::newRow("relative option") << relativeOption;
    QTest::newRow("actual position") << actual;
}

void TestGenericTool::moduleWithoutParameters()
{
    QFETCH(QString, missing);

    SimulatedModule module;
    module.removeParameter(0, missing);
    module.setModuleValue(0, actual, 321);
    auto tool = makeTool(module);
    auto *edit = child<QSpinBox>(tool.get(), "editTargetPosition");
    auto *combo = child<QComboBox>(tool.get(), "cbRelativePositionOption");
    auto *optionField = child<QWidget>(tool.get(), "editRelativePosition");
    auto *display = child<QLabel>(tool.get(), "dispActualPosition");

    tool->showPlugin();
    edit->setValue(50);
    child<QPushButton>(tool.get(), "btnAbsolute")->click();
    child<QPushButton>(tool.get(), "btnClear")->click();
    report(module, 60);

    if (missing == target) {
        QCOMPARE(edit->minimum(), 0);
        QCOMPARE(edit->maximum(), 99);
        QVERIFY(edit->suffix().isEmpty());
        QVERIFY(edit->toolTip().isEmpty());
    } else {
        QCOMPARE(edit->maximum(), INT_MAX);
    }
    if (missing == relativeOption) {
        QVERIFY(combo->isVisibleTo(tool.get()));
        QVERIFY(!combo->isEnabled());
        QCOMPARE(combo->currentText(), QStringLiteral("Actual position"));
        QVERIFY(!optionField->isVisibleTo(tool.get()));
    } else {
        QVERIFY(!combo->isVisibleTo(tool.get()));
        QVERIFY(optionField->isVisibleTo(tool.get()));
    }
    if (missing == actual) {
        QCOMPARE(display->text(), QStringLiteral("0"));
        QVERIFY(!module.journal().contains(QStringLiteral("write 0 %1 0").arg(actual)));
    } else {
        QCOMPARE(display->text(), QStringLiteral("60"));
    }
    // The steps that do not need the missing parameter still ran.
    QVERIFY(module.journal().contains(QStringLiteral("move 0 50")));
    QVERIFY(module.journal().contains(QStringLiteral("stop 0")));
    QCOMPARE(module.journal().contains(QStringLiteral("write 0 %1 0").arg(counter)), true);
}

void TestGenericTool::collapseButton_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("hasPanel");
    QTest::newRow("with a panel") << 71 << true;
    QTest::newRow("without a panel") << 75 << false;
}

void TestGenericTool::collapseButton()
{
    QFETCH(int, variant);
    QFETCH(bool, hasPanel);

    SimulatedModule module;
    auto tool = makeTool(module, variant);
    auto *button = child<QPushButton>(tool.get(), "btnHideController");
    auto *position = child<QWidget>(tool.get(), "grpPosition");
    QLayout *mainLayout = position->parentWidget()->layout()->itemAt(0)->layout();
    QVERIFY(mainLayout);
    QCOMPARE(mainLayout->count(), hasPanel ? 2 : 1);
    QVERIFY(button->isChecked());

    QWidget *panel = hasPanel ? mainLayout->itemAt(1)->widget() : nullptr;
    if (panel)
        QVERIFY(!panel->isVisibleTo(tool.get()));
    button->click();
    QVERIFY(!button->isChecked());
    if (panel)
        QVERIFY(panel->isVisibleTo(tool.get()));
    button->click();
    if (panel)
        QVERIFY(!panel->isVisibleTo(tool.get()));
    QVERIFY(position->isVisibleTo(tool.get()));
}

void TestGenericTool::motorReallyArrives()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    startMove(tool.get(), module, 0, 3000);
    auto *bar = child<QProgressBar>(tool.get(), "progressBar");

    int lastPercent = 0;
    bool sawMotion = false;
    for (int i = 0; i < 500 && module.moduleValue(0, actual) != 3000; ++i) {
        module.advance(20);
        if (module.moduleValue(0, actual) == 0)
            continue; // not yet under way: the bar still shows the idle 100
        QVERIFY(bar->value() >= lastPercent);
        lastPercent = bar->value();
        sawMotion = sawMotion || module.moduleValue(0, velocity) > 0;
    }
    QVERIFY(sawMotion);
    QCOMPARE(module.moduleValue(0, actual), 3000);
    QCOMPARE(module.moduleValue(0, velocity), 0);
    QCOMPARE(child<QLabel>(tool.get(), "dispActualPosition")->text(), QStringLiteral("3000"));
    QCOMPARE(bar->value(), 100);
}

void TestGenericTool::shuttlesUnderSimulatedTime()
{
    SimulatedModule module;
    auto tool = makeTool(module);
    child<QCheckBox>(tool.get(), "cbAlternating")->setChecked(true);
    startMove(tool.get(), module, 0, 1000);

    QStringList arrivals;
    for (int i = 0; i < 1000 && arrivals.size() < 3; ++i) {
        module.advance(20);
        arrivals << module.journal().filter(QStringLiteral("write"));
        module.clearJournal();
    }
    QCOMPARE(arrivals, (QStringList{QStringLiteral("write 0 %1 0").arg(target),
                                    QStringLiteral("write 0 %1 1000").arg(target),
                                    QStringLiteral("write 0 %1 0").arg(target)}));

    child<QPushButton>(tool.get(), "btnStop")->click();
    for (int i = 0; i < 200; ++i)
        module.advance(20);
    QCOMPARE(module.moduleValue(0, velocity), 0);
    QVERIFY(module.journal().filter(QStringLiteral("write")).isEmpty());
}

QTEST_MAIN(TestGenericTool)
#include "tst_generictool.moc"

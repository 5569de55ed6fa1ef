// The Rowan position tool driven through its form against the simulated module.

#include "firmwarenames.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>
#include <cmath>

using namespace TestSupport;

class TestRowanTool : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void editsAndButtonsAfterTheFirstShow();
    void adaptsToTheModule_data();
    void adaptsToTheModule();
    void hints();
    void rampFieldsWriteWhatIsCommitted_data();
    void rampFieldsWriteWhatIsCommitted();
    void clearOnNullFinishesTheMove_data();
    void clearOnNullFinishesTheMove();
};

void TestRowanTool::editsAndButtonsAfterTheFirstShow()
{
    const struct
    {
        const char *field, *property, *key;
        int loaded, edited;
    } fields[] = {{"editMaxPosVel", "value", "par::MaxVelocity", 3000, 4500},
                  {"editAcceleration", "value", "par::MaxAcceleration", 1200, 800},
                  {"editVStartStop", "value", "par::StartStopVelocity", 50, 75},
                  {"cbRelativeTo", "currentIndex", "par::RelativePositioningOption", 1, 0}};
    SimulatedModule module;
    for (const auto &f : fields)
        module.setModuleValue(0, f.key, f.loaded);
    Tool tool = makeTool(module, 74);
    for (const auto &f : fields)
        child<QWidget>(tool, f.field)->setProperty(f.property, f.edited);
    QCOMPARE(module.journal(), QStringList());

    // Showing loads the module's values, unwritten; from then on, even hidden, edits write.
    tool->showPlugin();
    tool->hidePlugin();
    QCOMPARE(module.traceCount(), 0);
    QStringList written;
    for (const auto &f : fields) {
        QWidget *w = child<QWidget>(tool, f.field);
        QCOMPARE(w->property(f.property).toInt(), f.loaded);
        w->setProperty(f.property, f.edited);
        written << QStringLiteral("write 0 %1 %2").arg(f.key).arg(f.edited);
    }
    QCOMPARE(module.journal(), written);

    // Each button is one command; the ramp group opens and closes.
    module.clearJournal();
    child<QSpinBox>(tool, "editTargetPosition")->setValue(1234);
    for (const char *name : {"btnAbsolute", "btnRelative", "btnStop", "btnClear", "btnClearOnNull"})
        child<QPushButton>(tool, name)->click();
    QCOMPARE(module.journal().join("; "),
             "move 0 1234; moveRel 0 1234; stop 0; stop 0; write 0 par::TargetPosition 0; write 0 "
             "par::ActualPosition 0; write 0 par::TargetPosition 0; write 0 par::ClearOnNull 1");
    auto *ramp = child<QGroupBox>(tool, "grpRamp");
    for (bool expanded : {true, false}) {
        child<QPushButton>(tool, "btnHideController")->click();
        QCOMPARE(ramp->isHidden(), !expanded);
        QCOMPARE(ramp->maximumSize(),
                 expanded ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : QSize(0, 0));
    }
}

void TestRowanTool::adaptsToTheModule_data()
{
    QTest::addColumn<bool>("missing"); // no start/stop velocity and no relative option
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("clearOnNull");
    QTest::newRow("complete") << false << QString(FirmwareNames::Vestrin) << true;
    QTest::newRow("parameters missing, other firmware")
        << true << QString(FirmwareNames::Quorlen).toLower() << false;
}

void TestRowanTool::adaptsToTheModule()
{
    QFETCH(bool, missing);
    QFETCH(QString, firmware);
    QFETCH(bool, clearOnNull);
    SimulatedModule module;
    module.setModuleValue(0, "par::RelativePositioningOption", 0);
    module.setLimits(0, "par::MaxAcceleration", 1000, 2000); // clamps the form's 500, unwritten
    module.setLimits(0, "par::MaxVelocity", -5000000000LL, 5000000000LL);
    module.setModuleValue(0, "par::MaxVelocity", (1LL << 32) + 1); // shows as the field's limit
    module.setLimits(0, "par::StartStopVelocity", 300, 200);       // minimum above maximum
    for (const char *key : {"par::StartStopVelocity", "par::RelativePositioningOption"})
        if (missing)
            module.removeParameter(0, key);
    module.setModuleNameInFirmware(firmware);
    Tool tool = makeTool(module, 74);
    QStringList toolTips; // they name the range that the field took
    for (const char *name : {"editAcceleration", "editMaxPosVel", "editVStartStop"})
        toolTips << child<QSpinBox>(tool, name)->toolTip();
    QCOMPARE(toolTips, (QStringList{"AP 5 (1000..2000)", "AP 4 (-2147483648..2147483647)",
                                    missing ? "AP 130 (0..268435455)" : "AP 130 (300..300)"}));

    QSignalSpy reports(&module, &AxilModuleInterface::report);
    tool->showPlugin();
    QCOMPARE(reports.count(), 0); // nothing read that the module lacks
    QCOMPARE(module.journal(), QStringList());
    QCOMPARE(child<QSpinBox>(tool, "editMaxPosVel")->value(), 2147483647);
    auto *combo = child<QComboBox>(tool, "cbRelativeTo");
    QCOMPARE(combo->currentText(), missing ? "actual position" : "target position");
    auto *startStop = child<QSpinBox>(tool, "editVStartStop");
    auto *button = child<QPushButton>(tool, "btnClearOnNull");
    QCOMPARE((QVector<bool>{startStop->isHidden(), startStop->isEnabled(),
                            child<QWidget>(tool, "lblVStartStop")->isHidden(), combo->isEnabled(),
                            button->isHidden(), button->isEnabled()}),
             (QVector<bool>{missing, !missing, missing, !missing, !clearOnNull, clearOnNull}));
}

void TestRowanTool::hints()
{
    // Standby and step/dir values polled in turn; the hints then shown, in a box shown only then.
    const struct
    {
        const char *key;
        int value;
        bool enabled;
        QString shown;
    } steps[] = {
        {"ChipStandby", 2, false, "standby"}, {"ExternalStepDir", 1, false, "standby step/dir"},
        {"ChipStandby", 0, true, "step/dir"}, {"ExternalStepDir", 2, false, ""},
        {"ChipStandby", 1, false, "standby"}, {"ExternalStepDir", 0, true, "standby"},
        {"ChipStandby", 0, true, ""}};
    SimulatedModule module;
    Tool tool = makeTool(module, 74);
    tool->showPlugin();
    tool->resize(700, 400);
    tool->show();
    auto *box = child<QGroupBox>(tool, "gbHints");
    // A hint that appears or goes moves no control.
    const auto places = [&tool] {
        QStringList list;
        for (QWidget *w : tool->findChildren<QWidget *>(QRegularExpression("^(btn|edit|cb)")))
            if (w->isVisible())
                list << QStringLiteral("%1 %2,%3").arg(w->objectName()).arg(w->x()).arg(w->y());
        return list;
    };
    QCoreApplication::processEvents();
    const QStringList before = places();
    const QList<QWidget *> hints = box->findChildren<QWidget *>(); // standby first
    const auto on = [](const QWidget *w) {
        return !w->isHidden() && w->isEnabled();
    };
    for (const auto &step : steps) {
        module.setModuleValue(0, QLatin1String("par::") + step.key, step.value);
        module.pollTraces();
        QCOMPARE(child<QWidget>(tool, "btnAbsolute")->isEnabled(), step.enabled);
        QVERIFY(child<QWidget>(tool, "dispActPos")->isEnabled()); // readable even while disabled
        QCoreApplication::processEvents();
        QCOMPARE(places(), before);
        QCOMPARE((QVector<bool>{on(hints.at(0)), on(hints.at(1)), on(box)}),
                 (QVector<bool>{step.shown.contains("standby"), step.shown.contains("step/dir"),
                                !step.shown.isEmpty()}));
        // Hidden and shown again (another tab, then back): under a hint nothing can be used.
        tool->hidePlugin();
        tool->showPlugin();
        const bool blocked = module.moduleValue(0, "par::ChipStandby") != 0 ||
                             module.moduleValue(0, "par::ExternalStepDir") != 0;
        for (QWidget *w : tool->findChildren<QWidget *>())
            if (w->focusPolicy() != Qt::NoFocus && !w->objectName().startsWith("qt_"))
                QVERIFY2(w->isEnabled() != blocked, qPrintable(w->objectName()));
    }
}

void TestRowanTool::rampFieldsWriteWhatIsCommitted_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("commit"); // how the typing ends
    QTest::addColumn<QString>("written");
    for (const char *field : {"editMaxPosVel", "editAcceleration", "editVStartStop"}) {
        QTest::addRow("%s, Enter", field) << field << "enter"
                                          << "2500";
        QTest::addRow("%s, focus leaves", field) << field << "focus"
                                                 << "2500";
        QTest::addRow("%s, arrow", field) << field << "arrow"
                                          << "2600"; // the step of a value in the thousands
        QTest::addRow("%s, not committed", field) << field << ""
                                                  << "";
        QTest::addRow("%s, locked by standby", field) << field << "standby"
                                                      << "";
    }
}

void TestRowanTool::rampFieldsWriteWhatIsCommitted()
{
    QFETCH(QString, field);
    QFETCH(QString, commit);
    QFETCH(QString, written);
    SimulatedModule module;
    module.setPluginVariant(0, 74);
    Tool tool = makeTool(module, 74);
    tool->show();
    QApplication::setActiveWindow(tool.get());
    tool->showPlugin();
    child<QPushButton>(tool, "btnHideController")->click();
    auto *edit = child<QSpinBox>(tool, qPrintable(field));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "2500");
    QCOMPARE(module.journal(), QStringList()); // a moving motor never runs at 2, 25, 250
    if (commit == "enter")
        QTest::keyClick(edit, Qt::Key_Return);
    else if (commit == "focus")
        child<QSpinBox>(tool, "editTargetPosition")->setFocus();
    else if (commit == "arrow")
        QTest::keyClick(edit, Qt::Key_Up);
    else if (commit == "standby") {
        module.setModuleValue(0, "par::ChipStandby", 1);
        module.pollTraces();
        QVERIFY(!edit->isEnabled());
    }
    const QString key = field == "editMaxPosVel"      ? "MaxVelocity"
                        : field == "editAcceleration" ? "MaxAcceleration"
                                                      : "StartStopVelocity";
    QStringList expected;
    if (!written.isEmpty())
        expected << QStringLiteral("write 0 par::%1 %2").arg(key, written);
    QCOMPARE(module.journal(), expected);
    if (commit == "standby") // the field shows what the module holds, not what was typed
        QCOMPARE(edit->value(), int(module.moduleValue(0, "par::" + key)));
}

void TestRowanTool::clearOnNullFinishesTheMove_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("target"); // where the motor ends before the clear; -1 where it stood
    QTest::newRow("moving") << "moving" << 3000;
    QTest::newRow("sent back meanwhile") << "moving, then Absolute 1000" << 1000;
    QTest::newRow("arrived") << "arrived" << -1;
    QTest::newRow("stopped") << "stopped" << -1;
}

// No stop is sent: a move under way ends at its target (the one a later move command gives it),
// then the counters read 0 and the motor stays where it is.
void TestRowanTool::clearOnNullFinishesTheMove()
{
    QFETCH(QString, when);
    QFETCH(int, target);
    SimulatedModule module;
    module.setPluginVariant(0, 74);
    module.setModuleValue(0, "par::EncoderPosition", 777);
    Tool tool = makeTool(module, 74);
    tool->showPlugin();
    auto *edit = child<QSpinBox>(tool, "editTargetPosition");
    edit->setValue(3000);
    child<QPushButton>(tool, "btnAbsolute")->click();
    module.advance(when == "arrived" ? 10000 : 1500);
    if (when == "stopped") {
        child<QPushButton>(tool, "btnStop")->click();
        module.advance(5000);
    }
    const double standing = module.motion(0).exactPosition();
    QCOMPARE(module.motion(0).isMoving(), when.startsWith("moving"));
    module.clearJournal();
    child<QPushButton>(tool, "btnClearOnNull")->click();
    QCOMPARE(module.journal(),
             (QStringList{"write 0 par::TargetPosition 0", "write 0 par::ClearOnNull 1"}));
    if (when.endsWith("1000")) {
        edit->setValue(1000);
        child<QPushButton>(tool, "btnAbsolute")->click();
    }
    // Cleared the moment it came to rest: a millisecond before, it was within a step of its end.
    double last = module.motion(0).exactPosition();
    bool forwardOnly = true;
    for (int ms = 0; ms < 10000 && module.moduleValue(0, "par::ClearOnNull") != 0; ++ms) {
        forwardOnly = forwardOnly && module.motion(0).exactPosition() >= last;
        last = module.motion(0).exactPosition();
        module.advance(1);
    }
    QVERIFY2(std::abs(last - (target < 0 ? standing : target)) < 1,
             qPrintable(QString::number(last)));
    QCOMPARE(forwardOnly, target != 1000);
    module.advance(3000);
    for (const char *key :
         {"par::ActualPosition", "par::EncoderPosition", "par::TargetPosition", "par::ClearOnNull"})
        QVERIFY2(module.moduleValue(0, key) == 0, key);
    QVERIFY(module.motion(0).isAtRest());
    QCOMPARE(child<QLabel>(tool, "dispActPos")->text(), "0");
}

QTEST_MAIN(TestRowanTool)
#include "tst_rowantool.moc"

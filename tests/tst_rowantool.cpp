// The Rowan position tool driven through its form against the simulated module.

#include "firmwarenames.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;

class TestRowanTool : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void editsWriteAfterTheFirstShow();
    void adaptsToTheModule_data();
    void adaptsToTheModule();
    void hintsMoveNoControl();
    void arrivalsWaitForTyping();
};

void TestRowanTool::editsWriteAfterTheFirstShow()
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

    // The ramp group opens and closes.
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

// A hint that appears or goes moves no control; the position stays readable under a hint.
void TestRowanTool::hintsMoveNoControl()
{
    SimulatedModule module;
    Tool tool = makeTool(module, 74);
    tool->showPlugin();
    tool->resize(700, 400);
    tool->show();
    const auto places = [&tool] {
        QStringList list;
        for (QWidget *w : tool->findChildren<QWidget *>(QRegularExpression("^(btn|edit|cb)")))
            if (w->isVisible())
                list << QStringLiteral("%1 %2,%3").arg(w->objectName()).arg(w->x()).arg(w->y());
        return list;
    };
    QCoreApplication::processEvents();
    const QStringList before = places();
    auto *box = child<QGroupBox>(tool, "gbHints");
    // A hint for standby and for step/direction 1; the state that changed last locks the tool
    // or frees it (step/direction 2 locks it without a hint).
    const std::pair<const char *, int> steps[] = {{"ChipStandby", 2},
                                                  {"ExternalStepDir", 1},
                                                  {"ChipStandby", 0},
                                                  {"ExternalStepDir", 2},
                                                  {"ExternalStepDir", 0}};
    int standby = 0, stepDir = 0;
    for (const auto &[key, value] : steps) {
        (QByteArray(key) == "ChipStandby" ? standby : stepDir) = value;
        module.setModuleValue(0, QLatin1String("par::") + key, value);
        module.pollTraces();
        QCoreApplication::processEvents();
        QCOMPARE(box->isVisible(), standby != 0 || stepDir == 1);
        QCOMPARE(tool->toolEnabled(), value == 0);
        QVERIFY(child<QWidget>(tool, "dispActPos")->isEnabled());
        QCOMPARE(places(), before);
    }
}

QTEST_MAIN(TestRowanTool)
#include "tst_rowantool.moc"

// A ramp value that arrives while a person types in its field waits; their commit is written and
// shown, and what arrives afterwards is shown. Typing left uncommitted gives way to the module's.
void TestRowanTool::arrivalsWaitForTyping()
{
    SimulatedModule module;
    Tool tool = makeTool(module, 74);
    tool->show();
    tool->showPlugin();
    QApplication::setActiveWindow(tool.get());
    QVERIFY(QTest::qWaitForWindowActive(tool.get()));
    auto *field = child<QSpinBox>(tool, "editMaxPosVel");
    Model::AxilParameter *parameter = module.parameter(0, QStringLiteral("par::MaxVelocity"));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, QStringLiteral("4321"));
    module.clearJournal();

    module.setModuleValue(0, QStringLiteral("par::MaxVelocity"), 999);
    parameter->readValue(false);
    QCOMPARE(field->cleanText(), QStringLiteral("4321"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(module.journal(), QStringList{QStringLiteral("write 0 par::MaxVelocity 4321")});
    QCOMPARE(field->value(), 4321);

    module.setModuleValue(0, QStringLiteral("par::MaxVelocity"), 777);
    parameter->readValue(false);
    QCOMPARE(field->value(), 777);

    // Typing that ends where it began writes nothing; the field then shows what came meanwhile.
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, QStringLiteral("55"));
    module.setModuleValue(0, QStringLiteral("par::MaxVelocity"), 888);
    parameter->readValue(false);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, QStringLiteral("777"));
    module.clearJournal();
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(field->value(), 888);
    QCOMPARE(module.journal(), QStringList());
}

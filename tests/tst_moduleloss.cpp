// Tools whose module goes away while they are open, input that the module refuses, and values
// that arrive while a person is typing.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "hostmessages.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

using namespace ParameterType;
using namespace TestSupport;

class TestModuleLoss : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void toolOutlivesItsModule_data();
    void toolOutlivesItsModule();
    void refusedInputChangesNothing_data();
    void refusedInputChangesNothing();
    void typingIsNotOverwritten_data();
    void typingIsNotOverwritten();

private:
    enum Point { Created, Shown, Moving, Hidden, HelperOpen, Trapezoidal };
    static Tool shownTool(SimulatedModule &module, int variant, bool show = true)
    {
        module.setPluginVariant(0, variant);
        Tool tool = makeTool(module, variant);
        if (show) {
            tool->show();
            tool->showPlugin();
        }
        return tool;
    }
    static void click(const Tool &tool, const char *name)
    {
        child<QAbstractButton>(tool, name)->click();
    }
    // The value of a spin box, a combo box or a field's editor, and a person's edit of it.
    static QWidget *editorOf(QWidget *w)
    {
        auto *field = qobject_cast<XmlParameterWidget *>(w);
        return field ? field->widget() : w;
    }
    static const char *valueProperty(QWidget *w)
    {
        return qobject_cast<QComboBox *>(editorOf(w)) ? "currentIndex" : "value";
    }
    static int valueOf(QWidget *w) { return editorOf(w)->property(valueProperty(w)).toInt(); }
    static void edit(QWidget *w, int value) { editorOf(w)->setProperty(valueProperty(w), value); }
};

void TestModuleLoss::toolOutlivesItsModule_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("point");
    const char *points[] = {"created",           "shown",      "moving", "hidden",
                            "input helper open", "trapezoidal"};
    for (int variant = 69; variant <= 74; ++variant)
        for (int point = Created; point <= Trapezoidal; ++point)
            if ((point != HelperOpen || variant == 69 || variant == 72) &&
                (point != Trapezoidal || variant == 73))
                QTest::addRow("%d, %s", variant, points[point]) << variant << point;
}

void TestModuleLoss::toolOutlivesItsModule()
{
    QFETCH(int, variant);
    QFETCH(int, point);

    auto *module = new SimulatedModule;
    Tool tool = shownTool(*module, variant, point != Created);
    if (point == Moving) {
        child<QSpinBox>(tool, "editTargetPosition")->setValue(50000);
        click(tool, "btnAbsolute");
        module->advance(200);
        QVERIFY(module->motion(0).isMoving());
    } else if (point == Hidden) {
        tool->hidePlugin();
    } else if (point != Shown && point != Created) {
        click(tool, point == HelperOpen ? "btnInputHelper" : "btnSwitchMode");
    }
    QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
    delete module;

    // Every field that would write is disabled and says why.
    QSet<QWidget *> fields;
    for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>())
        fields.insert(field->widget());
    QSet<QWidget *> writers = fields;
    for (const char *name : {"editMaxPosVel", "editAcceleration", "editVStartStop", "cbRelativeTo"})
        if (variant == 74)
            writers.insert(child<QWidget>(tool, name));
    for (QWidget *w : writers) {
        QVERIFY(!w->isEnabled());
        QVERIFY2(w->toolTip().contains("no longer connected"), qPrintable(w->objectName()));
    }
    // Commands are refused with a message; what only shows or arranges does nothing.
    const QStringList commands{"btnAbsolute", "btnRelative", "btnStop", "btnClear",
                               "btnClearOnNull"};
    for (QAbstractButton *button : tool->findChildren<QAbstractButton *>()) {
        const int before = messages.count();
        button->click();
        QVERIFY(messages.count() > before || !commands.contains(button->objectName()));
    }
    // So are writes: fields and input helper proxies keep their value (a Rowan field has none
    // left to go back to); the target field and the fixed relative-to text never write.
    const bool rowanLoaded = variant == 74 && point != Created;
    for (QWidget *w : tool->findChildren<QWidget *>()) {
        if (!qobject_cast<QAbstractSpinBox *>(w) && !qobject_cast<QComboBox *>(w))
            continue;
        const bool proxyOrField =
            fields.contains(w) || qobject_cast<InputHelper *>(w->parentWidget());
        const int before = valueOf(w), count = messages.count();
        edit(w, before == 1 ? 2 : 1);
        QVERIFY(!proxyOrField || valueOf(w) == before);
        if (proxyOrField || (rowanLoaded && w->objectName() != "editTargetPosition"))
            QVERIFY2(messages.count() > count, qPrintable(w->objectName()));
    }
    for (const QList<QVariant> &message : messages)
        QVERIFY2(message.at(0).toString().contains("no longer connected"),
                 qPrintable(message.at(0).toString()));

    tool->showPlugin();
    tool->hidePlugin();
    if (tool->findChild<QAbstractButton *>("btnInputHelper")) {
        click(tool, "btnInputHelper");
        click(tool, "btnInputHelper");
        QTest::qWait(30); // the input helper's delayed set-up runs
    }
}

void TestModuleLoss::refusedInputChangesNothing_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<int>("newMaximum"); // the module's limit, narrowed after the tool was made

    QTest::newRow("Rowan field beyond a narrowed limit")
        << 74 << "editAcceleration" << cmd_MaxAcceleration << 5000 << false << 2000;
    QTest::newRow("Rowan choice out of range")
        << 74 << "cbRelativeTo" << cmd_RelativePositioningOption << -1 << false << 0;
    QTest::newRow("Rowan field the module lacks")
        << 74 << "editVStartStop" << cmd_StartStopVelocity << 75 << true << 0;
    QTest::newRow("two-choice field out of range")
        << 71 << "editRelativePosition" << cmd_RelativePositioningOption << -1 << false << 0;
    QTest::newRow("panel field the module lacks")
        << 71 << "editBow" << cmd_Bow << 1234 << true << 0;
}

void TestModuleLoss::refusedInputChangesNothing()
{
    QFETCH(int, variant);
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(bool, missing);
    QFETCH(int, newMaximum);

    SimulatedModule module;
    if (missing)
        module.removeParameter(0, key);
    Tool tool = shownTool(module, variant);
    Model::AxilParameter *parameter = module.parameter(0, key);
    if (newMaximum)
        module.setLimits(0, key, parameter->minimum(), newMaximum);
    const qint64 before = module.moduleValue(0, key);
    QSignalSpy reports(&module, &AxilModuleInterface::report);
    module.clearJournal();

    QWidget *w = child<QWidget>(tool, qPrintable(field));
    edit(w, value);
    QCOMPARE(reports.count(), 1);
    QVERIFY(writes(module).isEmpty());
    QCOMPARE(module.moduleValue(0, key), before);
    // The field shows again what the module holds (or, for a parameter it lacks, the default).
    QCOMPARE(valueOf(w), int(parameter->lastKnownValue()));
    QVERIFY(missing || parameter->lastKnownValue() == before);
}

void TestModuleLoss::typingIsNotOverwritten_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("inProxy"); // in the input helper, else in the panel's field
    QTest::newRow("panel field") << 71 << false;
    QTest::newRow("Hazel input helper") << 69 << true;
    QTest::newRow("Maple input helper") << 72 << true;
}

void TestModuleLoss::typingIsNotOverwritten()
{
    QFETCH(int, variant);
    QFETCH(bool, inProxy);

    SimulatedModule module;
    Tool tool = shownTool(module, variant);
    if (inProxy)
        click(tool, "btnInputHelper");
    QObject *window =
        inProxy ? static_cast<QObject *>(tool->findChild<InputHelper *>()) : tool.get();
    QWidget *typing = editorOf(child<QWidget>(window, "editMaxPosVel"));
    auto *line = typing->findChild<QLineEdit *>();
    qobject_cast<QAbstractSpinBox *>(typing)->selectAll();
    QTest::keyClicks(line, QStringLiteral("1234"));

    module.setModuleValue(0, cmd_MaxVelocity, 3000);
    module.controller(0)->maxVelocity->readValue(false);
    QVERIFY2(line->text().contains(QLatin1String("1234")), qPrintable(line->text()));
    QVERIFY(module.journal().isEmpty());

    QTest::keyClick(typing, Qt::Key_Return); // commits what the person typed
    QCOMPARE(module.journal(), QStringList{"write 0 par::MaxVelocity 1234"});
    QCOMPARE(valueOf(typing), 1234);
}

QTEST_MAIN(TestModuleLoss)
#include "tst_moduleloss.moc"

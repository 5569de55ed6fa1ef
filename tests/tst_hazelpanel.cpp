// The Hazel panel: bindings that depend on the chip, and the input helper window whose proxies
// mirror the fields that answer to the helper's keys.

#include "testsupport.h"

#include "axilparameter.h"
#include "dynamicproperty.h"
#include "inputhelper.h"
#include "pluginvariant.h"
#include "spinbox.h"
#include "stepperpositionmodehazel.h"
#include "xmlparameterwidget.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace TestSupport;
using namespace DynamicProperty;

class TestHazelPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { tool.reset(); }
    void bindingsDependOnTheChip_data();
    void bindingsDependOnTheChip();
    void inputHelper_data();
    void inputHelper();

private:
    void createTool(const QString &chip = QString());

    std::unique_ptr<SimulatedModule> module;
    Tool tool;
    StepperPositionModeHazel *panel = nullptr;
    QPushButton *button = nullptr;
};

void TestHazelPanel::init()
{
    QLocale::setDefault(QLocale::c());
    module = std::make_unique<SimulatedModule>();
}

void TestHazelPanel::createTool(const QString &chip)
{
    module->setChipName(0, chip);
    tool = makeTool(*module, PluginVariant::StepperHazelPositionMode);
    panel = child<StepperPositionModeHazel>(tool, "StepperPositionModeHazel");
    button = child<QPushButton>(panel, "btnInputHelper");
}

void TestHazelPanel::bindingsDependOnTheChip_data()
{
    QTest::addColumn<QString>("chip");
    QTest::newRow("Kestrel") << "Kestrel";
    QTest::newRow("lower case") << "kestrel";
    QTest::newRow("no chip name") << QString();
}

void TestHazelPanel::bindingsDependOnTheChip()
{
    QFETCH(QString, chip);
    createTool(chip);
    const bool kestrel = chip == "Kestrel";
    QString expected =
        "editMaxPosVel MaxVelocity 0, editAcceleration MaxAcceleration 0, "
        "editDeceleration MaxDeceleration 0, editVStart StartVelocity 0, "
        "editAStart StartAcceleration 0, editVBreak BreakVelocity 0, "
        "editDFinal FinalDeceleration 0, editVStop StopVelocity 0, editBow1 BOW1 0, "
        "editBow2 BOW2 0, editBow3 BOW3 0, editBow4 BOW4 0, checkUseSRamp SShapedRamp 4";
    if (!kestrel)
        expected.prepend("editDStop StopDeceleration 0, ");
    QStringList bound;
    for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters()) {
        if (panel->isAncestorOf(b.first))
            bound << QStringLiteral("%1 %2 %3")
                         .arg(b.first->objectName(), b.second->parameterName().mid(5))
                         .arg(b.first->displayType());
    }
    QCOMPARE(bound.join(", "), expected);
    QCOMPARE(child<QWidget>(panel, "editDStop")->isHidden(), kestrel);
    QCOMPARE(child<QLabel>(panel, "lblDStop")->isHidden(), kestrel);
    QVERIFY(button->isHidden());
}

void TestHazelPanel::inputHelper_data()
{
    QTest::addColumn<QString>("key"); // the row's name is the field's
    QTest::addColumn<QPoint>("position");
    QTest::newRow("editMaxPosVel") << "par::MaxVelocity" << QPoint(415, 111);
    QTest::newRow("editAcceleration") << "par::MaxAcceleration" << QPoint(291, 223);
    QTest::newRow("editDeceleration") << "par::MaxDeceleration" << QPoint(505, 223);
    QTest::newRow("editVStart") << "par::StartVelocity" << QPoint(181, 348);
    QTest::newRow("editVStop") << "par::StopVelocity" << QPoint(562, 346);
    QTest::newRow("editBow1") << "par::BOW1" << QPoint(245, 304);
    QTest::newRow("editBow2") << "par::BOW2" << QPoint(332, 149);
    QTest::newRow("editBow3") << "par::BOW3" << QPoint(476, 131);
    QTest::newRow("editBow4") << "par::BOW4" << QPoint(525, 322);
}

void TestHazelPanel::inputHelper()
{
    QFETCH(QString, key);
    QFETCH(QPoint, position);
    const char *field = QTest::currentDataTag();
    module->setLimits(0, key, 3, 900000);
    createTool();
    auto *other = new XmlParameterWidget(tool.get());
    other->setObjectName(QStringLiteral("editOther"));
    tool->addWidgetParameter(other, module->parameter(0, key), DisplayType::Plain);
    // Built unchecked, the window is hidden until its delayed restore.
    QMetaObject::invokeMethod(panel, "on_btnInputHelper_clicked", Q_ARG(bool, false));
    QPointer<InputHelper> window = tool->findChild<InputHelper *>();
    QVERIFY(window && !window->isVisible());
    QTRY_VERIFY(window->isVisible() && !window->isMinimized());
    QCOMPARE(window->windowTitle(), QStringLiteral("Ramp parameters"));
    QCOMPARE(window->windowIcon().cacheKey(), button->icon().cacheKey());

    // Every binding of the key gets a proxy at the key's place; source and proxy share a name.
    QCOMPARE(window->findChildren<SpinBox *>().size(), 10);
    QCOMPARE(child<SpinBox>(window.data(), "editOther")->property(InputGIMPosition), position);
    auto *source = child<SpinBox>(panel, field);
    auto *proxy = child<SpinBox>(window.data(), field);
    Model::AxilParameter *parameter = module->parameter(0, key);
    const QString tip = parameter->displayName() + ' ' + source->toolTip();
    QCOMPARE(
        (QStringList{proxy->prefix(), proxy->suffix(), proxy->toolTip(),
                     proxy->property(AdvancedTip).toString(),
                     source->property(AdvancedTip).toString()}),
        (QStringList{parameter->displayName(), parameter->unit(), source->toolTip(), tip, tip}));
    QCOMPARE(QVector<double>({proxy->value(), proxy->minimum(), proxy->maximum()}),
             QVector<double>({source->value(), 3, 900000}));
    QCOMPARE(proxy->property(InputGIMPosition).toPoint(), position);
    QVERIFY(!window->anchorPoint(field).isNull()); // the ramp picture marks the field's point

    // An edit in the proxy reaches the module; the module's value comes back, unechoed.
    module->clearJournal();
    proxy->setValue(1234);
    module->setModuleValue(0, key, 55);
    parameter->readValue(false);
    QCOMPARE(proxy->intValue(), 55);
    QCOMPARE(module->journal(), QStringList{"write 0 " + key + " 1234"});

    // Later calls show or hide the same window; closing it unchecks the button.
    button->click();
    button->click();
    QVERIFY(!window->isVisible());
    button->click();
    window->close();
    QVERIFY(!button->isChecked() && tool->findChildren<InputHelper *>().size() == 1);

    // A destroyed window is built anew; the panel takes an open one along.
    delete window.data();
    button->click();
    window = tool->findChild<InputHelper *>();
    QVERIFY(window && window->isVisible() && window->parentWidget() == tool.get());
    QPointer<SpinBox> again = child<SpinBox>(window.data(), field);
    delete panel; // before the new window's delayed calls, which are then dropped
    QVERIFY(!window && !again);
    QTest::qWait(200);
}

QTEST_MAIN(TestHazelPanel)
#include "tst_hazelpanel.moc"

// The Hazel panel: bindings that depend on the chip, and the input helper window whose proxies
// mirror the fields that answer to the helper's keys.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "dynamicproperty.h"
#include "genericstepperpositionmode.h"
#include "inputhelper.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "stepperpositionmodehazel.h"
#include "xmlparameterwidget.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include <memory>

class TestHazelPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { tool.reset(); }
    void bindingsDependOnTheChip_data();
    void bindingsDependOnTheChip();
    void proxiesMirrorTheKeyedFields_data();
    void proxiesMirrorTheKeyedFields();
    void twoBindingsOfOneKeyGiveTwoProxies();
    void windowLifecycle();

private:
    void createTool(const QString &chip = QString());
    InputHelper *helper() const { return tool->findChild<InputHelper *>(); }
    SpinBox *proxy(const QString &name) const
    {
        return helper()->findChild<SpinBox *>(name, Qt::FindDirectChildrenOnly);
    }
    int proxyCount() const
    {
        return helper()->findChildren<SpinBox *>(QString(), Qt::FindDirectChildrenOnly).size();
    }
    InputHelper *clickAndSettle();

    std::unique_ptr<SimulatedModule> module;
    std::unique_ptr<ToolsInterface> tool;
    StepperPositionModeHazel *panel = nullptr;
    QAbstractButton *button = nullptr;
};

void TestHazelPanel::init()
{
    QLocale::setDefault(QLocale::c());
    tool.reset();
    module = std::make_unique<SimulatedModule>();
}

void TestHazelPanel::createTool(const QString &chip)
{
    module->setChipName(0, chip);
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(69);
    tool.reset(factory.clone(QStringLiteral("hazel"), 0, module.get()));
    panel = tool->findChild<StepperPositionModeHazel *>();
    button = panel->findChild<QAbstractButton *>(QStringLiteral("btnInputHelper"));
}

InputHelper *TestHazelPanel::clickAndSettle()
{
    button->click();
    QTest::qWait(50); // the window's delayed restore, fit and lines
    return helper();
}

void TestHazelPanel::bindingsDependOnTheChip_data()
{
    QTest::addColumn<QString>("chip");
    QTest::addColumn<bool>("withStopDeceleration");
    QTest::newRow("Kestrel") << "Kestrel" << false;
    QTest::newRow("other chip") << "Merlin" << true;
    QTest::newRow("lower case") << "kestrel" << true;
    QTest::newRow("no chip name") << QString() << true;
}

void TestHazelPanel::bindingsDependOnTheChip()
{
    QFETCH(QString, chip);
    QFETCH(bool, withStopDeceleration);
    createTool(chip);

    QStringList expected{"editMaxPosVel=par::MaxVelocity",
                         "editAcceleration=par::MaxAcceleration",
                         "editDeceleration=par::MaxDeceleration",
                         "editVStart=par::StartVelocity",
                         "editAStart=par::StartAcceleration",
                         "editVBreak=par::BreakVelocity",
                         "editDFinal=par::FinalDeceleration",
                         "editVStop=par::StopVelocity",
                         "editBow1=par::BOW1",
                         "editBow2=par::BOW2",
                         "editBow3=par::BOW3",
                         "editBow4=par::BOW4",
                         "checkUseSRamp=par::SShapedRamp"};
    if (withStopDeceleration)
        expected.prepend("editDStop=par::StopDeceleration");
    QStringList actual;
    for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters()) {
        if (!panel->isAncestorOf(b.first))
            continue;
        QCOMPARE(b.second, module->parameter(0, b.second->parameterName()));
        QCOMPARE(b.first->displayType(), b.first->objectName() == "checkUseSRamp"
                                             ? DisplayType::TwoChoice
                                             : DisplayType::Plain);
        actual << b.first->objectName() + '=' + b.second->parameterName();
    }
    QCOMPARE(actual, expected);
    QCOMPARE(panel->findChild<QWidget *>("editDStop")->isHidden(), !withStopDeceleration);
    QCOMPARE(panel->findChild<QLabel *>("lblDStop")->isHidden(), !withStopDeceleration);
    QVERIFY(button->isHidden());
}

void TestHazelPanel::proxiesMirrorTheKeyedFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("0") << "editMaxPosVel"
                       << "par::MaxVelocity" << QPoint(415, 111);
    QTest::newRow("1") << "editAcceleration"
                       << "par::MaxAcceleration" << QPoint(291, 223);
    QTest::newRow("2") << "editDeceleration"
                       << "par::MaxDeceleration" << QPoint(505, 223);
    QTest::newRow("3") << "editVStart"
                       << "par::StartVelocity" << QPoint(181, 348);
    QTest::newRow("4") << "editVStop"
                       << "par::StopVelocity" << QPoint(562, 346);
    QTest::newRow("5") << "editBow1"
                       << "par::BOW1" << QPoint(245, 304);
    QTest::newRow("6") << "editBow2"
                       << "par::BOW2" << QPoint(332, 149);
    QTest::newRow("7") << "editBow3"
                       << "par::BOW3" << QPoint(476, 131);
    QTest::newRow("8") << "editBow4"
                       << "par::BOW4" << QPoint(525, 322);
}

void TestHazelPanel::proxiesMirrorTheKeyedFields()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(QPoint, position);
    module->setLimits(0, key, 3, 900000);
    createTool();
    InputHelper *window = clickAndSettle();
    QCOMPARE(window->windowTitle(), QStringLiteral("Ramp parameters"));
    QCOMPARE(window->windowIcon().cacheKey(), button->icon().cacheKey());
    QCOMPARE(window->parentWidget(), tool.get());
    QCOMPARE(proxyCount(), 9);

    Model::AxilParameter *parameter = module->parameter(0, key);
    auto *source = qobject_cast<SpinBox *>(panel->findChild<XmlParameterWidget *>(field)->widget());
    SpinBox *p = proxy(field);
    QVERIFY(p);
    QCOMPARE(source->objectName(), field);
    QCOMPARE(p->property(DynamicProperty::InputGIMPosition).toPoint(), position);
    QCOMPARE(p->pos(), window->pictureRect().topLeft() + position * window->scale());
    QCOMPARE(p->prefix(), parameter->displayName());
    QCOMPARE(p->suffix(), parameter->unit());
    QCOMPARE(p->value(), source->value());
    QCOMPARE(p->minimum(), 3.0);
    QCOMPARE(p->maximum(), 900000.0);
    QCOMPARE(p->toolTip(), source->toolTip());
    const QString tip = parameter->displayName() + ' ' + source->toolTip();
    QCOMPARE(p->property(DynamicProperty::AdvancedTip).toString(), tip);
    QCOMPARE(source->property(DynamicProperty::AdvancedTip).toString(), tip);
    if (window->hasPicture())
        QVERIFY(!window->anchorPoint(field).isNull());

    // An edit in the proxy reaches the module; the module's value comes back, unechoed.
    module->clearJournal();
    p->setValue(1234);
    QCOMPARE(module->journal(), QStringList{"write 0 " + key + " 1234"});
    module->setModuleValue(0, key, 55);
    parameter->readValue(false);
    QCOMPARE(p->intValue(), 55);
    QCOMPARE(module->journal().size(), 1);
}

void TestHazelPanel::twoBindingsOfOneKeyGiveTwoProxies()
{
    createTool();
    auto *extra = new XmlParameterWidget(tool.get());
    extra->setObjectName(QStringLiteral("editOtherMaxVel"));
    tool->addWidgetParameter(extra, module->controller(0)->maxVelocity, DisplayType::Plain);
    clickAndSettle();

    QCOMPARE(proxyCount(), 10);
    for (const char *name : {"editMaxPosVel", "editOtherMaxVel"})
        QCOMPARE(proxy(name)->property(DynamicProperty::InputGIMPosition), QPoint(415, 111));
    QCOMPARE(proxy("editBow4")->property(DynamicProperty::InputGIMPosition), QPoint(525, 322));
}

void TestHazelPanel::windowLifecycle()
{
    createTool();
    // Built unchecked, the window is hidden until its delayed restore.
    QMetaObject::invokeMethod(panel, "on_btnInputHelper_clicked", Q_ARG(bool, false));
    QPointer<InputHelper> window = helper();
    QVERIFY(window && !window->isVisible());
    QTRY_VERIFY(window->isVisible() && !window->isMinimized());

    // Later calls show or hide the same window; closing it unchecks the button.
    button->click();
    QVERIFY(window->isVisible());
    window->close();
    QVERIFY(!button->isChecked());
    button->click();
    QVERIFY(window->isVisible());
    QCOMPARE(tool->findChildren<InputHelper *>().size(), 1);
    QCOMPARE(proxyCount(), 9);

    // A destroyed window is built anew.
    delete window.data();
    button->setChecked(false);
    QVERIFY(clickAndSettle());
    QCOMPARE(proxyCount(), 9);

    // The tool takes an open window along, also before its delayed calls.
    window = helper();
    QPointer<SpinBox> first = proxy("editMaxPosVel");
    tool.reset();
    QVERIFY(!window && !first);
    createTool();
    button->click();
    tool.reset();
    QTest::qWait(50);
}

QTEST_MAIN(TestHazelPanel)
#include "tst_hazelpanel.moc"

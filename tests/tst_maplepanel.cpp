// The Maple panel: nine bound rows, and an input helper window with one proxy per row whose
// prefix and suffix come from the row's label.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "dynamicproperty.h"
#include "genericstepperpositionmode.h"
#include "inputhelper.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "stepperpositionmodemaple.h"
#include "xmlparameterwidget.h"

#include <QAbstractButton>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include <memory>

class TestMaplePanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { tool.reset(); }
    void bindsNineRows();
    void proxiesFollowTheRows_data();
    void proxiesFollowTheRows();
    void labelGivesPrefixAndSuffix_data();
    void labelGivesPrefixAndSuffix();
    void windowLifecycle();

private:
    void createTool();
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
    StepperPositionModeMaple *panel = nullptr;
    QAbstractButton *button = nullptr;
};

void TestMaplePanel::init()
{
    QLocale::setDefault(QLocale::c());
    tool.reset();
    module = std::make_unique<SimulatedModule>();
}

void TestMaplePanel::createTool()
{
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(72);
    tool.reset(factory.clone(QStringLiteral("maple"), 0, module.get()));
    panel = tool->findChild<StepperPositionModeMaple *>();
    button = panel->findChild<QAbstractButton *>(QStringLiteral("btnInputHelper"));
}

InputHelper *TestMaplePanel::clickAndSettle()
{
    button->click();
    QTest::qWait(50); // the window's delayed restore, fit and lines
    return helper();
}

void TestMaplePanel::bindsNineRows()
{
    createTool();
    QStringList actual;
    for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters()) {
        if (!panel->isAncestorOf(b.first))
            continue;
        QCOMPARE(b.second, module->parameter(0, b.second->parameterName()));
        QCOMPARE(b.first->displayType(), DisplayType::Plain);
        actual << b.first->objectName() + '=' + b.second->parameterName();
    }
    const QStringList expected{"editMaxPosVel=par::MaxVelocity",
                               "editAcceleration=par::MaxAcceleration",
                               "editDeceleration=par::MaxDeceleration",
                               "editVStart=par::StartVelocity",
                               "editVStop=par::StopVelocity",
                               "editA1=par::A1",
                               "editD1=par::D1",
                               "editV1=par::V1",
                               "editTzerowait=par::TZEROWAIT"};
    QCOMPARE(actual, expected);
    QVERIFY(button->isHidden());
}

void TestMaplePanel::proxiesFollowTheRows_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("0") << "editMaxPosVel"
                       << "par::MaxVelocity"
                       << "VMAX" << QPoint(381, 47);
    QTest::newRow("1") << "editAcceleration"
                       << "par::MaxAcceleration"
                       << "AMAX" << QPoint(293, 88);
    QTest::newRow("2") << "editDeceleration"
                       << "par::MaxDeceleration"
                       << "DMAX" << QPoint(457, 87);
    QTest::newRow("3") << "editVStart"
                       << "par::StartVelocity"
                       << "VStart" << QPoint(179, 192);
    QTest::newRow("4") << "editA1"
                       << "par::A1"
                       << "A1" << QPoint(223, 147);
    QTest::newRow("5") << "editV1"
                       << "par::V1"
                       << "V1" << QPoint(227, 110);
    QTest::newRow("6") << "editD1"
                       << "par::D1"
                       << "D1" << QPoint(514, 144);
    QTest::newRow("7") << "editVStop"
                       << "par::StopVelocity"
                       << "VStop" << QPoint(550, 175);
    QTest::newRow("8") << "editTzerowait"
                       << "par::TZEROWAIT"
                       << "TZEROWAIT" << QPoint(577, 209);
}

void TestMaplePanel::proxiesFollowTheRows()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(QString, word);
    QFETCH(QPoint, position);
    module->setLimits(0, key, 2, 60000);
    createTool();
    // Another binding of the row's parameter adds no proxy.
    auto *extra = new XmlParameterWidget(tool.get());
    extra->setObjectName(QStringLiteral("editOther"));
    tool->addWidgetParameter(extra, module->parameter(0, key), DisplayType::Plain);

    InputHelper *window = clickAndSettle();
    QCOMPARE(window->windowTitle(), QStringLiteral("Ramp parameters"));
    QCOMPARE(window->windowIcon().cacheKey(), button->icon().cacheKey());
    QCOMPARE(proxyCount(), 9);

    Model::AxilParameter *parameter = module->parameter(0, key);
    auto *widget = panel->findChild<XmlParameterWidget *>(field);
    auto *form = panel->findChild<QFormLayout *>(QStringLiteral("formLayoutRamp"));
    const QString label = qobject_cast<QLabel *>(form->labelForField(widget))->text();
    SpinBox *p = proxy(field);
    QVERIFY(p);
    QCOMPARE(widget->objectName(), field);
    QCOMPARE(p->property(DynamicProperty::InputGIMPosition).toPoint(), position);
    QCOMPARE(p->pos(), window->pictureRect().topLeft() + position * window->scale());
    QCOMPARE(p->intValue(), widget->value());
    QCOMPARE(p->minimum(), 2.0);
    QCOMPARE(p->maximum(), 60000.0);
    QCOMPARE(p->toolTip(), widget->toolTip());
    QCOMPARE(p->prefix(), label);
    QCOMPARE(p->suffix(), "  [" + QString(label).remove(':'));
    const QString tip = label + ' ' + word + ' ' + widget->toolTip();
    QCOMPARE(p->property(DynamicProperty::AdvancedTip).toString(), tip);
    QCOMPARE(widget->property(DynamicProperty::AdvancedTip).toString(), tip);
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

void TestMaplePanel::labelGivesPrefixAndSuffix_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("unit") << "Wait [ms]:"
                          << "Wait "
                          << "  [ms]";
    QTest::newRow("two brackets") << "Wait [a] [ms]:"
                                  << "Wait "
                                  << "  [ms]";
    QTest::newRow("colons") << "T: wait:"
                            << "T: wait:"
                            << "  [T wait";
}

void TestMaplePanel::labelGivesPrefixAndSuffix()
{
    QFETCH(QString, label);
    QFETCH(QString, prefix);
    QFETCH(QString, suffix);
    createTool();
    panel->findChild<QLabel *>(QStringLiteral("lblTzerowait"))->setText(label);
    clickAndSettle();

    SpinBox *p = proxy(QStringLiteral("editTzerowait"));
    QCOMPARE(p->prefix(), prefix);
    QCOMPARE(p->suffix(), suffix);
    QVERIFY(p->property(DynamicProperty::AdvancedTip).toString().startsWith(label + " TZEROWAIT "));
}

void TestMaplePanel::windowLifecycle()
{
    createTool();
    QPointer<InputHelper> window = clickAndSettle();
    QVERIFY(window->isVisible() && !window->isMinimized());

    // Closing the window leaves the button alone; later calls show or hide the same window.
    window->close();
    QVERIFY(button->isChecked());
    button->click();
    QVERIFY(!window->isVisible());
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

QTEST_MAIN(TestMaplePanel)
#include "tst_maplepanel.moc"

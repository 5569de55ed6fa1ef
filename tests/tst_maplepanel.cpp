// The Maple panel: nine bound rows, and an input helper window with one proxy per row whose
// prefix and suffix come from the row's label.

#include "testsupport.h"

#include "axilparameter.h"
#include "dynamicproperty.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "spinbox.h"
#include "stepperpositionmodemaple.h"
#include "xmlparameterwidget.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace TestSupport;
using namespace DynamicProperty;

class TestMaplePanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { tool.reset(); }
    void bindsNineRows();
    void inputHelper_data();
    void inputHelper();
    void labelGivesPrefixAndSuffix_data();
    void labelGivesPrefixAndSuffix();

private:
    InputHelper *clickAndSettle()
    {
        button->click();
        QTest::qWait(200); // the window's delayed restore, fit and lines
        return tool->findChild<InputHelper *>();
    }

    std::unique_ptr<SimulatedModule> module;
    Tool tool;
    StepperPositionModeMaple *panel = nullptr;
    QPushButton *button = nullptr;
};

void TestMaplePanel::init()
{
    QLocale::setDefault(QLocale::c());
    module = std::make_unique<SimulatedModule>();
    module->setLimits(0, ParameterType::cmd_TZEROWAIT, 2, 60000);
    tool = makeTool(*module, PluginVariant::StepperMaplePositionMode);
    panel = child<StepperPositionModeMaple>(tool, "StepperPositionModeMaple");
    button = child<QPushButton>(panel, "btnInputHelper");
}

void TestMaplePanel::bindsNineRows()
{
    QStringList bound;
    for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters()) {
        if (panel->isAncestorOf(b.first))
            bound << QStringLiteral("%1 %2 %3")
                         .arg(b.first->objectName(), b.second->parameterName().mid(5))
                         .arg(b.first->displayType());
    }
    QCOMPARE(bound.join(", "), "editMaxPosVel MaxVelocity 0, editAcceleration MaxAcceleration 0, "
                               "editDeceleration MaxDeceleration 0, editVStart StartVelocity 0, "
                               "editVStop StopVelocity 0, editA1 A1 0, editD1 D1 0, editV1 V1 0, "
                               "editTzerowait TZEROWAIT 0");
    QVERIFY(button->isHidden());
}

void TestMaplePanel::inputHelper_data()
{
    QTest::addColumn<QString>("word"); // the row's name is the field's
    QTest::addColumn<QPoint>("position");
    QTest::newRow("editMaxPosVel") << "VMAX" << QPoint(381, 47);
    QTest::newRow("editAcceleration") << "AMAX" << QPoint(293, 88);
    QTest::newRow("editDeceleration") << "DMAX" << QPoint(457, 87);
    QTest::newRow("editVStart") << "VStart" << QPoint(179, 192);
    QTest::newRow("editA1") << "A1" << QPoint(223, 147);
    QTest::newRow("editV1") << "V1" << QPoint(227, 110);
    QTest::newRow("editD1") << "D1" << QPoint(514, 144);
    QTest::newRow("editVStop") << "VStop" << QPoint(550, 175);
    QTest::newRow("editTzerowait") << "TZEROWAIT" << QPoint(577, 209);
}

void TestMaplePanel::inputHelper()
{
    QFETCH(QString, word);
    QFETCH(QPoint, position);
    const char *name = QTest::currentDataTag();
    auto *field = child<XmlParameterWidget>(panel, name);
    // Another binding of the row's parameter adds no proxy.
    tool->addWidgetParameter(new XmlParameterWidget(tool.get()), field->parameter(),
                             DisplayType::Plain);
    field->setValue(field->value() + 3);
    QPointer<InputHelper> window = clickAndSettle();
    QTRY_VERIFY(window->isVisible() && !window->isMinimized());
    QCOMPARE(window->windowTitle(), QStringLiteral("Ramp parameters"));
    QCOMPARE(window->windowIcon().cacheKey(), button->icon().cacheKey());
    QCOMPARE(window->findChildren<SpinBox *>().size(), 9);

    auto *proxy = child<SpinBox>(window.data(), name);
    QCOMPARE(proxy->property(InputGIMPosition).toPoint(), position);
    QCOMPARE(QVector<int>({proxy->intValue(), int(proxy->minimum()), int(proxy->maximum())}),
             QVector<int>({field->value(), field->minimum(), field->maximum()}));
    QCOMPARE(proxy->toolTip(), field->toolTip());
    auto *form = child<QFormLayout>(panel, "formLayoutRamp");
    const QString label = qobject_cast<QLabel *>(form->labelForField(field))->text();
    const QString tip = label + ' ' + word + ' ' + field->toolTip();
    QCOMPARE(proxy->property(AdvancedTip).toString(), tip);
    QCOMPARE(field->property(AdvancedTip).toString(), tip);
    QVERIFY(!window->anchorPoint(name).isNull()); // the ramp picture marks the field's point

    // An edit in the proxy reaches the module; the module's value comes back, unechoed.
    module->clearJournal();
    proxy->setValue(1234);
    const QString key = field->parameter()->parameterName();
    module->setModuleValue(0, key, 55);
    field->parameter()->readValue(false);
    QCOMPARE(proxy->intValue(), 55);
    QCOMPARE(module->journal(), QStringList{"write 0 " + key + " 1234"});

    // Closing the window leaves the button alone; later calls show or hide the same window.
    window->close();
    QVERIFY(button->isChecked());
    button->click();
    QVERIFY(!window->isVisible());
    button->click();
    QVERIFY(window->isVisible() && tool->findChildren<InputHelper *>().size() == 1);

    // A destroyed window is built anew; the panel takes an open one along.
    delete window.data();
    button->setChecked(false);
    button->click();
    window = tool->findChild<InputHelper *>();
    QVERIFY(window && window->isVisible() && window->parentWidget() == tool.get());
    QPointer<SpinBox> again = child<SpinBox>(window.data(), name);
    delete panel; // before the new window's delayed calls, which are then dropped
    QVERIFY(!window && !again);
    QTest::qWait(200);
}

void TestMaplePanel::labelGivesPrefixAndSuffix_data()
{
    QTest::addColumn<QStringList>("affixes"); // of the last row, whose label is the row's name
    QTest::newRow("TZEROWAIT:") << QStringList{"TZEROWAIT:", "  [TZEROWAIT"}; // the form's
    QTest::newRow("Wait [ms]:") << QStringList{"Wait ", "  [ms]"};
    QTest::newRow("Wait [a] [ms]:") << QStringList{"Wait ", "  [ms]"};
    QTest::newRow("T: wait:") << QStringList{"T: wait:", "  [T wait"};
}

void TestMaplePanel::labelGivesPrefixAndSuffix()
{
    QFETCH(QStringList, affixes);
    const QString label = QTest::currentDataTag();
    child<QLabel>(panel, "lblTzerowait")->setText(label);
    auto *proxy = child<SpinBox>(clickAndSettle(), "editTzerowait");
    QCOMPARE((QStringList{proxy->prefix(), proxy->suffix()}), affixes);
    QVERIFY(proxy->property(AdvancedTip).toString().startsWith(label + " TZEROWAIT "));
}

QTEST_MAIN(TestMaplePanel)
#include "tst_maplepanel.moc"

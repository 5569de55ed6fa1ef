// The Cedar panel: four fields bound to the motor's ramp parameters.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "genericstepperpositionmode.h"
#include "simulatedmodule.h"
#include "xmlparameterwidget.h"

#include <QPointer>
#include <QtTest>

#include <memory>

class TestCedarPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void bindsTheMotorsParametersInOrder_data();
    void bindsTheMotorsParametersInOrder();
    void panelGoesWithTheTool();
};

void TestCedarPanel::bindsTheMotorsParametersInOrder_data()
{
    QTest::addColumn<int>("motor");
    QTest::newRow("motor 0") << 0;
    QTest::newRow("motor 1") << 1;
}

void TestCedarPanel::bindsTheMotorsParametersInOrder()
{
    QFETCH(int, motor);

    SimulatedModule module(2);
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(71);
    std::unique_ptr<ToolsInterface> tool(
        factory.clone(QStringLiteral("cedar"), static_cast<unsigned char>(motor), &module));
    AxisController *c = module.controller(static_cast<unsigned char>(motor));

    const auto bindings = tool->getWidgetParameters();
    QCOMPARE(bindings.size(), 5);
    const QList<QPair<const char *, Model::AxilParameter *>> expected = {
        {"editMaxPosVel", c->maxVelocity},
        {"editAcceleration", c->maxAcceleration},
        {"editDeceleration", c->maxDeceleration},
        {"editBow", c->bow}};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(bindings.at(i).first->objectName(), QLatin1String(expected.at(i).first));
        QCOMPARE(bindings.at(i).second, expected.at(i).second);
        QCOMPARE(bindings.at(i).first->displayType(), DisplayType::Plain);
    }

    // The fields show the module's values, and a person's edit reaches this motor.
    auto *bow = tool->findChild<XmlParameterWidget *>(QStringLiteral("editBow"));
    QCOMPARE(qint64(bow->value()), c->bow->lastKnownValue());
    bow->setValue(1234);
    QCOMPARE(module.journal(),
             QStringList{QStringLiteral("write %1 par::Bow 1234").arg(motor)});
}

void TestCedarPanel::panelGoesWithTheTool()
{
    SimulatedModule module;
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(71);
    auto *tool = factory.clone(QStringLiteral("cedar"), 0, &module);
    QPointer<QWidget> panel = tool->findChild<QWidget *>(QStringLiteral("StepperPositionModeCedar"));
    QVERIFY(panel);
    QCOMPARE(panel->parentWidget(), tool);
    delete tool;
    QVERIFY(!panel);
}

QTEST_MAIN(TestCedarPanel)
#include "tst_cedarpanel.moc"

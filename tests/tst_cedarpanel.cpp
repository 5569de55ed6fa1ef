// The Cedar panel: four fields bound to the motor's ramp parameters.

#include "axilparameter.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QPointer>
#include <QtTest>

using namespace TestSupport;

class TestCedarPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void bindingsAndOwnership();
};

void TestCedarPanel::bindingsAndOwnership()
{
    SimulatedModule module(2); // motor 1's parameters, not motor 0's
    module.setModuleValue(1, QStringLiteral("par::Bow"), 321);
    Tool tool = makeTool(module, 71, 1);
    QStringList bound; // field, parameter, motor, display type
    for (const auto &binding : tool->getWidgetParameters())
        bound << QStringLiteral("%1 %2 %3 %4")
                     .arg(binding.first->objectName(), binding.second->parameterName())
                     .arg(binding.second->motor())
                     .arg(binding.first->displayType());
    QCOMPARE(bound,
             (QStringList{"editMaxPosVel par::MaxVelocity 1 0",
                          "editAcceleration par::MaxAcceleration 1 0",
                          "editDeceleration par::MaxDeceleration 1 0", "editBow par::Bow 1 0",
                          "editRelativePosition par::RelativePositioningOption 1 4"}));

    // The fields show the module's values, and a person's edit reaches this motor.
    auto *bow = child<XmlParameterWidget>(tool, "editBow");
    QCOMPARE(bow->value(), 321);
    bow->setValue(1234);
    QCOMPARE(module.journal(), QStringList{"write 1 par::Bow 1234"});

    // The panel is the tool's child and goes with it.
    QPointer<QWidget> panel = child<QWidget>(tool, "StepperPositionModeCedar");
    QCOMPARE(panel->parentWidget(), static_cast<QWidget *>(tool.get()));
    tool.reset();
    QVERIFY(!panel);
}

QTEST_MAIN(TestCedarPanel)
#include "tst_cedarpanel.moc"

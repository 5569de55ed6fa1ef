// The Cedar panel: four fields bound to the motor's ramp parameters.

#include "axilparameter.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>

using namespace TestSupport;

class TestCedarPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void bindsTheToolsMotor();
};

void TestCedarPanel::bindsTheToolsMotor()
{
    SimulatedModule module(2); // motor 1's parameters, not motor 0's
    Tool tool = makeTool(module, 71, 1);
    QStringList bound; // field, parameter, motor, display type
    for (const auto &binding : tool->getWidgetParameters())
        bound << QStringLiteral("%1 %2 %3 %4")
                     .arg(binding.first->objectName(), binding.second->parameterName())
                     .arg(binding.second->motor())
                     .arg(binding.first->displayType());
    QCOMPARE(bound.join(", "),
             "editMaxPosVel par::MaxVelocity 1 0, editAcceleration par::MaxAcceleration 1 0, "
             "editDeceleration par::MaxDeceleration 1 0, editBow par::Bow 1 0, "
             "editRelativePosition par::RelativePositioningOption 1 4");
}

QTEST_MAIN(TestCedarPanel)
#include "tst_cedarpanel.moc"

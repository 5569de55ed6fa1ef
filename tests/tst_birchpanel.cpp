// The Birch panel: pulse-rate displays and divisors that lock while the motor moves.

#include "axilparameter.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;

class TestBirchPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void ratesAndDivisors();
};

void TestBirchPanel::ratesAndDivisors()
{
    SimulatedModule module(2); // the fields show motor 1's values, not motor 0's
    Tool tool = makeTool(module, 70, 1);
    const auto rates = [&tool] {
        return child<QLabel>(tool, "dispMaxVelocityPPS")->text() + ' ' +
               child<QLabel>(tool, "dispAccelerationPPS")->text();
    };
    Model::AxilParameter *velocity = module.parameter(1, QStringLiteral("par::ActualVelocity"));

    // The module's power-up values, which the show does not change: 2000, 1500, 3 and 7.
    tool->showPlugin();
    QVERIFY(module.isTraced(velocity));
    QCOMPARE(rates(), QStringLiteral("61035 698492"));
    // A value that the module reports counts at once.
    module.setModuleValue(1, QStringLiteral("par::PulseDivisor"), 0);
    module.parameter(1, QStringLiteral("par::PulseDivisor"))->readValue(false);
    QCOMPARE(rates(), QStringLiteral("488281 5587935"));

    // So do a person's edits; halves round up (7812.5 pps and 122070312.5 pps²).
    const char *names[] = {"editRampDivisor", "editMaxVelocity", "editAcceleration"};
    const int values[] = {0, 32, 256};
    for (int i = 0; i < 3; ++i)
        child<XmlParameterWidget>(tool, names[i])->setValue(values[i]);
    QCOMPARE(rates(), QStringLiteral("7813 122070313"));

    // The divisors lock while the motor moves either way; the velocity field never does.
    for (int v : {250, 0, -1, 0}) {
        module.setModuleValue(1, velocity->parameterName(), v);
        module.pollTraces();
        for (const char *name : {"editPulseDivisor", "editRampDivisor"})
            QCOMPARE(child<XmlParameterWidget>(tool, name)->widget()->isEnabled(), v == 0);
        QVERIFY(child<XmlParameterWidget>(tool, "editMaxVelocity")->widget()->isEnabled());
    }
}

QTEST_MAIN(TestBirchPanel)
#include "tst_birchpanel.moc"

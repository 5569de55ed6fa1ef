// The Birch panel: pulse-rate displays and divisors that lock while the motor moves.

#include "axilparameter.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QLabel>
#include <QtTest>

using namespace TestSupport;

namespace {
const QString velocityKey = QStringLiteral("par::ActualVelocity");
} // namespace

class TestBirchPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void ratesFollowTheFields_data();
    void ratesFollowTheFields();
    void bindingsAndTheFirstShow();
    void divisorsLockWhileMoving_data();
    void divisorsLockWhileMoving();
};

void TestBirchPanel::ratesFollowTheFields_data()
{
    QTest::addColumn<int>("velocity");
    QTest::addColumn<int>("acceleration");
    QTest::addColumn<int>("pulseDivisor");
    QTest::addColumn<int>("rampDivisor");
    QTest::addColumn<int>("pps");
    QTest::addColumn<int>("pps2");

    // 1000 * 16e6 / 2^16 = 244140.625; 1 * 16e6^2 / 2^29 = 476837.16
    QTest::newRow("no divisors") << 1000 << 1 << 0 << 0 << 244141 << 476837;
    QTest::newRow("just below .5") << 999 << 2047 << 0 << 0 << 243896 << 976085663;
    // 2047 * 16e6 / 2^19 = 62469.48; 100 * 2.56e14 / 2^39 = 46566.13
    QTest::newRow("p3, r7") << 2047 << 100 << 3 << 7 << 62469 << 46566;
    QTest::newRow("p3, r0") << 2046 << 0 << 3 << 0 << 62439 << 0;
    QTest::newRow("largest divisors") << 2047 << 2047 << 13 << 13 << 61 << 15;
    QTest::newRow("rounds to 0") << 1 << 1 << 13 << 13 << 0 << 0;
    QTest::newRow("exactly .5 rounds up") << 32 << 256 << 0 << 0 << 7813 << 122070313;
}

void TestBirchPanel::ratesFollowTheFields()
{
    QFETCH(int, velocity);
    QFETCH(int, acceleration);
    QFETCH(int, pulseDivisor);
    QFETCH(int, rampDivisor);
    QFETCH(int, pps);
    QFETCH(int, pps2);

    SimulatedModule module;
    module.setPluginVariant(0, 70);
    Tool tool = makeTool(module, 70);
    tool->showPlugin();
    // A person's edits, each written to the module; the displays follow at once.
    child<XmlParameterWidget>(tool, "editPulseDivisor")->setValue(pulseDivisor);
    child<XmlParameterWidget>(tool, "editRampDivisor")->setValue(rampDivisor);
    child<XmlParameterWidget>(tool, "editMaxVelocity")->setValue(velocity);
    child<XmlParameterWidget>(tool, "editAcceleration")->setValue(acceleration);
    QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(), QString::number(pps));
    QCOMPARE(child<QLabel>(tool, "dispAccelerationPPS")->text(), QString::number(pps2));
}

void TestBirchPanel::bindingsAndTheFirstShow()
{
    SimulatedModule module(2);
    Tool tool = makeTool(module, 70, 1);
    QStringList bound; // field, parameter, motor, display type
    for (const auto &binding : tool->getWidgetParameters())
        bound << QStringLiteral("%1 %2 %3 %4")
                     .arg(binding.first->objectName(), binding.second->parameterName())
                     .arg(binding.second->motor())
                     .arg(binding.first->displayType());
    QCOMPARE(bound, (QStringList{"editPulseDivisor par::PulseDivisor 1 0",
                                 "editRampDivisor par::RampDivisor 1 0",
                                 "editMaxVelocity par::MaxVelocity 1 0",
                                 "editAcceleration par::MaxAcceleration 1 0",
                                 "editRelativePosition par::RelativePositioningOption 1 4"}));
    QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(), QStringLiteral("0"));
    QCOMPARE(child<QLabel>(tool, "dispAccelerationPPS")->text(), QStringLiteral("0"));
    QVERIFY(!module.isTraced(module.parameter(1, velocityKey)));

    // The module's power-up values, which the show does not change: 2000, 1500, 3 and 7.
    tool->showPlugin();
    QVERIFY(module.isTraced(module.parameter(1, velocityKey)));
    QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(), QStringLiteral("61035"));
    QCOMPARE(child<QLabel>(tool, "dispAccelerationPPS")->text(), QStringLiteral("698492"));
    // A value that the module reports counts like a person's edit.
    module.setModuleValue(1, QStringLiteral("par::PulseDivisor"), 0);
    module.parameter(1, QStringLiteral("par::PulseDivisor"))->readValue(false);
    QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(), QStringLiteral("488281"));
}

void TestBirchPanel::divisorsLockWhileMoving_data()
{
    QTest::addColumn<QList<int>>("velocities");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("moving up") << QList<int>{250} << false;
    QTest::newRow("moving down") << QList<int>{-1} << false;
    QTest::newRow("stopped again") << QList<int>{-40, 0} << true;
    QTest::newRow("started again") << QList<int>{7, 0, 3} << false;
}

void TestBirchPanel::divisorsLockWhileMoving()
{
    QFETCH(QList<int>, velocities);
    QFETCH(bool, enabled);

    SimulatedModule module;
    Tool tool = makeTool(module, 70);
    tool->showPlugin();
    for (int v : velocities) {
        module.setModuleValue(0, velocityKey, v);
        module.pollTraces();
    }
    for (const char *name : {"editPulseDivisor", "editRampDivisor"})
        QCOMPARE(child<XmlParameterWidget>(tool, name)->widget()->isEnabled(), enabled);
    QVERIFY(child<XmlParameterWidget>(tool, "editMaxVelocity")->widget()->isEnabled());
}

QTEST_MAIN(TestBirchPanel)
#include "tst_birchpanel.moc"

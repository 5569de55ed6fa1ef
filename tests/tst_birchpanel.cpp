// The Birch panel: pulse-rate displays and divisors that lock while the motor moves.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "genericstepperpositionmode.h"
#include "parametertype.h"
#include "pulserate.h"
#include "simulatedmodule.h"
#include "xmlparameterwidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {
const QString velocityKey = QLatin1String(ParameterType::cmd_ActualVelocity);

std::unique_ptr<ToolsInterface> makeBirch(SimulatedModule &module)
{
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(70);
    return std::unique_ptr<ToolsInterface>(factory.clone(QStringLiteral("birch"), 0, &module));
}

template <typename T> T *child(QWidget *tool, const char *name)
{
    T *w = tool->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}
} // namespace

class TestBirchPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void velocityRate_data();
    void velocityRate();
    void accelerationRate_data();
    void accelerationRate();
    void displaysFollowTheFields();
    void displaysBeforeTheFirstShow();
    void divisorsLockWhileMoving_data();
    void divisorsLockWhileMoving();
    void divisorsLockDuringARealMove();
    void bindingsInOrder();
    void fieldsTakeTheFamilysLimits();
};

void TestBirchPanel::init()
{
    QLocale::setDefault(QLocale::c());
}

void TestBirchPanel::velocityRate_data()
{
    QTest::addColumn<int>("velocity");
    QTest::addColumn<int>("pulseDivisor");
    QTest::addColumn<qint64>("pps");

    QTest::newRow("1000, p0: 244140.625") << 1000 << 0 << qint64(244141);
    QTest::newRow("999, p0: 243896.48") << 999 << 0 << qint64(243896);
    QTest::newRow("2047, p3") << 2047 << 3 << qint64(62469);
    QTest::newRow("2046, p3") << 2046 << 3 << qint64(62439);
    QTest::newRow("1, p13") << 1 << 13 << qint64(0);
    QTest::newRow("2047, p13") << 2047 << 13 << qint64(61);
    QTest::newRow("exactly .5 rounds up") << 32 << 0 << qint64(7813);
    QTest::newRow("zero velocity") << 0 << 5 << qint64(0);
}

void TestBirchPanel::velocityRate()
{
    QFETCH(int, velocity);
    QFETCH(int, pulseDivisor);
    QFETCH(qint64, pps);
    QCOMPARE(PulseRate::velocityPps(velocity, pulseDivisor), pps);
}

void TestBirchPanel::accelerationRate_data()
{
    QTest::addColumn<int>("acceleration");
    QTest::addColumn<int>("pulseDivisor");
    QTest::addColumn<int>("rampDivisor");
    QTest::addColumn<qint64>("pps2");

    QTest::newRow("100, p3, r7: 46566.13") << 100 << 3 << 7 << qint64(46566);
    QTest::newRow("1, p0, r0") << 1 << 0 << 0 << qint64(476837);
    QTest::newRow("exactly .5 rounds up") << 256 << 0 << 0 << qint64(122070313);
    QTest::newRow("largest divisors") << 2047 << 13 << 13 << qint64(15);
    QTest::newRow("largest, no divisors") << 2047 << 0 << 0 << qint64(976085663);
    QTest::newRow("zero") << 0 << 4 << 4 << qint64(0);
}

void TestBirchPanel::accelerationRate()
{
    QFETCH(int, acceleration);
    QFETCH(int, pulseDivisor);
    QFETCH(int, rampDivisor);
    QFETCH(qint64, pps2);
    QCOMPARE(PulseRate::accelerationPps2(acceleration, pulseDivisor, rampDivisor), pps2);
}

void TestBirchPanel::displaysFollowTheFields()
{
    SimulatedModule module;
    auto tool = makeBirch(module);
    tool->showPlugin();
    auto *velocity = child<XmlParameterWidget>(tool.get(), "editMaxVelocity");
    auto *acceleration = child<XmlParameterWidget>(tool.get(), "editAcceleration");
    auto *pulse = child<XmlParameterWidget>(tool.get(), "editPulseDivisor");
    auto *ramp = child<XmlParameterWidget>(tool.get(), "editRampDivisor");

    // A person's edits: each is written and the displays follow at once.
    pulse->setValue(3);
    ramp->setValue(7);
    velocity->setValue(2047);
    acceleration->setValue(100);
    QCOMPARE(child<QLabel>(tool.get(), "dispMaxVelocityPPS")->text(), QStringLiteral("62469"));
    QCOMPARE(child<QLabel>(tool.get(), "dispAccelerationPPS")->text(), QStringLiteral("46566"));
    QVERIFY(module.journal().contains(
        QStringLiteral("write 0 %1 2047").arg(QLatin1String(ParameterType::cmd_MaxVelocity))));

    // A value the module reports follows the same way.
    module.setModuleValue(0, QLatin1String(ParameterType::cmd_PulseDivisor), 0);
    module.parameter(0, QLatin1String(ParameterType::cmd_PulseDivisor))->readValue(false);
    QCOMPARE(child<QLabel>(tool.get(), "dispMaxVelocityPPS")->text(), QStringLiteral("499756"));
}

void TestBirchPanel::displaysBeforeTheFirstShow()
{
    SimulatedModule module;
    auto tool = makeBirch(module);
    QCOMPARE(child<QLabel>(tool.get(), "dispMaxVelocityPPS")->text(), QStringLiteral("0"));
    QCOMPARE(child<QLabel>(tool.get(), "dispAccelerationPPS")->text(), QStringLiteral("0"));
    QVERIFY(!module.isTraced(module.parameter(0, velocityKey)));
    tool->showPlugin();
    QVERIFY(module.isTraced(module.parameter(0, velocityKey)));
    QVERIFY(child<QLabel>(tool.get(), "dispMaxVelocityPPS")->text() != QStringLiteral("0"));
}

void TestBirchPanel::divisorsLockWhileMoving_data()
{
    QTest::addColumn<QList<int>>("velocities");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("standing") << QList<int>{0} << true;
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
    auto tool = makeBirch(module);
    tool->showPlugin();
    for (int v : velocities) {
        module.setModuleValue(0, velocityKey, v);
        module.pollTraces();
    }
    for (const char *name : {"editPulseDivisor", "editRampDivisor"})
        QCOMPARE(child<XmlParameterWidget>(tool.get(), name)->widget()->isEnabled(), enabled);
    QVERIFY(child<XmlParameterWidget>(tool.get(), "editMaxVelocity")->widget()->isEnabled());
}

void TestBirchPanel::divisorsLockDuringARealMove()
{
    SimulatedModule module;
    auto tool = makeBirch(module);
    tool->showPlugin();
    QWidget *pulse = child<XmlParameterWidget>(tool.get(), "editPulseDivisor")->widget();
    child<QSpinBox>(tool.get(), "editTargetPosition")->setValue(2000);
    child<QPushButton>(tool.get(), "btnAbsolute")->click();

    module.advance(200);
    QVERIFY(!pulse->isEnabled());
    for (int i = 0; i < 500 && module.motion(0).isMoving(); ++i)
        module.advance(20);
    QVERIFY(pulse->isEnabled());
}

void TestBirchPanel::bindingsInOrder()
{
    SimulatedModule module(2);
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(70);
    std::unique_ptr<ToolsInterface> tool(factory.clone(QStringLiteral("birch"), 1, &module));
    AxisController *c = module.controller(1);

    const auto bindings = tool->getWidgetParameters();
    QCOMPARE(bindings.size(), 5); // the panel's four (made first), then the tool's own
    const QList<QPair<const char *, Model::AxilParameter *>> expected = {
        {"editPulseDivisor", c->pulseDivisor},
        {"editRampDivisor", c->rampDivisor},
        {"editMaxVelocity", c->maxVelocity},
        {"editAcceleration", c->maxAcceleration}};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(bindings.at(i).first->objectName(), QLatin1String(expected.at(i).first));
        QCOMPARE(bindings.at(i).second, expected.at(i).second);
        QCOMPARE(bindings.at(i).first->displayType(), DisplayType::Plain);
    }
}

void TestBirchPanel::fieldsTakeTheFamilysLimits()
{
    SimulatedModule module;
    module.setPluginVariant(0, 70);
    auto tool = makeBirch(module);
    const QList<QPair<const char *, int>> maxima = {{"editMaxVelocity", 2047},
                                                    {"editAcceleration", 2047},
                                                    {"editPulseDivisor", 13},
                                                    {"editRampDivisor", 13}};
    for (const auto &m : maxima) {
        auto *field = child<XmlParameterWidget>(tool.get(), m.first);
        QCOMPARE(field->minimum(), 0);
        QCOMPARE(field->maximum(), m.second);
    }
    // Out of the family's range: refused by the module, the field keeps the module's value.
    auto *velocity = child<XmlParameterWidget>(tool.get(), "editMaxVelocity");
    const int before = velocity->value();
    module.parameter(0, QLatin1String(ParameterType::cmd_MaxVelocity))->writeValue(2048);
    QCOMPARE(velocity->value(), before);
    QVERIFY(module.journal().last().startsWith(QLatin1String("refused write")));
}

QTEST_MAIN(TestBirchPanel)
#include "tst_birchpanel.moc"

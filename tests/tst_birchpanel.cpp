// The Birch panel: pulse-rate displays and divisors that lock while the motor moves.

#include "axilparameter.h"
#include "hostmessages.h"
#include "rampprofile.h"
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
    void ratesFollowTheValues();
    void ratesAreWhatTheMotorRuns_data();
    void ratesAreWhatTheMotorRuns();
    void lockedDivisorWritesNothing();
};

void TestBirchPanel::ratesAreWhatTheMotorRuns_data()
{
    QTest::addColumn<qint64>("velocity");
    QTest::addColumn<qint64>("acceleration");
    QTest::addColumn<qint64>("pulseDivisor");
    QTest::addColumn<qint64>("rampDivisor");
    QTest::newRow("power-up") << 200LL << 100LL << 5LL << 8LL;
    QTest::newRow("slowest") << 1LL << 1LL << 13LL << 13LL;
    QTest::newRow("widest shift") << 2047LL << 2047LL << 30LL << 30LL;
    QTest::newRow("divisors beyond the shift") << 2047LL << 2047LL << 40LL << 1000000LL;
    QTest::newRow("int limits") << 2147483647LL << 2147483647LL << 2147483647LL << 2147483647LL;
    QTest::newRow("beyond int") << (1LL << 40) << (1LL << 40) << (1LL << 35) << (1LL << 35);
    QTest::newRow("beyond 64-bit rates") << (1LL << 49) << (1LL << 49) << 0LL << 0LL;
}

// The panel shows the pulse rates that the module's motor really runs at, also where a module
// declares limits wider than the chip's.
void TestBirchPanel::ratesAreWhatTheMotorRuns()
{
    QFETCH(qint64, velocity);
    QFETCH(qint64, acceleration);
    QFETCH(qint64, pulseDivisor);
    QFETCH(qint64, rampDivisor);
    SimulatedModule module;
    module.setPluginVariant(0, 70);
    const struct
    {
        const char *key;
        qint64 value;
    } settings[] = {{"par::MaxVelocity", velocity},
                    {"par::MaxAcceleration", acceleration},
                    {"par::PulseDivisor", pulseDivisor},
                    {"par::RampDivisor", rampDivisor}};
    for (const auto &setting : settings) {
        module.setLimits(0, setting.key, 0, 1LL << 50);
        QVERIFY(module.writeParameter(0, setting.key, setting.value));
    }
    Tool tool = makeTool(module, 70);
    tool->showPlugin();
    const RampProfile ramp = module.ramp(0);
    QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(),
             QString::number(ramp.maxVelocity, 'f', 0));
    QCOMPARE(child<QLabel>(tool, "dispAccelerationPPS")->text(),
             QString::number(ramp.acceleration, 'f', 0));
}

// A divisor that locks while a person types in it writes nothing; what is committed once the
// motor stands is written.
void TestBirchPanel::lockedDivisorWritesNothing()
{
    SimulatedModule module;
    Tool tool = shownTool(module, 70, true);
    QApplication::setActiveWindow(tool.get());
    child<QPushButton>(tool, "btnHideController")->click();
    QWidget *divisor = child<XmlParameterWidget>(tool, "editPulseDivisor")->widget();
    const auto type = [divisor] {
        divisor->setFocus();
        QTest::keyClick(divisor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(divisor, "9");
    };
    type();
    QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
    QVERIFY(module.moveToPosition(0, 5000)); // another tool, say, starts the motor
    module.advance(100);
    QVERIFY(!divisor->isEnabled());
    QCOMPARE(valueOf(divisor), 5); // what the module holds, not the typing
    QCOMPARE(messages.count(), 1);
    module.advance(20000);
    QVERIFY(writes(module).isEmpty());
    type();
    QTest::keyClick(divisor, Qt::Key_Return);
    QCOMPARE(writes(module), QStringList{"write 0 par::PulseDivisor 9"});
}

// The rates follow motor 1's values at once, the module's reports and a person's edits alike;
// halves round up (7812.5 pps and 122070312.5 pps²).
void TestBirchPanel::ratesFollowTheValues()
{
    SimulatedModule module(2);
    Tool tool = makeTool(module, 70, 1);
    tool->showPlugin();
    const auto rates = [&tool] {
        return child<QLabel>(tool, "dispMaxVelocityPPS")->text() + ' ' +
               child<QLabel>(tool, "dispAccelerationPPS")->text();
    };
    module.setModuleValue(1, QStringLiteral("par::PulseDivisor"), 0);
    module.parameter(1, QStringLiteral("par::PulseDivisor"))->readValue(false);
    QCOMPARE(rates(), QStringLiteral("488281 5587935"));
    const std::pair<const char *, int> edits[] = {
        {"editRampDivisor", 0}, {"editMaxVelocity", 32}, {"editAcceleration", 256}};
    for (const auto &[name, value] : edits)
        child<XmlParameterWidget>(tool, name)->setValue(value);
    QCOMPARE(rates(), QStringLiteral("7813 122070313"));
}

QTEST_MAIN(TestBirchPanel)
#include "tst_birchpanel.moc"

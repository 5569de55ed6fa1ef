// The host's parameter model: reading and writing module parameters, their descriptions, and the
// tool base that binds parameters to widgets, traces them and commands its motor.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"
#include "xmlparameterinterface.h"
#include "xmlparameterwidget.h"

#include <QtTest>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString accKey = QLatin1String(ParameterType::cmd_MaxAcceleration);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);

class TestTool final : public ToolsInterface
{
public:
    TestTool(unsigned char motor, AxilModuleInterface *module)
        : ToolsInterface(QStringLiteral("Test tool"), QStringLiteral("Testing"),
                         ToolsType::GenericStepperPositionMode, 70, motor, module, QString())
    {}
    QString version() const override { return QStringLiteral("1.0"); }
    void aboutToExit() override {}
    void showPlugin() override {}
    void hidePlugin() override {}
    bool isUsableForVariant(int) override { return true; }
    ToolsInterface *clone(QString, unsigned char, AxilModuleInterface *) override
    {
        return nullptr;
    }
};
} // namespace

class TestParameterModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void read()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        module.setModuleValue(0, vmaxKey, 2500);
        QCOMPARE(p->readValue(true), qint64(2000)); // the cache does not ask the module
        QCOMPARE(p->readValue(false), qint64(2500));
        QCOMPARE(p->readValue(false), qint64(2500));
        QCOMPARE(updated.count(), 2); // also when the value stays
        QCOMPARE(module.readCount(0, vmaxKey), 2);
    }

    void write_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same value") << vmaxKey << qint64(2000) << true;
        QTest::newRow("at the maximum") << vmaxKey << qint64(8388096) << true;
        QTest::newRow("above the maximum") << vmaxKey << qint64(8388097) << false;
        QTest::newRow("below the minimum") << accKey << qint64(0) << false;
        QTest::newRow("beyond 32 bits") << targetKey << qint64(2147483648LL) << false;
        QTest::newRow("read-only")
            << QString::fromLatin1(ParameterType::cmd_ActualVelocity) << qint64(5) << false;
    }

    void write()
    {
        QFETCH(QString, key);
        QFETCH(qint64, value);
        QFETCH(bool, accepted);
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        const qint64 before = p->lastKnownValue();
        QSignalSpy changes(p, &Model::AbstractParameter::valueChanged);
        QSignalSpy reports(&module, &SimulatedModule::report);

        QCOMPARE(p->writeValue(value), accepted);
        const QString line = QStringLiteral("write 0 %1 %2").arg(key).arg(value);
        QCOMPARE(module.journal(), QStringList{accepted ? line : QLatin1String("refused ") + line});
        QCOMPARE(p->lastKnownValue(), accepted ? value : before);
        QCOMPARE(changes.count(), int(accepted && value != before));
        QCOMPARE(reports.count(), int(!accepted));
        if (!accepted)
            QVERIFY(reports.first().first().toString().contains(p->displayName()));
    }

    void missingParameter()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QVERIFY(!p->exists() && module.parameter(0, accKey)->exists());
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy reports(&module, &SimulatedModule::report);
        QCOMPARE(p->readValue(false), qint64(2000));
        QVERIFY(!p->writeValue(100));
        QCOMPARE(updated.count(), 0);
        QVERIFY(module.journal().isEmpty());
        QCOMPARE(reports.count(), 2);
        QVERIFY(reports.last().first().toString().contains(QLatin1String("Maximum velocity")));

        // A tool is warned once about a missing parameter, and never about a present one.
        module.parameter(0, accKey)->getWarned(QStringLiteral("Tool A"));
        p->getWarned(QStringLiteral("Tool A"));
        p->getWarned(QStringLiteral("Tool A"));
        p->getWarned(QStringLiteral("Tool B"));
        QCOMPARE(reports.count(), 4);
        QVERIFY(reports.last().first().toString().contains(QLatin1String("Tool B")));
    }

    void descriptionFollowsLimits()
    {
        SimulatedModule module(2);
        Model::AxilParameter *p = module.controller(1)->parameter(targetKey);
        XmlParameterInterface *xml = p->xmlParameter();
        QSignalSpy described(p, &Model::BaseXMLParameter::descriptionChanged);
        module.setLimits(1, targetKey, -100, 3000);
        QCOMPARE(described.count(), 1);
        QCOMPARE(xml->value()->lowerLimit(), qint64(-100));
        QCOMPARE(xml->value()->upperLimit(), qint64(3000));
        QVERIFY(!p->writeValue(3001));
        QVERIFY(p->writeValue(3000));
    }

    void toolBindsReadsAndCommands()
    {
        SimulatedModule module(2);
        module.removeParameter(1, targetKey);
        TestTool tool(1, &module);
        AxisController *c = tool.controller();
        auto *vmax = new XmlParameterWidget(&tool);
        auto *option = new XmlParameterWidget(&tool);
        auto *acc = new XmlParameterWidget(&tool);
        tool.addWidgetParameter(acc, c->maxAcceleration, DisplayType::Plain);
        tool.addWidgetParameter(option, c->relativePositioningOption, DisplayType::TwoChoice);
        tool.addWidgetParameter(vmax, c->maxVelocity, DisplayType::Plain);
        tool.addParameter(c->actualPosition);
        tool.addParameter(c->actualPosition);
        tool.addParameter(c->targetPosition);
        module.setModuleValue(1, vmaxKey, 4321);
        QSignalSpy reports(&module, &SimulatedModule::report);

        tool.initWidgetParameters();
        QCOMPARE(vmax->value(), 4321);
        QCOMPARE(module.readCount(1, actualKey), 0);
        tool.readUsedParameters();
        QCOMPARE(module.readCount(1, vmaxKey), 2);
        QCOMPARE(module.readCount(1, actualKey), 1);
        QCOMPARE(reports.count(), 0); // the missing target is not read

        delete option;
        using Pairs = QList<ToolsInterface::WidgetParameter>;
        QCOMPARE(tool.getWidgetParameters(),
                 (Pairs{{acc, c->maxAcceleration}, {vmax, c->maxVelocity}}));

        QCOMPARE(tool.toolsName(), QStringLiteral("Test tool (motor 1)"));
        tool.doMoveToPosition(-1200);
        tool.doMoveToRelPosition(300);
        tool.doMotorStop();
        // Nothing was written so far; the commands go to the tool's motor.
        QCOMPARE(module.journal(), (QStringList{"move 1 -1200", "moveRel 1 300", "stop 1"}));
    }

    void traces()
    {
        SimulatedModule module;
        AxisController *c = module.controller(0);
        TestTool tool(0, &module);
        auto *other = new TestTool(0, &module);
        tool.addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->actualPosition->xmlParameter());
        other->addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->maxVelocity->xmlParameter());
        module.advance(10);
        QCOMPARE(module.readCount(0, actualKey), 1); // once per round, however often traced
        QCOMPARE(module.readCount(0, vmaxKey), 1);

        tool.removeAllTraces();
        module.advance(10);
        QCOMPARE(module.readCount(0, actualKey), 2);
        QCOMPARE(module.readCount(0, vmaxKey), 1);
        delete other;
        QCOMPARE(module.traceCount(), 0);
    }
};

QTEST_MAIN(TestParameterModel)
#include "tst_parametermodel.moc"

// The host's parameter model: reading and writing module parameters, their descriptions, and the
// tool base that binds parameters to widgets, traces them and commands its motor.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"
#include "xmlparameterinterface.h"
#include "xmlparameterwidget.h"

#include <QScopedPointer>
#include <QtTest>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString accKey = QLatin1String(ParameterType::cmd_MaxAcceleration);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);
const QString optionKey = QLatin1String(ParameterType::cmd_RelativePositioningOption);

// The smallest tool: what the base leaves abstract does nothing.
class TestTool final : public ToolsInterface
{
public:
    TestTool(unsigned char motor, AxilModuleInterface *module)
        : ToolsInterface(QStringLiteral("Test tool"), QStringLiteral("Testing"),
                         ToolsType::GenericStepperPositionMode, 70, motor, module, QString())
    {
        compatibleVariantsList = {70, 71};
    }
    QString version() const override { return QStringLiteral("1.0"); }
    void aboutToExit() override {}
    void showPlugin() override {}
    void hidePlugin() override {}
    bool isUsableForVariant(int variant) override { return variant == 70; }
    ToolsInterface *clone(QString, unsigned char motor, AxilModuleInterface *module) override
    {
        return new TestTool(motor, module);
    }
};
} // namespace

class TestParameterModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void read_data()
    {
        QTest::addColumn<qint64>("moduleValue");
        QTest::addColumn<int>("changed");
        QTest::newRow("same value") << qint64(2000) << 0;
        QTest::newRow("new value") << qint64(2500) << 1;
    }

    void read()
    {
        QFETCH(qint64, moduleValue);
        QFETCH(int, changed);

        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy changes(p, &Model::AbstractParameter::valueChanged);
        module.setModuleValue(0, vmaxKey, moduleValue);

        QCOMPARE(p->readValue(true), qint64(2000)); // the cache does not ask the module
        QCOMPARE(updated.count(), 0);
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(p->readValue(false), moduleValue);
            QCOMPARE(p->lastKnownValue(), moduleValue);
            QCOMPARE(updated.count(), i);
            QCOMPARE(changes.count(), changed);
        }
        QCOMPARE(module.readCount(0, vmaxKey), 2);
    }

    void write_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("changed");
        QTest::newRow("in range") << vmaxKey << qint64(5000) << true << 1;
        QTest::newRow("same value") << vmaxKey << qint64(2000) << true << 0;
        QTest::newRow("at the maximum") << vmaxKey << qint64(8388096) << true << 1;
        QTest::newRow("above the maximum") << vmaxKey << qint64(8388097) << false << 0;
        QTest::newRow("below the minimum") << accKey << qint64(0) << false << 0;
        QTest::newRow("int32 minimum") << targetKey << qint64(-2147483648LL) << true << 1;
        QTest::newRow("beyond 32 bits") << targetKey << qint64(2147483648LL) << false << 0;
        QTest::newRow("read-only")
            << QString::fromLatin1(ParameterType::cmd_ActualVelocity) << qint64(5) << false << 0;
    }

    void write()
    {
        QFETCH(QString, key);
        QFETCH(qint64, value);
        QFETCH(bool, accepted);
        QFETCH(int, changed);

        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        const qint64 before = p->lastKnownValue();
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy changes(p, &Model::AbstractParameter::valueChanged);
        QSignalSpy reports(&module, &SimulatedModule::report);

        QCOMPARE(p->writeValue(value), accepted);
        const QString line = QStringLiteral("write 0 %1 %2").arg(key).arg(value);
        QCOMPARE(module.journal(), QStringList{accepted ? line : QLatin1String("refused ") + line});
        QCOMPARE(p->lastKnownValue(), accepted ? value : before);
        QCOMPARE(module.moduleValue(0, key), accepted ? value : before);
        QCOMPARE(updated.count(), accepted ? 1 : 0);
        QCOMPARE(changes.count(), changed);
        QCOMPARE(reports.count(), accepted ? 0 : 1);
        if (!accepted)
            QVERIFY(reports.first().first().toString().contains(p->displayName()));
    }

    void missingParameter()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QVERIFY(!p->exists());
        QVERIFY(module.parameter(0, accKey)->exists());
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy reports(&module, &SimulatedModule::report);

        QCOMPARE(p->readValue(false), qint64(2000));
        QVERIFY(!p->writeValue(100));
        QCOMPARE(p->lastKnownValue(), qint64(2000));
        QCOMPARE(updated.count(), 0);
        QCOMPARE(module.readCount(0, vmaxKey), 0);
        QVERIFY(module.journal().isEmpty());
        QCOMPARE(reports.count(), 2);
        for (const QList<QVariant> &report : qAsConst(reports))
            QVERIFY2(report.first().toString().contains(QLatin1String("Maximum velocity")),
                     qPrintable(report.first().toString()));
    }

    void getWarnedReportsOncePerTool()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        Model::AxilParameter *missing = module.parameter(0, vmaxKey);
        Model::AxilParameter *present = module.parameter(0, accKey);
        QSignalSpy reports(&module, &SimulatedModule::report);

        QCOMPARE(present->getWarned(QStringLiteral("Tool A")), present);
        QCOMPARE(reports.count(), 0);
        QCOMPARE(missing->getWarned(QStringLiteral("Tool A")), missing);
        missing->getWarned(QStringLiteral("Tool A"));
        QCOMPARE(reports.count(), 1);
        missing->getWarned(QStringLiteral("Tool B"));
        QCOMPARE(reports.count(), 2);
        QVERIFY(reports.last().first().toString().contains(QLatin1String("Tool B")));
    }

    void descriptionFollowsLimits()
    {
        SimulatedModule module(2);
        Model::AxilParameter *p = module.controller(1)->parameter(targetKey);
        QCOMPARE(p->motor(), static_cast<unsigned char>(1));
        QCOMPARE(p->parameterName(), targetKey);
        QCOMPARE(p->displayName(), QStringLiteral("Target position"));
        QCOMPARE(p->unit(), QStringLiteral(" steps"));
        XmlParameterInterface *xml = p->xmlParameter();
        QCOMPARE(xml->parameter(), p);
        QVERIFY(!xml->parameterTypeDescription().isEmpty());
        QCOMPARE(xml->value()->getTypeAsString(), QStringLiteral("Integer"));
        QCOMPARE(xml->value()->lowerLimit(), qint64(-2147483648LL));

        QSignalSpy described(p, &Model::BaseXMLParameter::descriptionChanged);
        module.setLimits(1, targetKey, -100, 3000);
        QCOMPARE(described.count(), 1);
        QCOMPARE(p->minimum(), qint64(-100));
        QCOMPARE(p->maximum(), qint64(3000));
        QCOMPARE(xml->value()->lowerLimit(), qint64(-100));
        QCOMPARE(xml->value()->upperLimit(), qint64(3000));
        QVERIFY(!p->writeValue(3001));
        QVERIFY(!p->writeValue(-101));
        QVERIFY(p->writeValue(3000));
    }

    void toolIdentity()
    {
        SimulatedModule module(2);
        TestTool tool(1, &module);
        QCOMPARE(tool.toolsName(false), QStringLiteral("Test tool"));
        QVERIFY(tool.toolsName().contains(QLatin1String("Test tool")));
        QVERIFY(tool.toolsName().contains(QLatin1Char('1')));
        QCOMPARE(tool.controller(), module.controller(1));
        QCOMPARE(tool.module(), &module);
        QCOMPARE(tool.compatibleVariants(), (QList<int>{70, 71}));
    }

    void bindingsInOrder()
    {
        SimulatedModule module;
        TestTool tool(0, &module);
        AxisController *c = module.controller(0);
        auto *first = new XmlParameterWidget(&tool);
        auto *second = new XmlParameterWidget(&tool);
        auto *third = new XmlParameterWidget(&tool);
        QCOMPARE(tool.addWidgetParameter(second, c->maxVelocity, DisplayType::Plain),
                 c->maxVelocity);
        tool.addWidgetParameter(first, c->relativePositioningOption, DisplayType::TwoChoice);
        tool.addWidgetParameter(third, c->maxAcceleration, DisplayType::Plain);
        QCOMPARE(first->parameter(), c->relativePositioningOption);
        QCOMPARE(first->displayType(), DisplayType::TwoChoice);

        using Pairs = QList<ToolsInterface::WidgetParameter>;
        QCOMPARE(tool.getWidgetParameters(), (Pairs{{second, c->maxVelocity},
                                                    {first, c->relativePositioningOption},
                                                    {third, c->maxAcceleration}}));
        delete first;
        QCOMPARE(tool.getWidgetParameters(),
                 (Pairs{{second, c->maxVelocity}, {third, c->maxAcceleration}}));
        QVERIFY(module.journal().isEmpty());
    }

    void initAndReadUsedParameters()
    {
        SimulatedModule module;
        module.removeParameter(0, targetKey);
        TestTool tool(0, &module);
        AxisController *c = module.controller(0);
        auto *vmax = new XmlParameterWidget(&tool);
        auto *option = new XmlParameterWidget(&tool);
        tool.addWidgetParameter(vmax, c->maxVelocity, DisplayType::Plain);
        tool.addWidgetParameter(option, c->relativePositioningOption, DisplayType::TwoChoice);
        QCOMPARE(tool.addParameter(c->actualPosition), c->actualPosition);
        tool.addParameter(c->actualPosition);
        tool.addParameter(c->targetPosition);
        module.setModuleValue(0, vmaxKey, 4321);
        module.setModuleValue(0, optionKey, 0);

        tool.initWidgetParameters();
        QCOMPARE(vmax->value(), 4321);
        QCOMPARE(option->value(), 0);
        QCOMPARE(module.readCount(0, vmaxKey), 1);
        QCOMPARE(module.readCount(0, actualKey), 0);

        tool.readUsedParameters();
        QCOMPARE(module.readCount(0, vmaxKey), 2);
        QCOMPARE(module.readCount(0, optionKey), 2);
        QCOMPARE(module.readCount(0, actualKey), 1);
        QCOMPARE(module.readCount(0, targetKey), 0);
        QVERIFY2(module.journal().isEmpty(), qPrintable(module.journal().join(QLatin1Char('\n'))));
    }

    void tracesArePolledWhileTraced()
    {
        SimulatedModule module;
        TestTool tool(0, &module);
        TestTool other(0, &module);
        AxisController *c = module.controller(0);
        tool.addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->actualPosition->xmlParameter());
        other.addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->maxVelocity->xmlParameter());

        module.advance(10);
        module.pollTraces();
        QCOMPARE(module.readCount(0, actualKey), 2); // once per round, however often traced
        QCOMPARE(module.readCount(0, vmaxKey), 2);

        tool.removeAllTraces();
        module.advance(10);
        QCOMPARE(module.readCount(0, actualKey), 3);
        QCOMPARE(module.readCount(0, vmaxKey), 2);
    }

    void destroyedToolLeavesNoTrace()
    {
        SimulatedModule module;
        AxisController *c = module.controller(0);
        QScopedPointer<TestTool> tool(new TestTool(0, &module));
        tool->addTrace(c->actualPosition->xmlParameter());
        QCOMPARE(module.traceCount(), 1);
        tool.reset();
        QCOMPARE(module.traceCount(), 0);
        module.advance(10);
        QCOMPARE(module.readCount(0, actualKey), 0);
    }

    void commandsGoToTheToolsMotor_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("line");
        QTest::newRow("move") << 0 << "move 1 -1200";
        QTest::newRow("relative move") << 1 << "moveRel 1 -1200";
        QTest::newRow("stop") << 2 << "stop 1";
    }

    void commandsGoToTheToolsMotor()
    {
        QFETCH(int, command);
        QFETCH(QString, line);

        SimulatedModule module(3);
        TestTool tool(1, &module);
        if (command == 0)
            tool.doMoveToPosition(-1200);
        else if (command == 1)
            tool.doMoveToRelPosition(-1200);
        else
            tool.doMotorStop();
        QCOMPARE(module.journal(), QStringList{line});
        QCOMPARE(module.motion(1).isPositioning(), command != 2);
        QVERIFY(!module.motion(0).isPositioning() && !module.motion(2).isPositioning());
    }
};

QTEST_MAIN(TestParameterModel)
#include "tst_parametermodel.moc"

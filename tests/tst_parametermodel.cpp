// The host's parameter model: reading and writing module parameters, their descriptions, and the
// tool base that binds parameters to fields, enables them, traces them and commands its motor.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"
#include "xmlparameterinterface.h"
#include "xmlparameterwidget.h"

#include <QtTest>

#include <limits>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString accKey = QLatin1String(ParameterType::cmd_MaxAcceleration);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);

class TestTool final : public ToolsInterface
{
public:
    TestTool(unsigned char motor, AxilModuleInterface *module)
        : ToolsInterface(QStringLiteral("Test tool"), QString(),
                         ToolsType::GenericStepperPositionMode, motor, module, QString())
    {}
    QString version() const override { return QStringLiteral("1.0"); }
    void aboutToExit() override {}
    void showPlugin() override {}
    void hidePlugin() override {}
    bool isUsableForVariant(int) override { return true; }
    ToolsInterface *clone(QString, uchar, AxilModuleInterface *) override { return nullptr; }
};
} // namespace

class TestParameterModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void readAndLimits()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy changed(p, &Model::AbstractParameter::valueChanged);
        module.setModuleValue(0, vmaxKey, 2500);
        QCOMPARE(p->readValue(true), qint64(2000)); // the cache does not ask the module
        QCOMPARE(p->readValue(false), qint64(2500));
        QCOMPARE(p->readValue(false), qint64(2500));
        QCOMPARE(updated.count(), 2); // also when the value stays
        QCOMPARE(changed.count(), 1);
        QCOMPARE(module.readCount(0, vmaxKey), 2);

        module.setLimits(0, vmaxKey, 0, 3000);
        QCOMPARE(p->xmlParameter()->value()->upperLimit(), qint64(3000));
        QVERIFY(!p->writeValue(3001));
    }

    void missingParameter()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QVERIFY(!p->exists() && module.parameter(0, accKey)->exists());
        XmlParameterWidget field(p, nullptr);
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
        for (const char *tool : {"Tool A", "Tool A", "Tool B"})
            p->getWarned(QLatin1String(tool));
        QCOMPARE(reports.count(), 4);
        QVERIFY(reports.last().first().toString().contains(QLatin1String("Tool B")));

        // Its field is disabled with the reason, which a new description (shown in full) keeps.
        const QString why = field.widget()->toolTip();
        QVERIFY2(why.contains(QLatin1String("Maximum velocity")), qPrintable(why));
        field.setEnabled(true);
        // Numbers are written without group separators, even where the locale has them.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        module.setLimits(0, vmaxKey, std::numeric_limits<qint64>::min(), 100000);
        QCOMPARE(field.maximum(), 100000);
        QVERIFY(
            field.toolTip().endsWith(QLatin1String("[-9223372036854775808 .. 100000] pps")));
        QVERIFY(!field.widget()->isEnabled());
        QCOMPARE(field.widget()->toolTip(), why);
    }

    void toolBase()
    {
        SimulatedModule module(2);
        module.removeParameter(1, targetKey);
        TestTool tool(1, &module);
        AxisController *c = tool.controller();
        auto *vmax = new XmlParameterWidget(&tool);
        auto *option = new XmlParameterWidget(&tool);
        auto *target = new XmlParameterWidget(&tool);
        tool.addWidgetParameter(option, c->relativePositioningOption, DisplayType::TwoChoice);
        tool.addWidgetParameter(vmax, c->maxVelocity, DisplayType::Plain);
        tool.addWidgetParameter(target, c->targetPosition, DisplayType::Plain);
        tool.addParameter(c->actualPosition);
        tool.addParameter(c->actualPosition);
        module.setModuleValue(1, vmaxKey, 4321);
        QSignalSpy reports(&module, &SimulatedModule::report);

        tool.initWidgetParameters();
        QCOMPARE(vmax->value(), 4321);
        QCOMPARE(module.readCount(1, actualKey), 0);
        tool.readUsedParameters();
        QCOMPARE(module.readCount(1, vmaxKey), 2);
        QCOMPARE(module.readCount(1, actualKey), 1);
        QCOMPARE(reports.count(), 0); // the missing target is not read

        // Containers stay enabled, so that a control can be enabled again on its own.
        tool.setEnabled(false);
        QVERIFY(!tool.toolEnabled() && !vmax->widget()->isEnabled());
        option->widget()->setEnabled(true);
        tool.setEnabled(false);
        QVERIFY(option->widget()->isEnabled());
        tool.setEnabled(true);
        QVERIFY(tool.toolEnabled() && vmax->widget()->isEnabled() &&
                !target->widget()->isEnabled());

        delete option;
        QCOMPARE(tool.getWidgetParameters(),
                 (QList<ToolsInterface::WidgetParameter>{{vmax, c->maxVelocity},
                                                         {target, c->targetPosition}}));
        QCOMPARE(tool.toolsName(), QStringLiteral("Motor 1 (Test tool)"));
        tool.doMoveToPosition(-1200);
        tool.doMoveToRelPosition(300);
        tool.doMotorStop();
        QCOMPARE(module.journal(), (QStringList{"move 1 -1200", "moveRel 1 300", "stop 1"}));

        // Polled once per round, however often traced; a tool's traces go with it.
        auto *other = new TestTool(1, &module);
        for (ToolsInterface *t : {&tool, &tool, other})
            t->addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->maxVelocity->xmlParameter());
        module.advance(10);
        tool.removeAllTraces();
        module.advance(10);
        QCOMPARE(module.readCount(1, actualKey), 3);
        QCOMPARE(module.readCount(1, vmaxKey), 3);
        delete other;
        QCOMPARE(module.traceCount(), 0);
    }
};

QTEST_MAIN(TestParameterModel)
#include "tst_parametermodel.moc"

// The plugin as a host sees it: loaded through QPluginLoader and used only through the host's
// interfaces.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "parametertype.h"
#include "plugindevinfo.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"

#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QScopedPointer>
#include <QtTest>

class TestPluginEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void metadata();
    void sameInstanceFromTwoCalls();
    void factoryInstance();
    void variantAcceptance_data();
    void variantAcceptance();
    void cloneDispatch_data();
    void cloneDispatch();
    void showAndHideReachTheModule();
    void castQueries();

private:
    ToolsInterface *factory();
    QPluginLoader loader{QStringLiteral(POSITIONMODE_PLUGIN_PATH)};
};

void TestPluginEntry::initTestCase()
{
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
}

void TestPluginEntry::init()
{
    QLocale::setDefault(QLocale::c());
}

ToolsInterface *TestPluginEntry::factory()
{
    return qobject_cast<ToolsInterface *>(loader.instance());
}

void TestPluginEntry::metadata()
{
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value(QStringLiteral("IID")).toString(),
             QStringLiteral("com.velk.ToolsInterface/2.0"));
    QCOMPARE(meta.value(QStringLiteral("className")).toString(),
             QStringLiteral("GenericStepperPositionMode"));
    const QJsonObject own = meta.value(QStringLiteral("MetaData")).toObject();
    QCOMPARE(own.keys(), QStringList{QStringLiteral("name")});
    QCOMPARE(own.value(QStringLiteral("name")).toString(), QStringLiteral("Tools"));
#ifdef QT_NO_DEBUG
    const bool debugBuild = false;
#else
    const bool debugBuild = true;
#endif
    QCOMPARE(meta.value(QStringLiteral("debug")).toBool(), debugBuild);
}

void TestPluginEntry::sameInstanceFromTwoCalls()
{
    QObject *first = loader.instance();
    QVERIFY(first);
    QCOMPARE(loader.instance(), first);
    QPluginLoader second(loader.fileName());
    QCOMPARE(second.instance(), first);
}

void TestPluginEntry::factoryInstance()
{
    ToolsInterface *f = factory();
    QVERIFY(f);
    QCOMPARE(f->metaObject()->className(), "GenericStepperPositionMode");
    QCOMPARE(f->compatibleVariants(), (QList<int>{70, 71, 72, 73, 74, 69}));
    const QString version = f->version();
    QCOMPARE(version, QStringLiteral("4.6.0 - tools_generic_stepper_position_mode;"
                                     "Plugin-Interface.4.6.0.tools_generic_stepper_position_mode;"
                                     "Plugin ;Plugin.Interface."));
    QCOMPARE(version.size(), 128);
    QCOMPARE(f->title(), QStringLiteral("Position mode"));
    QCOMPARE(int(f->toolsType()), 69);
    QCOMPARE(f->iconPath(), QStringLiteral(":/Icons/control"));
    QCOMPARE(f->motorNumber(), 0);
    QVERIFY(!f->module());
    // The factory instance has no form: no position controls to find.
    QVERIFY(!f->findChild<QWidget *>(QStringLiteral("btnAbsolute")));
}

void TestPluginEntry::variantAcceptance_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<QString>("name");

    QTest::newRow("69 Hazel") << 69 << true << "StepperHazel";
    QTest::newRow("70 Birch") << 70 << true << "StepperBirch";
    QTest::newRow("71 Cedar") << 71 << true << "StepperCedar";
    QTest::newRow("72 Maple") << 72 << true << "StepperMaple";
    QTest::newRow("73 Larch") << 73 << true << "StepperLarch";
    QTest::newRow("74 Rowan") << 74 << true << "StepperRowan";
    QTest::newRow("68 below") << 68 << false << QString();
    QTest::newRow("75 above") << 75 << false << QString();
    QTest::newRow("0") << 0 << false << QString();
    QTest::newRow("negative") << -69 << false << QString();
}

void TestPluginEntry::variantAcceptance()
{
    QFETCH(int, variant);
    QFETCH(bool, usable);
    QFETCH(QString, name);

    ToolsInterface *f = factory();
    f->setToolsName(QStringLiteral("before"));
    const QVariantMap infoBefore = f->info();

    QCOMPARE(f->isUsableForVariant(variant), usable);
    if (usable) {
        QCOMPARE(f->toolsName(false), name);
        QCOMPARE(f->info().value(QLatin1String(PluginDevInfo::UpToDate)), QVariant(9));
    } else {
        QCOMPARE(f->toolsName(false), QStringLiteral("before"));
        QCOMPARE(f->info(), infoBefore);
    }
}

void TestPluginEntry::cloneDispatch_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("className");

    QTest::newRow("73 Larch") << 73 << "GenericStepperPositionMode";
    QTest::newRow("74 Rowan") << 74 << "StepperPositionModeRowan";
    QTest::newRow("70 Birch") << 70 << "GenericStepperPositionMode";
    QTest::newRow("75 refused") << 75 << "GenericStepperPositionMode";
}

void TestPluginEntry::cloneDispatch()
{
    QFETCH(int, variant);
    QFETCH(QString, className);

    SimulatedModule module(2);
    module.setPluginVariant(1, variant);
    ToolsInterface *f = factory();
    f->isUsableForVariant(module.pluginVariant(1));
    QScopedPointer<ToolsInterface> tool(f->clone(QStringLiteral("tool"), 1, &module));
    QVERIFY(tool);
    QCOMPARE(QString::fromLatin1(tool->metaObject()->className()), className);
    QCOMPARE(tool->motorNumber(), 1);
    QCOMPARE(tool->module(), &module);
    QCOMPARE(tool->toolsName(false), QStringLiteral("tool"));
    QCOMPARE(tool->title(), QStringLiteral("Position mode"));
    QCOMPARE(tool->controller(), module.controller(1));
    // Creating a tool writes nothing and commands nothing.
    QVERIFY(module.journal().isEmpty());
}

void TestPluginEntry::showAndHideReachTheModule()
{
    SimulatedModule module(1);
    module.setModuleValue(0, QLatin1String(ParameterType::cmd_ActualPosition), 1234);
    ToolsInterface *f = factory();
    QVERIFY(f->isUsableForVariant(71));
    QScopedPointer<ToolsInterface> tool(f->clone(QStringLiteral("cedar"), 0, &module));
    Model::AxilParameter *actual = module.controller(0)->actualPosition;
    const int readsBefore = module.readCount(0, actual->parameterName());

    tool->showPlugin();
    QCOMPARE(module.readCount(0, actual->parameterName()), readsBefore + 1);
    QVERIFY(module.isTraced(actual));
    auto *display = tool->findChild<QLabel *>(QStringLiteral("dispActualPosition"));
    QVERIFY(display);
    QCOMPARE(display->text(), QStringLiteral("1234"));

    module.setModuleValue(0, actual->parameterName(), -77);
    module.pollTraces();
    QCOMPARE(display->text(), QStringLiteral("-77"));

    tool->hidePlugin();
    QVERIFY(!module.isTraced(actual));
    module.setModuleValue(0, actual->parameterName(), 5);
    const int readsHidden = module.readCount(0, actual->parameterName());
    module.pollTraces();
    QCOMPARE(module.readCount(0, actual->parameterName()), readsHidden);
    QCOMPARE(display->text(), QStringLiteral("-77"));
    QVERIFY(module.journal().isEmpty());
}

void TestPluginEntry::castQueries()
{
    QObject *instance = loader.instance();
    QCOMPARE(instance->qt_metacast("GenericStepperPositionMode"), static_cast<void *>(instance));
    QVERIFY(instance->qt_metacast("com.velk.ToolsInterface/2.0"));
    QCOMPARE(instance->qt_metacast("com.velk.ToolsInterface/2.0"),
             static_cast<void *>(qobject_cast<ToolsInterface *>(instance)));
    QVERIFY(!instance->qt_metacast("com.velk.ToolsInterface/1.0"));
}

QTEST_MAIN(TestPluginEntry)
#include "tst_pluginentry.moc"

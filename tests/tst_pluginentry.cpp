// The plugin as a host sees it: loaded through QPluginLoader and used only through the host's
// interfaces.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "plugindevinfo.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"

#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QtTest>

#include <memory>

class TestPluginEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(loader.load(), qPrintable(loader.errorString())); }
    void init() { QLocale::setDefault(QLocale::c()); }
    void factoryInstance();
    void variantDispatch_data();
    void variantDispatch();
    void showAndHideReachTheModule();

private:
    ToolsInterface *factory() { return qobject_cast<ToolsInterface *>(loader.instance()); }
    QPluginLoader loader{QStringLiteral(POSITIONMODE_PLUGIN_PATH)};
};

void TestPluginEntry::factoryInstance()
{
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value("IID").toString(), QStringLiteral("com.velk.ToolsInterface/2.0"));
    QCOMPARE(meta.value("className").toString(), QStringLiteral("GenericStepperPositionMode"));
    QCOMPARE(meta.value("MetaData").toObject(), (QJsonObject{{"name", "Tools"}}));

    // The entry point keeps its instance: a second call returns the same object.
    const auto entry = QFunctionPointer(QLibrary(loader.fileName()).resolve("qt_plugin_instance"));
    QVERIFY(entry);
    QCOMPARE(reinterpret_cast<QObject *(*)()>(entry)(), loader.instance());
    ToolsInterface *f = factory();
    QVERIFY(f);
    QCOMPARE(f->metaObject()->className(), "GenericStepperPositionMode");
    QCOMPARE(f->compatibleVariants(), (QList<int>{70, 71, 72, 73, 74, 69}));
    QCOMPARE(f->version(), QStringLiteral("4.6.0 - tools_generic_stepper_position_mode;"
                                          "Plugin-Interface.4.6.0.tools_generic_stepper_position_"
                                          "mode;Plugin ;Plugin.Interface."));
    QVERIFY(!f->findChild<QWidget *>(QStringLiteral("btnAbsolute"))); // no form of its own
}

void TestPluginEntry::variantDispatch_data()
{
    // The family names the tool ("Stepper<family>") and its panel ("StepperPositionMode<family>");
    // Rowan's tool is a standalone class of that name. No family: the variant is refused.
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("family");
    const char *families[] = {"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
    for (int variant = 69; variant <= 74; ++variant)
        QTest::addRow("%d", variant) << variant << QString::fromLatin1(families[variant - 69]);
    for (int variant : {68, 75, 0})
        QTest::addRow("%d", variant) << variant << QString();
}

void TestPluginEntry::variantDispatch()
{
    QFETCH(int, variant);
    QFETCH(QString, family);

    ToolsInterface *f = factory();
    f->setToolsName(QStringLiteral("before"));
    const QVariantMap infoBefore = f->info();
    QCOMPARE(f->isUsableForVariant(variant), !family.isEmpty());
    QCOMPARE(f->toolsName(false), family.isEmpty() ? "before" : "Stepper" + family);
    if (family.isEmpty())
        QCOMPARE(f->info(), infoBefore);
    else
        QCOMPARE(f->info().value(PluginDevInfo::UpToDate), QVariant(9));

    SimulatedModule module(2);
    std::unique_ptr<ToolsInterface> tool(f->clone(QStringLiteral("tool"), 1, &module));
    const bool standalone = family == QLatin1String("Rowan");
    QCOMPARE(tool->metaObject()->className(),
             standalone ? "StepperPositionModeRowan" : "GenericStepperPositionMode");
    QStringList panels;
    for (QWidget *w : tool->findChildren<QWidget *>(QRegularExpression("^StepperPositionMode")))
        panels << w->objectName();
    QCOMPARE(panels, family.isEmpty() || standalone ? QStringList()
                                                    : QStringList{"StepperPositionMode" + family});

    QCOMPARE(tool->toolsName(false), QStringLiteral("tool"));
    QCOMPARE(tool->title(), QStringLiteral("Position mode"));
    QCOMPARE(int(tool->toolsType()), 69);
    QCOMPARE(tool->iconPath(), QStringLiteral(":/Icons/control"));
    QCOMPARE(tool->pluginVariant(), family.isEmpty() ? 0 : variant);
    QCOMPARE(tool->controller(), module.controller(1));
    QVERIFY(module.journal().isEmpty()); // creating a tool writes and commands nothing
}

void TestPluginEntry::showAndHideReachTheModule()
{
    SimulatedModule module;
    Model::AxilParameter *actual = module.controller(0)->actualPosition;
    const QString key = actual->parameterName();
    module.setModuleValue(0, key, 1234);
    QVERIFY(factory()->isUsableForVariant(71));
    std::unique_ptr<ToolsInterface> tool(factory()->clone(QStringLiteral("cedar"), 0, &module));
    auto *display = tool->findChild<QLabel *>(QStringLiteral("dispActualPosition"));
    QVERIFY(display);
    const int reads = module.readCount(0, key);

    tool->showPlugin();
    QCOMPARE(module.readCount(0, key), reads + 1);
    QVERIFY(module.isTraced(actual));
    QCOMPARE(display->text(), QStringLiteral("1234"));
    module.setModuleValue(0, key, -77);
    module.pollTraces();
    QCOMPARE(display->text(), QStringLiteral("-77"));

    tool->hidePlugin();
    QVERIFY(!module.isTraced(actual));
    module.setModuleValue(0, key, 5);
    module.pollTraces();
    QCOMPARE(module.readCount(0, key), reads + 2);
    QCOMPARE(display->text(), QStringLiteral("-77"));
    QVERIFY(module.journal().isEmpty());
}

QTEST_MAIN(TestPluginEntry)
#include "tst_pluginentry.moc"

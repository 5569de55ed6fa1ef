#include "toolhost.h"

#include "pluginvariant.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

namespace {

struct DemoMotor
{
    int variant;
    const char *family;
    const char *chip;
};

// The motors of the simulated module, in this order, repeated as often as needed.
const DemoMotor demoMotors[] = {
    {PluginVariant::StepperHazelPositionMode, "Hazel", "HZ-5072"},
    {PluginVariant::StepperBirchPositionMode, "Birch", "BR-428"},
    {PluginVariant::StepperCedarPositionMode, "Cedar", "CD-5041"},
    {PluginVariant::StepperMaplePositionMode, "Maple", "MP-5130"},
    {PluginVariant::StepperLarchPositionMode, "Larch", "LR-5160"},
    {PluginVariant::StepperRowanPositionMode, "Rowan", "RW-2209"},
};

static_assert(sizeof(demoMotors) / sizeof(demoMotors[0]) == ToolHost::familyCount,
              "one demo motor per stepper family");

QString pluginIid(const QPluginLoader &loader)
{
    return loader.metaData().value(QLatin1String("IID")).toString();
}

} // namespace

ToolHost::ToolHost(int motorCount, QObject *parent)
    : QObject(parent), m_motorCount(qBound(1, motorCount, maximumMotorCount))
{
    createModule();
}

void ToolHost::createModule()
{
    m_module = std::make_unique<SimulatedModule>(m_motorCount);
    for (int m = 0; m < m_motorCount; ++m) {
        const auto motor = static_cast<unsigned char>(m);
        const DemoMotor &demo = demoMotors[m % familyCount];
        m_module->setPluginVariant(motor, demo.variant);
        m_module->setChipName(motor, QLatin1String(demo.chip));
    }
}

ToolHost::~ToolHost()
{
    shutdown();
}

QString ToolHost::defaultPluginDirectory()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/../") +
                           QLatin1String(WORKBENCH_PLUGIN_DIR));
}

QString ToolHost::familyName(int variant)
{
    for (const DemoMotor &d : demoMotors) {
        if (d.variant == variant)
            return QLatin1String(d.family);
    }
    return QString();
}

bool ToolHost::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool ToolHost::load(const QString &path)
{
    if (m_factory)
        return fail(tr("a plugin is loaded already (%1)").arg(m_pluginFile));
    const QFileInfo info(path);
    if (!info.exists())
        return fail(tr("cannot load plugin %1: no such file or directory").arg(path));
    if (!info.isDir())
        return loadFile(info.absoluteFilePath());

    // A directory: the first library in it that declares the tools interface.
    const QDir dir(info.absoluteFilePath());
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : files) {
        const QString file = dir.absoluteFilePath(name);
        if (QLibrary::isLibrary(file) &&
            pluginIid(QPluginLoader(file)) == QLatin1String(ToolsInterface_iid))
            return loadFile(file);
    }
    return fail(tr("no tool plugin (%1) found in %2")
                    .arg(QLatin1String(ToolsInterface_iid), dir.absolutePath()));
}

bool ToolHost::loadFile(const QString &file)
{
    m_pluginFile = file;
    QPluginLoader loader(file);
    if (loader.metaData().isEmpty())
        return fail(tr("cannot load plugin %1: %2").arg(file, loader.errorString()));
    const QString iid = pluginIid(loader);
    if (iid != QLatin1String(ToolsInterface_iid))
        return fail(tr("%1 is not a tool plugin: it implements \"%2\", the workbench needs \"%3\"")
                        .arg(file, iid, QLatin1String(ToolsInterface_iid)));
    QObject *instance = loader.instance();
    if (!instance)
        return fail(tr("cannot load plugin %1: %2").arg(file, loader.errorString()));
    m_factory = qobject_cast<ToolsInterface *>(instance);
    if (!m_factory) {
        loader.unload();
        return fail(tr("%1 declares \"%2\" but its instance is no tool factory")
                        .arg(file, QLatin1String(ToolsInterface_iid)));
    }
    return true;
}

QVector<ToolHost::Offer> ToolHost::offers() const
{
    QVector<Offer> result;
    if (!m_factory || !m_module)
        return result;
    for (int m = 0; m < m_module->motorCount(); ++m) {
        if (m_factory->isUsableForVariant(m_module->pluginVariant(static_cast<unsigned char>(m))))
            result.append({m, m_factory->toolsName(false)});
    }
    return result;
}

ToolsInterface *ToolHost::tool(int motor)
{
    for (const QPointer<ToolsInterface> &tool : qAsConst(m_tools)) {
        if (tool && tool->motorNumber() == motor)
            return tool;
    }
    if (!m_factory || !m_module || motor < 0 || motor >= m_module->motorCount())
        return nullptr;
    const auto m = static_cast<unsigned char>(motor);
    // The factory names the tool for the variant it was last asked about.
    if (!m_factory->isUsableForVariant(m_module->pluginVariant(m)))
        return nullptr;
    ToolsInterface *tool = m_factory->clone(m_factory->toolsName(false), m, m_module.get());
    if (tool)
        m_tools.append(tool);
    return tool;
}

int ToolHost::createTools()
{
    for (const Offer &offer : offers())
        tool(offer.motor);
    return tools().size();
}

QVector<ToolsInterface *> ToolHost::tools() const
{
    QVector<ToolsInterface *> result;
    for (const QPointer<ToolsInterface> &tool : m_tools) {
        if (tool)
            result.append(tool.data());
    }
    return result;
}

void ToolHost::disconnectModule()
{
    m_module.reset();
}

int ToolHost::connectModule()
{
    removeTools();
    createModule();
    return offers().size();
}

void ToolHost::removeTools()
{
    const QVector<ToolsInterface *> alive = tools();
    qDeleteAll(alive);
    m_tools.clear();
}

void ToolHost::shutdown()
{
    const QVector<ToolsInterface *> alive = tools();
    for (ToolsInterface *tool : alive)
        tool->aboutToExit();
    removeTools();
    // The factory is the plugin's root instance, a widget: it has to go while the application
    // still exists. The library itself stays loaded until the process ends.
    delete m_factory.data();
}

#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <memory>

class SimulatedModule;
class ToolsInterface;

// Loads a tool plugin and builds, for a simulated module, the tools that the plugin offers: one
// per motor whose plugin variant it accepts. It owns the module, the plugin's factory instance
// and the tools, and takes them down in the order a host must: tools first, the module last.
// The module can be disconnected (deleted) and connected again (a new module, new tools), as a
// person pulls and plugs in a cable.
class ToolHost final : public QObject
{
    Q_OBJECT
public:
    // The motors cycle through the stepper families: motor 0 Hazel, 1 Birch, ... 5 Rowan, 6 Hazel.
    explicit ToolHost(int motorCount = familyCount, QObject *parent = nullptr);
    ~ToolHost() override;

    static constexpr int familyCount = 6;
    static constexpr int maximumMotorCount = 256; // motor numbers are bytes

    // Where the workbench looks for plugins when it is given none, relative to the executable
    // so that the same rule holds in the build tree and in an installed tree.
    static QString defaultPluginDirectory();

    // Loads the plugin file, or the first tool plugin in a directory. On failure returns false
    // and errorString() says what went wrong, naming the file.
    bool load(const QString &path);
    QString errorString() const { return m_error; }
    QString pluginFile() const { return m_pluginFile; }

    // A motor whose plugin variant the plugin serves, with the tool name the plugin gives it.
    struct Offer
    {
        int motor;
        QString name;
    };
    // What the plugin offers for the module's motors, without creating a tool.
    QVector<Offer> offers() const;
    // The motor's tool, created at the first call; null when the plugin offers none.
    ToolsInterface *tool(int motor);
    // Asks the plugin for a tool for every motor of the module; returns how many there are.
    int createTools();
    QVector<ToolsInterface *> tools() const;
    // Null while disconnected.
    SimulatedModule *module() const { return m_module.get(); }

    // Deletes the module. The tools stay, cut off from it, until removeTools() or shutdown().
    void disconnectModule();
    // Removes the tools, then creates a new module; returns how many tools it offers (created
    // by tool()).
    int connectModule();
    // Deletes the tools without aboutToExit(): they go, the application does not.
    void removeTools();

    // aboutToExit() on every tool, then the tools and the factory are deleted. Idempotent.
    void shutdown();

    // Family name of a motor's plugin variant ("Larch"), empty for an unknown variant.
    static QString familyName(int variant);

private:
    Q_DISABLE_COPY(ToolHost)
    bool loadFile(const QString &file);
    bool fail(const QString &message);
    void createModule();

    const int m_motorCount;
    std::unique_ptr<SimulatedModule> m_module;
    QPointer<ToolsInterface> m_factory;
    QVector<QPointer<ToolsInterface>> m_tools;
    QString m_pluginFile;
    QString m_error;
};

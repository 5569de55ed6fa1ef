#pragma once

#include "displaytype.h"
#include "plugininterface.h"
#include "toolstype.h"

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVector>

class AxilModuleInterface;
class AxisController;
class XmlParameterInterface;
class XmlParameterWidget;
namespace Model {
class AxilParameter;
}

// A tool: the widget that a plugin gives the host for one motor of one module. The host asks a
// plugin's factory instance whether it serves a plugin variant (isUsableForVariant) and then for
// a tool (clone); it shows and hides the tool (showPlugin, hidePlugin) and destroys it.
//
// The base keeps what every tool needs from the host: its identity (name, title, type, variant,
// motor, module), the parameters it uses and the widgets bound to them, its traces (parameters
// the module polls while the tool is shown), and the move and stop commands for its motor.
class HOST_EXPORT ToolsInterface : public PluginInterface
{
    Q_OBJECT
public:
    using WidgetParameter = QPair<XmlParameterWidget *, Model::AxilParameter *>;

    ToolsInterface(const QString &name, const QString &title, ToolsType::Types type,
                   unsigned char motor, AxilModuleInterface *module, const QString &iconPath,
                   QWidget *parent = nullptr);
    ToolsInterface(const QString &name, const QString &title, ToolsType::Types type, int variant,
                   unsigned char motor, AxilModuleInterface *module, const QString &iconPath,
                   QWidget *parent = nullptr);
    ~ToolsInterface() override;

    void setToolsName(const QString &name);
    // The tool's name; withMotor adds the motor, as menus and tabs show it.
    QString toolsName(bool withMotor = true) const;
    QString title() const { return m_title; }
    QString iconPath() const { return m_iconPath; }
    ToolsType::Types toolsType() const { return m_type; }
    int pluginVariant() const { return m_variant; }
    AxilModuleInterface *module() const;
    unsigned char moduleAddress() const;
    unsigned char motorNumber() const { return m_motor; }
    AxisController *controller() const;

    virtual void showPlugin() = 0;
    virtual void hidePlugin() = 0;
    virtual bool isUsableForVariant(int variant) = 0;
    virtual QList<int> compatibleVariants() const;
    virtual QWidget *subWidget(int index);
    virtual void updateSubWidgetValues(int index);
    virtual void registerSubWidgetTraces(int index);
    virtual void unRegisterSubWidgetTraces(int index);
    virtual ToolsInterface *clone(QString name, unsigned char motor,
                                  AxilModuleInterface *module) = 0;
    virtual void handleMessageFromToolsPlugin(int type, QString message);
    virtual void handleChangedParameterList();
    virtual void showStatusMessage(const QString &message, int timeout);

    // Registers a parameter that the tool uses (read by readUsedParameters) and returns it.
    Model::AxilParameter *addParameter(Model::AxilParameter *parameter);
    // Binds a widget to a parameter: from now on the widget shows the module's value and writes
    // a person's edits to the module. Returns the parameter.
    Model::AxilParameter *addWidgetParameter(XmlParameterWidget *widget,
                                             Model::AxilParameter *parameter,
                                             DisplayType::Type type);
    // The bindings, oldest first; bindings whose widget or parameter is gone are left out.
    QList<WidgetParameter> getWidgetParameters() const;
    // Reads each bound parameter and shows its value in its widget, without writing anything.
    void initWidgetParameters();
    // Reads every registered parameter (bound or not) once.
    void readUsedParameters();

    void addTrace(XmlParameterInterface *trace);
    void removeAllTraces();

    void doMoveToPosition(int position);
    void doMoveToRelPosition(int distance);
    void doMotorStop();

protected:
    // True while the tool's module is connected; otherwise posts a host message saying that the
    // tool cannot do what it was asked ("move", "write the acceleration") and returns false.
    bool commandable(const QString &what) const;

    // The variants that compatibleVariants() reports; a plugin's factory instance fills it.
    QList<int> compatibleVariantsList;

private:
    Q_DISABLE_COPY(ToolsInterface)
    struct Binding
    {
        QPointer<XmlParameterWidget> widget;
        QPointer<Model::AxilParameter> parameter;
    };
    QString m_name;
    const QString m_title;
    const ToolsType::Types m_type;
    const int m_variant;
    const unsigned char m_motor;
    QPointer<AxilModuleInterface> m_module;
    const QString m_iconPath;
    QVector<QPointer<Model::AxilParameter>> m_parameters;
    QVector<Binding> m_bindings;
};

#define ToolsInterface_iid "com.velk.ToolsInterface/2.0"
Q_DECLARE_INTERFACE(ToolsInterface, ToolsInterface_iid)

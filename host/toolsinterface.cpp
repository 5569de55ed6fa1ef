#include "toolsinterface.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "hostmessages.h"
#include "xmlparameterwidget.h"

ToolsInterface::ToolsInterface(const QString &name, const QString &title, ToolsType::Types type,
                               unsigned char motor, AxilModuleInterface *module,
                               const QString &iconPath, QWidget *parent)
    : ToolsInterface(name, title, type, 0, motor, module, iconPath, parent)
{}

ToolsInterface::ToolsInterface(const QString &name, const QString &title, ToolsType::Types type,
                               int variant, unsigned char motor, AxilModuleInterface *module,
                               const QString &iconPath, QWidget *parent)
    : PluginInterface(parent), m_name(name), m_title(title), m_type(type), m_variant(variant),
      m_motor(motor), m_module(module), m_iconPath(iconPath)
{
    setWindowTitle(title);
}

ToolsInterface::~ToolsInterface()
{
    // A tool that is destroyed while shown must not leave traces that point at it.
    if (m_module)
        m_module->removeTraces(this);
}

void ToolsInterface::setToolsName(const QString &name)
{
    m_name = name;
}

QString ToolsInterface::toolsName(bool withMotor) const
{
    if (!withMotor)
        return m_name;
    // Messages of the host and the module begin with the motor too.
    return tr("Motor %1 (%2)").arg(m_motor).arg(m_name);
}

AxilModuleInterface *ToolsInterface::module() const
{
    return m_module.data();
}

unsigned char ToolsInterface::moduleAddress() const
{
    return m_module ? m_module->moduleAddress() : 0;
}

AxisController *ToolsInterface::controller() const
{
    return m_module ? m_module->controller(m_motor) : nullptr;
}

QList<int> ToolsInterface::compatibleVariants() const
{
    return compatibleVariantsList;
}

QWidget *ToolsInterface::subWidget(int)
{
    return nullptr;
}

void ToolsInterface::updateSubWidgetValues(int) {}

void ToolsInterface::registerSubWidgetTraces(int) {}

void ToolsInterface::unRegisterSubWidgetTraces(int) {}

void ToolsInterface::handleMessageFromToolsPlugin(int, QString) {}

void ToolsInterface::handleChangedParameterList() {}

void ToolsInterface::showStatusMessage(const QString &, int) {}

Model::AxilParameter *ToolsInterface::addParameter(Model::AxilParameter *parameter)
{
    if (parameter && !m_parameters.contains(parameter))
        m_parameters.append(parameter);
    return parameter;
}

Model::AxilParameter *ToolsInterface::addWidgetParameter(XmlParameterWidget *widget,
                                                         Model::AxilParameter *parameter,
                                                         DisplayType::Type type)
{
    if (!widget || !parameter)
        return parameter;
    widget->setParameter(parameter, type);
    m_bindings.append({widget, parameter});
    addParameter(parameter);
    return parameter;
}

QList<ToolsInterface::WidgetParameter> ToolsInterface::getWidgetParameters() const
{
    QList<WidgetParameter> result;
    for (const Binding &b : m_bindings) {
        if (b.widget && b.parameter)
            result.append({b.widget.data(), b.parameter.data()});
    }
    return result;
}

void ToolsInterface::initWidgetParameters()
{
    for (const Binding &b : qAsConst(m_bindings)) {
        if (!b.widget || !b.parameter)
            continue;
        if (b.parameter->exists())
            b.parameter->readValue(false);
        if (b.widget)
            b.widget->updateFromParameter();
    }
}

void ToolsInterface::readUsedParameters()
{
    const auto parameters = m_parameters;
    for (const QPointer<Model::AxilParameter> &p : parameters) {
        if (p && p->exists())
            p->readValue(false);
    }
}

void ToolsInterface::addTrace(XmlParameterInterface *trace)
{
    if (m_module)
        m_module->addTrace(this, trace);
}

void ToolsInterface::removeAllTraces()
{
    if (m_module)
        m_module->removeTraces(this);
}

bool ToolsInterface::commandable(const QString &what) const
{
    if (m_module)
        return true;
    HostMessages::post(
        tr("%1: cannot %2, the module is no longer connected.").arg(toolsName(), what));
    return false;
}

void ToolsInterface::doMoveToPosition(int position)
{
    if (commandable(tr("move")))
        m_module->moveToPosition(m_motor, position);
}

void ToolsInterface::doMoveToRelPosition(int distance)
{
    if (commandable(tr("move")))
        m_module->moveToRelPosition(m_motor, distance);
}

void ToolsInterface::doMotorStop()
{
    if (commandable(tr("stop")))
        m_module->motorStop(m_motor);
}

#pragma once

#include "host_global.h"
#include "xmlvalueinterface.h"

namespace Model {
class BaseXMLParameter;
}

// A parameter's entry in the module description. It is also the handle under which a tool asks
// the host to poll the parameter (ToolsInterface::addTrace).
class HOST_EXPORT XmlParameterInterface final
{
public:
    explicit XmlParameterInterface(Model::BaseXMLParameter *parameter) : m_parameter(parameter) {}

    XmlValueInterface *value() { return &m_value; }
    const XmlValueInterface *value() const { return &m_value; }
    QString parameterTypeDescription() const { return m_description; }
    void setParameterTypeDescription(const QString &text) { m_description = text; }

    // The parameter this entry describes; it owns the entry.
    Model::BaseXMLParameter *parameter() const { return m_parameter; }

private:
    Q_DISABLE_COPY(XmlParameterInterface)
    Model::BaseXMLParameter *m_parameter;
    XmlValueInterface m_value;
    QString m_description;
};

#include "axilmoduleinterface.h"

#include "basexmlparameter.h"
#include "xmlparameterinterface.h"

#include <algorithm>

AxilModuleInterface::AxilModuleInterface(QObject *parent) : QObject(parent) {}

AxilModuleInterface::~AxilModuleInterface() = default;

void AxilModuleInterface::addTrace(const QObject *owner, XmlParameterInterface *trace)
{
    if (!trace || !trace->parameter())
        return;
    Model::BaseXMLParameter *parameter = trace->parameter();
    const bool known = std::any_of(m_traces.cbegin(), m_traces.cend(), [&](const Trace &t) {
        return t.owner == owner && t.parameter == parameter;
    });
    if (!known)
        m_traces.append({owner, parameter});
}

void AxilModuleInterface::removeTraces(const QObject *owner)
{
    m_traces.erase(std::remove_if(m_traces.begin(), m_traces.end(),
                                  [owner](const Trace &t) { return t.owner == owner; }),
                   m_traces.end());
}

bool AxilModuleInterface::isTraced(const Model::BaseXMLParameter *parameter) const
{
    return std::any_of(m_traces.cbegin(), m_traces.cend(),
                       [parameter](const Trace &t) { return t.parameter == parameter; });
}

void AxilModuleInterface::pollTraces()
{
    // Several tools may trace one parameter; the module is asked once per round. The round is
    // collected first because a read's signals may add or remove traces.
    m_pollSeen.clear();
    m_pollRound.clear();
    for (const Trace &t : qAsConst(m_traces)) {
        Model::BaseXMLParameter *parameter = t.parameter.data();
        if (parameter && !m_pollSeen.contains(parameter)) {
            m_pollSeen.insert(parameter);
            m_pollRound.append(t.parameter);
        }
    }
    for (const QPointer<Model::BaseXMLParameter> &parameter : qAsConst(m_pollRound)) {
        if (parameter && parameter->exists())
            parameter->readValue(false);
    }
}

void AxilModuleInterface::reportProblem(const QString &message)
{
    emit report(message);
}

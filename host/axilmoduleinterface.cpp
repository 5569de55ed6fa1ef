#include "axilmoduleinterface.h"

#include "basexmlparameter.h"
#include "xmlparameterinterface.h"

#include <QSet>

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
    if (!known) {
        m_traces.append({owner, parameter});
        m_pollListValid = false;
    }
}

void AxilModuleInterface::removeTraces(const QObject *owner)
{
    const auto end = std::remove_if(m_traces.begin(), m_traces.end(),
                                    [owner](const Trace &t) { return t.owner == owner; });
    if (end == m_traces.end())
        return;
    m_traces.erase(end, m_traces.end());
    m_pollListValid = false;
}

bool AxilModuleInterface::isTraced(const Model::BaseXMLParameter *parameter) const
{
    return std::any_of(m_traces.cbegin(), m_traces.cend(),
                       [parameter](const Trace &t) { return t.parameter == parameter; });
}

void AxilModuleInterface::pollTraces()
{
    // The list is kept between rounds: polling runs many times a second while the traces change
    // only when a tool is shown or hidden.
    if (!m_pollListValid) {
        m_pollList.clear();
        QSet<const Model::BaseXMLParameter *> seen;
        for (const Trace &t : qAsConst(m_traces)) {
            const Model::BaseXMLParameter *parameter = t.parameter.data();
            if (parameter && !seen.contains(parameter)) {
                seen.insert(parameter);
                m_pollList.append(t.parameter);
            }
        }
        m_pollListValid = true;
    }
    // A read's signals may add or remove traces, which rebuilds the list at the next round; this
    // round reads the parameters it started with (the copy shares the list, it copies nothing).
    const QVector<QPointer<Model::BaseXMLParameter>> round = m_pollList;
    for (const QPointer<Model::BaseXMLParameter> &parameter : round) {
        if (parameter && parameter->exists())
            parameter->readValue(false);
    }
}

void AxilModuleInterface::reportProblem(const QString &message)
{
    emit report(message);
}

#include "axilparameter.h"

#include "axilmoduleinterface.h"

#include "hostmessages.h"

namespace Model {

AxilParameter::AxilParameter(AxilModuleInterface *module, unsigned char motor,
                             const ParameterInfo &info, QObject *parent)
    : BaseXMLParameter(info, parent), m_module(module), m_motor(motor)
{}

AxilParameter::~AxilParameter() = default;

AxilModuleInterface *AxilParameter::module() const
{
    return m_module.data();
}

bool AxilParameter::exists() const
{
    return m_module && m_module->hasParameter(m_motor, parameterName());
}

bool AxilParameter::reachable(const char *what)
{
    if (!m_module) {
        HostMessages::post(tr("Motor %1: cannot %2 %3, the module is no longer connected.")
                               .arg(m_motor)
                               .arg(QLatin1String(what), displayName()));
        return false;
    }
    if (!exists()) {
        m_module->reportProblem(tr("Motor %1: cannot %2 %3 (%4), this module has no such "
                                   "parameter.")
                                    .arg(m_motor)
                                    .arg(QLatin1String(what), displayName(), parameterName()));
        return false;
    }
    return true;
}

qint64 AxilParameter::readValue(bool fromCache)
{
    if (fromCache || !reachable("read"))
        return lastKnownValue();
    qint64 value = 0;
    if (!m_module->readParameter(m_motor, parameterName(), &value))
        return lastKnownValue();
    setLastKnownValue(value);
    return value;
}

bool AxilParameter::writeValue(qint64 value)
{
    if (!reachable("write"))
        return false;
    if (!m_module->writeParameter(m_motor, parameterName(), value))
        return false;
    setLastKnownValue(value);
    return true;
}

AxilParameter *AxilParameter::getWarned(const QString &toolName)
{
    if (!exists() && !m_warnedTools.contains(toolName)) {
        m_warnedTools.insert(toolName);
        const QString message = tr("Motor %1 (%2): this module has no %3 (%4); its field stays "
                                   "empty.")
                                    .arg(m_motor)
                                    .arg(toolName, displayName(), parameterName());
        if (m_module)
            m_module->reportProblem(message);
        else
            HostMessages::post(message);
    }
    return this;
}

} // namespace Model

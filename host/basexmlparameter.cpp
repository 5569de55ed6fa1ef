#include "basexmlparameter.h"

namespace Model {

BaseXMLParameter::BaseXMLParameter(const ParameterInfo &info, QObject *parent)
    : AbstractParameter(info.key, parent), m_info(info), m_xml(this), m_lastKnown(info.defaultValue)
{
    describe();
}

BaseXMLParameter::~BaseXMLParameter() = default;

void BaseXMLParameter::setInfo(const ParameterInfo &info)
{
    m_info = info;
    describe();
    emit descriptionChanged();
}

void BaseXMLParameter::describe()
{
    m_xml.setParameterTypeDescription(m_info.description.isEmpty() ? m_info.displayName
                                                                   : m_info.description);
    m_xml.value()->setType(m_info.typeName);
    m_xml.value()->setLimits(m_info.minimum, m_info.maximum);
}

void BaseXMLParameter::setLastKnownValue(qint64 value)
{
    const bool changed = value != m_lastKnown;
    m_lastKnown = value;
    // Bound fields follow valueChanged; listeners of valueUpdated then see them up to date.
    if (changed)
        emit valueChanged(value);
    emit valueUpdated(value);
}

} // namespace Model

#pragma once

#include "abstractparameter.h"
#include "parameterinfo.h"
#include "xmlparameterinterface.h"

namespace Model {

// A parameter as the module description declares it: limits, unit, type and the value the host
// last saw. Whether the module really has it is for the concrete parameter to say.
class HOST_EXPORT BaseXMLParameter : public AbstractParameter
{
    Q_OBJECT
public:
    explicit BaseXMLParameter(const ParameterInfo &info, QObject *parent = nullptr);
    ~BaseXMLParameter() override;

    virtual bool exists() const = 0;
    qint64 lastKnownValue() const { return m_lastKnown; }
    qint64 minimum() const { return m_info.minimum; }
    qint64 maximum() const { return m_info.maximum; }
    QString unit() const { return m_info.unit; }
    QString displayName() const override { return m_info.displayName; }
    XmlParameterInterface *xmlParameter() { return &m_xml; }

    const ParameterInfo &info() const { return m_info; }
    // The module description changed (new limits, say); bound widgets follow descriptionChanged.
    void setInfo(const ParameterInfo &info);

signals:
    void descriptionChanged();

protected:
    // Records a value that the module confirmed and tells the listeners.
    void setLastKnownValue(qint64 value);

private:
    Q_DISABLE_COPY(BaseXMLParameter)
    void describe();

    ParameterInfo m_info;
    XmlParameterInterface m_xml;
    qint64 m_lastKnown;
};

} // namespace Model

#pragma once

#include "basexmlparameter.h"

#include <QPointer>
#include <QSet>

class AxilModuleInterface;

namespace Model {

// One parameter of one motor axis of a module. Reads and writes travel to the module; what the
// module refuses, or lacks, the module reports (AxilModuleInterface::report).
class HOST_EXPORT AxilParameter final : public BaseXMLParameter
{
    Q_OBJECT
public:
    AxilParameter(AxilModuleInterface *module, unsigned char motor, const ParameterInfo &info,
                  QObject *parent = nullptr);
    ~AxilParameter() override;

    bool exists() const override;
    qint64 readValue(bool fromCache) override;
    bool writeValue(qint64 value) override;

    // Returns this parameter for use by the named tool; the first time a tool asks for a
    // parameter that the module lacks, that is reported once.
    AxilParameter *getWarned(const QString &toolName);

    unsigned char motor() const { return m_motor; }
    AxilModuleInterface *module() const;

private:
    Q_DISABLE_COPY(AxilParameter)
    bool reachable(const char *what);

    QPointer<AxilModuleInterface> m_module;
    const unsigned char m_motor;
    QSet<QString> m_warnedTools;
};

} // namespace Model

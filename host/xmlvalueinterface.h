#pragma once

#include "host_global.h"

#include <QString>

// The value part of a parameter's type description: its type name and its range, as the module
// description declares them.
class HOST_EXPORT XmlValueInterface final
{
public:
    XmlValueInterface() = default;

    QString getTypeAsString() const { return m_type; }
    qint64 lowerLimit() const { return m_lower; }
    qint64 upperLimit() const { return m_upper; }

    void setType(const QString &type) { m_type = type; }
    void setLimits(qint64 lower, qint64 upper)
    {
        m_lower = lower;
        m_upper = upper;
    }

private:
    Q_DISABLE_COPY(XmlValueInterface)
    QString m_type;
    qint64 m_lower = 0;
    qint64 m_upper = 0;
};

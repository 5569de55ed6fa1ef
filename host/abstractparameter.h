#pragma once

#include "host_global.h"

#include <QObject>
#include <QString>

namespace Model {

// A value that lives in a module and that the host reads and writes on a person's behalf.
// valueUpdated is emitted after every successful read or write; valueChanged only when the value
// differs from the one known before.
class HOST_EXPORT AbstractParameter : public QObject
{
    Q_OBJECT
public:
    explicit AbstractParameter(const QString &key, QObject *parent = nullptr);
    ~AbstractParameter() override;

    // By reference: the module looks parameters up by key several times in every polling round.
    const QString &parameterName() const { return m_key; }
    virtual QString displayName() const = 0;

    // Asks the module for the value and returns it. With fromCache the module is not asked and
    // the last known value is returned.
    virtual qint64 readValue(bool fromCache) = 0;
    // Sends a value to the module; false when the module refused it or could not be reached.
    virtual bool writeValue(qint64 value) = 0;

signals:
    void valueChanged(long long value);
    void valueUpdated(long long value);

private:
    Q_DISABLE_COPY(AbstractParameter)
    const QString m_key;
};

} // namespace Model

#pragma once

#include "host_global.h"

#include <QObject>

// The host's channel for messages that no module can carry: a tool or a parameter whose module
// has gone away (a cable pulled) says here why nothing happened. The host window shows them
// next to the modules' own reports.
class HOST_EXPORT HostMessages final : public QObject
{
    Q_OBJECT
public:
    static HostMessages *instance();
    static void post(const QString &message);

signals:
    void posted(const QString &message);

private:
    HostMessages() = default;
    Q_DISABLE_COPY(HostMessages)
};

#include "hostmessages.h"

#include <QDebug>

HostMessages *HostMessages::instance()
{
    static HostMessages messages;
    return &messages;
}

void HostMessages::post(const QString &message)
{
    HostMessages *messages = instance();
    // Nobody listening (a test, a host without a window): the message still goes somewhere.
    if (messages->receivers(SIGNAL(posted(QString))) == 0)
        qInfo().noquote() << message;
    emit messages->posted(message);
}

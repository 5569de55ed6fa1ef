#include "messagelog.h"

#include <QTime>

MessageLog::MessageLog(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("messageLog"));
    setWordWrap(true);
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void MessageLog::add(const QString &message)
{
    if (count() >= limit)
        delete takeItem(0);
    auto *item = new QListWidgetItem(QStringLiteral("%1  %2").arg(
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), message));
    item->setToolTip(message);
    addItem(item);
    scrollToBottom();
}

QStringList MessageLog::messages() const
{
    QStringList result;
    for (int i = 0; i < count(); ++i)
        result << item(i)->text().section(QStringLiteral("  "), 1);
    return result;
}

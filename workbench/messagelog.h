#pragma once

#include <QListWidget>

// Every message the status bar has shown, with the time it came, newest last: a refused request
// can be read after the status bar has moved on. It keeps the newest thousand.
class MessageLog final : public QListWidget
{
    Q_OBJECT
public:
    explicit MessageLog(QWidget *parent = nullptr);

    static constexpr int limit = 1000;
    void add(const QString &message);
    QStringList messages() const;

private:
    Q_DISABLE_COPY(MessageLog)
};

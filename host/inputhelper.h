#pragma once

#include "abstractramp.h"
#include "host_global.h"

#include <QWidget>

// Placeholder: a window showing a ramp picture with proxy fields on it.
class HOST_EXPORT InputHelper : public QWidget
{
    Q_OBJECT
public:
    InputHelper(const QString &picture, AbstractRamp::rampMode mode, QWidget *parent = nullptr);
    ~InputHelper() override;

    void addProxyItem(QWidget *proxy, bool movable);

public slots:
    void setValue(int value);
    void workaroundAdjust();
    void updatePolygon();

signals:
    void closed(bool checked);

private:
    Q_DISABLE_COPY(InputHelper)
};

#pragma once

#include "host_global.h"

#include <QGraphicsObject>
#include <QPointer>

class XmlParameterWidget;

// Placeholder: a rectangle of a ramp diagram tied to a parameter field.
class HOST_EXPORT HelperTargetArea : public QGraphicsObject
{
    Q_OBJECT
public:
    HelperTargetArea(QRectF rect, XmlParameterWidget *widget);
    ~HelperTargetArea() override;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

private:
    Q_DISABLE_COPY(HelperTargetArea)
    QRectF m_rect;
    QPointer<XmlParameterWidget> m_widget;
};

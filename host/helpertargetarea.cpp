#include "helpertargetarea.h"

#include "xmlparameterwidget.h"

HelperTargetArea::HelperTargetArea(QRectF rect, XmlParameterWidget *widget)
    : m_rect(rect), m_widget(widget)
{
}

HelperTargetArea::~HelperTargetArea() = default;

QRectF HelperTargetArea::boundingRect() const
{
    return m_rect;
}

void HelperTargetArea::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) {}

#pragma once

#include "host_global.h"

#include <QGraphicsObject>
#include <QPointer>

class QGraphicsProxyWidget;
class XmlParameterWidget;

// A place on a ramp diagram where a person edits one parameter in place. It covers a rectangle
// of the diagram (scene coordinates) and is tied to the parameter's field: it draws the field's
// value inside the rectangle, highlights itself and names the parameter and its value when the
// mouse rests on it, steps the value with the mouse wheel and opens a number field on the diagram
// on double-click (Enter or leaving the field commits, Escape cancels). Every change goes through
// the field, so it reaches the module like an edit in the form. While the field is disabled, or
// gone, the area only shows.
class HOST_EXPORT HelperTargetArea final : public QGraphicsObject
{
    Q_OBJECT
public:
    HelperTargetArea(QRectF rect, XmlParameterWidget *widget);
    ~HelperTargetArea() override;

    XmlParameterWidget *widget() const;
    // The field accepts edits: it lives and its editor is enabled.
    bool isEditable() const;
    bool isEditing() const { return !m_editor.isNull(); }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Q_DISABLE_COPY(HelperTargetArea)
    void refresh();
    void openEditor();
    void closeEditor(bool commit);

    QRectF m_rect;
    QPointer<XmlParameterWidget> m_widget;
    QPointer<QGraphicsProxyWidget> m_editor;
    bool m_hovered = false;
};

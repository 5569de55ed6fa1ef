#pragma once

#include <QObject>
#include <QPixmap>

class QWidget;

// Lets a widget that changes often (a number, a bar) repaint without its parent. Qt paints the
// parent under every widget that does not cover itself, and a group box's frame and title cost
// more to paint than the number in it. The widget is therefore made opaque, and what the parent
// shows under it is rendered once into a pixmap that the widget paints before itself. The
// picture is made again after the parent has painted (its look, size or state changed) and
// after the widget moved or changed size.
class CachedBackdrop final : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the widget and the widget's parent; deleted with the widget.
    explicit CachedBackdrop(QWidget *widget);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Whether a picture of the parent is held (for tests).
    bool isCached() const { return !m_backdrop.isNull(); }

private:
    Q_DISABLE_COPY(CachedBackdrop)
    void render();

    QWidget *m_widget;
    QWidget *m_parent;
    QPixmap m_backdrop;
    bool m_opaquePending = false;
};

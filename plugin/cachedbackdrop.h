#pragma once

#include <QObject>
#include <QPixmap>

class QWidget;

// Lets a widget that changes often (a number, a bar) repaint without its parent. Qt paints the
// parent under every widget that does not cover itself, and a group box's frame and title cost
// more to paint than the number in it. The widget is therefore made opaque, and what the parent
// shows under it is rendered once into a pixmap that the widget paints before itself. The
// picture is made again after the parent has painted (its look, size or state changed) and
// after the widget moved or changed size; after the parent has painted, the widget is painted
// again too, which Qt would not do for an opaque widget.
class CachedBackdrop final : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the widget and the widget's parent; deleted with the widget.
    explicit CachedBackdrop(QWidget *widget);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Whether a picture of the parent is held (for tests).
    bool isCached() const { return !m_backdrop.isNull(); }
    // The picture of the parent under the widget, made now if none is held; null when the widget
    // has left its parent or has no size.
    const QPixmap &picture();
    // Stands for the picture's pixels: equal pictures, in any widget, have equal keys.
    quint64 pictureKey() const { return m_key; }

private:
    Q_DISABLE_COPY(CachedBackdrop)
    void render();

    QWidget *m_widget;
    QWidget *m_parent;
    QPixmap m_backdrop;
    quint64 m_key = 0;
    bool m_opaquePending = false;
};

#include "cachedbackdrop.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace {
// Set while any backdrop is being rendered: the parent's paint events then come from that, and
// leave the pictures of its other children valid. Widgets live in the GUI thread only.
int rendering = 0;
} // namespace

CachedBackdrop::CachedBackdrop(QWidget *widget)
    : QObject(widget), m_widget(widget), m_parent(widget->parentWidget())
{
    if (!m_parent)
        return;
    m_widget->installEventFilter(this);
    m_parent->installEventFilter(this);
}

bool CachedBackdrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_parent) {
        if (type == QEvent::Paint && rendering == 0) {
            m_backdrop = QPixmap();
            // Qt leaves out an opaque child when its parent repaints, as if it looked the same
            // over any parent: it is drawn again here, over what the parent has become.
            if (m_widget->testAttribute(Qt::WA_OpaquePaintEvent))
                m_widget->update();
        }
        return false;
    }
    if (watched != m_widget)
        return false;
    switch (type) {
    case QEvent::Show:
    case QEvent::StyleChange:
        // Just shown, the widget is painted over its parent as usual, which needs no picture.
        m_widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
        m_backdrop = QPixmap();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ParentChange:
        m_backdrop = QPixmap();
        break;
    case QEvent::Paint: {
        if (!m_widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
            // The parent has painted under the widget. Opaque from the next turn of the event
            // loop on, after the polishing, which may clear the attribute (it does for progress
            // bars), and not during a paint.
            if (!m_opaquePending) {
                m_opaquePending = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_opaquePending = false;
                        m_widget->setAttribute(Qt::WA_OpaquePaintEvent);
                    },
                    Qt::QueuedConnection);
            }
            break;
        }
        if (m_backdrop.isNull())
            render();
        QPainter painter(m_widget);
        if (m_backdrop.isNull())
            painter.fillRect(m_widget->rect(), m_widget->palette().brush(QPalette::Window));
        else
            painter.drawPixmap(0, 0, m_backdrop);
        break;
    }
    default:
        break;
    }
    return false;
}

const QPixmap &CachedBackdrop::picture()
{
    if (m_backdrop.isNull())
        render();
    return m_backdrop;
}

void CachedBackdrop::render()
{
    // A widget moved to another parent keeps only a plain background.
    if (m_widget->parentWidget() != m_parent || m_widget->size().isEmpty())
        return;
    const qreal ratio = m_widget->devicePixelRatioF();
    m_backdrop = QPixmap(m_widget->size() * ratio);
    m_backdrop.setDevicePixelRatio(ratio);
    // The parent alone, on its background: its children are painted as they always are.
    ++rendering;
    m_parent->render(&m_backdrop, QPoint(), QRegion(m_widget->geometry()),
                     QWidget::DrawWindowBackground);
    --rendering;
    // Rendered seldom (after the parent painted), so the pixels themselves can be hashed; two
    // seeds make a 64-bit key.
    const QImage image = m_backdrop.toImage();
    const auto bytes = size_t(image.sizeInBytes());
    m_key = (quint64(qHashBits(image.constBits(), bytes, 0x9e3779b9u)) << 32) ^
            qHashBits(image.constBits(), bytes, 0x85ebca6bu) ^ quint64(image.width()) << 16 ^
            quint64(image.height());
}

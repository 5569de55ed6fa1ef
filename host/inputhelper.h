#pragma once

#include "abstractramp.h"
#include "host_global.h"

#include <QLineF>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QVector>
#include <QWidget>

class QDoubleSpinBox;
class QSvgRenderer;
class XmlParameterWidget;

// The host's input helper: a tool window that shows a picture of a ramp with small edit fields
// (proxies) placed on it, each mirroring one field of a tool. A tool hands over the proxies
// (addProxyItem); the window places each at the point its "dpPosInput" property names, in the
// picture's pixel coordinates (the proxy's top-left corner), shows its "dpAdvancedTip" text on
// hover and draws a thin line from the proxy to the point of the ramp it stands for: the
// picture's element "Anchor-" followed by the proxy's object name. Values coming from the tool's
// fields reach the proxy with the same object name through setValue(int); a value that arrives
// while a person is typing in that proxy waits until they are done. The picture is scaled with
// the window, and the proxies keep their places on it.
class HOST_EXPORT InputHelper : public QWidget
{
    Q_OBJECT
public:
    InputHelper(const QString &picture, AbstractRamp::rampMode mode, QWidget *parent = nullptr);
    ~InputHelper() override;

    void setVisible(bool visible) override;

    // Takes the proxy as a child and places it on the picture. The host lets a person rearrange
    // movable proxies in its editor windows; here every proxy keeps its place on the picture,
    // so the flag changes nothing.
    void addProxyItem(QWidget *proxy, bool movable);

    AbstractRamp::rampMode rampMode() const { return m_mode; }
    // False when the picture could not be loaded; the proxies are shown all the same.
    bool hasPicture() const;
    // Where the picture is drawn in the window, and its scale (1 at its natural size).
    QRect pictureRect() const { return m_pictureRect; }
    qreal scale() const { return m_scale; }
    // The point of the ramp that the named proxy stands for, in window coordinates; null when the
    // picture has no anchor for it.
    QPointF anchorPoint(const QString &proxyName) const;
    // The lines last drawn by updatePolygon, from a proxy to its anchor.
    QVector<QLineF> lines() const { return m_lines; }
    // Drops what is typed and not committed in any proxy (closing the window does this too).
    void discardTyping();

public slots:
    // Shows a field's value in the proxy that has the sender's object name.
    void setValue(int value);
    // Fits the window to the picture and the proxies at their natural size.
    void workaroundAdjust();
    // Redraws the lines from the proxies to their points of the ramp.
    void updatePolygon();

signals:
    // The window was closed; the argument is always false, for a button that opened it.
    void closed(bool checked);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Q_DISABLE_COPY(InputHelper)
    QSize pictureSize() const;
    static void fitProxy(QWidget *proxy);
    void showNameAndUnit(QDoubleSpinBox *box) const;
    XmlParameterWidget *fieldOf(const QWidget *proxy) const;
    void dropTyping();
    QPoint proxyPosition(const QWidget *proxy) const;
    qreal fittingScale(const QSize &area) const;
    static QRectF proxyRect(const QWidget *proxy, qreal scale);
    qreal spreadingScale() const;
    QSize naturalSize(qreal scale) const;
    void layoutContents();
    void computeLines();

    // The picture at the size it is drawn, rendered again after a resize or a palette change.
    const QPixmap &picture();

    QSvgRenderer *m_renderer; // shared with every window and item that shows the same picture
    QPixmap m_picture;
    const AbstractRamp::rampMode m_mode;
    QVector<QPointer<QWidget>> m_proxies;
    QVector<QLineF> m_lines;
    QRect m_pictureRect;
    qreal m_scale = 1.0;
};

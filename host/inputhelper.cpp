#include "inputhelper.h"

#include "axilparameter.h"
#include "dynamicproperty.h"
#include "hostmessages.h"
#include "inputrefusal.h"
#include "sharedsvgrenderers.h"
#include "spinbox.h"
#include "toolsinterface.h"
#include "xmlparameterwidget.h"

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QToolTip>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {
constexpr int margin = 12;
constexpr qreal smallestScale = 0.25;
constexpr qreal largestScale = 4.0;
constexpr qreal largestSpread = 1.6;
const char anchorPrefix[] = "Anchor-";
// On a proxy being typed in: the value that arrived meanwhile, and whether the person's typing
// has already changed the proxy's value (an arrow step, or the commit itself).
const char pendingValue[] = "_inputHelperPendingValue";
const char changedWhileTyping[] = "_inputHelperChangedWhileTyping";

// A proxy's name in the text before its value, without the colon that leads to the value.
QString nameIn(const QString &prefix)
{
    QString name = prefix.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}
} // namespace

InputHelper::InputHelper(const QString &picture, AbstractRamp::rampMode mode, QWidget *parent)
    : QWidget(parent, Qt::Window), m_renderer(SharedSvgRenderers::renderer(picture)), m_mode(mode)
{
    layoutContents();
}

InputHelper::~InputHelper()
{
    // Closing the window would move the focus out of a proxy being typed in, which commits it,
    // and the proxies would report to a window that is no longer one. They go first, silently.
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (!proxy)
            continue;
        proxy->disconnect();
        if (auto *box = qobject_cast<SpinBox *>(proxy.data()))
            box->discardTyping();
        proxy->removeEventFilter(this);
        delete proxy.data();
    }
}

void InputHelper::discardTyping()
{
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (auto *box = qobject_cast<SpinBox *>(proxy.data()))
            box->discardTyping();
    }
}

bool InputHelper::hasPicture() const
{
    return m_renderer->isValid();
}

QSize InputHelper::pictureSize() const
{
    return hasPicture() ? m_renderer->defaultSize() : QSize(0, 0);
}

void InputHelper::addProxyItem(QWidget *proxy, bool)
{
    if (!proxy)
        return;
    proxy->setParent(this);
    // Proxies sit on the picture: a smaller font keeps them from hiding the ramp.
    QFont font = proxy->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.85);
    else
        font.setPixelSize(qMax(8, font.pixelSize() * 85 / 100));
    proxy->setFont(font);
    if (auto *box = qobject_cast<QAbstractSpinBox *>(proxy))
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    if (auto *box = qobject_cast<QDoubleSpinBox *>(proxy)) {
        showNameAndUnit(box);
        const auto refit = [this, box] {
            fitProxy(box);
            updatePolygon();
        };
        connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), this, refit);
        // What is typed, uncommitted, is shown whole too.
        if (auto *edit = box->findChild<QLineEdit *>())
            connect(edit, &QLineEdit::textEdited, this, refit);
    }
    if (auto *box = qobject_cast<SpinBox *>(proxy)) {
        InputRefusal::rename(box, nameIn(box->prefix()));
        connect(box, qOverload<int>(&SpinBox::valueChanged), this, [box] {
            if (box->isEditing())
                box->setProperty(changedWhileTyping, true);
        });
        connect(box, &SpinBox::typingDiscarded, this, [this, box] {
            box->setProperty(changedWhileTyping, QVariant());
            const QVariant pending = box->property(pendingValue);
            box->setProperty(pendingValue, QVariant());
            if (pending.isValid())
                box->setValue(pending.toInt(), false);
            // Back to the value's own width.
            fitProxy(box);
            updatePolygon();
        });
        connect(box, &SpinBox::editingDone, this, [this, box] {
            const bool changed = box->property(changedWhileTyping).isValid();
            box->setProperty(changedWhileTyping, QVariant());
            const QVariant pending = box->property(pendingValue);
            box->setProperty(pendingValue, QVariant());
            const int committed = box->intValue();
            XmlParameterWidget *field = fieldOf(box);
            const bool answered = changed && pending.isValid();
            // The field has answered the person's number: with it, or with the module's value
            // if the module refused it. That answer is what to show.
            if (answered)
                box->setValue(pending.toInt());
            // A number the field took from the proxy was written (and shows, unless refused).
            // One it did not take (the proxy or the field showed it already: the module's value
            // beyond the field's range, or one that came meanwhile) the person committed all the
            // same: the field writes it if the module holds another.
            if (field && field->parameter()) {
                if ((!answered || field->value() == committed) &&
                    field->parameter()->lastKnownValue() != committed)
                    field->setAndUpdateValue(committed);
            } else if (!answered && pending.isValid() && pending.toInt() != committed) {
                box->setValue(pending.toInt(), false);
                box->setValue(committed);
            }
        });
    }
    fitProxy(proxy);
    proxy->installEventFilter(this);
    m_proxies.append(proxy);
    proxy->move(proxyPosition(proxy));
    proxy->show();
}

XmlParameterWidget *InputHelper::fieldOf(const QWidget *proxy) const
{
    // A tool names a proxy after the field it stands for.
    return parentWidget() && !proxy->objectName().isEmpty()
               ? parentWidget()->findChild<XmlParameterWidget *>(proxy->objectName())
               : nullptr;
}

void InputHelper::showNameAndUnit(QDoubleSpinBox *box) const
{
    // A tool hands a proxy the texts to put around its value, which may run into it ("Bow 1" and
    // 4000 read "Bow 14000") or repeat the name where the unit goes ("[Max. velocity"). The
    // proxy shows "name: value unit", the unit being that of the tool's field of the same name.
    // What the tool handed over stays on the proxy.
    box->setProperty(DynamicProperty::GivenPrefix, box->prefix());
    box->setProperty(DynamicProperty::GivenSuffix, box->suffix());
    const QString name = nameIn(box->prefix());
    QString unit;
    const XmlParameterWidget *field = fieldOf(box);
    if (field && field->parameter())
        unit = field->parameter()->unit();
    else if (const QString given = box->suffix().trimmed(); !given.startsWith(QLatin1Char('[')))
        unit = QLatin1Char(' ') + given;
    else if (given.endsWith(QLatin1Char(']'))) // "[pps]"
        unit = QLatin1Char(' ') + given.mid(1, given.size() - 2);
    box->setPrefix(name.isEmpty() ? QString() : name + QLatin1String(": "));
    box->setSuffix(unit.trimmed().isEmpty() ? QString() : unit);
}

void InputHelper::fitProxy(QWidget *proxy)
{
    proxy->adjustSize();
    // The size hint makes room for the longest value of the range; on the picture a proxy is
    // only as wide as its text and one more digit.
    auto *box = qobject_cast<QDoubleSpinBox *>(proxy);
    if (!box)
        return;
    const QFontMetrics metrics(box->font());
    auto textWidth = [&](const QString &number) {
        return metrics.horizontalAdvance(box->prefix() + number + box->suffix());
    };
    const int longest = std::max(textWidth(box->textFromValue(box->minimum())),
                                 textWidth(box->textFromValue(box->maximum())));
    const int wanted = textWidth(box->cleanText() + QLatin1Char('0'));
    if (wanted < longest)
        box->resize(box->width() - (longest - wanted), box->height());
}

QPoint InputHelper::proxyPosition(const QWidget *proxy) const
{
    const QPointF at = proxy->property(DynamicProperty::InputGIMPosition).toPointF();
    return QPoint(margin, margin) + (at * m_scale).toPoint();
}

qreal InputHelper::fittingScale(const QSize &area) const
{
    const QSize picture = pictureSize();
    const qreal width = area.width() - 2 * margin;
    const qreal height = area.height() - 2 * margin;
    qreal scale = largestScale;
    bool constrained = false;
    auto limit = [&](qreal room, qreal extent) {
        if (extent > 0) {
            scale = std::min(scale, room / extent);
            constrained = true;
        }
    };
    limit(width, picture.width());
    limit(height, picture.height());
    // A proxy keeps its size; only its place scales.
    for (const QPointer<QWidget> &proxy : m_proxies) {
        if (!proxy)
            continue;
        const QPointF at = proxy->property(DynamicProperty::InputGIMPosition).toPointF();
        limit(width - proxy->width(), at.x());
        limit(height - proxy->height(), at.y());
    }
    if (!constrained)
        return 1.0;
    return std::max(smallestScale, scale);
}

QRectF InputHelper::proxyRect(const QWidget *proxy, qreal scale)
{
    const QPointF at = proxy->property(DynamicProperty::InputGIMPosition).toPointF();
    return QRectF(at * scale, QSizeF(proxy->size()));
}

qreal InputHelper::spreadingScale() const
{
    // The picture grows until its proxies no longer cover each other. Proxies placed at the
    // same point cannot be separated that way and are left out.
    for (qreal scale = 1.0; scale < largestSpread; scale += 0.05) {
        bool covered = false;
        for (int i = 0; i < m_proxies.size() && !covered; ++i) {
            for (int j = i + 1; j < m_proxies.size() && !covered; ++j) {
                const QWidget *a = m_proxies.at(i);
                const QWidget *b = m_proxies.at(j);
                if (!a || !b || proxyRect(a, 1).topLeft() == proxyRect(b, 1).topLeft())
                    continue;
                covered = proxyRect(a, scale).intersects(proxyRect(b, scale));
            }
        }
        if (!covered)
            return scale;
    }
    return largestSpread;
}

QSize InputHelper::naturalSize(qreal scale) const
{
    QRectF extent(QPointF(0, 0), QSizeF(pictureSize()) * scale);
    for (const QPointer<QWidget> &proxy : m_proxies) {
        if (proxy)
            extent |= proxyRect(proxy, scale);
    }
    return QSize(qCeil(extent.right()) + 2 * margin, qCeil(extent.bottom()) + 2 * margin);
}

void InputHelper::layoutContents()
{
    m_scale = fittingScale(size());
    m_pictureRect = QRect(QPoint(margin, margin), (QSizeF(pictureSize()) * m_scale).toSize());
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (proxy)
            proxy->move(proxyPosition(proxy));
    }
    computeLines();
    update();
}

QPointF InputHelper::anchorPoint(const QString &proxyName) const
{
    const QString id = QLatin1String(anchorPrefix) + proxyName;
    if (!hasPicture() || proxyName.isEmpty() || !m_renderer->elementExists(id))
        return QPointF();
        // The anchor's own bounds include its transformation, not those of its groups.
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    const QTransform groups = m_renderer->transformForElement(id);
#else
    const QTransform groups(m_renderer->matrixForElement(id));
#endif
    const QPointF center = groups.mapRect(m_renderer->boundsOnElement(id)).center();
    const QRectF viewBox = m_renderer->viewBoxF();
    if (viewBox.width() <= 0 || viewBox.height() <= 0)
        return QPointF();
    const QSize picture = pictureSize();
    const QPointF inPicture((center.x() - viewBox.x()) * picture.width() / viewBox.width(),
                            (center.y() - viewBox.y()) * picture.height() / viewBox.height());
    return QPointF(m_pictureRect.topLeft()) + inPicture * m_scale;
}

void InputHelper::computeLines()
{
    m_lines.clear();
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (!proxy)
            continue;
        const QPointF anchor = anchorPoint(proxy->objectName());
        if (anchor.isNull())
            continue;
        // The line leaves the proxy at its point nearest to the anchor.
        const QRectF box = proxy->geometry();
        const QPointF start(qBound(box.left(), anchor.x(), box.right()),
                            qBound(box.top(), anchor.y(), box.bottom()));
        if (start != anchor)
            m_lines.append(QLineF(start, anchor));
    }
}

void InputHelper::setValue(int value)
{
    const QObject *field = sender();
    if (!field || field->objectName().isEmpty())
        return;
    // A field that took an edit back (the module refused it) has already sent its value again
    // when the refused one arrives here, late: its current value is the one to show.
    if (auto *box = qobject_cast<const QDoubleSpinBox *>(field))
        value = int(std::llround(box->value()));
    else if (auto *box = qobject_cast<const QSpinBox *>(field))
        value = box->value();
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (!proxy || proxy->objectName() != field->objectName())
            continue;
        // Spin boxes are silent about an unchanged value, so the field's echo ends here.
        auto *typedIn = qobject_cast<SpinBox *>(proxy.data());
        if (typedIn && typedIn->isEditing())
            typedIn->setProperty(pendingValue, value);
        else if (auto *box = qobject_cast<QDoubleSpinBox *>(proxy.data()))
            box->setValue(value);
        else if (auto *box = qobject_cast<QSpinBox *>(proxy.data()))
            box->setValue(value);
    }
}

void InputHelper::workaroundAdjust()
{
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        if (proxy)
            fitProxy(proxy);
    }
    const QSize natural = naturalSize(spreadingScale());
    setMinimumSize(natural / 2);
    resize(natural);
    layoutContents();
}

void InputHelper::updatePolygon()
{
    computeLines();
    update();
}

void InputHelper::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (hasPicture())
        painter.drawPixmap(m_pictureRect.topLeft(), picture());
    if (m_lines.isEmpty())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = palette().color(QPalette::WindowText);
    color.setAlpha(150);
    painter.setPen(QPen(color, 1));
    painter.drawLines(m_lines);
    painter.setBrush(color);
    for (const QLineF &line : qAsConst(m_lines))
        painter.drawEllipse(line.p2(), 2.5, 2.5);
}

const QPixmap &InputHelper::picture()
{
    // The picture changes only with its size (the window's scale) and the palette; a paint for
    // a line or a proxy draws it as it was.
    const qreal ratio = devicePixelRatioF();
    const QSize size = m_pictureRect.size() * ratio;
    if (m_picture.size() == size && qFuzzyCompare(m_picture.devicePixelRatioF(), ratio))
        return m_picture;
    m_picture = QPixmap(size);
    m_picture.setDevicePixelRatio(ratio);
    const QBrush base = palette().base();
    if (!base.isOpaque())
        m_picture.fill(Qt::transparent);
    QPainter painter(&m_picture);
    const QRect area(QPoint(), m_pictureRect.size());
    painter.fillRect(area, base);
    m_renderer->render(&painter, area);
    return m_picture;
}

void InputHelper::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}

void InputHelper::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_picture = QPixmap();
    // Several ramp pictures may be open at once: each title names its motor.
    const auto *tool = qobject_cast<const ToolsInterface *>(parentWidget());
    if (event->type() != QEvent::WindowTitleChange || !tool)
        return;
    // The new title's own change ends here.
    const QString suffix = QStringLiteral(" \u2014 ") + tool->toolsName();
    if (!windowTitle().endsWith(suffix))
        setWindowTitle(windowTitle() + suffix);
}

void InputHelper::dropTyping()
{
    // Closing the window, by its own button or the tool's, abandons what was typed and not
    // committed in it; leaving the window for another commits, as in any field.
    for (const QPointer<QWidget> &proxy : qAsConst(m_proxies)) {
        auto *box = qobject_cast<SpinBox *>(proxy.data());
        if (box && box->isEditing())
            HostMessages::post(tr("%1: the ramp picture was closed before you committed %2; "
                                  "it was not written.")
                                   .arg(box->prefix().trimmed(), box->cleanText()));
    }
    discardTyping();
}

void InputHelper::setVisible(bool visible)
{
    // Before the window goes: hiding it moves the focus out of a proxy, which would commit.
    if (!visible && isVisible())
        dropTyping();
    QWidget::setVisible(visible);
}

void InputHelper::closeEvent(QCloseEvent *event)
{
    dropTyping();
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed(false);
}

bool InputHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *proxy = qobject_cast<QWidget *>(watched);
        const QString tip = watched->property(DynamicProperty::AdvancedTip).toString();
        if (proxy && !tip.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, proxy);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

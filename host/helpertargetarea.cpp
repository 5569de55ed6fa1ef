#include "helpertargetarea.h"

#include "axilparameter.h"
#include "basictools.h"
#include "inputrefusal.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QFontMetricsF>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <limits>

namespace {
// The wheel steps as the host's number fields do: by the value's second digit (1 below 100, 10
// below 1000, 100 below 10000, ...), so that values in the thousands move as fast as small ones;
// with Shift ten times as far.
qint64 adaptiveStep(qint64 value, bool up)
{
    const qint64 size = value < 0 ? -value : value;
    if (size < 100)
        return 1;
    // Going towards zero from a power of ten takes the smaller step, as the value shrinks.
    const qint64 from = (value < 0) == up ? size - 1 : size;
    qint64 step = 1;
    for (qint64 limit = 100; from >= limit && limit <= std::numeric_limits<qint64>::max() / 10;
         limit *= 10)
        step *= 10;
    return step;
}
constexpr int wheelShiftFactor = 10;
// The editor floats above the diagram and its other areas.
constexpr qreal editorZ = 1000;
} // namespace

HelperTargetArea::HelperTargetArea(QRectF rect, XmlParameterWidget *widget)
    : m_rect(rect), m_widget(widget)
{
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    if (widget) {
        connect(widget, &XmlParameterWidget::valueChanged, this, &HelperTargetArea::refresh);
        // A widget announces its destruction after its own members are gone: forget it first.
        connect(widget, &QObject::destroyed, this, [this] {
            m_widget.clear();
            refresh();
        });
        // The shown state (greyed value, hint in the tooltip) follows the editor's.
        if (QWidget *editor = widget->widget())
            editor->installEventFilter(this);
    }
    refresh();
}

HelperTargetArea::~HelperTargetArea()
{
    delete m_editor.data();
}

XmlParameterWidget *HelperTargetArea::widget() const
{
    return m_widget.data();
}

bool HelperTargetArea::isEditable() const
{
    return m_widget && m_widget->widget() && m_widget->widget()->isEnabled();
}

QRectF HelperTargetArea::boundingRect() const
{
    return m_rect;
}

void HelperTargetArea::refresh()
{
    if (!m_widget) {
        setToolTip(QString());
        update();
        return;
    }
    const Model::AxilParameter *parameter = m_widget->parameter();
    QString tip = parameter ? parameter->displayName() + QLatin1String(": ") : QString();
    tip += BasicTools::formatNumber(m_widget->value());
    if (parameter)
        tip += parameter->unit();
    if (isEditable())
        tip +=
            QLatin1Char('\n') + tr("Wheel: change by %1 (Shift: by %2). Double-click: type a "
                                   "value.")
                                    .arg(adaptiveStep(m_widget->value(), true))
                                    .arg(adaptiveStep(m_widget->value(), true) * wheelShiftFactor);
    setToolTip(tip);
    update();
}

void HelperTargetArea::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const QPalette &palette = option->palette;
    const bool editable = isEditable();
    if (m_hovered && editable) {
        QColor fill = palette.color(QPalette::Highlight);
        fill.setAlpha(50);
        painter->setPen(QPen(palette.color(QPalette::Highlight), 1));
        painter->setBrush(fill);
        painter->drawRect(m_rect.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (!m_widget || isEditing())
        return;

    QFont font = painter->font();
    font.setPixelSize(qBound(7, int(m_rect.height() * 0.65), 13));
    painter->setFont(font);
    const QRectF textRect = m_rect.adjusted(2, 0, -2, 0);
    const QString text = QFontMetricsF(font).elidedText(BasicTools::formatNumber(m_widget->value()),
                                                        Qt::ElideRight, textRect.width());
    painter->setPen(
        palette.color(editable ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, text);
}

void HelperTargetArea::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
    m_hovered = true;
    if (isEditable())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    refresh();
}

void HelperTargetArea::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
    m_hovered = false;
    update();
}

void HelperTargetArea::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    if (!isEditable() || event->orientation() != Qt::Vertical || event->delta() == 0) {
        event->ignore();
        return;
    }
    const bool up = event->delta() > 0;
    const qint64 step = adaptiveStep(m_widget->value(), up) *
                        (event->modifiers() & Qt::ShiftModifier ? wheelShiftFactor : 1);
    const qint64 wanted = qint64(m_widget->value()) + (up ? step : -step);
    const int value = int(qBound<qint64>(m_widget->minimum(), wanted, m_widget->maximum()));
    if (value != m_widget->value())
        m_widget->setValue(value);
    event->accept();
}

void HelperTargetArea::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // Taking the press makes the following double-click arrive as one.
    if (event->button() == Qt::LeftButton && isEditable())
        event->accept();
    else
        event->ignore();
}

void HelperTargetArea::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEditable() || !scene()) {
        event->ignore();
        return;
    }
    openEditor();
    event->accept();
}

void HelperTargetArea::openEditor()
{
    if (m_editor)
        return;
    auto *spinBox = new SpinBox;
    spinBox->setRange(m_widget->minimum(), m_widget->maximum());
    spinBox->setValue(m_widget->value());
    if (const Model::AxilParameter *parameter = m_widget->parameter()) {
        spinBox->setToolTip(parameter->displayName());
        InputRefusal::rename(spinBox, parameter->displayName());
    }
    spinBox->installEventFilter(this);

    // Kept inside the scene as it is, so that the diagram neither grows nor scrolls under it.
    const QRectF bounds = scene()->sceneRect();
    QRectF geometry(QPointF(), QSizeF(spinBox->sizeHint()).expandedTo(m_rect.size()));
    geometry.moveCenter(mapToScene(m_rect.center()));
    geometry.moveLeft(
        qMax(bounds.left(), qMin(geometry.left(), bounds.right() - geometry.width())));
    geometry.moveTop(qMax(bounds.top(), qMin(geometry.top(), bounds.bottom() - geometry.height())));

    auto *proxy = new QGraphicsProxyWidget;
    proxy->setWidget(spinBox);
    proxy->setZValue(editorZ);
    proxy->setGeometry(geometry);
    scene()->addItem(proxy);
    m_editor = proxy;
    update();

    connect(spinBox, &QAbstractSpinBox::editingFinished, this, [this] { closeEditor(true); });
    proxy->setFocus();
    spinBox->setFocus();
    spinBox->selectAll();
}

void HelperTargetArea::closeEditor(bool commit)
{
    QGraphicsProxyWidget *proxy = m_editor.data();
    if (!proxy)
        return;
    m_editor = nullptr;
    auto *spinBox = qobject_cast<SpinBox *>(proxy->widget());
    if (spinBox) {
        // Hiding takes the focus away, which would finish the editing a second time.
        disconnect(spinBox, nullptr, this, nullptr);
        spinBox->removeEventFilter(this);
        if (commit && isEditable()) {
            spinBox->interpretText();
            if (spinBox->intValue() != m_widget->value())
                m_widget->setValue(spinBox->intValue());
        }
    }
    proxy->hide();
    proxy->deleteLater();
    update();
}

bool HelperTargetArea::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && m_widget && watched == m_widget->widget())
        refresh();
    // Escape closes the editor, uncommitted. An Escape shortcut (the host's Stop all) takes the
    // key press itself, so the editor closes when it is asked whether to override it; the
    // shortcut still acts.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (key && m_editor && watched == m_editor->widget() &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        closeEditor(false);
        return event->type() == QEvent::KeyPress;
    }
    return QGraphicsObject::eventFilter(watched, event);
}

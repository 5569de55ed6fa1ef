#include "motionplot.h"

#include "motionexport.h"

#include "axilmoduleinterface.h"
#include "basictools.h"

#include <qwt_curve_fitter.h>
#include <qwt_graphic.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

using Sample = MotionRecorder::Sample;

const QColor positionColor(0x1f, 0x5f, 0xa8);
const QColor targetColor(0x7a, 0x7a, 0x7a);
const QColor velocityColor(0xc2, 0x5b, 0x12);
const QColor plannedPositionColor(0x6f, 0x9f, 0xd8);
const QColor plannedVelocityColor(0xe8, 0x9a, 0x5c);
const QColor previewColor(0x2e, 0x8b, 0x57);

// A frozen picture holds every sample, so that zooming in shows what was recorded: more points
// than this per second only for a clock faster than a millisecond.
constexpr double everySample = 1000;

// Axis labels written as the tools write numbers (no group separators).
class NumberScaleDraw final : public QwtScaleDraw
{
public:
    QwtText label(double value) const override
    {
        return BasicTools::numberLocale().toString(value);
    }
};

// A curve with gaps: Qwt draws a line through a NaN as through any number, so the curve is drawn
// as the runs of finite values between them.
class GappedCurve final : public QwtPlotCurve
{
public:
    using QwtPlotCurve::QwtPlotCurve;

protected:
    void drawCurve(QPainter *painter, int style, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override
    {
        for (int begin = from; begin <= to;) {
            while (begin <= to && !std::isfinite(sample(begin).y()))
                ++begin;
            int end = begin;
            while (end < to && std::isfinite(sample(end + 1).y()))
                ++end;
            if (begin <= to)
                QwtPlotCurve::drawCurve(painter, style, xMap, yMap, canvasRect, begin, end);
            begin = end + 1;
        }
    }
};

// Legend entries in centred rows, as many rows as the width needs: a narrow plot keeps every
// entry legible rather than clipping the last ones.
class LegendLayout final : public QLayout
{
public:
    explicit LegendLayout(QWidget *parent) : QLayout(parent) { setContentsMargins(0, 2, 0, 0); }
    ~LegendLayout() override
    {
        while (QLayoutItem *item = takeAt(0))
            delete item;
    }

    void addItem(QLayoutItem *item) override { m_items.append(item); }
    int count() const override { return m_items.size(); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override
    {
        return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
    void setGeometry(const QRect &rect) override
    {
        QLayout::setGeometry(rect);
        arrange(rect, true);
    }
    QSize sizeHint() const override
    {
        int width = 0;
        for (const QLayoutItem *item : m_items)
            width += item->isEmpty() ? 0 : item->sizeHint().width() + spacing;
        return {width, heightForWidth(width)};
    }
    QSize minimumSize() const override
    {
        QSize size;
        for (const QLayoutItem *item : m_items)
            size = size.expandedTo(item->minimumSize());
        const QMargins m = contentsMargins();
        return size + QSize(m.left() + m.right(), m.top() + m.bottom());
    }

private:
    static constexpr int spacing = 8;

    // The height the entries take at the rect's width; placed there if asked to.
    int arrange(const QRect &rect, bool place) const
    {
        const QRect area = rect.marginsRemoved(contentsMargins());
        int y = area.top();
        for (int first = 0; first < m_items.size();) {
            int width = 0, height = 0, last = first;
            for (; last < m_items.size(); ++last) {
                if (m_items[last]->isEmpty())
                    continue;
                const QSize hint = m_items[last]->sizeHint();
                if (width > 0 && width + spacing + hint.width() > area.width())
                    break;
                width += (width > 0 ? spacing : 0) + hint.width();
                height = std::max(height, hint.height());
            }
            int x = area.left() + std::max(0, (area.width() - width) / 2);
            for (int i = first; place && i < last; ++i) {
                if (m_items[i]->isEmpty())
                    continue;
                const QSize hint = m_items[i]->sizeHint();
                m_items[i]->setGeometry(QRect(QPoint(x, y), hint));
                x += hint.width() + spacing;
            }
            y += height;
            first = last;
        }
        return y - rect.top() + contentsMargins().bottom();
    }

    QList<QLayoutItem *> m_items;
};

QwtText axisTitle(const QString &title, const QColor &color, const QFont &font)
{
    QwtText text(title);
    text.setColor(color);
    text.setFont(font);
    return text;
}

// The axis keeps its range while the curves fit in it and fill at least a third of it, so that
// it does not twitch with every redraw (and its labels need no new layout). Otherwise, or when
// forced, it gets a new range with a little room above and below; a flat curve gets a span of
// minimumSpan around it, not a magnified view of nothing. True when the range changed.
bool scaleAxis(QwtPlot *plot, double lowest, double highest, double minimumSpan, bool force)
{
    const QwtInterval shown = plot->axisInterval(QwtPlot::yLeft);
    const double span = std::max(highest - lowest, minimumSpan);
    if (!force && shown.width() > 0 && shown.contains(lowest) && shown.contains(highest) &&
        span * 3 >= shown.width())
        return false;
    const double middle = (lowest + highest) / 2;
    lowest = middle - span * 0.58;
    highest = middle + span * 0.58;
    double step = 0;
    plot->axisScaleEngine(QwtPlot::yLeft)
        ->autoScale(plot->axisMaxMajor(QwtPlot::yLeft), lowest, highest, step);
    plot->setAxisScale(QwtPlot::yLeft, lowest, highest, step);
    return true;
}

// Draws the curves again; the axes, whose labels take most of the time, only if they changed.
void replot(QwtPlot *plot, bool axesChanged)
{
    if (axesChanged)
        plot->replot();
    else
        static_cast<QwtPlotCanvas *>(plot->canvas())->replot();
}

// Appends the samples [begin, end) of one pixel column as few points that draw the same line: the
// first and the last, which join the neighbouring columns where the motion was recorded (an
// arrival stays a corner at its moment, not a slope to the next sample), and the lowest and the
// highest, which keep a peak.
void appendColumn(QVector<QPointF> *points, const std::deque<Sample> &samples, std::size_t begin,
                  std::size_t end, double reference, double Sample::*field)
{
    std::size_t picks[4] = {begin, begin, begin, end - 1};
    for (std::size_t i = begin; i < end; ++i) {
        if (samples[i].*field < samples[picks[1]].*field)
            picks[1] = i;
        if (samples[i].*field > samples[picks[2]].*field)
            picks[2] = i;
    }
    std::sort(std::begin(picks), std::end(picks));
    for (std::size_t i = 0; i < 4; ++i) {
        if (i == 0 || picks[i] != picks[i - 1])
            points->append({samples[picks[i]].time - reference, samples[picks[i]].*field});
    }
}

// The points of one field's curve for the samples [begin, end), at most four a pixel column; an
// unknown (NaN) value leaves a gap, which a single NaN point marks.
QVector<QPointF> fieldCurve(const std::deque<Sample> &samples, std::size_t begin, std::size_t end,
                            double reference, double columnsPerSecond, double Sample::*field)
{
    QVector<QPointF> points;
    const auto column = [&](std::size_t i) {
        return std::floor((samples[i].time - reference) * columnsPerSecond);
    };
    for (std::size_t first = begin, last = begin; first < end; first = last) {
        last = first + 1;
        if (std::isnan(samples[first].*field)) {
            if (!points.isEmpty() && !std::isnan(points.last().y()))
                points.append({samples[first].time - reference, qQNaN()});
            continue;
        }
        while (last < end && column(last) == column(first) && !std::isnan(samples[last].*field))
            ++last;
        appendColumn(&points, samples, first, last, reference, field);
    }
    return points;
}

bool samePlan(const PlannedMove &a, const PlannedMove &b)
{
    return a.points.size() == b.points.size() &&
           std::equal(a.points.begin(), a.points.end(), b.points.begin(),
                      [](const PlannedMove::Point &p, const PlannedMove::Point &q) {
                          return p.time == q.time && p.position == q.position &&
                                 p.velocity == q.velocity;
                      });
}

// The first sample from which on the samples reach back to time: the last one at or before it.
std::size_t firstShown(const std::deque<Sample> &samples, double time)
{
    const auto after = std::upper_bound(samples.begin(), samples.end(), time,
                                        [](double t, const Sample &s) { return t < s.time; });
    return after == samples.begin() ? 0 : std::size_t(after - samples.begin() - 1);
}

} // namespace

// Qwt's zoomer, which pauses the picture before its first zoom (so that zooming out returns to
// the frozen picture) and whose tracker reads the samples at the mouse's time.
class MotionPlot::Zoomer final : public QwtPlotZoomer
{
public:
    Zoomer(MotionPlot *owner, QWidget *canvas) : QwtPlotZoomer(canvas, false), m_owner(owner)
    {
        setTrackerMode(AlwaysOn);
        // Escape stops every motor in the workbench; + and - magnify the time axis.
        setKeyPattern(KeyHome, Qt::Key_Home);
        setKeyPattern(KeyUndo, Qt::Key_unknown);
        setKeyPattern(KeyRedo, Qt::Key_unknown);
        // A right click steps back one zoom, as most plots do.
        setMousePattern(MouseSelect2, Qt::RightButton, Qt::ControlModifier);
        setMousePattern(MouseSelect3, Qt::RightButton);
    }

protected:
    // The zoomer refuses to begin below a tenth of a thousandth of its base: a base taken from
    // the axes before their first layout would be empty.
    void begin() override
    {
        if (zoomRectIndex() == 0)
            setZoomBase(false);
        QwtPlotZoomer::begin();
    }
    bool end(bool ok) override
    {
        // A click, which gives the plot the keyboard, selects nothing and leaves it live.
        QPolygon selected = selection();
        if (ok && !m_owner->m_paused && accept(selected))
            m_owner->setPaused(true);
        return QwtPlotZoomer::end(ok);
    }
    QwtText trackerTextF(const QPointF &position) const override
    {
        QwtText text(m_owner->cursorTextAt(position.x()));
        text.setBackgroundBrush(QColor(255, 255, 255, 220));
        text.setColor(Qt::black);
        text.setRenderFlags(Qt::AlignLeft);
        return text;
    }

private:
    MotionPlot *const m_owner;
};

MotionPlot::MotionPlot(const MotionRecorder *recorder, QWidget *parent)
    : QWidget(parent), m_recorder(recorder)
{
    m_positionPlot = addPlot(tr("Position (steps)"), positionColor);
    m_velocityPlot = addPlot(tr("Velocity"), velocityColor);
    m_velocityPlot->setAxisTitle(
        QwtPlot::xBottom, axisTitle(tr("Time (s)"), palette().color(QPalette::WindowText), font()));
    m_target = addCurve(m_positionPlot, tr("Target position"), targetColor, Qt::DashLine);
    m_target->setStyle(QwtPlotCurve::Steps);
    // A curve's default, vertical orientation makes Qwt draw each step ahead of its point, so that
    // a new target would show from the previous change on. Inverted, a value holds from its own
    // point to the next one.
    m_target->setCurveAttribute(QwtPlotCurve::Inverted);
    m_plannedPosition =
        addCurve(m_positionPlot, tr("Planned position"), plannedPositionColor, Qt::DashLine);
    m_previewPosition = addCurve(m_positionPlot, tr("Preview position"), previewColor, Qt::DotLine);
    m_position = addCurve(m_positionPlot, tr("Actual position"), positionColor, Qt::SolidLine);
    m_plannedVelocity =
        addCurve(m_velocityPlot, tr("Planned velocity"), plannedVelocityColor, Qt::DashLine);
    m_previewVelocity = addCurve(m_velocityPlot, tr("Preview velocity"), previewColor, Qt::DotLine);
    m_velocity = addCurve(m_velocityPlot, tr("Actual velocity"), velocityColor, Qt::SolidLine);

    m_previewLabel = new QwtPlotTextLabel;
    m_previewLabel->attach(m_positionPlot);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_velocityPlot->axisWidget(QwtPlot::xBottom)->setToolTip(tr("Simulated time, 0 = now"));
    layout->setSpacing(2);
    layout->addWidget(createControls());
    // The axis titles say what is plotted; the legends, short enough for a narrow plot, say
    // which curve is which.
    layout->addWidget(legend({{m_position, tr("Actual")},
                              {m_target, tr("Target")},
                              {m_plannedPosition, tr("Planned")},
                              {m_previewPosition, tr("Preview")}}));
    layout->addWidget(m_positionPlot, 1);
    layout->addWidget(legend({{m_velocity, tr("Actual")},
                              {m_plannedVelocity, tr("Planned")},
                              {m_previewVelocity, tr("Preview")}}));
    layout->addWidget(m_velocityPlot, 1);
    setMinimumSize(200, 300);

    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot}) {
        // Left drag zooms, a right click steps back, Shift and left drag pans, the wheel (and
        // + and -) magnifies the time axis. Any of them pauses the picture.
        auto *zoomer = new Zoomer(this, plot->canvas());
        m_zoomers[plot == m_velocityPlot] = zoomer;
        auto *panner = new QwtPlotPanner(plot->canvas());
        panner->setMouseButton(Qt::LeftButton, Qt::ShiftModifier);
        connect(panner, &QwtPanner::moved, this, [this] {
            if (!m_paused)
                setPaused(true);
        });
        auto *magnifier = new QwtPlotMagnifier(plot->canvas());
        magnifier->setAxisEnabled(QwtPlot::yLeft, false);
        magnifier->setMouseButton(Qt::NoButton);
        for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft})
            connect(plot->axisWidget(axis), &QwtScaleWidget::scaleDivChanged, this,
                    [this, plot] { viewChanged(plot); });
        // Click or Tab gives the plot the keyboard; the event filter, installed after the
        // zoomer's, sees Space first.
        plot->canvas()->setFocusPolicy(Qt::StrongFocus);
        static_cast<QwtPlotCanvas *>(plot->canvas())
            ->setFocusIndicator(QwtPlotCanvas::CanvasFocusIndicator);
        plot->canvas()->installEventFilter(this);
    }
    setFocusProxy(m_positionPlot->canvas());
    // The controls first, then the plots, as they read from the top.
    QWidget *order[] = {m_pauseButton,
                        m_spanBox,
                        m_curvesButton,
                        m_previewButton,
                        m_positionPlot->canvas(),
                        m_velocityPlot->canvas()};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_timer.setInterval(redrawMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // A paused picture stands still, its preview too, until the typed target changes.
        const bool frozen = m_paused && m_targetField && m_targetField->value() == m_planTarget;
        const PlannedMove preview = frozen ? m_plan : previewPlan();
        if (needsRedraw(preview))
            draw(preview);
    });
    setMotor(0, QString());
    updatePauseControl();
    updatePreviewControl();
}

MotionPlot::~MotionPlot() = default;

QWidget *MotionPlot::createControls()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const auto button = [row, layout](QAction *action) {
        auto *b = new QToolButton(row);
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        layout->addWidget(b);
        return b;
    };

    m_pause = new QAction(this);
    m_pause->setObjectName(QStringLiteral("pausePlot"));
    m_pause->setCheckable(true);
    connect(m_pause, &QAction::triggered, this, &MotionPlot::setPaused);
    m_pauseButton = button(m_pause);

    m_spanBox = new QComboBox(row);
    m_spanBox->setObjectName(QStringLiteral("plotSpan"));
    for (double seconds : spans())
        m_spanBox->addItem(tr("%1 s").arg(seconds), seconds);
    m_spanBox->setCurrentIndex(int(spans().indexOf(m_span)));
    m_spanBox->setToolTip(tr("How many seconds before now the live plot shows"));
    connect(m_spanBox, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { setSpan(m_spanBox->itemData(index).toDouble()); });
    layout->addWidget(m_spanBox);

    auto *curves = new QMenu(row);
    curves->setToolTipsVisible(true);
    addCurveChoice(curves, tr("Actual position"), m_position);
    addCurveChoice(curves, tr("Target position"), m_target);
    addCurveChoice(curves, tr("Planned position"), m_plannedPosition);
    curves->addSeparator();
    addCurveChoice(curves, tr("Actual velocity"), m_velocity);
    addCurveChoice(curves, tr("Planned velocity"), m_plannedVelocity);
    auto *choose = new QAction(QIcon(QStringLiteral(":/Images/Once")), tr("Curves"), this);
    choose->setToolTip(tr("Which curves to show"));
    choose->setMenu(curves);
    m_curvesButton = button(choose);
    m_curvesButton->setObjectName(QStringLiteral("plotCurves"));
    m_curvesButton->setPopupMode(QToolButton::InstantPopup);

    m_preview = new QAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Preview"), this);
    m_preview->setObjectName(QStringLiteral("previewMove"));
    m_preview->setCheckable(true);
    connect(m_preview, &QAction::toggled, this, [this] {
        m_viewChanged = true;
        redraw();
    });
    m_previewButton = button(m_preview);
    layout->addStretch();
    return row;
}

QAction *MotionPlot::addCurveChoice(QMenu *menu, const QString &text, QwtPlotCurve *curve)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QStringLiteral("show ") + curve->title().text());
    action->setCheckable(true);
    action->setChecked(true);
    connect(action, &QAction::toggled, this, [this, curve](bool shown) {
        curve->setVisible(shown);
        for (QWidget *entry :
             findChildren<QWidget *>(QStringLiteral("legend ") + curve->title().text()))
            entry->setVisible(shown);
        m_viewChanged = true;
        redraw();
    });
    return action;
}

QwtPlot *MotionPlot::addPlot(const QString &title, const QColor &color)
{
    auto *plot = new QwtPlot(this);
    plot->setAutoReplot(false);
    auto *canvas = new QwtPlotCanvas(plot);
    canvas->setFrameStyle(QFrame::Box | QFrame::Plain);
    canvas->setLineWidth(1);
    canvas->setPalette(QColor(0xbd, 0xbd, 0xbd)); // the frame
    canvas->setBorderRadius(0);
    // The plot is redrawn as a whole each time: a backing store would only add a copy.
    canvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    plot->setCanvas(canvas);
    plot->setCanvasBackground(Qt::white);

    // The axis ends where the curves end, plus the margin; it is not rounded out to a tick.
    plot->axisScaleEngine(QwtPlot::yLeft)->setAttribute(QwtScaleEngine::Floating);

    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(0xe6, 0xe6, 0xe6), 0, Qt::SolidLine);
    grid->attach(plot);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    for (int axis : {QwtPlot::yLeft, QwtPlot::xBottom}) {
        plot->setAxisScaleDraw(axis, new NumberScaleDraw);
        plot->setAxisFont(axis, small);
        plot->setAxisMaxMajor(axis, 5);
    }
    plot->setAxisScale(QwtPlot::xBottom, -m_span, 0);
    plot->setAxisTitle(QwtPlot::yLeft, axisTitle(title, color, font()));
    return plot;
}

QwtPlotCurve *MotionPlot::addCurve(QwtPlot *plot, const QString &title, const QColor &color,
                                   Qt::PenStyle style)
{
    auto *curve = new GappedCurve(title);
    curve->setPen(color, 2.0, style);
    curve->setRenderHint(QwtPlotItem::RenderAntialiased);
    curve->setLegendAttribute(QwtPlotCurve::LegendShowLine);
    // Drops the points that lie on a straight line between their neighbours, within half a
    // pixel: ramps at constant acceleration or velocity then cost a few line joins, not hundreds.
    curve->setCurveFitter(new QwtWeedingCurveFitter(0.5));
    curve->setCurveAttribute(QwtPlotCurve::Fitted);
    curve->attach(plot);
    return curve;
}

// A row of legend entries above a plot, so that no legend covers a curve.
QWidget *MotionPlot::legend(std::initializer_list<std::pair<QwtPlotCurve *, QString>> curves)
{
    auto *row = new QWidget(this);
    auto *layout = new LegendLayout(row);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    for (const auto &[curve, title] : curves) {
        auto *entry = new QWidget(row);
        entry->setObjectName(QStringLiteral("legend ") + curve->title().text());
        auto *entryLayout = new QHBoxLayout(entry);
        entryLayout->setContentsMargins(0, 0, 0, 0);
        entryLayout->setSpacing(4);
        auto *icon = new QLabel(entry);
        icon->setPixmap(curve->legendIcon(0, QSizeF(22, 10)).toPixmap());
        auto *text = new QLabel(title, entry);
        text->setFont(small);
        entry->setToolTip(curve->title().text());
        entryLayout->addWidget(icon);
        entryLayout->addWidget(text);
        layout->addWidget(entry);
        // The preview shows only while it is asked for.
        entry->setVisible(curve != m_previewPosition && curve != m_previewVelocity);
    }
    return row;
}

void MotionPlot::setMotor(int motor, const QString &velocityUnit)
{
    const bool other = motor != m_motor;
    m_motor = motor;
    m_velocityUnit = velocityUnit.trimmed();
    if (other && m_paused)
        setPaused(false);
    m_velocityPlot->setAxisTitle(QwtPlot::yLeft,
                                 axisTitle(m_velocityUnit.isEmpty()
                                               ? tr("Velocity")
                                               : tr("Velocity (%1)").arg(m_velocityUnit),
                                           velocityColor, font()));
}

void MotionPlot::setModule(AxilModuleInterface *module)
{
    // A new module's recording starts again: a picture of the old one is no use to study.
    const bool other = module && module != m_module;
    m_module = module;
    updatePreviewControl();
    m_viewChanged = true;
    if (other && m_paused)
        setPaused(false);
}

void MotionPlot::setTargetField(QSpinBox *field)
{
    // The field is read at every redraw tick, which also finds a changed ramp: a plan that
    // differs from the one drawn is drawn.
    m_targetField = field;
    m_planTarget = std::numeric_limits<qint64>::min();
    m_viewChanged = true;
}

void MotionPlot::updatePreviewControl()
{
    const bool offered = m_module && m_module->motionPlans();
    m_preview->setEnabled(offered);
    m_preview->setToolTip(
        offered    ? tr("Show the plan that a move to the selected tool's target would get now")
        : m_module ? tr("The module makes no motion plans known: there is nothing to preview")
                   : tr("No module is connected: there is nothing to preview"));
}

void MotionPlot::updatePauseControl()
{
    const QSignalBlocker blocker(m_pause);
    m_pause->setChecked(m_paused);
    m_pause->setIcon(
        style()->standardIcon(m_paused ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
    if (!m_paused) {
        m_pause->setText(tr("Pause"));
        m_pause->setToolTip(tr("Freeze the picture to study it; the recording goes on (Space)"));
    } else if (m_zoomed) {
        m_pause->setText(tr("Zoomed"));
        m_pause->setToolTip(tr("Zoomed or panned: the picture is frozen. Resume the live view of "
                               "the last %1 s (Space)")
                                .arg(m_span));
    } else {
        m_pause->setText(tr("Resume"));
        m_pause->setToolTip(tr("Resume the live view of the last %1 s (Space)").arg(m_span));
    }
    fitControls();
}

// The buttons show their texts while the row has room for them, else only their icons (their
// tooltips say what they do), rather than texts cut short.
void MotionPlot::fitControls()
{
    if (!m_pauseButton || !m_curvesButton || !m_previewButton)
        return;
    const QList<QToolButton *> buttons{m_pauseButton, m_curvesButton, m_previewButton};
    const auto *layout = static_cast<QBoxLayout *>(m_pauseButton->parentWidget()->layout());
    int needed = m_spanBox->sizeHint().width() + layout->spacing() * buttons.size();
    for (QToolButton *button : buttons) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        needed += button->sizeHint().width();
    }
    const bool roomy = needed <= width();
    for (QToolButton *button : buttons)
        button->setToolButtonStyle(roomy ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

// The two canvases line up when both left axes take the width of the wider one. The extents
// come from the labels of the last replot, so a change shows one redraw later.
void MotionPlot::alignAxes()
{
    double extent = 0;
    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot}) {
        QwtScaleWidget *axis = plot->axisWidget(QwtPlot::yLeft);
        axis->scaleDraw()->setMinimumExtent(0);
        extent = std::max(extent, axis->scaleDraw()->extent(axis->font()));
    }
    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot})
        plot->axisWidget(QwtPlot::yLeft)->scaleDraw()->setMinimumExtent(extent);
    if (extent != m_axisExtent) {
        m_axisExtent = extent;
        m_positionPlot->updateLayout();
        m_velocityPlot->updateLayout();
    }
}

void MotionPlot::setTimeAxis(double from, double to)
{
    m_settingAxes = true;
    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot}) {
        const QwtInterval shown = plot->axisInterval(QwtPlot::xBottom);
        if (shown.minValue() != from || shown.maxValue() != to) {
            plot->setAxisScale(QwtPlot::xBottom, from, to);
            plot->replot();
        }
    }
    m_settingAxes = false;
}

// The curves of the samples from `from` to `to` seconds on the time axis, and the sample before,
// so that they reach the left edge.
void MotionPlot::setCurves(double from, double to, double columnsPerSecond)
{
    const std::deque<Sample> &samples = m_recorder->samples(m_motor);
    const std::size_t begin = firstShown(samples, m_reference + from);
    const std::size_t end = firstShown(samples, m_reference + to) + (samples.empty() ? 0 : 1);
    const auto curve = [&](double Sample::*field) {
        return fieldCurve(samples, begin, end, m_reference, columnsPerSecond, field);
    };
    m_position->setSamples(curve(&Sample::position));
    m_velocity->setSamples(curve(&Sample::velocity));
    m_plannedPosition->setSamples(curve(&Sample::plannedPosition));
    m_plannedVelocity->setSamples(curve(&Sample::plannedVelocity));
    // Only the changes: a step curve holds each value until the next point, and a dash pattern
    // would start again at every one of a thousand short segments.
    QVector<QPointF> target;
    for (std::size_t i = begin; i < end; ++i) {
        if (target.isEmpty() || target.last().y() != samples[i].target)
            target.append({samples[i].time - m_reference, samples[i].target});
    }
    if (!target.isEmpty() && target.last().x() != 0)
        target.append({0, target.last().y()});
    m_target->setSamples(target);
}

PlannedMove MotionPlot::previewPlan() const
{
    MotionPlans *plans = m_module ? m_module->motionPlans() : nullptr;
    if (!m_preview->isChecked() || !plans || !m_targetField || m_motor < 0 || m_motor > 255)
        return {};
    return plans->previewMove(static_cast<unsigned char>(m_motor), m_targetField->value());
}

// The preview starts at the time axis' 0: now, or the moment the picture was paused.
void MotionPlot::updatePreview(const PlannedMove &preview)
{
    m_plan = preview;
    m_planTarget = m_targetField ? m_targetField->value() : 0;
    QVector<QPointF> positions, velocities;
    for (const PlannedMove::Point &p : qAsConst(m_plan.points)) {
        positions.append({p.time, p.position});
        velocities.append({p.time, p.velocity});
    }
    m_previewPosition->setSamples(positions);
    m_previewVelocity->setSamples(velocities);
    const bool shown = m_preview->isChecked() && m_preview->isEnabled();
    for (const QwtPlotCurve *curve : {m_previewPosition, m_previewVelocity}) {
        if (auto *entry = findChild<QWidget *>(QStringLiteral("legend ") + curve->title().text()))
            entry->setVisible(shown);
    }
    QString text;
    if (shown && m_plan.isEmpty()) {
        text = tr("No move");
    } else if (shown) {
        const QLocale &locale = BasicTools::numberLocale();
        text = tr("Move %1 s, peak %2 %3")
                   .arg(locale.toString(m_plan.duration(), 'f', 2),
                        locale.toString(m_plan.peakVelocity(), 'f', 0),
                        m_velocityUnit.isEmpty() ? tr("pps") : m_velocityUnit);
    }
    QwtText label(text);
    label.setColor(previewColor);
    label.setRenderFlags(Qt::AlignTop | Qt::AlignRight);
    label.setBackgroundBrush(QColor(255, 255, 255, 200));
    m_previewLabel->setText(label);
}

bool MotionPlot::needsRedraw(const PlannedMove &preview) const
{
    if (m_viewChanged || m_motor != m_drawnMotor)
        return true;
    const double now = m_recorder->now();
    if (m_preview->isChecked() && !samePlan(preview, m_plan))
        return true;
    if (m_paused)
        return false;
    // Time passing moves the picture only while a change is in view.
    return m_recorder->revision(m_motor) != m_drawnRevision ||
           (now != m_drawnNow && m_recorder->steadySince(m_motor) > m_drawnNow - m_span);
}

void MotionPlot::redraw()
{
    draw(previewPlan());
}

void MotionPlot::draw(const PlannedMove &preview)
{
    const bool force = m_viewChanged || m_motor != m_drawnMotor;
    bool positionAxis = false, velocityAxis = false;
    if (!m_paused) {
        // Time runs to the left from now (0).
        m_reference = m_recorder->now();
        updatePreview(preview);
        double right = 0;
        if (!m_plan.isEmpty())
            right = std::min(m_plan.duration() * 1.05, MotionRecorder::span);
        // More points than pixel columns only cost time: stroking the lines is most of a redraw.
        setCurves(-m_span, 0, std::max(1, m_positionPlot->canvas()->width()) / (m_span + right));
        setTimeAxis(-m_span, right);
        double lowest = qInf(), highest = -qInf(), slowest = 0, fastest = 0;
        const auto extend = [](QwtPlotCurve *curve, double *low, double *high) {
            if (!curve->isVisible())
                return;
            for (size_t i = 0; i < curve->dataSize(); ++i) {
                const double y = curve->sample(int(i)).y();
                if (std::isfinite(y)) {
                    *low = std::min(*low, y);
                    *high = std::max(*high, y);
                }
            }
        };
        for (QwtPlotCurve *curve : {m_position, m_target, m_plannedPosition, m_previewPosition})
            extend(curve, &lowest, &highest);
        for (QwtPlotCurve *curve : {m_velocity, m_plannedVelocity, m_previewVelocity})
            extend(curve, &slowest, &fastest);
        if (lowest > highest)
            lowest = highest = 0;
        m_settingAxes = true;
        positionAxis = scaleAxis(m_positionPlot, lowest, highest, 10, force);
        velocityAxis = scaleAxis(m_velocityPlot, slowest, fastest, 10, force);
        m_settingAxes = false;
    } else {
        updatePreview(preview);
    }
    m_settingAxes = true;
    replot(m_positionPlot, positionAxis);
    replot(m_velocityPlot, velocityAxis);
    m_settingAxes = false;
    if (positionAxis || velocityAxis)
        alignAxes();
    m_drawnRevision = m_recorder->revision(m_motor);
    m_drawnMotor = m_motor;
    m_drawnNow = m_recorder->now();
    m_viewChanged = false;
}

void MotionPlot::setPaused(bool paused)
{
    if (paused == m_paused) {
        updatePauseControl();
        return;
    }
    m_paused = paused;
    if (paused) {
        // Every sample of the minute up to the picture's now, so that zooming in and panning
        // show what was recorded.
        setCurves(-MotionRecorder::span, 0, everySample);
        for (Zoomer *zoomer : m_zoomers) {
            zoomer->setZoomBase(false);
            replot(zoomer->plot(), false);
        }
    } else {
        m_zoomed = false;
        m_viewChanged = true;
        redraw();
        for (Zoomer *zoomer : m_zoomers)
            zoomer->setZoomBase(false);
    }
    updatePauseControl();
}

void MotionPlot::setSpan(double seconds)
{
    m_span = seconds;
    const QSignalBlocker blocker(m_spanBox);
    m_spanBox->setCurrentIndex(int(spans().indexOf(seconds)));
    if (m_paused) {
        // The frozen picture holds the whole minute: the span is shown from it, unzoomed.
        m_zoomed = false;
        setTimeAxis(-m_span, 0);
        for (Zoomer *zoomer : m_zoomers)
            zoomer->setZoomBase(false);
        updatePauseControl();
    } else {
        m_viewChanged = true;
        redraw();
    }
}

void MotionPlot::viewChanged(QwtPlot *plot)
{
    if (m_settingAxes)
        return;
    if (!m_paused)
        setPaused(true);
    m_zoomed = true;
    updatePauseControl();
    QwtPlot *other = plot == m_positionPlot ? m_velocityPlot : m_positionPlot;
    const QwtInterval time = plot->axisInterval(QwtPlot::xBottom);
    const QwtInterval shown = other->axisInterval(QwtPlot::xBottom);
    if (shown.minValue() != time.minValue() || shown.maxValue() != time.maxValue()) {
        m_settingAxes = true;
        other->setAxisScale(QwtPlot::xBottom, time.minValue(), time.maxValue());
        other->replot();
        m_settingAxes = false;
    }
}

QString MotionPlot::cursorTextAt(double axisTime) const
{
    const QString unit = m_velocityUnit.isEmpty() ? tr("pps") : m_velocityUnit;
    QString text =
        cursorText(m_recorder->samples(m_motor), m_reference + axisTime, m_reference, unit);
    // Ahead of now, the preview's plan.
    const double start = m_recorder->now() - m_reference;
    if (!m_plan.isEmpty() && axisTime >= start) {
        const PlannedMove::Point p = m_plan.at(axisTime - start);
        const QLocale &locale = BasicTools::numberLocale();
        text += QLatin1Char('\n') + tr("Preview %1, %2 %3")
                                        .arg(locale.toString(p.position, 'f', 0),
                                             locale.toString(p.velocity, 'f', 0), unit);
    }
    return text;
}

QString MotionPlot::cursorText(const std::deque<MotionRecorder::Sample> &samples, double time,
                               double reference, const QString &velocityUnit)
{
    const QLocale &locale = BasicTools::numberLocale();
    const auto number = [&locale](double value) {
        return locale.toString(value, 'f', 0);
    };
    QString text = tr("%1 s").arg(locale.toString(time - reference, 'f', 2));
    if (samples.empty() || time < samples.front().time)
        return text;
    const Sample &s = samples[firstShown(samples, time)];
    text += QLatin1Char('\n') +
            tr("Position %1 (target %2)").arg(number(s.position), number(s.target)) +
            QLatin1Char('\n') + tr("Velocity %1 %2").arg(number(s.velocity), velocityUnit);
    if (!std::isnan(s.plannedPosition) && !std::isnan(s.plannedVelocity))
        text += QLatin1Char('\n') +
                tr("Planned %1, %2 %3")
                    .arg(number(s.plannedPosition), number(s.plannedVelocity), velocityUnit);
    return text;
}

bool MotionPlot::savePicture(const QString &file, QString *error) const
{
    QVector<QWidget *> parts;
    for (int i = 1; i < layout()->count(); ++i) // below the controls
        parts.append(layout()->itemAt(i)->widget());
    return MotionExport::writePicture(file, parts, error);
}

bool MotionPlot::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        m_pause->trigger();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MotionPlot::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_viewChanged = true;
    redraw();
    m_timer.start();
}

void MotionPlot::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void MotionPlot::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A narrow plot labels fewer times, so that its labels keep apart.
    const bool narrow = width() < 280;
    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot}) {
        if (plot->axisMaxMajor(QwtPlot::xBottom) != (narrow ? 3 : 5)) {
            plot->setAxisMaxMajor(QwtPlot::xBottom, narrow ? 3 : 5);
            m_settingAxes = true;
            plot->replot();
            m_settingAxes = false;
        }
    }
    fitControls();
}

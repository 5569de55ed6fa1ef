#include "motionplot.h"

#include "motionrecorder.h"

#include "basictools.h"

#include <qwt_curve_fitter.h>
#include <qwt_graphic.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

const QColor positionColor(0x1f, 0x5f, 0xa8);
const QColor targetColor(0x7a, 0x7a, 0x7a);
const QColor velocityColor(0xc2, 0x5b, 0x12);

// Axis labels written as the tools write numbers (no group separators).
class NumberScaleDraw final : public QwtScaleDraw
{
public:
    QwtText label(double value) const override
    {
        return BasicTools::numberLocale().toString(value);
    }
};

QwtText axisTitle(const QString &title, const QColor &color, const QFont &font)
{
    QwtText text(title);
    text.setColor(color);
    text.setFont(font);
    return text;
}

// The axis keeps its range while the curves fit in it and fill at least a third of it, so that
// it does not twitch with every redraw (and its labels need no new layout). Otherwise it gets a
// new range with a little room above and below; a flat curve gets a span of minimumSpan around
// it, not a magnified view of nothing. True when the range changed.
bool scaleAxis(QwtPlot *plot, double lowest, double highest, double minimumSpan)
{
    const QwtInterval shown = plot->axisInterval(QwtPlot::yLeft);
    const double span = std::max(highest - lowest, minimumSpan);
    if (shown.width() > 0 && shown.contains(lowest) && shown.contains(highest) &&
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
void appendColumn(QVector<QPointF> *points, const std::deque<MotionRecorder::Sample> &samples,
                  std::size_t begin, std::size_t end, double now,
                  double MotionRecorder::Sample::*field)
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
            points->append({samples[picks[i]].time - now, samples[picks[i]].*field});
    }
}

} // namespace

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
    m_position = addCurve(m_positionPlot, tr("Actual position"), positionColor, Qt::SolidLine);
    m_velocity = addCurve(m_velocityPlot, tr("Actual velocity"), velocityColor, Qt::SolidLine);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_velocityPlot->axisWidget(QwtPlot::xBottom)->setToolTip(tr("Simulated time, 0 = now"));
    layout->setSpacing(2);
    // The axis titles say what is plotted; the legends, short enough for a narrow plot, say
    // which curve is which.
    layout->addWidget(legend({{m_position, tr("Actual")}, {m_target, tr("Target")}}));
    layout->addWidget(m_positionPlot, 1);
    layout->addWidget(legend({{m_velocity, tr("Actual")}}));
    layout->addWidget(m_velocityPlot, 1);
    setMinimumSize(200, 260);

    m_timer.setInterval(redrawMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_recorder->revision(m_motor) != m_drawnRevision || m_motor != m_drawnMotor)
            redraw();
    });
    setMotor(0, QString());
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
    plot->setAxisScale(QwtPlot::xBottom, -MotionRecorder::span, 0, 2.0);
    plot->setAxisTitle(QwtPlot::yLeft, axisTitle(title, color, font()));
    return plot;
}

QwtPlotCurve *MotionPlot::addCurve(QwtPlot *plot, const QString &title, const QColor &color,
                                   Qt::PenStyle style)
{
    auto *curve = new QwtPlotCurve(title);
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
QWidget *MotionPlot::legend(std::initializer_list<std::pair<const QwtPlotCurve *, QString>> curves)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(4);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    layout->addStretch();
    for (const auto &[curve, title] : curves) {
        auto *icon = new QLabel(row);
        icon->setPixmap(curve->legendIcon(0, QSizeF(22, 10)).toPixmap());
        auto *text = new QLabel(title, row);
        text->setToolTip(curve->title().text());
        text->setFont(small);
        layout->addWidget(icon);
        layout->addWidget(text);
        layout->addSpacing(8);
    }
    layout->addStretch();
    return row;
}

void MotionPlot::setMotor(int motor, const QString &velocityUnit)
{
    m_motor = motor;
    const QString unit = velocityUnit.trimmed();
    m_velocityPlot->setAxisTitle(
        QwtPlot::yLeft, axisTitle(unit.isEmpty() ? tr("Velocity") : tr("Velocity (%1)").arg(unit),
                                  velocityColor, font()));
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

void MotionPlot::redraw()
{
    using Sample = MotionRecorder::Sample;
    const std::deque<Sample> &samples = m_recorder->samples(m_motor);
    QVector<QPointF> position, target, velocity;
    double lowest = 0, highest = 0, slowest = 0, fastest = 0;
    if (!samples.empty()) {
        lowest = highest = samples.front().position;
    }
    // Time runs to the left from now (0), so that the time axis stays as it is.
    const double now = m_recorder->now();
    // More points than pixel columns only cost time: stroking the lines is most of a redraw.
    const double columnsPerSecond =
        std::max(1, m_positionPlot->canvas()->width()) / MotionRecorder::span;
    const auto column = [&](const Sample &s) {
        return std::floor((s.time - now) * columnsPerSecond);
    };
    for (std::size_t begin = 0, end = 0; begin < samples.size(); begin = end) {
        end = begin + 1;
        while (end < samples.size() && column(samples[end]) == column(samples[begin]))
            ++end;
        appendColumn(&position, samples, begin, end, now, &Sample::position);
        appendColumn(&velocity, samples, begin, end, now, &Sample::velocity);
    }
    for (const Sample &s : samples) {
        // Only the changes: a step curve holds each value until the next point, and a dash
        // pattern would start again at every one of a thousand short segments.
        if (target.isEmpty() || target.last().y() != s.target)
            target.append({s.time - now, s.target});
        lowest = std::min({lowest, s.position, s.target});
        highest = std::max({highest, s.position, s.target});
        slowest = std::min(slowest, s.velocity);
        fastest = std::max(fastest, s.velocity);
    }
    if (!samples.empty() && target.last().x() != 0)
        target.append({0, samples.back().target});
    m_position->setSamples(position);
    m_target->setSamples(target);
    m_velocity->setSamples(velocity);

    const bool positionAxis = scaleAxis(m_positionPlot, lowest, highest, 10);
    const bool velocityAxis = scaleAxis(m_velocityPlot, slowest, fastest, 10);
    replot(m_positionPlot, positionAxis);
    replot(m_velocityPlot, velocityAxis);
    if (positionAxis || velocityAxis)
        alignAxes();
    m_drawnRevision = m_recorder->revision(m_motor);
    m_drawnMotor = m_motor;
}

void MotionPlot::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
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
    // A narrow plot labels every fifth second, so that its labels keep apart.
    const double step = width() < 280 ? 5.0 : 2.0;
    for (QwtPlot *plot : {m_positionPlot, m_velocityPlot}) {
        if (plot->axisStepSize(QwtPlot::xBottom) != step) {
            plot->setAxisScale(QwtPlot::xBottom, -MotionRecorder::span, 0, step);
            plot->replot();
        }
    }
}

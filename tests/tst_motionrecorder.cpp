// The motion recorder against the module it records, and the motion plot against the recorder:
// what the plot draws, measured in the lines it paints, when it draws, and for which module.

#include "mainwindow.h"
#include "motionplot.h"
#include "motionrecorder.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include <QPaintEngine>
#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <memory>

namespace {

using Sample = MotionRecorder::Sample;
using Field = double Sample::*;
const QString velocityKey = QLatin1String(ParameterType::cmd_ActualVelocity);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString positionKey = QLatin1String(ParameterType::cmd_ActualPosition);

// A paint device that keeps the lines painted on it instead of pixels: what a curve draws.
class LineRecorder final : public QPaintDevice
{
public:
    explicit LineRecorder(const QSize &size) : m_size(size) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    const QVector<QPolygonF> &lines() const { return m_engine.lines; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        if (metric == PdmDevicePixelRatioScaled)
            return int(devicePixelRatioFScale());
        return metric == PdmWidth ? m_size.width() : metric == PdmHeight ? m_size.height() : 96;
    }

private:
    struct Engine final : QPaintEngine
    {
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
        {
            if (mode == PolylineMode)
                lines.append(QPolygonF(QVector<QPointF>(points, points + count)));
        }
        Type type() const override { return User; }
        QVector<QPolygonF> lines;
    };
    mutable Engine m_engine;
    const QSize m_size;
};

// Counts the paint events that a widget receives.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

QwtPlotCurve *curve(const MotionPlot *plot, const QString &title)
{
    for (const QwtPlot *p : plot->findChildren<QwtPlot *>())
        for (QwtPlotItem *item : p->itemList())
            if (item->title().text() == title)
                return static_cast<QwtPlotCurve *>(item);
    qFatal("no curve %s", qPrintable(title));
    return nullptr;
}

using Range = QPair<double, double>;

Range widest(const Range &a, const Range &b)
{
    return {std::min(a.first, b.first), std::max(a.second, b.second)};
}

// For each pixel column from first to last, the lowest and highest pixel row that the lines reach
// within the column.
QVector<Range> columnRanges(const QVector<QPolygonF> &lines, int first, int last)
{
    QVector<Range> ranges(last - first + 1, {qInf(), -qInf()});
    for (const QPolygonF &line : lines) {
        for (int i = 1; i < line.size(); ++i) {
            const QPointF &p = line[i - 1], &q = line[i];
            const double left = std::min(p.x(), q.x()), right = std::max(p.x(), q.x());
            const auto at = [&](double x) {
                return left == right ? p.y()
                                     : p.y() + (q.y() - p.y()) * (x - p.x()) / (q.x() - p.x());
            };
            for (int c = std::max(first, qCeil(left - 0.5));
                 c <= std::min(last, qFloor(right + 0.5)); ++c) {
                const double a = left == right ? q.y() : at(std::max(left, c - 0.5));
                const double b = at(std::min(right, c + 0.5));
                ranges[c - first] = widest(ranges[c - first], {std::min(a, b), std::max(a, b)});
            }
        }
    }
    return ranges;
}

// Checks that the curve, as drawn, shows what the recorder holds, to a pixel and a half: in every
// pixel column from the oldest sample (or the left edge) to now, the drawn curve reaches where the
// recorded one does in this column or the ones beside it, and the other way round. A step curve
// holds each value until the next sample.
void checkDrawn(const QwtPlotCurve *curve, const MotionRecorder &recorder, int motor, Field field,
                bool steps)
{
    const std::deque<Sample> &samples = recorder.samples(motor);
    QVERIFY(!samples.empty());
    const double now = recorder.now();
    const QwtPlot *plot = curve->plot();
    const QwtScaleMap x = plot->canvasMap(curve->xAxis()), y = plot->canvasMap(curve->yAxis());
    LineRecorder device(plot->canvas()->size());
    {
        QPainter painter(&device);
        curve->draw(&painter, x, y, plot->canvas()->contentsRect());
    }
    QPolygonF line;
    for (const Sample &s : samples) {
        const QPointF point(x.transform(s.time - now), y.transform(s.*field));
        if (steps && !line.isEmpty())
            line.append({point.x(), line.last().y()});
        line.append(point);
    }
    // The columns in which the curve starts and ends; Qwt rounds its points to whole pixels.
    const int first = qRound(std::max(line.first().x(), x.p1()));
    const int last = qRound(x.transform(0));
    const QVector<Range> drawn = columnRanges(device.lines(), first, last);
    const QVector<Range> wanted = columnRanges({line}, first, last);
    for (int c = first; c <= last; ++c) {
        const auto beside = [&](const QVector<Range> &ranges) {
            Range range = ranges[c - first];
            for (const int n : {c - 1, c + 1})
                range = n < first || n > last ? range : widest(range, ranges[n - first]);
            return Range{range.first - 1.5, range.second + 1.5};
        };
        const Range shown = drawn[c - first], around = beside(wanted);
        const Range kept = wanted[c - first], near = beside(drawn);
        QVERIFY2(shown.first >= around.first && shown.second <= around.second &&
                     kept.first >= near.first && kept.second <= near.second,
                 qPrintable(QStringLiteral("%1 at %2 s: drawn %3 to %4, recorded %5 to %6")
                                .arg(curve->title().text())
                                .arg(x.invTransform(c))
                                .arg(y.invTransform(shown.first))
                                .arg(y.invTransform(shown.second))
                                .arg(y.invTransform(kept.first))
                                .arg(y.invTransform(kept.second))));
    }
}

} // namespace

class TestMotionRecorder final : public QObject
{
    Q_OBJECT

    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;

    // The shown plot follows the recorder, in all three curves.
    void checkPlot()
    {
        const MotionPlot *plot = m_window->plot();
        const int motor = plot->motor();
        checkDrawn(curve(plot, "Actual position"), m_window->recorder(), motor, &Sample::position,
                   false);
        checkDrawn(curve(plot, "Target position"), m_window->recorder(), motor, &Sample::target,
                   true);
        checkDrawn(curve(plot, "Actual velocity"), m_window->recorder(), motor, &Sample::velocity,
                   false);
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_window.reset(); // the previous test's, before its host
        m_host = std::make_unique<ToolHost>();
        QVERIFY2(m_host->load(QStringLiteral(TOOL_PLUGIN)), qPrintable(m_host->errorString()));
        QCOMPARE(m_host->createTools(), ToolHost::familyCount);
        m_window = std::make_unique<MainWindow>(m_host.get());
    }

    void recorderKeepsTheMotion_data()
    {
        QTest::addColumn<QVector<int>>("ticks"); // milliseconds, in turn
        QTest::newRow("20 ms") << QVector<int>{20};
        QTest::newRow("uneven") << QVector<int>{10, 37, 100, 3, 20};
    }

    // Every state the module went through within the span can be read back from the recorder, at
    // its moment: as a sample, or inside a stretch whose two ends both hold it. No stretch keeps a
    // point between two equal ones, and one sample older than the span is kept, no more.
    void recorderKeepsTheMotion()
    {
        QFETCH(QVector<int>, ticks);
        SimulatedModule module(3);
        for (const unsigned char m : {0, 1, 2})
            module.setPluginVariant(m, 71 + m); // Cedar, Maple, Larch
        MotionRecorder recorder;
        QVector<QVector<Sample>> truth(3);
        int elapsed = 0;
        for (int tick = 0; elapsed < 16000; ++tick) {
            if (tick == 3) {
                module.moveToPosition(0, 9000);
                module.moveToPosition(1, -4000);
            } else if (tick == 150) {
                module.motorStop(0);
                module.moveToPosition(2, 2500);
            } else if (tick == 300) {
                module.moveToPosition(1, 0);
                // What Clear does: the target and the position become 0 while the motor brakes.
                module.motorStop(2);
                module.writeParameter(2, targetKey, 0);
                module.writeParameter(2, positionKey, 0);
            }
            const int length = ticks[tick % ticks.size()];
            elapsed += length;
            module.advance(length);
            recorder.sample(module, length);
            QCOMPARE(recorder.now(), elapsed / 1000.0);
            for (int m = 0; m < 3; ++m) {
                const auto motor = static_cast<unsigned char>(m);
                // The registers, as a tool reads them.
                truth[m].append({elapsed / 1000.0, double(module.moduleValue(motor, positionKey)),
                                 double(module.moduleValue(motor, velocityKey)),
                                 double(module.moduleValue(motor, targetKey))});
                const std::deque<Sample> &kept = recorder.samples(m);
                const auto same = [](const Sample &a, const Sample &b) {
                    return a.position == b.position && a.velocity == b.velocity &&
                           a.target == b.target;
                };
                const double edge = recorder.now() - MotionRecorder::span;
                QVERIFY(kept.size() < 2 || kept[1].time >= edge);
                QVERIFY(kept.front().time <= std::max(edge, truth[m].front().time));
                for (std::size_t i = 2; i < kept.size(); ++i) {
                    if (same(kept[i - 2], kept[i - 1]) && same(kept[i - 1], kept[i]))
                        QFAIL("a point between two equal ones");
                }
                std::size_t k = 0; // the first kept sample not before s
                for (const Sample &s : qAsConst(truth[m])) {
                    if (s.time < kept.front().time)
                        continue;
                    while (k < kept.size() && kept[k].time < s.time)
                        ++k;
                    const bool held =
                        k < kept.size() &&
                        (kept[k].time == s.time ? same(kept[k], s)
                                                : same(kept[k - 1], s) && same(kept[k], s));
                    if (!held)
                        QFAIL(qPrintable(QStringLiteral("motor %1 at %2 s: %3, %4, %5 not kept")
                                             .arg(m)
                                             .arg(s.time)
                                             .arg(s.position)
                                             .arg(s.velocity)
                                             .arg(s.target)));
                }
            }
        }
    }

    void plotFollowsTheRecorder_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("hertz");
        QTest::newRow("Cedar at 100 Hz") << 2 << 100;
        QTest::newRow("Larch at 50 Hz") << 4 << 50;
        QTest::newRow("Hazel at 10 Hz") << 0 << 10;
    }

    // A long move, its arrival, a move back, Clear, then Disconnect, Connect and a move on the new
    // module: at every moment, each curve shows what was recorded, including the moment of arrival
    // and of each new target, and nothing of a module that is gone.
    void plotFollowsTheRecorder()
    {
        QFETCH(int, tab);
        QFETCH(int, hertz);
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(hertz);
        QVERIFY(m_window->selectTab(tab));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        const SimulatedModule *module = m_host->module();
        const auto motor = static_cast<unsigned char>(tab);
        // Moves, Clear (which sets the position to 0 at once), and a move on a new module.
        for (const int target : {12000, 4000, 0, 3000}) {
            QString error;
            if (target == 0) {
                m_window->currentTool()->findChild<QAbstractButton *>("btnClear")->click();
            } else {
                if (target == 3000) {
                    m_window->findChild<QAction *>(QStringLiteral("disconnectModule"))->trigger();
                    m_window->runSimulatedTime(500);
                    m_window->findChild<QAction *>(QStringLiteral("connectModule"))->trigger();
                    // The old module's motion leaves the plot before any time passes.
                    QTRY_COMPARE(int(curve(m_window->plot(), "Actual position")->dataSize()), 0);
                    module = m_host->module();
                }
                QVERIFY2(m_window->moveCurrentTool(target, &error), qPrintable(error));
            }
            int still = 0; // chunks since the motor arrived
            for (int chunk = 0; still < 8; ++chunk) {
                QVERIFY2(chunk < 80, "the motor did not arrive");
                // Not a whole number of pixels, so that the samples fall differently on them.
                m_window->runSimulatedTime(230);
                checkPlot();
                if (QTest::currentTestFailed())
                    return;
                if (!module->motion(motor).isMoving())
                    ++still;
            }
        }
    }

    // With the live clock at 100 Hz, the shown plot redraws, at most 25 times a second. Hidden
    // (F9) it draws nothing; shown again it draws at once what it missed.
    void redrawsOnlyWhileShown()
    {
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(100);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QVERIFY(m_window->selectTab(2));
        QString error;
        QVERIFY(m_window->moveCurrentTool(12000, &error));
        QwtPlotCurve *position = curve(m_window->plot(), "Actual position");
        PaintCounter paints(position->plot()->canvas());
        const auto last = [position] {
            return position->dataSize() ? position->sample(int(position->dataSize()) - 1)
                                        : QPointF(1, -1);
        };
        QElapsedTimer elapsed;
        elapsed.start();
        m_window->startClock();
        QTest::qWait(1000);
        QVERIFY(last().y() > 0);
        QVERIFY2(paints.count >= 5 && paints.count <= elapsed.elapsed() / 40 + 2,
                 qPrintable(QString::number(paints.count)));

        QTest::keyClick(m_window.get(), Qt::Key_F9);
        QVERIFY(!m_window->plot()->isVisible());
        const QPointF hidden = last();
        QTest::qWait(300);
        QCOMPARE(last(), hidden);
        QTest::keyClick(m_window.get(), Qt::Key_F9);
        QVERIFY(m_window->plot()->isVisible());
        QCOMPARE(last(), QPointF(0, m_host->module()->motion(2).position()));
        QVERIFY(last() != hidden);
    }
};

QTEST_MAIN(TestMotionRecorder)
#include "tst_motionrecorder.moc"

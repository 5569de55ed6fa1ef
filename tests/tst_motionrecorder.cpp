// The motion recorder against the module it records, and the motion plot against the recorder:
// what the plot draws, measured in the pixels it paints, when it draws, and for which motor.

#include "mainwindow.h"
#include "motionplot.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QtTest>

#include <QtWidgets>
#include <algorithm>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using Sample = MotionRecorder::Sample;
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);

bool equal(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool same(const Sample &a, const Sample &b)
{
    return a.position == b.position && a.velocity == b.velocity && a.target == b.target &&
           equal(a.plannedPosition, b.plannedPosition) &&
           equal(a.plannedVelocity, b.plannedVelocity);
}

// Counts the paint events that a widget receives.
struct PaintCounter final : QObject
{
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
}

} // namespace

class TestMotionRecorder final : public QObject
{
    Q_OBJECT

    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;

    // The curve, as drawn, shows what the recorder holds, to two pixels: every pixel drawn lies
    // within two pixels of the recorded curve, and every pixel of the recorded curve within two
    // pixels of the drawn one. A step curve holds each value until the next sample.
    void checkDrawn(const char *title, int motor, double Sample::*field, bool steps)
    {
        QwtPlotCurve *curve = ::curve(m_window->plot(), title);
        const MotionRecorder &recorder = m_window->recorder();
        const QwtPlot *plot = curve->plot();
        const QwtScaleMap x = plot->canvasMap(curve->xAxis()), y = plot->canvasMap(curve->yAxis());
        QPolygonF line;
        for (const Sample &s : recorder.samples(motor)) {
            const QPointF point(x.transform(s.time - recorder.now()), y.transform(s.*field));
            if (steps && !line.isEmpty())
                line.append({point.x(), line.last().y()});
            line.append(point);
        }
        QVERIFY(!line.isEmpty());
        const QPen pen = curve->pen();
        const auto paint = [&](bool recorded, qreal width) {
            QImage image(plot->canvas()->size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setPen(QPen(Qt::black, width));
            curve->setPen(Qt::black, width);
            if (recorded)
                painter.drawPolyline(line);
            else
                curve->draw(&painter, x, y, plot->canvas()->contentsRect());
            return image;
        };
        const QImage drawn = paint(false, 1), nearDrawn = paint(false, 5);
        const QImage recorded = paint(true, 1), nearRecorded = paint(true, 5);
        curve->setPen(pen);
        for (int r = 0; r < drawn.height(); ++r)
            for (int c = 0; c < drawn.width(); ++c)
                if (qAlpha(drawn.pixel(c, r)) > qAlpha(nearRecorded.pixel(c, r)) ||
                    qAlpha(recorded.pixel(c, r)) > qAlpha(nearDrawn.pixel(c, r)))
                    QFAIL(
                        qPrintable(QStringLiteral("%1 at %2 s").arg(title).arg(x.invTransform(c))));
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

    // Every state the module went through within the span can be read back from the recorder, at
    // its moment: as a sample, or inside a stretch whose two ends both hold it. No stretch keeps a
    // point between two equal ones (a motor with no plan included), and one sample older than the
    // span is kept, no more. The planned position and velocity are the module's plan at its
    // elapsed time, NaN while it has none.
    void recorderKeepsTheMotion()
    {
        const int ticks[] = {10, 37, 100, 3, 20}; // milliseconds, in turn
        SimulatedModule module(3);
        // Birch (whose velocity register counts in the chip's units), Cedar, Maple.
        for (const unsigned char m : {0, 1, 2})
            module.setPluginVariant(m, 70 + m);
        MotionRecorder recorder;
        QVector<QVector<Sample>> truth(3);
        QVector<std::deque<Sample>> before(3);
        QVector<quint64> revisions(3);
        int elapsed = 0;
        for (int tick = 0; elapsed < 16000; ++tick) {
            if (tick == 3) {
                module.moveToPosition(0, 9000);
                module.moveToPosition(1, -4000);
            } else if (tick == 150) {
                module.motorStop(0);
                module.moveToPosition(2, 2500);
            } else if (tick == 300) {
                // A crawl: its plan moves on while the position and velocity that show do not.
                module.writeParameter(1, QLatin1String(ParameterType::cmd_MaxVelocity), 3);
                module.moveToPosition(1, 0);
                // What Clear does: the target and the position become 0 while the motor brakes.
                module.motorStop(2);
                module.writeParameter(2, targetKey, 0);
                module.writeParameter(2, actualKey, 0);
            }
            const int length = ticks[tick % 5];
            elapsed += length;
            module.advance(length);
            recorder.sample(module, length);
            QCOMPARE(recorder.now(), elapsed / 1000.0);
            const double edge = recorder.now() - MotionRecorder::span;
            for (unsigned char m = 0; m < 3; ++m) {
                // The position and target registers, as a tool reads them; the velocity in pps.
                Sample now{recorder.now(), double(module.moduleValue(m, actualKey)),
                           double(std::llround(module.motion(m).velocity())),
                           double(module.moduleValue(m, targetKey))};
                if (const auto planned = module.motionPlans()->plannedNow(m)) {
                    now.plannedPosition = planned->position;
                    now.plannedVelocity = planned->velocity;
                }
                truth[m].append(now);
                const std::deque<Sample> &kept = recorder.samples(m);
                const PlannedMove plan = module.motionPlans()->plannedMove(m);
                const PlannedMove::Point p = plan.at(plan.elapsed);
                const bool moving = module.motion(m).isMoving();
                QCOMPARE(std::isnan(kept.back().plannedPosition), !moving);
                QCOMPARE(std::isnan(kept.back().plannedVelocity), !moving);
                QVERIFY(!moving || (std::abs(kept.back().plannedPosition - p.position) < 0.05 &&
                                    std::abs(kept.back().plannedVelocity - p.velocity) < 0.5));
                // The revision stays exactly while the span shows one unchanged state (which a
                // plot need not draw again).
                const auto steady = [](const std::deque<Sample> &d) {
                    return std::all_of(d.begin(), d.end(),
                                       [&d](const Sample &s) { return same(s, d.front()); });
                };
                const bool unchanged = steady(kept) && steady(before[m]) &&
                                       kept.size() == before[m].size() &&
                                       same(kept.front(), before[m].front());
                QCOMPARE(recorder.revision(m) == revisions[m], unchanged);
                revisions[m] = recorder.revision(m);
                before[m] = kept;
                QVERIFY(kept.size() < 2 || kept[1].time >= edge);
                QVERIFY(kept.front().time <= std::max(edge, truth[m].front().time));
                for (std::size_t i = 2; i < kept.size(); ++i)
                    if (same(kept[i - 2], kept[i - 1]) && same(kept[i - 1], kept[i]))
                        QFAIL("a point between two equal ones");
                std::size_t k = 0; // the first kept sample not before s
                for (const Sample &s : qAsConst(truth[m])) {
                    while (k < kept.size() && kept[k].time < s.time)
                        ++k;
                    if (s.time >= kept.front().time &&
                        (k == kept.size() || !same(kept[k], s) ||
                         (kept[k].time != s.time && !same(kept[k - 1], s))))
                        QFAIL(qPrintable(
                            QStringLiteral("motor %1 at %2 s not kept").arg(m).arg(s.time)));
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
    // and of each new target, and nothing of a module that is gone. Then, with the live clock, the
    // shown plot redraws at most 25 times a second; hidden (F9) it draws nothing, and shown again
    // it draws at once what it missed.
    void plotFollowsTheRecorder()
    {
        QFETCH(int, tab);
        QFETCH(int, hertz);
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(hertz);
        QVERIFY(m_window->selectTab(tab));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QwtPlotCurve *position = curve(m_window->plot(), "Actual position");
        QString error;
        for (const int target : {12000, 4000, 0, 3000}) {
            if (target == 0) { // Clear, which sets the position to 0 at once
                m_window->currentTool()->findChild<QAbstractButton *>("btnClear")->click();
            } else if (target == 3000) {
                m_window->findChild<QAction *>(QStringLiteral("disconnectModule"))->trigger();
                m_window->runSimulatedTime(500);
                m_window->findChild<QAction *>(QStringLiteral("connectModule"))->trigger();
                // The old module's motion leaves the plot before any time passes.
                QTRY_COMPARE(int(position->dataSize()), 0);
            }
            QVERIFY2(target == 0 || m_window->moveCurrentTool(target, &error), qPrintable(error));
            for (int chunk = 0, still = 0; still < 8; ++chunk) { // still: chunks since arrival
                QVERIFY2(chunk < 80, "the motor did not arrive");
                // Not a whole number of pixels, so that the samples fall differently on them.
                m_window->runSimulatedTime(230);
                checkDrawn("Actual position", tab, &Sample::position, false);
                checkDrawn("Target position", tab, &Sample::target, true);
                checkDrawn("Actual velocity", tab, &Sample::velocity, false);
                if (QTest::currentTestFailed())
                    return;
                still += !m_host->module()->motion(static_cast<unsigned char>(tab)).isMoving();
            }
        }

        QVERIFY(m_window->moveCurrentTool(12000, &error));
        const auto last = [position] {
            return position->sample(int(position->dataSize()) - 1);
        };
        PaintCounter paints(position->plot()->canvas());
        QElapsedTimer elapsed;
        elapsed.start();
        m_window->startClock();
        QTest::qWait(1000);
        QVERIFY2(paints.count >= 5 && paints.count <= elapsed.elapsed() / 40 + 2,
                 qPrintable(QString::number(paints.count)));
        QTest::keyClick(m_window.get(), Qt::Key_F9);
        const QPointF hidden = last();
        QTest::qWait(300);
        QCOMPARE(last(), hidden);
        QTest::keyClick(m_window.get(), Qt::Key_F9);
        QCOMPARE(last(),
                 QPointF(0, m_host->module()->motion(static_cast<unsigned char>(tab)).position()));
        QVERIFY(last() != hidden);
    }
};

QTEST_MAIN(TestMotionRecorder)
#include "tst_motionrecorder.moc"

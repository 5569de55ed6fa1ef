// The motion recorder against the module it records, and the motion plot against the recorder:
// what the plot draws, measured in the pixels it paints, when it draws, and for which motor.

#include "mainwindow.h"
#include "motionexport.h"
#include "motionplot.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_textlabel.h>

#include <QSvgRenderer>
#include <QtTest>
#include <QtWidgets>

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

// The points a curve draws.
QVector<QPointF> pointsOf(const QwtPlotCurve *curve)
{
    QVector<QPointF> points;
    for (size_t i = 0; i < curve->dataSize(); ++i)
        points.append(curve->sample(int(i)));
    return points;
}

QwtInterval timeAxis(const QwtPlot *plot)
{
    return plot->axisInterval(QwtPlot::xBottom);
}

// A left-button drag across a canvas with the given keys held, as a person's mouse makes it.
void drag(QWidget *canvas, QPoint from, QPoint to, Qt::KeyboardModifiers keys)
{
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, canvas->mapToGlobal(at), Qt::LeftButton, buttons, keys);
        QApplication::sendEvent(canvas, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        send(QEvent::MouseMove, from + (to - from) * step / 4, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A module that makes its plans known, as far as the preview asks for them: every move takes the
// same trapezoid of 2.5 s from 0 to its target.
class PlanningModule final : public AxilModuleInterface, public MotionPlans
{
public:
    bool planning = true;
    double shift = 0; // moves every plan, as time passing under a moving motor would

    MotionPlans *motionPlans() override { return planning ? this : nullptr; }
    PlannedMove plannedMove(unsigned char) const override { return {}; }
    PlannedMove previewMove(unsigned char, qint64 target) const override
    {
        const double peak = target < 0 ? -1000 : 1000, to = double(target);
        PlannedMove plan;
        plan.points = {{0, shift, 0},
                       {0.5, shift + to / 8, peak},
                       {2, shift + to * 7 / 8, peak},
                       {2.5, shift + to, 0}};
        return plan;
    }

    AxisController *controller(unsigned char) const override { return nullptr; }
    QString getChipName(unsigned char) const override { return {}; }
    QString getModuleNameInFirmware() const override { return {}; }
    unsigned char moduleAddress() const override { return 1; }
    int motorCount() const override { return 1; }
    int pluginVariant(unsigned char) const override { return 0; }
    Model::ParameterInfo describeParameter(unsigned char, const QString &) const override
    {
        return {};
    }
    bool hasParameter(unsigned char, const QString &) const override { return false; }
    bool readParameter(unsigned char, const QString &, qint64 *) override { return false; }
    bool writeParameter(unsigned char, const QString &, qint64) override { return false; }
    bool moveToPosition(unsigned char, int) override { return false; }
    bool moveToRelPosition(unsigned char, int) override { return false; }
    bool motorStop(unsigned char) override { return false; }
};

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
        // From the last sample at or before the time axis's start on.
        const double left = recorder.now() + x.s1();
        const std::deque<Sample> &samples = recorder.samples(motor);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const Sample &s = samples[i];
            if (i + 1 < samples.size() && samples[i + 1].time <= left)
                continue;
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
            for (int c = int(std::ceil(x.p1())); c <= int(x.p2()); ++c) // within the time axis
                if (qAlpha(drawn.pixel(c, r)) > qAlpha(nearRecorded.pixel(c, r)) ||
                    qAlpha(recorded.pixel(c, r)) > qAlpha(nearDrawn.pixel(c, r)))
                    QFAIL(
                        qPrintable(QStringLiteral("%1 at %2 s").arg(title).arg(x.invTransform(c))));
    }

    // The shown window, its Cedar motor (tab 2) moved towards target for the given time.
    void moveCedar(int target, int milliseconds)
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QVERIFY(m_window->selectTab(2));
        QString error;
        QVERIFY2(m_window->moveCurrentTool(target, &error), qPrintable(error));
        m_window->runSimulatedTime(milliseconds);
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
        for (int tick = 0; elapsed < 72000; ++tick) {
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
            } else if (tick == 1800) { // a move while the first moves leave the span
                module.moveToPosition(1, 3000);
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
                // The revision stays exactly while the samples stay, but for the last one's
                // time; the motor has held its last state since steadySince(), and not before.
                bool unchanged = kept.size() == before[m].size();
                for (std::size_t i = 0; unchanged && i < kept.size(); ++i)
                    unchanged = same(kept[i], before[m][i]) &&
                                (i + 1 == kept.size() || kept[i].time == before[m][i].time);
                QCOMPARE(recorder.revision(m) == revisions[m], unchanged);
                const double since = recorder.steadySince(m);
                const auto held = std::find_if(
                    kept.begin(), kept.end(), [since](const Sample &s) { return s.time >= since; });
                QVERIFY(held != kept.end() &&
                        std::all_of(held, kept.end(),
                                    [&kept](const Sample &s) { return same(s, kept.back()); }));
                QVERIFY(held == kept.begin() || !same(*(held - 1), kept.back()));
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

    // A picture holds its parts one below the other, each at its own size, on white; a plot is
    // drawn by Qwt's renderer, anything else as the widget paints itself.
    void picturesStackTheirParts_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("PNG") << "png";
        QTest::newRow("SVG") << "svg";
    }

    void picturesStackTheirParts()
    {
        QFETCH(QString, suffix);
        QwtPlot plot;
        plot.setCanvasBackground(Qt::green);
        plot.resize(300, 200);
        QWidget band;
        band.setAutoFillBackground(true);
        band.setPalette(QPalette(Qt::red));
        band.resize(120, 40);
        QTemporaryDir dir;
        const QString file = dir.filePath("plot." + suffix);
        QString error;
        QVERIFY2(MotionExport::writePicture(file, {&plot, &band}, &error), qPrintable(error));
        QImage image;
        if (suffix == "svg") {
            QSvgRenderer svg(file);
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBox(), QRect(0, 0, 300, 240));
            image = QImage(svg.viewBox().size(), QImage::Format_ARGB32);
            QPainter painter(&image);
            svg.render(&painter);
        } else {
            QVERIFY(image.load(file));
        }
        QCOMPARE(image.size(), QSize(300, 240));
        QCOMPARE(image.pixelColor(150, 100), QColor(Qt::green)); // inside the canvas
        QCOMPARE(image.pixelColor(60, 220), QColor(Qt::red));
        QCOMPARE(image.pixelColor(200, 220), QColor(Qt::white));
        QVERIFY(!MotionExport::writePicture(dir.filePath("plot.bmp"), {&plot}, &error));
        QVERIFY(error.contains("plot.bmp"));
    }

    // The CSV of a real move: the header, then each recorded sample as a row of numbers that read
    // back as the sample's values; an unknown planned value is an empty cell.
    void csvHoldsTheSamples()
    {
        SimulatedModule module(1);
        module.setPluginVariant(0, 72); // Cedar
        MotionRecorder recorder;
        module.moveToPosition(0, 3000);
        for (int tick = 0; tick < 150; ++tick) {
            module.advance(20);
            recorder.sample(module, 20);
        }
        std::deque<Sample> samples = recorder.samples(0);
        Sample planned = samples.back();
        planned.time += 0.02;
        planned.plannedPosition = -2147483647.5; // more digits than a float has
        planned.plannedVelocity = -12.25;
        samples.push_back(planned);
        QVERIFY(samples.size() > 100);

        const QStringList lines = MotionExport::csv(samples).split('\n');
        QCOMPARE(lines.first(),
                 QStringLiteral("time_s,actual_position,target_position,"
                                "actual_velocity,planned_position,planned_velocity"));
        QCOMPARE(lines.size(), int(samples.size()) + 2); // and the empty text after the last '\n'
        QVERIFY(lines.last().isEmpty());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const QStringList cells = lines[int(i) + 1].split(',');
            const Sample &s = samples[i];
            const double values[] = {s.time,     s.position,        s.target,
                                     s.velocity, s.plannedPosition, s.plannedVelocity};
            QCOMPARE(cells.size(), 6);
            for (int c = 0; c < 6; ++c) {
                bool ok = false;
                const double read = cells[c].toDouble(&ok);
                QVERIFY2(std::isnan(values[c])
                             ? cells[c].isEmpty()
                             : ok && std::abs(read - values[c]) <= 1e-6 && cells[c].size() <= 17,
                         qPrintable(lines[int(i) + 1]));
            }
        }
        // Both kinds of row were written: with a plan, and without one (empty cells).
        QVERIFY(std::any_of(lines.begin() + 1, lines.end(),
                            [](const QString &l) { return l.endsWith(",,"); }));
        QVERIFY(std::any_of(samples.begin(), samples.end() - 1,
                            [](const Sample &s) { return !std::isnan(s.plannedPosition); }));
    }

    void cursorReadsTheSamples_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("before the first sample") << 0.5 << "-2.50 s";
        QTest::newRow("between samples, the earlier")
            << 1.5 << "-1.50 s\nPosition 10 (target 500)\nVelocity 40 pps";
        QTest::newRow("with a plan")
            << 2.25 << "-0.75 s\nPosition 100 (target 500)\nVelocity 200 pps\nPlanned 90, 190 pps";
        QTest::newRow("the last") << 3.0 << "0.00 s\nPosition 300 (target 600)\nVelocity 250 pps";
    }

    // The cursor reads the sample recorded last by the mouse's time, not the mouse's height.
    void cursorReadsTheSamples()
    {
        QFETCH(double, time);
        QFETCH(QString, text);
        std::deque<Sample> samples(3);
        samples[0] = {1, 10, 40, 500};
        samples[1] = {2, 100, 200, 500, 90, 190};
        samples[2] = {3, 300, 250, 600};
        QCOMPARE(MotionPlot::cursorText(samples, time, 3.0, "pps"), text);
    }

    // Paused, the picture keeps its curves while time passes; resumed, it follows the recorder.
    // A zoom, a pan or the wheel pauses it as well, and both plots keep the same time axis;
    // Space on the plot resumes the live view of the span.
    void pauseZoomAndPan_data()
    {
        QTest::addColumn<int>("how"); // 0 the button, 1 a zoom, 2 a pan, 3 the wheel
        QTest::addColumn<bool>("velocityPlot");
        QTest::newRow("pause button") << 0 << false;
        QTest::newRow("zoom above") << 1 << false;
        QTest::newRow("zoom below") << 1 << true;
        QTest::newRow("pan below") << 2 << true;
        QTest::newRow("wheel above") << 3 << false;
    }

    void pauseZoomAndPan()
    {
        QFETCH(int, how);
        QFETCH(bool, velocityPlot);
        moveCedar(2000, 8000);
        if (QTest::currentTestFailed())
            return;
        MotionPlot *plot = m_window->plot();
        QwtPlot *plots[] = {plot->positionPlot(), plot->velocityPlot()};
        QWidget *canvas = plots[velocityPlot]->canvas();
        QwtPlotCurve *position = curve(plot, "Actual position");
        auto *pause = plot->findChild<QAction *>(QStringLiteral("pausePlot"));
        const QwtInterval live = timeAxis(plots[0]);
        const QPoint middle = canvas->rect().center();
        // A click gives the plot the keyboard and leaves it live.
        QTest::mouseClick(canvas, Qt::LeftButton, {}, middle);
        QVERIFY(canvas->hasFocus() && !plot->isPaused());
        if (how == 0) {
            pause->trigger();
        } else if (how == 1) {
            drag(canvas, middle - QPoint(40, 30), middle + QPoint(30, 20), Qt::NoModifier);
        } else if (how == 2) {
            drag(canvas, middle, middle + QPoint(60, 0), Qt::ShiftModifier);
        } else {
            QWheelEvent wheel(middle, canvas->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(canvas, &wheel);
        }
        QVERIFY(plot->isPaused() && pause->isChecked());
        QCOMPARE(pause->text(), how == 0 ? QStringLiteral("Resume") : QStringLiteral("Zoomed"));
        QCOMPARE(timeAxis(plots[0]), timeAxis(plots[1]));
        QCOMPARE(timeAxis(plots[0]) == live, how == 0);
        // What was recorded, zoomed in or not.
        checkDrawn("Actual position", 2, &Sample::position, false);
        checkDrawn("Actual velocity", 2, &Sample::velocity, false);

        const QVector<QPointF> frozen = pointsOf(position);
        m_window->runSimulatedTime(1000);
        QTest::qWait(3 * MotionPlot::redrawMilliseconds);
        QCOMPARE(pointsOf(position), frozen);

        QTest::keyClick(canvas, Qt::Key_Space);
        QVERIFY(!plot->isPaused() && !pause->isChecked());
        for (const QwtPlot *p : plots)
            QCOMPARE(timeAxis(p), QwtInterval(-plot->span(), 0));
        QVERIFY(pointsOf(position) != frozen);
        checkDrawn("Actual position", 2, &Sample::position, false);
    }

    void spanShowsItsSeconds_data()
    {
        QTest::addColumn<double>("span");
        for (double span : MotionPlot::spans())
            QTest::newRow(qPrintable(QStringLiteral("%1 s").arg(span))) << span;
    }

    // With a minute of motion recorded, each span shows its last seconds of samples, to the edge.
    void spanShowsItsSeconds()
    {
        QFETCH(double, span);
        moveCedar(500000, 62000);
        if (QTest::currentTestFailed())
            return;
        auto *box = m_window->plot()->findChild<QComboBox *>(QStringLiteral("plotSpan"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < MotionPlot::spans().indexOf(span); ++i)
            QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(m_window->plot()->span(), span);
        for (const QwtPlot *p :
             {m_window->plot()->positionPlot(), m_window->plot()->velocityPlot()})
            QCOMPARE(timeAxis(p), QwtInterval(-span, 0));
        for (const char *title : {"Actual position", "Actual velocity"}) {
            const QVector<QPointF> points = pointsOf(curve(m_window->plot(), title));
            const double tick = m_window->tickMilliseconds() / 1000.0;
            QVERIFY(points.first().x() <= -span && points.first().x() > -span - tick - 1e-9);
        }
        checkDrawn("Actual position", 2, &Sample::position, false);
    }

    // Offered plans, the preview draws the one for the field's target from now on, and says how
    // long the move takes and how fast it gets; without plans it is disabled and says why.
    void previewFollowsTheField()
    {
        MotionRecorder recorder;
        PlanningModule module;
        QSpinBox field;
        field.setRange(-100000, 100000);
        MotionPlot plot(&recorder);
        plot.resize(330, 600);
        plot.show();
        auto *preview = plot.findChild<QAction *>(QStringLiteral("previewMove"));
        module.planning = false;
        plot.setModule(&module);
        QVERIFY(!preview->isEnabled() && !preview->toolTip().isEmpty());
        module.planning = true;
        plot.setModule(&module);
        plot.setTargetField(&field);
        QVERIFY(preview->isEnabled());
        preview->trigger();
        const QwtPlotCurve *position = curve(&plot, "Preview position");
        const QwtPlotCurve *velocity = curve(&plot, "Preview velocity");
        QwtPlotTextLabel *label = nullptr;
        for (QwtPlotItem *item : plot.positionPlot()->itemList(QwtPlotItem::Rtti_PlotTextLabel))
            label = static_cast<QwtPlotTextLabel *>(item);
        for (const int target : {4000, -800}) {
            field.setValue(target);
            const PlannedMove plan = module.previewMove(0, target);
            QTRY_COMPARE(pointsOf(position).last(), QPointF(2.5, target));
            QCOMPARE(int(position->dataSize()), plan.points.size());
            for (int i = 0; i < plan.points.size(); ++i) {
                QCOMPARE(position->sample(i),
                         QPointF(plan.points[i].time, plan.points[i].position));
                QCOMPARE(velocity->sample(i),
                         QPointF(plan.points[i].time, plan.points[i].velocity));
            }
            QCOMPARE(label->text().text(), QStringLiteral("Move 2.50 s, peak 1000 pps"));
            QVERIFY(timeAxis(plot.positionPlot()).maxValue() >= 2.5);
        }

        // Paused, the preview stands still with the picture while the plan the module would
        // give changes; a newly typed target is previewed at the paused picture's 0.
        plot.findChild<QAction *>(QStringLiteral("pausePlot"))->trigger();
        module.shift = 300;
        QTest::qWait(200);
        QCOMPARE(pointsOf(position).first(), QPointF(0, 0));
        QCOMPARE(pointsOf(position).last(), QPointF(2.5, -800));
        field.setValue(1000);
        QTRY_COMPARE(pointsOf(position).last(), QPointF(2.5, 1300));
        QCOMPARE(pointsOf(position).first(), QPointF(0, 300));
        module.shift = 600;
        QTest::qWait(200);
        QCOMPARE(pointsOf(position).first(), QPointF(0, 300));
        plot.findChild<QAction *>(QStringLiteral("pausePlot"))->trigger();
        QTRY_COMPARE(pointsOf(position).first(), QPointF(0, 600));
    }
};

QTEST_MAIN(TestMotionRecorder)
#include "tst_motionrecorder.moc"

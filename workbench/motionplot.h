#pragma once

#include "motionplans.h"
#include "motionrecorder.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <limits>

#include <initializer_list>
#include <utility>

class AxilModuleInterface;
class QAction;
class QComboBox;
class QMenu;
class QSpinBox;
class QToolButton;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotTextLabel;
class QwtPlotZoomer;

// The recorded motion of one motor, in two plots above each other on the same time axis: actual,
// target and planned position above, actual and planned velocity below, over a span of the last
// seconds that the person chooses. It is an instrument to study a move with: the picture can be
// paused (the recorder goes on), zoomed and panned (which pauses it), read at the mouse, and it
// can show the plan that a move to the selected tool's target would get, before it is started.
// It only draws what the recorder holds, at a bounded rate, only while it is visible and only when
// the samples or the view changed, so that it costs the controls nothing.
class MotionPlot final : public QWidget
{
    Q_OBJECT
public:
    explicit MotionPlot(const MotionRecorder *recorder, QWidget *parent = nullptr);
    ~MotionPlot() override;

    // velocityUnit as the module writes it after a value (" pps"), or empty.
    void setMotor(int motor, const QString &velocityUnit);
    int motor() const { return m_motor; }
    // The module whose plans the preview asks for (null while disconnected), and the field whose
    // target it previews (null when the tool has none).
    void setModule(AxilModuleInterface *module);
    void setTargetField(QSpinBox *field);
    // Draws the recorder's samples now (while live) and the preview.
    void redraw();

    // The seconds before now shown while live: one of spans().
    double span() const { return m_span; }
    void setSpan(double seconds);
    static QVector<double> spans() { return {5, 10, 30, 60}; }

    bool isPaused() const { return m_paused; }
    // Paused, the picture stays as it was; resumed, it shows the live span again, unzoomed.
    void setPaused(bool paused);
    // The simulated time that the time axis counts from: now while live, the moment of the
    // pause while paused.
    double reference() const { return m_reference; }

    QwtPlot *positionPlot() const { return m_positionPlot; }
    QwtPlot *velocityPlot() const { return m_velocityPlot; }
    // Both plots stacked, with their legends, as PNG or SVG (by the file's suffix).
    bool savePicture(const QString &file, QString *error) const;

    // What the cursor shows at the given simulated time: the time on the axis (counted from
    // reference) and the sample recorded last by then; only the time before the first sample.
    static QString cursorText(const std::deque<MotionRecorder::Sample> &samples, double time,
                              double reference, const QString &velocityUnit);

    static constexpr int redrawMilliseconds = 40;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitControls();
    Q_DISABLE_COPY(MotionPlot)
    class Zoomer;
    QwtPlot *addPlot(const QString &title, const QColor &color);
    QwtPlotCurve *addCurve(QwtPlot *plot, const QString &title, const QColor &color,
                           Qt::PenStyle style);
    QWidget *legend(std::initializer_list<std::pair<QwtPlotCurve *, QString>> curves);
    QWidget *createControls();
    QAction *addCurveChoice(QMenu *menu, const QString &text, QwtPlotCurve *curve);
    void alignAxes();
    void setCurves(double from, double to, double columnsPerSecond);
    // The plan that a move to the field's target would get now; empty when none is shown.
    PlannedMove previewPlan() const;
    void updatePreview(const PlannedMove &preview);
    // Whether the picture, with the given preview, differs from the one drawn.
    bool needsRedraw(const PlannedMove &preview) const;
    void draw(const PlannedMove &preview);
    void setTimeAxis(double from, double to);
    // The person zoomed, panned or magnified one plot: the picture pauses, and the other plot
    // takes the same time axis.
    void viewChanged(QwtPlot *plot);
    void updatePauseControl();
    void updatePreviewControl();
    QString cursorTextAt(double axisTime) const;

    const MotionRecorder *const m_recorder;
    QwtPlot *m_positionPlot = nullptr;
    QwtPlot *m_velocityPlot = nullptr;
    QwtPlotCurve *m_position = nullptr;
    QwtPlotCurve *m_target = nullptr;
    QwtPlotCurve *m_plannedPosition = nullptr;
    QwtPlotCurve *m_velocity = nullptr;
    QwtPlotCurve *m_plannedVelocity = nullptr;
    QwtPlotCurve *m_previewPosition = nullptr;
    QwtPlotCurve *m_previewVelocity = nullptr;
    QwtPlotTextLabel *m_previewLabel = nullptr;
    Zoomer *m_zoomers[2] = {nullptr, nullptr};
    QAction *m_pause = nullptr;
    QToolButton *m_pauseButton = nullptr;
    QComboBox *m_spanBox = nullptr;
    QToolButton *m_curvesButton = nullptr;
    QAction *m_preview = nullptr;
    QToolButton *m_previewButton = nullptr;
    QTimer m_timer;
    QPointer<AxilModuleInterface> m_module;
    QPointer<QSpinBox> m_targetField;
    QString m_velocityUnit;
    int m_motor = -1;
    double m_span = 10;
    bool m_paused = false;
    bool m_zoomed = false;      // paused by a zoom or a pan rather than by the button
    bool m_settingAxes = false; // the axes change by the plot's own doing
    double m_reference = 0;
    PlannedMove m_plan;                                       // the preview drawn
    qint64 m_planTarget = std::numeric_limits<qint64>::min(); // the typed target it was made for
    // What the picture was drawn from, to tell whether it must be drawn again.
    quint64 m_drawnRevision = 0;
    int m_drawnMotor = -1;
    double m_drawnNow = -1;
    bool m_viewChanged = true;
    double m_axisExtent = 0;
};

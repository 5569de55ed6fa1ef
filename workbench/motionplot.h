#pragma once

#include <QTimer>
#include <QWidget>

#include <initializer_list>
#include <utility>

class MotionRecorder;
class QwtPlot;
class QwtPlotCurve;

// The recorded motion of one motor over the last seconds, in two plots above each other on the
// same time axis: actual and target position, and actual velocity. It only draws what the
// recorder holds, at a bounded rate and only while it is visible, so that it costs the controls
// nothing.
class MotionPlot final : public QWidget
{
    Q_OBJECT
public:
    explicit MotionPlot(const MotionRecorder *recorder, QWidget *parent = nullptr);

    // velocityUnit as the module writes it after a value (" pps"), or empty.
    void setMotor(int motor, const QString &velocityUnit);
    int motor() const { return m_motor; }
    // Draws the recorder's samples now.
    void redraw();

    static constexpr int redrawMilliseconds = 40;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Q_DISABLE_COPY(MotionPlot)
    QwtPlot *addPlot(const QString &title, const QColor &color);
    QwtPlotCurve *addCurve(QwtPlot *plot, const QString &title, const QColor &color,
                           Qt::PenStyle style);
    QWidget *legend(std::initializer_list<std::pair<const QwtPlotCurve *, QString>> curves);
    void alignAxes();

    const MotionRecorder *const m_recorder;
    QwtPlot *m_positionPlot = nullptr;
    QwtPlot *m_velocityPlot = nullptr;
    QwtPlotCurve *m_position = nullptr;
    QwtPlotCurve *m_target = nullptr;
    QwtPlotCurve *m_velocity = nullptr;
    QTimer m_timer;
    int m_motor = -1;
    quint64 m_drawnRevision = 0;
    int m_drawnMotor = -1;
    double m_axisExtent = 0;
};

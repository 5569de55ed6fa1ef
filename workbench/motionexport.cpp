#include "motionexport.h"

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace MotionExport {

Format format(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    return Format::Unknown;
}

namespace {

// To a millionth, which is finer than any step or pulse rate, so that the planned values read
// 0.5 rather than 0.5000000000000006; in the shortest text that reads back as that number. NaN
// leaves the cell empty.
QString cell(double value)
{
    if (std::isnan(value))
        return QString();
    const double rounded = std::abs(value) < 1e9 ? std::round(value * 1e6) / 1e6 : value;
    return QString::number(rounded, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString csv(const std::deque<MotionRecorder::Sample> &samples)
{
    QString text = QStringLiteral("time_s,actual_position,target_position,actual_velocity,"
                                  "planned_position,planned_velocity\n");
    for (const MotionRecorder::Sample &s : samples) {
        text += cell(s.time) + ',' + cell(s.position) + ',' + cell(s.target) + ',' +
                cell(s.velocity) + ',' + cell(s.plannedPosition) + ',' + cell(s.plannedVelocity) +
                '\n';
    }
    return text;
}

bool writeCsv(const QString &file, const std::deque<MotionRecorder::Sample> &samples,
              QString *error)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write(csv(samples).toUtf8()) < 0 ||
        !out.commit()) {
        *error = QObject::tr("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

bool writePicture(const QString &file, const QVector<QWidget *> &parts, QString *error)
{
    QSize size(0, 0);
    for (const QWidget *part : parts)
        size = QSize(std::max(size.width(), part->width()), size.height() + part->height());
    const auto paint = [&parts](QPainter *painter) {
        QwtPlotRenderer renderer;
        int y = 0;
        for (QWidget *part : parts) {
            if (auto *plot = qobject_cast<QwtPlot *>(part))
                renderer.render(plot, painter, QRectF(QPointF(0, y), plot->size()));
            else
                part->render(painter, QPoint(0, y), QRegion(), QWidget::DrawChildren);
            y += part->height();
        }
    };
    bool written = false;
    switch (format(file)) {
    case Format::Png: {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        paint(&painter);
        painter.end();
        written = !size.isEmpty() && image.save(file, "PNG");
        break;
    }
    case Format::Svg: {
        QSvgGenerator generator;
        generator.setFileName(file);
        generator.setSize(size);
        // The size is written in millimetres; at the 96 dpi of web browsers it is the plot's
        // size in pixels again.
        generator.setResolution(96);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(QObject::tr("Motion plot"));
        QPainter painter;
        written = !size.isEmpty() && painter.begin(&generator);
        if (written) {
            painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
            paint(&painter);
            written = painter.end() && QFileInfo(file).size() > 0;
        }
        break;
    }
    default:
        *error = QObject::tr("%1: a picture is written as .png or .svg").arg(file);
        return false;
    }
    if (!written)
        *error = QObject::tr("cannot write the picture to %1").arg(file);
    return written;
}

} // namespace MotionExport

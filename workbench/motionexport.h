#pragma once

#include "motionrecorder.h"

#include <QString>
#include <QVector>

class QWidget;

// Writing what the motion plot shows to files, without a window where that is possible: the
// recorded samples of a motor as CSV (one row per sample, C locale numbers, an empty cell where a
// value is unknown), and a picture of widgets stacked top to bottom as PNG or SVG.
namespace MotionExport {

enum class Format { Unknown, Csv, Png, Svg };

// By the file's suffix, in any case.
Format format(const QString &file);

// The header row and one row per sample.
QString csv(const std::deque<MotionRecorder::Sample> &samples);
bool writeCsv(const QString &file, const std::deque<MotionRecorder::Sample> &samples,
              QString *error);

// The widgets one below the other, each at its own size, as PNG or SVG by the file's suffix.
// A widget may be a QwtPlot, which Qwt's renderer draws.
bool writePicture(const QString &file, const QVector<QWidget *> &parts, QString *error);

} // namespace MotionExport

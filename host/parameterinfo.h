#pragma once

#include <QString>
#include <QStringList>

namespace Model {

// What a module description says about one axis parameter: its key, how a person calls it,
// its unit and limits, and how the value is typed. The host shows it; the module enforces it.
struct ParameterInfo
{
    QString key;         // "par::..." key
    QString displayName; // "Maximum velocity"
    QString unit;        // as written after a value, with its leading blank: " pps", or empty
    QString typeName = QStringLiteral("Integer");
    QString description; // one sentence for tooltips
    qint64 minimum = 0;
    qint64 maximum = 0;
    qint64 defaultValue = 0;
    QStringList choices; // names of the values 0, 1, ... for two-choice parameters
    bool readOnly = false;
};

} // namespace Model

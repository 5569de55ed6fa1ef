#include "basictools.h"

#include <limits>

namespace BasicTools {

QString int64InsertDot(qint64 value)
{
    // Work on the magnitude as unsigned so that the smallest qint64 keeps its digits.
    const bool negative = value < 0;
    quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude);
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 1);
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped.append(QLatin1Char('.'));
        grouped.append(digits.at(i));
    }
    return negative ? QLatin1Char('-') + grouped : grouped;
}

int clampToInt(qint64 value)
{
    return static_cast<int>(
        qBound<qint64>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

} // namespace BasicTools

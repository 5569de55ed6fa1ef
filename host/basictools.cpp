#include "basictools.h"

#include <limits>

namespace BasicTools {

QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString formatNumber(qint64 value)
{
    return numberLocale().toString(value);
}

QString formatNumber(double value, int decimals)
{
    return numberLocale().toString(value, 'f', decimals);
}

QString int64InsertDot(qint64 value)
{
    return formatNumber(value);
}

int clampToInt(qint64 value)
{
    return static_cast<int>(
        qBound<qint64>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

} // namespace BasicTools

#include "basictools.h"

#include <limits>

namespace BasicTools {

QLocale numberLocale()
{
    // Made again only when the application's locale changes: the position display writes a
    // number at every update, and changing a locale's options copies it.
    thread_local bool made = false;
    thread_local QLocale source, locale;
    const QLocale current;
    if (!made || !(current == source)) {
        made = true;
        source = current;
        locale = current;
        locale.setNumberOptions(current.numberOptions() | QLocale::OmitGroupSeparator);
    }
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

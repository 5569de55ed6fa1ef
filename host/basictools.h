#pragma once

#include "host_global.h"

#include <QLocale>
#include <QString>

// Small formatting helpers that the host's windows share.
namespace BasicTools {
// The one way the host's windows write numbers: the digits, sign and decimal point of the
// application's locale, without group separators, as the number fields show and take them.
HOST_EXPORT QLocale numberLocale();
HOST_EXPORT QString formatNumber(qint64 value);
HOST_EXPORT QString formatNumber(double value, int decimals);
// A limit in a tooltip; the same text as formatNumber.
HOST_EXPORT QString int64InsertDot(qint64 value);
// The value limited to the int range: a value beyond 32 bits keeps its sign and stays non-zero.
HOST_EXPORT int clampToInt(qint64 value);
} // namespace BasicTools

#pragma once

#include "host_global.h"

#include <QString>

// Small formatting helpers that the host's windows share.
namespace BasicTools {
// Groups the digits in threes with dots: 1234567 -> "1.234.567", -2000 -> "-2.000".
HOST_EXPORT QString int64InsertDot(qint64 value);
// The value limited to the int range: a value beyond 32 bits keeps its sign and stays non-zero.
HOST_EXPORT int clampToInt(qint64 value);
} // namespace BasicTools

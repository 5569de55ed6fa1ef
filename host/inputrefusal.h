#pragma once

#include "host_global.h"

#include <QString>

class QAbstractSpinBox;

// A number field takes only keys that keep its text a number of its range; Qt drops the others
// without a word, so that 3000000000 typed into a 32-bit field reads 300000000. A watched field
// says so where the person looks: a note under the field (the window's child "inputRefusalNote",
// for a few seconds, or until the person types on) and a host message, both naming the range,
// the key that was not taken and what the field kept.
namespace InputRefusal {
HOST_EXPORT void watch(QAbstractSpinBox *field, const QString &name);
// The name the messages use for the field (a bound field takes its parameter's).
HOST_EXPORT void rename(QAbstractSpinBox *field, const QString &name);
} // namespace InputRefusal

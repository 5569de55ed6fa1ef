#pragma once

#include "host_global.h"

#include <QList>

class QWidget;

// The host's look for windows that tools open on their own (input helpers and the like).
namespace MainAppStyle {
// Gives each top-level window the host's window icon, palette and style sheet.
HOST_EXPORT void additionalWidgetSetting(const QList<QWidget *> &widgets);
// The style sheet that the host applies to its own windows.
HOST_EXPORT QString styleSheet();
} // namespace MainAppStyle

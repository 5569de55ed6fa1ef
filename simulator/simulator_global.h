#pragma once

#include <QtGlobal>

#if defined(SIMULATOR_LIBRARY)
#define SIMULATOR_EXPORT Q_DECL_EXPORT
#else
#define SIMULATOR_EXPORT Q_DECL_IMPORT
#endif

#pragma once

#include "host_global.h"

#include <QString>

class QSvgRenderer;

// The host's store of SVG pictures: each picture is parsed once per process, and every item and
// window that shows it draws with the same renderer (QGraphicsSvgItem::setSharedRenderer, or the
// renderer itself). Parsing a ramp picture costs more than drawing it, and tools show the same
// few pictures again and again: after each mode switch, in each input helper.
namespace SharedSvgRenderers {
// The renderer of the picture at the path (a file or a resource), made the first time it is
// asked for and kept until the application ends; never null. A picture that could not be read
// gives a renderer that is not valid.
HOST_EXPORT QSvgRenderer *renderer(const QString &path);
} // namespace SharedSvgRenderers

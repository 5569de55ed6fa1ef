#include "sharedsvgrenderers.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSvgRenderer>

namespace SharedSvgRenderers {

QSvgRenderer *renderer(const QString &path)
{
    // Widgets and their pictures live in the GUI thread only. The renderers are the
    // application's children, and go with it.
    static QHash<QString, QPointer<QSvgRenderer>> renderers;
    QPointer<QSvgRenderer> &shared = renderers[path];
    if (!shared)
        shared = new QSvgRenderer(path, QCoreApplication::instance());
    return shared;
}

} // namespace SharedSvgRenderers

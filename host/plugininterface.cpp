#include "plugininterface.h"

#include <QLayout>

PluginInterface::PluginInterface(QWidget *parent) : QWidget(parent) {}

PluginInterface::~PluginInterface() = default;

void PluginInterface::addInfo(const QString &key, const QVariant &value)
{
    m_info.insert(key, value);
}

void PluginInterface::setEnabled(bool enabled)
{
    // Disabling twice must not take away what the tool enabled again in between.
    if (!enabled && !m_toolEnabled)
        return;
    // Set first: disabling a control that a person is typing in commits the typing, and the tool
    // must already know itself disabled then.
    m_toolEnabled = enabled;
    if (enabled) {
        for (const QPointer<QWidget> &control : qAsConst(m_disabledControls)) {
            if (control)
                control->setEnabled(true);
        }
        m_disabledControls.clear();
    } else {
        disableControls(this);
    }
}

void PluginInterface::disableControls(QWidget *container)
{
    // Containers (widgets that lay out other widgets) stay enabled so that a child can be
    // enabled again on its own; their controls are disabled.
    const QList<QWidget *> children =
        container->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow())
            continue;
        if (child->layout()) {
            disableControls(child);
        } else if (!child->testAttribute(Qt::WA_Disabled)) {
            child->setEnabled(false);
            m_disabledControls.append(child);
        }
    }
}

void PluginInterface::importValue(const export_type_t *, QVariant, QObject *) {}

void PluginInterface::siblingIsVisible(const QString &, bool) {}

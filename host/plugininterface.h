#pragma once

#include "exporttype.h"
#include "host_global.h"

#include <QList>
#include <QPointer>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>

// The base of every widget that a plugin hands to the host. It carries the plugin's info entries
// and lets the host (or the plugin itself) enable and disable the whole tool.
//
// Disabling a tool disables its controls one by one rather than the tool widget itself, so that
// the tool can keep a few widgets readable (an actual position, a hint that says why the rest is
// disabled) by enabling them again afterwards. Enabling restores exactly the controls that
// disabling switched off.
class HOST_EXPORT PluginInterface : public QWidget
{
    Q_OBJECT
public:
    explicit PluginInterface(QWidget *parent = nullptr);
    ~PluginInterface() override;

    void addInfo(const QString &key, const QVariant &value);
    QVariantMap info() const { return m_info; }

    virtual QString version() const = 0;
    virtual void aboutToExit() = 0;
    virtual void setEnabled(bool enabled);
    virtual void importValue(const export_type_t *type, QVariant value, QObject *sender);
    virtual void siblingIsVisible(const QString &name, bool visible);

    // False between setEnabled(false) and setEnabled(true).
    bool toolEnabled() const { return m_toolEnabled; }

private:
    Q_DISABLE_COPY(PluginInterface)
    void disableControls(QWidget *container);

    QVariantMap m_info;
    bool m_toolEnabled = true;
    QList<QPointer<QWidget>> m_disabledControls;
};

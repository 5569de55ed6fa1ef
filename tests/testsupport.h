#pragma once

// What the tool tests share: tools made the way a host makes them, and their widgets found by
// object name.

#include "genericstepperpositionmode.h"
#include "simulatedmodule.h"

#include <QEvent>
#include <QRegularExpression>
#include <QStringList>

#include <memory>

namespace TestSupport {

using Tool = std::unique_ptr<ToolsInterface>;

// The factory instance accepts the motor's variant, then clones a tool for the motor.
inline Tool makeTool(SimulatedModule &module, int variant, unsigned char motor = 0)
{
    GenericStepperPositionMode factory;
    factory.isUsableForVariant(variant);
    return Tool(factory.clone(QStringLiteral("tool"), motor, &module));
}

// The named descendant; a missing widget ends the test run with its name.
template <typename T> T *child(const QObject *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return w;
}

template <typename T> T *child(const Tool &tool, const char *name)
{
    return child<T>(tool.get(), name);
}

// The journal's writes only, oldest first.
inline QStringList writes(const SimulatedModule &module)
{
    return module.journal().filter(QRegularExpression(QStringLiteral("^write ")));
}

// Counts the events of one type that an object receives.
class EventCounter final : public QObject
{
public:
    EventCounter(QObject *watched, QEvent::Type type) : m_type(type)
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }
    int count = 0;

private:
    const QEvent::Type m_type;
};

} // namespace TestSupport

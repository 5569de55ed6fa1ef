#pragma once

// What the tool tests share: tools made the way a host makes them, and their widgets found by
// object name.

#include "axilparameter.h"
#include "genericstepperpositionmode.h"
#include "simulatedmodule.h"
#include "spinbox.h"

#include <QEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

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

// A tool of a module that runs the variant, shown to the host (and on screen, if asked).
inline Tool shownTool(SimulatedModule &module, int variant, bool onScreen = false)
{
    module.setPluginVariant(0, variant);
    Tool tool = makeTool(module, variant);
    if (onScreen)
        tool->show();
    tool->showPlugin();
    return tool;
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

// The property that holds the value of a spin box or a combo box.
inline const char *valueName(const QWidget *w)
{
    return w->inherits("QComboBox") ? "currentIndex" : "value";
}
inline int valueOf(const QWidget *w)
{
    return w->property(valueName(w)).toInt();
}

// The journal's writes only, oldest first.
inline QStringList writes(const SimulatedModule &module)
{
    return module.journal().filter(QRegularExpression(QStringLiteral("^write ")));
}

// Later clicks on the button hide and show the same input-helper window; closing the window
// leaves the button checked or not, as the panel wants.
inline void checkHelperWindowToggles(QPushButton *button, QWidget *window, bool checkedAfterClose)
{
    for (bool shown : {false, true}) {
        button->click();
        QCOMPARE(window->isVisible(), shown);
    }
    window->close();
    QCOMPARE(button->isChecked(), checkedAfterClose);
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

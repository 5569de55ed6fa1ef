// Every tool under thousands of host and person events in random order. The run is seeded and
// reproducible: LIFECYCLE_SEED picks one seed (default: a fixed set), LIFECYCLE_EVENTS the number
// of events per variant and seed. After every event the invariants of violation() must hold.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <numeric>

using namespace ParameterType;
using TestSupport::child;

#ifdef __SANITIZE_ADDRESS__
constexpr int defaultEvents = 300; // every event is some fifty times slower under the sanitizers
#else
constexpr int defaultEvents = 2000;
#endif

class TestLifecycle final : public QObject
{
    Q_OBJECT

    int variant = 0;
    QRandomGenerator rng;
    std::unique_ptr<SimulatedModule> module;
    TestSupport::Tool tool;
    bool everShown = false, shown = false, polledWhileShown = false;
    int journalChecked = 0;
    QSet<QString> writable;

    // At a limit, just beyond one, inside the range, or any 32-bit value.
    qint64 pick(qint64 lo, qint64 hi)
    {
        const qint64 inside = lo + qint64(rng.generateDouble() * double(hi - lo));
        const qint64 choices[] = {lo, hi, lo - 1, hi + 1, inside, qint32(rng.generate())};
        return choices[rng.bounded(6)];
    }
    template <typename T> T *any(const QList<T *> &list)
    {
        return list.isEmpty() ? nullptr : list.at(rng.bounded(list.size()));
    }
    void newTool();
    QString step();
    QString violation();

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void randomEvents_data()
    {
        QTest::addColumn<int>("variant");
        for (int v = 69; v <= 74; ++v)
            QTest::addRow("%d", v) << v;
    }

    void randomEvents()
    {
        QFETCH(int, variant);
        this->variant = variant;
        bool ok = false;
        const quint32 chosen = qEnvironmentVariable("LIFECYCLE_SEED").toUInt(&ok);
        const int events = qEnvironmentVariableIsSet("LIFECYCLE_EVENTS")
                               ? qEnvironmentVariableIntValue("LIFECYCLE_EVENTS")
                               : defaultEvents;
        for (const quint32 seed :
             ok ? QList<quint32>{chosen} : QList<quint32>{20240611, 1, 77, 4242}) {
            rng.seed(seed);
            tool.reset();
            module = std::make_unique<SimulatedModule>();
            module->setPluginVariant(0, variant);
            journalChecked = 0;
            newTool();
            for (int n = 0; n < events; ++n) {
                const QString what = step(), broken = violation();
                QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("seed %1, event %2 (%3): %4")
                                                          .arg(QString::number(seed),
                                                               QString::number(n), what, broken)));
            }
        }
        tool.reset();
    }
};

void TestLifecycle::newTool()
{
    tool.reset(); // as the host does: the old tool goes before the new one is asked for
    tool = TestSupport::makeTool(*module, variant);
    everShown = shown = polledWhileShown = false;
    // What the tool may write: those the position controls write by rule, the parameters of its
    // fields (bound by the host or, in the Larch panel, its own), and the Rowan tool's fields.
    writable = {cmd_TargetPosition, cmd_ActualPosition, cmd_EncoderPosition, cmd_ClearOnNull};
    for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>())
        writable.insert(field->parameter()->parameterName());
    if (variant == 74)
        writable += {cmd_MaxVelocity, cmd_MaxAcceleration, cmd_StartStopVelocity,
                     cmd_RelativePositioningOption};
}

QString TestLifecycle::step()
{
    // show, hide, button, edit, module change, time, input helper, new tool, event loop
    const int weights[] = {4, 3, 12, 16, 12, 8, variant == 69 || variant == 72 ? 3 : 0, 1, 3};
    int event = 0;
    for (int r = rng.bounded(std::accumulate(std::begin(weights), std::end(weights), 0));
         r >= weights[event]; ++event)
        r -= weights[event];
    switch (event) {
    case 0:
        tool->show();
        tool->showPlugin();
        everShown = shown = true;
        polledWhileShown = false;
        return QStringLiteral("show");
    case 1:
        tool->hidePlugin();
        tool->hide();
        shown = polledWhileShown = false;
        return QStringLiteral("hide");
    case 2: {
        QAbstractButton *button = any(tool->findChildren<QAbstractButton *>());
        // The buttons of a tool that was never shown cannot be pressed; what must stay silent
        // before the first show is the loading of its fields, which the edits exercise.
        if (variant != 74 || everShown || !button->objectName().startsWith("btnClear"))
            button->click();
        return QLatin1String("click ") + button->objectName();
    }
    case 3: {
        QList<QWidget *> editors;
        for (QWidget *w : tool->findChildren<QWidget *>())
            if (w->inherits("QAbstractSpinBox") || w->inherits("QComboBox"))
                editors.append(w);
        QWidget *w = any(editors);
        auto *combo = qobject_cast<QComboBox *>(w);
        const qint64 v =
            combo ? pick(0, combo->count() - 1)
                  : pick(w->property("minimum").toLongLong(), w->property("maximum").toLongLong());
        w->setProperty(combo ? "currentIndex" : "value", int(qBound<qint64>(INT_MIN, v, INT_MAX)));
        return QLatin1String("edit ") + w->objectName();
    }
    case 4: {
        const QString key = AxisController::keys().at(rng.bounded(AxisController::keys().size()));
        const Model::AxilParameter *p = module->parameter(0, key);
        const qint64 extremes[] = {LLONG_MIN, LLONG_MAX, (1LL << 32) + 1, -(1LL << 33)};
        const qint64 v =
            rng.bounded(3) ? pick(p->minimum(), p->maximum()) : extremes[rng.bounded(4)];
        module->setModuleValue(0, key, v);
        module->pollTraces();
        polledWhileShown = shown;
        return QStringLiteral("module %1 = %2").arg(key).arg(v);
    }
    case 5: {
        const int ms = rng.bounded(1, 300);
        module->advance(ms);
        polledWhileShown = shown;
        return QStringLiteral("advance %1").arg(ms);
    }
    case 6:
        if (auto *helper = tool->findChild<InputHelper *>(); helper && rng.bounded(2))
            helper->close();
        else
            tool->findChild<QAbstractButton *>(QStringLiteral("btnInputHelper"))->click();
        return QStringLiteral("input helper");
    case 7:
        newTool();
        return QStringLiteral("new tool");
    default:
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return QStringLiteral("event loop");
    }
}

QString TestLifecycle::violation()
{
    const QStringList journal = module->journal();
    for (; journalChecked < journal.size(); ++journalChecked) {
        const QStringList words = journal.at(journalChecked).split(' ');
        const int write = words.indexOf(QStringLiteral("write")); // refused ones too
        if (write >= 0 &&
            ((variant == 74 && !everShown) || !writable.contains(words.at(write + 2))))
            return QLatin1String("wrote before its first show or unbound: ") + words.join(' ');
    }
    if (auto *bar = tool->findChild<QProgressBar *>();
        bar && (bar->value() < 0 || bar->value() > 100))
        return QStringLiteral("progress %1").arg(bar->value());

    // Fields show their parameter's last known value as far as their range allows; a two-choice
    // field shows no choice for a value that is none of its choices.
    for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>()) {
        const qint64 known = field->parameter()->lastKnownValue();
        const int expected = field->displayType() == DisplayType::TwoChoice
                                 ? (known >= 0 && known <= field->maximum() ? int(known) : -1)
                                 : int(qBound<qint64>(field->minimum(), known, field->maximum()));
        if (field->value() != expected)
            return field->objectName() + QStringLiteral(" shows %1, its parameter holds %2")
                                             .arg(field->value())
                                             .arg(known);
    }

    // The collapse button hides the family's panel (the Rowan tool's ramp group).
    const QWidget *panel =
        variant == 74 ? tool->findChild<QWidget *>("grpRamp")
                      : tool->findChildren<QWidget *>(QRegularExpression("^StepperPos")).value(0);
    if (panel->isVisibleTo(tool.get()) ==
        child<QAbstractButton>(tool, "btnHideController")->isChecked())
        return QStringLiteral("the panel does not follow the collapse button");

    // Once a shown tool has been through a polling round (which follows every change the module
    // makes here) it shows the module's present state, whatever it saw before; until then a shown
    // Rowan tool may still show what it had, since its show reads no position.
    if (!polledWhileShown)
        return QString();
    const QString position = QString::number(qint32(module->moduleValue(0, cmd_ActualPosition)));
    const QString shownPosition =
        tool->findChild<QLabel *>(variant == 74 ? "dispActPos" : "dispActualPosition")->text();
    if (shownPosition != position)
        return QStringLiteral("shows position %1, not %2").arg(shownPosition, position);
    const qint64 velocity = module->moduleValue(0, cmd_ActualVelocity);
    if (variant == 70 &&
        tool->findChild<XmlParameterWidget *>("editPulseDivisor")->widget()->isEnabled() !=
            (velocity == 0))
        return QStringLiteral("divisors enabled wrongly at velocity %1").arg(velocity);
    if (variant == 74) {
        const auto hints = tool->findChild<QGroupBox *>("gbHints")->findChildren<QLabel *>();
        const qint64 standby = module->moduleValue(0, cmd_ChipStandby);
        const qint64 stepDir = module->moduleValue(0, cmd_ExternalStepDir);
        // The tool narrows the states to int, as it does the position.
        if (hints.at(0)->isHidden() == (qint32(standby) != 0) ||
            hints.at(1)->isHidden() == (qint32(stepDir) == 1))
            return QStringLiteral("hints wrong for standby %1, step/direction %2")
                .arg(standby)
                .arg(stepDir);
    }
    return QString();
}

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"

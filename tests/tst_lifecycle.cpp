// Every tool under thousands of host and person events in random order. The run is seeded and
// reproducible: LIFECYCLE_SEED picks one seed (default: a fixed set), LIFECYCLE_EVENTS the number
// of events per variant and seed. After every event the invariants of violation() must hold.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "helpertargetarea.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <numeric>

using namespace ParameterType;

#ifdef __SANITIZE_ADDRESS__
constexpr int defaultEvents = 300; // every event is some fifty times slower under the sanitizers
#else
constexpr int defaultEvents = 2000;
#endif

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void randomEvents_data();
    void randomEvents();

private:
    void newTool();
    QString step();
    QString violation();
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

    int variant = 0;
    QRandomGenerator rng;
    std::unique_ptr<SimulatedModule> module;
    TestSupport::Tool tool;
    bool everShown = false, shown = false, polledWhileShown = false;
    int journalChecked = 0;
    QSet<QString> writable;
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
    // show, hide, button, edit, module change, time, input helper, new tool, event loop, diagram
    const int weights[] = {
        4, 3, 12, 16, 12, 8, variant == 69 || variant == 72 ? 3 : 0, 1, 3, variant == 73 ? 5 : 0};
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
            if (qobject_cast<XmlParameterWidget *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
                qobject_cast<QComboBox *>(w))
                editors.append(w);
        QWidget *w = any(editors);
        auto *field = qobject_cast<XmlParameterWidget *>(w);
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->setCurrentIndex(int(rng.bounded(combo->count() + 2)) - 1);
        } else {
            const qint64 lo = field ? field->minimum() : w->property("minimum").toLongLong();
            const qint64 hi = field ? field->maximum() : w->property("maximum").toLongLong();
            const int v = int(qBound<qint64>(INT_MIN, pick(lo, hi), INT_MAX));
            if (!field)
                w->setProperty("value", v);
            else if (rng.bounded(2))
                field->setValue(v);
            else
                field->setAndUpdateValue(v);
        }
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
    case 8:
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return QStringLiteral("event loop");
    }
    // The Larch diagram: the wheel on a target area, or a double-click that opens its editor.
    QGraphicsScene *scene = tool->findChild<QGraphicsView *>()->scene();
    QList<HelperTargetArea *> areas;
    for (QGraphicsItem *item : scene->items())
        if (auto *area = qobject_cast<HelperTargetArea *>(item->toGraphicsObject()))
            areas.append(area);
    if (HelperTargetArea *area = any(areas); area && rng.bounded(3)) {
        QGraphicsSceneWheelEvent wheel(QEvent::GraphicsSceneWheel);
        wheel.setOrientation(Qt::Vertical);
        wheel.setDelta(rng.bounded(2) ? 120 : -120);
        scene->sendEvent(area, &wheel);
    } else if (area) {
        QGraphicsSceneMouseEvent doubleClick(QEvent::GraphicsSceneMouseDoubleClick);
        doubleClick.setButton(Qt::LeftButton);
        scene->sendEvent(area, &doubleClick);
    }
    return QStringLiteral("diagram");
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
            return QStringLiteral("%1 shows %2, its parameter holds %3")
                .arg(field->parameter()->parameterName(), QString::number(field->value()),
                     QString::number(known));
    }

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
        if (hints.at(0)->isHidden() == (standby != 0) || hints.at(1)->isHidden() == (stepDir == 1))
            return QStringLiteral("hints wrong for standby %1, step/direction %2")
                .arg(QString::number(standby), QString::number(stepDir));
    }
    return QString();
}

void TestLifecycle::randomEvents_data()
{
    QTest::addColumn<int>("variant");
    for (int v = 69; v <= 74; ++v)
        QTest::addRow("%d", v) << v;
}

void TestLifecycle::randomEvents()
{
    QFETCH(int, variant);
    this->variant = variant;
    bool ok = false;
    const quint32 chosen = qEnvironmentVariable("LIFECYCLE_SEED").toUInt(&ok);
    const int events = qEnvironmentVariableIsSet("LIFECYCLE_EVENTS")
                           ? qEnvironmentVariableIntValue("LIFECYCLE_EVENTS")
                           : defaultEvents;
    for (const quint32 seed : ok ? QList<quint32>{chosen} : QList<quint32>{20240611, 1, 77, 4242}) {
        rng.seed(seed);
        tool.reset();
        module = std::make_unique<SimulatedModule>();
        module->setPluginVariant(0, variant);
        journalChecked = 0;
        newTool();
        for (int n = 0; n < events; ++n) {
            const QString what = step();
            const QString broken = violation();
            QVERIFY2(broken.isEmpty(),
                     qPrintable(QStringLiteral("seed %1, event %2 (%3): %4")
                                    .arg(QString::number(seed), QString::number(n), what, broken)));
        }
    }
    tool.reset();
}

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"

// A seeded monkey: what a person, the host and the module do to the tool of every variant, at
// random, with the invariants of check() after every step. MONKEY_SEED picks a seed, MONKEY_STEPS
// the steps per seed; a failure names the variant, the seed, the step and the steps before it.

#include "axiscontroller.h"
#include "basictools.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

using namespace ParameterType;
using BasicTools::clampToInt;
using TestSupport::child;

namespace {
#ifdef __SANITIZE_ADDRESS__
constexpr int defaultSteps = 200; // a step is some forty times slower under the sanitizers
#else
constexpr int defaultSteps = 1000;
#endif

template <typename... Args> QString say(const char *text, const Args &...args)
{
    QString result = QString::fromUtf8(text);
    ((result = result.arg(args)), ...);
    return result;
}
} // namespace

class TestMonkey final : public QObject
{
    Q_OBJECT

    int variant = 0;
    QRandomGenerator rng;
    std::unique_ptr<QWidget> host; // the host's window: the tool is one of its pages
    std::unique_ptr<SimulatedModule> module;
    TestSupport::Tool tool;
    QHash<QWidget *, QString> keyOf; // editors and proxies: the parameter each one writes
    struct
    {
        QPointer<QAbstractSpinBox> box;
        QString key;
        qint64 value = 0, before = 0; // the number typed (if valid) and the one shown before
        bool valid = false, entered = false;
    } typed;                            // the field that a person typed in and has not left
    bool shown = false, polled = false; // polled: shown, and a polling round since
    QStringList want, turns;      // the journal lines that this step must add, each list in order
    QStringList maybe;            // and those that it may add
    QHash<QString, qint64> known; // the host's values, as this step began
    // The move that the tool follows, from the start and target it read back after a button;
    // bar: the percentage that the progress bar must show.
    struct
    {
        bool active = false;
        qint32 start = 0, target = 0;
        int bar = 100;
    } shuttle;
    bool clicking = false; // the tool's own reads and writes of the position

    static QString write(const QString &key, qint64 v) { return say("write 0 %1 %2", key, v); }
    qint64 prop(const QObject *o, const char *p) const { return qRound64(o->property(p).toReal()); }
    QWidget *any(const QList<QWidget *> &l) { return l.value(rng.bounded(qMax(1, l.size()))); }
    qint64 pick(qint64 lo, qint64 hi, bool beyond) // within the limits, or beyond them
    {
        const qint64 inside = lo + qint64(rng.generateDouble() * double(hi - lo));
        const qint64 near = qMin(hi, lo + rng.bounded(16)), wild = qint32(rng.generate());
        const qint64 top = qBound(lo, qint64(INT_MAX) - rng.bounded(2), hi);
        const qint64 values[] = {lo,        hi,     inside, near,      top,      wild,
                                 1LL << 32, hi + 1, lo - 1, LLONG_MAX, LLONG_MIN};
        return values[rng.bounded(beyond ? 11 : 5)];
    }
    // The tool's visible, enabled widgets of the given kinds (a ramp picture's proxies too).
    template <typename... T> QList<QWidget *> usable()
    {
        QList<QWidget *> result;
        for (QWidget *w : tool->findChildren<QWidget *>())
            if (w->isVisible() && w->isEnabled() && (qobject_cast<T *>(w) || ...))
                result << w;
        return result;
    }
    qint64 value(const char *key) const { return module->moduleValue(0, key); }
    qint64 hostValue(const char *key) const { return module->parameter(0, key)->lastKnownValue(); }
    // A value as a field shows it: within the parameter's limits, as an int.
    qint64 inRange(const char *key, qint64 v) const
    {
        const Model::AxilParameter *p = module->parameter(0, key);
        return clampToInt(qBound(p->minimum(), v, p->maximum()));
    }
    QString shownPosition() const
    {
        return child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")->text();
    }

    int percent(qint32 position) const
    {
        const qint64 span = qint64(shuttle.target) - shuttle.start;
        return shuttle.active && span != 0
                   ? int(qMin<qint64>(100,
                                      std::llabs((position - qint64(shuttle.start)) * 100 / span)))
                   : 100;
    }
    // Each position that the host reports is shown; the target reached ends the move or, with
    // "Alternating movement" on, sends the motor back to where it started.
    void reported(qint64 position)
    {
        shuttle.bar = percent(qint32(position));
        if (qint32(position) != shuttle.target)
            return;
        shuttle.active = shuttle.active && child<QCheckBox>(tool, "cbAlternating")->isChecked();
        if (shuttle.active) {
            turns << write(cmd_TargetPosition, shuttle.start);
            std::swap(shuttle.start, shuttle.target);
        }
    }

    // What locks a field while a person types in it: a Rowan hint, or a Birch motor that
    // another tool starts.
    QString lock()
    {
        if (variant == 74)
            return poll(rng.bounded(2) ? cmd_ChipStandby : cmd_ExternalStepDir, rng.bounded(1, 3));
        if (variant != 70)
            return changeModule();
        const int to = rng.bounded(-50000, 50000);
        want << say("move 0 %1", to);
        module->moveToPosition(0, to);
        return poll({}, 0, 100) + say(", another tool's move to %1", to);
    }

    QString newTool()
    {
        tool.reset(); // as the host does: the old tool goes before the new one is asked for
        tool = TestSupport::makeTool(*module, variant);
        tool->setParent(host.get());
        shown = polled = false;
        shuttle = {};
        keyOf.clear();
        for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>())
            if (field->parameter() && field->widget())
                keyOf.insert(field->widget(), field->parameter()->parameterName());
        if (variant == 74)
            for (const auto &[name, key] : {std::pair{"editMaxPosVel", cmd_MaxVelocity},
                                            {"editAcceleration", cmd_MaxAcceleration},
                                            {"editVStartStop", cmd_StartStopVelocity},
                                            {"cbRelativeTo", cmd_RelativePositioningOption}})
                keyOf.insert(child<QWidget>(tool, name), key);
        return "new tool"; // what was typed in the old one is not written
    }

    void focusOn(QWidget *widget)
    {
        QApplication::setActiveWindow(widget->window());
        widget->setFocus(Qt::MouseFocusReason);
        settleTyped();
    }

    // A field typed in and left (Enter, the focus elsewhere, the tool hidden) is committed: one
    // write of the typed number if it differs from what the field showed or, in a host field (a
    // proxy too), from the module's value as the host knows it. A field locked meanwhile, a
    // closed ramp picture or a deleted tool drops what was typed.
    void settleTyped()
    {
        QAbstractSpinBox *box = typed.box;
        auto *hostField = qobject_cast<SpinBox *>(box);
        // A Rowan ramp field waits for Enter or the focus leaving before it takes a module value.
        const bool waits = variant == 74 && keyOf.contains(box) && !typed.entered;
        if (box && (hostField ? hostField->isEditing()
                              : box->hasFocus() &&
                                    (!typed.valid || prop(box, "value") != typed.value || waits)))
            return;
        const bool dropped = !box || !box->isEnabled() || !box->window()->isVisible();
        if (!dropped && typed.valid && !typed.key.isEmpty() &&
            (typed.value != typed.before || (hostField && typed.value != known.value(typed.key)))) {
            // A number that the module came to hold meanwhile need not be written again.
            (hostField && typed.value == known.value(typed.key) ? maybe : want)
                << write(typed.key, typed.value);
            known[typed.key] = typed.value; // for a proxy of the same field, later in the step
        }
        typed = {};
    }

    QString typeInto()
    {
        auto *box = static_cast<QAbstractSpinBox *>(any(usable<QAbstractSpinBox>()));
        if (!box)
            return "nothing to type into";
        focusOn(box);
        const qint64 lo = prop(box, "minimum"), hi = prop(box, "maximum");
        qint64 n = rng.bounded(4) ? pick(lo, hi, rng.bounded(3) == 0) : prop(box, "value");
        if (box->objectName() == "editTargetPosition" && rng.bounded(2)) // an arrival soon
            n = qBound<qint64>(
                lo, qint64(qint32(value(cmd_ActualPosition))) + rng.bounded(-3000, 3000), hi);
        const QString text = rng.bounded(8) ? QString::number(n) : QStringLiteral("-");
        const bool all = rng.bounded(4), enter = rng.bounded(3) == 0;
        QTest::keyClick(box, all ? Qt::Key_A : Qt::Key_Backspace,
                        all ? Qt::ControlModifier : Qt::NoModifier);
        typed = {box, keyOf.value(box), 0, prop(box, "value"), false, enter};
        QTest::keyClicks(box, text);
        // What the field reads now; keys that changed nothing leave a host field nothing to commit.
        bool ok = false;
        typed.value = box->locale().toLongLong(box->property("cleanText").toString(), &ok);
        auto *hostField = qobject_cast<SpinBox *>(box);
        typed.valid =
            ok && typed.value >= lo && typed.value <= hi && (!hostField || hostField->isEditing());
        if (enter)
            QTest::keyClick(box, Qt::Key_Return);
        return say("type \"%1\" into %2%3%4", text, box->window() != host.get() ? "picture " : "",
                   keyOf.value(box, box->objectName()), enter ? ", Enter" : "");
    }

    QString click(QAbstractButton *button = nullptr)
    {
        button = button ? button : static_cast<QAbstractButton *>(any(usable<QAbstractButton>()));
        if (!button)
            return "no button to click";
        const QString name = button->objectName();
        if (button->focusPolicy() & Qt::ClickFocus)
            focusOn(button);
        const bool move = name == "btnAbsolute" || name == "btnRelative";
        const bool stop = name == "btnStop" || name == "btnClear";
        if (move)
            want << say("%1 0 %2", name == "btnAbsolute" ? "move" : "moveRel",
                        child<QSpinBox>(tool, "editTargetPosition")->value());
        if (stop)
            want << "stop 0";
        if (name.startsWith("btnClear"))
            want << write(cmd_TargetPosition, 0)
                 << (stop ? write(cmd_ActualPosition, 0) : write(cmd_ClearOnNull, 1));
        if (name == "btnClear" && variant != 74) // Rowan clears no encoder
            want << write(cmd_EncoderPosition, 0);
        clicking = true;
        button->click();
        clicking = false;
        if ((move || stop) && variant != 74) {
            shuttle.active = move || (shuttle.active && name == "btnClear");
            shuttle.start = qint32(value(cmd_ActualPosition));
            shuttle.target = qint32(value(cmd_TargetPosition));
            shuttle.bar = percent(shuttle.start);
        }
        return "click " + name;
    }

    // An arrow key in a number field or a choice: one write of a new value.
    QString stepField()
    {
        QWidget *editor = any(usable<QAbstractSpinBox, QComboBox>());
        if (!editor)
            return "no field to step";
        if (editor == typed.box) {
            QTest::keyClick(editor, Qt::Key_Return);
            typed.entered = true;
        }
        focusOn(editor);
        const int up = rng.bounded(2) ? 1 : -1;
        auto *combo = qobject_cast<QComboBox *>(editor);
        const qint64 v = combo ? combo->currentIndex() : prop(editor, "value");
        qint64 n = combo ? qBound<qint64>(qMin<qint64>(v, 0), v + up, combo->count() - 1) : v;
        if (auto *box = qobject_cast<QAbstractSpinBox *>(editor)) { // a silent trial step
            const QSignalBlocker silent(box); // fields step by the value's second digit, mostly
            box->stepBy(up);
            n = prop(box, "value");
            box->setProperty("value", v);
        }
        if (n != v && keyOf.contains(editor))
            want << write(keyOf.value(editor), n);
        QTest::keyClick(editor, (up > 0) == !combo ? Qt::Key_Up : Qt::Key_Down);
        return say("arrow %1 in %2", up, keyOf.value(editor, editor->objectName()));
    }

    // The module's own change, or simulated time, and the polling round that follows.
    QString poll(const QString &key, qint64 change, int milliseconds = 0)
    {
        // A change may come just before a click, the next polling round still to come.
        const bool read = milliseconds > 0 || rng.bounded(5);
        if (milliseconds == 0)
            module->setModuleValue(0, key, change);
        milliseconds ? module->advance(milliseconds) : read ? module->pollTraces() : void();
        polled = polled || (shown && read);
        return milliseconds ? say("advance %1", milliseconds)
                            : say("module %1 = %2%3", key, change, read ? "" : ", unread");
    }

    QString changeModule()
    {
        const QStringList keys = AxisController::keys();
        // Often the value that a person is typing, read by the host (for another view, say).
        const bool read = !typed.key.isEmpty() && rng.bounded(2);
        const QString key = read ? typed.key : keys.at(rng.bounded(keys.size()));
        Model::AxilParameter *p = module->parameter(0, key);
        const qint64 v = pick(p->minimum(), p->maximum(), rng.bounded(3) == 0);
        // The position even beyond 32 bits, to 2^50 (as far as a simulated motor counts steps);
        // ramp values at or above their minimum (a module brakes with what it has).
        if (key == cmd_ActualPosition || (!read && rng.bounded(4) == 0))
            return poll(cmd_ActualPosition, qBound(-(1LL << 50), v, 1LL << 50));
        const QString what = poll(key, keys.indexOf(key) >= 5 ? qMax(v, p->minimum()) : v);
        if (read)
            p->readValue(false);
        return what + (read ? ", read" : "");
    }

    // The ramp picture of the Hazel and Maple panels, closed by its window or by the button.
    QString ramp()
    {
        auto *helper = tool->findChild<InputHelper *>();
        if (helper && helper->isVisible() && rng.bounded(2)) {
            helper->close();
            return "close the ramp picture";
        }
        child<QAbstractButton>(tool, "btnInputHelper")->click(); // it may take the focus
        QTest::qWait(helper ? 0 : 30); // a new window sets itself up with timers
        for (SpinBox *proxy : tool->findChild<InputHelper *>()->findChildren<SpinBox *>())
            keyOf[proxy] = keyOf.value(
                child<XmlParameterWidget>(tool, qPrintable(proxy->objectName()))->widget());
        return "ramp picture button";
    }

    QString showOrHide(bool now = false)
    {
        if (shown && !now && rng.bounded(4))
            return "(shown)";
        shown ? tool->hidePlugin() : tool->show(); // hiding is a tab switch: the focus leaves
        shown ? tool->hide() : tool->showPlugin(); // showing reads, like a polling round
        if (!shown && variant != 74)               // and the tool looks at the position it knows
            reported(hostValue(cmd_ActualPosition));
        shown = !shown;
        polled = false;
        return shown ? "show" : "hide";
    }

    // A move that the motor ends while the tool is hidden; then the tool is shown, or Stop is
    // pressed while it is still hidden.
    QString arrive()
    {
        if (variant == 74)
            return "events";
        QString what = shown && rng.bounded(2)
                           ? click(child<QAbstractButton>(tool, "btnAbsolute")) + ", "
                           : QString();
        what += shown ? showOrHide(true) + ", run to rest, " : QString("run to rest, ");
        for (int ms = 0; ms < 20000 && module->motion(0).isMoving(); ms += 100)
            poll({}, 0, 100);
        return what +
               (rng.bounded(2) ? click(child<QAbstractButton>(tool, "btnStop")) : showOrHide(true));
    }

    QString step()
    {
        module->clearJournal();
        want.clear();
        turns.clear();
        maybe.clear();
        for (const QString &key : AxisController::keys())
            known[key] = module->parameter(0, key)->lastKnownValue();
        const int r = rng.bounded(variant == 69 || variant == 72 ? 77 : 73);
        // A Birch motor locks only the divisors: a move comes more often while one is typed in.
        const int locking = typed.key.endsWith("Divisor") ? 2 : 4;
        const QString what = typed.box && rng.bounded(locking) == 0 ? lock()
                             : r < 8                                ? showOrHide()
                             : r < 22                               ? click()
                             : r < 36                               ? typeInto()
                             : r < 44                               ? stepField()
                             : r < 54                               ? changeModule()
                             : r < 57 ? poll(rng.bounded(2) ? cmd_ChipStandby : cmd_ExternalStepDir,
                                             QList<qint64>{0, 0, 1, 2, 1LL << 32}[rng.bounded(5)])
                             : r < 67 ? poll({}, 0, rng.bounded(1, 300))
                             : r < 68 ? poll({}, 0, rng.bounded(2000, 8000))
                             : r < 69 ? arrive()
                             : r < 70 ? newTool()
                             : r < 73 ? (QTest::qWait(0), QString("events")) // and deferred deletes
                                      : ramp();
        settleTyped();
        return what;
    }

    QString check()
    {
        // Every journal line: a person's command or commit, in the order made; after a polling
        // round or a show, a turn of the alternating movement; or a Larch rule.
        for (const QString &entry : module->journal()) {
            const QString line = entry.startsWith("refused ") ? entry.mid(8) : entry;
            const QStringList words = line.split(' ');
            const QString key = words.value(2);
            // The Larch panel mends the stop velocity and the trapezoidal bands: its own test
            // holds it to the values; here they may come, and are what the fields show later.
            const bool rule =
                variant == 73 && words.first() == "write" &&
                (key == cmd_StopVelocity || QRegularExpression("[VAD][12]$").match(key).hasMatch());
            if (!want.isEmpty() && want.first() == line)
                want.removeFirst();
            else if (!turns.isEmpty() && turns.first() == line)
                turns.removeFirst();
            else if (maybe.removeOne(line))
                continue;
            else if (want.contains(line) || !rule)
                return say("unexpected: %1, while missing: %2", entry, want.join(", "));
            if (words.first() == "write" && line == entry)
                known[key] = words.value(3).toLongLong();
        }
        if (!want.isEmpty() || !turns.isEmpty())
            return "missing: " + (want + turns).join(", ");
        if (variant != 74 && shown &&
            child<QProgressBar>(tool, "progressBar")->value() != shuttle.bar)
            return say("the bar shows %1%, not %2%",
                       child<QProgressBar>(tool, "progressBar")->value(), shuttle.bar);

        // A shown tool, after a polling round, shows the module's state: the position, and in each
        // field the host's value within the module's limits (the Larch stop velocity's minimum
        // may be raised; the target is the person's). Birch divisors are locked while moving.
        const qint64 known = hostValue(cmd_ActualPosition);
        if (polled && shownPosition() != QString::number(qint32(known)))
            return say("shows position %1, not %2", shownPosition(), known);
        QHash<QWidget *, QString> fields = keyOf;
        if (variant != 74)
            fields.insert(child<QSpinBox>(tool, "editTargetPosition"), cmd_TargetPosition);
        for (auto it = fields.cbegin(); polled && it != fields.cend(); ++it) {
            QWidget *w = it.key();
            const QString &key = it.value();
            const Model::AxilParameter *p = module->parameter(0, key);
            if (w == typed.box ||
                (w->window() == host.get() ? w->isHidden() : !w->isVisible() || key == typed.key) ||
                !p->exists())
                continue;
            const qint64 v = p->lastKnownValue(), hi = clampToInt(p->maximum());
            const qint64 lo = clampToInt(p->minimum()), min = prop(w, "minimum");
            const bool raised = variant == 73 && key == cmd_StopVelocity && min > lo;
            const bool divisor = variant == 70 && key.endsWith("Divisor");
            auto *combo = qobject_cast<QComboBox *>(w);
            if (combo ? combo->currentIndex() != (v >= 0 && v < combo->count() ? v : -1)
                      : prop(w, "maximum") != hi || (min != lo && !raised) ||
                            (key != cmd_TargetPosition && prop(w, "value") != qBound(min, v, hi)) ||
                            (divisor && w->isEnabled() != (hostValue(cmd_ActualVelocity) == 0)))
                return say("%1 shows %2 in %3..%4 (enabled: %5); the host knows %6 in %7..%8", key,
                           combo ? combo->currentIndex() : prop(w, "value"), min,
                           prop(w, "maximum"), w->isEnabled(), v, lo, hi);
        }
        // Larch: a start velocity above 10 keeps the stop velocity above it (or at the top of
        // its range), once neither is being typed.
        const qint64 start = inRange(cmd_StartVelocity, hostValue(cmd_StartVelocity));
        const qint64 stop = inRange(cmd_StopVelocity, hostValue(cmd_StopVelocity));
        const qint64 top = clampToInt(module->parameter(0, cmd_StopVelocity)->maximum());
        if (variant == 73 && shown && !typed.key.contains("StartVel") &&
            !typed.key.contains("StopVel") && start > 10 && stop < qMin(start + 1, top))
            return say("the Larch stop velocity %1 is not above the start velocity %2", stop,
                       start);
        if (variant != 74 || !polled)
            return QString();
        // Rowan: each hint follows its state, read as an int; the tool follows the state that
        // changed last, and a blocked tool has all its controls disabled.
        const int standby = qint32(hostValue(cmd_ChipStandby)),
                  stepDir = qint32(hostValue(cmd_ExternalStepDir));
        auto *hints = child<QGroupBox>(tool, "gbHints");
        const auto labels = hints->findChildren<QLabel *>();
        const bool enabled = tool->toolEnabled();
        if (labels.at(0)->isHidden() == (standby != 0) ||
            labels.at(1)->isHidden() == (stepDir == 1) ||
            hints->isHidden() == (standby != 0 || stepDir == 1) ||
            ((standby == 0) == (stepDir == 0) && enabled != (standby == 0)) ||
            (!enabled && !usable<QAbstractButton, QAbstractSpinBox, QComboBox>().isEmpty()))
            return say("hints or tool (enabled: %1) wrong at standby %2, step/direction %3",
                       enabled, standby, stepDir);
        return QString();
    }

private slots:
    void initTestCase()
    {
        host = std::make_unique<QWidget>();
        new QLineEdit(host.get()); // the host's own controls, which take the focus from a page
        host->show();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
    }
    void init() { QLocale::setDefault(QLocale::c()); }

    void monkey_data()
    {
        QTest::addColumn<int>("variant");
        for (int v = 69; v <= 74; ++v)
            QTest::addRow("%d", v) << v;
    }

    void monkey()
    {
        QFETCH(int, variant);
        this->variant = variant;
        bool one = false, set = false;
        const quint32 chosen = qEnvironmentVariable("MONKEY_SEED").toUInt(&one);
        const int steps = qEnvironmentVariableIntValue("MONKEY_STEPS", &set);
        for (const quint32 seed : one ? QList<quint32>{chosen} : QList<quint32>{1, 2, 3}) {
            rng.seed(seed);
            tool.reset();
            QTest::qWait(0); // a seed starts from the host's window, with no events left to run
            focusOn(host->findChild<QLineEdit *>());
            module = std::make_unique<SimulatedModule>();
            module->setPluginVariant(0, variant);
            if (rng.bounded(3) == 0) { // limits beyond 32 bits
                module->setLimits(0, cmd_TargetPosition, -(1LL << 40), 1LL << 40);
                module->setLimits(0, cmd_MaxVelocity, 0, 1LL << 36);
                module->setLimits(0, cmd_StartStopVelocity, -(1LL << 33), 1LL << 33);
                module->setLimits(0, cmd_StartVelocity, 0, 1LL << 40);
                module->setLimits(0, cmd_StopVelocity, 0, 1LL << 40);
            }
            connect(module->controller(0)->actualPosition, &Model::AbstractParameter::valueChanged,
                    this, [this](qint64 v) {
                        if (tool && !clicking && this->variant != 74)
                            reported(v);
                    });
            QStringList history{newTool()};
            for (int n = 0; n < (set ? steps : defaultSteps); ++n) {
                history << step();
                if (const QString fault = check(); !fault.isEmpty())
                    QFAIL(qPrintable(say("variant %1, seed %2, step %3 (MONKEY_SEED=%2 tst_monkey "
                                         "monkey:%1): %4\nlast steps:\n  %5",
                                         variant, seed, n, fault,
                                         history.mid(history.size() - 30).join("\n  "))));
            }
        }
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"

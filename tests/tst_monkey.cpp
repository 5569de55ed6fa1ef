// A seeded monkey: random sequences of what a person, the host and the module do to the position
// mode tool of every variant, with the invariants of check() after every step. MONKEY_SEED picks
// one seed (default: a fixed set), MONKEY_STEPS the number of steps per seed and variant. A failure
// names the variant, the seed, the step and the steps that led to it.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "basictools.h"
#include "helpertargetarea.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <numeric>

using namespace ParameterType;
using BasicTools::clampToInt;
using TestSupport::child;

namespace {
#ifdef __SANITIZE_ADDRESS__
constexpr int defaultSteps = 250; // a step is some fifty times slower under the sanitizers
#else
constexpr int defaultSteps = 1200;
#endif

QString write(const QString &key, qint64 value)
{
    return QStringLiteral("write 0 %1 %2").arg(key).arg(value);
}

qint64 number(const QObject *box, const char *property)
{
    return std::llround(box->property(property).toDouble());
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
    QList<XmlParameterWidget *> fields;
    QHash<QWidget *, QString> keyOf; // editors and proxies: the parameter each one writes
    struct
    {
        QPointer<QAbstractSpinBox> box;
        QString key;
    } typed; // the field that a person typed in and has not committed
    bool shown = false, everShown = false, polled = false;
    // What the module may journal in this step: the person's commands and commits in order,
    // writes that may follow a commit that Qt makes on its own, and whether the Larch rules may
    // write (judged by the module's values and the host's, or only the module's).
    QStringList want, may;
    bool rules = false, rulesFromReads = false;
    QHash<QString, qint64> reg, known; // the module's values and the host's, replayed
    int journalSeen = 0;
    QString broken; // found while acting
    struct
    {
        bool active = false;
        int start = 0, target = 0;
    } shuttle; // the move that "Alternating movement" follows, as the tool read it back
    struct
    {
        bool on = false, smooth = false; // smooth: S-shaped, so the speed may grow a little
        double direction = 0, speed = 0;
        qint64 position = 0, time = 0;
    } braking;       // since Stop or Clear
    qint64 time = 0; // simulated milliseconds
    bool zeroKnown = false;
    qint64 zeroAt = 0; // where Clear on Null has to zero the counters
    QStringList history;

    template <typename T> T *any(const QList<T *> &list)
    {
        return list.isEmpty() ? nullptr : list.at(rng.bounded(list.size()));
    }
    qint64 pick(qint64 lo, qint64 hi, bool beyond)
    {
        const qint64 inside = lo + qint64(rng.generateDouble() * double(hi - lo));
        const qint64 choices[] = {
            lo,     hi,        inside,   qint32(rng.generate()), (1LL << 32) + 1, hi + 1,
            lo - 1, LLONG_MAX, LLONG_MIN};
        return choices[rng.bounded(beyond ? 9 : 3)];
    }
    QString nameOf(const QWidget *w) const
    {
        return w->objectName().isEmpty() ? keyOf.value(const_cast<QWidget *>(w)) : w->objectName();
    }
    qint64 lastKnown(const char *key) const { return module->parameter(0, key)->lastKnownValue(); }
    void newModule();
    void newTool();
    void focusOn(QWidget *widget);
    void expectCommit(bool certain, bool diagram = false);
    QString typeInto(QAbstractSpinBox *box);
    QString click();
    QString stepField();
    QString moduleChange(QString key, qint64 value);
    QString advance(int milliseconds);
    QString ramp();
    QString diagram();
    void followPoll(qint64 before);
    void startBraking();
    QString step();
    bool ruleAllows(const QString &line) const;
    QString check();

private slots:
    void initTestCase()
    {
        host = std::make_unique<QWidget>();
        host->resize(1600, 900);
        host->show();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
    }
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase()
    {
        tool.reset();
        host.reset();
    }

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
        bool ok = false;
        const quint32 chosen = qEnvironmentVariable("MONKEY_SEED").toUInt(&ok);
        const int steps = qEnvironmentVariableIsSet("MONKEY_STEPS")
                              ? qEnvironmentVariableIntValue("MONKEY_STEPS")
                              : defaultSteps;
        for (const quint32 seed : ok ? QList<quint32>{chosen} : QList<quint32>{1, 2, 3}) {
            rng.seed(seed);
            newModule();
            for (int n = 0; n < steps; ++n) {
                history << step();
                const QString fault = check();
                if (fault.isEmpty())
                    continue;
                history = history.mid(history.size() - 30);
                QFAIL(qPrintable(QStringLiteral("variant %1, seed %2, step %3 (MONKEY_SEED=%2 "
                                                "tst_monkey monkey:%1): %4\nlast steps:\n  %5")
                                     .arg(variant)
                                     .arg(seed)
                                     .arg(n)
                                     .arg(fault, history.join(QLatin1String("\n  ")))));
            }
        }
        tool.reset();
    }
};

void TestMonkey::newModule()
{
    tool.reset();
    module = std::make_unique<SimulatedModule>();
    module->setPluginVariant(0, variant);
    if (rng.bounded(3) == 0) { // limits beyond 32 bits
        module->setLimits(0, cmd_TargetPosition, -(1LL << 40), 1LL << 40);
        module->setLimits(0, cmd_MaxVelocity, 0, 1LL << 36);
        module->setLimits(0, cmd_StartStopVelocity, -(1LL << 33), 1LL << 33);
    }
    journalSeen = 0;
    braking.on = zeroKnown = false;
    history.clear();
    newTool();
}

void TestMonkey::newTool()
{
    tool.reset(); // as the host does: the old tool goes before the new one is asked for
    tool = TestSupport::makeTool(*module, variant);
    tool->setParent(host.get());
    tool->resize(tool->sizeHint());
    shown = everShown = polled = shuttle.active = false;
    typed = {};
    fields = tool->findChildren<XmlParameterWidget *>();
    keyOf.clear();
    for (XmlParameterWidget *field : qAsConst(fields))
        if (field->parameter() && field->widget())
            keyOf.insert(field->widget(), field->parameter()->parameterName());
    if (variant == 74)
        for (const auto &[name, key] : {std::pair{"editMaxPosVel", cmd_MaxVelocity},
                                        {"editAcceleration", cmd_MaxAcceleration},
                                        {"editVStartStop", cmd_StartStopVelocity},
                                        {"cbRelativeTo", cmd_RelativePositioningOption}})
            keyOf.insert(child<QWidget>(tool, name), key);
}

// A person clicks into another field or window: what they typed elsewhere is committed.
void TestMonkey::focusOn(QWidget *widget)
{
    if (typed.box && typed.box != widget)
        expectCommit(true);
    if (QApplication::activeWindow() != widget->window()) {
        widget->window()->activateWindow();
        QApplication::setActiveWindow(widget->window());
        QCoreApplication::processEvents();
    }
    widget->setFocus(Qt::MouseFocusReason);
}

// The typed field is committed: one write of what it reads now, if that is a value of the field;
// certain when the person commits it, perhaps when Qt does (a window takes the focus).
void TestMonkey::expectCommit(bool certain, bool diagram)
{
    QAbstractSpinBox *box = typed.box;
    const QString key = typed.key;
    if (certain)
        typed = {};
    if (!box || key.isEmpty())
        return;
    rules = true; // a value update
    bool ok = false;
    const qint64 n = box->property("cleanText").toString().toLongLong(&ok);
    const qint64 lo = number(box, "minimum"), hi = number(box, "maximum");
    const qint64 shownValue = number(box, "value");
    const qint64 value = ok && n >= lo && n <= hi ? n : shownValue;
    const qint64 knownValue = clampToInt(module->parameter(0, key)->lastKnownValue());
    // A host field commits typing, even of the number it showed; a plain one a changed number.
    auto *spinBox = qobject_cast<SpinBox *>(box);
    const bool edited = !spinBox || spinBox->isEditing();
    const qint64 reference = spinBox && !diagram ? knownValue : shownValue;
    if (certain && edited && ok && value != reference)
        want << write(key, value);
    else if (edited && (value != knownValue || value != shownValue))
        may << write(key, value);
}

QString TestMonkey::typeInto(QAbstractSpinBox *box)
{
    focusOn(box);
    typed = {box, keyOf.value(box)};
    const qint64 lo = number(box, "minimum"), hi = number(box, "maximum");
    QList<qint64> values{number(box, "value"), lo, hi, pick(lo, hi, false)};
    if (!typed.key.isEmpty())
        values << module->moduleValue(0, typed.key)
               << module->parameter(0, typed.key)->lastKnownValue();
    const QString typedText = rng.bounded(8)
                                  ? QString::number(values.at(rng.bounded(values.size())))
                                  : QStringLiteral("-");
    if (rng.bounded(4))
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    else
        QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, typedText);
    QString how = QStringLiteral(" uncommitted");
    QList<QWidget *> others;
    for (QWidget *w : box->window()->findChildren<QWidget *>())
        if (w != box && w->isVisible() && w->isEnabled() &&
            (qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)))
            others << w;
    switch (rng.bounded(3)) {
    case 0:
        expectCommit(true);
        QTest::keyClick(box, Qt::Key_Return);
        how = QStringLiteral(", Enter");
        break;
    case 1:
        if (QWidget *other = any(others)) {
            focusOn(other);
            how = QLatin1String(", focus to ") + nameOf(other);
        }
        break;
    default:
        break;
    }
    return QStringLiteral("type \"%1\" into %2%3").arg(typedText, nameOf(box), how);
}

void TestMonkey::startBraking()
{
    const MotionAxis &m = module->motion(0);
    const bool smooth = variant == 69 && module->moduleValue(0, cmd_SShapedRamp) != 0 &&
                        module->moduleValue(0, cmd_StopDeceleration) <= 0;
    braking = {true,
               smooth,
               m.velocity() > 0   ? 1.0
               : m.velocity() < 0 ? -1.0
                                  : 0.0,
               std::abs(m.velocity()),
               m.position(),
               time};
    if (m.isPositioning())
        broken = QStringLiteral("the motor still heads for %1").arg(m.target());
}

QString TestMonkey::click()
{
    QList<QAbstractButton *> buttons;
    for (QAbstractButton *b : tool->findChildren<QAbstractButton *>())
        if (b->isVisible() && b->isEnabled() && b->window() == host.get())
            buttons << b;
    QAbstractButton *button = any(buttons);
    if (!button)
        return QStringLiteral("no button to click");
    const QString name = button->objectName().isEmpty() ? button->text() : button->objectName();
    if (button->focusPolicy() & Qt::ClickFocus)
        focusOn(button);
    const bool generic = variant != 74;
    const MotionAxis &m = module->motion(0);
    const bool restKnown = m.isPositioning() || !m.isMoving();
    const qint64 rest = m.isPositioning() ? m.target() : m.position();
    const bool move = name == QLatin1String("btnAbsolute") || name == QLatin1String("btnRelative");
    if (move) {
        want << QStringLiteral("%1 0 %2")
                    .arg(name == QLatin1String("btnAbsolute") ? "move" : "moveRel")
                    .arg(child<QSpinBox>(tool, "editTargetPosition")->value());
        rules = true;
    } else if (name == QLatin1String("btnStop")) {
        want << QStringLiteral("stop 0");
    } else if (name == QLatin1String("btnClear")) {
        want << QStringLiteral("stop 0") << write(cmd_TargetPosition, 0)
             << write(cmd_ActualPosition, 0);
        if (generic)
            want << write(cmd_EncoderPosition, 0);
    } else if (name == QLatin1String("btnClearOnNull")) {
        want << write(cmd_TargetPosition, 0) << write(cmd_ClearOnNull, 1);
    } else if (name == QLatin1String("btnSwitchMode") || name == QLatin1String("btnReload")) {
        rules = true;
        rulesFromReads = name == QLatin1String("btnReload");
    }
    const int before = module->journal().size();
    const bool clearPending = module->moduleValue(0, cmd_ClearOnNull) != 0;
    button->click();
    const QStringList journal = module->journal();
    const bool accepted = journal.size() > before && !journal.last().startsWith("refused");
    if (move) {
        shuttle = {generic, qint32(module->moduleValue(0, cmd_ActualPosition)),
                   qint32(module->moduleValue(0, cmd_TargetPosition))};
        if (accepted) {
            braking.on = false;
            zeroAt = m.target();
        }
    } else if (name == QLatin1String("btnStop") || name == QLatin1String("btnClear")) {
        // Stop ends the shuttling; Clear keeps following the move it read back, 0 to 0.
        shuttle = {shuttle.active && name == QLatin1String("btnClear"),
                   qint32(module->moduleValue(0, cmd_ActualPosition)),
                   qint32(module->moduleValue(0, cmd_TargetPosition))};
        startBraking();
        zeroKnown = !m.isMoving();
        zeroAt = m.position();
        for (const char *key : {cmd_ActualPosition, cmd_TargetPosition, cmd_EncoderPosition})
            if (name == QLatin1String("btnClear") && module->moduleValue(0, key) != 0 &&
                (generic || key != cmd_EncoderPosition))
                broken = QStringLiteral("%1 is %2 after Clear")
                             .arg(key)
                             .arg(module->moduleValue(0, key));
    } else if (name == QLatin1String("btnClearOnNull") && !clearPending) {
        zeroKnown = restKnown;
        zeroAt = rest;
    }
    return QLatin1String("click ") + name;
}

// An arrow key or a wheel step in a number field, or an arrow key in a choice.
QString TestMonkey::stepField()
{
    QList<QWidget *> editors;
    for (QWidget *w : tool->findChildren<QWidget *>())
        if ((qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)) &&
            w->isVisible() && w->isEnabled() && w->window() == host.get())
            editors << w;
    QWidget *editor = any(editors);
    if (!editor)
        return QStringLiteral("no field to step");
    if (editor == typed.box) {
        expectCommit(true);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    focusOn(editor);
    const int direction = rng.bounded(2) ? 1 : -1;
    const QString key = keyOf.value(editor);
    rules = true;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const int i = combo->currentIndex();
        const int n = direction > 0 ? qMin(i + 1, combo->count() - 1) : (i > 0 ? i - 1 : i);
        if (n != i && !key.isEmpty())
            want << write(key, n);
        QTest::keyClick(combo, direction > 0 ? Qt::Key_Down : Qt::Key_Up);
        return QStringLiteral("arrow %1 in %2").arg(direction).arg(nameOf(editor));
    }
    const qint64 v = number(editor, "value");
    const qint64 n = qBound(number(editor, "minimum"), v + direction, number(editor, "maximum"));
    if (n != v && !key.isEmpty())
        want << write(key, n);
    const bool wheel = rng.bounded(2);
    if (wheel) {
        QWheelEvent event(QPointF(5, 5), QPointF(editor->mapToGlobal(QPoint(5, 5))), QPoint(),
                          QPoint(0, 120 * direction), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(editor, &event);
    } else {
        QTest::keyClick(editor, direction > 0 ? Qt::Key_Up : Qt::Key_Down);
    }
    return QStringLiteral("%1 %2 in %3")
        .arg(wheel ? "wheel" : "arrow")
        .arg(direction)
        .arg(nameOf(editor));
}

// "Alternating movement": a polling round that reports the motor at the followed target.
void TestMonkey::followPoll(qint64 before)
{
    const qint64 now = lastKnown(cmd_ActualPosition);
    if (!shown || !shuttle.active || now == before || qint32(now) != shuttle.target)
        return;
    if (child<QCheckBox>(tool, "cbAlternating")->isChecked()) {
        want << write(cmd_TargetPosition, shuttle.start);
        std::swap(shuttle.start, shuttle.target);
    } else {
        shuttle.active = false;
    }
}

QString TestMonkey::moduleChange(QString key, qint64 value)
{
    const qint64 before = lastKnown(cmd_ActualPosition);
    module->setModuleValue(0, key, value);
    if (key == QLatin1String(cmd_ActualPosition) || key == QLatin1String(cmd_ClearOnNull)) {
        braking.position = module->motion(0).position();
        zeroKnown = false;
    }
    module->pollTraces();
    polled = polled || shown;
    followPoll(before);
    return QStringLiteral("module %1 = %2").arg(key).arg(value);
}

QString TestMonkey::advance(int milliseconds)
{
    const auto tick = [this](int ms) { // one polling round follows
        const qint64 before = lastKnown(cmd_ActualPosition);
        module->advance(ms);
        followPoll(before);
    };
    const bool clearPending = module->moduleValue(0, cmd_ClearOnNull) != 0;
    if (clearPending)
        milliseconds = qMin(milliseconds, 300);
    time += milliseconds;
    polled = polled || shown;
    if (!clearPending) {
        tick(milliseconds);
        return QStringLiteral("advance %1").arg(milliseconds);
    }
    for (int i = 0; i < milliseconds; ++i) { // to see where the counters are zeroed
        const qint64 at = module->motion(0).position();
        const double reach = std::abs(module->motion(0).velocity()) / 1000 + 1;
        tick(1);
        if (module->moduleValue(0, cmd_ClearOnNull) != 0)
            continue;
        if (zeroKnown && std::abs(double(at - zeroAt)) > reach)
            broken = QStringLiteral("Clear on Null zeroed the counters at %1, not where the "
                                    "motor was to stop (%2)")
                         .arg(at)
                         .arg(zeroAt);
        zeroKnown = false;
        braking.position = module->motion(0).position();
        tick(milliseconds - i - 1);
        break;
    }
    return QStringLiteral("advance %1").arg(milliseconds);
}

// The ramp picture of the Hazel and Maple panels: opened, closed, typed into.
QString TestMonkey::ramp()
{
    auto *helper = tool->findChild<InputHelper *>();
    if (helper && helper->isVisible() && rng.bounded(3)) {
        QList<SpinBox *> proxies = helper->findChildren<SpinBox *>();
        return typeInto(any(proxies));
    }
    expectCommit(false); // the window that opens or closes may take the focus
    if (helper && helper->isVisible() && rng.bounded(2)) {
        helper->close();
        QCoreApplication::processEvents(); // the focus goes elsewhere
        return QStringLiteral("close the ramp picture");
    }
    child<QAbstractButton>(tool, "btnInputHelper")->click();
    QCoreApplication::processEvents(); // the window shows and takes the focus
    if (!helper) {
        QTest::qWait(30); // the window sets itself up with timers
        helper = tool->findChild<InputHelper *>();
        for (SpinBox *proxy : helper->findChildren<SpinBox *>())
            if (auto *field = tool->findChild<XmlParameterWidget *>(proxy->objectName()))
                keyOf.insert(proxy, field->parameter()->parameterName());
    }
    return QStringLiteral("ramp picture button");
}

// The Larch diagram: a wheel step on a value, or a double-click and typing.
QString TestMonkey::diagram()
{
    auto *view = child<QGraphicsView>(tool, "graphicsView");
    QList<HelperTargetArea *> areas;
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *area = dynamic_cast<HelperTargetArea *>(item); area && area->isEditable())
            areas << area;
    HelperTargetArea *area = any(areas);
    if (!view->isVisible() || !area || area->widget()->widget() == typed.box)
        return QStringLiteral("no diagram value");
    XmlParameterWidget *field = area->widget();
    const QString key = field->parameter()->parameterName();
    rules = true;
    if (rng.bounded(2)) {
        const int delta = (rng.bounded(2) ? 1 : -1) * (rng.bounded(4) ? 1 : 10);
        const qint64 n = qBound(field->minimum(), field->value() + delta, field->maximum());
        if (n != field->value())
            want << write(key, n);
        QGraphicsSceneWheelEvent event(QEvent::GraphicsSceneWheel);
        event.setDelta(delta > 0 ? 120 : -120);
        event.setOrientation(Qt::Vertical);
        event.setModifiers(std::abs(delta) == 10 ? Qt::ShiftModifier : Qt::NoModifier);
        view->scene()->sendEvent(area, &event);
        return QStringLiteral("diagram wheel %1 on %2").arg(delta).arg(key);
    }
    focusOn(view);
    QGraphicsSceneMouseEvent event(QEvent::GraphicsSceneMouseDoubleClick);
    event.setButton(Qt::LeftButton);
    event.setButtons(Qt::LeftButton);
    view->scene()->sendEvent(area, &event);
    SpinBox *editor = nullptr;
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *proxy = dynamic_cast<QGraphicsProxyWidget *>(item); proxy && proxy->isVisible())
            editor = qobject_cast<SpinBox *>(proxy->widget());
    if (!editor) {
        broken = QLatin1String("a double-click opened no editor for ") + key;
        return QStringLiteral("diagram double-click");
    }
    typed = {editor, key};
    const QString text = QString::number(pick(field->minimum(), field->maximum(), false));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    const bool commit = rng.bounded(3);
    if (commit) // the diagram writes a number that differs from the field's
        expectCommit(number(editor, "value") != field->value(), true);
    typed = {};
    QTest::keyClick(editor, commit ? Qt::Key_Return : Qt::Key_Escape);
    return QStringLiteral("diagram: type %1 into %2, %3")
        .arg(text, key, commit ? "Enter" : "Escape");
}

QString TestMonkey::step()
{
    want.clear();
    may.clear();
    rules = rulesFromReads = false;
    for (const QString &key : AxisController::keys()) {
        reg.insert(key, module->moduleValue(0, key));
        known.insert(key, module->parameter(0, key)->lastKnownValue());
    }
    // show, hide, click, type, step a field, module change, standby or step/dir, time, ramp
    // picture, diagram, new tool, events, a long wait
    const int weights[] = {
        6, 2, 14, 14, 8, 10, 3, 10, variant == 69 || variant == 72 ? 4 : 0, variant == 73 ? 5 : 0,
        1, 3, 2};
    int action = 0;
    for (int r = rng.bounded(std::accumulate(std::begin(weights), std::end(weights), 0));
         r >= weights[action]; ++action)
        r -= weights[action];
    QString what;
    switch (action) {
    case 0:
        if (shown)
            return QStringLiteral("(shown)");
        tool->show();
        tool->showPlugin();
        shown = everShown = rules = rulesFromReads = true;
        polled = false;
        return QStringLiteral("show");
    case 1:
        if (!shown)
            return QStringLiteral("(hidden)");
        tool->hidePlugin();
        tool->hide();
        shown = polled = false;
        return QStringLiteral("hide");
    case 2:
        what = click();
        break;
    case 3: {
        QList<QAbstractSpinBox *> boxes;
        for (QAbstractSpinBox *box : tool->findChildren<QAbstractSpinBox *>())
            if (box->isVisible() && box->isEnabled() && box->window() == host.get())
                boxes << box;
        what = boxes.isEmpty() ? QStringLiteral("nothing to type into") : typeInto(any(boxes));
        break;
    }
    case 4:
        what = stepField();
        break;
    case 5: {
        QString key;
        qint64 value = 0;
        if (rng.bounded(3) == 0) {
            key = cmd_ActualPosition;
            const qint64 values[] = {shuttle.start,
                                     shuttle.target,
                                     0,
                                     qint32(rng.generate()),
                                     module->moduleValue(0, cmd_TargetPosition),
                                     1LL << 33};
            value = values[rng.bounded(6)];
        } else {
            const QStringList keys = AxisController::keys();
            const QStringList larch{cmd_StartVelocity,
                                    cmd_StopVelocity,
                                    cmd_MaxAcceleration,
                                    cmd_MaxDeceleration,
                                    cmd_V1,
                                    cmd_A1,
                                    cmd_D2};
            key = variant == 73 && rng.bounded(2) ? larch.at(rng.bounded(larch.size()))
                                                  : keys.at(rng.bounded(keys.size()));
            const Model::AxilParameter *p = module->parameter(0, key);
            // Ramp values stay at or above their minimum: a module brakes with what it has.
            const bool ramp = AxisController::keys().indexOf(key) >= 5;
            value = pick(p->minimum(), p->maximum(), rng.bounded(3) == 0);
            if (ramp)
                value = qMax(value, p->minimum());
        }
        what = moduleChange(key, value);
        break;
    }
    case 6: {
        const qint64 values[] = {0, 0, 1, 2, 1LL << 32};
        what = moduleChange(rng.bounded(2) ? cmd_ChipStandby : cmd_ExternalStepDir,
                            values[rng.bounded(5)]);
        break;
    }
    case 7:
        what = advance(rng.bounded(1, 300));
        break;
    case 8:
        what = ramp();
        break;
    case 9:
        what = diagram();
        break;
    case 10:
        newTool();
        return QStringLiteral("new tool");
    case 11:
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        what = QStringLiteral("events");
        break;
    default:
        what = advance(rng.bounded(2000, 8000));
        break;
    }
    // The typed field is left when it is committed or disabled.
    if (QAbstractSpinBox *box = typed.box) {
        auto *spinBox = qobject_cast<SpinBox *>(box);
        if (!box->isEnabled() || (spinBox ? !spinBox->isEditing() : !box->hasFocus()))
            typed = {};
    }
    return what;
}

// The Larch panel keeps the stop velocity above a start velocity of more than 10 and, on the
// trapezoidal ramp, V1 and V2 at 0 and A1, A2, D1, D2 at the maxima.
bool TestMonkey::ruleAllows(const QString &line) const
{
    const QStringList words = line.split(QLatin1Char(' '));
    if (!rules || variant != 73 || words.size() != 4 || words.first() != QLatin1String("write"))
        return false;
    const QString key = words.at(2);
    const qint64 v = words.at(3).toLongLong();
    const bool trapezoidal =
        child<QPushButton>(tool, "btnSwitchMode")->text().contains(QLatin1String("eightpoint"));
    for (const QHash<QString, qint64> *values : {&reg, &known}) {
        if (values == &known && rulesFromReads)
            break;
        const auto shownValue = [&](const char *k) {
            const Model::AxilParameter *p = module->parameter(0, k);
            return qBound<qint64>(clampToInt(p->minimum()), values->value(k),
                                  clampToInt(p->maximum()));
        };
        const qint64 start = shownValue(cmd_StartVelocity);
        const qint64 stopMaximum = clampToInt(module->parameter(0, cmd_StopVelocity)->maximum());
        if (key == QLatin1String(cmd_StopVelocity) && start > 10 &&
            shownValue(cmd_StopVelocity) <= start && v == qMin(start + 1, stopMaximum))
            return true;
        const auto is = [&key](std::initializer_list<const char *> keys) {
            return std::any_of(keys.begin(), keys.end(),
                               [&key](const char *k) { return key == k; });
        };
        if (trapezoidal && ((is({cmd_V1, cmd_V2}) && v == 0) ||
                            (is({cmd_A1, cmd_A2}) && v == shownValue(cmd_MaxAcceleration)) ||
                            (is({cmd_D1, cmd_D2}) && v == shownValue(cmd_MaxDeceleration))))
            return true;
    }
    return false;
}

QString TestMonkey::check()
{
    if (!broken.isEmpty())
        return std::exchange(broken, QString());

    // Every journal line: a person's command or commit, or a stated rule.
    const QStringList journal = module->journal();
    for (; journalSeen < journal.size(); ++journalSeen) {
        const QString &entry = journal.at(journalSeen);
        const QString line = entry.startsWith(QLatin1String("refused ")) ? entry.mid(8) : entry;
        if (!want.isEmpty() && want.first() == line)
            want.removeFirst();
        else if (want.contains(line))
            return QStringLiteral("missing: %1 (before %2)").arg(want.first(), entry);
        else if (!may.removeOne(line) && !ruleAllows(line))
            return QLatin1String("unexpected: ") + entry;
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.first() == QLatin1String("write") && line == entry)
            reg[words.at(2)] = known[words.at(2)] = words.at(3).toLongLong();
    }
    if (!want.isEmpty())
        return QLatin1String("missing: ") + want.join(QLatin1String(", "));

    // Stop and Clear stop: no more positioning, and braking goes one way only.
    const MotionAxis &motion = module->motion(0);
    if (braking.on) {
        const qint64 position = motion.position();
        if (motion.isPositioning())
            return QStringLiteral("the motor moves to %1 after Stop or Clear").arg(motion.target());
        if (motion.velocity() * braking.direction < 0 ||
            (position - braking.position) * braking.direction < 0 ||
            (braking.direction == 0 && position != braking.position))
            return QStringLiteral("the motor turns back after Stop or Clear: %1 -> %2")
                .arg(braking.position)
                .arg(position);
        const double speed = std::abs(motion.velocity());
        if (!braking.smooth && (speed > braking.speed * 1.000001 ||
                                std::abs(double(position - braking.position)) >
                                    braking.speed * double(time - braking.time) / 1000 + 1))
            return QStringLiteral("the motor does not brake after Stop or Clear: at %1 pps, %2 "
                                  "-> %3 in %4 ms")
                .arg(braking.speed)
                .arg(braking.position)
                .arg(position)
                .arg(time - braking.time);
        braking.speed = speed;
        braking.position = position;
        braking.time = time;
    }

    // Fields show the host's values within their ranges, which are the module's limits.
    for (XmlParameterWidget *field : qAsConst(fields)) {
        const Model::AxilParameter *p = field->parameter();
        auto *spinBox = qobject_cast<SpinBox *>(field->widget());
        if (!p || !p->exists() || (spinBox && spinBox->isEditing()))
            continue;
        const qint64 value = p->lastKnownValue();
        const int lo = clampToInt(p->minimum()), hi = clampToInt(p->maximum());
        int expected = value >= 0 && value <= field->maximum() ? int(value) : -1;
        if (field->displayType() != DisplayType::TwoChoice) {
            expected = int(qBound<qint64>(field->minimum(), value, field->maximum()));
            const bool raised =
                variant == 73 && p->parameterName() == QLatin1String(cmd_StopVelocity);
            if (field->maximum() != hi ||
                (field->minimum() != lo && !(raised && field->minimum() > lo)))
                return p->parameterName() + QStringLiteral(" has the range %1..%2, not %3..%4")
                                                .arg(field->minimum())
                                                .arg(field->maximum())
                                                .arg(lo)
                                                .arg(hi);
        }
        if (field->value() != expected)
            return p->parameterName() + QStringLiteral(" shows %1, its parameter holds %2")
                                            .arg(field->value())
                                            .arg(value);
    }
    const Model::AxilParameter *target = module->parameter(0, cmd_TargetPosition);
    auto *targetField = child<QSpinBox>(tool, "editTargetPosition");
    if (variant != 74 && (targetField->minimum() != clampToInt(target->minimum()) ||
                          targetField->maximum() != clampToInt(target->maximum())))
        return QStringLiteral("the target position field has the range %1..%2")
            .arg(targetField->minimum())
            .arg(targetField->maximum());
    if (variant == 74 && everShown)
        for (QWidget *w : keyOf.keys()) {
            const Model::AxilParameter *p = module->parameter(0, keyOf.value(w));
            if (w == typed.box || w->isHidden() || !p->exists())
                continue;
            const qint64 value = p->lastKnownValue();
            int shownValue = 0, expected = value == 0 || value == 1 ? int(value) : -1;
            if (auto *box = qobject_cast<QSpinBox *>(w)) {
                expected = qBound(box->minimum(), clampToInt(value), box->maximum());
                shownValue = box->value();
                if (box->minimum() != clampToInt(p->minimum()) ||
                    box->maximum() != clampToInt(p->maximum()))
                    return w->objectName() + QLatin1String(" has the wrong range");
            } else {
                shownValue = static_cast<QComboBox *>(w)->currentIndex();
            }
            if (shownValue != expected)
                return w->objectName() + QStringLiteral(" shows %1, its parameter holds %2")
                                             .arg(shownValue)
                                             .arg(value);
        }
    if (auto *bar = tool->findChild<QProgressBar *>();
        bar && (bar->value() < 0 || bar->value() > 100))
        return QStringLiteral("progress %1").arg(bar->value());
    const QWidget *panel =
        variant == 74 ? tool->findChild<QWidget *>("grpRamp")
                      : tool->findChildren<QWidget *>(QRegularExpression("^StepperPos")).value(0);
    if (panel->isVisibleTo(tool.get()) ==
        child<QAbstractButton>(tool, "btnHideController")->isChecked())
        return QStringLiteral("the panel does not follow the collapse button");

    // A shown tool that has been through a polling round shows the module's state.
    if (!polled || !shown)
        return QString();
    const QString position = QString::number(qint32(module->moduleValue(0, cmd_ActualPosition)));
    const QString shownPosition =
        child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")->text();
    if (shownPosition != position)
        return QStringLiteral("shows position %1, not %2").arg(shownPosition, position);
    const qint64 velocity = module->moduleValue(0, cmd_ActualVelocity);
    if (variant == 70)
        for (const char *name : {"editPulseDivisor", "editRampDivisor"})
            if (child<XmlParameterWidget>(tool, name)->widget()->isEnabled() != (velocity == 0))
                return QStringLiteral("%1 enabled wrongly at velocity %2").arg(name).arg(velocity);
    if (variant == 74) {
        const qint64 standby = module->moduleValue(0, cmd_ChipStandby);
        const qint64 stepDir = module->moduleValue(0, cmd_ExternalStepDir);
        auto *box = child<QGroupBox>(tool, "gbHints");
        const auto hints = box->findChildren<QLabel *>();
        if (hints.at(0)->isHidden() == (standby != 0) ||
            hints.at(1)->isHidden() == (stepDir == 1) ||
            box->isHidden() == (standby != 0 || stepDir == 1))
            return QStringLiteral("hints wrong for standby %1, step/direction %2")
                .arg(standby)
                .arg(stepDir);
        const bool blocked = standby != 0 || stepDir != 0;
        if (tool->toolEnabled() == blocked)
            return QStringLiteral("tool enabled %1 at standby %2, step/direction %3")
                .arg(tool->toolEnabled())
                .arg(standby)
                .arg(stepDir);
        if (blocked)
            for (QWidget *w : tool->findChildren<QWidget *>())
                if ((qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
                     qobject_cast<QComboBox *>(w)) &&
                    w->isEnabled())
                    return w->objectName() + QLatin1String(" enabled while the tool is blocked");
    }
    return QString();
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"

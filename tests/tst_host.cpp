// The host framework, a test class per unit: the parameter model and the tool base, the field
// bound to a parameter, the number field, the input helper window and the diagram's target area.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "dynamicproperty.h"
#include "helpertargetarea.h"
#include "hostmessages.h"
#include "inputhelper.h"
#include "inputrefusal.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "toolsinterface.h"
#include "xmlparameterinterface.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <limits>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString accKey = QLatin1String(ParameterType::cmd_MaxAcceleration);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);
const QString optionKey = QLatin1String(ParameterType::cmd_RelativePositioningOption);
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

QString write(const QString &key, qint64 value)
{
    return QStringLiteral("write 0 %1 %2").arg(key).arg(value);
}

// Replaces what a number field shows by typed keys, uncommitted.
void type(QAbstractSpinBox *box, const QString &keys)
{
    box->selectAll();
    QTest::keyClicks(box, keys);
}

// 200 x 100 pixels over a viewBox twice as large; the anchor sits in a moved group, so its
// centre is ((-12 + 20) / 2, (2 + 10) / 2) = (4, 6) in picture pixels.
const char rampSvg[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100' viewBox='0 0 400 200'>"
    "<path d='M 0 200 L 100 50 L 300 50 L 400 200' stroke='black'/><g transform='translate(20,10)'>"
    "<rect id='Anchor-editA' x='-16' y='-2' width='8' height='8'/></g></svg>";

class TestTool final : public ToolsInterface
{
public:
    TestTool(unsigned char motor, AxilModuleInterface *module)
        : ToolsInterface(QStringLiteral("Test tool"), QString(),
                         ToolsType::GenericStepperPositionMode, motor, module, QString())
    {}
    QString version() const override { return QStringLiteral("1.0"); }
    void aboutToExit() override {}
    void showPlugin() override {}
    void hidePlugin() override {}
    bool isUsableForVariant(int) override { return true; }
    ToolsInterface *clone(QString, uchar, AxilModuleInterface *) override { return nullptr; }
};
} // namespace

class TestParameterModel : public QObject
{
    Q_OBJECT

private slots:
    void missingParameter()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QVERIFY(!p->exists() && module.parameter(0, accKey)->exists());
        XmlParameterWidget field(p, nullptr);
        QSignalSpy updated(p, &Model::AbstractParameter::valueUpdated);
        QSignalSpy reports(&module, &SimulatedModule::report);
        QCOMPARE(p->readValue(false), qint64(2000));
        QVERIFY(!p->writeValue(100));
        QCOMPARE(updated.count(), 0);
        QVERIFY(module.journal().isEmpty());
        QCOMPARE(reports.count(), 2);
        // A tool is warned once about a missing parameter, and never about a present one.
        module.parameter(0, accKey)->getWarned(QStringLiteral("Tool A"));
        for (const char *tool : {"Tool A", "Tool A", "Tool B"})
            p->getWarned(QLatin1String(tool));
        QCOMPARE(reports.count(), 4);
        QVERIFY(reports.last().first().toString().contains(QLatin1String("Tool B")));
        // Its field is disabled with the reason, which a new description (shown in full) keeps.
        const QString why = field.widget()->toolTip();
        QVERIFY2(why.contains(QLatin1String("Maximum velocity")), qPrintable(why));
        field.setEnabled(true);
        // Numbers are written without group separators, even where the locale has them.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        module.setLimits(0, vmaxKey, int64Min, 100000);
        QCOMPARE(field.maximum(), 100000);
        QVERIFY(field.toolTip().endsWith("[-9223372036854775808 .. 100000] pps"));
        QVERIFY(!field.widget()->isEnabled());
        QCOMPARE(field.widget()->toolTip(), why);
    }

    void toolBase()
    {
        SimulatedModule module(2);
        module.removeParameter(1, targetKey);
        TestTool tool(1, &module);
        AxisController *c = tool.controller();
        auto *vmax = new XmlParameterWidget(&tool);
        auto *option = new XmlParameterWidget(&tool);
        auto *target = new XmlParameterWidget(&tool);
        tool.addWidgetParameter(option, c->relativePositioningOption, DisplayType::TwoChoice);
        tool.addWidgetParameter(vmax, c->maxVelocity, DisplayType::Plain);
        tool.addWidgetParameter(target, c->targetPosition, DisplayType::Plain);
        tool.addParameter(c->actualPosition);
        tool.addParameter(c->actualPosition);
        module.setModuleValue(1, vmaxKey, 4321);
        QSignalSpy reports(&module, &SimulatedModule::report);
        tool.initWidgetParameters();
        QCOMPARE(vmax->value(), 4321);
        tool.readUsedParameters();
        QCOMPARE(module.readCount(1, vmaxKey), 2);
        QCOMPARE(module.readCount(1, actualKey), 1);
        QCOMPARE(reports.count(), 0); // the missing target is not read

        // Containers stay enabled, so that a control can be enabled again on its own.
        tool.setEnabled(false);
        QVERIFY(!tool.toolEnabled() && !vmax->widget()->isEnabled());
        option->widget()->setEnabled(true);
        tool.setEnabled(false);
        QVERIFY(option->widget()->isEnabled());
        tool.setEnabled(true);
        QVERIFY(vmax->widget()->isEnabled() && !target->widget()->isEnabled());

        // Polled once per round, however often traced; a tool's traces go with it.
        auto *other = new TestTool(1, &module);
        for (ToolsInterface *t : {&tool, &tool, other})
            t->addTrace(c->actualPosition->xmlParameter());
        tool.addTrace(c->maxVelocity->xmlParameter());
        module.advance(10);
        tool.removeAllTraces();
        module.advance(10);
        QCOMPARE(module.readCount(1, actualKey), 3);
        QCOMPARE(module.readCount(1, vmaxKey), 3);
        delete other;
        QCOMPARE(module.traceCount(), 0);
    }
};

// The field bound to a module parameter: what it shows, what it writes, and what it must not
// write back.
class TestXmlParameterWidget : public QObject
{
    Q_OBJECT

private slots:
    void edits_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("minimum"); // 0: not set
        QTest::addColumn<int>("edit");    // 0: none
        QTest::addColumn<QString>("journal");
        QTest::addColumn<int>("shown");
        const QString velocity = QString::fromLatin1(ParameterType::cmd_ActualVelocity);
        QTest::newRow("position") << targetKey << 0 << 250 << write(targetKey, 250) << 250;
        QTest::newRow("two choices") << optionKey << 0 << 1 << write(optionKey, 1) << 1;
        QTest::newRow("at the maximum")
            << vmaxKey << 0 << 8388096 << write(vmaxKey, 8388096) << 8388096;
        QTest::newRow("minimum above the value")
            << vmaxKey << 2500 << 0 << write(vmaxKey, 2500) << 2500;
        // The field lets through what the module refuses, then shows what the module holds.
        QTest::newRow("below the module's minimum")
            << vmaxKey << -100 << -5 << "refused " + write(vmaxKey, -5) << 2000;
        QTest::newRow("read-only")
            << velocity << -100 << 50 << "refused " + write(velocity, 50) << 0;
    }

    void edits()
    {
        QFETCH(QString, key);
        QFETCH(int, minimum);
        QFETCH(int, edit);
        QFETCH(QString, journal);
        QFETCH(int, shown);
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field;
        field.setParameter(p, key == optionKey ? DisplayType::TwoChoice : DisplayType::Plain);
        QSignalSpy changes(&field, &XmlParameterWidget::valueChanged);
        QSignalSpy reports(&module, &SimulatedModule::report);
        QCOMPARE(field.widget()->inherits("QComboBox"), key == optionKey);
        if (minimum)
            field.setMinimum(minimum);
        if (edit)
            field.setValue(edit);
        QCOMPARE(module.journal().join(QString()), journal);
        QCOMPARE(field.value(), shown);
        QCOMPARE(changes.last().first().toInt(), shown);
        QCOMPARE(p->lastKnownValue(), qint64(shown));
        QCOMPARE(reports.count(), int(journal.startsWith(QLatin1String("refused"))));
        QVERIFY(reports.isEmpty() || reports.first().first().toString().contains(p->displayName()));
    }

    // A module value beyond the int range shows clamped; the field still knows it exactly.
    void wideValues()
    {
        SimulatedModule module;
        module.setLimits(0, targetKey, int64Min, std::numeric_limits<qint64>::max());
        XmlParameterWidget field(module.parameter(0, targetKey), nullptr);
        for (const qint64 value : {Q_INT64_C(5000000000), int64Min, Q_INT64_C(-12)}) {
            module.setModuleValue(0, targetKey, value);
            module.parameter(0, targetKey)->readValue(false);
            QCOMPARE(field.value(), int(qBound<qint64>(INT_MIN, value, INT_MAX)));
            QCOMPARE(field.exactValue(), value);
        }
    }

    void typingIsNotOverwritten()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, targetKey);
        XmlParameterWidget field(p, nullptr);
        auto *spin = qobject_cast<SpinBox *>(field.widget());
        auto *line = spin->findChild<QLineEdit *>();
        const auto typeWhileArriving = [&](const QString &keys, qint64 arriving) {
            type(spin, keys);
            module.setModuleValue(0, targetKey, arriving);
            p->readValue(false);
        };
        // Typing abandoned: once focus leaves, what arrived meanwhile is shown, not written.
        typeWhileArriving(QStringLiteral("9\b"), 300);
        QCOMPARE(line->text(), QStringLiteral(" steps"));
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &focusOut);
        QCOMPARE(field.value(), 300);

        typeWhileArriving(QStringLiteral("250"), 400);
        QCOMPARE(line->text(), QStringLiteral("250 steps"));
        QVERIFY(module.journal().isEmpty());
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(module.journal(), QStringList{write(targetKey, 250)});
        QCOMPARE(field.value(), 250);

        // Committing the number the field showed, after the module's value changed under it,
        // is the person's decision too.
        typeWhileArriving(QStringLiteral("250"), 900);
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(module.journal().last(), write(targetKey, 250));
        QCOMPARE(module.moduleValue(0, targetKey), 250);
    }

    // A key that a field cannot take is said, with the range, the key and what the field kept,
    // in a host field and in a plain one that is watched. The note goes when the person types
    // on; the message stays.
    void refusedKeysAreSaid_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<int>("keys");
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("said"); // empty: nothing
        QTest::addColumn<bool>("noteShown");
        for (bool plain : {false, true}) {
            const char *kind = plain ? "plain" : "host";
            QTest::addRow("%s, no sign", kind)
                << plain << -500 << 500 << "0 steps to 9000 steps: \"-\" was not taken" << false;
            QTest::addRow("%s, too many digits", kind)
                << plain << 90000 << 9000 << "\"0\" was not taken, the field keeps 9000 steps."
                << true;
            QTest::addRow("%s, in range", kind) << plain << 2500 << 2500 << "" << false;
        }
    }

    void refusedKeysAreSaid()
    {
        QFETCH(bool, plain);
        QFETCH(int, keys);
        QFETCH(int, reads);
        QFETCH(QString, said);
        QFETCH(bool, noteShown);
        SimulatedModule module;
        module.setLimits(0, targetKey, 0, 9000);
        XmlParameterWidget field(module.parameter(0, targetKey), nullptr);
        QSpinBox box;
        box.setRange(0, 9000);
        box.setSuffix(" steps");
        InputRefusal::watch(&box, "Target position");
        auto *edit = plain ? static_cast<QAbstractSpinBox *>(&box)
                           : static_cast<QAbstractSpinBox *>(field.widget());
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        type(edit, QString::number(keys));
        QCOMPARE(edit->property("cleanText").toString(), QString::number(reads));
        QCOMPARE(messages.count(), said.isEmpty() ? 0 : 1);
        auto *note = edit->window()->findChild<QLabel *>("inputRefusalNote");
        QCOMPARE(note && note->isVisibleTo(edit->window()), noteShown);
        if (!said.isEmpty()) {
            const QString message = messages.first().first().toString();
            QVERIFY2(message.startsWith("Target position") && message.contains(said),
                     qPrintable(message));
            if (noteShown)
                QCOMPARE(note->text(), message);
        }
    }
};

// What a person types into a number field, host or plain and watched: a number outside the
// range that a commit would drop is said, the value kept; a menu opened over the field leaves the
// typing uncommitted until the person commits.
class TestFieldCommits : public QObject
{
    Q_OBJECT

    struct Fields
    {
        QWidget window;
        SpinBox *host = new SpinBox(&window);
        QSpinBox *plain = new QSpinBox(&window);
        Fields()
        {
            host->move(0, 40);
            for (QAbstractSpinBox *field :
                 {static_cast<QAbstractSpinBox *>(host), static_cast<QAbstractSpinBox *>(plain)}) {
                field->setProperty("minimum", 100);
                field->setProperty("maximum", 9000);
                field->setProperty("value", 2500);
                field->setProperty("suffix", QStringLiteral(" pps"));
                field->setKeyboardTracking(false);
            }
            InputRefusal::watch(plain, QStringLiteral("Velocity"));
            InputRefusal::rename(host, QStringLiteral("Velocity"));
            window.resize(300, 200);
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
        QAbstractSpinBox *field(bool isPlain)
        {
            return isPlain ? static_cast<QAbstractSpinBox *>(plain) : host;
        }
    };

    static void hostAndPlain()
    {
        QTest::addColumn<bool>("plain");
        QTest::newRow("host") << false;
        QTest::newRow("plain") << true;
    }

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void outsideIsSaid_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("byEnter"); // or by the focus leaving
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("said"); // empty: nothing
        for (bool plain : {false, true}) {
            const char *kind = plain ? "plain" : "host";
            for (bool byEnter : {true, false}) {
                const char *how = byEnter ? "Enter" : "leaving";
                const QString said =
                    "Velocity takes 100 pps to 9000 pps: 50 pps lies outside, the field keeps "
                    "2500 pps.";
                QTest::addRow("%s, below, %s", kind, how)
                    << plain << "50" << byEnter << 2500 << said;
                QTest::addRow("%s, in range, %s", kind, how)
                    << plain << "150" << byEnter << 150 << "";
                const QString nothing = "Velocity: no number was typed, the field keeps 2500 pps.";
                QTest::addRow("%s, empty, %s", kind, how)
                    << plain << "" << byEnter << 2500 << nothing;
                QTest::addRow("%s, a sign, %s", kind, how)
                    << plain << "+" << byEnter << 2500 << nothing;
            }
        }
    }

    void outsideIsSaid()
    {
        QFETCH(bool, plain);
        QFETCH(QString, keys);
        QFETCH(bool, byEnter);
        QFETCH(int, value);
        QFETCH(QString, said);
        Fields fields;
        QAbstractSpinBox *field = fields.field(plain);
        QAbstractSpinBox *other = fields.field(!plain);
        field->setFocus();
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        field->selectAll();
        if (keys.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, keys);
        if (byEnter)
            QTest::keyClick(field, Qt::Key_Return);
        else
            other->setFocus(Qt::TabFocusReason);
        QCOMPARE(qRound(field->property("value").toDouble()), value);
        QCOMPARE(messages.count(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QCOMPARE(messages.first().first().toString(), said);
        // Committed once, the field says nothing more when it is left.
        if (byEnter) {
            other->setFocus(Qt::TabFocusReason);
            QCOMPARE(messages.count(), said.isEmpty() ? 0 : 1);
        }
    }

    // End stops before the unit, so that Backspace takes the last digit; a deletion that is
    // refused is said as such; the note goes when its field is hidden (its tab left).
    void endBackspaceAndHiding_data() { hostAndPlain(); }

    void endBackspaceAndHiding()
    {
        QFETCH(bool, plain);
        Fields fields;
        QAbstractSpinBox *field = fields.field(plain);
        field->setFocus();
        auto *edit = field->findChild<QLineEdit *>();
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("250 pps"));
        QCOMPARE(messages.count(), 0);
        edit->setCursorPosition(edit->text().size());
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.last().first().toString().endsWith(
                     "the deletion was not taken, the field keeps 250 pps."),
                 qPrintable(messages.last().first().toString()));
        auto *note = fields.window.findChild<QLabel *>(QStringLiteral("inputRefusalNote"));
        QVERIFY(note && note->isVisible());
        field->hide();
        QVERIFY(!note->isVisible());
    }

    // Escape drops the typing, back to the value the field held before it (one that follows the
    // typing too), and an Escape shortcut of the window still acts.
    void escapeDropsTyping_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<bool>("tracking"); // the value follows each key
        QTest::newRow("host") << false << false;
        QTest::newRow("plain") << true << false;
        QTest::newRow("plain, tracking") << true << true;
    }

    void escapeDropsTyping()
    {
        QFETCH(bool, plain);
        QFETCH(bool, tracking);
        Fields fields;
        fields.plain->setKeyboardTracking(tracking);
        // A value committed by leaving the field is no typing to drop.
        fields.field(plain)->setFocus();
        fields.field(plain)->selectAll();
        QTest::keyClicks(fields.field(plain), QStringLiteral("1800"));
        fields.field(!plain)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QAction stopAll(&fields.window);
        stopAll.setShortcut(Qt::Key_Escape);
        stopAll.setShortcutContext(Qt::ApplicationShortcut);
        fields.window.addAction(&stopAll);
        QSignalSpy stops(&stopAll, &QAction::triggered);
        QAbstractSpinBox *field = fields.field(plain);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("350"));
        // Through the window, which asks its focus object first, as a key from the keyboard.
        QTest::keyClick(fields.window.windowHandle(), Qt::Key_Escape);
        QCOMPARE(stops.count(), 1);
        QCOMPARE(field->findChild<QLineEdit *>()->text(), QStringLiteral("1800 pps"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(qRound(field->property("value").toDouble()), 1800);
        // Nothing typed, Escape only stops.
        QTest::keyClick(fields.window.windowHandle(), Qt::Key_Escape);
        QCOMPARE(stops.count(), 2);
        QCOMPARE(field->findChild<QLineEdit *>()->text(), QStringLiteral("1800 pps"));
    }

    void menuKeepsTyping_data() { hostAndPlain(); }

    void menuKeepsTyping()
    {
        QFETCH(bool, plain);
        Fields fields;
        QAbstractSpinBox *field = fields.field(plain);
        field->setFocus();
        QVERIFY(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("350"));
        QMenu menu;
        menu.addAction(QStringLiteral("Save"));
        menu.popup(fields.window.mapToGlobal(QPoint(150, 150)));
        QTRY_VERIFY(QApplication::activePopupWidget() == &menu);
        menu.close();
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(field->hasFocus());
        QCOMPARE(qRound(field->property("value").toDouble()), 2500);
        QVERIFY2(field->findChild<QLineEdit *>()->text().startsWith(QLatin1String("350")),
                 qPrintable(field->findChild<QLineEdit *>()->text()));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(qRound(field->property("value").toDouble()), 350);
    }
};

// The host's number field, and the host's window look.
class TestHostWidgets : public QObject
{
    Q_OBJECT

private slots:
    void spinBox()
    {
        SpinBox spin;
        QSignalSpy ints(&spin, qOverload<int>(&SpinBox::valueChanged));
        QSignalSpy done(&spin, &SpinBox::editingDone);
        spin.setValue(-7.0, false);
        spin.setValue(std::numeric_limits<int>::min());
        QCOMPARE(ints, QList<QVariantList>{{std::numeric_limits<int>::min()}});
        QCOMPARE(spin.intValue(), std::numeric_limits<int>::min());
        // Arrow keys step by the value's second digit.
        spin.setValue(2000);
        QTest::keyClick(&spin, Qt::Key_Up);
        QCOMPARE(spin.intValue(), 2100);
        // Locked while a person types: the typing is dropped, not committed.
        type(&spin, QStringLiteral("42"));
        spin.setEnabled(false);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
        QApplication::sendEvent(&spin, &focusOut);
        QCOMPARE(spin.intValue(), 2100);
        QCOMPARE(done.count(), 0);
    }
};

// The input helper window: proxies on the picture, lines to its anchors, values, tips, typing.
class TestInputHelper : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString picture;

    static SpinBox *addProxy(InputHelper &helper, const QString &name, QPoint at)
    {
        auto *proxy = new SpinBox();
        proxy->setObjectName(name);
        proxy->setRange(0, 100000);
        proxy->setProperty(DynamicProperty::InputGIMPosition, at);
        helper.addProxyItem(proxy, false);
        return proxy;
    }

private slots:
    void initTestCase()
    {
        picture = dir.filePath(QStringLiteral("ramp.svg"));
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rampSvg);
    }

    void placesProxiesAndLines_data()
    {
        QTest::addColumn<qreal>("resizeBy"); // of the natural size
        QTest::newRow("natural size") << 1.0;
        QTest::newRow("enlarged") << 2.0;
        QTest::newRow("smallest") << 0.5;
    }

    void placesProxiesAndLines()
    {
        QFETCH(qreal, resizeBy);
        InputHelper helper(picture, AbstractRamp::SShaped);
        // The last two would cover each other on the picture at its own size.
        const QVector<QPoint> places{{10, 20}, {150, 60}, {150, 80}};
        QVector<SpinBox *> proxies;
        for (int i = 0; i < places.size(); ++i)
            proxies << addProxy(helper, QStringLiteral("edit") + QChar('A' + i), places.at(i));
        helper.workaroundAdjust();
        const qreal natural = helper.scale();
        QVERIFY(natural > 1 && !proxies.at(1)->geometry().intersects(proxies.at(2)->geometry()));
        helper.show();
        helper.resize(helper.size() * resizeBy);
        QCOMPARE(helper.scale() > natural * 1.5, resizeBy > 1);
        QCOMPARE(helper.scale() < natural, resizeBy < 1);
        const QPoint origin = helper.pictureRect().topLeft();
        QCOMPARE(helper.pictureRect().size(), (QSizeF(200, 100) * helper.scale()).toSize());
        for (int i = 0; i < proxies.size(); ++i) {
            QCOMPARE(proxies.at(i)->pos(), origin + places.at(i) * helper.scale());
            QVERIFY(resizeBy < 1 || helper.rect().contains(proxies.at(i)->geometry()));
        }
        // Only editA has an anchor; its line leaves the proxy at the corner nearest to it.
        const QPointF anchor = origin + QPointF(4, 6) * helper.scale();
        QCOMPARE(helper.anchorPoint("editA"), anchor);
        QCOMPARE(helper.lines(),
                 QVector<QLineF>{QLineF(proxies.first()->geometry().topLeft(), anchor)});
    }

    // A proxy stands for the tool's field of its name. A commit in it is written, also of the
    // number it shows when the module's value changed meanwhile; typing left in a window that
    // hides, or that goes, is not.
    // A proxy grows with what is typed into it, uncommitted, and names itself in a refusal as
    // it reads on the picture, without the colon before its value.
    void proxyTyping()
    {
        QWidget tool;
        auto *helper = new InputHelper(picture, AbstractRamp::SShaped, &tool);
        auto *proxy = new SpinBox();
        proxy->setObjectName(QStringLiteral("editV1"));
        proxy->setRange(0, 1048575);
        proxy->setPrefix(QStringLiteral("Velocity V1:"));
        proxy->setSuffix(QStringLiteral(" pps"));
        proxy->setValue(20, false);
        proxy->setProperty(DynamicProperty::InputGIMPosition, QPoint(10, 10));
        helper->addProxyItem(proxy, false);
        helper->show();
        QVERIFY(QTest::qWaitForWindowActive(helper));
        proxy->setFocus();
        auto *edit = proxy->findChild<QLineEdit *>();
        const int before = proxy->width();
        type(proxy, QStringLiteral("999999"));
        QCOMPARE(edit->text(), QStringLiteral("Velocity V1: 999999 pps"));
        QVERIFY(proxy->width() > before);
        QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->text()) < edit->width(),
                 qPrintable(QString::number(edit->width())));
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        type(proxy, QStringLiteral("-"));
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.first().first().toString().startsWith("Velocity V1 takes 0 pps"),
                 qPrintable(messages.first().first().toString()));
        // The typing dropped, the proxy is as wide as its value again.
        proxy->discardTyping();
        QCOMPARE(edit->text(), QStringLiteral("Velocity V1: 20 pps"));
        QCOMPARE(proxy->width(), before);
    }

    void typingInProxies_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QString>("then"); // commit, hide, close or delete
        QTest::newRow("commit") << 2500 << "commit";
        QTest::newRow("commit the shown number") << 2000 << "commit";
        for (const char *then : {"hide", "close", "delete"})
            QTest::newRow(then) << 2500 << then;
    }

    void typingInProxies()
    {
        QFETCH(int, keys);
        QFETCH(QString, then);
        const bool commit = then == "commit";
        SimulatedModule module;
        QWidget tool;
        auto *field = new XmlParameterWidget(module.parameter(0, vmaxKey), &tool);
        field->setObjectName(QStringLiteral("editA"));
        auto *helper = new InputHelper(picture, AbstractRamp::SShaped, &tool);
        SpinBox *proxy = addProxy(*helper, QStringLiteral("editA"), QPoint(10, 10));
        connect(field, SIGNAL(valueChanged(int)), helper, SLOT(setValue(int)));
        connect(proxy, SIGNAL(valueChanged(int)), field, SLOT(setValue(int)));
        proxy->setValue(2000, false);
        helper->show();
        QVERIFY(QTest::qWaitForWindowActive(helper));
        proxy->setFocus();
        QSignalSpy closed(helper, &InputHelper::closed);
        type(proxy, QString::number(keys));
        module.setModuleValue(0, vmaxKey, 3000);
        module.parameter(0, vmaxKey)->readValue(false);
        if (commit)
            QTest::keyClick(proxy, Qt::Key_Return);
        else if (then == "hide")
            helper->hide();
        else if (then == "close")
            helper->close();
        else
            delete helper;
        QCOMPARE(module.journal().join('|'), commit ? write(vmaxKey, keys) : QString());
        QCOMPARE(field->value(), commit ? keys : 3000);
        // Hiding is not closing; closing says false.
        QCOMPARE(closed, then == "close" ? QList<QVariantList>{{false}} : QList<QVariantList>());
    }
};

// The diagram's target area: edits by wheel and by an editor opened on it reach the module.
class TestHelperTargetArea : public QObject
{
    Q_OBJECT

private slots:
    void edit_data()
    {
        // A wheel step by the value's second digit (ten of them with Shift; down from a power of
        // ten the smaller one), or 2500 typed into the editor a double-click opens.
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("field");
        QTest::newRow("wheel up") << "+1" << 2000 << 2100 << "";
        QTest::newRow("shift wheel down") << "-10" << 2000 << 1000 << "";
        QTest::newRow("wheel down from 1000") << "-1" << 1000 << 990 << "";
        QTest::newRow("Enter commits") << "Return" << 2000 << 2500 << "";
        QTest::newRow("Escape cancels") << "Escape" << 2000 << 2000 << "";
        // Escape is the host's Stop all as well: the editor closes all the same.
        QTest::newRow("Escape, a Stop all shortcut") << "Escape" << 2000 << 2000 << "stop all";
        QTest::newRow("disabled, double-click") << "Return" << 2000 << 2000 << "disabled";
        QTest::newRow("gone, wheel") << "+1" << 2000 << 2000 << "gone";
    }

    void edit()
    {
        QFETCH(QString, input);
        QFETCH(int, from);
        QFETCH(int, expected);
        QFETCH(QString, field);
        SimulatedModule module;
        module.setLimits(0, vmaxKey, 5, 9000);
        module.setModuleValue(0, vmaxKey, from);
        module.parameter(0, vmaxKey)->readValue(false);
        auto widget = std::make_unique<XmlParameterWidget>(module.parameter(0, vmaxKey), nullptr);
        QGraphicsScene scene(0, 0, 300, 200);
        auto *area = new HelperTargetArea(QRectF(40, 30, 60, 16), widget.get());
        scene.addItem(area);
        QWidget host;
        QAction stopAll(&host);
        QSignalSpy stops(&stopAll, &QAction::triggered);
        if (field == "stop all") {
            stopAll.setShortcut(Qt::Key_Escape);
            stopAll.setShortcutContext(Qt::ApplicationShortcut);
            host.addAction(&stopAll);
            host.show();
            field.clear();
        }
        if (field == "disabled")
            widget->setEnabled(false);
        else if (field == "gone")
            widget.reset();

        const int step = input.toInt();
        QGraphicsSceneWheelEvent wheel(QEvent::GraphicsSceneWheel);
        wheel.setDelta(step * 12);
        wheel.setOrientation(Qt::Vertical);
        wheel.setModifiers(qAbs(step) == 10 ? Qt::ShiftModifier : Qt::NoModifier);
        QGraphicsSceneMouseEvent doubleClick(QEvent::GraphicsSceneMouseDoubleClick);
        doubleClick.setButton(Qt::LeftButton);
        QGraphicsSceneEvent &event = step ? static_cast<QGraphicsSceneEvent &>(wheel) : doubleClick;
        scene.sendEvent(area, &event);
        QCOMPARE(event.isAccepted(), field.isEmpty());
        QCOMPARE(area->isEditing(), field.isEmpty() && !step);
        if (area->isEditing()) {
            auto *proxy = qgraphicsitem_cast<QGraphicsProxyWidget *>(scene.items().first());
            QCOMPARE(proxy->geometry().center(), area->boundingRect().center());
            auto *editor = qobject_cast<SpinBox *>(proxy->widget());
            QCOMPARE(QVector<double>({editor->value(), editor->minimum(), editor->maximum()}),
                     QVector<double>({2000, 5, 9000}));
            QTest::keyClicks(editor, QStringLiteral("2500"));
            QTest::keyClick(editor, input == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        }
        QTRY_COMPARE(scene.items().size(), 1);
        QCOMPARE(module.journal().join('|'),
                 expected == from ? QString() : write(vmaxKey, expected));
        QCOMPARE(stops.count(), int(host.isVisible()));
        // The tooltip names the value, and the edits only while the area takes them.
        QCOMPARE(area->toolTip().contains('\n'), field.isEmpty());
        QVERIFY(
            !field.isEmpty() ||
            area->toolTip().startsWith(QStringLiteral("Maximum velocity: %1 pps\n").arg(expected)));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    TestParameterModel model;
    TestXmlParameterWidget field;
    TestFieldCommits commits;
    TestHostWidgets widgets;
    TestInputHelper helper;
    TestHelperTargetArea area;
    int failed = 0;
    for (QObject *test :
         std::initializer_list<QObject *>{&model, &field, &commits, &widgets, &helper, &area})
        failed += QTest::qExec(test, argc, argv);
    return failed;
}

#include "tst_host.moc"

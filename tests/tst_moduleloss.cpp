// Tools whose module goes away while they are open, input that the module refuses, and values
// that arrive while a person is typing.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "hostmessages.h"
#include "inputhelper.h"
#include "parametertype.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace ParameterType;
using namespace TestSupport;

class TestModuleLoss final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void toolOutlivesItsModule_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("point");
        for (int variant = 69; variant <= 74; ++variant)
            for (const QString point :
                 {"created", "shown", "moving", "hidden", "helper open", "trapezoidal"})
                if ((point != "helper open" || variant == 69 || variant == 72) &&
                    (point != "trapezoidal" || variant == 73))
                    QTest::addRow("%d, %s", variant, qPrintable(point)) << variant << point;
    }

    void toolOutlivesItsModule()
    {
        QFETCH(int, variant);
        QFETCH(QString, point);
        auto *module = new SimulatedModule;
        Tool tool = point == "created"
                        ? (module->setPluginVariant(0, variant), makeTool(*module, variant))
                        : shownTool(*module, variant, true);
        if (point == "moving") {
            child<QSpinBox>(tool, "editTargetPosition")->setValue(50000);
            child<QAbstractButton>(tool, "btnAbsolute")->click();
            module->advance(200);
            QVERIFY(module->motion(0).isMoving());
        } else if (point == "hidden") {
            tool->hidePlugin();
        } else if (point == "helper open" || point == "trapezoidal") {
            child<QAbstractButton>(tool,
                                   point == "trapezoidal" ? "btnSwitchMode" : "btnInputHelper")
                ->click();
        }
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        delete module;

        // Commands are refused with a message; what only shows or arranges does nothing.
        const QStringList commands{"btnAbsolute", "btnRelative", "btnStop", "btnClear",
                                   "btnClearOnNull"};
        for (QAbstractButton *button : tool->findChildren<QAbstractButton *>()) {
            const int before = messages.count();
            button->click();
            QVERIFY(messages.count() > before || !commands.contains(button->objectName()));
        }
        // Every field that would write is disabled and says why. Edits are refused with a
        // message too: fields and input helper proxies keep their value (a Rowan field has none
        // left to go back to); the target field and the fixed relative-to text never write.
        QSet<QWidget *> fields;
        for (XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>())
            fields.insert(field->widget());
        const QStringList rowanFields{"editMaxPosVel", "editAcceleration", "editVStartStop",
                                      "cbRelativeTo"};
        const bool rowanLoaded = variant == 74 && point != "created";
        for (QWidget *w : tool->findChildren<QWidget *>()) {
            if (!w->inherits("QAbstractSpinBox") && !w->inherits("QComboBox"))
                continue;
            const QString name = w->objectName();
            if (fields.contains(w) || (variant == 74 && rowanFields.contains(name)))
                QVERIFY2(!w->isEnabled() && w->toolTip().contains("no longer connected"),
                         qPrintable(name));
            const bool kept = fields.contains(w) || qobject_cast<InputHelper *>(w->parentWidget());
            const int before = valueOf(w), count = messages.count();
            w->setProperty(valueName(w), before == 1 ? 2 : 1);
            QVERIFY(!kept || valueOf(w) == before);
            if (kept || (rowanLoaded && name != "editTargetPosition"))
                QVERIFY2(messages.count() > count, qPrintable(name));
        }
        for (const QList<QVariant> &message : messages)
            QVERIFY2(message.at(0).toString().contains("no longer connected"),
                     qPrintable(message.at(0).toString()));

        tool->showPlugin();
        tool->hidePlugin();
        if (tool->findChild<QAbstractButton *>("btnInputHelper")) {
            child<QAbstractButton>(tool, "btnInputHelper")->click();
            child<QAbstractButton>(tool, "btnInputHelper")->click();
            QTest::qWait(30); // the input helper's delayed set-up runs
        }
    }

    // Hosts that do unusual things: a tool for a motor the module lacks does nothing but say so;
    // two tools on one motor (a second window, say) both follow it, and hiding or deleting one
    // leaves the other working.
    void oddHostSetUps_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("missingMotor");
        for (int variant = 69; variant <= 74; ++variant) {
            QTest::addRow("%d, no such motor", variant) << variant << true;
            QTest::addRow("%d, two tools on one motor", variant) << variant << false;
        }
    }

    void oddHostSetUps()
    {
        QFETCH(int, variant);
        QFETCH(bool, missingMotor);
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        const QString display = variant == 74 ? "dispActPos" : "dispActualPosition";
        if (missingMotor) {
            Tool tool = makeTool(module, variant, 3);
            tool->showPlugin();
            for (QAbstractButton *button : tool->findChildren<QAbstractButton *>())
                button->click();
            module.advance(100);
            tool->hidePlugin();
            QCOMPARE(module.journal().filter(QRegularExpression("^(?!refused )")), QStringList());
            QCOMPARE(module.traceCount(), 0);
            return;
        }
        Tool first = makeTool(module, variant), second = makeTool(module, variant);
        for (ToolsInterface *tool : {first.get(), second.get()})
            tool->showPlugin();
        child<QSpinBox>(first, "editTargetPosition")->setValue(400);
        child<QAbstractButton>(first, "btnAbsolute")->click();
        first->hidePlugin();
        module.advance(300);
        const QString position = QString::number(module.moduleValue(0, cmd_ActualPosition));
        QCOMPARE(child<QLabel>(second, qPrintable(display))->text(), position);
        first.reset();
        module.advance(5000);
        QCOMPARE(child<QLabel>(second, qPrintable(display))->text(), "400");
        QCOMPARE(module.journal(), QStringList{"move 0 400"});
    }

    // What the module refuses of the Rowan tool's own fields is reported once and not written,
    // and the field shows again what the module holds. (The host's fields: see tst_lifecycle.)
    void refusedInputChangesNothing()
    {
        SimulatedModule module;
        module.removeParameter(0, cmd_StartStopVelocity);
        Tool tool = shownTool(module, 74, true);
        module.setLimits(0, cmd_MaxAcceleration, 0, 2000); // narrowed after the tool was made
        const std::tuple<const char *, const char *, int> edits[] = {
            {"editAcceleration", cmd_MaxAcceleration, 5000},
            {"cbRelativeTo", cmd_RelativePositioningOption, -1},
            {"editVStartStop", cmd_StartStopVelocity, 75}};
        QSignalSpy reports(&module, &AxilModuleInterface::report);
        for (const auto &[field, key, value] : edits) {
            const qint64 before = module.moduleValue(0, key);
            QWidget *w = child<QWidget>(tool, field);
            reports.clear();
            w->setProperty(valueName(w), value);
            QCOMPARE(reports.count(), 1);
            QCOMPARE(valueOf(w), int(module.moduleValue(0, key)));
            QCOMPARE(valueOf(w), int(before));
        }
        QVERIFY(writes(module).isEmpty());
    }

    // A ramp-picture window that goes away with typed, uncommitted text in it writes nothing and
    // calls nothing back; closing it says that the typing was dropped.
    void helperWindowGoesAwayQuietly_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("how");
        for (int variant : {69, 72})
            for (const char *how :
                 {"tool deleted", "module deleted first", "window closed", "closed by its button"})
                QTest::addRow("%d, %s", variant, how) << variant << QString(how);
    }

    void helperWindowGoesAwayQuietly()
    {
        QFETCH(int, variant);
        QFETCH(QString, how);
        auto *module = new SimulatedModule;
        Tool tool = shownTool(*module, variant, true);
        child<QAbstractButton>(tool, "btnInputHelper")->click();
        QTest::qWait(30); // the window's delayed set-up
        auto *helper = tool->findChild<InputHelper *>();
        helper->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(helper));
        auto *typing = child<QAbstractSpinBox>(helper, "editMaxPosVel");
        typing->setFocus();
        QVERIFY(typing->hasFocus());
        typing->selectAll();
        QTest::keyClicks(typing, QStringLiteral("4321"));
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        if (how == "module deleted first")
            delete std::exchange(module, nullptr);
        if (how == "window closed")
            helper->close();
        else if (how == "closed by its button")
            child<QAbstractButton>(tool, "btnInputHelper")->click();
        else
            tool.reset();
        if (tool) { // the window is closed, and says that the typing was dropped
            QVERIFY(!helper->isVisible());
            QCOMPARE(messages.count(), 1);
        }
        QCoreApplication::processEvents();
        const std::unique_ptr<SimulatedModule> owner(module);
        QVERIFY(!module || writes(*module).isEmpty());
    }
};

QTEST_MAIN(TestModuleLoss)
#include "tst_moduleloss.moc"

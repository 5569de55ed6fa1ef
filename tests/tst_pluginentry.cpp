// The plugin as a host sees it: loaded through QPluginLoader and used only through the host's
// interfaces. The workbench test loads it by its interface id.

#include "plugindevinfo.h"
#include "simulatedmodule.h"
#include "toolsinterface.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

class TestPluginEntry final : public QObject
{
    Q_OBJECT

    QPluginLoader loader{QStringLiteral(POSITIONMODE_PLUGIN_PATH)};

    std::unique_ptr<ToolsInterface> makeTool(int variant, SimulatedModule &module)
    {
        auto *factory = qobject_cast<ToolsInterface *>(loader.instance());
        factory->isUsableForVariant(variant);
        return std::unique_ptr<ToolsInterface>(factory->clone(QStringLiteral("tool"), 0, &module));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        QCOMPARE(loader.metaData().value("MetaData").toObject(), (QJsonObject{{"name", "Tools"}}));
        // Hosts read the version from this text, laid out exactly so; both numbers are the
        // project version.
        QCOMPARE(qobject_cast<ToolsInterface *>(loader.instance())->version(),
                 "4.6.0 - tools_generic_stepper_position_mode;Plugin-Interface.4.6.0."
                 "tools_generic_stepper_position_mode;Plugin ;Plugin.Interface.");
    }
    void init() { QLocale::setDefault(QLocale::c()); }

    // The family names the tool ("Stepper<family>") and its panel ("StepperPositionMode<family>");
    // Rowan's tool is a standalone class of that name. No family: the variant is refused.
    void variantDispatch_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("family");
        const char *families[] = {"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
        for (int variant = 69; variant <= 74; ++variant)
            QTest::addRow("%d", variant) << variant << QString::fromLatin1(families[variant - 69]);
        for (int variant : {68, 75, 0})
            QTest::addRow("%d", variant) << variant << QString();
    }

    void variantDispatch()
    {
        QFETCH(int, variant);
        QFETCH(QString, family);
        auto *factory = qobject_cast<ToolsInterface *>(loader.instance());
        QVERIFY(factory && !factory->findChild<QWidget *>()); // the factory has no form
        QCOMPARE(factory->compatibleVariants(), (QList<int>{70, 71, 72, 73, 74, 69}));
        factory->setToolsName(QStringLiteral("before"));
        const QVariantMap infoBefore = factory->info();
        QCOMPARE(factory->isUsableForVariant(variant), !family.isEmpty());
        QCOMPARE(factory->toolsName(false), family.isEmpty() ? "before" : "Stepper" + family);
        if (family.isEmpty())
            QCOMPARE(factory->info(), infoBefore);
        else
            QCOMPARE(factory->info().value(PluginDevInfo::UpToDate), QVariant(9));

        SimulatedModule module(2);
        std::unique_ptr<ToolsInterface> tool(factory->clone(QStringLiteral("tool"), 1, &module));
        const bool standalone = family == QLatin1String("Rowan");
        QCOMPARE(tool->metaObject()->className(),
                 standalone ? "StepperPositionModeRowan" : "GenericStepperPositionMode");
        const auto panels = tool->findChildren<QWidget *>(QRegularExpression("^StepperPosition"));
        QCOMPARE(panels.size(), family.isEmpty() || standalone ? 0 : 1);
        for (QWidget *panel : panels) { // beside the position controls
            QCOMPARE(panel->objectName(), "StepperPositionMode" + family);
            QVERIFY(tool->findChild<QLayout *>("mainLayout")->indexOf(panel) >= 0);
        }
        QCOMPARE(tool->pluginVariant(), family.isEmpty() ? 0 : variant);
        QCOMPARE(tool->controller(), module.controller(1));
        QVERIFY(module.journal().isEmpty()); // creating a tool writes and commands nothing
    }

    // Tab walks every control of a tool, its panel open, and every button says what it does.
    void keyboardReachesEveryControl_data()
    {
        QTest::addColumn<int>("variant");
        for (int variant = 69; variant <= 74; ++variant)
            QTest::addRow("%d", variant) << variant;
    }

    void keyboardReachesEveryControl()
    {
        QFETCH(int, variant);
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        std::unique_ptr<ToolsInterface> tool = makeTool(variant, module);
        tool->resize(1800, 900);
        tool->show();
        QVERIFY(QTest::qWaitForWindowActive(tool.get()));
        tool->showPlugin();
        auto *collapse = tool->findChild<QPushButton *>("btnHideController");
        collapse->setFocus();
        QTest::keyClick(collapse, Qt::Key_Space); // opens the panel
        QVERIFY(!collapse->isChecked());
        const auto control = [&tool](QWidget *w) { // the control that a focused part belongs to
            for (QWidget *p = w; p && p != tool.get(); p = p->parentWidget())
                if (p->inherits("QAbstractSpinBox") || p->inherits("QComboBox") ||
                    p->inherits("QAbstractScrollArea"))
                    return p;
            return w;
        };
        QSet<QWidget *> expected;
        for (QWidget *w : tool->findChildren<QWidget *>())
            if (w->isVisible() && w->isEnabled() && control(w) == w && !w->isWindow() &&
                (w->inherits("QAbstractButton") || w->inherits("QAbstractSpinBox") ||
                 w->inherits("QComboBox") || w->inherits("QAbstractScrollArea")))
                expected.insert(w);
        QList<QWidget *> visited;
        for (int n = 0; n < 100 && (visited.size() < 2 || visited.first() != visited.last()); ++n) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << control(QApplication::focusWidget());
        }
        visited.removeLast();

        const auto names = [](const auto &widgets) {
            QStringList list;
            for (QWidget *w : widgets) // a host field's editor by the field's name
                list << (w->objectName().isEmpty() ? w->parentWidget()->objectName()
                                                   : w->objectName());
            list.sort();
            return list.join(' ');
        };
        QCOMPARE(names(QSet<QWidget *>(visited.begin(), visited.end())), names(expected));
        const auto block = [&tool](QWidget *w) {
            for (QWidget *p = w; p != tool.get(); p = p->parentWidget())
                if (qobject_cast<QGroupBox *>(p))
                    return p;
            return w;
        };
        const auto rect = [&tool](QWidget *w) {
            return QRect(w->mapTo(tool.get(), QPoint()), w->size());
        };
        // Start at the leftmost block; the walk is a cycle.
        const auto first =
            std::min_element(visited.begin(), visited.end(), [&](QWidget *a, QWidget *b) {
                return std::make_pair(rect(block(a)).left(), rect(a).top()) <
                       std::make_pair(rect(block(b)).left(), rect(b).top());
            });
        std::rotate(visited.begin(), first, visited.end());
        for (int i = 1; i < visited.size(); ++i) {
            QWidget *a = visited.at(i - 1), *b = visited.at(i);
            const QRect ra = rect(a), rb = rect(b);
            const bool sameRow = std::abs(ra.center().y() - rb.center().y()) <
                                 std::min(ra.height(), rb.height()) / 2;
            const bool inOrder =
                block(a) == block(b)
                    ? (sameRow ? rb.left() > ra.left() : rb.center().y() > ra.center().y())
                    : std::make_pair(rect(block(b)).left(), rect(block(b)).top()) >
                          std::make_pair(rect(block(a)).left(), rect(block(a)).top());
            QVERIFY2(inOrder, qPrintable(names(QList<QWidget *>{a}) + " before " +
                                         names(QList<QWidget *>{b})));
        }
        for (QWidget *w : visited)
            QVERIFY2(!qobject_cast<QAbstractButton *>(w) || !w->toolTip().isEmpty(),
                     qPrintable(w->objectName()));
        // Space presses the focused button.
        collapse->setFocus();
        QTest::keyClick(collapse, Qt::Key_Space);
        QVERIFY(collapse->isChecked());
    }

    // A translator translates the forms' texts; what the code sets at run time stays as it is.
    void textsSetAtRunTimeAreNotTranslated_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QStringList>("untranslated");
        QTest::addColumn<QString>("translated"); // a form text, for comparison
        QTest::newRow("generic") << 71 << "" << QStringList{"Actual position"} << "btnAbsolute";
        QTest::newRow("Larch") << 73 << "btnSwitchMode"
                               << QStringList{"Reload", "Switch to eightpoint ramp"} << "btnStop";
        QTest::newRow("Larch, back") << 73 << "btnSwitchMode btnSwitchMode"
                                     << QStringList{"Switch to trapezoidal ramp"} << "btnStop";
        QTest::newRow("Rowan")
            << 74 << ""
            << QStringList{"target position", "actual position",
                           "Chip is in standby. This tool is not supported in this case."}
            << "btnClearOnNull";
    }

    void textsSetAtRunTimeAreNotTranslated()
    {
        QFETCH(int, variant);
        QFETCH(QString, clicks);
        QFETCH(QStringList, untranslated);
        QFETCH(QString, translated);
        struct Everything final : QTranslator
        {
            bool isEmpty() const override { return false; }
            QString translate(const char *, const char *, const char *, int) const override
            {
                return QStringLiteral("(translated)");
            }
        } translator;
        QCoreApplication::installTranslator(&translator);
        SimulatedModule module;
        module.removeParameter(0, QStringLiteral("par::RelativePositioningOption"));
        std::unique_ptr<ToolsInterface> tool = makeTool(variant, module);
        QCoreApplication::removeTranslator(&translator);
        for (const QString &name : clicks.split(' ', Qt::SkipEmptyParts))
            tool->findChild<QPushButton *>(name)->click();
        QStringList texts;
        for (QWidget *w : tool->findChildren<QWidget *>()) {
            if (auto *label = qobject_cast<QLabel *>(w))
                texts << label->text();
            else if (auto *button = qobject_cast<QAbstractButton *>(w))
                texts << button->text();
            else if (auto *combo = qobject_cast<QComboBox *>(w))
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
        }
        for (const QString &text : untranslated)
            QVERIFY2(texts.contains(text), qPrintable(text));
        QCOMPARE(tool->findChild<QPushButton *>(translated)->text(), "(translated)");
    }
};

QTEST_MAIN(TestPluginEntry)
#include "tst_pluginentry.moc"

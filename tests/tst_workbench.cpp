#include "axilparameter.h"
#include "hostmessages.h"
#include "inputhelper.h"
#include "mainwindow.h"
#include "motionplot.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {
const QString actualPosition = QLatin1String(ParameterType::cmd_ActualPosition);
const QString chipStandby = QLatin1String(ParameterType::cmd_ChipStandby);
const QStringList families{"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};

bool rampPictureShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](QWidget *w) { return qobject_cast<InputHelper *>(w) && w->isVisible(); });
}
} // namespace

class TestWorkbench final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;

    bool move(int target)
    {
        QString error;
        return m_window->moveCurrentTool(target, &error);
    }

    // A click on the tab, as a person selects a motor.
    void clickTab(int index)
    {
        QTabBar *bar = m_window->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QCOMPARE(m_window->tabs()->currentIndex(), index);
    }

    // The workbench with its exit code, standard output and standard error.
    struct Run
    {
        int code;
        QString out, errors;
    };
    static Run runWorkbench(const QStringList &arguments, const QProcessEnvironment &environment)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(WORKBENCH_EXE), arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, {}, {}};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_window.reset(); // the previous test's, before its host
        m_host = std::make_unique<ToolHost>();
        QVERIFY2(m_host->load(QStringLiteral(TOOL_PLUGIN)), qPrintable(m_host->errorString()));
        QCOMPARE(m_host->createTools(), 6);
        m_window = std::make_unique<MainWindow>(m_host.get());
    }

    // Exit code 2 with the culprit named on stderr; without mentions, 0 and a screenshot.
    void executable_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("mentions");
        const QString missing = m_dir.filePath(QStringLiteral("libmissing.so"));
        const QString otherOnly = QFileInfo(QStringLiteral(FAKE_PLUGIN)).path();
        QTest::newRow("missing file") << QStringList{"--plugin", missing} << QStringList{missing};
        QTest::newRow("not a plugin")
            << QStringList{"--plugin", WORKBENCH_EXE} << QStringList{WORKBENCH_EXE};
        QTest::newRow("other interface")
            << QStringList{"--plugin", FAKE_PLUGIN}
            << QStringList{FAKE_PLUGIN, "com.example.OtherInterface/1.0"};
        QTest::newRow("no tool plugin")
            << QStringList{"--plugin", otherOnly} << QStringList{"no tool plugin", otherOnly};
        QTest::newRow("tab out of range") << QStringList{"--plugin", TOOL_PLUGIN, "--tab", "6"}
                                          << QStringList{"--tab", "0 to 5", "\"6\""};
        QTest::newRow("tab beyond the motors given")
            << QStringList{"--motors", "12", "--tab", "12"} << QStringList{"--tab", "0 to 11"};
        QTest::newRow("width beyond any window")
            << QStringList{"--width", "2000000000"}
            << QStringList{"--width", "400 to 32767", "2000000000"};
        QTest::newRow("run beyond an hour")
            << QStringList{"--run", "3600001"} << QStringList{"--run", "0 to 3600000"};
        QTest::newRow("move beyond 32 bits") << QStringList{"--move", "2147483648"}
                                             << QStringList{"--move", "-2147483648 to 2147483647"};
        QTest::newRow("too many motors")
            << QStringList{"--motors", "257"} << QStringList{"--motors", "1 to 256"};
        QTest::newRow("run not a number") << QStringList{"--run", "soon"} << QStringList{"soon"};
        QTest::newRow("no motors") << QStringList{"--motors", "0"} << QStringList{"--motors"};
        QTest::newRow("no ramp picture")
            << QStringList{"--tab", "4", "--ramp-picture"} << QStringList{"Hazel and Maple"};
        // Without --plugin the workbench finds the plugin where the build tree mirrors the install.
        QTest::newRow("screenshot") << QStringList{"--motors", "12",   "--tab", "10", "--expand",
                                                   "--move",   "3000", "--run", "500"}
                                    << QStringList{};
    }

    void executable()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, mentions);
        const QString png = m_dir.filePath(QStringLiteral("shot.png"));
        if (mentions.isEmpty())
            arguments << QStringLiteral("--screenshot") << png;
        const Run run = runWorkbench(QStringList{"-platform", "offscreen"} + arguments,
                                     QProcessEnvironment::systemEnvironment());
        QVERIFY2(run.code == (mentions.isEmpty() ? 0 : 2), qPrintable(run.errors));
        for (const QString &text : qAsConst(mentions))
            QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
        QVERIFY(mentions.isEmpty() ||
                run.errors.split('\n').filter(QRegularExpression("^workbench: ")).size() == 1);
        const QImage image(png);
        QVERIFY(!mentions.isEmpty() ||
                (image.width() >= 800 && image.height() >= 400 && QFileInfo(png).size() > 10000));
    }

    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("help") << "--help"
                              << QStringList{"400 to 32767", "0 to 3600000",
                                             "-2147483648 to 2147483647", "1 to 256"};
        QTest::newRow("help with Qt's options") << "--help-all" << QStringList{"platformName"};
        QTest::newRow("version") << "--version" << QStringList{"workbench " WORKBENCH_VERSION};
    }

    // Help and version need no display.
    void withoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, mentions);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        const Run run = runWorkbench({option}, environment);
        QVERIFY2(run.code == 0, qPrintable(run.errors));
        for (const QString &text : qAsConst(mentions))
            QVERIFY2(run.out.contains(text), qPrintable(run.out));
    }

    void perTab_data()
    {
        QTest::addColumn<int>("tab");
        for (int tab = 0; tab < families.size(); ++tab)
            QTest::newRow(qPrintable(families[tab])) << tab;
    }

    // Each tab holds its motor's tool, and the ramp picture action works only for the Hazel and
    // Maple tools.
    void perTab()
    {
        QFETCH(int, tab);
        QVERIFY(m_window->selectTab(tab));
        ToolsInterface *tool = m_window->toolAt(tab);
        QCOMPARE(int(tool->motorNumber()), tab);
        QCOMPARE(tool->pluginVariant(), 69 + tab);
        QVERIFY(m_window->tabs()->tabText(tab).contains(families[tab]));

        const bool hasPicture = tab == 0 || tab == 3;
        auto *action = m_window->findChild<QAction *>(QStringLiteral("rampPicture"));
        QCOMPARE(action->isEnabled(), hasPicture);
        if (!hasPicture)
            return;
        m_window->show();
        for (const bool open : {true, false}) {
            action->trigger();
            QTRY_COMPARE(rampPictureShown(), open);
            QCOMPARE(action->isChecked(), open);
        }
    }

    void pollingRateAndPlot_data()
    {
        QTest::addColumn<int>("hertz");
        QTest::addColumn<int>("tick");
        QTest::addColumn<int>("run"); // milliseconds
        QTest::newRow("10 Hz") << 10 << 100 << 400;
        QTest::newRow("25 Hz, a short last tick") << 25 << 40 << 410;
        QTest::newRow("100 Hz") << 100 << 10 << 400;
        QTest::newRow("below the range") << 5 << 100 << 400;
    }

    // One polling round per tick, the last one shorter if need be, and exactly the simulated time
    // asked for, at any rate; the plot's curve runs from the first tick to now (0), where the
    // motor is.
    void pollingRateAndPlot()
    {
        QFETCH(int, hertz);
        QFETCH(int, tick);
        QFETCH(int, run);
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(hertz);
        QCOMPARE(m_window->tickMilliseconds(), tick);
        SimulatedModule *module = m_host->module();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(move(3000));
        const int reads = module->readCount(0, actualPosition);
        m_window->runSimulatedTime(run);
        const int ticks = (run + tick - 1) / tick;
        QCOMPARE(module->readCount(0, actualPosition) - reads, ticks);
        SimulatedModule reference(1);
        reference.setPluginVariant(0, module->pluginVariant(0));
        reference.moveToPosition(0, 3000);
        reference.advance(run);
        QVERIFY(reference.motion(0).position() > 0);
        QCOMPARE(module->motion(0).position(), reference.motion(0).position());

        QwtPlotCurve *position = nullptr;
        for (QwtPlotItem *item : m_window->plot()->findChild<QwtPlot *>()->itemList())
            if (item->title().text() == QLatin1String("Actual position"))
                position = static_cast<QwtPlotCurve *>(item);
        QVERIFY(position);
        QVERIFY(position->dataSize() >= 2 && int(position->dataSize()) <= ticks);
        QCOMPARE(position->sample(0).x(), (tick - run) / 1000.0);
        QCOMPARE(position->sample(int(position->dataSize()) - 1),
                 QPointF(0, reference.motion(0).position()));
    }

    // Esc stops every motor, and the module controls act on, and follow, the selected motor. A
    // disconnected module's tools stay until a new module replaces them; the module's and the
    // host's reports reach the status bar. Closing takes the tools down.
    void moduleAndMotorControls()
    {
        SimulatedModule *module = m_host->module();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QCOMPARE(module->journal(),
                 (QStringList{"stop 0", "stop 1", "stop 2", "stop 3", "stop 4", "stop 5"}));
        module->clearJournal();
        auto *standby = m_window->findChild<QSpinBox *>(chipStandby);
        QVERIFY(m_window->selectTab(3));
        standby->setValue(1);
        QCOMPARE(module->moduleValue(3, chipStandby), 1);
        QCOMPARE(module->moduleValue(0, chipStandby), 0);
        QVERIFY(move(500));
        QCOMPARE(module->journal(), QStringList{"refused move 3 500"});
        QVERIFY(m_window->statusBar()->currentMessage().contains(QLatin1String("standby")));
        QVERIFY(m_window->selectTab(1));
        QCOMPARE(standby->value(), 0);
        QVERIFY(m_window->selectTab(3));
        QCOMPARE(standby->value(), 1);

        const QPointer<ToolsInterface> old = m_window->toolAt(3);
        m_window->findChild<QAction *>(QStringLiteral("disconnectModule"))->trigger();
        QVERIFY(!m_host->module());
        QSignalSpy posted(HostMessages::instance(), &HostMessages::posted);
        QVERIFY(m_window->selectTab(2) && m_window->selectTab(3));
        QVERIFY(move(500));
        QVERIFY(old && !posted.isEmpty());
        QCOMPARE(m_window->statusBar()->currentMessage(), posted.last().at(0).toString());
        m_window->runSimulatedTime(100);
        m_window->stopAll();

        m_window->findChild<QAction *>(QStringLiteral("connectModule"))->trigger();
        QVERIFY(!old);
        QCOMPARE(m_window->tabs()->count(), 6);
        QCOMPARE(m_window->tabs()->currentIndex(), 3);
        module = m_host->module();
        QCOMPARE(m_window->currentTool()->module(), module);
        QCOMPARE(module->traceCount(), 1);
        QVERIFY(move(800));
        QCOMPARE(module->journal(), QStringList{"move 3 800"});

        m_window->close();
        QCOMPARE(m_window->tabs()->count(), 0);
        QVERIFY(m_host->tools().isEmpty());
        QCOMPARE(module->traceCount(), 0);
    }

    // Chip standby set from the motor tool bar disables the Rowan tool under its hint; leaving
    // the tab and coming back changes nothing of that, whichever tab was visited. Standby cleared,
    // the tool works again.
    void rowanStandbyAcrossTabs()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        clickTab(5);
        ToolsInterface *tool = m_window->toolAt(5);
        auto *standby = m_window->findChild<QSpinBox *>(chipStandby);
        auto *absolute = tool->findChild<QAbstractButton *>(QStringLiteral("btnAbsolute"));
        QLabel *hint = nullptr;
        for (QLabel *label : tool->findChildren<QLabel *>())
            if (label->text().contains(QLatin1String("standby")))
                hint = label;
        QVERIFY(hint);
        const auto enabled = [tool] {
            QStringList names;
            for (const QWidget *w : tool->findChildren<QWidget *>())
                if (w->isEnabled() && !w->isHidden())
                    names << w->objectName() + QLatin1Char('/') + w->metaObject()->className();
            return names;
        };
        standby->setValue(1);
        m_window->runSimulatedTime(100);
        QVERIFY(hint->isVisible() && hint->isEnabled() && !absolute->isEnabled());
        const QStringList standing = enabled();
        for (const int other : {0, 4, 1}) {
            clickTab(other);
            m_window->runSimulatedTime(100);
            clickTab(5);
            m_window->runSimulatedTime(100);
            QCOMPARE(standby->value(), 1);
            QVERIFY(hint->isVisible());
            QCOMPARE(enabled(), standing);
        }
        standby->setValue(0);
        m_window->runSimulatedTime(100);
        QVERIFY(!hint->isVisible() && absolute->isEnabled());
    }

    // From tab to tab, in every direction, with a move started on each: only the selected tool
    // polls, once per tick. Esc then stops every motor where it is: each brakes to rest short of
    // its target and stays there.
    void tabsAndStopAll()
    {
        const SimulatedModule *module = m_host->module();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        for (const int tab : {5, 2, 5, 0, 3, 1, 4, 0}) {
            clickTab(tab);
            QVERIFY(move(-50000));
            QVector<int> reads;
            for (unsigned char m = 0; m < 6; ++m)
                reads << module->readCount(m, actualPosition);
            m_window->runSimulatedTime(100);
            for (unsigned char m = 0; m < 6; ++m)
                QCOMPARE(module->readCount(m, actualPosition) - reads[m],
                         m == tab ? 100 / m_window->tickMilliseconds() : 0);
        }
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        m_window->runSimulatedTime(3000);
        QVector<qint64> stopped;
        for (unsigned char m = 0; m < 6; ++m) {
            const MotionAxis &motion = module->motion(m);
            QVERIFY2(!motion.isMoving() && motion.position() < 0 && motion.position() > -50000,
                     qPrintable(QString::number(m)));
            stopped << motion.position();
        }
        m_window->runSimulatedTime(2000);
        for (unsigned char m = 0; m < 6; ++m)
            QCOMPARE(module->motion(m).position(), stopped[m]);
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"

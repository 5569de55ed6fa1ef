#include "hostmessages.h"
#include "inputhelper.h"
#include "mainwindow.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {
const QString actualPosition = QLatin1String(ParameterType::cmd_ActualPosition);
const QString chipStandby = QLatin1String(ParameterType::cmd_ChipStandby);
const QStringList families{"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
} // namespace

class TestWorkbench final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;

    QAction *action(const char *name) const
    {
        return m_window->findChild<QAction *>(QLatin1String(name));
    }

    // Every field is wide enough for its widest value with its unit.
    static void fieldsShowTheirWidestValue(const QWidget *tool)
    {
        for (const QAbstractSpinBox *box : tool->findChildren<QAbstractSpinBox *>()) {
            if (!box->isVisible())
                continue;
            QString widest;
            for (const char *end : {"minimum", "maximum"}) {
                const QString text = QLocale().toString(box->property(end).toLongLong()) +
                                     box->property("prefix").toString() +
                                     box->property("suffix").toString();
                if (text.size() > widest.size())
                    widest = text;
            }
            QVERIFY2(box->fontMetrics().horizontalAdvance(widest) <=
                         box->findChild<QLineEdit *>()->width(),
                     qPrintable(box->objectName() + ": " + widest));
        }
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
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void executable_data()
    {
        QTest::addColumn<QString>("arguments"); // split at spaces
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("mentions"); // split at '|', on standard output or error
        const QString fake = QStringLiteral(FAKE_PLUGIN);
        const QString missing = m_dir.filePath(QStringLiteral("libmissing.so"));
        const auto row = [](const char *name, const QString &arguments, int code,
                            const QString &mentions) {
            QTest::newRow(name) << arguments << code << mentions;
        };
        row("missing file", "--plugin " + missing, 2, missing);
        row("other interface", "--plugin " + fake, 2, fake + "|com.example.OtherInterface/1.0");
        row("no tool plugin", "--plugin " + QFileInfo(fake).path(), 2,
            "no tool plugin|" + QFileInfo(fake).path());
        row("tab beyond the motors given", "--motors 12 --tab 12", 2, "--tab|0 to 11");
        row("width beyond any window", "--width 2000000000", 2, "--width|400 to 32767");
        row("run beyond an hour", "--run 3600001", 2, "--run|0 to 3600000");
        row("run not a number", "--run soon", 2, "--run|\"soon\"");
        row("too many motors", "--motors 257", 2, "--motors|1 to 256");
        row("no motors", "--motors 0", 2, "--motors|1 to 256");
        row("no ramp picture", "--tab 4 --ramp-picture", 2, "Hazel and Maple");
        // Without --plugin the workbench finds the plugin where the build tree mirrors the install.
        row("screenshot",
            "--motors 12 --tab 10 --expand --move 3000 --run 500 --screenshot " +
                m_dir.filePath(QStringLiteral("shot.png")),
            0, "");
        // The samples of the selected motor after the move, one row each.
        row("export samples",
            "--tab 2 --move 3000 --run 1000 --export-plot " +
                m_dir.filePath(QStringLiteral("samples.csv")),
            0, "wrote");
        row("export to an unknown suffix", "--export-plot plot.jpg", 2, "--export-plot|plot.jpg");
        // Help and version need no display.
        row("help", "--help", 0, "400 to 32767|0 to 3600000|-2147483648 to 2147483647|1 to 256");
        row("help with Qt's options", "--help-all", 0, "platformName");
        row("version", "--version", 0, "workbench " WORKBENCH_VERSION);
    }

    // The exit code, and the culprit named; a screenshot shows the window.
    void executable()
    {
        QFETCH(QString, arguments);
        QFETCH(int, code);
        QFETCH(QString, mentions);
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name); // for the workbench; this test's application has its platform
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        const bool bare = arguments.startsWith("--help") || arguments.startsWith("--version");
        process.start(QStringLiteral(WORKBENCH_EXE),
                      (bare ? QStringList() : QStringList{"-platform", "offscreen"}) +
                          arguments.split(' '));
        QVERIFY(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit);
        const QString out = QString::fromLocal8Bit(process.readAll());
        QVERIFY2(process.exitCode() == code, qPrintable(out));
        for (const QString &text : mentions.split('|', Qt::SkipEmptyParts))
            QVERIFY2(out.contains(text), qPrintable(out));
        QVERIFY(!arguments.contains("--screenshot") ||
                QFileInfo(m_dir.filePath(QStringLiteral("shot.png"))).size() > 10000);
        if (arguments.contains("samples.csv")) {
            QFile csv(m_dir.filePath(QStringLiteral("samples.csv")));
            QVERIFY(csv.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n');
            QCOMPARE(lines.first(), QStringLiteral("time_s,actual_position,target_position,"
                                                   "actual_velocity,planned_position,"
                                                   "planned_velocity"));
            // A second of 20 ms ticks, the motor moving all the time towards 3000.
            QCOMPARE(lines.size(), 50 + 2);
            QVERIFY(lines[50].startsWith("1,") && lines[50].contains(",3000,"));
        }
    }

    // Tabs clicked in every direction, each with its motor's tool, the ramp picture only for Hazel
    // and Maple, and a move: at the slowest rate, 250 ms take ticks of 100, 100 and 50 ms, and
    // only the selected tool polls. Esc stops every motor short of its target, for good. The
    // module controls follow the selected motor. A disconnected module's tools stay until a new
    // module replaces them; the reports reach the status bar. Closing takes the tools down.
    void aSessionAtTheBench()
    {
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(5);
        SimulatedModule *module = m_host->module();
        QString error;
        QTabBar *bar = m_window->tabs()->tabBar();
        int runs = 0;
        for (const int tab : {5, 2, 5, 0, 3, 1, 4, 0}) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
            QCOMPARE(int(m_window->currentTool()->motorNumber()), tab);
            QVERIFY(bar->tabText(tab).contains(families[tab]));
            QCOMPARE(action("rampPicture")->isEnabled(), tab == 0 || tab == 3);
            for (const bool open : {true, false}) {
                if (!action("rampPicture")->isEnabled())
                    break;
                action("rampPicture")->trigger();
                // It opens minimized and shows itself a moment later.
                auto *picture = m_window->currentTool()->findChild<InputHelper *>();
                QTRY_COMPARE(picture->isVisible() && !picture->isMinimized(), open);
                QTRY_COMPARE(action("rampPicture")->isChecked(), open);
                if (open) {
                    // The window's own close button: the action follows, and opens it again.
                    picture->close();
                    QTRY_VERIFY(!action("rampPicture")->isChecked());
                    action("rampPicture")->trigger();
                    QTRY_VERIFY(picture->isVisible() && !picture->isMinimized());
                    QTRY_VERIFY(action("rampPicture")->isChecked());
                }
            }
            QVERIFY(m_window->moveCurrentTool(-50000, &error));
            QVector<int> reads;
            for (unsigned char m = 0; m < 6; ++m)
                reads << module->readCount(m, actualPosition);
            m_window->runSimulatedTime(250);
            QCOMPARE(m_window->recorder().now(), ++runs * 250 / 1000.0);
            for (unsigned char m = 0; m < 6; ++m)
                QCOMPARE(module->readCount(m, actualPosition) - reads[m], m == tab ? 3 : 0);
        }
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        m_window->runSimulatedTime(3000);
        QVector<qint64> stopped;
        for (unsigned char m = 0; m < 6; ++m)
            stopped << module->motion(m).position();
        m_window->runSimulatedTime(2000);
        for (unsigned char m = 0; m < 6; ++m) {
            const qint64 position = module->motion(m).position();
            QVERIFY2(!module->motion(m).isMoving() && position == stopped[m] && position < 0 &&
                         position > -50000,
                     qPrintable(QString::number(m)));
        }

        module->clearJournal();
        auto *standby = m_window->findChild<QSpinBox *>(chipStandby);
        QVERIFY(m_window->selectTab(3));
        standby->setValue(1);
        QCOMPARE(module->moduleValue(3, chipStandby), 1);
        QVERIFY(m_window->moveCurrentTool(500, &error));
        QCOMPARE(module->journal(), QStringList{"refused move 3 500"});
        QVERIFY(m_window->statusBar()->currentMessage().contains(QLatin1String("standby")));
        QVERIFY(m_window->selectTab(1));
        QCOMPARE(standby->value(), 0);

        const QPointer<ToolsInterface> old = m_window->toolAt(3);
        action("disconnectModule")->trigger();
        QVERIFY(!m_host->module() && action("connectModule")->isEnabled());
        QSignalSpy posted(HostMessages::instance(), &HostMessages::posted);
        QVERIFY(m_window->selectTab(3));
        QVERIFY(m_window->moveCurrentTool(500, &error));
        QVERIFY(old && !posted.isEmpty());
        QCOMPARE(m_window->statusBar()->currentMessage(), posted.last().at(0).toString());
        m_window->runSimulatedTime(100);
        m_window->stopAll();

        action("connectModule")->trigger();
        QVERIFY(!old);
        QCOMPARE(m_window->tabs()->currentIndex(), 3);
        module = m_host->module();
        QCOMPARE(module->traceCount(), 1);
        QVERIFY(m_window->moveCurrentTool(800, &error));
        QCOMPARE(module->journal(), QStringList{"move 3 800"});

        m_window->close();
        QVERIFY(m_host->tools().isEmpty());
        QCOMPARE(module->traceCount(), 0);
    }

    // A tool is made when its tab is first selected, and a new module starts again with none
    // but the selected one.
    // Stop all ends every tool's move as the tool's own Stop would: an alternating tool that was
    // hidden meanwhile takes nothing up again when it is shown, and writes nothing.
    void stopAllEndsAlternating_data()
    {
        QTest::addColumn<bool>("hidden"); // the tool's tab left before Stop all
        QTest::newRow("shown") << false;
        QTest::newRow("hidden") << true;
    }

    void stopAllEndsAlternating()
    {
        QFETCH(bool, hidden);
        QVERIFY(m_window->selectTab(2));
        ToolsInterface *tool = m_window->currentTool();
        tool->findChild<QCheckBox *>(QStringLiteral("cbAlternating"))->setChecked(true);
        QString error;
        QVERIFY2(m_window->moveCurrentTool(3000, &error), qPrintable(error));
        m_window->runSimulatedTime(700);
        if (hidden)
            QVERIFY(m_window->selectTab(0));
        m_window->stopAll();
        m_window->runSimulatedTime(3000);
        SimulatedModule *module = m_host->module();
        module->clearJournal();
        QVERIFY(m_window->selectTab(2));
        m_window->runSimulatedTime(3000);
        QVERIFY2(module->journal().filter(QRegularExpression("^(write|move)")).isEmpty(),
                 qPrintable(module->journal().join(", ")));
        QCOMPARE(module->moduleValue(2, ParameterType::cmd_ActualVelocity), 0);
        QCOMPARE(tool->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value(), 100);
    }

    void toolsAreMadeWhenFirstShown()
    {
        m_window.reset();
        m_host = std::make_unique<ToolHost>(40);
        QVERIFY(m_host->load(QStringLiteral(TOOL_PLUGIN)));
        m_window = std::make_unique<MainWindow>(m_host.get());
        QCOMPARE(m_window->tabs()->count(), 40);
        QCOMPARE(m_host->tools().size(), 1);
        for (const int tab : {17, 0, 17, 39}) {
            QVERIFY(m_window->selectTab(tab));
            QCOMPARE(int(m_window->currentTool()->motorNumber()), tab);
        }
        QCOMPARE(m_host->tools().size(), 3);
        QVERIFY(!m_window->toolAt(5));
        action("disconnectModule")->trigger();
        action("connectModule")->trigger();
        QCOMPARE(m_host->tools().size(), 1);
        QCOMPARE(int(m_window->currentTool()->motorNumber()), 39);
    }

    void toolsKeepTheirRoom_data()
    {
        QTest::addColumn<int>("tab");
        for (int tab = 0; tab < families.size(); ++tab)
            QTest::newRow(qPrintable(families[tab])) << tab;
    }

    // A move leaves the tool's needs as they were; an opened panel takes its room from the plot,
    // not from a scroll bar, and gives it back when it closes. A narrow window keeps Stop all in
    // reach and still shows the whole tool with its panel closed.
    void toolsKeepTheirRoom()
    {
        QFETCH(int, tab);
        QVERIFY(m_window->selectTab(tab));
        ToolsInterface *tool = m_window->currentTool();
        auto *page = m_window->tabs()->currentWidget()->findChild<QScrollArea *>();
        QVERIFY(page);
        auto *plot = m_window->findChild<QDockWidget *>(QStringLiteral("motionPlot"));
        QTRY_VERIFY(!page->horizontalScrollBar()->isVisible());
        const int plotWidth = plot->width();
        const QSize needs = tool->minimumSizeHint();
        QString error;
        QVERIFY(m_window->moveCurrentTool(-1234567, &error));
        m_window->runSimulatedTime(1500);
        QCOMPARE(tool->minimumSizeHint(), needs);

        auto *collapse = tool->findChild<QAbstractButton *>(QStringLiteral("btnHideController"));
        if (collapse) {
            m_window->expandCurrentTool();
            QTRY_VERIFY(tool->minimumSizeHint().width() > needs.width());
            // The tool has all it needs, and no scroll bar.
            QTRY_VERIFY(!page->horizontalScrollBar()->isVisible() &&
                        tool->width() >= tool->minimumSizeHint().width() &&
                        tool->width() <= page->viewport()->width());
            // Pictures legible, and every field wide enough for its widest value with its unit.
            for (const QGraphicsView *view : tool->findChildren<QGraphicsView *>())
                QVERIFY(view->transform().m11() >= 0.6);
            fieldsShowTheirWidestValue(tool);
            collapse->click();
            QTRY_COMPARE(plot->width(), plotWidth);
        }

        m_window->resize(640, m_window->height());
        auto *bar = m_window->findChild<QToolBar *>(QStringLiteral("moduleToolBar"));
        QWidget *stopAll = bar->widgetForAction(action("stopAll"));
        QVERIFY(stopAll);
        QTRY_VERIFY(stopAll->isVisible());
        QTRY_VERIFY(plot->width() < plotWidth && !page->horizontalScrollBar()->isVisible() &&
                    tool->width() >= tool->minimumSizeHint().width() &&
                    tool->width() <= page->viewport()->width());
        fieldsShowTheirWidestValue(tool);
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"

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

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

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

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_host = std::make_unique<ToolHost>();
        QVERIFY2(m_host->load(QStringLiteral(TOOL_PLUGIN)), qPrintable(m_host->errorString()));
        QCOMPARE(m_host->createTools(), 6);
        m_window = std::make_unique<MainWindow>(m_host.get());
    }

    void cleanup()
    {
        m_window.reset();
        m_host.reset();
    }

    // Exit code 2 with the culprit named on stderr, or 0 with a screenshot of the window.
    void executable_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("mentions");
        const QString missing = m_dir.filePath(QStringLiteral("libmissing.so"));
        const QString notPlugin = m_dir.filePath(QStringLiteral("libnotes.so"));
        QFile file(notPlugin);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a library") > 0);
        file.close();
        const QString emptyDir = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(emptyDir));

        QTest::newRow("missing file") << QStringList{"--plugin", missing} << QStringList{missing};
        QTest::newRow("not a plugin")
            << QStringList{"--plugin", notPlugin} << QStringList{notPlugin};
        QTest::newRow("other interface")
            << QStringList{"--plugin", FAKE_PLUGIN}
            << QStringList{FAKE_PLUGIN, "com.example.OtherInterface/1.0"};
        QTest::newRow("no tool plugin")
            << QStringList{"--plugin", emptyDir} << QStringList{emptyDir};
        QTest::newRow("tab out of range")
            << QStringList{"--plugin", TOOL_PLUGIN, "--tab", "6"} << QStringList{"tab 6"};
        QTest::newRow("run not a number") << QStringList{"--run", "soon"} << QStringList{"soon"};
        QTest::newRow("no motors") << QStringList{"--motors", "0"} << QStringList{"--motors"};
        QTest::newRow("no ramp picture")
            << QStringList{"--tab", "4", "--ramp-picture"} << QStringList{"Hazel and Maple"};
        // An empty list of mentions: the run must succeed and leave a screenshot.
        // Without --plugin the workbench finds the plugin where the build tree mirrors the install.
        QTest::newRow("shot: plugin found") << QStringList{} << QStringList{};
        QTest::newRow("shot: plugin given, after a move")
            << QStringList{"--plugin", TOOL_PLUGIN, "--tab", "4", "--move", "3000", "--run", "500"}
            << QStringList{};
        QTest::newRow("shot: twelve motors")
            << QStringList{"--motors", "12", "--tab", "11", "--expand"} << QStringList{};
    }

    void executable()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, mentions);
        const bool shot = mentions.isEmpty();
        const QString png = m_dir.filePath(QStringLiteral("%1.png").arg(QTest::currentDataTag()));
        if (shot)
            arguments << QStringLiteral("--screenshot") << png;
        QProcess process;
        process.start(QStringLiteral(WORKBENCH_EXE),
                      QStringList{"-platform", "offscreen"} + arguments);
        QVERIFY(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(process.exitCode() == (shot ? 0 : 2), qPrintable(errors));
        for (const QString &text : qAsConst(mentions))
            QVERIFY2(errors.contains(text), qPrintable(errors));
        if (shot) {
            const QImage image(png);
            QVERIFY(image.width() >= 800 && image.height() >= 400);
            QVERIFY(QFileInfo(png).size() > 10000);
        }
    }

    void perTab_data()
    {
        QTest::addColumn<int>("tab");
        for (int tab = 0; tab < families.size(); ++tab)
            QTest::newRow(qPrintable(families[tab])) << tab;
    }

    // Each tab holds its motor's tool; only the selected tool is shown, traced and polled, and the
    // ramp picture action works only for the Hazel and Maple tools.
    void perTab()
    {
        QFETCH(int, tab);
        SimulatedModule *module = m_host->module();
        QVERIFY(!m_window->selectTab(6));
        QVERIFY(m_window->selectTab(tab));
        ToolsInterface *tool = m_window->toolAt(tab);
        QCOMPARE(int(tool->motorNumber()), tab);
        QCOMPARE(tool->pluginVariant(), 69 + tab);
        QVERIFY(m_window->tabs()->tabText(tab).contains(families[tab]));
        const auto traced = [module](int motor) {
            return module->isTraced(
                module->parameter(static_cast<unsigned char>(motor), actualPosition));
        };
        QVERIFY(traced(tab));
        QCOMPARE(traced(0), tab == 0);

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

    void stopAllAndStandby()
    {
        SimulatedModule *module = m_host->module();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QCOMPARE(module->journal(),
                 (QStringList{"stop 0", "stop 1", "stop 2", "stop 3", "stop 4", "stop 5"}));

        // The module controls act on, and follow, the selected motor.
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
    }

    void pollingRateAndPlot_data()
    {
        QTest::addColumn<int>("hertz");
        QTest::addColumn<int>("tick");
        QTest::newRow("10 Hz") << 10 << 100;
        QTest::newRow("25 Hz") << 25 << 40;
        QTest::newRow("100 Hz") << 100 << 10;
        QTest::newRow("below the range") << 5 << 100;
    }

    // One polling round per tick and as much simulated time as the ticks together, at any rate;
    // the plot shows a point per tick, the last one now (0) where the motor is, without reading.
    void pollingRateAndPlot()
    {
        QFETCH(int, hertz);
        QFETCH(int, tick);
        m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(hertz);
        QCOMPARE(m_window->tickMilliseconds(), tick);
        SimulatedModule *module = m_host->module();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(move(3000));
        const auto reads = [module] {
            return module->readCount(0, actualPosition) +
                   module->readCount(0, ParameterType::cmd_ActualVelocity) +
                   module->readCount(0, ParameterType::cmd_TargetPosition);
        };
        const int before = reads();
        m_window->runSimulatedTime(400);
        QCOMPARE(reads() - before, 400 / tick);
        const QStringList journal = module->journal();
        m_window->plot()->redraw();
        QCOMPARE(reads() - before, 400 / tick);
        QCOMPARE(module->journal(), journal);

        SimulatedModule reference(1);
        reference.setPluginVariant(0, module->pluginVariant(0));
        reference.moveToPosition(0, 3000);
        reference.advance(400);
        QVERIFY(reference.motion(0).position() > 0);
        QCOMPARE(module->motion(0).position(), reference.motion(0).position());

        QwtPlotCurve *position = nullptr;
        for (QwtPlotItem *item : m_window->plot()->findChild<QwtPlot *>()->itemList()) {
            if (item->title().text() == QLatin1String("Actual position"))
                position = static_cast<QwtPlotCurve *>(item);
        }
        QVERIFY(position);
        QCOMPARE(int(position->dataSize()), 400 / tick);
        QCOMPARE(position->sample(0).x(), (tick - 400) / 1000.0);
        const QPointF last = position->sample(int(position->dataSize()) - 1);
        QCOMPARE(last.x() + 1.0, 1.0);
        QCOMPARE(qint64(last.y()), reference.motion(0).position());
        QVERIFY(last.y() > position->sample(0).y());
    }

    void disconnectCloseAndConnect()
    {
        const QPointer<ToolsInterface> old = m_window->toolAt(3);
        m_window->findChild<QAction *>(QStringLiteral("disconnectModule"))->trigger();
        QVERIFY(!m_host->module());

        // The tools stay and can be used; the host says why nothing happens.
        QSignalSpy posted(HostMessages::instance(), &HostMessages::posted);
        QVERIFY(m_window->selectTab(2));
        QVERIFY(m_window->selectTab(3));
        QVERIFY(move(500));
        QVERIFY(old);
        QVERIFY(!posted.isEmpty());
        QCOMPARE(m_window->statusBar()->currentMessage(), posted.last().at(0).toString());
        m_window->runSimulatedTime(100);
        m_window->stopAll();

        m_window->findChild<QAction *>(QStringLiteral("connectModule"))->trigger();
        QVERIFY(!old);
        QCOMPARE(m_window->tabs()->count(), 6);
        QCOMPARE(m_window->tabs()->currentIndex(), 3);
        SimulatedModule *module = m_host->module();
        QCOMPARE(m_window->currentTool()->module(), module);
        QCOMPARE(module->traceCount(), 1);
        QVERIFY(move(800));
        QCOMPARE(module->journal(), QStringList{"move 3 800"});

        m_window->close();
        QCOMPARE(m_window->tabs()->count(), 0);
        QVERIFY(m_host->tools().isEmpty());
        QCOMPARE(module->traceCount(), 0);
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"

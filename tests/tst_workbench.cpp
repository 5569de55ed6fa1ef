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

private slots:
    void init();
    void cleanup();

    // The executable, as a person or a script starts it.
    void refusesWhatItCannotUse_data();
    void refusesWhatItCannotUse();
    void screenshot_data();
    void screenshot();

    // The window, driven directly.
    void oneTabPerMotor();
    void showsOnlyTheSelectedTool();
    void moveThenStopAll();
    void moduleControlsSetTheSelectedMotorsState();
    void closeTakesTheToolsDown();
    void pollingRateSetsTheTick_data();
    void pollingRateSetsTheTick();
    void disconnectLeavesToolsThenConnectReplacesThem();
    void rampPictureOnlyWhereThereIsOne_data();
    void rampPictureOnlyWhereThereIsOne();
    void plotShowsTheMoveWithoutReading();

private:
    struct Run
    {
        int exitCode = -1;
        QString errors;
    };
    static Run runWorkbench(const QStringList &arguments);

    QTemporaryDir m_dir;
    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;
};

TestWorkbench::Run TestWorkbench::runWorkbench(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(WORKBENCH_EXE),
                  QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")} +
                      arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void TestWorkbench::refusesWhatItCannotUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("mentions");

    const QString missing = m_dir.filePath(QStringLiteral("libmissing.so"));
    const QString notPlugin = m_dir.filePath(QStringLiteral("libnotes.so"));
    QFile file(notPlugin);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();
    const QString emptyDir = m_dir.filePath(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(emptyDir));

    QTest::newRow("missing file") << QStringList{"--plugin", missing} << QStringList{missing};
    QTest::newRow("not a plugin") << QStringList{"--plugin", notPlugin} << QStringList{notPlugin};
    QTest::newRow("other interface") << QStringList{"--plugin", FAKE_PLUGIN}
                                     << QStringList{FAKE_PLUGIN, "com.example.OtherInterface/1.0"};
    QTest::newRow("directory without tool plugin")
        << QStringList{"--plugin", emptyDir} << QStringList{emptyDir};
    QTest::newRow("tab out of range")
        << QStringList{"--plugin", TOOL_PLUGIN, "--tab", "6"} << QStringList{"tab 6"};
    QTest::newRow("run not a number") << QStringList{"--run", "soon"} << QStringList{"soon"};
    QTest::newRow("no motors") << QStringList{"--motors", "0"} << QStringList{"--motors"};
    QTest::newRow("no ramp picture")
        << QStringList{"--tab", "4", "--ramp-picture"} << QStringList{"Hazel and Maple"};
}

void TestWorkbench::refusesWhatItCannotUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mentions);
    const Run run = runWorkbench(arguments);
    QVERIFY2(
        run.exitCode == 2,
        qPrintable(QStringLiteral("exit code %1, stderr:\n%2").arg(run.exitCode).arg(run.errors)));
    for (const QString &text : qAsConst(mentions))
        QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
}

void TestWorkbench::screenshot_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("plugin given") << QStringList{"--plugin", TOOL_PLUGIN};
    // Without --plugin the workbench finds the plugin where the build tree mirrors the install.
    QTest::newRow("plugin found") << QStringList{};
    QTest::newRow("after a move") << QStringList{"--tab", "4", "--move", "3000", "--run", "500"};
    QTest::newRow("twelve motors") << QStringList{"--motors", "12", "--tab", "11", "--expand"};
}

void TestWorkbench::screenshot()
{
    QFETCH(QStringList, arguments);
    const QString png = m_dir.filePath(QStringLiteral("%1.png").arg(QTest::currentDataTag()));
    const Run run = runWorkbench(arguments + QStringList{"--screenshot", png});
    QVERIFY2(
        run.exitCode == 0,
        qPrintable(QStringLiteral("exit code %1, stderr:\n%2").arg(run.exitCode).arg(run.errors)));
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 800 && image.height() >= 400);
    QVERIFY(QFileInfo(png).size() > 10000);
}

void TestWorkbench::init()
{
    m_host = std::make_unique<ToolHost>();
    QVERIFY2(m_host->load(QStringLiteral(TOOL_PLUGIN)), qPrintable(m_host->errorString()));
    QCOMPARE(m_host->createTools(), 6);
    m_window = std::make_unique<MainWindow>(m_host.get());
}

void TestWorkbench::cleanup()
{
    m_window.reset();
    m_host.reset();
}

void TestWorkbench::oneTabPerMotor()
{
    const QStringList families{"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
    QTabWidget *tabs = m_window->tabs();
    QCOMPARE(tabs->count(), 6);
    for (int i = 0; i < tabs->count(); ++i) {
        ToolsInterface *tool = m_window->toolAt(i);
        QVERIFY(tool);
        QCOMPARE(int(tool->motorNumber()), i);
        QCOMPARE(tool->pluginVariant(), 69 + i);
        QVERIFY(tabs->tabText(i).contains(families[i]));
    }
}

void TestWorkbench::showsOnlyTheSelectedTool()
{
    SimulatedModule *module = m_host->module();
    auto traced = [module](int motor) {
        return module->isTraced(
            module->parameter(static_cast<unsigned char>(motor), actualPosition));
    };
    QVERIFY(traced(0));
    QCOMPARE(module->traceCount(), 1);
    QVERIFY(module->readCount(0, actualPosition) > 0);
    QCOMPARE(module->readCount(3, actualPosition), 0);

    QVERIFY(m_window->selectTab(3));
    QVERIFY(!traced(0));
    QVERIFY(traced(3));
    QCOMPARE(module->traceCount(), 1);
    QVERIFY(module->readCount(3, actualPosition) > 0);
    QVERIFY(!m_window->selectTab(6));
}

void TestWorkbench::moveThenStopAll()
{
    SimulatedModule *module = m_host->module();
    QVERIFY(m_window->selectTab(2));
    QString error;
    QVERIFY2(m_window->moveCurrentTool(3000, &error), qPrintable(error));
    QCOMPARE(module->journal(), QStringList{"move 2 3000"});
    m_window->runSimulatedTime(200);
    QVERIFY(module->motion(2).isMoving());

    module->clearJournal();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QCOMPARE(module->journal(),
             (QStringList{"stop 0", "stop 1", "stop 2", "stop 3", "stop 4", "stop 5"}));
    m_window->runSimulatedTime(3000);
    QVERIFY(!module->motion(2).isMoving());
    QVERIFY(module->motion(2).position() < 3000);
}

void TestWorkbench::moduleControlsSetTheSelectedMotorsState()
{
    SimulatedModule *module = m_host->module();
    auto *standby = m_window->findChild<QSpinBox *>(chipStandby);
    QVERIFY(standby);
    QVERIFY(m_window->selectTab(3));
    standby->setValue(1);
    QCOMPARE(module->moduleValue(3, chipStandby), 1);
    QCOMPARE(module->moduleValue(0, chipStandby), 0);

    // The module refuses to move a motor whose chip stands by, and the window says so.
    QString error;
    QVERIFY(m_window->moveCurrentTool(500, &error));
    QCOMPARE(module->journal(), QStringList{"refused move 3 500"});
    QVERIFY(m_window->statusBar()->currentMessage().contains(QLatin1String("standby")));

    // The controls follow the selected motor.
    QVERIFY(m_window->selectTab(1));
    QCOMPARE(standby->value(), 0);
    QVERIFY(m_window->selectTab(3));
    QCOMPARE(standby->value(), 1);
}

void TestWorkbench::closeTakesTheToolsDown()
{
    m_window->close();
    QCOMPARE(m_window->tabs()->count(), 0);
    QVERIFY(m_host->tools().isEmpty());
    QCOMPARE(m_host->module()->traceCount(), 0);
}

void TestWorkbench::pollingRateSetsTheTick_data()
{
    QTest::addColumn<int>("hertz");
    QTest::addColumn<int>("tick");
    QTest::newRow("10 Hz") << 10 << 100;
    QTest::newRow("25 Hz") << 25 << 40;
    QTest::newRow("100 Hz") << 100 << 10;
    QTest::newRow("below the range") << 5 << 100;
}

void TestWorkbench::pollingRateSetsTheTick()
{
    QFETCH(int, hertz);
    QFETCH(int, tick);
    m_window->findChild<QSpinBox *>(QStringLiteral("pollingRate"))->setValue(hertz);
    QCOMPARE(m_window->tickMilliseconds(), tick);

    // One polling round per tick, and simulated time as long as the ticks together, whatever
    // their length: the motor gets exactly as far as in one advance of 400 ms.
    SimulatedModule *module = m_host->module();
    QString error;
    QVERIFY2(m_window->moveCurrentTool(3000, &error), qPrintable(error));
    const int reads = module->readCount(0, actualPosition);
    m_window->runSimulatedTime(400);
    QCOMPARE(module->readCount(0, actualPosition) - reads, 400 / tick);

    SimulatedModule reference(1);
    reference.setPluginVariant(0, module->pluginVariant(0));
    reference.moveToPosition(0, 3000);
    reference.advance(400);
    QVERIFY(reference.motion(0).position() > 0);
    QCOMPARE(module->motion(0).position(), reference.motion(0).position());
}

void TestWorkbench::disconnectLeavesToolsThenConnectReplacesThem()
{
    const QPointer<ToolsInterface> old = m_window->toolAt(3);
    m_window->findChild<QAction *>(QStringLiteral("disconnectModule"))->trigger();
    QVERIFY(!m_host->module());

    // The tools stay and can be used; the host says why nothing happens.
    QSignalSpy posted(HostMessages::instance(), &HostMessages::posted);
    QVERIFY(m_window->selectTab(2));
    QVERIFY(m_window->selectTab(3));
    QString error;
    QVERIFY2(m_window->moveCurrentTool(500, &error), qPrintable(error));
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
    QVERIFY(module);
    QCOMPARE(m_window->currentTool()->module(), module);
    QCOMPARE(module->traceCount(), 1);
    QVERIFY2(m_window->moveCurrentTool(800, &error), qPrintable(error));
    QCOMPARE(module->journal(), QStringList{"move 3 800"});
    m_window->runSimulatedTime(200);
    QVERIFY(module->motion(3).isMoving());
}

void TestWorkbench::rampPictureOnlyWhereThereIsOne_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("hasPicture");
    const QStringList families{"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
    for (int tab = 0; tab < families.size(); ++tab)
        QTest::newRow(qPrintable(families[tab])) << tab << (tab == 0 || tab == 3);
}

void TestWorkbench::rampPictureOnlyWhereThereIsOne()
{
    QFETCH(int, tab);
    QFETCH(bool, hasPicture);
    auto *action = m_window->findChild<QAction *>(QStringLiteral("rampPicture"));
    QVERIFY(m_window->selectTab(tab));
    QCOMPARE(action->isEnabled(), hasPicture);
    QCOMPARE(action->toolTip().contains(QLatin1String("Hazel and Maple")), !hasPicture);
    if (!hasPicture)
        return;
    m_window->show();
    action->trigger();
    QTRY_VERIFY(rampPictureShown());
    QVERIFY(action->isChecked());
    action->trigger();
    QTRY_VERIFY(!rampPictureShown());
    QVERIFY(!action->isChecked());
}

void TestWorkbench::plotShowsTheMoveWithoutReading()
{
    SimulatedModule *module = m_host->module();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QString error;
    QVERIFY2(m_window->moveCurrentTool(3000, &error), qPrintable(error));
    m_window->runSimulatedTime(1000);

    const auto reads = [module] {
        return QVector<int>{module->readCount(0, actualPosition),
                            module->readCount(0, ParameterType::cmd_ActualVelocity),
                            module->readCount(0, ParameterType::cmd_TargetPosition)};
    };
    const QVector<int> before = reads();
    const QStringList journal = module->journal();
    m_window->plot()->redraw();
    QCOMPARE(reads(), before);
    QCOMPARE(module->journal(), journal);

    // The position curve has a point per tick of the second that passed, the last one now (0)
    // where the motor is.
    QwtPlotCurve *position = nullptr;
    for (QwtPlotItem *item : m_window->plot()->findChild<QwtPlot *>()->itemList()) {
        if (item->title().text() == QLatin1String("Actual position"))
            position = static_cast<QwtPlotCurve *>(item);
    }
    QVERIFY(position);
    const int tick = m_window->tickMilliseconds();
    QCOMPARE(int(position->dataSize()), 1000 / tick);
    QCOMPARE(position->sample(0).x(), (tick - 1000) / 1000.0);
    const QPointF last = position->sample(int(position->dataSize()) - 1);
    QCOMPARE(last.x() + 1.0, 1.0);
    QCOMPARE(qint64(last.y()), module->moduleValue(0, actualPosition));
    QVERIFY(last.y() > position->sample(0).y());
}

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"

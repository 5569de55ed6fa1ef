#include "axilparameter.h"
#include "mainwindow.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

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
        auto *tool = qobject_cast<ToolsInterface *>(tabs->widget(i));
        QVERIFY(tool);
        QCOMPARE(int(tool->motorNumber()), i);
        QCOMPARE(tool->pluginVariant(), 69 + i);
        QVERIFY(tabs->tabText(i).contains(families[i]));
        QVERIFY(!tabs->tabIcon(i).isNull());
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

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"

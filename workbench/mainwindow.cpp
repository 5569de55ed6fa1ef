#include "mainwindow.h"

#include "hostmessages.h"
#include "modulecontrols.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QIcon>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

namespace {
constexpr int reportTimeout = 8000;
}

MainWindow::MainWindow(ToolHost *host, QWidget *parent)
    : QMainWindow(parent), m_host(host), m_tabs(new QTabWidget(this))
{
    setWindowTitle(tr("Position mode workbench"));
    resize(1100, 520);
    setCentralWidget(m_tabs);

    m_stopAll = new QAction(QIcon(QStringLiteral(":/Player/Stop")), tr("Stop all"), this);
    m_stopAll->setShortcut(Qt::Key_Escape);
    m_stopAll->setShortcutContext(Qt::ApplicationShortcut);
    m_stopAll->setToolTip(tr("Stop every motor of the module (Esc)"));
    connect(m_stopAll, &QAction::triggered, this, &MainWindow::stopAll);
    addAction(m_stopAll);

    m_controls = new ModuleControls(m_host->module(), m_stopAll);
    auto *dock = new QDockWidget(tr("Module controls"), this);
    dock->setObjectName(QStringLiteral("moduleControls"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    dock->setWidget(m_controls);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    connect(dock, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
        const bool row = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        m_controls->setOrientation(row ? Qt::Horizontal : Qt::Vertical);
    });

    buildMenus(dock->toggleViewAction());

    const auto showReport = [this](const QString &message) {
        statusBar()->showMessage(message, reportTimeout);
    };
    connect(m_host->module(), &AxilModuleInterface::report, this, showReport);
    connect(HostMessages::instance(), &HostMessages::posted, this, showReport);
    statusBar()->showMessage(tr("Plugin %1").arg(m_host->pluginFile()), reportTimeout);

    m_clock.setTimerType(Qt::PreciseTimer);
    m_clock.setInterval(tickMilliseconds);
    connect(&m_clock, &QTimer::timeout, this, &MainWindow::tick);

    addTools();
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::showTool);
    showTool(m_tabs->currentIndex());
}

MainWindow::~MainWindow()
{
    shutdown();
}

void MainWindow::buildMenus(QAction *showControls)
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu *module = menuBar()->addMenu(tr("&Module"));
    module->addAction(m_stopAll);
    module->addSeparator();
    module->addAction(showControls);
}

void MainWindow::addTools()
{
    const QVector<ToolsInterface *> tools = m_host->tools();
    for (ToolsInterface *tool : tools) {
        const int motor = tool->motorNumber();
        QString family = ToolHost::familyName(tool->pluginVariant());
        if (family.isEmpty())
            family = tool->toolsName(false);
        const int index = m_tabs->addTab(tool, QIcon(tool->iconPath()),
                                         tr("Motor %1 · %2").arg(motor).arg(family));
        m_tabs->setTabToolTip(
            index, tr("%1, chip %2")
                       .arg(tool->toolsName(true))
                       .arg(m_host->module()->getChipName(static_cast<unsigned char>(motor))));
    }
}

ToolsInterface *MainWindow::currentTool() const
{
    return qobject_cast<ToolsInterface *>(m_tabs->currentWidget());
}

bool MainWindow::selectTab(int index)
{
    if (index < 0 || index >= m_tabs->count())
        return false;
    m_tabs->setCurrentIndex(index);
    return true;
}

void MainWindow::showTool(int index)
{
    auto *tool = qobject_cast<ToolsInterface *>(m_tabs->widget(index));
    if (tool == m_shown)
        return;
    if (m_shown)
        m_shown->hidePlugin();
    m_shown = tool;
    if (!tool)
        return;
    tool->showPlugin();
    m_controls->setMotor(tool->motorNumber());
}

bool MainWindow::moveCurrentTool(int target, QString *error)
{
    ToolsInterface *tool = currentTool();
    if (!tool) {
        *error = tr("there is no tool to move");
        return false;
    }
    auto *edit = tool->findChild<QSpinBox *>(QStringLiteral("editTargetPosition"));
    auto *button = tool->findChild<QAbstractButton *>(QStringLiteral("btnAbsolute"));
    if (!edit || !button) {
        *error = tr("%1 has no target position field or no absolute move button")
                     .arg(tool->toolsName(true));
        return false;
    }
    if (target < edit->minimum() || target > edit->maximum()) {
        *error = tr("%1 takes targets from %2 to %3, not %4")
                     .arg(tool->toolsName(true))
                     .arg(edit->minimum())
                     .arg(edit->maximum())
                     .arg(target);
        return false;
    }
    edit->setValue(target);
    button->click();
    return true;
}

void MainWindow::expandCurrentTool()
{
    ToolsInterface *tool = currentTool();
    auto *collapse =
        tool ? tool->findChild<QAbstractButton *>(QStringLiteral("btnHideController")) : nullptr;
    if (collapse && collapse->isChecked())
        collapse->click();
}

void MainWindow::tick()
{
    m_host->module()->advance(tickMilliseconds);
}

void MainWindow::runSimulatedTime(int milliseconds)
{
    // The live clock would add its own ticks while events are handled.
    const bool live = m_clock.isActive();
    m_clock.stop();
    for (int elapsed = 0; elapsed < milliseconds; elapsed += tickMilliseconds) {
        tick();
        QApplication::processEvents();
    }
    if (live)
        m_clock.start();
}

void MainWindow::startClock()
{
    m_clock.start();
}

void MainWindow::stopAll()
{
    SimulatedModule *module = m_host->module();
    for (int m = 0; m < module->motorCount(); ++m)
        module->motorStop(static_cast<unsigned char>(m));
}

void MainWindow::shutdown()
{
    m_clock.stop();
    disconnect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::showTool);
    if (m_shown)
        m_shown->hidePlugin();
    m_shown = nullptr;
    m_host->shutdown();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shutdown();
    event->accept();
}

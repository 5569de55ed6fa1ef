#include "mainwindow.h"

#include "hostmessages.h"
#include "inputhelper.h"
#include "inputrefusal.h"
#include "messagelog.h"
#include "modulecontrols.h"
#include "motionexport.h"
#include "motionplot.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "settingsfile.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int reportTimeout = 8000;
constexpr int minimumPollingRate = 10;
constexpr int maximumPollingRate = 100;
const char motorProperty[] = "motor"; // of a tab's page: the motor whose tool it shows

// The scroll area in a tab's page that holds the tool; null before the tool was placed. A page
// gets its scroll area with its tool, so that a module of many motors starts with as many plain
// widgets, not as many scroll areas with their bars.
QScrollArea *scrollArea(const QWidget *page)
{
    return page ? page->findChild<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

MainWindow::MainWindow(ToolHost *host, QWidget *parent)
    : QMainWindow(parent), m_host(host), m_tabs(new QTabWidget(this))
{
    setWindowTitle(tr("Position mode workbench"));
    // Room for the widest expanded tool and the plot on a 1366 x 768 screen; no more than the
    // screen has (a screen scaled 2x has half as many pixels to give). The offscreen platform's
    // nominal screen is no screen: screenshots made there keep the default size.
    QSize size(1340, 720);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen && QGuiApplication::platformName() != QLatin1String("offscreen"))
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    m_tabs->setDocumentMode(true);
    createSettingsOffer();
    auto *central = new QWidget;
    auto *centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    centralLayout->addWidget(m_settingsOffer);
    centralLayout->addWidget(m_tabs);
    setCentralWidget(central);

    m_plot = new MotionPlot(&m_recorder);
    m_plotDock = new QDockWidget(tr("Motion"), this);
    m_plotDock->setObjectName(QStringLiteral("motionPlot"));
    m_plotDock->setWidget(m_plot);
    addDockWidget(Qt::RightDockWidgetArea, m_plotDock);
    resizeDocks({m_plotDock}, {m_plotWidth}, Qt::Horizontal);
    m_fitPlot.setSingleShot(true);
    m_fitPlot.setInterval(0);
    connect(&m_fitPlot, &QTimer::timeout, this, &MainWindow::fitPlotToTool);
    connect(m_plotDock, &QDockWidget::visibilityChanged, &m_fitPlot, qOverload<>(&QTimer::start));
    connect(m_plotDock, &QDockWidget::topLevelChanged, &m_fitPlot, qOverload<>(&QTimer::start));
    connect(m_plotDock, &QDockWidget::dockLocationChanged, &m_fitPlot, qOverload<>(&QTimer::start));

    m_log = new MessageLog;
    m_logDock = new QDockWidget(tr("Messages"), this);
    m_logDock->setObjectName(QStringLiteral("messages"));
    m_logDock->setWidget(m_log);
    addDockWidget(Qt::BottomDockWidgetArea, m_logDock);
    m_logDock->hide();

    createActions();
    createToolBars();
    createMenus();

    connect(HostMessages::instance(), &HostMessages::posted, this, &MainWindow::showReport);
    showReport(tr("Plugin %1").arg(m_host->pluginFile()));

    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, [this] { tick(m_clock.interval()); });
    setPollingRate(defaultPollingRate);

    attachModule();
    addTools();
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::showTool);
    showTool(m_tabs->currentIndex());
}

MainWindow::~MainWindow()
{
    shutdown();
}

void MainWindow::createActions()
{
    m_connect = new QAction(tr("&Connect"), this);
    m_connect->setObjectName(QStringLiteral("connectModule"));
    m_connect->setToolTip(tr("Connect a new module and open its tools, as at start-up"));
    connect(m_connect, &QAction::triggered, this, &MainWindow::connectModule);

    m_disconnect = new QAction(tr("&Disconnect"), this);
    m_disconnect->setObjectName(QStringLiteral("disconnectModule"));
    m_disconnect->setToolTip(
        tr("Pull the module's cable: the tools stay open, but the module is gone"));
    connect(m_disconnect, &QAction::triggered, this, &MainWindow::disconnectModule);

    m_stopAll = new QAction(QIcon(QStringLiteral(":/Player/Stop")), tr("&Stop all"), this);
    m_stopAll->setObjectName(QStringLiteral("stopAll"));
    m_stopAll->setShortcut(Qt::Key_Escape);
    m_stopAll->setShortcutContext(Qt::ApplicationShortcut);
    m_stopAll->setToolTip(tr("Stop every motor of the module (Esc)"));
    connect(m_stopAll, &QAction::triggered, this, &MainWindow::stopAll);
    addAction(m_stopAll);

    m_rampPicture = new QAction(QIcon(QStringLiteral(":/Images/Once")), tr("&Ramp picture"), this);
    m_rampPicture->setObjectName(QStringLiteral("rampPicture"));
    m_rampPicture->setCheckable(true);
    connect(m_rampPicture, &QAction::triggered, this, &MainWindow::toggleRampPicture);

    m_saveSettings = new QAction(tr("&Save settings..."), this);
    m_saveSettings->setObjectName(QStringLiteral("saveSettings"));
    m_saveSettings->setToolTip(tr("Save the ramp settings of every motor to a file"));
    connect(m_saveSettings, &QAction::triggered, this, &MainWindow::saveSettingsAs);

    m_loadSettings = new QAction(tr("&Load settings..."), this);
    m_loadSettings->setObjectName(QStringLiteral("loadSettings"));
    m_loadSettings->setToolTip(tr("Write the ramp settings of a file to the module's motors"));
    connect(m_loadSettings, &QAction::triggered, this, &MainWindow::loadSettingsFrom);
}

void MainWindow::createSettingsOffer()
{
    m_settingsOffer = new QFrame;
    m_settingsOffer->setObjectName(QStringLiteral("settingsOffer"));
    m_settingsOffer->setFrameShape(QFrame::StyledPanel);
    m_settingsOffer->setAutoFillBackground(true);
    m_settingsOffer->setBackgroundRole(QPalette::ToolTipBase);
    auto *text = new QLabel(tr("The disconnected module's ramp settings were kept. Nothing of "
                               "them is written to this module unless you apply them."),
                            m_settingsOffer);
    text->setForegroundRole(QPalette::ToolTipText);
    text->setWordWrap(true);
    auto *apply = new QPushButton(tr("&Apply settings of the disconnected module"));
    apply->setObjectName(QStringLiteral("applyKeptSettings"));
    connect(apply, &QPushButton::clicked, this, &MainWindow::applyKeptSettings);
    auto *dismiss = new QPushButton(tr("Dis&miss"));
    dismiss->setObjectName(QStringLiteral("dismissKeptSettings"));
    connect(dismiss, &QPushButton::clicked, this, &MainWindow::dismissKeptSettings);
    auto *layout = new QHBoxLayout(m_settingsOffer);
    layout->addWidget(text, 1);
    layout->addWidget(apply);
    layout->addWidget(dismiss);
    m_settingsOffer->hide();
}

void MainWindow::createToolBars()
{
    m_moduleBar = addToolBar(tr("Module"));
    m_moduleBar->setObjectName(QStringLiteral("moduleToolBar"));
    m_moduleBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Stop all first: a narrow window folds a tool bar's last items into a menu.
    m_moduleBar->addAction(m_stopAll);
    m_moduleBar->addSeparator();
    m_moduleBar->addAction(m_connect);
    m_moduleBar->addAction(m_disconnect);
    m_moduleBar->addSeparator();
    auto *rateLabel = new QLabel(tr("&Polling "), m_moduleBar);
    m_pollingRate = new QSpinBox(m_moduleBar);
    m_pollingRate->setObjectName(QStringLiteral("pollingRate"));
    m_pollingRate->setRange(minimumPollingRate, maximumPollingRate);
    m_pollingRate->setSingleStep(10);
    m_pollingRate->setSuffix(tr(" Hz"));
    InputRefusal::watch(m_pollingRate, tr("Polling"));
    m_pollingRate->setToolTip(tr("How often the module is polled; simulated time keeps pace "
                                 "with real time at any rate"));
    rateLabel->setBuddy(m_pollingRate);
    connect(m_pollingRate, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &MainWindow::setPollingRate);
    m_moduleBar->addWidget(rateLabel);
    m_moduleBar->addWidget(m_pollingRate);

    m_motorBar = addToolBar(tr("Motor"));
    m_motorBar->setObjectName(QStringLiteral("motorToolBar"));
    m_motorBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_controls = new ModuleControls(m_motorBar);
    m_motorBar->addWidget(m_controls);
    connect(m_motorBar, &QToolBar::orientationChanged, m_controls, &ModuleControls::setOrientation);
    m_motorBar->addSeparator();
    m_motorBar->addAction(m_rampPicture);
}

void MainWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_saveSettings);
    file->addAction(m_loadSettings);
    file->addSeparator();
    QAction *exportSamples =
        file->addAction(tr("Export &samples…"), this, [this] { exportWithDialog(false); });
    exportSamples->setObjectName(QStringLiteral("exportSamples"));
    exportSamples->setStatusTip(tr("Save the selected motor's recorded samples as CSV"));
    QAction *exportPlot =
        file->addAction(tr("Export &plot…"), this, [this] { exportWithDialog(true); });
    exportPlot->setObjectName(QStringLiteral("exportPlot"));
    exportPlot->setStatusTip(tr("Save the motion plot as it is shown, as PNG or SVG"));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu *module = menuBar()->addMenu(tr("&Module"));
    module->addAction(m_connect);
    module->addAction(m_disconnect);
    module->addSeparator();
    module->addAction(m_stopAll);

    QMenu *motor = menuBar()->addMenu(tr("M&otor"));
    // The tooltip of a disabled Ramp picture says why it is disabled.
    motor->setToolTipsVisible(true);
    motor->addAction(m_rampPicture);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    QAction *plot = m_plotDock->toggleViewAction();
    plot->setText(tr("&Motion plot"));
    plot->setShortcut(Qt::Key_F9);
    view->addAction(plot);
    QAction *log = m_logDock->toggleViewAction();
    log->setText(tr("M&essages"));
    log->setShortcut(Qt::Key_F10);
    log->setToolTip(tr("Every message of the module and the host, with its time (F10)"));
    view->addAction(log);
    view->addSeparator();
    view->addAction(m_moduleBar->toggleViewAction());
    view->addAction(m_motorBar->toggleViewAction());
}

void MainWindow::attachModule()
{
    SimulatedModule *module = m_host->module();
    m_controls->setModule(module);
    m_plot->setModule(module);
    if (module)
        connect(module, &AxilModuleInterface::report, this, &MainWindow::showReport);
    m_connect->setEnabled(module == nullptr);
    m_disconnect->setEnabled(module != nullptr);
    m_stopAll->setEnabled(module != nullptr);
    m_saveSettings->setEnabled(module != nullptr);
    m_loadSettings->setEnabled(module != nullptr);
}

// A tab for every motor that the plugin offers a tool for; the tool itself is made when its
// tab is first selected, so that a module of 256 motors opens as fast as one of six.
void MainWindow::addTools()
{
    const SimulatedModule *module = m_host->module();
    for (const ToolHost::Offer &offer : m_host->offers()) {
        const auto motor = static_cast<unsigned char>(offer.motor);
        QString family = ToolHost::familyName(module->pluginVariant(motor));
        if (family.isEmpty())
            family = offer.name;
        auto *page = new QWidget;
        page->setProperty(motorProperty, offer.motor);
        // Every tool has the same icon; without it six tabs fit beside the plot.
        const int index = m_tabs->addTab(page, tr("Motor %1 · %2").arg(motor).arg(family));
        m_tabs->setTabToolTip(
            index,
            tr("Motor %1 (%2), chip %3").arg(motor).arg(offer.name, module->getChipName(motor)));
    }
}

ToolsInterface *MainWindow::placeTool(int index)
{
    QWidget *page = m_tabs->widget(index);
    if (!page)
        return nullptr;
    if (ToolsInterface *tool = toolAt(index))
        return tool;
    ToolsInterface *tool = m_host->tool(page->property(motorProperty).toInt());
    if (!tool)
        return nullptr;
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    // The forms give the tools a minimum size below what their content needs; without it the
    // tool's layout sets the minimum, so that the page scrolls instead of clipping.
    tool->setMinimumSize(0, 0);
    area->setWidget(tool);
    // A panel opened or closed changes what the tool needs.
    tool->installEventFilter(this);
    return tool;
}

void MainWindow::removeTools(bool exiting)
{
    const QSignalBlocker blocker(m_tabs);
    if (m_shown)
        m_shown->hidePlugin();
    m_shown = nullptr;
    if (exiting)
        m_host->shutdown();
    else
        m_host->removeTools();
    // From the last: the selected tab stays until it goes itself, so that no other page is
    // shown on the way.
    for (int index = m_tabs->count() - 1; index >= 0; --index) {
        QWidget *page = m_tabs->widget(index);
        m_tabs->removeTab(index);
        delete page;
    }
    updateRampPicture();
}

ToolsInterface *MainWindow::toolAt(int index) const
{
    const QScrollArea *area = scrollArea(m_tabs->widget(index));
    return area ? qobject_cast<ToolsInterface *>(area->widget()) : nullptr;
}

ToolsInterface *MainWindow::currentTool() const
{
    return toolAt(m_tabs->currentIndex());
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
    ToolsInterface *tool = placeTool(index);
    if (tool == m_shown)
        return;
    if (m_shown)
        m_shown->hidePlugin();
    m_shown = tool;
    updateRampPicture();
    m_fitPlot.start();
    if (!tool)
        return;
    tool->showPlugin();
    const int motor = tool->motorNumber();
    m_controls->setMotor(motor);
    m_plot->setMotor(motor, tr("pps"));
    // The Rowan tool's own form names its target field as the generic tool does.
    m_plot->setTargetField(tool->findChild<QSpinBox *>(QStringLiteral("editTargetPosition")));
    m_plotDock->setWindowTitle(tr("Motion of motor %1").arg(motor));
}

void MainWindow::showReport(const QString &message)
{
    statusBar()->showMessage(message, reportTimeout);
    m_log->add(message);
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

// Only the Hazel and Maple panels have a ramp picture; the Larch panel has the button too, but
// nothing behind it.
QAbstractButton *MainWindow::rampPictureButton() const
{
    ToolsInterface *tool = currentTool();
    if (!tool || (tool->pluginVariant() != PluginVariant::StepperHazelPositionMode &&
                  tool->pluginVariant() != PluginVariant::StepperMaplePositionMode))
        return nullptr;
    return tool->findChild<QAbstractButton *>(QStringLiteral("btnInputHelper"));
}

InputHelper *MainWindow::rampPictureWindow() const
{
    ToolsInterface *tool = currentTool();
    return rampPictureButton() ? tool->findChild<InputHelper *>() : nullptr;
}

void MainWindow::updateRampPicture()
{
    disconnect(m_rampPictureSync);
    QAbstractButton *button = rampPictureButton();
    InputHelper *window = rampPictureWindow();
    m_rampPicture->setEnabled(button != nullptr);
    // The action follows the window: a Maple tool's button stays checked when the window's own
    // close button closes it.
    m_rampPicture->setChecked(window && window->isVisible() && !window->isMinimized());
    if (window && window != m_watchedPicture) {
        if (m_watchedPicture)
            m_watchedPicture->removeEventFilter(this);
        m_watchedPicture = window;
        window->installEventFilter(this);
    }
    ToolsInterface *tool = currentTool();
    if (button) {
        m_rampPicture->setToolTip(tr("Open or close the ramp picture of motor %1: the ramp "
                                     "parameters placed on the ramp they shape")
                                      .arg(tool->motorNumber()));
        m_rampPictureSync = connect(button, &QAbstractButton::toggled, this,
                                    &MainWindow::updateRampPicture, Qt::QueuedConnection);
    } else if (tool) {
        m_rampPicture->setToolTip(tr("Only the Hazel and Maple tools have a ramp picture; "
                                     "motor %1 has a %2 tool")
                                      .arg(tool->motorNumber())
                                      .arg(ToolHost::familyName(tool->pluginVariant())));
    } else {
        m_rampPicture->setToolTip(tr("No tool is open"));
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest && watched == currentTool())
        m_fitPlot.start();
    if (watched == m_watchedPicture) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            QMetaObject::invokeMethod(this, &MainWindow::updateRampPicture, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::toggleRampPicture(bool checked)
{
    QAbstractButton *button = rampPictureButton();
    if (!button)
        return;
    InputHelper *window = rampPictureWindow();
    if (checked == (window && window->isVisible()))
        return;
    // A button left checked by a window that closed itself first goes off, then on again.
    if (button->isChecked() == checked)
        button->click();
    button->click();
    updateRampPicture();
}

bool MainWindow::openRampPicture(QString *error)
{
    if (!m_rampPicture->isEnabled()) {
        *error = m_rampPicture->toolTip();
        return false;
    }
    if (!m_rampPicture->isChecked())
        m_rampPicture->trigger();
    return true;
}

void MainWindow::setPollingRate(int hertz)
{
    hertz = qBound(minimumPollingRate, hertz, maximumPollingRate);
    m_clock.setInterval(qRound(1000.0 / hertz));
    const QSignalBlocker blocker(m_pollingRate);
    m_pollingRate->setValue(hertz);
}

int MainWindow::tickMilliseconds() const
{
    return m_clock.interval();
}

void MainWindow::tick(int milliseconds)
{
    SimulatedModule *module = m_host->module();
    if (!module)
        return;
    module->advance(milliseconds);
    m_recorder.sample(*module, milliseconds);
}

void MainWindow::runSimulatedTime(int milliseconds)
{
    // The live clock would add its own ticks while events are handled.
    const bool live = m_clock.isActive();
    m_clock.stop();
    // The last tick is shorter when the time is no whole number of ticks.
    for (int left = milliseconds; left > 0; left -= m_clock.interval()) {
        tick(qMin(left, m_clock.interval()));
        QApplication::processEvents();
    }
    if (m_plot->isVisible())
        m_plot->redraw();
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
    if (!module)
        return;
    // A tool's own Stop ends its move as well: stopped behind its back, a tool would take up an
    // alternating move again when it is next shown. Motors without a tool, or whose tool's Stop
    // is disabled, are stopped directly.
    QSet<int> stopped;
    for (ToolsInterface *tool : m_host->tools()) {
        auto *stop = tool->findChild<QAbstractButton *>(QStringLiteral("btnStop"));
        if (stop && stop->isEnabled()) {
            stop->click();
            stopped.insert(tool->motorNumber());
        }
    }
    for (int m = 0; m < module->motorCount(); ++m) {
        if (!stopped.contains(m))
            module->motorStop(static_cast<unsigned char>(m));
    }
}

void MainWindow::disconnectModule()
{
    if (!m_host->module())
        return;
    // Taken while the module is still there; a new module may get them back.
    m_keptSettings = SettingsFile::capture(m_host->module()).toJson();
    m_settingsOffer->hide();
    m_host->disconnectModule();
    attachModule();
    showReport(tr("Module disconnected. Its tools stay open until it is connected again; the "
                  "host refuses what they ask of it."));
}

void MainWindow::connectModule()
{
    const int selected = m_tabs->currentIndex();
    removeTools(false);
    const int count = m_host->connectModule();
    m_recorder.reset();
    attachModule();
    {
        const QSignalBlocker blocker(m_tabs);
        addTools();
        selectTab(qMin(selected, m_tabs->count() - 1));
    }
    showTool(m_tabs->currentIndex());
    showReport(tr("Module connected: %n tool(s).", nullptr, count));
    m_settingsOffer->setVisible(!m_keptSettings.isEmpty());
}

void MainWindow::applyKeptSettings()
{
    int motors = 0;
    QString error;
    if (SettingsFile::load(m_host->module(), m_keptSettings, tr("the disconnected module"), &motors,
                           &error, trapezoidalMotors()))
        showReport(
            tr("Applied the settings of the disconnected module to %n motor(s).", nullptr, motors));
    else
        showReport(error);
    dismissKeptSettings();
}

void MainWindow::dismissKeptSettings()
{
    m_keptSettings.clear();
    m_settingsOffer->hide();
}

bool MainWindow::saveSettings(const QString &fileName, QString *error)
{
    if (!m_host->module()) {
        *error = tr("Cannot save settings to %1: no module is connected.").arg(fileName);
        return false;
    }
    if (!SettingsFile::saveFile(m_host->module(), fileName, error))
        return false;
    showReport(tr("Saved the settings of the module's motors to %1").arg(fileName));
    return true;
}

// The motors whose Larch tool is switched to the trapezoidal ramp, by the text of its switch.
QSet<int> MainWindow::trapezoidalMotors() const
{
    QSet<int> motors;
    for (ToolsInterface *tool : m_host->tools()) {
        const auto *button = tool->findChild<QAbstractButton *>(QStringLiteral("btnSwitchMode"));
        if (button && button->text().startsWith(QLatin1String("Switch to eightpoint")))
            motors.insert(tool->motorNumber());
    }
    return motors;
}

bool MainWindow::loadSettings(const QString &fileName, QString *error)
{
    int motors = 0;
    if (!SettingsFile::loadFile(m_host->module(), fileName, &motors, error, trapezoidalMotors()))
        return false;
    showReport(motors == 1 ? tr("Loaded settings of 1 motor from %1").arg(fileName)
                           : tr("Loaded settings of %1 motors from %2").arg(motors).arg(fileName));
    return true;
}

// A name typed without a suffix gets the one of the selected filter, so that the file shows up
// again under that filter when it is loaded.
QString MainWindow::askSaveFile(const QString &title, const QString &name, const QString &filters)
{
    QFileDialog dialog(this, title, name, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto suffixOf = [](const QString &filter) {
        const int star = filter.indexOf(QLatin1String("*."));
        return star < 0 ? QString() : filter.mid(star + 2).section(QLatin1Char(')'), 0, 0);
    };
    dialog.setDefaultSuffix(suffixOf(filters.section(QLatin1String(";;"), 0, 0)));
    connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString &filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void MainWindow::saveSettingsAs()
{
    const QString fileName =
        askSaveFile(tr("Save settings"), QString(), tr("Settings (*.json);;All files (*)"));
    QString error;
    if (!fileName.isEmpty() && !saveSettings(fileName, &error))
        QMessageBox::warning(this, tr("Save settings"), error);
}

void MainWindow::loadSettingsFrom()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Load settings"), QString(),
                                                          tr("Settings (*.json);;All files (*)"));
    QString error;
    if (!fileName.isEmpty() && !loadSettings(fileName, &error))
        QMessageBox::warning(this, tr("Load settings"), error);
}

bool MainWindow::exportTo(const QString &file, QString *error)
{
    switch (MotionExport::format(file)) {
    case MotionExport::Format::Csv:
        return MotionExport::writeCsv(file, m_recorder.samples(m_plot->motor()), error);
    case MotionExport::Format::Png:
    case MotionExport::Format::Svg:
        return m_plot->savePicture(file, error);
    case MotionExport::Format::Unknown:
        break;
    }
    *error = tr("%1: samples are exported as .csv, the plot as .png or .svg").arg(file);
    return false;
}

void MainWindow::exportWithDialog(bool picture)
{
    const QString file = picture ? askSaveFile(tr("Export plot"), tr("motion.png"),
                                               tr("PNG picture (*.png);;SVG drawing (*.svg)"))
                                 : askSaveFile(tr("Export samples"), tr("motion.csv"),
                                               tr("Comma-separated values (*.csv)"));
    if (file.isEmpty())
        return;
    QString error;
    if (exportTo(file, &error))
        showReport(tr("Wrote %1").arg(file));
    else
        QMessageBox::warning(this, tr("Export"), error);
}

void MainWindow::shutdown()
{
    m_clock.stop();
    removeTools(true);
}

void MainWindow::fitPlotToTool()
{
    ToolsInterface *tool = currentTool();
    const QScrollArea *page = scrollArea(m_tabs->currentWidget());
    const Qt::DockWidgetArea area = dockWidgetArea(m_plotDock);
    if (!tool || !page || !m_plotDock->isVisible() || m_plotDock->isFloating() ||
        (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea))
        return;
    const QSize needed = tool->minimumSizeHint();
    int neededWidth = needed.width() + m_tabs->width() - page->width();
    if (needed.height() > page->height())
        neededWidth += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, page);
    const int room = m_tabs->width() + m_plotDock->width() - neededWidth;
    const int width = std::max(m_plotDock->minimumSizeHint().width(), std::min(m_plotWidth, room));
    if (width != m_plotDock->width())
        resizeDocks({m_plotDock}, {width}, Qt::Horizontal);
}

bool MainWindow::event(QEvent *event)
{
    // Presses that reach the window itself fall on the separators between tool and plot: a
    // width that a person gives the plot is the width it goes back to.
    if (event->type() == QEvent::MouseButtonPress)
        m_plotWidthAtPress = m_plotDock->width();
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::MouseButtonRelease && m_plotWidthAtPress >= 0) {
        if (m_plotDock->width() != m_plotWidthAtPress)
            m_plotWidth = m_plotDock->width();
        m_plotWidthAtPress = -1;
    }
    return handled;
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_fitPlot.start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shutdown();
    event->accept();
}

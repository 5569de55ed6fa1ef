#pragma once

#include "motionrecorder.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QTimer>

class ModuleControls;
class InputHelper;
class MessageLog;
class MotionPlot;
class QAbstractButton;
class QAction;
class QDockWidget;
class QFrame;
class QSpinBox;
class QTabWidget;
class QToolBar;
class ToolHost;
class ToolsInterface;

// The workbench window: one tab per tool (each in a scroll area, so that an expanded tool never
// clips), the module and the selected motor's controls in tool bars, a plot of the selected
// motor's motion beside the tools, the module's and the host's reports in the status bar, and a
// clock that lets simulated time follow real time.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    // A tab for each tool the host offers; a tool is asked for when its tab is first selected
    // and then lives in the tab. The host must outlive the window.
    explicit MainWindow(ToolHost *host, QWidget *parent = nullptr);
    ~MainWindow() override;

    QTabWidget *tabs() const { return m_tabs; }
    // A tab's tool; null before the tab was first selected.
    ToolsInterface *toolAt(int index) const;
    ToolsInterface *currentTool() const;
    MotionPlot *plot() const { return m_plot; }
    const MotionRecorder &recorder() const { return m_recorder; }
    bool selectTab(int index);
    // What a person does to move the selected tool's motor to an absolute position: enters the
    // target and presses the button. False, with the reason, when the tool lacks either.
    bool moveCurrentTool(int target, QString *error);
    // Opens the selected tool's ramp panel, as a click on its collapse button does.
    void expandCurrentTool();
    // Opens the selected tool's ramp picture, as the Ramp picture action does. False, with the
    // reason, when the tool has none.
    bool openRampPicture(QString *error);
    // Lets the given simulated time pass at once, in clock ticks, handling events in between.
    void runSimulatedTime(int milliseconds);
    void startClock();
    // Clock ticks per second, 10 to 100; each tick lets its own length of simulated time pass.
    void setPollingRate(int hertz);
    int tickMilliseconds() const;
    void stopAll();
    // Deletes the module; the tools stay until connectModule() replaces them.
    void disconnectModule();
    // Removes the tools and creates a new module and new tools, as at start-up.
    void connectModule();
    // Writes the selected motor's samples (.csv) or the plot (.png, .svg), by the file's suffix.
    // False, with the reason, when the suffix is none of these or the file cannot be written.
    bool exportTo(const QString &file, QString *error);
    // aboutToExit() and deletion of every tool; the window is empty afterwards. Idempotent.
    void shutdown();

    // Settings files (SettingsFile). False, with a one-line reason, when the file cannot be
    // written, or is refused or unreadable; a refused file writes nothing. A loaded file is
    // reported in the status bar.
    bool saveSettings(const QString &fileName, QString *error);
    bool loadSettings(const QString &fileName, QString *error);
    // What the buttons of the offer of the disconnected module's settings do.
    void applyKeptSettings();
    void dismissKeptSettings();

    static constexpr int defaultPollingRate = 50;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Q_DISABLE_COPY(MainWindow)
    void createActions();
    void createToolBars();
    void createMenus();
    void addTools();
    // The tool of the tab, made and placed in its page at the first call.
    ToolsInterface *placeTool(int index);
    void removeTools(bool exiting);
    void attachModule();
    void showTool(int index);
    void showReport(const QString &message);
    void createSettingsOffer();
    QString askSaveFile(const QString &title, const QString &name, const QString &filters);
    QSet<int> trapezoidalMotors() const;
    void saveSettingsAs();
    void loadSettingsFrom();
    void updateRampPicture();
    InputHelper *rampPictureWindow() const;
    void toggleRampPicture(bool checked);
    QAbstractButton *rampPictureButton() const;
    // Gives the plot what the selected tool leaves of the window's width, between the plot's
    // minimum and the width the person gave it; the tool scrolls only when the plot can yield
    // no more.
    void fitPlotToTool();
    // Asks for a file, as the File menu's export actions do, and writes it.
    void exportWithDialog(bool picture);
    // Lets the given simulated time pass and samples the motion.
    void tick(int milliseconds);

    ToolHost *const m_host;
    QTabWidget *m_tabs = nullptr;
    ModuleControls *m_controls = nullptr;
    QSpinBox *m_pollingRate = nullptr;
    MotionRecorder m_recorder;
    MotionPlot *m_plot = nullptr;
    QDockWidget *m_plotDock = nullptr;
    MessageLog *m_log = nullptr;
    QDockWidget *m_logDock = nullptr;
    QToolBar *m_moduleBar = nullptr;
    QToolBar *m_motorBar = nullptr;
    QAction *m_connect = nullptr;
    QAction *m_disconnect = nullptr;
    QAction *m_stopAll = nullptr;
    QAction *m_rampPicture = nullptr;
    QAction *m_saveSettings = nullptr;
    QAction *m_loadSettings = nullptr;
    // The offer to apply the kept settings: a bar above the tabs, so that it neither blocks nor
    // goes unnoticed.
    QFrame *m_settingsOffer = nullptr;
    // The settings kept from the module when it was disconnected, offered to the module
    // connected next; empty when there is nothing to offer.
    QByteArray m_keptSettings;
    QMetaObject::Connection m_rampPictureSync;
    // The ramp picture window whose showing and hiding the action follows; held as a QWidget,
    // since the window still sends events while it is destroyed and no longer an InputHelper.
    QPointer<QWidget> m_watchedPicture;
    QPointer<ToolsInterface> m_shown;
    QTimer m_clock;
    QTimer m_fitPlot;      // coalesces the reasons to fit the plot into one fit
    int m_plotWidth = 330; // the plot's width when the tool leaves room for it
    int m_plotWidthAtPress = -1;
};

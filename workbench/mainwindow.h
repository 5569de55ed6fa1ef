#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class ModuleControls;
class QAction;
class QTabWidget;
class ToolHost;
class ToolsInterface;

// The workbench window: one tab per tool, the module controls in a dock, the module's reports
// in the status bar, and a clock that lets simulated time follow real time.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    // The host's tools move into the window's tabs; the host must outlive the window.
    explicit MainWindow(ToolHost *host, QWidget *parent = nullptr);
    ~MainWindow() override;

    QTabWidget *tabs() const { return m_tabs; }
    ToolsInterface *currentTool() const;
    bool selectTab(int index);
    // What a person does to move the selected tool's motor to an absolute position: enters the
    // target and presses the button. False, with the reason, when the tool lacks either.
    bool moveCurrentTool(int target, QString *error);
    // Opens the selected tool's ramp panel, as a click on its collapse button does.
    void expandCurrentTool();
    // Lets the given simulated time pass at once, in clock ticks, handling events in between.
    void runSimulatedTime(int milliseconds);
    void startClock();
    void stopAll();
    // aboutToExit() and deletion of every tool; the window is empty afterwards. Idempotent.
    void shutdown();

    static constexpr int tickMilliseconds = 20;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Q_DISABLE_COPY(MainWindow)
    void addTools();
    void buildMenus(QAction *showControls);
    void showTool(int index);
    void tick();

    ToolHost *const m_host;
    QTabWidget *m_tabs = nullptr;
    QAction *m_stopAll = nullptr;
    ModuleControls *m_controls = nullptr;
    QPointer<ToolsInterface> m_shown;
    QTimer m_clock;
};

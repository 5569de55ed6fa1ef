// Speed and memory figures of the position tool. Each figure that has a goal is measured beside
// what the tool is made of (the bare Qt widgets, the generated forms alone) in the same process,
// so that the machine and the Qt build largely cancel out of the ratios.
//
// Timings are the CPU time of the GUI thread, not wall-clock time: on a shared machine the wall
// clock also counts the time that other processes took, and swings by a factor of two or more.
// Every timing is repeated (--runs, after one untimed warm-up) and the smallest is reported, the
// run that other work disturbed least. Work that an update posts (layout, paint) is handled right
// after it, as a running event loop would, and is part of the timing.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "cachedbackdrop.h"
#include "cachedprogressbar.h"
#include "genericstepperpositionmode.h"
#include "inputhelper.h"
#include "mainwindow.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "simulatedmodule.h"
#include "toolhost.h"

#include "ui_genericstepperpositionmode.h"
#include "ui_stepperpositionmodebirch.h"
#include "ui_stepperpositionmodecedar.h"
#include "ui_stepperpositionmodehazel.h"
#include "ui_stepperpositionmodelarch.h"
#include "ui_stepperpositionmodemaple.h"
#include "ui_stepperpositionmoderowan.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QSpinBox>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include <time.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const int allVariants[] = {
    PluginVariant::StepperHazelPositionMode, PluginVariant::StepperBirchPositionMode,
    PluginVariant::StepperCedarPositionMode, PluginVariant::StepperMaplePositionMode,
    PluginVariant::StepperLarchPositionMode, PluginVariant::StepperRowanPositionMode,
};
constexpr int variantCount = int(sizeof(allVariants) / sizeof(allVariants[0]));

// The generic tool used where one variant stands for all: its panel adds no traces of its own.
constexpr int genericVariant = PluginVariant::StepperCedarPositionMode;

// Start and target of the move that the tools follow; the two positions that the updates
// alternate between lie inside it, so that both the text and the percentage change each time.
constexpr int moveTarget = 1000;
constexpr int positionA = 250;
constexpr int positionB = 260;

using ToolPtr = std::unique_ptr<ToolsInterface>;

// Divides the repetition counts (--quick, for profiling under a simulator).
int repeatDivisor = 1;

int repeats(int count)
{
    return std::max(2, count / repeatDivisor);
}

double minimum(const QVector<double> &values)
{
    return values.isEmpty() ? 0 : *std::min_element(values.begin(), values.end());
}

// CPU time that this thread has used, in nanoseconds.
qint64 cpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Measures the CPU time of the GUI thread from start() on.
class CpuTimer
{
public:
    void start() { m_start = cpuNs(); }
    qint64 nsecsElapsed() const { return cpuNs() - m_start; }

private:
    qint64 m_start = 0;
};

// Handles what a running event loop would handle next: window exposure, layout and paint
// requests.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
}

// The layout and paint requests that an update posted; the event loop handles them between two
// polling rounds.
void flushPosted()
{
    QCoreApplication::sendPostedEvents();
}

template <typename T> T *child(QObject *parent, const char *name)
{
    T *object = parent->findChild<T *>(QLatin1String(name));
    if (!object)
        qFatal("no %s in %s", name, qPrintable(parent->objectName()));
    return object;
}

// A tool as the host creates it: factory instance, variant check, clone.
ToolPtr createTool(SimulatedModule &module, unsigned char motor, int variant)
{
    GenericStepperPositionMode factory;
    if (!factory.isUsableForVariant(variant))
        qFatal("variant %d refused", variant);
    return ToolPtr(factory.clone(QStringLiteral("bench"), motor, &module));
}

void showTool(ToolsInterface *tool)
{
    tool->show();
    tool->showPlugin();
}

// Starts an absolute move to moveTarget from position 0, as a person would.
void startMove(ToolsInterface *tool)
{
    child<QSpinBox>(tool, "editTargetPosition")->setValue(moveTarget);
    child<QAbstractButton>(tool, "btnAbsolute")->click();
}

qint64 vmRssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QString cpuModel()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QList<QByteArray> lines = info.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown CPU");
}

// The host's window: the tools in a grid of eight columns in a scroll area of 1024 x 768, as
// many visible as fit, or grown until every tool is visible (showEveryTool).
class Workbench final
{
public:
    Workbench()
    {
        auto *content = new QWidget;
        m_grid = new QGridLayout(content);
        m_area.setWidget(content);
        m_area.setWidgetResizable(true);
        m_area.resize(1024, 768);
        m_area.show();
    }

    void add(ToolsInterface *tool)
    {
        m_grid->addWidget(tool, m_count / 8, m_count % 8);
        ++m_count;
        tool->show();
    }

    void showEveryTool() { m_area.resize(m_area.widget()->sizeHint() + QSize(8, 8)); }

private:
    QScrollArea m_area;
    QGridLayout *m_grid = nullptr;
    int m_count = 0;
};

// ---- update through the tool against the bare widgets --------------------------------------

struct UpdateFigures
{
    double toolUs = 0;
    double bareUs = 0;  // the same widgets alone, painted as in the tool
    double plainUs = 0; // a plain label and progress bar
};

// Out of line, so that a profiler tells them apart. All return microseconds per update.
Q_NEVER_INLINE double updateViaTool(Model::AxilParameter *actual, int updates)
{
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < updates; ++i) {
        emit actual->valueChanged(i % 2 ? positionB : positionA);
        flushPosted();
    }
    return double(timer.nsecsElapsed()) / 1000.0 / updates;
}

// The same two changes as the tool makes, with as many update requests: the tool holds the
// bar's updates back while it sets the value, so that its repaint waits for the event loop.
Q_NEVER_INLINE double updateDirect(QLabel *label, QProgressBar *bar, int updates)
{
    CpuTimer timer;
    timer.start();
    for (int i = 0; i < updates; ++i) {
        const int value = i % 2 ? positionB : positionA;
        label->setText(QString::number(value));
        bar->setUpdatesEnabled(false);
        bar->setValue(value * 100 / moveTarget);
        bar->setUpdatesEnabled(true);
        flushPosted();
    }
    return double(timer.nsecsElapsed()) / 1000.0 / updates;
}

// A label and a bar of the tool's exact size and look, opaque and of fixed size (a new text costs
// no layout), as the tool's are. The label fills its own background; the bar does too, or paints
// from the pictures shared by the tools' bars (paintedAsTool).
class BareWidgets final
{
public:
    BareWidgets(const QLabel *toolLabel, const QProgressBar *toolBar, bool paintedAsTool)
    {
        auto *layout = new QVBoxLayout(&window);
        label = new QLabel(QStringLiteral("0"));
        label->setFrameShape(toolLabel->frameShape());
        label->setFrameShadow(toolLabel->frameShadow());
        label->setLineWidth(toolLabel->lineWidth());
        label->setAlignment(toolLabel->alignment());
        label->setFont(toolLabel->font());
        label->setFixedSize(toolLabel->size());
        bar = new QProgressBar;
        bar->setFormat(toolBar->format());
        bar->setRange(toolBar->minimum(), toolBar->maximum());
        bar->setFixedSize(toolBar->size());
        label->setAutoFillBackground(true);
        layout->addWidget(label);
        layout->addWidget(bar);
        if (paintedAsTool)
            new CachedProgressBar(bar, new CachedBackdrop(bar));
        else
            bar->setAutoFillBackground(true);
        window.show();
        settle();
    }

    QWidget window;
    QLabel *label;
    QProgressBar *bar;
};

UpdateFigures measureUpdate(int runs)
{
    const int updates = repeats(4000);

    SimulatedModule module(1);
    module.setPluginVariant(0, genericVariant);
    ToolPtr tool = createTool(module, 0, genericVariant);
    showTool(tool.get());
    startMove(tool.get());
    settle();
    Model::AxilParameter *actual = module.controller(0)->actualPosition;
    const auto *toolLabel = child<QLabel>(tool.get(), "dispActualPosition");
    const auto *toolBar = child<QProgressBar>(tool.get(), "progressBar");

    BareWidgets bare(toolLabel, toolBar, true);
    BareWidgets plain(toolLabel, toolBar, false);

    updateViaTool(actual, updates);
    updateDirect(bare.label, bare.bar, updates);
    updateDirect(plain.label, plain.bar, updates);
    QVector<double> toolTimes, bareTimes, plainTimes;
    for (int run = 0; run < runs; ++run) {
        toolTimes << updateViaTool(actual, updates);
        bareTimes << updateDirect(bare.label, bare.bar, updates);
        plainTimes << updateDirect(plain.label, plain.bar, updates);
    }
    return {minimum(toolTimes), minimum(bareTimes), minimum(plainTimes)};
}

// ---- polling rounds ------------------------------------------------------------------------

// Swallows the paint events of the widgets it watches, so that a round measures what Qt's repaint
// manager does for their update requests (marking, walking the window, merging the repainted
// rectangles) without any drawing. Installed last, it sees the events before the tool's filters.
class PaintSwallower final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Paint; }
};

// A workbench with a module of one motor per tool, every tool shown (its actual position
// traced), following a move and visible in the window, so that every change is painted.
class PollBench final
{
public:
    explicit PollBench(int toolCount) : m_module(toolCount)
    {
        for (int m = 0; m < toolCount; ++m) {
            const auto motor = static_cast<unsigned char>(m);
            m_module.setPluginVariant(motor, genericVariant);
            m_tools.push_back(createTool(m_module, motor, genericVariant));
            m_workbench.add(m_tools.back().get());
            m_tools.back()->showPlugin();
            startMove(m_tools.back().get());
        }
        m_workbench.showEveryTool();
        settle();
    }

    // Rounds in which every motor's position changes, each followed by the layout and paint
    // that it posted; CPU microseconds per tool. Unpainted, the number and the bar are marked for
    // repainting as always but draw nothing.
    double run(bool painted = true)
    {
        for (const ToolPtr &tool : m_tools) {
            for (const char *name : {"dispActualPosition", "progressBar"}) {
                QWidget *widget = child<QWidget>(tool.get(), name);
                if (painted)
                    widget->removeEventFilter(&m_swallower);
                else
                    widget->installEventFilter(&m_swallower);
            }
        }
        const int toolCount = int(m_tools.size());
        const int rounds = repeats(std::max(20, 4000 / toolCount));
        const QString actualKey = QLatin1String(ParameterType::cmd_ActualPosition);
        qint64 ns = 0;
        CpuTimer timer;
        for (int r = 0; r < rounds; ++r) {
            const int value = r % 2 ? positionB : positionA;
            for (int m = 0; m < toolCount; ++m)
                m_module.setModuleValue(static_cast<unsigned char>(m), actualKey, value);
            timer.start();
            m_module.pollTraces();
            flushPosted();
            ns += timer.nsecsElapsed();
        }
        return ns / (1000.0 * rounds * toolCount);
    }

private:
    PaintSwallower m_swallower; // outlives the tools that it watches
    Workbench m_workbench;      // destroyed after the tools, which take themselves out of it
    SimulatedModule m_module;
    std::vector<ToolPtr> m_tools;
};

struct PollFigures
{
    QVector<double> painted;   // microseconds per tool, one per tool count
    QVector<double> unpainted; // the same rounds with the number and the bar drawing nothing
};

// The workbenches take turns, so that a change in the machine's load hits all alike.
PollFigures measurePoll(const QVector<int> &toolCounts, int runs)
{
    std::vector<std::unique_ptr<PollBench>> benches;
    for (int count : toolCounts) {
        benches.push_back(std::make_unique<PollBench>(count));
        benches.back()->run();
    }
    QVector<QVector<double>> painted(toolCounts.size()), unpainted(toolCounts.size());
    for (int run = 0; run < runs; ++run) {
        for (int i = 0; i < toolCounts.size(); ++i) {
            painted[i] << benches[size_t(i)]->run(true);
            unpainted[i] << benches[size_t(i)]->run(false);
        }
    }
    PollFigures figures;
    for (int i = 0; i < toolCounts.size(); ++i) {
        figures.painted << minimum(painted.at(i));
        figures.unpainted << minimum(unpainted.at(i));
    }
    return figures;
}

// ---- creating tools against building their forms -------------------------------------------

template <typename PanelUi> void buildGenericForms(QWidget *top)
{
    Ui_GeneralStepperPositionMode general;
    general.setupUi(top);
    auto *panel = new QWidget(top);
    PanelUi panelUi;
    panelUi.setupUi(panel);
    general.mainLayout->addWidget(panel);
    panel->setVisible(false); // the tool, too, starts with its panel collapsed
}

void buildForms(int variant, QWidget *top)
{
    switch (variant) {
    case PluginVariant::StepperHazelPositionMode:
        buildGenericForms<Ui_StepperPositionModeHazel>(top);
        break;
    case PluginVariant::StepperBirchPositionMode:
        buildGenericForms<Ui_StepperPositionModeBirch>(top);
        break;
    case PluginVariant::StepperCedarPositionMode:
        buildGenericForms<Ui_StepperPositionModeCedar>(top);
        break;
    case PluginVariant::StepperMaplePositionMode:
        buildGenericForms<Ui_StepperPositionModeMaple>(top);
        break;
    case PluginVariant::StepperLarchPositionMode:
        buildGenericForms<Ui_StepperPositionModeLarch>(top);
        break;
    case PluginVariant::StepperRowanPositionMode: {
        Ui_StepperPositionModeRowan rowan;
        rowan.setupUi(top);
        rowan.grpRamp->setVisible(false); // collapsed, as the tool starts
        break;
    }
    default:
        qFatal("no forms for variant %d", variant);
    }
}

struct CreateFigures
{
    double toolMs = 0; // per tool, all variants in turn
    double formMs = 0;
    QVector<double> toolMsByVariant;
    QVector<double> formMsByVariant;
};

CreateFigures measureCreate(int runs)
{
    std::vector<std::unique_ptr<SimulatedModule>> modules;
    for (int variant : allVariants) {
        modules.push_back(std::make_unique<SimulatedModule>(1));
        modules.back()->setPluginVariant(0, variant);
    }

    const auto createOnce = [&](int index) {
        CpuTimer timer;
        timer.start();
        ToolPtr tool = createTool(*modules[size_t(index)], 0, allVariants[index]);
        showTool(tool.get());
        settle();
        const qint64 ns = timer.nsecsElapsed();
        tool.reset();
        settle();
        return ns;
    };
    const auto buildOnce = [&](int index) {
        CpuTimer timer;
        timer.start();
        auto top = std::make_unique<QWidget>();
        buildForms(allVariants[index], top.get());
        top->show();
        settle();
        const qint64 ns = timer.nsecsElapsed();
        top.reset();
        settle();
        return ns;
    };

    for (int i = 0; i < variantCount; ++i) {
        createOnce(i);
        buildOnce(i);
    }
    QVector<QVector<double>> toolByVariant(variantCount), formByVariant(variantCount);
    QVector<double> toolTotals, formTotals;
    for (int run = 0; run < runs; ++run) {
        qint64 toolNs = 0;
        qint64 formNs = 0;
        for (int i = 0; i < variantCount; ++i) {
            const qint64 t = createOnce(i);
            const qint64 f = buildOnce(i);
            toolByVariant[i] << t / 1e6;
            formByVariant[i] << f / 1e6;
            toolNs += t;
            formNs += f;
        }
        toolTotals << toolNs / 1e6 / variantCount;
        formTotals << formNs / 1e6 / variantCount;
    }
    CreateFigures figures;
    figures.toolMs = minimum(toolTotals);
    figures.formMs = minimum(formTotals);
    for (int i = 0; i < variantCount; ++i) {
        figures.toolMsByVariant << minimum(toolByVariant[i]);
        figures.formMsByVariant << minimum(formByVariant[i]);
    }
    return figures;
}

// ---- memory --------------------------------------------------------------------------------

// Resident memory per tool, with 64 tools (the variants in turn) shown in one host window, as a
// workbench holds them; the window, the module and the first tool of each variant (styles, fonts,
// pictures) are paid for before the count starts.
double measureMemory()
{
    constexpr int toolCount = 64;
    Workbench workbench;
    SimulatedModule module(toolCount);
    for (int m = 0; m < toolCount; ++m)
        module.setPluginVariant(static_cast<unsigned char>(m), allVariants[m % variantCount]);
    for (int i = 0; i < variantCount; ++i) {
        ToolPtr tool = createTool(module, static_cast<unsigned char>(i), allVariants[i]);
        workbench.add(tool.get());
        tool->showPlugin();
        settle();
        tool->hidePlugin();
    }
    settle();
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    const qint64 before = vmRssKib();

    std::vector<ToolPtr> tools;
    for (int m = 0; m < toolCount; ++m) {
        tools.push_back(
            createTool(module, static_cast<unsigned char>(m), allVariants[m % variantCount]));
        workbench.add(tools.back().get());
        tools.back()->showPlugin();
    }
    settle();
    const qint64 after = vmRssKib();
    return double(after - before) / toolCount;
}

// ---- Larch mode switch and input helpers ---------------------------------------------------

double measureLarchSwitch(int runs)
{
    const int clicks = repeats(200) / 2 * 2; // even: each batch ends in the mode it started in

    SimulatedModule module(1);
    module.setPluginVariant(0, PluginVariant::StepperLarchPositionMode);
    ToolPtr tool = createTool(module, 0, PluginVariant::StepperLarchPositionMode);
    showTool(tool.get());
    child<QAbstractButton>(tool.get(), "btnHideController")->click(); // expand the panel
    settle();
    auto *button = child<QAbstractButton>(tool.get(), "btnSwitchMode");

    QVector<double> times;
    for (int run = 0; run <= runs; ++run) {
        module.clearJournal();
        CpuTimer timer;
        timer.start();
        for (int i = 0; i < clicks; ++i) {
            button->click();
            flushPosted();
        }
        if (run > 0)
            times << timer.nsecsElapsed() / 1e6 / clicks;
    }
    return minimum(times);
}

struct HelperFigures
{
    double cpuMs = 0;
    double wallMs = 0;
};

// Counts the paint events of one window and its children.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == m_window)
            ++count;
        return false;
    }
    int count = 0;

private:
    QWidget *m_window;
};

// From the click on the button to the input helper's window painted: the panel builds the window
// at the click and shows, fits and draws it from timers that follow (the last after 20 ms). The
// CPU time counts the work; the wall-clock time also the timers' waiting.
HelperFigures measureInputHelper(int variant, int runs)
{
    SimulatedModule module(1);
    module.setPluginVariant(0, variant);
    QVector<double> cpuTimes, wallTimes;
    for (int run = 0; run <= runs; ++run) {
        ToolPtr tool = createTool(module, 0, variant);
        showTool(tool.get());
        settle();
        auto *button = child<QAbstractButton>(tool.get(), "btnInputHelper");
        CpuTimer timer;
        QElapsedTimer wall;
        timer.start();
        wall.start();
        button->click(); // unchecked, hidden: on_btnInputHelper_clicked(true)
        auto *helper = tool->findChild<InputHelper *>();
        if (!helper)
            qFatal("the click built no input helper");
        PaintCounter paints(helper);
        // Fires after the panel's timers of the same or a shorter delay.
        bool timersDone = false;
        QTimer::singleShot(20, helper, [&timersDone] { timersDone = true; });
        while (!timersDone)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(); // the last timer's paint request, if still pending
        const qint64 ns = timer.nsecsElapsed();
        const qint64 wallNs = wall.nsecsElapsed();
        if (paints.count == 0 || !helper->isVisible())
            qFatal("the input helper was not painted");
        delete helper;
        tool.reset();
        settle();
        if (run > 0) {
            cpuTimes << ns / 1e6;
            wallTimes << wallNs / 1e6;
        }
    }
    return {minimum(cpuTimes), minimum(wallTimes)};
}

// ---- workbench start-up --------------------------------------------------------------------

// The workbench as its main() starts it, from the host (module, plugin) to the window painted for
// the first time; the tools of the tabs not shown are made when their tab is first selected, so
// the motor count should cost little. What happens before main() (loading the libraries) is not
// counted; the plugin is loaded again each time, as the host unloads it.
Q_NEVER_INLINE double startWorkbench(int motors)
{
    CpuTimer timer;
    timer.start();
    ToolHost host(motors);
    if (!host.load(QStringLiteral(TOOL_PLUGIN)))
        qFatal("%s", qPrintable(host.errorString()));
    MainWindow window(&host);
    PaintCounter paints(&window);
    window.show();
    settle();
    const qint64 ns = timer.nsecsElapsed();
    if (paints.count == 0)
        qFatal("the workbench window was not painted");
    window.shutdown();
    return ns / 1e6;
}

struct StartupFigures
{
    double fewMs = 0;
    double manyMs = 0;
};

StartupFigures measureStartup(int runs)
{
    constexpr int few = 6; // the default: one motor of each family
    constexpr int many = 256;
    startWorkbench(few);
    startWorkbench(many);
    QVector<double> fewTimes, manyTimes;
    for (int run = 0; run < runs; ++run) {
        fewTimes << startWorkbench(few);
        manyTimes << startWorkbench(many);
    }
    return {minimum(fewTimes), minimum(manyTimes)};
}

// ---- report --------------------------------------------------------------------------------

struct Row
{
    QString figure;
    QString value;
    QString goal;
    QString result;
};

QString verdict(bool pass)
{
    return pass ? QStringLiteral("pass") : QStringLiteral("FAIL");
}

QString number(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

void printTable(const QVector<Row> &rows)
{
    int widths[4] = {6, 5, 4, 6};
    for (const Row &r : rows) {
        widths[0] = std::max(widths[0], r.figure.size());
        widths[1] = std::max(widths[1], r.value.size());
        widths[2] = std::max(widths[2], r.goal.size());
    }
    QTextStream out(stdout);
    const auto line = [&](const QString &a, const QString &b, const QString &c, const QString &d) {
        out << a.leftJustified(widths[0]) << "  " << b.rightJustified(widths[1]) << "  "
            << c.leftJustified(widths[2]) << "  " << d << '\n';
    };
    line(QStringLiteral("figure"), QStringLiteral("value"), QStringLiteral("goal"),
         QStringLiteral("result"));
    for (const Row &r : rows)
        line(r.figure, r.value, r.goal, r.result);
}

struct Options
{
    QString jsonFile;
    QStringList only;
    int runs = 7;
};

bool parseOptions(const QStringList &args, Options *options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--json") && i + 1 < args.size()) {
            options->jsonFile = args.at(++i);
        } else if (arg == QLatin1String("--runs") && i + 1 < args.size()) {
            options->runs = std::max(1, args.at(++i).toInt());
        } else if (arg == QLatin1String("--quick")) {
            repeatDivisor = 20;
        } else if (arg == QLatin1String("--only") && i + 1 < args.size()) {
            options->only = args.at(++i).split(QLatin1Char(','));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--json FILE] [--runs N] [--quick] "
                         "[--only update,poll,create,memory,larch,helper,startup]\n",
                         qPrintable(args.value(0)));
            return false;
        }
    }
    return true;
}

// The offscreen platform says this for every window with a fixed size; it says nothing about
// the figures.
QtMessageHandler previousHandler = nullptr;

void filterMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(filterMessages);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());

    Options options;
    if (!parseOptions(app.arguments(), &options))
        return 2;
    const auto wanted = [&](const char *name) {
        return options.only.isEmpty() || options.only.contains(QLatin1String(name));
    };

    QTextStream out(stdout);
    out << "Machine: " << cpuModel() << ", " << QThread::idealThreadCount() << " cores; Qt "
        << qVersion() << "; " << POSITIONMODE_BUILD_TYPE << " build; platform "
        << QGuiApplication::platformName() << "; thread CPU time, least of " << options.runs
        << " runs\n\n";
    out.flush();

    QVector<Row> rows;
    QJsonObject json;

    // The memory figure goes first, before the timings have grown the heap.
    if (wanted("memory")) {
        const double kib = measureMemory();
        json.insert(QStringLiteral("memory_kib_per_tool"), kib);
        rows << Row{QStringLiteral("memory_kib_per_tool"), number(kib, 0), QStringLiteral("-"),
                    QStringLiteral("-")};
    }
    if (wanted("update")) {
        const UpdateFigures f = measureUpdate(options.runs);
        const double ratio = f.toolUs / f.bareUs;
        const double vsPlain = f.toolUs / f.plainUs;
        json.insert(QStringLiteral("update_ratio"), ratio);
        json.insert(QStringLiteral("update_cost_vs_plain_widgets"), vsPlain);
        rows << Row{QStringLiteral("update_ratio"),
                    QStringLiteral("%1 (%2 / %3 us)")
                        .arg(number(ratio), number(f.toolUs), number(f.bareUs)),
                    QStringLiteral("<= 1.10"), verdict(ratio <= 1.10)}
             << Row{QStringLiteral("update_cost_vs_plain_widgets"),
                    QStringLiteral("%1 (plain %2 us)").arg(number(vsPlain), number(f.plainUs)),
                    QStringLiteral("<= 0.5"), verdict(vsPlain <= 0.5)};
    }
    if (wanted("poll")) {
        const PollFigures f = measurePoll({8, 64, 256}, options.runs);
        const QVector<double> &perTool = f.painted;
        const double percent = perTool.at(1) * 64 * 50 / 1e6 * 100;
        const double ratio = perTool.at(2) / perTool.at(0);
        const double unpaintedRatio = f.unpainted.at(2) / f.unpainted.at(0);
        json.insert(QStringLiteral("poll_visible_us_per_tool_8"), perTool.at(0));
        json.insert(QStringLiteral("poll_visible_us_per_tool_64"), perTool.at(1));
        json.insert(QStringLiteral("poll_visible_us_per_tool_256"), perTool.at(2));
        json.insert(QStringLiteral("poll_visible_core_percent_64_at_50hz"), percent);
        json.insert(QStringLiteral("poll_visible_ratio_256_to_8"), ratio);
        json.insert(QStringLiteral("poll_unpainted_us_per_tool_8"), f.unpainted.at(0));
        json.insert(QStringLiteral("poll_unpainted_us_per_tool_64"), f.unpainted.at(1));
        json.insert(QStringLiteral("poll_unpainted_us_per_tool_256"), f.unpainted.at(2));
        json.insert(QStringLiteral("poll_unpainted_ratio_256_to_8"), unpaintedRatio);
        const auto three = [](const QVector<double> &v) {
            return QStringLiteral("%1 / %2 / %3")
                .arg(number(v.at(0)), number(v.at(1)), number(v.at(2)));
        };
        rows << Row{QStringLiteral("poll_visible_us_per_tool_8 / 64 / 256"), three(perTool),
                    QStringLiteral("-"), QStringLiteral("-")}
             << Row{QStringLiteral("poll_visible_core_percent_64_at_50hz"), number(percent),
                    QStringLiteral("< 5"), verdict(percent < 5)}
             << Row{QStringLiteral("poll_visible_ratio_256_to_8"), number(ratio),
                    QStringLiteral("<= 1.3"), verdict(ratio <= 1.3)}
             // Qt's own share: the same rounds with nothing drawn.
             << Row{QStringLiteral("poll_unpainted_us_per_tool_8 / 64 / 256"), three(f.unpainted),
                    QStringLiteral("-"), QStringLiteral("-")}
             << Row{QStringLiteral("poll_unpainted_ratio_256_to_8"), number(unpaintedRatio),
                    QStringLiteral("-"), QStringLiteral("-")};
    }
    if (wanted("create")) {
        const CreateFigures f = measureCreate(options.runs);
        const double ratio = f.toolMs / f.formMs;
        json.insert(QStringLiteral("create_ms_per_tool"), f.toolMs);
        json.insert(QStringLiteral("create_ratio"), ratio);
        rows << Row{QStringLiteral("create_ms_per_tool"), number(f.toolMs), QStringLiteral("-"),
                    QStringLiteral("-")}
             << Row{QStringLiteral("create_ratio"),
                    QStringLiteral("%1 (forms %2 ms)").arg(number(ratio), number(f.formMs)),
                    QStringLiteral("<= 1.5"), verdict(ratio <= 1.5)};
        for (int i = 0; i < variantCount; ++i)
            rows << Row{QStringLiteral("  variant %1: tool / forms ms").arg(allVariants[i]),
                        QStringLiteral("%1 / %2").arg(number(f.toolMsByVariant.at(i)),
                                                      number(f.formMsByVariant.at(i))),
                        QStringLiteral("info"),
                        number(f.toolMsByVariant.at(i) / f.formMsByVariant.at(i))};
    }
    if (wanted("larch")) {
        const double ms = measureLarchSwitch(options.runs);
        json.insert(QStringLiteral("larch_switch_ms"), ms);
        rows << Row{QStringLiteral("larch_switch_ms"), number(ms, 3), QStringLiteral("-"),
                    QStringLiteral("-")};
    }
    if (wanted("helper")) {
        const HelperFigures hazel =
            measureInputHelper(PluginVariant::StepperHazelPositionMode, options.runs);
        const HelperFigures maple =
            measureInputHelper(PluginVariant::StepperMaplePositionMode, options.runs);
        const double ms = (hazel.cpuMs + maple.cpuMs) / 2;
        json.insert(QStringLiteral("input_helper_ms"), ms);
        rows << Row{QStringLiteral("input_helper_ms"),
                    QStringLiteral("%1 (Hazel %2, Maple %3)")
                        .arg(number(ms), number(hazel.cpuMs), number(maple.cpuMs)),
                    QStringLiteral("-"),
                    QStringLiteral("wall clock %1 / %2 ms with the timers")
                        .arg(number(hazel.wallMs), number(maple.wallMs))};
    }

    if (wanted("startup")) {
        const StartupFigures f = measureStartup(options.runs);
        const double ratio = f.manyMs / f.fewMs;
        json.insert(QStringLiteral("workbench_startup_ms_6"), f.fewMs);
        json.insert(QStringLiteral("workbench_startup_ms_256"), f.manyMs);
        json.insert(QStringLiteral("workbench_startup_ratio_256_to_6"), ratio);
        rows << Row{
            QStringLiteral("workbench_startup_ratio_256_to_6"),
            QStringLiteral("%1 (%2 / %3 ms)").arg(number(ratio), number(f.manyMs), number(f.fewMs)),
            QStringLiteral("<= 1.5"), verdict(ratio <= 1.5)};
    }

    printTable(rows);
    out.flush();

    if (!options.jsonFile.isEmpty()) {
        QFile file(options.jsonFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(options.jsonFile));
            return 1;
        }
        file.write(QJsonDocument(json).toJson());
    }
    return 0;
}

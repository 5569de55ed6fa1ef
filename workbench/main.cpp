#include "mainwindow.h"
#include "motionexport.h"
#include "toolhost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QTabWidget>
#include <QWindow>

#include <climits>
#include <cstdio>

namespace {

constexpr int failureExitCode = 2;

int fail(const QString &message)
{
    std::fprintf(stderr, "workbench: %s\n", qUtf8Printable(message));
    return failureExitCode;
}

// The bounds of the numeric options. A window wider than 32767 pixels cannot be made on X11 and
// would not fit in a paintable image elsewhere; an hour of simulated time takes a few seconds.
constexpr int minimumWidth = 400;
constexpr int maximumWidth = 32767;
constexpr int maximumRunMilliseconds = 60 * 60 * 1000;

// An integer option's value, or false with a message when the value is not an integer from
// minimum to maximum.
bool intOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum,
               int *value, QString *error)
{
    bool ok = false;
    const QString text = parser.value(name);
    // Read wider than int, so that a value just beyond the range is not mistaken for a word.
    const qlonglong wide = text.toLongLong(&ok);
    if (ok && wide >= minimum && wide <= maximum) {
        *value = int(wide);
        return true;
    }
    *error = QObject::tr("--%1 takes an integer from %2 to %3, not \"%4\"")
                 .arg(name)
                 .arg(minimum)
                 .arg(maximum)
                 .arg(text);
    return false;
}

// Help and version need no window, yet QApplication needs a platform, which a machine without a
// display lacks. They are looked for before the application exists, as the parser reads them.
bool wantsHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            return false;
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// QGuiApplication takes "-plugin X" (and "--plugin X") for itself, to load an input plugin. The
// workbench's --plugin is taken out of the arguments before Qt sees them and given back to the
// parser afterwards.
QStringList takePluginOption(int *argc, char *argv[])
{
    QStringList taken;
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--plugin") {
            taken << QStringLiteral("--plugin"); // without a value, the parser reports it
            if (i + 1 < *argc)
                taken << QString::fromLocal8Bit(argv[++i]);
        } else if (arg.startsWith("--plugin=")) {
            taken << QString::fromLocal8Bit(arg);
        } else {
            argv[kept++] = argv[i];
        }
    }
    *argc = kept;
    argv[kept] = nullptr;
    return taken;
}

// Handles events until the window is exposed, so that a screenshot shows the window as a person
// sees it: grabbed before, its icons come out as blank squares.
void settle(QWidget *window)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!window->windowHandle()->isExposed() && elapsed.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList pluginOption = takePluginOption(&argc, argv);
    if (wantsHelpOrVersion(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("workbench"));
    QApplication::setApplicationVersion(QStringLiteral(WORKBENCH_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Icons/control")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QObject::tr("Runs the position mode tool plugin against a simulated module."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QString plugin = QStringLiteral("plugin");
    const QString screenshot = QStringLiteral("screenshot");
    const QString tab = QStringLiteral("tab");
    const QString move = QStringLiteral("move");
    const QString run = QStringLiteral("run");
    const QString expand = QStringLiteral("expand");
    const QString motors = QStringLiteral("motors");
    const QString rampPicture = QStringLiteral("ramp-picture");
    const QString width = QStringLiteral("width");
    const QString loadSettings = QStringLiteral("load-settings");
    const QString saveSettings = QStringLiteral("save-settings");
    const QString exportPlot = QStringLiteral("export-plot");
    parser.addOptions({
        {plugin,
         QObject::tr("Load the tool plugin from PATH, a file or a directory (default: %1).")
             .arg(ToolHost::defaultPluginDirectory()),
         QStringLiteral("PATH")},
        {screenshot, QObject::tr("Save the window to FILE as PNG after start-up, then exit."),
         QStringLiteral("FILE")},
        {loadSettings,
         QObject::tr("Write the ramp settings of FILE to the module's motors at start-up, "
                     "before --move."),
         QStringLiteral("FILE")},
        {saveSettings,
         QObject::tr("Save the ramp settings of the module's motors to FILE after --move and "
                     "--run, then exit."),
         QStringLiteral("FILE")},
        {exportPlot,
         QObject::tr("After --move and --run, write the selected motor's samples (FILE.csv) or "
                     "the motion plot (FILE.png, FILE.svg), then exit."),
         QStringLiteral("FILE")},
        {tab, QObject::tr("Select tab N (motor N) first, 0 to the number of motors less one."),
         QStringLiteral("N")},
        {move,
         QObject::tr("On the selected tool, enter TARGET as target position and press the "
                     "absolute move button; TARGET from %1 to %2, within the tool's limits.")
             .arg(INT_MIN)
             .arg(INT_MAX),
         QStringLiteral("TARGET")},
        {run,
         QObject::tr("Let MS milliseconds of simulated time pass before going on, 0 to %1 "
                     "(one hour).")
             .arg(maximumRunMilliseconds),
         QStringLiteral("MS")},
        {expand,
         QObject::tr("On the selected tool, open the ramp panel with its collapse button.")},
        {rampPicture, QObject::tr("On the selected tool (Hazel or Maple), open the ramp picture.")},
        {width,
         QObject::tr("Open the window PX pixels wide, %1 to %2.")
             .arg(minimumWidth)
             .arg(maximumWidth),
         QStringLiteral("PX")},
        {motors,
         QObject::tr("Simulate N motors (1 to %1, default %2), cycling through the families "
                     "Hazel, Birch, Cedar, Maple, Larch, Rowan.")
             .arg(ToolHost::maximumMotorCount)
             .arg(ToolHost::familyCount),
         QStringLiteral("N")},
    });
    if (!parser.parse(QApplication::arguments() + pluginOption))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(QApplication::arguments() + pluginOption); // shows Qt's options too, exits
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QObject::tr("unexpected argument \"%1\"").arg(parser.positionalArguments()[0]));

    QString error;
    int tabIndex = 0;
    int target = 0;
    int runMilliseconds = 0;
    int motorCount = ToolHost::familyCount;
    int windowWidth = 0;
    // The motors first: they bound the tabs.
    if ((parser.isSet(motors) &&
         !intOption(parser, motors, 1, ToolHost::maximumMotorCount, &motorCount, &error)) ||
        (parser.isSet(tab) && !intOption(parser, tab, 0, motorCount - 1, &tabIndex, &error)) ||
        (parser.isSet(move) && !intOption(parser, move, INT_MIN, INT_MAX, &target, &error)) ||
        (parser.isSet(run) &&
         !intOption(parser, run, 0, maximumRunMilliseconds, &runMilliseconds, &error)) ||
        (parser.isSet(width) &&
         !intOption(parser, width, minimumWidth, maximumWidth, &windowWidth, &error)))
        return fail(error);
    if (parser.isSet(exportPlot) &&
        MotionExport::format(parser.value(exportPlot)) == MotionExport::Format::Unknown)
        return fail(QObject::tr("--export-plot writes .csv, .png or .svg files, not \"%1\"")
                        .arg(parser.value(exportPlot)));

    ToolHost host(motorCount);
    const QString pluginPath =
        parser.isSet(plugin) ? parser.value(plugin) : ToolHost::defaultPluginDirectory();
    if (!host.load(pluginPath))
        return fail(host.errorString());
    if (host.offers().isEmpty())
        return fail(
            QObject::tr("%1 offers no tool for any motor of the module").arg(host.pluginFile()));

    MainWindow window(&host);
    if (parser.isSet(tab) && !window.selectTab(tabIndex))
        return fail(QObject::tr("there is no tab %1; the tabs are 0 to %2")
                        .arg(tabIndex)
                        .arg(window.tabs()->count() - 1));
    if (windowWidth > 0)
        window.resize(windowWidth, window.height());
    window.show();
    if (parser.isSet(expand))
        window.expandCurrentTool();
    if (parser.isSet(rampPicture) && !window.openRampPicture(&error))
        return fail(error);
    if (parser.isSet(loadSettings) && !window.loadSettings(parser.value(loadSettings), &error))
        return fail(error);
    if (parser.isSet(move) && !window.moveCurrentTool(target, &error))
        return fail(error);
    if (runMilliseconds > 0)
        window.runSimulatedTime(runMilliseconds);

    if (parser.isSet(saveSettings)) {
        const QString file = parser.value(saveSettings);
        if (!window.saveSettings(file, &error))
            return fail(error);
        std::printf("workbench: wrote %s\n", qUtf8Printable(file));
    }
    if (parser.isSet(screenshot)) {
        settle(&window);
        const QString file = parser.value(screenshot);
        if (!window.grab().save(file, "PNG"))
            return fail(QObject::tr("cannot write the screenshot to %1").arg(file));
        std::printf("workbench: wrote %s\n", qUtf8Printable(file));
    }
    if (parser.isSet(exportPlot)) {
        settle(&window);
        const QString file = parser.value(exportPlot);
        if (!window.exportTo(file, &error))
            return fail(error);
        std::printf("workbench: wrote %s\n", qUtf8Printable(file));
    }
    if (parser.isSet(saveSettings) || parser.isSet(screenshot) || parser.isSet(exportPlot))
        return 0;
    window.startClock();
    return QApplication::exec();
}

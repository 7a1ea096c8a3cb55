#include "app/commandline.h"

#include "app/dialogs.h"
#include "app/frmsplash.h"
#include "app/logging.h"
#include "app/mdlvelt.h"
#include "app/printable.h"
#include "app/qtdialogs.h"
#include "app/qtmediaplayer.h"
#include "app/settings.h"
#include "app/textfile.h"
#include "app/workdir.h"
#include "cache/collection.h"
#include "cache/demo.h"
#include "cache/registry.h"
#include "picture/checkcommand.h"
#include "picture/frmpicture.h"
#include "viewer/frmview.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velt {

namespace {

struct Options
{
    QStringList registryFiles;
    QStringList drives;
    QString settingsFile;
    QString screenshotFile;
    bool demo = false;
    bool list = false;
    bool check = false;
    QStringList checkPaths;
};

// The collection without windows: the list mode's host.
class ConsoleHost : public CollectionHost
{
public:
    void showSplash() override { }
    void closeSplash() override { }
    void setProgress(int) override { }
    void setLoadLabel(const QString &) override { }
    void yield() override { }
    void waitOneTick() override { }
    int AskStop() override { return kAnswerNo; }
    void setCounters(int, int) override { }
    void disableNavigation() override { }
    void setOpenDialogInitDir(const QString &) override { }
};

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Set when the program started with standard output closed: what it prints goes nowhere.
bool g_stdoutWasClosed = false;

// A standard stream closed at start would be taken by the next file the program opens, and
// its output would land in that file: each one is held open on /dev/null instead.
void holdStandardStreams()
{
#ifdef Q_OS_UNIX
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1)
            continue;
        if (fd == STDOUT_FILENO)
            g_stdoutWasClosed = true;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
#endif
}

// Standard output for the line-oriented modes, with its failures seen: closed at start, a full
// disk, a reader that went away (SIGPIPE is ignored in these modes, so that shows as EPIPE).
class CheckedStdout
{
public:
    CheckedStdout()
    {
        std::fflush(stdout);
        m_file.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
        m_stream.setDevice(&m_file);
    }
    QTextStream &stream() { return m_stream; }

    // Flushes; false, with a line on standard error, when anything was not written.
    bool finish(const char *what)
    {
        m_stream.flush();
        QString why;
        if (g_stdoutWasClosed)
            why = QStringLiteral("standard output is closed");
        else if (m_stream.status() != QTextStream::Ok)
            why = m_file.errorString();
        if (why.isEmpty())
            return true;
        printErr(QStringLiteral("velt: could not write %1: %2").arg(QLatin1String(what), why));
        return false;
    }

private:
    QFile m_file;
    QTextStream m_stream;
};

bool parse(const QStringList &arguments, Options &options, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("VELT: pictures, movies and sounds from browser caches"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption registry(QStringLiteral("registry"),
                                      QStringLiteral("Registry export file to read (repeatable)."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption drive(
            QStringLiteral("drive"),
            QStringLiteral("Map a Windows drive letter to a folder, X:=DIR (repeatable)."),
            QStringLiteral("X:=DIR"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Settings file to use instead of VELT.ini."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption screenshot(
            QStringLiteral("screenshot"),
            QStringLiteral(
                    "Save the main and picture windows as a PNG after start-up, then close."),
            QStringLiteral("FILE"));
    const QCommandLineOption demo(
            QStringLiteral("demo"),
            QStringLiteral("Build a demo Windows root with browser caches and start on it."));
    const QCommandLineOption list(
            QStringLiteral("list"),
            QStringLiteral("Run the start-up collection without windows and print the list, one "
                           "entry a line; in names, a backslash is printed as \\\\, tab, line "
                           "feed and carriage return as \\t, \\n, \\r, other control "
                           "characters as \\xHH."));
    const QCommandLineOption check(
            QStringLiteral("check"),
            QStringLiteral("Check the given picture files for damaged downloads; one line a "
                           "file, names escaped as for --list. Exit status 1 when any is bad, 2 "
                           "when the results could not be written."));
    parser.addOptions({registry, drive, settings, screenshot, demo, list, check});
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Files for --check."),
                                 QStringLiteral("[PATH...]"));
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fprintf(stdout, "%s", parser.helpText().toLocal8Bit().constData());
        std::exit(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::fprintf(stdout, "VELT %d.%d.%d\n", VELT_VERSION_MAJOR, VELT_VERSION_MINOR,
                     VELT_VERSION_PATCH);
        std::exit(0);
    }
    options.registryFiles = parser.values(registry);
    options.drives = parser.values(drive);
    options.settingsFile = parser.value(settings);
    options.screenshotFile = parser.value(screenshot);
    options.demo = parser.isSet(demo);
    options.list = parser.isSet(list);
    options.check = parser.isSet(check);
    options.checkPaths = parser.positionalArguments();
    if (!options.check && !options.checkPaths.isEmpty()) {
        *error = QStringLiteral("unexpected argument: ") + options.checkPaths.first();
        return false;
    }
    return true;
}

int runList(MdlVELT &state, Settings &settings, const RegistrySource &registry,
            const DriveMap &drives, const QString &settingsPath)
{
    ConsoleDialogs dialogs;
    ConsoleHost host;
    LoadSettings(settings, settingsPath, state.BufferDir);
    CollectionContext ctx{state, settings, ExtTable::standard(), registry, drives, dialogs, host};
    GetICPath(ctx);
    // One entry a line, whatever a name holds.
    CheckedStdout output;
    QTextStream &out = output.stream();
    for (int i = 1; i <= state.ListCount; ++i)
        out << i << '\t' << printableText(state.ListLine[i]) << '\n';
    for (int i = 1; i <= state.GifCount; ++i)
        out << "GIF\t" << printableText(state.GifFile[i]) << '\n';
    const bool written = output.finish("the list");
    // Emptied as the close does; the settings file is left as it was.
    if (state.ListCount + state.GifCount != 0)
        emptyWorkDir(state.WorkDir);
    return written ? 0 : 1;
}

bool saveScreenshot(FrmView &view, const QString &path)
{
    QList<QPixmap> shots{view.grab()};
    if (FrmPicture *picture = view.pictureWindow(); picture && picture->isVisible())
        shots << picture->grab();
    int width = 0;
    int height = 0;
    for (const QPixmap &p : shots) {
        width += p.width() + 16;
        height = std::max(height, p.height());
    }
    QImage image(width + 16, height + 32, QImage::Format_RGB32);
    image.fill(QColor(48, 56, 72));
    QPainter painter(&image);
    int x = 16;
    for (const QPixmap &p : shots) {
        painter.drawPixmap(x, 16, p);
        x += p.width() + 16;
    }
    painter.end();
    // Encoded first, then written with every write checked: a full disk is a failure.
    QByteArray png;
    QBuffer buffer(&png);
    QString why = QStringLiteral("the picture could not be encoded");
    if (buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG")
        && replaceFileContents(path, png, &why)) {
        printErr(QStringLiteral("screenshot written to %1").arg(QDir(path).absolutePath()));
        return true;
    }
    printErr(QStringLiteral("velt: could not write the screenshot %1: %2").arg(path, why));
    return false;
}

// Without a display server and without a platform chosen, Qt would abort with a long
// message about plugins; say what is missing instead.
bool hasDisplay(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "-platform" || a == "--platform" || a.startsWith("-platform="))
            return true;
    }
    return false;
}

} // namespace

int runVelt(int argc, char **argv)
{
    holdStandardStreams();
    installMessageFilter();
    preferFfmpegMediaBackend();
    // The command-line modes open no window: they run without a display.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--list" || a == "--check" || a == "-h" || a == "--help" || a == "--version")
            headless = true;
    }
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_UNIX
    // The line-oriented modes see a reader that went away as a failed write, and still empty
    // the working folder. Not in the window modes: programs they start would inherit it.
    if (headless)
        std::signal(SIGPIPE, SIG_IGN);
#endif
    if (!headless && !hasDisplay(argc, argv)) {
        printErr(QStringLiteral("velt: no display to open the windows on (DISPLAY and "
                                "WAYLAND_DISPLAY are not set); --list and --check work without "
                                "one, and QT_QPA_PLATFORM=offscreen draws without one"));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELT"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(VELT_VERSION_MAJOR)
                                                .arg(VELT_VERSION_MINOR)
                                                .arg(VELT_VERSION_PATCH));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    // The windows were designed in the Japanese UI font at 9 points.
    QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
    uiFont.setPointSizeF(9);
    QApplication::setFont(uiFont);
    installJapaneseTranslations();

    Options options;
    QString error;
    if (!parse(QApplication::arguments(), options, &error)) {
        printErr(QStringLiteral("velt: ") + error);
        return 2;
    }

    if (options.check) {
        CheckedStdout output;
        const int status = runCheckCommand(options.checkPaths, output.stream());
        return output.finish("the results") ? status : 2;
    }

    DriveMap drives;
    for (const QString &mapping : std::as_const(options.drives)) {
        if (!drives.add(mapping)) {
            printErr(QStringLiteral("velt: --drive wants X:=DIR, not %1").arg(mapping));
            return 2;
        }
    }

    std::unique_ptr<QTemporaryDir> demoDir;
    if (options.demo) {
        demoDir = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                  + QStringLiteral("/velt-demo-XXXXXX"));
        QString demoError;
        const std::optional<DemoRoot> root =
                demoDir->isValid() ? buildDemoRoot(demoDir->path(), &demoError) : std::nullopt;
        if (!root) {
            printErr(QStringLiteral("velt: could not build the demo: ") + demoError);
            return 1;
        }
        options.registryFiles = QStringList{root->registryFile};
        drives.set(QLatin1Char('C'), root->root);
    }

    const QString exeDir = QCoreApplication::applicationDirPath();
    const std::unique_ptr<RegistrySource> registry =
            makeRegistrySource(options.registryFiles, exeDir);
    const QString settingsPath = settingsFilePath(options.settingsFile, exeDir);
    // Reading a FIFO would wait for ever, and a folder or device cannot take the settings.
    if (const QString why = settingsFileProblem(settingsPath); !why.isEmpty()) {
        printErr(QStringLiteral("velt: the settings file %1 cannot be used: %2")
                         .arg(settingsPath, why));
        return 2;
    }

    MdlVELT state;
    Settings settings;
    if (options.list)
        return runList(state, settings, *registry, drives, settingsPath);

    const bool screenshot = !options.screenshotFile.isEmpty();
    std::unique_ptr<UserDialogs> dialogs;
    if (screenshot)
        dialogs = std::make_unique<ConsoleDialogs>();
    else
        dialogs = std::make_unique<QtDialogs>();

    ViewerEnvironment env;
    env.registry = registry.get();
    env.drives = drives;
    env.settingsPath = settingsPath;
    FrmView view(state, settings, *dialogs, env);
    view.Form_Load();
    view.show();

    bool screenshotWritten = false;
    if (screenshot) {
        QTimer::singleShot(0, &view, [&] {
            if (state.ListCount > 0)
                view.Command13_Click();
            QTimer::singleShot(300, &view, [&] {
                screenshotWritten = saveScreenshot(view, options.screenshotFile);
                view.close();
            });
        });
    }
    int status = app.exec();
    if (view.settingsWriteFailed()) {
        printErr(QStringLiteral("velt: the settings file %1 could not be written")
                         .arg(settingsPath));
        status = status == 0 ? 1 : status;
    }
    // What this mode was asked to write, it must have written.
    if (screenshot && !screenshotWritten)
        status = status == 0 ? 1 : status;
    return status;
}

} // namespace velt

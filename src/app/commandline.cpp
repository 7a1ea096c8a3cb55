#include "app/commandline.h"

#include "app/dialogs.h"
#include "app/frmsplash.h"
#include "app/logging.h"
#include "app/mdlvelt.h"
#include "app/qtdialogs.h"
#include "app/qtmediaplayer.h"
#include "app/settings.h"
#include "app/workdir.h"
#include "browser/extractcommand.h"
#include "browser/extraction.h"
#include "browser/filename.h"
#include "cache/collection.h"
#include "cache/demo.h"
#include "cache/registry.h"
#include "picture/checkcommand.h"
#include "picture/frmpicture.h"
#include "viewer/frmview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <memory>

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
    QStringList browserCaches;
    QString extractDir;
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
            QStringLiteral("Run the start-up collection without windows and print the list."));
    const QCommandLineOption check(
            QStringLiteral("check"),
            QStringLiteral("Check the given picture files for damaged downloads."));
    const QCommandLineOption browserCache(
            QStringLiteral("browser-cache"),
            QStringLiteral("Read this Firefox or Chromium cache folder too (repeatable)."),
            QStringLiteral("DIR"));
    const QCommandLineOption extract(
            QStringLiteral("extract"),
            QStringLiteral("Run the start-up collection without windows and copy every "
                           "picture, movie and sound into DIR."),
            QStringLiteral("DIR"));
    parser.addOptions(
            {registry, drive, settings, screenshot, demo, list, check, browserCache, extract});
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
    options.browserCaches = parser.values(browserCache);
    options.extractDir = parser.value(extract);
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
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, registry, drives, dialogs, host};
    GetICPath(ctx);
    QTextStream out(stdout);
    for (int i = 1; i <= state.ListCount; ++i)
        out << i << '\t' << printableText(state.ListLine[i]) << '\n';
    for (int i = 1; i <= state.GifCount; ++i)
        out << "GIF\t" << printableText(state.GifFile[i]) << '\n';
    out.flush();
    // Emptied as the close does; the settings file is left as it was.
    if (state.ListCount + state.GifCount != 0)
        emptyWorkDir(state.WorkDir);
    return 0;
}

int runExtract(MdlVELT &state, Settings &settings, const RegistrySource &registry,
               const DriveMap &drives, const QString &settingsPath, const QString &destDir)
{
    ConsoleDialogs dialogs;
    ConsoleHost host;
    LoadSettings(settings, settingsPath, state.BufferDir);
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, registry, drives, dialogs, host};
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runExtractCommand(ctx, destDir, out, err);
}

void saveScreenshot(FrmView &view, const QString &path)
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
    if (image.save(path))
        printErr(QStringLiteral("screenshot written to %1").arg(QDir(path).absolutePath()));
    else
        printErr(QStringLiteral("could not write the screenshot %1").arg(path));
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
    installMessageFilter();
    preferFfmpegMediaBackend();
    // The command-line modes open no window: they run without a display.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--list" || a == "--check" || a == "-h" || a == "--help" || a == "--version"
            || a == "--extract" || a.startsWith("--extract="))
            headless = true;
    }
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
        QTextStream out(stdout);
        return runCheckCommand(options.checkPaths, out);
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
    bool desktopProfile = false;
    const std::unique_ptr<RegistrySource> registry =
            makeRegistrySource(options.registryFiles, exeDir, &desktopProfile);
    const QString settingsPath = settingsFilePath(options.settingsFile, exeDir);

    MdlVELT state;
    Settings settings;
    // Today's browsers: the folders named, and on the desktop profile the desktop's own.
    state.BrowserCacheDirs = options.browserCaches;
    state.FindDesktopBrowserCaches = desktopProfile;
    for (const QString &dir : std::as_const(options.browserCaches)) {
        if (detectBrowserCaches(dir).isEmpty())
            printErr(QStringLiteral("velt: %1 holds no Firefox or Chromium cache")
                             .arg(printableText(dir)));
    }
    if (!options.extractDir.isEmpty())
        return runExtract(state, settings, *registry, drives, settingsPath, options.extractDir);
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

    if (screenshot) {
        QTimer::singleShot(0, &view, [&] {
            if (state.ListCount > 0)
                view.Command13_Click();
            QTimer::singleShot(300, &view, [&] {
                saveScreenshot(view, options.screenshotFile);
                view.close();
            });
        });
    }
    const int status = app.exec();
    if (view.settingsWriteFailed())
        printErr(QStringLiteral("velt: the settings file %1 could not be written")
                         .arg(settingsPath));
    return status;
}

} // namespace velt

#include "cli/commandline.h"

#include "app/frmsplash.h"
#include "app/mdlvelt.h"
#include "app/settings.h"
#include "browser/cachefinder.h"
#include "browser/extraction.h"
#include "browser/streammux.h"
#include "cache/collection.h"
#include "cache/demo.h"
#include "cache/registry.h"
#include "cli/checkcommand.h"
#include "cli/console.h"
#include "cli/extractcommand.h"
#include "cli/listcommand.h"
#include "cli/optiontable.h"
#include "cli/reportcommand.h"
#include "picture/frmpicture.h"
#include "platform/dialogs.h"
#include "platform/language.h"
#include "platform/logging.h"
#include "platform/namebytes.h"
#include "platform/printable.h"
#include "platform/programfiles.h"
#include "platform/qtdialogs.h"
#include "platform/qtmediaplayer.h"
#include "platform/textfile.h"
#include "platform/workdir.h"
#include "viewer/frmview.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <csignal>
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
    QStringList homes;
    QString extractDir;
    QString reportFile;
};

Options optionsFrom(const CommandLine &cl)
{
    Options options;
    options.registryFiles = cl.values("registry");
    options.drives = cl.values("drive");
    options.settingsFile = cl.value("settings");
    options.screenshotFile = cl.value("screenshot");
    options.demo = cl.isSet("demo");
    options.list = cl.isSet("list");
    options.check = cl.isSet("check");
    options.checkPaths = cl.paths;
    options.browserCaches = cl.values("browser-cache");
    options.homes = cl.values("home");
    options.extractDir = cl.value("extract");
    options.reportFile = cl.value("report");
    return options;
}

// The language is needed before the command line is parsed (its messages are translated):
// the last --lang VALUE or --lang=VALUE before "--".
QString languageArgument(const QStringList &arguments)
{
    QString value;
    for (qsizetype i = 0; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size())
            value = arguments[++i];
        else if (arguments[i].startsWith(QLatin1String("--lang=")))
            value = arguments[i].mid(7);
    }
    return value;
}

// Both languages in the Japanese program, English only in the English one.
QString bilingual(const QString &ja, const QString &en)
{
    return uiLanguage() == UiLanguage::English ? en : ja + QStringLiteral(" / ") + en;
}

int usageError(const QString &line)
{
    printErr(QStringLiteral("velt: ") + line);
    printErr(usageHintLine());
    return kExitUsage;
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
bool hasDisplay(const CommandLine &cl)
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
            || !qEnvironmentVariableIsEmpty("DISPLAY")
            || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || cl.isSet("platform")
            || cl.isSet("display");
}

// Qt aborts on a window-system plugin it cannot find; refuse the name as a usage error
// instead. Empty when the choice is fine or cannot be judged (no plugin folder found).
QString unknownPlatform(const CommandLine &cl)
{
    const QString requested =
            cl.isSet("platform") ? cl.value("platform") : qEnvironmentVariable("QT_QPA_PLATFORM");
    if (requested.isEmpty())
        return QString();
    QStringList folders = cl.values("platformpluginpath");
    folders += qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    for (const QString &path : QCoreApplication::libraryPaths())
        folders << path + QStringLiteral("/platforms");
    const QStringList available = platformPluginNames(folders);
    if (available.isEmpty() || !availablePlatform(requested, available).isEmpty())
        return QString();
    return bilingual(
            QStringLiteral("ウィンドウシステムのプラグイン %1 はありません").arg(requested),
            QStringLiteral("no window-system plugin %1 (available: %2)")
                    .arg(requested, available.join(QStringLiteral(", "))));
}

// argv for the application object: the program's name and what Qt should read. The bytes live
// as long as this object, as Qt requires.
class QtArguments
{
public:
    QtArguments(const char *program, const QStringList &arguments)
    {
        m_bytes.push_back(QByteArray(program));
        for (const QString &a : arguments)
            m_bytes.push_back(encodeFileName(a));
        for (QByteArray &b : m_bytes)
            m_pointers.push_back(b.data());
        m_pointers.push_back(nullptr);
        m_argc = int(m_bytes.size());
    }
    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};

void setApplicationNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("VELT"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                    .arg(VELT_VERSION_MAJOR)
                                                    .arg(VELT_VERSION_MINOR)
                                                    .arg(VELT_VERSION_PATCH));
}

} // namespace

int runVelt(int argc, char **argv)
{
    holdStandardStreams();
    installMessageFilter();
    // The player's decoders log through the same library (an AV1 decoder names itself on every
    // clip): their chatter is not the program's to print either.
    if (qEnvironmentVariableIntValue("VELT_DEBUG") == 0)
        silenceMediaLibraries();
    // Paths keep their bytes (a name that is not UTF-8 among them), see namebytes.h.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(argv[i]);
    setUiLanguage(chooseUiLanguage(languageArgument(arguments)));
    const CommandLine cl = parseCommandLine(arguments);
    if (!cl.error.isEmpty())
        return usageError(cl.error);
    if (cl.isSet("lang") && !languageFromName(cl.value("lang")))
        return usageError(bilingual(
                QStringLiteral("--lang には ja か en を指定します (%1)").arg(cl.value("lang")),
                QStringLiteral("--lang wants ja or en, not %1").arg(cl.value("lang"))));
    if (cl.isSet("help") || cl.isSet("help-all")) {
        std::fputs(usageText(cl.isSet("help-all")).toLocal8Bit().constData(), stdout);
        return kExitOk;
    }
    if (cl.isSet("version")) {
        std::fprintf(stdout, "VELT %d.%d.%d\n", VELT_VERSION_MAJOR, VELT_VERSION_MINOR,
                     VELT_VERSION_PATCH);
        return kExitOk;
    }
    Options options = optionsFrom(cl);
    DriveMap drives;
    for (const QString &mapping : std::as_const(options.drives)) {
        if (!drives.add(mapping))
            return usageError(
                    bilingual(QStringLiteral("--drive には X:=DIR を指定します (%1)").arg(mapping),
                              QStringLiteral("--drive wants X:=DIR, not %1").arg(mapping)));
    }

    // An empty folder name would fall through to the windows: a usage error, as a missing one is.
    if (cl.isSet("extract") && options.extractDir.isEmpty())
        return usageError(bilingual(QStringLiteral("--extract にはフォルダーを指定します"),
                                    QStringLiteral("--extract wants a folder")));
    if (cl.isSet("report") && options.reportFile.isEmpty())
        return usageError(bilingual(QStringLiteral("--report にはファイルを指定します"),
                                    QStringLiteral("--report wants a file")));

    const char *program = argc > 0 ? argv[0] : "velt";

    // The window-less modes never load a window-system plugin: a plain core application, or,
    // where pictures are drawn or decoded (fonts need it), the offscreen one whatever the
    // command line or the environment asks for.
    std::unique_ptr<QtArguments> qtArguments; // outlives the application object
    std::unique_ptr<QCoreApplication> app;
#ifdef Q_OS_UNIX
    // The line-oriented modes see a reader that went away as a failed write, and still empty
    // the working folder. Not in the window modes: programs they start would inherit it.
    if (cl.windowless())
        std::signal(SIGPIPE, SIG_IGN);
#endif
    if (cl.windowless()) {
        if (cl.drawsPictures()) {
            qtArguments = std::make_unique<QtArguments>(
                    program, QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")});
            app = std::make_unique<QGuiApplication>(qtArguments->argc(), qtArguments->argv());
        } else {
            qtArguments = std::make_unique<QtArguments>(program, QStringList());
            app = std::make_unique<QCoreApplication>(qtArguments->argc(), qtArguments->argv());
        }
        setApplicationNames();
        addPictureFormatFolders();
        installUiTranslations();
    } else {
        preferFfmpegMediaBackend();
        if (!hasDisplay(cl)) {
            printErr(
                    QStringLiteral("velt: no display to open the windows on (DISPLAY and "
                                   "WAYLAND_DISPLAY are not set); --list and --check work "
                                   "without one, and QT_QPA_PLATFORM=offscreen draws without one"));
            return kExitFailure;
        }
        if (const QString problem = unknownPlatform(cl); !problem.isEmpty())
            return usageError(problem);
        qtArguments = std::make_unique<QtArguments>(program, cl.qtArguments);
        app = std::make_unique<QApplication>(qtArguments->argc(), qtArguments->argv());
        setApplicationNames();
        addPictureFormatFolders();
        QGuiApplication::setDesktopFileName(QStringLiteral(VELT_APP_ID));
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/velt/velt.svg")));
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        // The windows were designed in the Japanese UI font at 9 points.
        QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
        uiFont.setPointSizeF(9);
        QApplication::setFont(uiFont);
        // Qt's own dialogs speak the same language; its English texts are built in.
        installUiTranslations();
        if (uiLanguage() == UiLanguage::Japanese)
            installJapaneseTranslations();
    }

    if (options.check) {
        CheckedStdout output;
        const int status = runCheckCommand(options.checkPaths, output.stream());
        return output.finish("the results") ? status : kExitUsage;
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
            return kExitFailure;
        }
        options.registryFiles = QStringList{root->registryFile};
        drives.set(QLatin1Char('C'), root->root);
    }

    const QString exeDir = QCoreApplication::applicationDirPath();
    bool desktopProfile = false;
    const std::unique_ptr<RegistrySource> registry =
            makeRegistrySource(options.registryFiles, exeDir, &desktopProfile);
    // Installed, the executable's folder (/usr/bin) is no place for it even when writable.
    const QString settingsPath =
            settingsFilePath(options.settingsFile, runsInstalled(exeDir) ? QString() : exeDir);
    // Reading a FIFO would wait for ever, and a folder or device cannot take the settings.
    if (const QString why = settingsFileProblem(settingsPath); !why.isEmpty()) {
        printErr(QStringLiteral("velt: the settings file %1 cannot be used: %2")
                         .arg(settingsPath, why));
        return kExitUsage;
    }

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
    state.HomeDirs = options.homes;
    for (const QString &dir : std::as_const(options.homes)) {
        if (!QFileInfo(dir).isDir())
            printErr(QStringLiteral("velt: the home folder %1 is not a folder")
                             .arg(printableText(dir)));
    }
    // A Windows disk given through its registry: its users' homes hold today's browsers too.
    if (!desktopProfile) {
        if (const QString c = drives.folderFor(QLatin1Char('C')); !c.isEmpty())
            state.WindowsHomeDirs = windowsUserFolders(c);
    }
    if (!options.extractDir.isEmpty())
        return runExtract(state, settings, *registry, drives, settingsPath, options.extractDir);
    if (!options.reportFile.isEmpty())
        return runReport(state, settings, *registry, drives, settingsPath, options.reportFile);
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
    int status = QCoreApplication::exec();
    if (view.settingsWriteFailed()) {
        printErr(QStringLiteral("velt: the settings file %1 could not be written")
                         .arg(settingsPath));
        status = status == 0 ? kExitFailure : status;
    }
    // What this mode was asked to write, it must have written.
    if (screenshot && !screenshotWritten)
        status = status == 0 ? kExitFailure : status;
    return status;
}

} // namespace velt

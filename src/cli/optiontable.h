#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <span>

namespace velt {

// One option of the command line. Adding an option is one line in the table of optiontable.cpp.
struct CommandLineOption
{
    const char *name;           // given as --name; Qt's own options also as -name
    char shortName = 0;         // given as -x; 0 for none
    const char *valueName = {}; // the value's name in the help; null for a switch; ending in
                                // "..." the option takes the arguments that are not options
    bool windowless = false;    // a mode that opens no window
    bool drawsPictures = false; // the mode draws or decodes pictures (fonts need a GUI app)
    bool qtOwn = false;         // Qt's own option: handed to the application object
    const char *helpJa = "";
    const char *helpEn = "";
};

// VELT's options in the order the help lists them, then Qt's own options.
std::span<const CommandLineOption> commandLineOptions();

// The parsed command line. An error is one line of text; the command line is then refused.
struct CommandLine
{
    QMap<QString, QStringList> given; // option name -> its values (a switch: one empty string)
    QStringList paths;                // arguments that are not options
    QStringList qtArguments;          // Qt's own options as Qt reads them, in the order given
    QString error;

    bool isSet(const char *name) const { return given.contains(QLatin1String(name)); }
    // The last value given, or empty.
    QString value(const char *name) const;
    QStringList values(const char *name) const { return given.value(QLatin1String(name)); }
    // Whether an option of a window-less mode is set, and whether that mode draws pictures.
    bool windowless() const;
    bool drawsPictures() const;
};

// Parses the arguments after the program's name: --name, --name=VALUE, --name VALUE, -x, and
// Qt's own options as Qt documents them (-name or --name, VALUE after a space or "="). "--" ends
// the options. Paths are accepted only with --check.
CommandLine parseCommandLine(const QStringList &arguments);

// The help in Japanese and English: usage, every option, the exit statuses. withQtOptions adds
// Qt's own options.
QString usageText(bool withQtOptions);

// The second line after a command-line error.
QString usageHintLine();

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Names of the window-system plugins in the given folders (their "platforms" sub-folders are
// not added: pass those).
QStringList platformPluginNames(const QStringList &folders);

// The first of the requested window-system names ("xcb", "wayland;xcb", "offscreen:fontengine=x")
// that is available, or empty when none is. Compared without regard to case, as Qt does.
QString availablePlatform(const QString &requested, const QStringList &available);

} // namespace velt

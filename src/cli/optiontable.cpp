#include "cli/optiontable.h"

#include "platform/language.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

#include <optional>

namespace velt {

namespace {

// clang-format off
const CommandLineOption kOptions[] = {
    {.name = "registry", .valueName = "FILE",
     .helpJa = "レジストリの書き出しファイル (REGEDIT4 または 5.00 形式) を読みます。複数指定でき、後のものが優先します。",
     .helpEn = "Read a registry export file (REGEDIT4 or version 5.00); repeatable, later files win."},
    {.name = "drive", .valueName = "X:=DIR",
     .helpJa = "レジストリや設定にある Windows のドライブ文字をフォルダーに対応させます。複数指定できます。",
     .helpEn = "Map a Windows drive letter of registry and preference values to a folder; repeatable."},
    {.name = "settings", .valueName = "FILE",
     .helpJa = "VELT.ini の代わりに使う設定ファイルです。",
     .helpEn = "Settings file to use instead of VELT.ini."},
    {.name = "demo",
     .drawsPictures = true,
     .helpJa = "ブラウザーのキャッシュを含むデモ用の Windows フォルダーを一時フォルダーに作り、それを使って起動します。",
     .helpEn = "Build a demo Windows root with browser caches in a temporary folder and start on it."},
    {.name = "list", .windowless = true,
     .helpJa = "ウィンドウを開かずに起動時の収集を行い、一覧を標準出力に書きます。",
     .helpEn = "Run the start-up collection without windows and print the list."},
    {.name = "check", .valueName = "FILE...", .windowless = true, .drawsPictures = true,
     .helpJa = "画像ファイルが壊れていないかをウィンドウなしで調べ、1 ファイル 1 行で報告します。",
     .helpEn = "Check picture files for damaged downloads without windows, one line per file."},
    {.name = "browser-cache", .valueName = "DIR",
     .helpJa = "この Firefox (cache2) または Chromium 系 (Simple Cache、blockfile、SQL) のキャッシュフォルダーも読みます (形式は中身で判断)。複数指定できます。",
     .helpEn = "Read this Firefox (cache2) or Chromium-family (Simple Cache, blockfile or SQL) cache folder too "
                 "(format told by content); repeatable."},
    {.name = "home", .valueName = "DIR",
     .helpJa = "別のディスクのホームフォルダー DIR にあるブラウザーのキャッシュも読みます (Linux、Windows、macOS の配置)。複数指定できます。",
     .helpEn = "Read the browser caches of the home folder DIR of another disk too (Linux, Windows or macOS layout); repeatable."},
    {.name = "extract", .valueName = "DIR", .windowless = true, .drawsPictures = true,
     .helpJa = "ウィンドウを開かずに起動時の収集を行い、集めた画像・動画・音声をすべて DIR にコピーします (上書きしません)。",
     .helpEn = "Run the start-up collection without windows and copy every collected picture, movie and sound into DIR (never overwriting)."},
    {.name = "report", .valueName = "FILE", .windowless = true, .drawsPictures = true,
     .helpJa = "ウィンドウを開かずに起動時の収集を行い、集めた画像・動画・音声の一覧表 (大きさ・検査結果・SHA-256 など) を FILE に書きます。形式は拡張子で決まります: .csv、.jsonl、.html (縮小画像つきのページ)、- は標準出力に CSV。",
     .helpEn = "Run the start-up collection without windows and write a report of every collected picture, movie and sound (size, check verdict, SHA-256, ...) to FILE; the extension picks the format: .csv, .jsonl, .html (a page with thumbnails), or - for CSV on standard output."},
    {.name = "screenshot", .valueName = "FILE",
     .helpJa = "起動して最初の画像を表示したあと、メインと画像のウィンドウを PNG に保存して終了します。",
     .helpEn = "After start-up and the first picture, save the main and picture windows as a PNG, then close."},
    {.name = "lang", .valueName = "ja|en",
     .helpJa = "表示の言語です。なければ VELT_LANG、それもなければデスクトップの言語に従います。",
     .helpEn = "Language of the texts; without it VELT_LANG, else the desktop's language."},
    {.name = "help", .shortName = 'h', .windowless = true,
     .helpJa = "この説明を表示して終了します。",
     .helpEn = "Show this help and exit."},
    {.name = "help-all", .windowless = true,
     .helpJa = "Qt 自身のオプションも含めてこの説明を表示して終了します。",
     .helpEn = "Show this help with Qt's own options and exit."},
    {.name = "version", .shortName = 'v', .windowless = true,
     .helpJa = "版数を表示して終了します。",
     .helpEn = "Show the version and exit."},

    // Qt's own, handed to the application object when windows open; no effect without windows.
    {.name = "platform", .valueName = "NAME[:OPTIONS]", .qtOwn = true,
     .helpJa = "ウィンドウシステムのプラグイン (xcb、wayland、offscreen など)。",
     .helpEn = "Window-system plugin (xcb, wayland, offscreen, ...)."},
    {.name = "platformpluginpath", .valueName = "DIR", .qtOwn = true,
     .helpJa = "ウィンドウシステムのプラグインを探すフォルダー。",
     .helpEn = "Folder to look for window-system plugins in."},
    {.name = "platformtheme", .valueName = "THEME", .qtOwn = true,
     .helpJa = "プラットフォームのテーマ。",
     .helpEn = "Platform theme."},
    {.name = "plugin", .valueName = "PLUGIN", .qtOwn = true,
     .helpJa = "追加で読み込む入力プラグイン。",
     .helpEn = "Additional input plugin to load."},
    {.name = "qwindowgeometry", .valueName = "GEOMETRY", .qtOwn = true,
     .helpJa = "最初のウィンドウの大きさと位置 (例 640x480+0+0)。",
     .helpEn = "Size and position of the first window (e.g. 640x480+0+0)."},
    {.name = "geometry", .valueName = "GEOMETRY", .qtOwn = true,
     .helpJa = "X11 で -qwindowgeometry と同じ。",
     .helpEn = "Same as -qwindowgeometry, on X11."},
    {.name = "qwindowicon", .valueName = "ICON", .qtOwn = true,
     .helpJa = "ウィンドウのアイコン。",
     .helpEn = "Window icon."},
    {.name = "qwindowtitle", .valueName = "TITLE", .qtOwn = true,
     .helpJa = "最初のウィンドウの題名。",
     .helpEn = "Title of the first window."},
    {.name = "reverse", .qtOwn = true,
     .helpJa = "右から左へ配置します。",
     .helpEn = "Lay out from right to left."},
    {.name = "session", .valueName = "SESSION", .qtOwn = true,
     .helpJa = "復元するセッション。",
     .helpEn = "Session to restore."},
    {.name = "display", .valueName = "HOST:SCREEN", .qtOwn = true,
     .helpJa = "X11 の接続先のディスプレイ。",
     .helpEn = "X11 display to connect to."},
    {.name = "style", .valueName = "STYLE", .qtOwn = true,
     .helpJa = "ウィジェットのスタイル (Fusion など)。",
     .helpEn = "Widget style (Fusion, ...)."},
    {.name = "stylesheet", .valueName = "FILE", .qtOwn = true,
     .helpJa = "スタイルシートのファイル。",
     .helpEn = "Style sheet file."},
};
// clang-format on

// VELT's options are written --name; Qt's own also -name, as Qt reads them.
const CommandLineOption *findLong(QStringView name, bool singleDash)
{
    for (const CommandLineOption &o : kOptions) {
        if (name == QLatin1String(o.name) && (!singleDash || o.qtOwn))
            return &o;
    }
    return nullptr;
}

const CommandLineOption *findShort(QChar c)
{
    for (const CommandLineOption &o : kOptions) {
        if (o.shortName != 0 && c == QLatin1Char(o.shortName))
            return &o;
    }
    return nullptr;
}

// "FILE...": the option takes the arguments that are not options.
bool takesPaths(const CommandLineOption &o)
{
    return o.valueName && QByteArrayView(o.valueName).endsWith("...");
}

bool takesValue(const CommandLineOption &o)
{
    return o.valueName && !takesPaths(o);
}

QString optionForm(const CommandLineOption &o)
{
    QString form = o.shortName ? QStringLiteral("-%1, ").arg(QLatin1Char(o.shortName)) : QString();
    form += (o.qtOwn ? QStringLiteral("-") : QStringLiteral("--")) + QLatin1String(o.name);
    if (o.valueName)
        form += QLatin1Char(' ') + QLatin1String(o.valueName);
    return form;
}

// Columns a character takes in a terminal: two for the wide Japanese characters.
int columnsOf(QChar c)
{
    return c.unicode() >= 0x2E80 ? 2 : 1;
}

// Lines of at most width columns, broken after a space or beside a wide character (Japanese
// breaks anywhere), never before closing punctuation, a long vowel mark or a small kana.
QStringList wrapped(const QString &text, int width)
{
    QStringList lines;
    QString line;
    int columns = 0;
    for (const QChar c : text) {
        line += c;
        columns += columnsOf(c);
        if (columns <= width)
            continue;
        // The last place to break: after a space, or beside a wide character.
        qsizetype cut = line.size() - 1;
        while (cut > 1
               && !(line[cut - 1] == QLatin1Char(' ')
                    || ((columnsOf(line[cut - 1]) == 2 || columnsOf(line[cut]) == 2)
                        && !QStringLiteral("。、）)」ーァィゥェォッャュョぁぃぅぇぉっゃゅょ")
                                    .contains(line[cut]))))
            --cut;
        lines << line.left(cut).trimmed();
        line = line.mid(cut);
        while (line.startsWith(QLatin1Char(' ')))
            line.remove(0, 1);
        columns = 0;
        for (const QChar rest : std::as_const(line))
            columns += columnsOf(rest);
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

void appendOptions(QString &text, bool qtOwn)
{
    constexpr int kColumn = 26;
    constexpr int kWidth = 79;
    const QString indent(kColumn, QLatin1Char(' '));
    for (const CommandLineOption &o : kOptions) {
        if (o.qtOwn != qtOwn)
            continue;
        QString form = QStringLiteral("  ") + optionForm(o);
        form = form.size() < kColumn ? form.leftJustified(kColumn)
                                     : form + QLatin1Char('\n') + indent;
        QStringList lines = wrapped(QString::fromUtf8(o.helpEn), kWidth - kColumn);
        if (uiLanguage() == UiLanguage::Japanese)
            lines = wrapped(QString::fromUtf8(o.helpJa), kWidth - kColumn) + lines;
        text += form + lines.join(QLatin1Char('\n') + indent) + QLatin1Char('\n');
    }
}

} // namespace

std::span<const CommandLineOption> commandLineOptions()
{
    return kOptions;
}

QString CommandLine::value(const char *name) const
{
    const QStringList v = values(name);
    return v.isEmpty() ? QString() : v.last();
}

bool CommandLine::windowless() const
{
    for (const CommandLineOption &o : kOptions) {
        if (o.windowless && isSet(o.name))
            return true;
    }
    return false;
}

bool CommandLine::drawsPictures() const
{
    for (const CommandLineOption &o : kOptions) {
        if (o.drawsPictures && isSet(o.name))
            return true;
    }
    return false;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    // The Japanese program says it in both languages, the English one in English only.
    const auto fail = [&cl](const QString &ja, const QString &en) {
        if (cl.error.isEmpty())
            cl.error = uiLanguage() == UiLanguage::English ? en : ja + QStringLiteral(" / ") + en;
    };
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size() && cl.error.isEmpty(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            cl.paths << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }

        const CommandLineOption *option = nullptr;
        std::optional<QString> attached; // a value after "="
        if (arg.size() == 2 && arg[1] != QLatin1Char('-')) {
            option = findShort(arg[1]);
        } else {
            const bool singleDash = !arg.startsWith(QLatin1String("--"));
            QStringView name = QStringView(arg).sliced(singleDash ? 1 : 2);
            const qsizetype equals = name.indexOf(QLatin1Char('='));
            if (equals >= 0) {
                attached = name.sliced(equals + 1).toString();
                name = name.first(equals);
            }
            option = findLong(name, singleDash);
        }
        if (!option) {
            fail(QStringLiteral("不明なオプションです: %1").arg(arg),
                 QStringLiteral("unknown option %1").arg(arg));
            break;
        }

        const QString name = QLatin1String(option->name);
        QString value;
        if (takesValue(*option)) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                fail(QStringLiteral("%1 には %2 が要ります")
                             .arg(arg, QLatin1String(option->valueName)),
                     QStringLiteral("%1 needs a value, %2")
                             .arg(arg, QLatin1String(option->valueName)));
                break;
            }
        } else if (attached) {
            const QString given = arg.section(QLatin1Char('='), 0, 0);
            fail(QStringLiteral("%1 は値を取りません").arg(given),
                 QStringLiteral("%1 takes no value").arg(given));
            break;
        }
        cl.given[name] << value;
        if (option->qtOwn) {
            cl.qtArguments << QStringLiteral("-") + name;
            if (takesValue(*option))
                cl.qtArguments << value;
        }
    }

    if (cl.error.isEmpty() && !cl.paths.isEmpty()) {
        bool pathsWanted = false;
        for (const CommandLineOption &o : kOptions)
            pathsWanted = pathsWanted || (takesPaths(o) && cl.isSet(o.name));
        if (!pathsWanted)
            fail(QStringLiteral("余分な引数です: %1").arg(cl.paths.first()),
                 QStringLiteral("unexpected argument %1").arg(cl.paths.first()));
    }
    return cl;
}

namespace {

QString englishUsageText(bool withQtOptions)
{
    QString text = QStringLiteral("Usage:  velt [OPTION...]\n"
                                  "        velt --check FILE...\n"
                                  "        velt --report FILE.csv|FILE.jsonl|FILE.html|-\n"
                                  "\n"
                                  "Shows the pictures, movies and sounds that web browsers left "
                                  "in their caches.\n"
                                  "\n"
                                  "Options:\n");
    appendOptions(text, false);
    if (withQtOptions) {
        text += QStringLiteral("\nQt's options (they act only when windows open):\n");
        appendOptions(text, true);
    }
    text += QStringLiteral(
            "\n"
            "Names printed:\n"
            "  --list, --check and --extract print one entry a line: in names a backslash is\n"
            "  printed as \\\\, tab, line feed and carriage return as \\t \\n \\r, other\n"
            "  control characters as \\xHH (U+0080 to U+009F as \\u0080 to \\u009F), U+2028\n"
            "  and U+2029 as \\u2028 and \\u2029. Bytes that are not UTF-8 are printed as \\x80\n"
            "  to \\xFF, so a name can be read back byte for byte.\n"
            "\n"
            "Exit status:\n"
            "  0  Success (with --check: every file is ok).\n"
            "  1  Failure (with --check: a file is damaged); also when what was asked for\n"
            "     (the list, the screenshot, the settings file) could not be written.\n"
            "  2  The command line is wrong or the settings file cannot be used (with\n"
            "     --check also: the results could not be written).\n");
    return text;
}

} // namespace

QString usageText(bool withQtOptions)
{
    if (uiLanguage() == UiLanguage::English)
        return englishUsageText(withQtOptions);
    QString text = QStringLiteral(
            "使い方: velt [オプション...]\n"
            "        velt --check ファイル...\n"
            "        velt --report ファイル.csv|ファイル.jsonl|-\n"
            "Usage:  velt [OPTION...]\n"
            "        velt --check FILE...\n"
            "        velt --report FILE.csv|FILE.jsonl|FILE.html|-\n"
            "\n"
            "ブラウザーのキャッシュに残った画像・動画・音声を集めて表示します。\n"
            "Shows the pictures, movies and sounds that web browsers left in their caches.\n"
            "\n"
            "オプション / Options:\n");
    appendOptions(text, false);
    if (withQtOptions) {
        text += QStringLiteral("\nQt のオプション (ウィンドウを開くときだけ効きます) /\n"
                               "Qt's options (they act only when windows open):\n");
        appendOptions(text, true);
    }
    text += QStringLiteral(
            "\n"
            "名前の表示 / Names printed:\n"
            "  --list、--check、--extract は 1 行に 1 件を書きます。名前の中の \\ は \\\\、\n"
            "  タブ・改行・復帰は \\t \\n \\r、その他の制御文字は \\xHH (U+0080〜U+009F は\n"
            "  \\u0080〜\\u009F)、U+2028 と U+2029 は \\u2028 \\u2029 と書きます。UTF-8 でない\n"
            "  バイトは \\x80〜\\xFF と書くので、名前はバイトのとおりに戻せます。\n"
            "  --list, --check and --extract print one entry a line: in names a backslash is\n"
            "  printed as \\\\, tab, line feed and carriage return as \\t \\n \\r, other\n"
            "  control characters as \\xHH (U+0080 to U+009F as \\u0080 to \\u009F), U+2028\n"
            "  and U+2029 as \\u2028 and \\u2029. Bytes that are not UTF-8 are printed as \\x80\n"
            "  to \\xFF, so a name can be read back byte for byte.\n"
            "\n"
            "終了状態 / Exit status:\n"
            "  0  正常に終わりました (--check では、どのファイルも正常です)。\n"
            "     Success (with --check: every file is ok).\n"
            "  1  失敗しました (--check では、壊れたファイルがあります)。\n"
            "     書くように言われたもの (一覧、画面写真、設定ファイル) が書けなかった\n"
            "     ときも 1 です。\n"
            "     Failure (with --check: a file is damaged); also when what was asked for\n"
            "     (the list, the screenshot, the settings file) could not be written.\n"
            "  2  コマンドラインに誤りがあるか、設定ファイルが使えません (--check では\n"
            "     結果が書けなかったときも 2 です)。\n"
            "     The command line is wrong or the settings file cannot be used (with\n"
            "     --check also: the results could not be written).\n");
    return text;
}

QString usageHintLine()
{
    if (uiLanguage() == UiLanguage::English)
        return QStringLiteral("Try velt --help for usage.");
    return QStringLiteral("velt --help で使い方を表示します / Try velt --help for usage.");
}

QStringList platformPluginNames(const QStringList &folders)
{
    QStringList names;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &file : dir.entryList(QDir::Files)) {
            // Only the plugin's metadata is read; the library is not loaded.
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
            if (!meta.value(QLatin1String("IID")).toString().contains(QLatin1String(".QPA.")))
                continue;
            const QJsonArray keys = meta.value(QLatin1String("MetaData"))
                                            .toObject()
                                            .value(QLatin1String("Keys"))
                                            .toArray();
            for (const QJsonValue &key : keys) {
                if (!names.contains(key.toString(), Qt::CaseInsensitive))
                    names << key.toString();
            }
        }
    }
    return names;
}

QString availablePlatform(const QString &requested, const QStringList &available)
{
    for (const QString &choice : requested.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = choice.section(QLatin1Char(':'), 0, 0);
        if (available.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return QString();
}

} // namespace velt

#include "cli/optiontable.h"

#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

int columnsOf(const QString &line)
{
    int columns = 0;
    for (const QChar c : line)
        columns += c.unicode() >= 0x2E80 ? 2 : 1;
    return columns;
}

} // namespace

class TestOptionTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void helpFitsATerminal_data();
    void helpFitsATerminal();
    void platformChoice_data();
    void platformChoice();
    void platformPluginsAreFoundByTheirMetadata();
};

void TestOptionTable::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // a part of the English half; empty: accepted
    QTest::addColumn<QStringList>("registry");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("qt");
    QTest::addColumn<bool>("windowless");
    QTest::addColumn<bool>("drawsPictures");

    const QStringList none;
    QTest::newRow("nothing") << none << "" << none << none << none << false << false;
    QTest::newRow("values after a space and after =")
            << QStringList{"--registry", "a.reg", "--registry=b.reg"} << ""
            << QStringList{"a.reg", "b.reg"} << none << none << false << false;
    QTest::newRow("a value may look like an option")
            << QStringList{"--registry", "--list"} << "" << QStringList{"--list"} << none << none
            << false << false;
    QTest::newRow("missing value") << QStringList{"--registry"} << "--registry needs a value"
                                   << none << none << none << false << false;
    QTest::newRow("switch with a value") << QStringList{"--list=yes"} << "--list takes no value"
                                         << none << none << none << false << false;
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "unknown option --bogus" << none
                                    << none << none << false << false;
    QTest::newRow("own option with one dash") << QStringList{"-list"} << "unknown option -list"
                                              << none << none << none << false << false;
    QTest::newRow("unknown short option")
            << QStringList{"-x"} << "unknown option -x" << none << none << none << false << false;
    QTest::newRow("first error wins")
            << QStringList{"--bogus", "--registry"} << "unknown option --bogus" << none << none
            << none << false << false;
    QTest::newRow("short help") << QStringList{"-h"} << "" << none << none << none << true << false;
    QTest::newRow("qt's option with one dash")
            << QStringList{"-platform", "xcb", "--demo"} << "" << none << none
            << QStringList{"-platform", "xcb"} << false << true;
    QTest::newRow("qt's option with two dashes and =")
            << QStringList{"--style=fusion", "-reverse"} << "" << none << none
            << QStringList{"-style", "fusion", "-reverse"} << false << false;
    QTest::newRow("qt's option without its value")
            << QStringList{"--list", "-platform"} << "-platform needs a value" << none << none
            << none << false << false;
    QTest::newRow("qt's options do not make a window-less mode draw")
            << QStringList{"-platform", "bogus", "--list"} << "" << none << none
            << QStringList{"-platform", "bogus"} << true << false;
    QTest::newRow("demo list draws pictures")
            << QStringList{"--demo", "--list"} << "" << none << none << none << true << true;
    QTest::newRow("check takes the paths") << QStringList{"a.jpg", "--check", "b.gif"} << "" << none
                                           << QStringList{"a.jpg", "b.gif"} << none << true << true;
    QTest::newRow("paths without check") << QStringList{"a.jpg"} << "unexpected argument a.jpg"
                                         << none << none << none << false << false;
    QTest::newRow("double dash ends the options")
            << QStringList{"--check", "--", "-odd.jpg", "--list"} << "" << none
            << QStringList{"-odd.jpg", "--list"} << none << true << true;
    QTest::newRow("a lone dash is a path") << QStringList{"--check", "-"} << "" << none
                                           << QStringList{"-"} << none << true << true;
}

void TestOptionTable::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QStringList, registry);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, qt);
    QFETCH(bool, windowless);
    QFETCH(bool, drawsPictures);

    const CommandLine cl = parseCommandLine(arguments);
    if (!error.isEmpty()) {
        QVERIFY2(cl.error.contains(error), qPrintable(cl.error));
        QVERIFY(!cl.error.contains(u'\n'));
        return;
    }
    QCOMPARE(cl.error, QString());
    QCOMPARE(cl.values("registry"), registry);
    QCOMPARE(cl.paths, paths);
    QCOMPARE(cl.qtArguments, qt);
    QCOMPARE(cl.windowless(), windowless);
    QCOMPARE(cl.drawsPictures(), drawsPictures);
}

void TestOptionTable::helpFitsATerminal_data()
{
    QTest::addColumn<bool>("withQtOptions");
    QTest::newRow("--help") << false;
    QTest::newRow("--help-all") << true;
}

void TestOptionTable::helpFitsATerminal()
{
    QFETCH(bool, withQtOptions);
    const QString text = usageText(withQtOptions);
    for (const QString &line : text.split(u'\n')) {
        QVERIFY2(columnsOf(line) <= 79, qPrintable(line));
        QVERIFY2(!line.trimmed().startsWith(u'。') && !line.trimmed().startsWith(u'ー'),
                 qPrintable(line));
    }
    // Every option is listed, Qt's own only in the long form.
    for (const CommandLineOption &o : commandLineOptions()) {
        const QString form = (o.qtOwn ? " -" : "--") + QLatin1String(o.name);
        QCOMPARE(text.contains(form), withQtOptions || !o.qtOwn);
    }
}

void TestOptionTable::platformChoice_data()
{
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("plain") << "xcb"
                           << "xcb";
    QTest::newRow("other case") << "Offscreen"
                                << "Offscreen";
    QTest::newRow("with options") << "offscreen:fontengine=freetype"
                                  << "offscreen";
    QTest::newRow("first available of a list") << "wayland;xcb"
                                               << "xcb";
    QTest::newRow("unknown") << "bogus"
                             << "";
    QTest::newRow("nothing") << ""
                             << "";
}

void TestOptionTable::platformChoice()
{
    QFETCH(QString, requested);
    QFETCH(QString, chosen);
    QCOMPARE(availablePlatform(requested, {"offscreen", "xcb"}), chosen);
}

void TestOptionTable::platformPluginsAreFoundByTheirMetadata()
{
    const QString qtPlatforms = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
    QVERIFY(platformPluginNames({qtPlatforms}).contains("offscreen"));

    QTemporaryDir dir;
    QFile junk(dir.filePath("libqbogus.so"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a plugin");
    junk.close();
    QCOMPARE(platformPluginNames({dir.path(), dir.filePath("missing")}), QStringList());
}

QTEST_GUILESS_MAIN(TestOptionTable)
#include "tst_optiontable.moc"

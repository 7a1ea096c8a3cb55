#include "browser/cachefinder.h"
#include "browser/extraction.h"
#include "cachebuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;
using namespace cachebuilder;

namespace {

// "C path" makes a Chromium entry in home/path, "F path" a Firefox one.
void makeCache(const QString &home, const QString &place)
{
    const QString dir = home + QLatin1Char('/') + place.mid(2);
    QVERIFY(QDir().mkpath(dir));
    if (place.startsWith(QLatin1Char('C'))) {
        ChromiumEntry e;
        e.key = "1/0/_dk_https://a.test https://a.test https://a.test/p.png";
        e.head = {"HTTP/1.1 200 OK", "Content-Type: image/png"};
        e.body = "\x89PNG\r\n\x1a\n";
        writeChromiumEntry(dir, e);
    } else {
        FirefoxEntry e;
        e.key = "a,:https://a.test/p.png";
        e.head = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n";
        e.body = "\x89PNG\r\n\x1a\n";
        writeFirefoxEntry(dir, e);
    }
}

} // namespace

class TestCacheFinder : public QObject
{
    Q_OBJECT
private slots:
    void searchesHome_data();
    void searchesHome();
    void windowsUsers();
};

void TestCacheFinder::searchesHome_data()
{
    QTest::addColumn<int>("layouts");
    QTest::addColumn<QStringList>("caches"); // made below home
    QTest::addColumn<QStringList>("links");  // "link=target", both below home
    QTest::addColumn<int>("maxFolders");
    QTest::addColumn<QStringList>("expected"); // "C|application|profile|path"
    QTest::addColumn<QStringList>("unread");   // folders whose files must not be opened
    QTest::addColumn<bool>("atBound");

    const QStringList none;
    QTest::newRow("application beside its settings")
            << int(LinuxHome) << QStringList{"C .config/chatapp/Cache/Cache_Data"} << none << 20000
            << QStringList{"C|chatapp||.config/chatapp/Cache/Cache_Data"} << none << false;
    QTest::newRow("vendor folder and partitions")
            << int(LinuxHome)
            << QStringList{"C .config/Vendor/Editor/Cache/Cache_Data",
                           "C .config/notes/Partitions/work/Cache/Cache_Data"}
            << none << 20000
            << QStringList{"C|notes|work|.config/notes/Partitions/work/Cache/Cache_Data",
                           "C|Vendor/Editor||.config/Vendor/Editor/Cache/Cache_Data"}
            << none << false;
    QTest::newRow("browser profile under the cache home")
            << int(LinuxHome) << QStringList{"C .cache/SomeBrowser/Profile 2/Cache/Cache_Data"}
            << none << 20000
            << QStringList{"C|SomeBrowser|Profile 2|.cache/SomeBrowser/Profile 2/Cache/Cache_Data"}
            << none << false;
    QTest::newRow("flatpak and snap")
            << int(LinuxHome)
            << QStringList{"C .var/app/org.chat.App/config/Chat/Cache/Cache_Data",
                           "C snap/mailer/42/.config/mailer/Cache/Cache_Data"}
            << QStringList{"snap/mailer/current=snap/mailer/42"} << 20000
            << QStringList{"C|org.chat.App/Chat||.var/app/org.chat.App/config/Chat/Cache/"
                           "Cache_Data",
                           "C|mailer/mailer||snap/mailer/42/.config/mailer/Cache/Cache_Data"}
            << none << false;
    QTest::newRow("firefox forks and the mail client")
            << int(LinuxHome)
            << QStringList{"F .cache/forkfox/ab.default/cache2/entries",
                           "F .mailclient/xy.default/cache2/entries"}
            << none << 20000
            << QStringList{"F|.mailclient|xy.default|.mailclient/xy.default/cache2/entries",
                           "F|forkfox|ab.default|.cache/forkfox/ab.default/cache2/entries"}
            << none << false;
    QTest::newRow("windows layout")
            << int(WindowsHome)
            << QStringList{"C AppData/Local/Maker/Browser/User Data/Default/Cache/Cache_Data",
                           "F AppData/Local/Mozilla/Firefox/Profiles/p.default/cache2/entries",
                           "C AppData/Local/Opera Software/Opera Stable/Cache/Cache_Data"}
            << none << 20000
            << QStringList{"C|Maker/Browser|Default|AppData/Local/Maker/Browser/User "
                           "Data/Default/Cache/Cache_Data",
                           "C|Opera Software/Opera Stable||AppData/Local/Opera Software/Opera "
                           "Stable/Cache/Cache_Data",
                           "F|Mozilla/Firefox|p.default|AppData/Local/Mozilla/Firefox/Profiles/"
                           "p.default/cache2/entries"}
            << none << false;
    QTest::newRow("macos layout")
            << int(MacHome)
            << QStringList{"C Library/Caches/Maker/Browser/Default/Cache",
                           "F Library/Caches/Firefox/Profiles/q.default/cache2/entries",
                           "C Library/Application Support/Chat/Cache/Cache_Data"}
            << none << 20000
            << QStringList{"C|Maker/Browser|Default|Library/Caches/Maker/Browser/Default/Cache",
                           "C|Chat||Library/Application Support/Chat/Cache/Cache_Data",
                           "F|Firefox|q.default|Library/Caches/Firefox/Profiles/q.default/cache2/"
                           "entries"}
            << none << false;
    QTest::newRow("other layouts not asked for")
            << int(LinuxHome)
            << QStringList{"C AppData/Local/Maker/Browser/User Data/Default/Cache/Cache_Data",
                           "C Library/Caches/Maker/Browser/Default/Cache"}
            << none << 20000 << none << none << false;
    QTest::newRow("link loop and a link out")
            << int(AnyHome) << QStringList{"C elsewhere/app/Cache/Cache_Data"}
            << QStringList{".config/loop=.config", ".config/app=elsewhere/app",
                           ".cache/Cache=elsewhere/app/Cache"}
            << 20000 << none << none << false;
    QTest::newRow("deeper than the bound")
            << int(LinuxHome) << QStringList{"C .config/a/b/c/Cache/Cache_Data"} << none << 20000
            << none << QStringList{".config/a/b/c/Cache/Cache_Data"} << false;
    QTest::newRow("entries outside a cache's shape are not read")
            << int(AnyHome)
            << QStringList{"C .config/notes", "F .cache/stuff/entries", "C .config/Cache_Data"}
            << none << 20000 << none
            << QStringList{".config/notes", ".cache/stuff/entries", ".config/Cache_Data"} << false;
    // Ten folders crowd ~/.config: its cache is past the bound, the sandboxed one is not.
    QTest::newRow("folder bound, each place its own")
            << int(LinuxHome)
            << QStringList{"C .config/zz/Cache/Cache_Data",
                           "C .var/app/org.x.App/config/X/Cache/Cache_Data"}
            << QStringList{".config/a0=.config", ".config/a1=.config"} << 5
            << QStringList{"C|org.x.App/X||.var/app/org.x.App/config/X/Cache/Cache_Data"} << none
            << true;
}

void TestCacheFinder::searchesHome()
{
    QFETCH(int, layouts);
    QFETCH(QStringList, caches);
    QFETCH(QStringList, links);
    QFETCH(int, maxFolders);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, unread);
    QFETCH(bool, atBound);

    QTemporaryDir dir;
    const QString home = dir.path();
    for (const QString &place : std::as_const(caches))
        makeCache(home, place);
    for (const QString &link : std::as_const(links)) {
        const QStringList ends = link.split(QLatin1Char('='));
        QVERIFY(QDir().mkpath(QFileInfo(home + QLatin1Char('/') + ends[0]).path()));
        QVERIFY(QFile::link(home + QLatin1Char('/') + ends[1], home + QLatin1Char('/') + ends[0]));
    }
    if (atBound) {
        for (int i = 0; i < 10; ++i)
            QVERIFY(QDir().mkpath(home + QStringLiteral("/.config/m%1").arg(i)));
    }

    SearchBounds bounds;
    bounds.maxFolders = maxFolders;
    const HomeSearch search = searchHome(home, layouts, {}, {}, bounds);
    QStringList got;
    const QString root = QFileInfo(home).canonicalFilePath() + QLatin1Char('/');
    for (const FoundCache &c : search.caches) {
        QVERIFY2(c.cache.path.startsWith(root), qPrintable(c.cache.path));
        QCOMPARE(c.cache.source,
                 c.profile.isEmpty() ? c.application : c.application + " (" + c.profile + ")");
        got << QStringList{isChromiumFormat(c.cache.format) ? "C" : "F", c.application, c.profile,
                           c.cache.path.mid(root.size())}
                        .join(QLatin1Char('|'));
    }
    got.sort();
    expected.sort();
    QCOMPARE(got, expected);
    for (const QString &folder : std::as_const(unread)) {
        for (const QString &probed : search.probed)
            QVERIFY2(!probed.endsWith(folder), qPrintable(probed));
    }
    QCOMPARE(search.stoppedAtBound, atBound);
}

// A Windows disk's homes: both generations of the users' folder, links left out.
void TestCacheFinder::windowsUsers()
{
    QTemporaryDir dir;
    for (const char *user : {"Users/ann", "Users/bob", "Documents and Settings/carl"})
        QVERIFY(QDir().mkpath(dir.filePath(QString::fromLatin1(user))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("Users/ann")),
                        dir.filePath(QStringLiteral("Users/All Users"))));
    makeCache(dir.path(),
              QStringLiteral("C Users/bob/AppData/Local/Maker/Browser/User "
                             "Data/Default/Cache/Cache_Data"));
    const QStringList homes = windowsUserFolders(dir.path());
    QCOMPARE(homes,
             (QStringList{dir.filePath(QStringLiteral("Users/ann")),
                          dir.filePath(QStringLiteral("Users/bob")),
                          dir.filePath(QStringLiteral("Documents and Settings/carl"))}));
    const QList<FoundCache> found = findHomeCaches(homes + homes);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().application, QStringLiteral("Maker/Browser"));

    // Each file taken from it is named by the cache's application and profile, also once saved.
    QTemporaryDir work;
    SourceTable table;
    QCOMPARE(extractCacheFolder(found.first().cache, work.path(), table), 1);
    QVERIFY(table.save(work.path()));
    const QString file = QDir(work.path()).entryList(QDir::Files).first();
    const auto facts = SourceTable::load(work.path()).lookup(QDir(work.path()).filePath(file));
    QVERIFY(facts);
    QCOMPARE(facts->source, QStringLiteral("Maker/Browser (Default)"));
    QCOMPARE(facts->cacheFormat, QStringLiteral("Chromium Simple"));
    QCOMPARE(facts->cacheFolder, found.first().cache.path);

    // A table saved before the response's facts had columns for them still loads.
    QFile saved(QDir(work.path()).filePath(QString::fromLatin1(SourceTable::kFileName)));
    QVERIFY(saved.open(QIODevice::ReadWrite));
    QByteArray older;
    for (const QByteArray &line : saved.readAll().split('\n')) {
        if (!line.isEmpty())
            older += line.split('\t').mid(0, 8).join('\t') + '\n';
    }
    saved.resize(0);
    saved.write(older);
    saved.close();
    const auto old = SourceTable::load(work.path()).lookup(QDir(work.path()).filePath(file));
    QVERIFY(old);
    QCOMPARE(old->source, QStringLiteral("Maker/Browser (Default)"));
    QVERIFY(old->cacheFormat.isEmpty());
}

QTEST_GUILESS_MAIN(TestCacheFinder)
#include "tst_cachefinder.moc"

#include "cache/winpath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velt;

namespace {

bool touch(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
}

} // namespace

class TestWinPath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void driveSpec_data();
    void driveSpec();
    void hostPath_data();
    void hostPath();
    void severalSpellingsOfOneName();
    void wildcard_data();
    void wildcard();
    void matchingFilesTakesRegularFilesOnly();
    void matchingFilesOfNothing();

private:
    QTemporaryDir m_root;
    DriveMap m_drives;
};

void TestWinPath::initTestCase()
{
    QVERIFY(m_root.isValid());
    // A Windows drive as it was copied to a case-sensitive file system.
    QDir c(m_root.path());
    QVERIFY(c.mkpath("c/WINDOWS/Temporary Internet Files/Content.IE5/AB12CD34"));
    QVERIFY(c.mkpath("c/Program Files/Netscape/Users/bob/cache"));
    QVERIFY(touch(m_root.filePath("c/Program Files/Netscape/Users/bob/prefs.js")));
    m_drives.set(u'c', m_root.filePath("c"));
}

void TestWinPath::driveSpec_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("folder");

    QTest::newRow("plain") << "C:=/mnt/win" << true << "C"
                           << "/mnt/win";
    QTest::newRow("lower-case letter") << "d:=/mnt/d/" << true << "D"
                                       << "/mnt/d";
    QTest::newRow("relative folder")
            << "E:=sub/../x" << true << "E" << QDir::cleanPath(QDir::current().filePath("x"));
    QTest::newRow("no folder") << "C:=" << false << "C"
                               << "";
    QTest::newRow("no colon") << "C=/x" << false << "C"
                              << "";
    QTest::newRow("two letters") << "CD:=/x" << false << "C"
                                 << "";
    QTest::newRow("digit") << "1:=/x" << false << "1"
                           << "";
    QTest::newRow("empty") << "" << false << "C"
                           << "";
}

void TestWinPath::driveSpec()
{
    QFETCH(QString, mapping);
    QFETCH(bool, accepted);
    QFETCH(QString, drive);
    QFETCH(QString, folder);
    DriveMap map;
    QCOMPARE(map.add(mapping), accepted);
    QCOMPARE(map.folderFor(drive[0]), folder);
    QCOMPARE(map.folderFor(drive[0].toLower()), folder);
}

void TestWinPath::hostPath_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("host"); // <C> stands for the folder C: is mapped to

    QTest::newRow("as written") << "C:\\WINDOWS"
                                << "<C>/WINDOWS";
    QTest::newRow("other case") << "c:\\windows\\temporary internet files\\CONTENT.ie5"
                                << "<C>/WINDOWS/Temporary Internet Files/Content.IE5";
    QTest::newRow("doubled backslashes from prefs.js")
            << "C:\\\\PROGRAM FILES\\\\NETSCAPE\\\\USERS\\\\BOB\\\\CACHE"
            << "<C>/Program Files/Netscape/Users/bob/cache";
    QTest::newRow("trailing backslash") << "C:\\Program Files\\Netscape\\Users\\bob\\Cache\\"
                                        << "<C>/Program Files/Netscape/Users/bob/cache";
    QTest::newRow("forward slashes") << "C:/windows//"
                                     << "<C>/WINDOWS";
    QTest::newRow("file") << "C:\\Program Files\\Netscape\\Users\\BOB\\PREFS.JS"
                          << "<C>/Program Files/Netscape/Users/bob/prefs.js";
    QTest::newRow("missing part kept as written") << "C:\\windows\\VeltTemp\\MyBuffer"
                                                  << "<C>/WINDOWS/VeltTemp/MyBuffer";
    QTest::newRow("nothing found") << "C:\\No\\Such"
                                   << "<C>/No/Such";
    QTest::newRow("dot and dotdot") << "C:\\windows\\.\\..\\..\\program files"
                                    << "<C>/Program Files";
    QTest::newRow("root") << "C:\\"
                          << "<C>";
    QTest::newRow("drive alone") << "C:"
                                 << "<C>";
    QTest::newRow("drive-relative") << "C:windows"
                                    << "<C>/WINDOWS";
    QTest::newRow("unmapped drive") << "D:\\WINDOWS"
                                    << "";
    QTest::newRow("unc") << "\\\\server\\share\\x"
                         << "";
    QTest::newRow("root without drive") << "\\WINDOWS"
                                        << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("host path") << "/home/u//Cache/"
                               << "/home/u/Cache";
    QTest::newRow("host path keeps backslash") << "/home/a\\b"
                                               << "/home/a\\b";
    QTest::newRow("host root") << "/"
                               << "/";
    QTest::newRow("relative") << "sub\\\\dir\\"
                              << "";
    QTest::newRow("prefs.js frame text") << "ze\", 768"
                                         << "";
}

void TestWinPath::hostPath()
{
    QFETCH(QString, windows);
    QFETCH(QString, host);
    host.replace("<C>", m_root.filePath("c"));
    QCOMPARE(velt::hostPath(windows, m_drives), host);
}

void TestWinPath::severalSpellingsOfOneName()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Dup"));
    QVERIFY(QDir(dir.path()).mkdir("DUP"));
    QVERIFY(QDir(dir.path()).mkdir("dUp"));
    DriveMap drives;
    drives.set(u'X', dir.path());
    // The one written wins; otherwise the first in name order.
    QCOMPARE(velt::hostPath("X:\\dUp", drives), dir.filePath("dUp"));
    QCOMPARE(velt::hostPath("X:\\dup", drives), dir.filePath("DUP"));
}

void TestWinPath::wildcard_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("extension other case") << "*.JPG"
                                          << "image[1].jpg" << true;
    QTest::newRow("extension differs") << "*.JPG"
                                       << "image.jpeg" << false;
    QTest::newRow("extension longer") << "*.JPG"
                                      << "a.jpgx" << false;
    QTest::newRow("two dots") << "*.JPG"
                              << "a.b.JpG" << true;
    QTest::newRow("star dot star, dotted") << "*.*"
                                           << "a.b" << true;
    QTest::newRow("star dot star, no dot") << "*.*"
                                           << "README" << true;
    QTest::newRow("name dot star, no dot") << "a.*"
                                           << "a" << true;
    QTest::newRow("name dot star, other") << "a.*"
                                          << "ab" << false;
    QTest::newRow("star") << "*"
                          << "" << true;
    QTest::newRow("question mark") << "?.gif"
                                   << "A.GIF" << true;
    QTest::newRow("question mark needs one") << "?.gif"
                                             << ".gif" << false;
    QTest::newRow("brackets literal") << "[1].jpg"
                                      << "[1].JPG" << true;
    QTest::newRow("brackets not a class") << "[1].jpg"
                                          << "1.jpg" << false;
    QTest::newRow("backtracking") << "*a*b*c"
                                  << "xaybzazbzc" << true;
    QTest::newRow("backtracking fails") << "*a*b*c"
                                        << "xaybzazbz" << false;
    QTest::newRow("non-ascii case") << "*.ÄBC"
                                    << "x.äbc" << true;
    QTest::newRow("empty pattern") << ""
                                   << "a" << false;
}

void TestWinPath::wildcard()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(wildcardMatch(pattern, name), matches);
}

void TestWinPath::matchingFilesTakesRegularFilesOnly()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    for (const char *name : {"b.jpg", "A.JPG", "a.jpg", "image[1].jpg", "c.gif", ".hidden.jpg"})
        QVERIFY(touch(d.filePath(name)));
    QVERIFY(d.mkdir("folder.jpg"));
    QVERIFY(d.mkdir("sub"));
    QVERIFY(touch(d.filePath("sub/deep.jpg")));
    QVERIFY(QFile::link(d.filePath("b.jpg"), d.filePath("link.jpg")));
    QVERIFY(QFile::link(d.filePath("sub"), d.filePath("linkdir.jpg")));
    QVERIFY(QFile::link(d.filePath("gone"), d.filePath("broken.jpg")));
    QVERIFY(QFile::link(d.filePath("loop.jpg"), d.filePath("loop.jpg")));
    QCOMPARE(::mkfifo(QFile::encodeName(d.filePath("fifo.jpg")).constData(), 0600), 0);

    const QStringList expected{".hidden.jpg", "A.JPG",        "a.jpg",
                               "b.jpg",       "image[1].jpg", "link.jpg"};
    QCOMPARE(matchingFiles(dir.path(), "*.JPG"), expected);
    QCOMPARE(matchingFiles(dir.path(), "*.*").size(), expected.size() + 1);
    QCOMPARE(matchingFiles(dir.path(), "*.bmp"), QStringList());
}

void TestWinPath::matchingFilesOfNothing()
{
    QTemporaryDir dir;
    QVERIFY(touch(QDir::current().filePath("velt-winpath-probe.jpg")));
    QCOMPARE(matchingFiles(QString(), "*.*"), QStringList()); // never the current folder
    QFile::remove(QDir::current().filePath("velt-winpath-probe.jpg"));
    QCOMPARE(matchingFiles(dir.filePath("missing"), "*.*"), QStringList());

    QVERIFY(touch(dir.filePath("a.jpg")));
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::WriteOwner));
    const QStringList unreadable = matchingFiles(dir.path(), "*.*");
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0)
        QCOMPARE(unreadable, QStringList());
}

QTEST_GUILESS_MAIN(TestWinPath)
#include "tst_winpath.moc"

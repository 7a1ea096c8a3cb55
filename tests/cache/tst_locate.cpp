#include "cache/locate.h"

#include "cache/regfile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <sys/stat.h>

using namespace velt;

namespace {

const char *const kMain = "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN";
const char *const kBiff = "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\BIFF";
const char *const k9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char *const kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kPaths =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths";
const std::string kApp = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

const char *const kDirectoryLine = "user_pref(\"browser.cache.directory\", "
                                   "\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\bob\\\\cache\");";

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

RegistryValue expandable(const char *text)
{
    RegistryValue v;
    v.type = kREG_EXPAND_SZ;
    v.data.assign(text, text + std::strlen(text) + 1);
    return v;
}

} // namespace

class TestLocate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void realWorldRegistry();
    void systemRoot_data();
    void systemRoot();
    void netscape_data();
    void netscape();
    void appPathsMissingEmptyTheSlots();
    void appPathOfAnotherTypeKeepsThePreviousProgram();
    void paintProgramFallsBackToPbrush();
    void prefsLineLengths_data();
    void prefsLineLengths();
    void prefsFiles_data();
    void prefsFiles();
    void prefsFilesThatAreNotText();

private:
    bool run();
    QString c(const QString &relative) const { return m_root.filePath("c/" + relative); }

    QTemporaryDir m_root;
    DriveMap m_drives;
    RegFileStore m_reg;
    MdlVELT m_state;
    Settings m_settings;
    CacheLocation m_loc;
};

void TestLocate::initTestCase()
{
    QVERIFY(m_root.isValid());
    QDir d(m_root.path());
    QVERIFY(d.mkpath("c/WINDOWS/Temporary Internet Files"));
    QVERIFY(d.mkpath("c/WINNT"));
    QVERIFY(d.mkpath("c/Program Files/Netscape/Users/bob/cache"));
    QVERIFY(d.mkpath("c/Program Files/Accessories"));
    m_drives.set(u'C', m_root.filePath("c"));
}

void TestLocate::init()
{
    // Spelled as a Windows 98 system with Netscape Communicator 4 has it.
    m_reg = RegFileStore();
    m_reg.setString(kHKEY_CURRENT_USER, kMain, "Install Directory",
                    "C:\\PROGRAM FILES\\NETSCAPE\\COMMUNICATOR");
    m_reg.setString(kHKEY_CURRENT_USER, kBiff, "CurrentUser", "bob");
    m_reg.setString(kHKEY_LOCAL_MACHINE, k9x, "SystemRoot", "C:\\WINDOWS");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kPaths, "Directory",
                    "C:\\WINDOWS\\Temporary Internet Files");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "IEXPLORE.EXE", "",
                    "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "Netscape.exe", "",
                    "\"C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe\"");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "MSPAINT.EXE", "",
                    "C:\\Program Files\\accessories\\MSPAINT.EXE");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "RealPlay.exe", "", "/usr/bin/vlc");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "QuickTimePlayer.exe", "", "mpv");
    m_state = MdlVELT();
    m_state.ListPos = 5;
    m_state.ListCount = 7;
    m_settings = Settings();
    m_loc = CacheLocation();
    m_loc.StopAns = 6;
}

bool TestLocate::run()
{
    return locateCaches(m_reg, m_drives, m_state, m_settings, m_loc);
}

void TestLocate::realWorldRegistry()
{
    QVERIFY(run());
    QCOMPARE(m_state.ListPos, 0);
    QCOMPARE(m_state.ListCount, 0);
    QCOMPARE(m_loc.StopAns, 7);
    QVERIFY(m_loc.NsFound);
    QCOMPARE(m_loc.NsPrefs, c("Program Files/Netscape/Users/bob/prefs.js"));
    QCOMPARE(m_loc.NsCache, c("Program Files/Netscape/Users/bob/cache"));
    QCOMPARE(m_state.SysRoot, c("WINDOWS"));
    QCOMPARE(m_state.WorkDir, c("WINDOWS/VeltTemp"));
    QCOMPARE(m_state.BufferDir, c("WINDOWS/VeltTemp/MyBuffer"));
    QCOMPARE(m_loc.ICPath, c("WINDOWS/Temporary Internet Files"));
    QCOMPARE(m_state.IeExe, c("PROGRA~1/INTERN~1/IEXPLORE.EXE"));
    QCOMPARE(m_state.NsExe, c("Program Files/Netscape/Communicator/Program/netscape.exe"));
    QCOMPARE(m_loc.EditFile, c("Program Files/Accessories/MSPAINT.EXE"));
    QCOMPARE(m_state.RealExe, "/usr/bin/vlc");
    QCOMPARE(m_state.QtExe, "mpv");
    QCOMPARE(m_settings.text(IEPath), m_state.IeExe);
    QCOMPARE(m_settings.text(NetscapePath), m_state.NsExe);
    QCOMPARE(m_settings.text(RealPlayerPath), m_state.RealExe);
    QCOMPARE(m_settings.text(QuickTimePath), m_state.QtExe);
}

void TestLocate::systemRoot_data()
{
    QTest::addColumn<QString>("win9x");
    QTest::addColumn<QString>("winNt");
    QTest::addColumn<QString>("sysRoot"); // <C> is the mapped drive; empty: not readable

    QTest::newRow("95/98") << "C:\\WINDOWS"
                           << ""
                           << "<C>/WINDOWS";
    QTest::newRow("NT") << ""
                        << "c:\\winnt"
                        << "<C>/WINNT";
    QTest::newRow("95/98 first") << "C:\\WINDOWS"
                                 << "C:\\WINNT"
                                 << "<C>/WINDOWS";
    QTest::newRow("new folder") << ""
                                << "C:\\Fresh"
                                << "<C>/Fresh";
    QTest::newRow("host folder") << ""
                                 << "/srv/win/"
                                 << "/srv/win";
    QTest::newRow("neither") << ""
                             << ""
                             << "";
    QTest::newRow("unmapped drive") << ""
                                    << "D:\\WINNT"
                                    << "";
    QTest::newRow("relative") << ""
                              << "WINNT"
                              << "";
    QTest::newRow("expandable") << ""
                                << "<expand>"
                                << "";
}

void TestLocate::systemRoot()
{
    QFETCH(QString, win9x);
    QFETCH(QString, winNt);
    QFETCH(QString, sysRoot);
    sysRoot.replace("<C>", m_root.filePath("c"));

    m_reg.removeValue(kHKEY_LOCAL_MACHINE, k9x, "SystemRoot");
    if (!win9x.isEmpty())
        m_reg.setString(kHKEY_LOCAL_MACHINE, k9x, "SystemRoot", win9x.toStdString());
    if (winNt == "<expand>")
        m_reg.setValue(kHKEY_LOCAL_MACHINE, kNt, "SystemRoot", expandable("%WINDIR%"));
    else if (!winNt.isEmpty())
        m_reg.setString(kHKEY_LOCAL_MACHINE, kNt, "SystemRoot", winNt.toStdString());

    m_state.SysRoot = "/old";
    m_state.WorkDir = "/old/VeltTemp";
    m_state.BufferDir = "/old/VeltTemp/MyBuffer";
    m_state.IeExe = "/old/ie";
    m_settings.setText(IEPath, "/old/ie");
    m_loc.ICPath = "/old/cache";

    QCOMPARE(run(), !sysRoot.isEmpty());
    QCOMPARE(m_state.SysRoot, sysRoot);
    if (sysRoot.isEmpty()) {
        QCOMPARE(m_state.WorkDir, QString());
        QCOMPARE(m_state.BufferDir, QString());
        // The stage ends at once: nothing after SystemRoot is read.
        QCOMPARE(m_loc.ICPath, "/old/cache");
        QCOMPARE(m_state.IeExe, "/old/ie");
        QCOMPARE(m_settings.text(IEPath), "/old/ie");
        QVERIFY(m_loc.NsFound); // read before SystemRoot
    } else {
        QCOMPARE(m_state.WorkDir, sysRoot + "/VeltTemp");
        QCOMPARE(m_state.BufferDir, sysRoot + "/VeltTemp/MyBuffer");
    }
    QCOMPARE(kMsgNoCacheFolder, "インターネットキャッシュフォルダーが取得できませんでした。");
}

void TestLocate::netscape_data()
{
    QTest::addColumn<QString>("install"); // "-": no value
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("prefs"); // empty: Netscape not found
    QTest::addColumn<QString>("cache");

    QTest::newRow("found") << "C:\\Program Files\\Netscape\\Communicator"
                           << "bob"
                           << "<C>/Program Files/Netscape/Users/bob/prefs.js"
                           << "<C>/Program Files/Netscape/Users/bob/cache";
    QTest::newRow("profile not there") << "C:\\Netscape\\Communicator"
                                       << "amy"
                                       << "<C>/Netscape/Users/amy/prefs.js"
                                       << "<C>/Netscape/Users/amy/Cache";
    QTest::newRow("host folder") << "/opt/ns/Communicator"
                                 << "bob"
                                 << "/opt/ns/Users/bob/prefs.js"
                                 << "/opt/ns/Users/bob/Cache";
    QTest::newRow("no install folder") << "-"
                                       << "bob"
                                       << ""
                                       << "";
    QTest::newRow("no user") << "C:\\Program Files\\Netscape\\Communicator"
                             << "-"
                             << ""
                             << "";
    QTest::newRow("11 characters") << "C:\\Netscape"
                                   << "bob"
                                   << ""
                                   << "";
    QTest::newRow("nothing left after the cut") << "Communicator"
                                                << "bob"
                                                << ""
                                                << "";
    QTest::newRow("unmapped drive") << "E:\\Netscape\\Communicator"
                                    << "bob"
                                    << ""
                                    << "";
}

void TestLocate::netscape()
{
    QFETCH(QString, install);
    QFETCH(QString, user);
    QFETCH(QString, prefs);
    QFETCH(QString, cache);
    prefs.replace("<C>", m_root.filePath("c"));
    cache.replace("<C>", m_root.filePath("c"));

    m_reg.removeKey(kHKEY_CURRENT_USER, "SOFTWARE\\NETSCAPE");
    if (install != "-")
        m_reg.setString(kHKEY_CURRENT_USER, kMain, "Install Directory", install.toStdString());
    if (user != "-")
        m_reg.setString(kHKEY_CURRENT_USER, kBiff, "CurrentUser", user.toStdString());

    QVERIFY(run());
    QCOMPARE(m_loc.NsFound, !prefs.isEmpty());
    if (m_loc.NsFound) {
        QCOMPARE(m_loc.NsPrefs, prefs);
        QCOMPARE(m_loc.NsCache, cache);
    }
}

void TestLocate::appPathsMissingEmptyTheSlots()
{
    m_reg.removeKey(kHKEY_LOCAL_MACHINE, kApp);
    m_reg.removeKey(kHKEY_LOCAL_MACHINE, kPaths);
    m_state.IeExe = m_state.NsExe = m_state.RealExe = m_state.QtExe = "/old";
    m_loc.EditFile = "/old";
    m_loc.ICPath = "/old";
    for (int slot : {IEPath, NetscapePath, RealPlayerPath, QuickTimePath})
        m_settings.setText(slot, "/from/settings");

    QVERIFY(run());
    QCOMPARE(m_loc.ICPath, QString());
    for (const QString *program :
         {&m_state.IeExe, &m_state.NsExe, &m_state.RealExe, &m_state.QtExe, &m_loc.EditFile})
        QCOMPARE(*program, QString());
    for (int slot : {IEPath, NetscapePath, RealPlayerPath, QuickTimePath})
        QCOMPARE(m_settings.text(slot), QString());
}

void TestLocate::appPathOfAnotherTypeKeepsThePreviousProgram()
{
    m_reg.setValue(kHKEY_LOCAL_MACHINE, kApp + "IEXPLORE.EXE", "",
                   expandable("%ProgramFiles%\\Internet Explorer\\IEXPLORE.EXE"));
    m_state.IeExe = "/usr/bin/previous";
    QVERIFY(run());
    QCOMPARE(m_state.IeExe, "/usr/bin/previous");
    QCOMPARE(m_settings.text(IEPath), "/usr/bin/previous");
}

void TestLocate::paintProgramFallsBackToPbrush()
{
    m_reg.removeKey(kHKEY_LOCAL_MACHINE, kApp + "MSPAINT.EXE");
    m_reg.setString(kHKEY_LOCAL_MACHINE, kApp + "pbrush.exe", "", "C:\\WINDOWS\\PBRUSH.EXE");
    QVERIFY(run());
    QCOMPARE(m_loc.EditFile, c("WINDOWS/PBRUSH.EXE"));

    // An editor of the previous collection is never kept.
    m_reg.setValue(kHKEY_LOCAL_MACHINE, kApp + "pbrush.exe", "", expandable("x"));
    QVERIFY(run());
    QCOMPARE(m_loc.EditFile, QString());
}

void TestLocate::prefsLineLengths_data()
{
    QTest::addColumn<int>("length");
    // The preference line's frame: "cache" at characters 20..24, the folder from 39 on, then
    // three closing characters.
    for (int n = 19; n <= 45; ++n)
        QTest::addRow("%d characters", n) << n;
}

void TestLocate::prefsLineLengths()
{
    QFETCH(int, length);
    const QByteArray frame = "user_pref(\"browser.cache.directory\", \"ABCDEFGHIJ";
    QByteArray line = frame.left(length);
    while (line.size() < length)
        line += '!';
    QTemporaryDir dir;
    const QString prefs = dir.filePath("prefs.js");
    QVERIFY(writeFile(prefs, "// first line\n" + line + "\n"));

    const QString result = NsCacheFromPrefs(prefs, "derived");
    if (length < 41)
        QCOMPARE(result, "derived");
    else
        QCOMPARE(result, QString::fromLatin1(line.mid(38, length - 41)));
    QCOMPARE(result.size(), length < 41 ? 7 : length - 41);
}

void TestLocate::prefsFiles_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expected");

    const QByteArray dirLine = kDirectoryLine;
    const QString asWritten = "C:\\\\Program Files\\\\Netscape\\\\Users\\\\bob\\\\cache";
    QTest::newRow("directory line") << "// Netscape prefs\n" + dirLine + "\n" << asWritten;
    QTest::newRow("crlf, no final break") << "a\r\n" + dirLine << asWritten;
    QTest::newRow("cr only") << "a\r" + dirLine + "\rb" << asWritten;
    QTest::newRow("later group line wins")
            << dirLine + "\nuser_pref(\"browser.cache.disk_cache_size\", 7680);\n"
            << "ze\", 768";
    QTest::newRow("last of two directories")
            << dirLine + "\nuser_pref(\"browser.cache.directory\", \"D:\\\\cache\");\n"
            << "D:\\\\cache";
    QTest::newRow("compared exactly")
            << QByteArray("user_pref(\"browser.Cache.directory\", \"C:\\\\x\");\n"
                          "user_pref(\"mail.cache.directory\", \"C:\\\\mail\");\n")
            << "derived";
    QTest::newRow("cp932 folder") << QByteArray(QStringEncoder("CP932").encode(
            u"user_pref(\"browser.cache.directory\", \"C:\\\\ネット\\\\cache\");\n"))
                                  << "C:\\\\ネット\\\\cache";
    QTest::newRow("empty file") << QByteArray() << "derived";
    QTest::newRow("long line") << "user_pref(\"browser.cache.directory\", \""
                    + QByteArray(1 << 20, 'x')
                    + "\");" << QString(1 << 20, u'x');
    // Up to 16 MB is read; a larger file is refused whole, with one line on standard error.
    const QByteArray head = dirLine + "\n";
    QTest::newRow("16 MB") << head + QByteArray(16 * 1024 * 1024 - head.size(), '\n') << asWritten;
    QTest::newRow("16 MB and a byte")
            << head + QByteArray(16 * 1024 * 1024 - head.size() + 1, '\n') << "derived";
}

void TestLocate::prefsFiles()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("prefs.js"), contents));
    QCOMPARE(NsCacheFromPrefs(dir.filePath("prefs.js"), "derived"), expected);
}

void TestLocate::prefsFilesThatAreNotText()
{
    QTemporaryDir dir;
    QCOMPARE(NsCacheFromPrefs(dir.filePath("missing.js"), "derived"), "derived");
    QCOMPARE(NsCacheFromPrefs(QString(), "derived"), "derived");
    QCOMPARE(NsCacheFromPrefs(dir.path(), "derived"), "derived"); // a folder

    QVERIFY(writeFile(dir.filePath("binary.js"),
                      QByteArray(kDirectoryLine) + QByteArray("\n\0\x01", 3)));
    QCOMPARE(NsCacheFromPrefs(dir.filePath("binary.js"), "derived"), "derived");

    // Opening a FIFO for reading would wait for a writer for ever.
    const QString fifo = dir.filePath("fifo.js");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(NsCacheFromPrefs(fifo, "derived"), "derived");
}

QTEST_GUILESS_MAIN(TestLocate)
#include "tst_locate.moc"

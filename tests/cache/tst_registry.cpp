#include "cache/regfile.h"
#include "cache/registry.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

Q_DECLARE_METATYPE(std::uint32_t)

namespace {

const char *const kKey = "SOFTWARE\\Test";

RegistryValue raw(std::uint32_t type, const QByteArray &bytes)
{
    RegistryValue v;
    v.type = type;
    v.data.assign(bytes.begin(), bytes.end());
    return v;
}

QString readString(const RegistrySource &source, std::uint32_t root, const QString &key,
                   const QString &name, bool *ok = nullptr)
{
    QString value;
    const bool result = GetKeyValue(source, root, key, name, value);
    if (ok)
        *ok = result;
    return value;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getKeyValue_data();
    void getKeyValue();
    void missingKeyOrValueEmptiesOutput();
    void desktopProfile_data();
    void desktopProfile();
    void registryFilesMergeLaterWins();
    void fileBesideExecutableIsUsedWithoutFiles();
    void withoutAnyFileTheDesktopProfileIsUsed();
};

void TestRegistry::getKeyValue_data()
{
    QTest::addColumn<std::uint32_t>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("after");

    const QByteArray a1022(1022, 'a');
    const QByteArray a1023(1023, 'a');
    const QByteArray a1024(1024, 'a');

    QTest::newRow("sz with nul") << kREG_SZ << QByteArray("C:\\WINDOWS\0", 11) << "old" << true
                                 << "C:\\WINDOWS";
    QTest::newRow("sz without nul")
            << kREG_SZ << QByteArray("C:\\WINDOWS") << "old" << true << "C:\\WINDOWS";
    QTest::newRow("nul in the middle")
            << kREG_SZ << QByteArray("first\0second\0", 13) << "" << true << "first";
    QTest::newRow("empty with nul") << kREG_SZ << QByteArray("\0", 1) << "old" << true << "";
    QTest::newRow("no bytes") << kREG_SZ << QByteArray() << "old" << true << "";
    QTest::newRow("1023 bytes") << kREG_SZ << a1023 << "" << true << QString::fromLatin1(a1023);
    QTest::newRow("1022 bytes and nul")
            << kREG_SZ << a1022 + '\0' << "" << true << QString::fromLatin1(a1022);
    // The real query fits 1024 bytes into its 1024-byte buffer and refuses 1025.
    QTest::newRow("1023 bytes and nul")
            << kREG_SZ << a1023 + '\0' << "old" << true << QString::fromLatin1(a1023);
    QTest::newRow("1024 bytes") << kREG_SZ << a1024 << "old" << true << QString::fromLatin1(a1024);
    QTest::newRow("1024 bytes and nul") << kREG_SZ << a1024 + '\0' << "old" << false << "";
    QTest::newRow("far too long") << kREG_SZ << QByteArray(70000, 'b') << "old" << false << "";
    QTest::newRow("too long expandable") << kREG_EXPAND_SZ << a1024 + '\0' << "old" << false << "";
    QTest::newRow("utf-8") << kREG_SZ << QByteArray("C:\\日本語\0") << "" << true
                           << QStringLiteral("C:\\日本語");
    QTest::newRow("cp932") << kREG_SZ << QStringEncoder("CP932").encode(u"C:\\ネット") + '\0' << ""
                           << true << QStringLiteral("C:\\ネット");
    QTest::newRow("expandable keeps text") << kREG_EXPAND_SZ << QByteArray("%SystemRoot%\0", 13)
                                           << "previous" << true << "previous";
    QTest::newRow("binary keeps text")
            << kREG_BINARY << QByteArray("\x01\x02", 2) << "p" << true << "p";
    QTest::newRow("multi keeps text")
            << kREG_MULTI_SZ << QByteArray("a\0b\0\0", 5) << "" << true << "";
    // Each byte up to the first NUL, from the last to the first, in hexadecimal.
    QTest::newRow("dword") << kREG_DWORD << QByteArray("\x78\x56\x34\x12", 4) << "" << true
                           << "&h12345678";
    QTest::newRow("dword leading zeros dropped")
            << kREG_DWORD << QByteArray("\x03\x02\x01\x00", 4) << "" << true << "&h123";
    QTest::newRow("dword appends")
            << kREG_DWORD << QByteArray("\x0a\x00\x00\x00", 4) << "x" << true << "&hxA";
    QTest::newRow("dword stops at nul")
            << kREG_DWORD << QByteArray("\x41\x00\x42\x00", 4) << "" << true << "&h41";
    QTest::newRow("dword zero") << kREG_DWORD << QByteArray(4, '\0') << "" << true << "&h";
}

void TestRegistry::getKeyValue()
{
    QFETCH(std::uint32_t, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, before);
    QFETCH(bool, result);
    QFETCH(QString, after);

    RegFileStore store;
    store.setValue(kHKEY_LOCAL_MACHINE, kKey, "v", raw(type, data));
    QString value = before;
    QCOMPARE(GetKeyValue(store, kHKEY_LOCAL_MACHINE, kKey, "v", value), result);
    QCOMPARE(value, after);
}

void TestRegistry::missingKeyOrValueEmptiesOutput()
{
    RegFileStore store;
    store.setString(kHKEY_LOCAL_MACHINE, kKey, "", "default");
    store.addKey(kHKEY_CURRENT_USER, "Empty");

    QString value = "old";
    QVERIFY(!GetKeyValue(store, kHKEY_LOCAL_MACHINE, "SOFTWARE\\None", "", value));
    QCOMPARE(value, QString());
    value = "old";
    QVERIFY(!GetKeyValue(store, kHKEY_CURRENT_USER, "Empty", "x", value));
    QCOMPARE(value, QString());
    value = "old";
    QVERIFY(!GetKeyValue(store, kHKEY_CURRENT_USER, kKey, "", value)); // other root
    QCOMPARE(value, QString());

    bool ok = false;
    QCOMPARE(readString(store, kHKEY_LOCAL_MACHINE, kKey, QString(), &ok), "default");
    QVERIFY(ok);
}

void TestRegistry::desktopProfile_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("browser");
    QTest::addColumn<QString>("paint");
    QTest::addColumn<QString>("player");

    QTest::newRow("nothing") << QStringList() << ""
                             << ""
                             << "";
    QTest::newRow("everything") << QStringList{"xdg-open", "pinta", "kolourpaint", "gimp",
                                               "krita",    "vlc",   "mpv"}
                                << "/bin/xdg-open"
                                << "/bin/pinta"
                                << "/bin/vlc";
    QTest::newRow("later choices") << QStringList{"krita", "gimp", "mpv"} << ""
                                   << "/bin/gimp"
                                   << "/bin/mpv";
    QTest::newRow("only krita") << QStringList{"krita"} << ""
                                << "/bin/krita"
                                << "";
}

void TestRegistry::desktopProfile()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, browser);
    QFETCH(QString, paint);
    QFETCH(QString, player);

    const auto find = [&installed](const QString &name) {
        return installed.contains(name) ? "/bin/" + name : QString();
    };
    const auto source = makeDesktopRegistry("/home/u/.cache/VELT", find);
    const QString appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const auto program = [&](const char *key, bool *ok) {
        return readString(*source, kHKEY_LOCAL_MACHINE, appPaths + key, QString(), ok);
    };
    bool ok = false;
    QCOMPARE(program("IEXPLORE.EXE", &ok), browser);
    QCOMPARE(ok, !browser.isEmpty());
    QCOMPARE(program("MSPAINT.EXE", &ok), paint);
    QCOMPARE(ok, !paint.isEmpty());
    QCOMPARE(program("RealPlay.exe", &ok), player);
    QCOMPARE(ok, !player.isEmpty());
    QCOMPARE(program("QuickTimePlayer.exe", &ok), player);
    QCOMPARE(program("Netscape.exe", &ok), QString());
    QVERIFY(!ok);

    // The NT location only, and no browser cache.
    QCOMPARE(readString(*source, kHKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot"),
             "/home/u/.cache/VELT");
    QCOMPARE(readString(*source, kHKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SystemRoot", &ok),
             QString());
    QVERIFY(!ok);
    readString(*source, kHKEY_LOCAL_MACHINE,
               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths",
               "Directory", &ok);
    QVERIFY(!ok);

    const auto noRoot = makeDesktopRegistry(QString(), find);
    readString(*noRoot, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
               "SystemRoot", &ok);
    QVERIFY(!ok);
}

void TestRegistry::registryFilesMergeLaterWins()
{
    QTemporaryDir dir;
    const QString first = dir.filePath("a.reg");
    const QString second = dir.filePath("b.reg");
    QVERIFY(writeFile(first, "REGEDIT4\n[HKLM\\K]\n\"a\"=\"1\"\n\"b\"=\"1\"\n"));
    QVERIFY(writeFile(second, "REGEDIT4\n[HKLM\\K]\n\"b\"=\"2\"\n"));
    // A VELT.reg beside the executable is not read when files are given.
    QVERIFY(writeFile(dir.filePath("VELT.reg"), "REGEDIT4\n[HKLM\\K]\n\"c\"=\"3\"\n"));

    const auto source =
            makeRegistrySource({first, second, dir.filePath("missing.reg")}, dir.path());
    QCOMPARE(readString(*source, kHKEY_LOCAL_MACHINE, "K", "a"), "1");
    QCOMPARE(readString(*source, kHKEY_LOCAL_MACHINE, "K", "b"), "2");
    bool ok = true;
    readString(*source, kHKEY_LOCAL_MACHINE, "K", "c", &ok);
    QVERIFY(!ok);
}

void TestRegistry::fileBesideExecutableIsUsedWithoutFiles()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("VELT.reg"), "REGEDIT4\n[HKLM\\K]\n\"c\"=\"3\"\n"));
    const auto source = makeRegistrySource({}, dir.path());
    QCOMPARE(readString(*source, kHKEY_LOCAL_MACHINE, "K", "c"), "3");
}

void TestRegistry::withoutAnyFileTheDesktopProfileIsUsed()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("VELT.reg")); // a folder of that name is no file
    const auto source = makeRegistrySource({}, dir.path());
    const QString root =
            readString(*source, kHKEY_LOCAL_MACHINE,
                       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot");
    QCOMPARE(root, desktopSystemRoot());
    QVERIFY(root.endsWith("/VELT"));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"

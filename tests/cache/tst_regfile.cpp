#include "cache/regfile.h"

#include "platform/textfile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <random>

#include <sys/stat.h>

using namespace velt;

namespace {

const char *const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

QByteArray utf16le(const QString &text, bool bom)
{
    QByteArray out = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray bytesOf(const std::optional<RegistryValue> &v)
{
    return v ? QByteArray(reinterpret_cast<const char *>(v->data.data()), qsizetype(v->data.size()))
             : QByteArray();
}

QByteArray sz(const char *utf8)
{
    return QByteArray(utf8) + '\0';
}

} // namespace

class TestRegFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodings_data();
    void encodings();
    void valueKinds();
    void stringsOfVersion5FilesBecomeEightBitText();
    void regedit4HexStringsStayAsWritten();
    void deletionsAreHonoured();
    void keysCompareCaseInsensitively();
    void laterFilesReplaceEarlierValues();
    void malformedLines_data();
    void malformedLines();
    void problemsAreCappedWithACount();
    void emptyAndGarbageFilesNeverFail();
    void hugeValues();
    void nulInsideStringIsKept();
    void unreadableFileIsOneProblem();
    void limitsAreInclusive();
    void memoryStaysProportional_data();
    void memoryStaysProportional();
    void eachLineDecodesOnItsOwn();
    void removedKeysAndTheirParents();
    void oversizedAndSpecialFilesAreRefused();
};

void TestRegFile::encodings_data()
{
    QTest::addColumn<QByteArray>("file");

    const QString v5 = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                      "\"Name\"=\"C:\\\\WINDOWS\\\\日本\"\r\n");
    const QString r4 = QStringLiteral("REGEDIT4\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                      "\"Name\"=\"C:\\\\WINDOWS\\\\日本\"\r\n");
    QTest::newRow("v5 utf-16le with bom") << utf16le(v5, true);
    QTest::newRow("v5 utf-16le without bom") << utf16le(v5, false);
    QTest::newRow("v5 utf-8") << v5.toUtf8();
    QTest::newRow("v5 utf-8 with bom") << QByteArray("\xEF\xBB\xBF") + v5.toUtf8();
    QTest::newRow("regedit4 utf-8") << r4.toUtf8();
    QTest::newRow("regedit4 cp932") << QByteArray(QStringEncoder("CP932").encode(r4));
    QTest::newRow("lf only") << QString(v5).remove(u'\r').toUtf8();
}

void TestRegFile::encodings()
{
    QFETCH(QByteArray, file);
    RegFileStore store;
    QCOMPARE(parseRegFile(file, "t.reg", store), QStringList());
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Name")),
             sz("C:\\WINDOWS\\日本"));
}

void TestRegFile::valueKinds()
{
    const QByteArray file = "REGEDIT4\n"
                            "[HKLM\\K]\n"
                            "@=\"default\"\n"
                            "\"esc\"=\"a\\\\b \\\"q\\\" c:\\x\"\n"
                            "\"dw\"=dword:0001e240\n"
                            "\"short\" = dword:7\n"
                            "\"bin\"=hex:00,ff,10\n"
                            "\"cont\"=hex:01,02,\\\n"
                            "   03,04\n"
                            "\"exp\"=hex(2):25,53,00\n"
                            "\"typeb\"=hex(b):01,00,00,00,00,00,00,00\n"
                            "\"empty\"=hex:\n"
                            "[HKCU\\Other]\n"
                            "\"u\"=\"user\"\n";
    RegFileStore store;
    QCOMPARE(parseRegFile(file, "t.reg", store), QStringList());
    const auto v = [&](const char *name) {
        return store.value(kHKEY_LOCAL_MACHINE, "K", name);
    };
    QCOMPARE(bytesOf(v("")), sz("default"));
    QCOMPARE(v("")->type, kREG_SZ);
    // Only \\ and \" are escapes; a lone backslash stays.
    QCOMPARE(bytesOf(v("esc")), sz("a\\b \"q\" c:\\x"));
    QCOMPARE(v("dw")->type, kREG_DWORD);
    QCOMPARE(bytesOf(v("dw")), QByteArray("\x40\xe2\x01\x00", 4));
    QCOMPARE(bytesOf(v("short")), QByteArray("\x07\x00\x00\x00", 4));
    QCOMPARE(v("bin")->type, kREG_BINARY);
    QCOMPARE(bytesOf(v("bin")), QByteArray("\x00\xff\x10", 3));
    QCOMPARE(bytesOf(v("cont")), QByteArray("\x01\x02\x03\x04", 4));
    QCOMPARE(v("exp")->type, kREG_EXPAND_SZ);
    QCOMPARE(v("typeb")->type, 11u);
    QCOMPARE(v("typeb")->data.size(), 8u);
    QVERIFY(v("empty").has_value());
    QCOMPARE(v("empty")->data.size(), 0u);
    QCOMPARE(bytesOf(store.value(kHKEY_CURRENT_USER, "Other", "u")), sz("user"));
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "Other", "u"));
}

void TestRegFile::stringsOfVersion5FilesBecomeEightBitText()
{
    // regedit 5 writes expandable and multi strings as UTF-16LE bytes.
    const QString file = QStringLiteral("Windows Registry Editor Version 5.00\r\n"
                                        "[HKEY_LOCAL_MACHINE\\K]\r\n"
                                        "\"exp\"=hex(2):25,00,53,00,79,00,73,00,e5,65,00,00\r\n"
                                        "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n");
    RegFileStore store;
    QCOMPARE(parseRegFile(utf16le(file, true), "t.reg", store), QStringList());
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "exp")), sz("%Sys日"));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "multi")), QByteArray("a\0b\0\0", 5));
}

void TestRegFile::regedit4HexStringsStayAsWritten()
{
    RegFileStore store;
    parseRegFile("REGEDIT4\n[HKLM\\K]\n\"exp\"=hex(2):25,53,00\n", "t.reg", store);
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "exp")), QByteArray("%S\0", 3));
}

void TestRegFile::deletionsAreHonoured()
{
    const QByteArray file = "REGEDIT4\n"
                            "[HKLM\\A\\B\\C]\n\"v\"=\"1\"\n"
                            "[HKLM\\A\\B X]\n\"v\"=\"2\"\n"
                            "[HKLM\\A\\B]\n\"keep\"=\"3\"\n\"gone\"=\"4\"\n"
                            "\"gone\"=-\n"
                            "[-HKLM\\A\\B]\n";
    RegFileStore store;
    QCOMPARE(parseRegFile(file, "t.reg", store), QStringList());
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B"));
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B\\C"));
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, "A"));
    // A sibling whose name begins with the deleted one survives.
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "A\\B X", "v")), sz("2"));

    RegFileStore values;
    parseRegFile("REGEDIT4\n[HKLM\\K]\n\"keep\"=\"3\"\n\"gone\"=\"4\"\n\"GONE\"=-\n", "t.reg",
                 values);
    QVERIFY(!values.value(kHKEY_LOCAL_MACHINE, "K", "gone"));
    QVERIFY(values.value(kHKEY_LOCAL_MACHINE, "K", "keep"));
}

void TestRegFile::keysCompareCaseInsensitively()
{
    // As an export of a real system spells it.
    const QByteArray file = "REGEDIT4\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                            "App Paths\\IEXPLORE.EXE]\n"
                            "@=\"C:\\\\Program Files\\\\Internet Explorer\\\\IEXPLORE.EXE\"\n"
                            "[hkey_current_user\\Software\\Netscape\\Netscape Navigator\\Main]\n"
                            "\"Install Directory\"=\"C:\\\\Program Files\\\\Netscape\\\\"
                            "Communicator\"\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ä\\Ölig]\n\"x\"=\"1\"\n";
    RegFileStore store;
    QCOMPARE(parseRegFile(file, "t.reg", store), QStringList());
    QVERIFY(store.value(kHKEY_LOCAL_MACHINE,
                        "software\\MICROSOFT\\windows\\currentversion\\app paths\\iexplore.exe",
                        ""));
    QVERIFY(store.value(kHKEY_CURRENT_USER, "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN",
                        "INSTALL DIRECTORY"));
    QVERIFY(store.value(kHKEY_LOCAL_MACHINE, "software\\ä\\ÖLIG", "X"));
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows"));
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, std::string(kAppPaths)));
    QVERIFY(!store.keyExists(kHKEY_CURRENT_USER, "SOFTWARE\\Microsoft"));
}

void TestRegFile::laterFilesReplaceEarlierValues()
{
    RegFileStore store;
    parseRegFile("REGEDIT4\n[HKLM\\K]\n\"a\"=\"first\"\n\"b\"=\"only\"\n", "1.reg", store);
    parseRegFile("REGEDIT4\n[HKLM\\k]\n\"A\"=\"second\"\n", "2.reg", store);
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "a")), sz("second"));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "b")), sz("only"));
}

void TestRegFile::malformedLines_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<bool>("laterValueKept"); // false: the bad line was a key, so its values go

    QTest::newRow("unbalanced value") << QByteArray("\"x\"=\"abc") << true;
    QTest::newRow("unbalanced name") << QByteArray("\"x=\"abc\"") << true;
    QTest::newRow("text after quote") << QByteArray("\"x\"=\"abc\" junk") << true;
    QTest::newRow("no equals") << QByteArray("\"x\" \"abc\"") << true;
    QTest::newRow("odd hex digits") << QByteArray("\"x\"=hex:0a,abc,01") << true;
    // Found by fuzzing: a long run of digits overflowed while it was read.
    QTest::newRow("hex byte of 16 digits") << QByteArray("\"x\"=hex:0123456789abcdef") << true;
    QTest::newRow("not hex") << QByteArray("\"x\"=hex:0g") << true;
    QTest::newRow("double comma") << QByteArray("\"x\"=hex:01,,02") << true;
    QTest::newRow("bad hex type") << QByteArray("\"x\"=hex(zz):01") << true;
    QTest::newRow("hex without colon") << QByteArray("\"x\"=hex 01") << true;
    QTest::newRow("dword too long") << QByteArray("\"x\"=dword:123456789") << true;
    QTest::newRow("dword not hex") << QByteArray("\"x\"=dword:12z") << true;
    QTest::newRow("dword empty") << QByteArray("\"x\"=dword:") << true;
    QTest::newRow("unknown data") << QByteArray("\"x\"=qword:1") << true;
    QTest::newRow("stray text") << QByteArray("hello") << true;
    QTest::newRow("unknown root") << QByteArray("[HKEY_NOWHERE\\K]") << false;
    QTest::newRow("empty key") << QByteArray("[]") << false;
    QTest::newRow("key without bracket") << QByteArray("[HKEY_LOCAL_MACHINE\\K2") << false;
    // The registry's own limits.
    QTest::newRow("key of 513 components")
            << "[HKLM" + QByteArray("\\a").repeated(513) + "]" << false;
    QTest::newRow("key path over 16 KB")
            << "[HKLM" + ("\\" + QByteArray(200, 'k')).repeated(82) + "]" << false;
    QTest::newRow("key name over 255 characters")
            << "[HKLM\\" + QByteArray(256, 'k') + "]" << false;
    QTest::newRow("value name over 16383 characters")
            << "\"" + QByteArray(16384, 'n') + "\"=\"v\"" << true;
}

void TestRegFile::malformedLines()
{
    QFETCH(QByteArray, bad);
    QFETCH(bool, laterValueKept);
    const QByteArray file = "REGEDIT4\r\n[HKLM\\K]\n\"before\"=\"1\"\r\n" + bad
            + "\n\"after\"=\"2\"\n[HKLM\\Next]\n\"n\"=\"3\"";
    RegFileStore store;
    const QStringList problems = parseRegFile(file, "bad.reg", store);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems[0].startsWith("bad.reg:4: "), qPrintable(problems[0]));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "before")), sz("1"));
    QCOMPARE(store.value(kHKEY_LOCAL_MACHINE, "K", "after").has_value(), laterValueKept);
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "K", "x"));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "Next", "n")), sz("3"));
}

void TestRegFile::problemsAreCappedWithACount()
{
    QByteArray file = "REGEDIT4\n";
    file += "\"early\"=\"value before any key\"\n";
    for (int i = 0; i < 30; ++i)
        file += "garbage\n";
    file += "[HKLM\\K]\n\"a\"=hex:01,\\\n02,\\\n"; // ends inside a continued value
    RegFileStore store;
    const QStringList problems = parseRegFile(file, "f", store);
    QCOMPARE(problems.size(), kMaxReportedProblems + 1);
    QVERIFY(problems[0].startsWith("f:2: "));
    QVERIFY(problems[1].startsWith("f:3: "));
    QCOMPARE(problems.last(), QStringLiteral("f: 12 more malformed lines skipped"));
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "K", "a"));

    RegFileStore noHeader;
    const QStringList one = parseRegFile("[HKLM\\K]\n\"a\"=\"1\"\n", "g", noHeader);
    QCOMPARE(one.size(), 1);
    QVERIFY(one[0].startsWith("g:1: "));
    QVERIFY(noHeader.value(kHKEY_LOCAL_MACHINE, "K", "a"));
}

void TestRegFile::emptyAndGarbageFilesNeverFail()
{
    RegFileStore store;
    QCOMPARE(parseRegFile(QByteArray(), "empty", store), QStringList());
    QCOMPARE(parseRegFile("\xFF\xFE", "bom only", store), QStringList());
    QCOMPARE(parseRegFile("REGEDIT4", "header only", store), QStringList());
    QCOMPARE(parseRegFile(QByteArray("\xFF\xFE[\x00", 4), "odd utf-16", store).size(),
             2); // no header, no ]
    QCOMPARE(store.keyCount(), 0u);

    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        QByteArray noise(4096, '\0');
        for (char &c : noise)
            c = char(random() % 256);
        if (round % 2)
            noise.prepend("REGEDIT4\n[HKLM\\K]\n\"a\"=hex:");
        const QStringList problems = parseRegFile(noise, "noise", store);
        QVERIFY(problems.size() <= kMaxReportedProblems + 1);
    }
}

void TestRegFile::hugeValues()
{
    const qsizetype size = 10 * 1024 * 1024;
    QByteArray text = "REGEDIT4\n[HKLM\\K]\n\"big\"=\"" + QByteArray(size, 'x') + "\"\n";
    // A megabyte of hex continued over about 40 000 lines, as regedit wraps it.
    text += "\"bin\"=hex:";
    for (int i = 0; i < 1024 * 1024; ++i)
        text += (i % 25 == 24) ? "ab,\\\r\n  " : "ab,";
    text += "cd\n";
    RegFileStore store;
    QCOMPARE(parseRegFile(text, "big.reg", store), QStringList());
    QCOMPARE(store.value(kHKEY_LOCAL_MACHINE, "K", "big")->data.size(), std::size_t(size + 1));
    const auto bin = store.value(kHKEY_LOCAL_MACHINE, "K", "bin");
    QCOMPARE(bin->data.size(), std::size_t(1024 * 1024 + 1));
    QCOMPARE(bin->data.back(), 0xcd);
}

void TestRegFile::nulInsideStringIsKept()
{
    RegFileStore store;
    QCOMPARE(parseRegFile(QByteArray("REGEDIT4\n[HKLM\\K]\n\"a\"=\"ab\0cd\"\n", 30), "n", store),
             QStringList());
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "K", "a")), QByteArray("ab\0cd\0", 6));
}

void TestRegFile::unreadableFileIsOneProblem()
{
    QTemporaryDir dir;
    RegFileStore store;
    const QStringList missing = loadRegFile(dir.filePath("none.reg"), store);
    QCOMPARE(missing.size(), 1);
    QVERIFY(missing[0].startsWith(dir.filePath("none.reg")));
    QCOMPARE(loadRegFile(dir.path(), store).size(), 1); // a folder
}

void TestRegFile::limitsAreInclusive()
{
    const QByteArray deep = "HKLM" + QByteArray("\\a").repeated(kMaxKeyComponents);
    const QByteArray longName(kMaxKeyNameChars, 'k');
    const QByteArray valueName(kMaxValueNameChars, 'n');
    const QByteArray file = "REGEDIT4\n[" + deep + "]\n@=\"deep\"\n[HKLM\\" + longName + "]\n\""
            + valueName + "\"=\"long\"\n";
    RegFileStore store;
    QCOMPARE(parseRegFile(file, "t.reg", store), QStringList());
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, deep.sliced(5).toStdString(), "")),
             sz("deep"));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, longName.toStdString(),
                                 valueName.toStdString())),
             sz("long"));
}

void TestRegFile::memoryStaysProportional_data()
{
    QTest::addColumn<QByteArray>("file");
    const auto fill = [](QByteArray file, const std::function<QByteArray(int)> &line) {
        for (int i = 0; file.size() < 1024 * 1024; ++i)
            file += line(i);
        return file;
    };
    const QByteArray deep = "[HKLM" + QByteArray("\\a").repeated(510);
    // The shape that once took gigabytes: every parent of a deep key stored in full.
    QTest::newRow("deep keys") << fill(
            "REGEDIT4\n", [&](int i) { return deep + "\\" + QByteArray::number(i) + "]\n"; });
    QTest::newRow("refused deeper keys") << fill("REGEDIT4\n", [](int i) {
        return "[HKLM" + QByteArray("\\a").repeated(2000 + i % 7) + "]\n";
    });
    QTest::newRow("short keys") << fill(
            "REGEDIT4\n", [](int i) { return "[HKU\\" + QByteArray::number(i, 36) + "]\n"; });
    QTest::newRow("value removals")
            << fill("REGEDIT4\n[HKLM\\K]\n", [](int) { return QByteArray("@=-\n"); });
    QTest::newRow("empty values") << fill("REGEDIT4\n[HKLM\\K]\n",
                                          [](int) { return QByteArray("@=\"\"\n"); });
    // Each section shares the key record of the one before it, found without a search.
    QTest::newRow("one section repeated") << fill("REGEDIT4\n", [](int i) {
        return "[HKLM\\W]\n\"SystemRoot\"=\"C:\\\\" + QByteArray::number(i) + "\"\n";
    });
    QTest::newRow("key removals") << fill(
            "REGEDIT4\n", [](int i) { return "[-HKLM\\" + QByteArray::number(i, 36) + "]\n"; });
    QTest::newRow("utf-16 keys") << utf16le(
            QString::fromLatin1(fill("REGEDIT4\n",
                                     [](int i) {
                                         return "[HKLM\\" + QByteArray::number(i, 36) + "]\n";
                                     }).left(512 * 1024)),
            true);
}

void TestRegFile::memoryStaysProportional()
{
    QFETCH(QByteArray, file);
    RegFileStore store;
    parseRegFile(file, "m.reg", store);
    QVERIFY2(store.memoryBytes() <= std::size_t(10 * file.size()),
             qPrintable(QStringLiteral("%1 bytes for a file of %2")
                                .arg(store.memoryBytes())
                                .arg(file.size())));
    // Queries still answer from the whole log.
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, ""));
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "nowhere", "x"));
}

void TestRegFile::eachLineDecodesOnItsOwn()
{
    // A UTF-8 file with one byte of another encoding in a comment keeps its Japanese folder.
    const QByteArray utf8 = QStringLiteral("[HKLM\\W]\n\"SystemRoot\"=\"C:\\\\日本語\"\n").toUtf8();
    RegFileStore store;
    QCOMPARE(parseRegFile("REGEDIT4\n; caf\xE9\n" + utf8, "t.reg", store), QStringList());
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "W", "SystemRoot")), sz("C:\\日本語"));

    // And a line written in Shift-JIS among UTF-8 lines is read as Shift-JIS.
    const QByteArray sjis = QStringEncoder("CP932").encode(QStringLiteral("\"b\"=\"画像\"\n"));
    RegFileStore mixed;
    QCOMPARE(parseRegFile("REGEDIT4\n" + utf8 + sjis, "t.reg", mixed), QStringList());
    QCOMPARE(bytesOf(mixed.value(kHKEY_LOCAL_MACHINE, "W", "b")), sz("画像"));
    QCOMPARE(bytesOf(mixed.value(kHKEY_LOCAL_MACHINE, "W", "SystemRoot")), sz("C:\\日本語"));
}

void TestRegFile::removedKeysAndTheirParents()
{
    RegFileStore store;
    store.setString(kHKEY_LOCAL_MACHINE, "A\\B\\C", "v", "1");
    store.removeKey(kHKEY_LOCAL_MACHINE, "a\\b\\c");
    // A parent made by its sub-key stays, as in the registry.
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B"));
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B\\C"));
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "A\\B\\C", "v"));

    // A value stored through a handle taken before the removal brings the key back alone.
    const RegFileStore::KeyHandle key = store.addKey(kHKEY_LOCAL_MACHINE, "A\\B\\C");
    store.setString(kHKEY_LOCAL_MACHINE, "A\\B\\C\\D", "w", "2");
    store.removeKey(kHKEY_LOCAL_MACHINE, "A\\B");
    store.setValue(key, "new", RegistryValue{kREG_SZ, {'n', 0}});
    QVERIFY(store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B\\C"));
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "A\\B\\C\\D"));
    QVERIFY(!store.value(kHKEY_LOCAL_MACHINE, "A\\B\\C\\D", "w"));
    QCOMPARE(bytesOf(store.value(kHKEY_LOCAL_MACHINE, "A\\B\\C", "new")), sz("n"));

    // Removing a value of a key that does not exist does not make the key.
    store.removeValue(kHKEY_LOCAL_MACHINE, "Nowhere", "x");
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "Nowhere"));
    QCOMPARE(store.keyCount(), 1u); // A\B\C; its parents were never named
}

void TestRegFile::oversizedAndSpecialFilesAreRefused()
{
    QTemporaryDir dir;
    RegFileStore store;
    // Sparse: no disk is used for the megabytes of zeros.
    const QString big = dir.filePath("big.reg");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("REGEDIT4\n[HKLM\\K]\n\"a\"=\"1\"\n");
    QVERIFY(file.resize(kMaxTextFileBytes + 1));
    file.close();
    const QStringList tooBig = loadRegFile(big, store);
    QCOMPARE(tooBig.size(), 1);
    QVERIFY2(tooBig[0].contains("larger than 16 MB"), qPrintable(tooBig[0]));
    QVERIFY(!store.keyExists(kHKEY_LOCAL_MACHINE, "K"));

    const QString fifo = dir.filePath("pipe.reg");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QStringList pipe = loadRegFile(fifo, store); // would wait for a writer if opened
    QCOMPARE(pipe.size(), 1);
    QVERIFY(pipe[0].contains("not a regular file"));
}

QTEST_GUILESS_MAIN(TestRegFile)
#include "tst_regfile.moc"

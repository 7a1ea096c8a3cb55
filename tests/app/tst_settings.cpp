#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velt;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray lines(int count, const char *eol = "\r\n")
{
    QByteArray out;
    for (int i = 1; i <= count; ++i)
        out += "line" + QByteArray::number(i) + eol;
    return out;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setRule_data();
    void setRule();
    void missingFileGivesDefaults();
    void fileLengths_data();
    void fileLengths();
    void lineEnds_data();
    void lineEnds();
    void reservedSlotsRoundTrip();
    void freshRunWritesTheDesignedFile();
    void badBytesLoad();
    void cp932FileLoads();
    void failedWriteKeepsOldFile();
    void leadingNumber_data();
    void leadingNumber();
    void failedWritesKeepTheOldFile_data();
    void failedWritesKeepTheOldFile();
    void notRegularFilesAreRefused_data();
    void notRegularFilesAreRefused();
    void eachLineKeepsItsBytes();
    void writesThroughALinkKeepingTheMode();
    void leftoverTemporariesAreRemoved();
};

void TestSettings::setRule_data()
{
    QTest::addColumn<SettingValue>("value");
    QTest::addColumn<bool>("set");
    QTest::newRow("true") << SettingValue::flag(true) << true;
    QTest::newRow("false") << SettingValue::flag(false) << false;
    QTest::newRow("text True") << SettingValue::text(QStringLiteral("True")) << true;
    QTest::newRow("text true") << SettingValue::text(QStringLiteral("true")) << false;
    QTest::newRow("text False") << SettingValue::text(QStringLiteral("False")) << false;
    QTest::newRow("empty text") << SettingValue::text(QString()) << false;
    QTest::newRow("empty") << SettingValue() << false;
}

void TestSettings::setRule()
{
    QFETCH(SettingValue, value);
    QFETCH(bool, set);
    QCOMPARE(value.isSet(), set);
}

void TestSettings::missingFileGivesDefaults()
{
    QTemporaryDir dir;
    Settings s;
    LoadSettings(s, dir.filePath(QStringLiteral("VELT.ini")), QString());
    QVERIFY(s.isEmptyText(NoConditions));
    QVERIFY(!s.isSet(NoCollectAtStart));
    QCOMPARE(s.text(CopyConfirmed), QStringLiteral("False"));
    QCOMPARE(velt::leadingNumber(s.text(MinSize)), 0.0);
    QVERIFY(s.isEmptyText(FilterDate));
    QCOMPARE(s.at(30).kind(), SettingValue::Kind::Empty);
}

void TestSettings::fileLengths_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << 0;
    QTest::newRow("10 lines") << 10;
    QTest::newRow("50 lines") << 50;
    QTest::newRow("60 lines") << 60;
}

void TestSettings::fileLengths()
{
    QFETCH(int, count);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    writeBytes(path, lines(count));
    Settings s;
    LoadSettings(s, path, QStringLiteral("/buf"));
    for (int slot = 1; slot <= 50; ++slot) {
        if (slot <= count)
            QCOMPARE(s.text(slot), QStringLiteral("line%1").arg(slot));
    }
    if (count < 11) {
        QVERIFY(s.isEmptyText(MinSizeOn));
        QCOMPARE(s.text(NoRealPlayer), QStringLiteral("False"));
    }
    if (count == 0)
        QCOMPARE(s.text(CopyFolder), QStringLiteral("/buf"));

    // Written back: always fifty CR LF lines; lines after the fiftieth are gone.
    QVERIFY(SaveSettings(s, path));
    const QByteArray written = readBytes(path);
    QCOMPARE(written.count("\r\n"), 50);
    QVERIFY(!written.contains("line51"));
}

void TestSettings::lineEnds_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestSettings::lineEnds()
{
    QFETCH(QByteArray, eol);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    QByteArray content = "one" + eol + eol + "three" + eol;
    writeBytes(path, content);
    Settings s;
    LoadSettings(s, path, QString());
    QCOMPARE(s.text(1), QStringLiteral("one"));
    QCOMPARE(s.text(2), QString());
    QCOMPARE(s.text(3), QStringLiteral("three"));
    QCOMPARE(s.text(4), QString()); // past the end: default
}

void TestSettings::reservedSlotsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    QByteArray content;
    for (int i = 1; i <= 50; ++i)
        content += (i == 5 ? QByteArray("/opt/画像/edit") : "v" + QByteArray::number(i)) + "\r\n";
    writeBytes(path, content);
    Settings s;
    LoadSettings(s, path, QString());
    QCOMPARE(s.text(EditorPath), QStringLiteral("/opt/画像/edit"));
    QVERIFY(SaveSettings(s, path));
    QCOMPARE(readBytes(path), content);
}

void TestSettings::freshRunWritesTheDesignedFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    Settings s;
    LoadSettings(s, path, QString());
    s.setText(CopyFolder, QStringLiteral("/w/VeltTemp/MyBuffer"));
    QVERIFY(SaveSettings(s, path));
    const QList<QByteArray> l = readBytes(path).split('\n');
    QCOMPARE(l.size(), 51);
    QCOMPARE(l[0], QByteArray("/w/VeltTemp/MyBuffer\r"));
    QCOMPARE(l[1], QByteArray("False\r"));
    QCOMPARE(l[2], QByteArray("\r"));
    QCOMPARE(l[14], QByteArray("False\r"));
    QCOMPARE(l[24], QByteArray("False\r"));
    QCOMPARE(l[25], QByteArray("False\r"));
    QCOMPARE(l[26], QByteArray("\r"));
    QCOMPARE(l[49], QByteArray("\r"));
}

void TestSettings::badBytesLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += char((i * 7919) % 256);
    garbage += QByteArray(100000, 'x') + "\r\nTrue\r\n";
    writeBytes(path, garbage);
    Settings s;
    LoadSettings(s, path, QString());
    // Whatever was read, the slots hold text and the file is written back as fifty lines.
    QVERIFY(SaveSettings(s, path));
    QCOMPARE(readBytes(path).count("\r\n"), 50);
}

void TestSettings::cp932FileLoads()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    QStringEncoder sjis("CP932");
    QVERIFY(sjis.isValid());
    const QByteArray encoded = sjis.encode(QStringLiteral("C:\\画像フォルダー\r\nTrue\r\n"));
    writeBytes(path, encoded);
    Settings s;
    LoadSettings(s, path, QString());
    QCOMPARE(s.text(1), QStringLiteral("C:\\画像フォルダー"));
    QVERIFY(s.isSet(2));
}

void TestSettings::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString sub = dir.filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/VELT.ini");
    writeBytes(path, "old\r\n");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    Settings s;
    s.applyDefaults(QString());
    s.setText(1, QStringLiteral("new"));
    QString error;
    const bool written = SaveSettings(s, path, &error);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!written) {
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(path), QByteArray("old\r\n"));
    }
    // Root writes into read-only folders; a folder that is a file stops everyone.
    writeBytes(dir.filePath(QStringLiteral("plain")), "x");
    QVERIFY(!SaveSettings(s, dir.filePath(QStringLiteral("plain/VELT.ini"))));
}

void TestSettings::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "1000" << 1000.0;
    QTest::newRow("spaces") << " 1 000 " << 1000.0;
    QTest::newRow("trailing text") << "12kb" << 12.0;
    QTest::newRow("none") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("fraction") << "2.5" << 2.5;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("minus five") << "-5" << -5.0;
    QTest::newRow("spaced sign") << "- 5" << -5.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("leading spaces, trailing text") << "  12abc" << 12.0;
    QTest::newRow("full-width digits") << "１２３" << 123.0;
    QTest::newRow("full-width sign, point, space") << "－１２．５　０" << -12.50;
    QTest::newRow("ideographic space") << "\u3000"
                                          "42"
                                       << 42.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point last") << "5." << 5.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("two signs") << "--5" << 0.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("spaced exponent") << "2 E -2" << 0.02;
    QTest::newRow("exponent without digits") << "12e" << 12.0;
    QTest::newRow("exponent sign without digits") << "12e+x" << 12.0;
    QTest::newRow("1e400 saturates") << "1e400" << std::numeric_limits<double>::max();
    QTest::newRow("-1e400 saturates") << "-1e400" << -std::numeric_limits<double>::max();
    QTest::newRow("huge exponent")
            << "1e99999999999999999999999" << std::numeric_limits<double>::max();
    QTest::newRow("1e-400 is 0") << "1e-400" << 0.0;
    QTest::newRow("tiny exponent") << "7e-99999999999999999999999" << 0.0;
    QTest::newRow("negative zero") << "-0" << 0.0;
    QTest::newRow("just below the largest")
            << "1.7976931348623157e308" << std::numeric_limits<double>::max();
    QTest::newRow("just above the largest") << "1.8e308" << std::numeric_limits<double>::max();
    QTest::newRow("10 000 digits")
            << QString(10000, QLatin1Char('9')) << std::numeric_limits<double>::max();
    QTest::newRow("10 000 digits and a small exponent")
            << QStringLiteral("1") + QString(9999, QLatin1Char('0')) + QStringLiteral("e-9999")
            << 1.0;
    QTest::newRow("10 000 leading zeros")
            << QString(10000, QLatin1Char('0')) + QStringLiteral("17") << 17.0;
    QTest::newRow("10 000 fraction zeros")
            << QStringLiteral("0.") + QString(10000, QLatin1Char('0')) + QStringLiteral("1e10002")
            << 10.0;
    QTest::newRow("other scripts' digits are no number") << "\u0661\u0662" << 0.0;
}

void TestSettings::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const double read = velt::leadingNumber(text);
    QCOMPARE(read, value);
    QVERIFY(!std::signbit(read) || read < 0);
    // Written back the way the options dialog shows it, it reads as the same number.
    QCOMPARE(velt::leadingNumber(velt::numberText(read)), read);
}

void TestSettings::failedWritesKeepTheOldFile_data()
{
    // The most bytes the file system takes before a write fails, as on a full disk.
    QTest::addColumn<int>("room");
    QTest::newRow("nothing") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("half the lines") << 60;
    QTest::newRow("all but the last line") << 250;
}

void TestSettings::failedWritesKeepTheOldFile()
{
    QFETCH(int, room);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    const QByteArray old = lines(50);
    writeBytes(path, old);
    Settings s;
    LoadSettings(s, path, QString());
    s.setText(CopyFolder, QStringLiteral("/a/new/folder/that/makes/the/file/longer"));

    // A file-size limit makes the writes fail with EFBIG part of the way, without a full disk.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(room);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString error;
    const bool written = SaveSettings(s, path, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("VELT.ini")});
}

void TestSettings::notRegularFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("device") << "device";
    QTest::newRow("link to a FIFO") << "link";
}

void TestSettings::notRegularFilesAreRefused()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("VELT.ini"));
    const QByteArray name = QFile::encodeName(path);
    if (kind == "fifo") {
        QCOMPARE(mkfifo(name.constData(), 0600), 0);
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == "device") {
        path = QStringLiteral("/dev/zero");
    } else {
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(fifo, path));
    }
    QVERIFY(!settingsFileProblem(path).isEmpty());
    // Neither waits for a writer nor reads for ever; the thing itself stays as it was.
    Settings s;
    LoadSettings(s, path, QStringLiteral("/buf"));
    QCOMPARE(s.text(CopyFolder), QStringLiteral("/buf"));
    QString error;
    QVERIFY(!SaveSettings(s, path, &error));
    QCOMPARE(error, QStringLiteral("not a regular file"));
    QVERIFY(!QFileInfo(path).isFile());

    QVERIFY(settingsFileProblem(dir.filePath(QStringLiteral("missing.ini"))).isEmpty());
}

void TestSettings::eachLineKeepsItsBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    // A Latin-1 path: 0xE9 before a backslash would swallow it if read as Shift-JIS.
    const QByteArray latin1 = "/home/caf\xE9\\photos";
    const QByteArray sjis = QStringEncoder("CP932").encode(QStringLiteral("C:\\画像"));
    const QByteArray utf8 = QStringLiteral("/home/日本/写真").toUtf8();
    QByteArray content = latin1 + "\r\n" + sjis + "\r\n" + utf8 + "\r\n";
    for (int i = 4; i <= 50; ++i)
        content += (i == 7 ? latin1 : QByteArray()) + "\r\n";
    writeBytes(path, content);

    Settings s;
    LoadSettings(s, path, QString());
    // One line in another encoding decides nothing for the others.
    QCOMPARE(s.text(2), QStringLiteral("C:\\画像"));
    QCOMPARE(s.text(3), QStringLiteral("/home/日本/写真"));
    // Unchanged, or set again to the text it holds: written back byte for byte.
    s.setText(AlbumFolder, s.text(AlbumFolder));
    QVERIFY(SaveSettings(s, path));
    QCOMPARE(readBytes(path), content);

    // A changed value is written as UTF-8.
    s.setText(CopyNewName, QStringLiteral("名前"));
    s.setText(AlbumFolder, QStringLiteral("/新しい"));
    QVERIFY(SaveSettings(s, path));
    const QList<QByteArray> written = readBytes(path).split('\n');
    QCOMPARE(written[0], latin1 + "\r");
    QCOMPARE(written[2], QStringLiteral("名前\r").toUtf8());
    QCOMPARE(written[6], QStringLiteral("/新しい\r").toUtf8());
}

void TestSettings::writesThroughALinkKeepingTheMode()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("VELT.ini"));
    writeBytes(real, "old\r\n");
    QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::link(real, link));
    Settings s;
    LoadSettings(s, link, QString());
    s.setText(CopyNewName, QStringLiteral("x"));
    QVERIFY(SaveSettings(s, link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(real).count("\r\n"), 50);
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0600u);
}

void TestSettings::leftoverTemporariesAreRemoved()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELT.ini"));
    writeBytes(path, "kept\r\n");
    const QStringList stale{QStringLiteral("VELT.ini.velt-tmp-AbC123"),
                            QStringLiteral("VELT.ini.velt-tmp-zzzzzz")};
    // Names that only look like ours are the user's: a backup, a version, another program's.
    const QStringList others{QStringLiteral("VELT.ini.bak"),
                             QStringLiteral("VELT.ini.backup"),
                             QStringLiteral("VELT.ini.2024v1"),
                             QStringLiteral("VELT.ini.AbC123"),
                             QStringLiteral("VELT.ini.velt-tmp-AbC12-"),
                             QStringLiteral("OTHER.ini.velt-tmp-AbC123"),
                             QStringLiteral("VELT.ini.velt-tmp-Link01"),
                             QStringLiteral("VELT.ini.velt-tmp-Busy01")};
    for (const QString &name : stale + others) {
        if (name != QStringLiteral("VELT.ini.velt-tmp-Link01"))
            writeBytes(dir.filePath(name), "x");
    }
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("OTHER.ini.velt-tmp-AbC123")),
                        dir.filePath(QStringLiteral("VELT.ini.velt-tmp-Link01"))));
    // A writer still at work holds its file locked.
    const int busy = ::open(
            QFile::encodeName(dir.filePath(QStringLiteral("VELT.ini.velt-tmp-Busy01"))), O_RDONLY);
    QVERIFY(busy >= 0);
    QCOMPARE(::flock(busy, LOCK_EX), 0);

    Settings s;
    LoadSettings(s, path, QString());
    ::close(busy);
    QCOMPARE(s.text(1), QStringLiteral("kept"));
    QStringList expected = others;
    expected << QStringLiteral("VELT.ini");
    expected.sort();
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System);
    left.sort();
    QCOMPARE(left, expected);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

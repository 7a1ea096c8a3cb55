#include "app/settings.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

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

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

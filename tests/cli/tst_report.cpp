// velt --report as a script and a spreadsheet see it: the real program on a cache made here, its
// CSV read back by Python's csv module and its JSON Lines by Qt's JSON parser, neither of which
// shares code with the writer.

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray jpeg()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(&buffer, "JPEG");
    return bytes;
}

// A Windows root whose Internet Explorer cache holds the given files.
QStringList cacheArguments(const QTemporaryDir &dir,
                           const QList<std::pair<QString, QByteArray>> &files)
{
    const QString cache = dir.filePath(u"WINDOWS/TIF/ABCD1234"_s);
    QDir().mkpath(cache);
    for (const auto &[name, body] : files)
        writeFile(cache + u'/' + name, body);
    writeFile(dir.filePath(u"velt.reg"_s),
              "REGEDIT4\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
              "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
              "Settings\\Cache\\Paths]\r\n"
              "\"Directory\"=\"C:\\\\WINDOWS\\\\TIF\"\r\n");
    return {u"--registry"_s, dir.filePath(u"velt.reg"_s), u"--drive"_s, u"C:="_s + dir.path(),
            u"--settings"_s, dir.filePath(u"VELT.ini"_s)};
}

int runVelt(const QStringList &arguments, QByteArray *out = nullptr)
{
    QProcess process;
    process.setProgram(QDir(qEnvironmentVariable("VELT_BUILD_DIR")).filePath(u"velt"_s));
    process.setArguments(arguments);
    process.start();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

// The CSV's rows as Python's csv module reads them, keyed by column.
QList<QJsonObject> csvRows(const QByteArray &csv)
{
    QProcess python;
    python.start(u"python3"_s,
                 {u"-c"_s,
                  u"import csv, io, json, sys\n"
                  "text = sys.stdin.buffer.read().decode('utf-8-sig')\n"
                  "print(json.dumps(list(csv.DictReader(io.StringIO(text, newline='')))))"_s});
    python.write(csv);
    python.closeWriteChannel();
    python.waitForFinished(30000);
    QList<QJsonObject> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        rows << row.toObject();
    return rows;
}

QList<QJsonObject> jsonRows(const QByteArray &jsonl)
{
    QList<QJsonObject> rows;
    for (const QByteArray &line : jsonl.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return {}; // a broken line fails the whole report
        rows << doc.object();
    }
    return rows;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recordsSurviveHostileNames_data();
    void recordsSurviveHostileNames();
    void badTargetsAreRefused_data();
    void badTargetsAreRefused();
};

void TestReport::initTestCase()
{
    if (QStandardPaths::findExecutable(u"python3"_s).isEmpty())
        QSKIP("python3 reads the CSV back");
}

void TestReport::recordsSurviveHostileNames_data()
{
    QTest::addColumn<QString>("target"); // in the temporary folder; "-" is standard output
    QTest::newRow("csv file") << u"r.csv"_s;
    QTest::newRow("csv on standard output") << u"-"_s;
    QTest::newRow("json lines") << u"r.JSONL"_s;
}

void TestReport::recordsSurviveHostileNames()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QByteArray good = jpeg();
    // Names a site chose: separators and quotes of both formats, a line break, markup, and
    // ones a spreadsheet would run as a formula.
    const QList<std::pair<QString, QByteArray>> files{
            {u"good.jpg"_s, good},
            {u"cut.jpg"_s, good.left(good.size() - 2)},
            {u"a,\"b\".jpg"_s, good},
            {u"two\r\nlines.jpg"_s, good},
            {u"<script>x<b>.jpg"_s, good},
            {u"=cmd|' -c calc'!A1.jpg"_s, good},
            {u"@sum.jpg"_s, good},
            {u"ad.gif"_s, QByteArray("GIF89a") + QByteArray(30, '\0')},
            {u"clip.mpg"_s, QByteArray(100, 'm')},
    };
    const QString path = target == u"-"_s ? target : dir.filePath(target);
    QByteArray out;
    QCOMPARE(runVelt(cacheArguments(dir, files) << u"--report"_s << path, &out), 0);
    QByteArray bytes = out;
    if (path != u"-"_s) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        QVERIFY(out.isEmpty());
    }
    const bool csv = !target.endsWith(u".JSONL"_s);
    if (csv)
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QJsonObject> rows = csv ? csvRows(bytes) : jsonRows(bytes);
    QCOMPARE(rows.size(), files.size());

    QHash<QString, QJsonObject> byName;
    for (const QJsonObject &row : rows) {
        QString name = row.value(u"name"_s).toString();
        if (csv && name.startsWith(u'\''))
            name.remove(0, 1);
        byName.insert(name, row);
    }
    for (const auto &[name, body] : files)
        QVERIFY2(byName.contains(name), qPrintable(name));
    const auto text = [](const QJsonObject &row, const QString &key) {
        const QJsonValue v = row.value(key);
        return v.isDouble() ? QString::number(v.toInteger()) : v.toString();
    };
    const QJsonObject g = byName.value(u"good.jpg"_s);
    QCOMPARE(text(g, u"kind"_s), u"picture"_s);
    QCOMPARE(text(g, u"verdict"_s), u"ok"_s);
    QCOMPARE(text(g, u"width"_s), u"3"_s);
    QCOMPARE(text(g, u"height"_s), u"2"_s);
    QCOMPARE(text(g, u"length"_s), QString::number(good.size()));
    QCOMPARE(text(g, u"sha256"_s),
             QString::fromLatin1(
                     QCryptographicHash::hash(good, QCryptographicHash::Sha256).toHex()));
    QVERIFY(QDateTime::fromString(text(g, u"file_time"_s), Qt::ISODate).isValid());
    QCOMPARE(text(byName.value(u"cut.jpg"_s), u"verdict"_s), u"bad"_s);
    QVERIFY(!text(byName.value(u"cut.jpg"_s), u"reason"_s).isEmpty());
    QCOMPARE(text(byName.value(u"ad.gif"_s), u"kind"_s), u"gif"_s);
    QCOMPARE(text(byName.value(u"clip.mpg"_s), u"kind"_s), u"movie"_s);
    // Only names a spreadsheet would run carry the apostrophe.
    if (csv) {
        QVERIFY(byName.value(u"@sum.jpg"_s).value(u"name"_s).toString().startsWith(u'\''));
        QCOMPARE(byName.value(u"good.jpg"_s).value(u"name"_s).toString(), u"good.jpg"_s);
    }
    // The working folder is emptied as after --list.
    QVERIFY(QDir(dir.filePath(u"WINDOWS/VeltTemp"_s)).entryList(QDir::Files).isEmpty());
}

void TestReport::badTargetsAreRefused_data()
{
    QTest::addColumn<QString>("target"); // in the temporary folder
    QTest::addColumn<int>("status");
    QTest::newRow("another extension") << u"r.txt"_s << 2;
    QTest::newRow("a folder") << u"folder.csv"_s << 1;
    QTest::newRow("a missing folder") << u"missing/r.csv"_s << 1;
    QTest::newRow("inside the working folder") << u"WINDOWS/VeltTemp/r.csv"_s << 1;
}

void TestReport::badTargetsAreRefused()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(u"folder.csv"_s)));
    QVERIFY(QDir().mkpath(dir.filePath(u"WINDOWS/VeltTemp"_s)));
    const QStringList arguments = cacheArguments(dir, {{u"good.jpg"_s, jpeg()}});
    QCOMPARE(runVelt(arguments + QStringList{u"--report"_s, dir.filePath(target)}), status);
    QVERIFY(!QFileInfo(dir.filePath(target)).isFile());
    // Nothing of the cache was taken away by the refused run.
    QVERIFY(QFileInfo::exists(dir.filePath(u"WINDOWS/TIF/ABCD1234/good.jpg"_s)));
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"

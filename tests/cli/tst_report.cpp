// velt --report as a script and a spreadsheet see it: the real program on a cache made here, its
// CSV read back by Python's csv module and its JSON Lines by Qt's JSON parser, neither of which
// shares code with the writer.

#include "browser/cachebodies.h"

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
#include <QUrl>

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

// Names a site chose: separators and quotes of all three formats, a line break, markup, a
// comment's end, and ones a spreadsheet would run as a formula.
QList<std::pair<QString, QByteArray>> hostileFiles()
{
    const QByteArray good = jpeg();
    return {
            {u"good.jpg"_s, good},
            {u"cut.jpg"_s, good.left(good.size() - 2)},
            {u"a,\"b\".jpg"_s, good},
            {u"two\r\nlines.jpg"_s, good},
            {u"<script>x<b>.jpg"_s, good},
            {u"--><img src=x>.jpg"_s, good},
            {u"=cmd|' -c calc'!A1.jpg"_s, good},
            {u"@sum.jpg"_s, good},
            {u"ad.gif"_s, QByteArray("GIF89a") + QByteArray(30, '\0')},
            {u"clip.mpg"_s, QByteArray(100, 'm')},
    };
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

// What Python's HTML parser finds in the page: the tags, the scripts, the images' sources, the
// text of every name and address cell and of the page counter, and the names in the data block
// as Python's JSON parser reads them.
QJsonObject htmlFacts(const QByteArray &html)
{
    QProcess python;
    python.start(u"python3"_s,
                 {u"-c"_s,
                  u"import html.parser, json, sys\n"
                  "class P(html.parser.HTMLParser):\n"
                  "  def __init__(s):\n"
                  "    super().__init__(); s.tags=set(); s.scripts=0; s.imgs=[]; s.names=[]; "
                  "s.cell=None\n"
                  "  def handle_starttag(s, tag, attrs):\n"
                  "    a=dict(attrs); s.tags.add(tag)\n"
                  "    if tag=='script': s.scripts+=1\n"
                  "    if tag=='img': s.imgs.append(a.get('src',''))\n"
                  "    if tag=='td' and a.get('class') in ('name','address'): s.cell=''; "
                  "s.kind=a['class']\n"
                  "    if tag=='span' and a.get('id')=='page': s.cell=''; s.kind='page'\n"
                  "    if tag=='script' and a.get('type')=='application/json': s.cell=''; "
                  "s.kind='data'\n"
                  "  def handle_endtag(s, tag):\n"
                  "    if tag in ('td','span','script') and s.cell is not None:\n"
                  "      s.out.setdefault(s.kind, []).append(s.cell); s.cell=None\n"
                  "  def handle_data(s, d):\n"
                  "    if s.cell is not None: s.cell+=d\n"
                  "p=P(); p.out={}; p.feed(sys.stdin.buffer.read().decode('utf-8'))\n"
                  "data=[i['name'] for i in json.loads(p.out['data'][0])['items']] if 'data' in "
                  "p.out else []\n"
                  "print(json.dumps({'tags':sorted(p.tags),'scripts':p.scripts,'imgs':p.imgs,"
                  "'names':p.out.get('name',[]),'addresses':p.out.get('address',[]),"
                  "'page':p.out.get('page',[''])[0],'data':data}))"_s});
    python.write(html);
    python.closeWriteChannel();
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QStringList texts(const QJsonValue &array)
{
    QStringList list;
    for (const QJsonValue &v : array.toArray())
        list << v.toString();
    list.sort();
    return list;
}

// The page as headless Chromium leaves it once its script has run; empty without Chromium.
QByteArray renderedPage(const QString &path)
{
    const QString chromium = QStandardPaths::findExecutable(u"chromium"_s);
    if (chromium.isEmpty())
        return {};
    QTemporaryDir profile;
    QProcess browser;
    browser.start(chromium,
                  {u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
                   u"--user-data-dir="_s + profile.path(), u"--dump-dom"_s,
                   QUrl::fromLocalFile(path).toString()});
    if (!browser.waitForFinished(60000)) {
        browser.kill();
        browser.waitForFinished();
        return {};
    }
    return browser.readAllStandardOutput();
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recordsSurviveHostileNames_data();
    void recordsSurviveHostileNames();
    void factsOfEachSource_data();
    void factsOfEachSource();
    void htmlPageHoldsOnlyWhatItWrote();
    void htmlPagesLargeReports();
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
    const QList<std::pair<QString, QByteArray>> files = hostileFiles();
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

void TestReport::factsOfEachSource_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("csv") << u"r.csv"_s;
    QTest::newRow("json lines") << u"r.jsonl"_s;
}

// One record of each kind of source, with the facts only that source knows: the cache
// sub-folder of the registry's caches, a sound's duration, and the stored response and the
// top-frame site of a partitioned key in Firefox's and Chromium's caches.
void TestReport::factsOfEachSource()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QByteArray picture = jpeg();
    QStringList arguments = cacheArguments(
            dir, {{u"design.jpg"_s, picture}, {u"half.wav"_s, cachebuilder::wav(4000)}});

    const QString chromium = dir.filePath(u"chromium"_s);
    QDir().mkpath(chromium);
    cachebuilder::ChromiumEntry c;
    c.key = "1/0/_dk_s_https://news.example https://frame.example https://img.example/c.jpg";
    c.head = {"HTTP/1.1 203 Non-Authoritative Information", "Content-Type: image/jpeg"};
    c.body = picture;
    cachebuilder::writeChromiumEntry(chromium, c);

    const QString firefox = dir.filePath(u"firefox/entries"_s);
    QDir().mkpath(firefox);
    cachebuilder::FirefoxEntry f;
    f.key = "O^partitionKey=%28https%2Cshop.example%2C8443%29,a,:https://cdn.example/f.jpg";
    f.head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Encoding: gzip\r\n";
    f.body = cachebuilder::gzip(picture);
    cachebuilder::writeFirefoxEntry(firefox, f);

    arguments << u"--browser-cache"_s << chromium << u"--browser-cache"_s << firefox;
    const QString path = dir.filePath(target);
    QCOMPARE(runVelt(arguments << u"--report"_s << path), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QList<QJsonObject> rows = target.endsWith(u".csv"_s) ? csvRows(bytes) : jsonRows(bytes);
    QCOMPARE(rows.size(), 4);

    // Numbers as numbers, whether CSV or JSON wrote them: "0.500" is 0.5.
    const auto text = [](const QJsonObject &row, const QString &key) {
        const QJsonValue v = row.value(key);
        bool number = false;
        const double d = v.isDouble() ? v.toDouble() : v.toString().toDouble(&number);
        return v.isDouble() || number ? QString::number(d) : v.toString();
    };
    QHash<QString, QJsonObject> byKey; // the address, or the name for the registry's caches
    for (const QJsonObject &row : rows) {
        const QString address = text(row, u"address"_s);
        byKey.insert(address.isEmpty() ? text(row, u"name"_s) : address, row);
    }
    const QString subFolder = QDir(dir.filePath(u"WINDOWS/TIF/ABCD1234"_s)).absolutePath();
    struct Expected
    {
        QString key;
        QList<std::pair<QString, QString>> facts;
    };
    const QList<Expected> expected{
            {u"design.jpg"_s,
             {{u"kind"_s, u"picture"_s},
              {u"cache_folder"_s, subFolder},
              {u"status"_s, {}},
              {u"site"_s, {}}}},
            {u"half.wav"_s,
             {{u"kind"_s, u"sound"_s}, {u"duration"_s, u"0.5"_s}, {u"cache_folder"_s, subFolder}}},
            {u"https://img.example/c.jpg"_s,
             {{u"site"_s, u"https://news.example"_s},
              {u"status"_s, u"203"_s},
              {u"content_type"_s, u"image/jpeg"_s},
              {u"encoding"_s, {}},
              {u"cache_format"_s, u"Chromium Simple"_s},
              {u"cache_folder"_s, QDir(chromium).canonicalPath()},
              {u"format"_s, u"Jpeg"_s},
              {u"verdict"_s, u"ok"_s}}},
            {u"https://cdn.example/f.jpg"_s,
             {{u"site"_s, u"https://shop.example:8443"_s},
              {u"status"_s, u"200"_s},
              {u"encoding"_s, u"gzip"_s},
              {u"cache_format"_s, u"Firefox cache2"_s},
              {u"cache_folder"_s, QDir(firefox).canonicalPath()},
              {u"length"_s, QString::number(picture.size())},
              {u"verdict"_s, u"ok"_s}}},
    };
    for (const Expected &e : expected) {
        QVERIFY2(byKey.contains(e.key), qPrintable(e.key));
        for (const auto &[column, value] : e.facts)
            QVERIFY2(
                    text(byKey.value(e.key), column) == value,
                    qPrintable(e.key + u' ' + column + u": "_s + text(byKey.value(e.key), column)));
    }
}

void TestReport::htmlPageHoldsOnlyWhatItWrote()
{
    QTemporaryDir dir;
    const QList<std::pair<QString, QByteArray>> files = hostileFiles();
    // An address that would end a script element and open a comment if written as it is.
    const QString chromium = dir.filePath(u"chromium"_s);
    QDir().mkpath(chromium);
    cachebuilder::ChromiumEntry entry;
    entry.key = "https://x.test/</script><script>alert(1)</script><!--&amp;\xE2\x80\xA8.jpg";
    entry.head = {"HTTP/1.1 200 OK", "Content-Type: image/jpeg"};
    entry.body = jpeg();
    cachebuilder::writeChromiumEntry(chromium, entry);
    const QString address = QString::fromUtf8(entry.key);

    const QString path = dir.filePath(u"r.html"_s);
    QCOMPARE(runVelt(cacheArguments(dir, files)
                     << u"--browser-cache"_s << chromium << u"--report"_s << path),
             0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray page = file.readAll();
    QVERIFY(page.contains("Content-Security-Policy"));
    QStringList expected;
    for (const auto &[name, body] : files)
        expected << name;

    // As written: two scripts (the data and the code), the data naming every item.
    const QJsonObject written = htmlFacts(page);
    QCOMPARE(written.value(u"scripts"_s).toInt(), 2);
    QCOMPARE(texts(written.value(u"data"_s)).size(), expected.size() + 1);
    for (const QString &name : expected)
        QVERIFY2(texts(written.value(u"data"_s)).contains(name), qPrintable(name));

    // As a browser shows it: every item a row, every name and address text, nothing the page
    // did not make itself.
    const QByteArray rendered = renderedPage(path);
    if (rendered.isEmpty())
        QSKIP("headless Chromium is not installed: the page's script was not run");
    const QJsonObject facts = htmlFacts(rendered);
    const QStringList names = texts(facts.value(u"names"_s));
    QCOMPARE(names.size(), expected.size() + 1);
    for (const QString &name : expected)
        QVERIFY2(names.contains(name), qPrintable(name));
    QVERIFY(texts(facts.value(u"addresses"_s)).contains(address));
    QCOMPARE(facts.value(u"scripts"_s).toInt(), 1); // the data block is dropped once read
    QCOMPARE(facts.value(u"page"_s).toString(), u"1 / 1"_s);
    const QStringList allowed{
            u"body"_s,   u"br"_s,     u"button"_s, u"div"_s,   u"h1"_s,    u"head"_s,   u"html"_s,
            u"img"_s,    u"input"_s,  u"label"_s,  u"li"_s,    u"meta"_s,  u"option"_s, u"p"_s,
            u"script"_s, u"select"_s, u"span"_s,   u"style"_s, u"table"_s, u"tbody"_s,  u"td"_s,
            u"th"_s,     u"thead"_s,  u"title"_s,  u"tr"_s,    u"ul"_s};
    for (const QJsonValue &tag : facts.value(u"tags"_s).toArray())
        QVERIFY2(allowed.contains(tag.toString()), qPrintable(tag.toString()));
    // Thumbnails of the pictures that decode, and only as data: never a file or an address.
    const QJsonArray images = facts.value(u"imgs"_s).toArray();
    QVERIFY(!images.isEmpty());
    for (const QJsonValue &src : images)
        QVERIFY(src.toString().startsWith(u"data:image/jpeg;base64,"_s));
}

// A large report is shown a page of rows at a time.
void TestReport::htmlPagesLargeReports()
{
    QTemporaryDir dir;
    const QByteArray picture = jpeg();
    QList<std::pair<QString, QByteArray>> files;
    for (int i = 0; i < 450; ++i)
        files.append({QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), picture});
    const QString path = dir.filePath(u"r.html"_s);
    QCOMPARE(runVelt(cacheArguments(dir, files) << u"--report"_s << path), 0);
    const QByteArray rendered = renderedPage(path);
    if (rendered.isEmpty())
        QSKIP("headless Chromium is not installed: the page's script was not run");
    const QJsonObject facts = htmlFacts(rendered);
    QCOMPARE(facts.value(u"names"_s).toArray().size(), 200);
    QCOMPARE(facts.value(u"page"_s).toString(), u"1 / 3"_s);
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

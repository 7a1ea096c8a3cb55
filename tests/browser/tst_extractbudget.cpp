// What a hostile cache may cost the extraction: names past what the file system takes, many
// entries of one name, and bodies that decode to far more than they store or take too long.

#include "browser/budget.h"
#include "browser/extraction.h"
#include "browser/filename.h"
#include "browser/simplecache.h"

#include "browser/cachebodies.h"
#include "browser/cachebuilder.h"
#include "picture/picturefiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace velt;
using namespace cachebuilder;

namespace {

QByteArray png()
{
    return picturefiles::encoded(picturefiles::pattern({8, 6}), "PNG");
}

void writeEntry(const QString &cache, const QByteArray &url, const QList<QByteArray> &head,
                const QByteArray &body)
{
    ChromiumEntry e;
    e.key = "1/0/_dk_https://a.test https://a.test " + url;
    e.head = head;
    e.body = body;
    QVERIFY(!writeChromiumEntry(cache, e).isEmpty());
}

// A body that starts as a PNG and decodes to decoded bytes from about a thousandth of that.
QByteArray pngBomb(qint64 decoded)
{
    QByteArray plain = png().left(16);
    plain.append(QByteArray(decoded - plain.size(), '\0'));
    return gzip(plain);
}

qint64 bytesIn(const QString &dir)
{
    qint64 total = 0;
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files))
        total += info.size();
    return total;
}

} // namespace

class TestExtractBudget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void longNames_data();
    void longNames();
    void sameNames_data();
    void sameNames();
    void budget_data();
    void budget();
    void sparseTrap_data();
    void sparseTrap();
    void entryTime_data();
    void entryTime();
};

void TestExtractBudget::longNames_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    const QString kana = QString(84, QChar(0x30A2));
    QTest::newRow("84 kana") << "https://x.test/" + kana + ".png"
                             << "png" << QString(83, QChar(0x30A2)) + ".png";
    QTest::newRow("100 %FF") << "https://x.test/" + QStringLiteral("%FF").repeated(100) + ".jpg"
                             << "jpg" << QString(83, QChar(0xFFFD)) + ".jpg";
    // 3 bytes each, then 4-byte characters: the cut never splits one.
    QTest::newRow("kana then emoji") << "https://x.test/" + QString(60, QChar(0x30A2))
                    + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(30)
                                     << "webp"
                                     << QString(60, QChar(0x30A2))
                    + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(17) + ".webp";
    QTest::newRow("short stays") << "https://x.test/" + kana.left(10) + ".gif"
                                 << "gif" << kana.left(10) + ".gif";
}

// Names that would pass 255 bytes are cut between characters, keep their extension, and can be
// created; so can their suffixed forms.
void TestExtractBudget::longNames()
{
    QFETCH(QString, url);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    const QString made = cacheFileName(url, extension, QStringLiteral("0123456789abcdef"));
    QCOMPARE(made, name);
    QTemporaryDir dir;
    for (const QString &candidate : {made, suffixedName(made, 2), suffixedName(made, 1234567890)}) {
        QVERIFY(candidate.toUtf8().size() <= kMaxFileNameBytes);
        QVERIFY(candidate.endsWith(QLatin1Char('.') + extension));
        const int fd = ::open(QFile::encodeName(dir.filePath(candidate)).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY2(fd >= 0, qPrintable(candidate));
        ::close(fd);
    }
}

void TestExtractBudget::sameNames_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("lastName");
    QTest::newRow("300 of one name") << 300 << QStringList{} << "photo_300.png";
    // Taken numbers are passed over, however many there are in a row.
    QTest::newRow("numbers taken before")
            << 3 << QStringList{"photo.png", "photo_2.png", "photo_3.png", "photo_5.png"}
            << "photo_6.png";
    QTest::newRow("long name taken") << 2 << QStringList{QString(83, QChar(0x30A2)) + ".png"}
                                     << QString(83, QChar(0x30A2)) + "_3.png";
}

// Every entry of one name is written under a name of its own; files already there stay.
void TestExtractBudget::sameNames()
{
    QFETCH(int, entries);
    QFETCH(QStringList, existing);
    QFETCH(QString, lastName);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    QDir().mkpath(work);
    for (const QString &name : std::as_const(existing))
        QVERIFY(writeFile(QDir(work).filePath(name), "the user's"));
    const QByteArray segment = lastName.contains(QChar(0x30A2))
            ? QString(83, QChar(0x30A2)).toUtf8().toPercentEncoding() + ".png"
            : QByteArray("photo.png");
    const QByteArray p = png();
    for (int i = 0; i < entries; ++i) {
        writeEntry(cache, "https://h" + QByteArray::number(i) + ".test/" + segment,
                   {"HTTP/1.1 200 OK", "Content-Type: image/png"}, p);
    }
    SourceTable table;
    QCOMPARE(extractCacheFolder({CacheFormat::Chromium, cache}, work, table), entries);
    const QStringList files = QDir(work).entryList(QDir::Files);
    QCOMPARE(files.size(), entries + existing.size());
    QVERIFY2(files.contains(lastName), qPrintable(files.join(u' ')));
    for (const QString &name : std::as_const(existing)) {
        QFile old(QDir(work).filePath(name));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the user's"));
    }
}

void TestExtractBudget::budget_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<qint64>("decodedEach");
    QTest::addColumn<qint64>("bodyDecoded");
    QTest::addColumn<qint64>("totalDecoded");
    QTest::addColumn<qint64>("msPerClockRead");
    QTest::addColumn<qint64>("entryMs");
    QTest::addColumn<qint64>("collectionMs");
    QTest::addColumn<int>("written"); // -1: some, not all
    QTest::addColumn<int>("skippedForSize");
    QTest::addColumn<int>("skippedForTime"); // -1: some
    const qint64 mb = 1024 * 1024;
    const qint64 never = qint64(1) << 50;
    QTest::newRow("within") << 4 << mb << 2 * mb << 8 * mb << qint64(0) << never << never << 4 << 0
                            << 0;
    QTest::newRow("total reached")
            << 6 << mb << 2 * mb << qint64(2.5 * mb) << qint64(0) << never << never << 2 << 4 << 0;
    QTest::newRow("one body too big")
            << 3 << 3 * mb << 2 * mb << 64 * mb << qint64(0) << never << never << 0 << 3 << 0;
    QTest::newRow("entry too slow")
            << 3 << mb << 2 * mb << 64 * mb << qint64(1000) << qint64(500) << never << 0 << 0 << 3;
    QTest::newRow("collection too slow") << 20 << 64 * qint64(1024) << 2 * mb << 64 * mb
                                         << qint64(10) << never << qint64(300) << -1 << 0 << -1;
}

// A cache of small gzip bombs writes no more than the budget allows, and every entry is either
// written or counted as skipped; time is told by a clock that moves only when read.
void TestExtractBudget::budget()
{
    QFETCH(int, entries);
    QFETCH(qint64, decodedEach);
    QFETCH(qint64, bodyDecoded);
    QFETCH(qint64, totalDecoded);
    QFETCH(qint64, msPerClockRead);
    QFETCH(qint64, entryMs);
    QFETCH(qint64, collectionMs);
    QFETCH(int, written);
    QFETCH(int, skippedForSize);
    QFETCH(int, skippedForTime);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    QDir().mkpath(work);
    const QByteArray bomb = pngBomb(decodedEach);
    for (int i = 0; i < entries; ++i) {
        writeEntry(cache, "https://x.test/b" + QByteArray::number(i) + ".png",
                   {"HTTP/1.1 200 OK", "Content-Type: image/png", "Content-Encoding: gzip"}, bomb);
    }
    qint64 now = 0;
    ExtractBudget budget({bodyDecoded, totalDecoded, entryMs, collectionMs},
                         [&now, msPerClockRead] { return now += msPerClockRead; });
    ExtractLimits limits;
    limits.budget = &budget;
    SourceTable table;
    const int made = extractCacheFolder({CacheFormat::Chromium, cache}, work, table, {}, limits);
    if (written >= 0)
        QCOMPARE(made, written);
    else
        QVERIFY(made > 0 && made < entries);
    QCOMPARE(budget.skippedForSize(), skippedForSize);
    if (skippedForTime >= 0)
        QCOMPARE(budget.skippedForTime(), skippedForTime);
    QCOMPARE(made + budget.skipped(), entries);
    QVERIFY(bytesIn(work) <= totalDecoded);
}

void TestExtractBudget::sparseTrap_data()
{
    QTest::addColumn<int>("ranges");
    QTest::addColumn<qint64>("msPerClockRead");
    QTest::addColumn<bool>("read");
    QTest::newRow("few ranges, slow clock") << 10 << qint64(1000) << true;
    QTest::newRow("many ranges in time") << 3000 << qint64(0) << true;
    QTest::newRow("many ranges past time") << 3000 << qint64(1000) << false;
}

// A sparse file of thousands of one-byte ranges is given up inside the reader once the entry's
// time has run out, rather than read to its end first.
void TestExtractBudget::sparseTrap()
{
    QFETCH(int, ranges);
    QFETCH(qint64, msPerClockRead);
    QFETCH(bool, read);
    QTemporaryDir dir;
    ChromiumEntry e;
    e.key = "https://x.test/clip.mp4";
    e.head = {"HTTP/1.1 206 Partial Content", "Content-Type: video/mp4",
              "Content-Range: bytes 0-0/" + QByteArray::number(ranges)};
    for (int i = 0; i < ranges; ++i)
        e.ranges.append({i, QByteArray(1, 'm')});
    const QString path0 = writeChromiumEntry(dir.path(), e);
    qint64 now = 0;
    ExtractBudget budget({1 << 20, 1 << 20, 500, qint64(1) << 50},
                         [&now, msPerClockRead] { return now += msPerClockRead; });
    budget.startEntry();
    const auto response = readChromiumEntry(path0, &budget);
    QCOMPARE(response.has_value(), read);
    if (response)
        QCOMPARE(response->bodyLength(), qint64(ranges));
}

void TestExtractBudget::entryTime_data()
{
    QTest::addColumn<qint64>("bodyBytes");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<bool>("outOfTime");
    const qint64 movie = 100 * 1024 * 1024;
    QTest::newRow("trap in its time") << qint64(0) << qint64(3000) << false;
    QTest::newRow("trap past its time") << qint64(0) << qint64(3001) << true;
    QTest::newRow("long movie copied slowly") << movie << qint64(12000) << false;
    QTest::newRow("long movie past its time") << movie << qint64(14000) << true;
    QTest::newRow("collection past its time") << movie << qint64(20001) << true;
}

// A large body gets time to be copied at a slow disk's pace; the collection's bound still holds.
void TestExtractBudget::entryTime()
{
    QFETCH(qint64, bodyBytes);
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, outOfTime);
    qint64 now = 0;
    ExtractBudget budget({1 << 20, 1 << 20, 3000, 20000}, [&now] { return now; });
    budget.startEntry();
    budget.allowEntryBytes(bodyBytes);
    now = elapsedMs;
    QCOMPARE(budget.outOfTime(), outOfTime);
}

QTEST_GUILESS_MAIN(TestExtractBudget)
#include "tst_extractbudget.moc"

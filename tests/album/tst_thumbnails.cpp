// Thumbnails: checked and decoded at cell size, hostile pictures refused, and kept until their
// file changes.
#include "album/thumbnails.h"

#include "picture/hostilefiles.h"
#include "picture/picturefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;
using picturefiles::encoded;
using picturefiles::pattern;

namespace {

const QSize kCell(73, 81);

bool write(const QString &path, const QByteArray &bytes, const QDateTime &time)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        return false;
    return f.setFileTime(time, QFileDevice::FileModificationTime);
}

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decoding_data();
    void decoding();
    void changedFileDecodedAgain();
};

void TestThumbnails::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("check"); // -1 unreadable, 0 fails, 1 passes
    QTest::addColumn<bool>("decoded");
    const QByteArray jpeg = encoded(pattern({1920, 1080}), "JPG", 85);
    QTest::newRow("1920x1080 JPEG") << jpeg << "big.jpg" << 1 << true;
    QTest::newRow("cut JPEG") << jpeg.left(jpeg.size() / 2) << "cut.jpg" << 0 << false;
    QTest::newRow("BMP") << encoded(pattern({40, 30}), "BMP") << "b.bmp" << 1 << true;
    QTest::newRow("GIF") << picturefiles::gif({20, 20}) << "g.gif" << 1 << true;
    QTest::newRow("EMF") << picturefiles::emf(200, 100) << "e.emf" << 1 << true;
    QTest::newRow("empty file") << QByteArray() << "empty.jpg" << -1 << false;
    QTest::newRow("JPEG bomb 20000x20000")
            << hostilefiles::jpegDeclaring(20000, 20000) << "bomb.jpg" << 1 << false;
    QTest::newRow("PNG bomb 20000x20000")
            << hostilefiles::pngDeclaring(20000, 20000) << "bomb.png" << 1 << false;
    QTest::newRow("not a picture")
            << QByteArray("just text, not a picture") << "t.jpg" << 1 << false;
}

void TestThumbnails::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, check);
    QFETCH(bool, decoded);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(write(path, bytes, QDateTime(QDate(2026, 12, 1), QTime(9, 0))));
    ThumbnailCache cache(kCell, defaultMetafileHelper());
    const ThumbnailOutcome outcome = cache.outcome(path, SourceTable());
    QCOMPARE(outcome.check.has_value(), check >= 0);
    if (check >= 0)
        QCOMPARE(*outcome.check, check == 1);
    QCOMPARE(!outcome.image.isNull(), decoded);
    if (decoded)
        QCOMPARE(outcome.image.size(), kCell);
    // A second look is answered from what is kept, unless the file could not be read.
    cache.outcome(path, SourceTable());
    QCOMPARE(cache.decodes(), check >= 0 ? 1 : 2);
}

void TestThumbnails::changedFileDecodedAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    const QDateTime t(QDate(2026, 12, 1), QTime(9, 0));
    QVERIFY(write(path, encoded(pattern({64, 64}), "JPG"), t));
    ThumbnailCache cache(kCell, defaultMetafileHelper());
    QVERIFY(!cache.outcome(path, SourceTable()).image.isNull());
    // Another time: decoded again.
    QVERIFY(write(path, encoded(pattern({64, 64}), "JPG"), t.addSecs(60)));
    cache.outcome(path, SourceTable());
    QCOMPARE(cache.decodes(), 2);
    // Another size at the same time: decoded again, and now it is cut short.
    const QByteArray whole = encoded(pattern({64, 64}), "JPG");
    QVERIFY(write(path, whole.left(whole.size() - 10), t.addSecs(60)));
    const ThumbnailOutcome cut = cache.outcome(path, SourceTable());
    QCOMPARE(cache.decodes(), 3);
    QCOMPARE(cut.check, std::optional<bool>(false));
    // Gone: nothing kept is answered for it.
    QVERIFY(QFile::remove(path));
    QVERIFY(!cache.outcome(path, SourceTable()).check);
}

QTEST_MAIN(TestThumbnails)
#include "tst_thumbnails.moc"

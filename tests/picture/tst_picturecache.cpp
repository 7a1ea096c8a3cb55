#include "picture/picturecache.h"

#include "picture/picturefiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

const QDateTime kTime(QDate(2026, 12, 1), QTime(10, 0));

bool writeDated(const QString &path, const QByteArray &bytes, const QDateTime &time = kTime)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
            && file.setFileTime(time, QFileDevice::FileModificationTime);
}

QImage filled(QColor color)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

FileStamp stampOfSize(qint64 size)
{
    FileStamp stamp;
    stamp.size = size;
    return stamp;
}

} // namespace

class TestPictureCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stampTellsAChangedFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("stampLeft");
        QTest::addColumn<bool>("same");
        QTest::newRow("untouched") << "none" << true << true;
        QTest::newRow("rewritten, other size") << "longer" << true << false;
        QTest::newRow("other modification time") << "time" << true << false;
        QTest::newRow("replaced by a same-sized file of that time") << "replaced" << true << false;
        QTest::newRow("removed") << "removed" << false << false;
        QTest::newRow("a folder in its place") << "folder" << false << false;
    }

    void stampTellsAChangedFile()
    {
        QFETCH(QString, change);
        QFETCH(bool, stampLeft);
        QFETCH(bool, same);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.jpg"));
        QVERIFY(writeDated(path, "0123456789"));
        const std::optional<FileStamp> before = fileStamp(path);
        QVERIFY(before);
        QCOMPARE(before->size, 10);

        if (change == QLatin1String("longer")) {
            QVERIFY(writeDated(path, "0123456789AB"));
        } else if (change == QLatin1String("time")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(kTime.addSecs(1), QFileDevice::FileModificationTime));
        } else if (change == QLatin1String("replaced")) {
            const QString other = dir.filePath(QStringLiteral("b.jpg"));
            QVERIFY(writeDated(other, "9876543210"));
            QVERIFY(QDir().rename(path, dir.filePath(QStringLiteral("old.jpg"))));
            QVERIFY(QDir().rename(other, path));
        } else if (change == QLatin1String("removed")) {
            QVERIFY(QFile::remove(path));
        } else if (change == QLatin1String("folder")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
        }
        const std::optional<FileStamp> after = fileStamp(path);
        QCOMPARE(bool(after), stampLeft);
        QCOMPARE(after == before, same);
    }

    void cacheKeepsWhatIsWantedAndValid()
    {
        PictureCache cache(3);
        const FileStamp one = stampOfSize(1);
        cache.insert(QStringLiteral("a"), one, filled(Qt::red));
        cache.insert(QStringLiteral("b"), one, filled(Qt::green));
        cache.insert(QStringLiteral("c"), one, filled(Qt::blue));
        QCOMPARE(cache.bytes(), 3 * 4 * 4 * 4);

        // Found only under the stamp it was decoded with; another stamp drops it.
        QCOMPARE(cache.find(QStringLiteral("a"), one)->pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(!cache.find(QStringLiteral("b"), stampOfSize(2)));
        QVERIFY(!cache.contains(QStringLiteral("b")));
        QVERIFY(!cache.find(QStringLiteral("b"), one));

        // A new decode of a held path replaces it; when full, the oldest goes.
        cache.insert(QStringLiteral("c"), one, filled(Qt::yellow));
        cache.insert(QStringLiteral("d"), one, filled(Qt::black));
        QCOMPARE(cache.count(), 3);
        cache.insert(QStringLiteral("e"), one, filled(Qt::white));
        QCOMPARE(cache.count(), 3);
        QVERIFY(!cache.contains(QStringLiteral("a")));
        QCOMPARE(cache.find(QStringLiteral("c"), one)->pixelColor(0, 0), QColor(Qt::yellow));

        cache.retainOnly({QStringLiteral("e"), QStringLiteral("x")});
        QCOMPARE(cache.count(), 1);
        QVERIFY(cache.contains(QStringLiteral("e")));
    }

    void neighboursAreWhatTheButtonsShow_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QList<int>>("expected"); // next first

        QTest::newRow("empty list") << 0 << 0 << QList<int>{};
        QTest::newRow("nothing shown yet") << 5 << 0 << QList<int>{1};
        QTest::newRow("first") << 5 << 1 << QList<int>{2, 1};
        QTest::newRow("middle") << 5 << 3 << QList<int>{4, 2};
        QTest::newRow("last shows itself again") << 5 << 5 << QList<int>{5, 4};
        QTest::newRow("one entry") << 1 << 1 << QList<int>{1};
        QTest::newRow("next is damaged") << 5 << 1 << QList<int>{1};
        QTest::newRow("previous is a movie") << 5 << 4 << QList<int>{5};
        QTest::newRow("position beyond the count") << 5 << 9 << QList<int>{5, 4};
    }

    void neighboursAreWhatTheButtonsShow()
    {
        QFETCH(int, count);
        QFETCH(int, pos);
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        MdlVELT state;
        state.WorkDir = dir.path();
        const QByteArray jpeg = picturefiles::encoded(picturefiles::pattern({8, 8}), "JPG");
        const bool damaged = QByteArray(QTest::currentDataTag()) == "next is damaged";
        const bool movie = QByteArray(QTest::currentDataTag()) == "previous is a movie";
        for (int k = 1; k <= count; ++k) {
            QString name = QStringLiteral("p%1.jpg").arg(k);
            if (movie && k == 3)
                name = QStringLiteral("p3.mpg");
            QVERIFY(writeDated(dir.filePath(name), damaged && k == 2 ? jpeg.left(40) : jpeg));
            state.ListFile.append(name);
        }
        state.ListCount = count;
        state.ListPos = pos;

        QStringList paths;
        for (int k : expected)
            paths.append(dir.path() + QLatin1Char('/') + state.ListFile.at(k));
        QCOMPARE(pagingNeighbours(state, ExtTable::standard()), paths);
    }
};

QTEST_GUILESS_MAIN(TestPictureCache)
#include "tst_picturecache.moc"

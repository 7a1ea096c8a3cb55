#include "picture/picturecache.h"

#include "picture/picturefiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;
using picturefiles::writeDated;

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
        QVERIFY(before && before->size == 10);

        if (change == QLatin1String("longer")) {
            QVERIFY(writeDated(path, "0123456789AB"));
        } else if (change == QLatin1String("time")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 2), QTime(10, 0)),
                                     QFileDevice::FileModificationTime));
        } else if (change == QLatin1String("replaced")) {
            // The old file stays under another name, so the new one cannot take its inode.
            QVERIFY(writeDated(dir.filePath(QStringLiteral("b.jpg")), "9876543210"));
            QVERIFY(QDir(dir.path()).rename(QStringLiteral("a.jpg"), QStringLiteral("old.jpg")));
            QVERIFY(QDir(dir.path()).rename(QStringLiteral("b.jpg"), QStringLiteral("a.jpg")));
        } else if (change != QLatin1String("none")) {
            QVERIFY(QFile::remove(path));
            if (change == QLatin1String("folder"))
                QVERIFY(QDir().mkdir(path));
        }
        const std::optional<FileStamp> after = fileStamp(path);
        QCOMPARE(bool(after), stampLeft);
        QCOMPARE(after == before, same);
    }

    void cacheKeepsWhatIsWantedAndValid()
    {
        PictureCache cache(3);
        FileStamp one;
        one.size = 1;
        FileStamp two = one;
        two.size = 2;
        auto filled = [](QColor colour) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(colour);
            return image;
        };
        for (const char *path : {"a", "b", "c"})
            cache.insert(QLatin1String(path), one, filled(Qt::red));
        QCOMPARE(cache.bytes(), 3 * 4 * 4 * 4);

        // Found only under the stamp it was decoded with; another stamp drops it.
        QVERIFY(cache.find(QStringLiteral("a"), one));
        QVERIFY(!cache.find(QStringLiteral("b"), two));
        QVERIFY(!cache.contains(QStringLiteral("b")));

        // A new decode of a held path replaces it; when full, the oldest goes.
        cache.insert(QStringLiteral("c"), one, filled(Qt::blue));
        cache.insert(QStringLiteral("d"), one, filled(Qt::red));
        cache.insert(QStringLiteral("e"), one, filled(Qt::red));
        QCOMPARE(cache.count(), 3);
        QVERIFY(!cache.contains(QStringLiteral("a")));
        QCOMPARE(cache.find(QStringLiteral("c"), one)->pixelColor(0, 0), QColor(Qt::blue));

        QCOMPARE(cache.retainOnly({QStringLiteral("e"), QStringLiteral("x")}).size(), 2u);
        QCOMPARE(cache.count(), 1);
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
        const QByteArray tag = QTest::currentDataTag();
        QTemporaryDir dir;
        MdlVELT state;
        state.WorkDir = dir.path();
        const QByteArray jpeg = picturefiles::plainJpeg(Qt::red);
        for (int k = 1; k <= count; ++k) {
            const QString name = tag == "previous is a movie" && k == 3
                    ? QStringLiteral("p3.mpg")
                    : QStringLiteral("p%1.jpg").arg(k);
            QVERIFY(writeDated(dir.filePath(name),
                               tag == "next is damaged" && k == 2 ? jpeg.left(40) : jpeg));
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

#include "picture/decodeahead.h"

#include "picture/picturefiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <mutex>

using namespace velt;

namespace {

const QDateTime kTime(QDate(2026, 12, 1), QTime(10, 0));

QColor colourOf(int k)
{
    return QColor::fromHsv((k * 47) % 360, 255, 255);
}

QByteArray jpegOf(QColor colour, QSize size = {32, 24})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return picturefiles::encoded(image, "JPG", 95);
}

bool writeDated(const QString &path, const QByteArray &bytes, const QDateTime &time = kTime)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
            && file.setFileTime(time, QFileDevice::FileModificationTime);
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12
            && qAbs(a.blue() - b.blue()) < 12;
}

// loadPicture, counting the decodes of each file; safe on both threads.
struct CountingLoader
{
    std::mutex lock;
    std::map<QString, int> decodes;

    DecodeAhead::Loader loader()
    {
        return [this](const QString &path) {
            {
                const std::lock_guard<std::mutex> guard(lock);
                ++decodes[path];
            }
            return loadPicture(path, MetafileHelper{});
        };
    }
    int of(const QString &path)
    {
        const std::lock_guard<std::mutex> guard(lock);
        return decodes[path];
    }
};

} // namespace

class TestDecodeAhead : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QStringList writeList(int count)
    {
        QStringList paths;
        for (int k = 1; k <= count; ++k) {
            const QString path = m_dir.filePath(QStringLiteral("p%1.jpg").arg(k));
            if (!writeDated(path, jpegOf(colourOf(k))))
                qFatal("cannot write %s", qPrintable(path));
            paths.append(path);
        }
        return paths;
    }

private Q_SLOTS:
    // Paging to the end and one step back: the picture stepped back to and the one left are
    // painted from memory; only the one before them was dropped on the way and is decoded again.
    // No more than three pictures are held at any time.
    void pagingDecodesEachFileOnce()
    {
        const QStringList paths = writeList(6);
        CountingLoader counting;
        DecodeAhead ahead(counting.loader());
        for (const int i : {0, 1, 2, 3, 4, 5, 4}) {
            QStringList around;
            if (i + 1 < paths.size())
                around.append(paths.at(i + 1));
            if (i > 0)
                around.append(paths.at(i - 1));
            ahead.plan(paths.at(i), around);
            const LoadedPicture shown = ahead.take(paths.at(i));
            QVERIFY(shown.ok());
            QVERIFY(near(shown.image.pixelColor(5, 5), colourOf(i + 1)));
            ahead.waitUntilIdle();
            QVERIFY(ahead.heldCount() <= DecodeAhead::kMaxHeld);
            for (const QString &path : around)
                QVERIFY2(ahead.holds(path), qPrintable(path));
        }
        for (int i = 0; i < paths.size(); ++i)
            QCOMPARE(counting.of(paths.at(i)), i == 3 ? 2 : 1);
        QCOMPARE(ahead.heldCount(), 3);
    }

    void changedFileIsDecodedAgain_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("rewritten, other picture and size") << "rewritten";
        QTest::newRow("same bytes, other modification time") << "time";
        QTest::newRow("replaced by a file of the same size and time") << "replaced";
    }

    void changedFileIsDecodedAgain()
    {
        QFETCH(QString, change);
        const QStringList paths = writeList(2);
        const QString &next = paths.at(1);
        CountingLoader counting;
        DecodeAhead ahead(counting.loader());
        ahead.plan(paths.at(0), {next});
        ahead.start(); // as when the first picture was not loaded
        ahead.waitUntilIdle();
        QVERIFY(ahead.holds(next));

        QColor expected = colourOf(2);
        if (change == QLatin1String("rewritten")) {
            expected = Qt::black;
            QVERIFY(writeDated(next, jpegOf(expected, {40, 30})));
        } else if (change == QLatin1String("time")) {
            QFile file(next);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(kTime.addSecs(60), QFileDevice::FileModificationTime));
        } else {
            QFile source(next);
            QVERIFY(source.open(QIODevice::ReadOnly));
            const QByteArray bytes = source.readAll();
            source.close();
            const QString other = m_dir.filePath(QStringLiteral("other.jpg"));
            QVERIFY(writeDated(other, bytes));
            // The old file stays under another name, so the new one cannot take its inode.
            QVERIFY(QDir().rename(next, m_dir.filePath(QStringLiteral("old.jpg"))));
            QVERIFY(QDir().rename(other, next));
        }
        ahead.plan(next, {});
        const LoadedPicture shown = ahead.take(next);
        QVERIFY(shown.ok());
        QVERIFY(near(shown.image.pixelColor(5, 5), expected));
        QCOMPARE(counting.of(next), 2);
    }

    // A picture that is not in memory is decoded on the window thread before the worker starts on
    // the ones ahead, so that the two do not share the processor; one in memory does not wait.
    void workerWaitsForTheShownDecode()
    {
        const QStringList paths = writeList(3);
        CountingLoader counting;
        DecodeAhead ahead(counting.loader());
        ahead.plan(paths.at(0), {paths.at(1)});
        ahead.waitUntilIdle();
        QCOMPARE(counting.of(paths.at(1)), 0);
        QVERIFY(ahead.take(paths.at(0)).ok());
        ahead.waitUntilIdle();
        QVERIFY(ahead.holds(paths.at(1)));

        ahead.plan(paths.at(1), {paths.at(2), paths.at(0)});
        ahead.waitUntilIdle();
        QVERIFY(ahead.holds(paths.at(2)));
    }

    // Whether the worker has started, finished or not yet taken a file when it is shown, the
    // file is decoded exactly once; destroying the object with work left neither hangs nor
    // crashes.
    void oneDecodeWhateverTheTiming()
    {
        const QStringList paths = writeList(4);
        for (int round = 0; round < 40; ++round) {
            CountingLoader counting;
            {
                DecodeAhead ahead(counting.loader());
                ahead.plan(paths.at(0), {paths.at(1), paths.at(2), paths.at(3)});
                ahead.plan(paths.at(round % 2 + 1), {paths.at(1), paths.at(2), paths.at(3)});
                QVERIFY(ahead.take(paths.at(round % 2 + 1)).ok());
            }
            QCOMPARE(counting.of(paths.at(round % 2 + 1)), 1);
            QVERIFY(counting.of(paths.at(3)) <= 1);
        }
    }

    // Metafiles need the helper process and SVG files the renderer: the window thread loads them
    // when they are shown. A file the loader refuses is not kept either.
    void onlyGoodRasterPicturesAreKept()
    {
        const QString wmf = m_dir.filePath(QStringLiteral("m.wmf"));
        const QString svg = m_dir.filePath(QStringLiteral("s.svg"));
        const QString bad = m_dir.filePath(QStringLiteral("bad.jpg"));
        const QString good = m_dir.filePath(QStringLiteral("good.jpg"));
        QVERIFY(writeDated(wmf, picturefiles::wmf(20, 10, 1440)));
        QVERIFY(writeDated(svg, "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'/>"));
        QVERIFY(writeDated(bad, "\x89PNG not really"));
        QVERIFY(writeDated(good, jpegOf(Qt::red)));
        CountingLoader counting;
        DecodeAhead ahead(counting.loader());
        ahead.plan(QString(), {wmf, svg, bad, good});
        ahead.waitUntilIdle();
        QCOMPARE(counting.of(wmf), 0);
        QCOMPARE(counting.of(svg), 0);
        QCOMPARE(counting.of(bad), 1);
        QVERIFY(!ahead.holds(bad));
        QVERIFY(ahead.holds(good));
        QCOMPARE(ahead.heldBytes(), 32 * 24 * 4);
        // A refused file is decoded again where it is shown, and refused there.
        QVERIFY(!ahead.take(bad).ok());
        QCOMPARE(counting.of(bad), 2);
        ahead.clear();
        QCOMPARE(ahead.heldCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDecodeAhead)
#include "tst_decodeahead.moc"

#include "picture/decodeahead.h"

#include "picture/picturefiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <mutex>

using namespace velt;
using picturefiles::writeDated;

namespace {

QColor colourOf(int k)
{
    return QColor::fromHsv((k * 47) % 360, 255, 255);
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
            paths.append(m_dir.filePath(QStringLiteral("p%1.jpg").arg(k)));
            if (!writeDated(paths.last(), picturefiles::plainJpeg(colourOf(k))))
                qFatal("cannot write %s", qPrintable(paths.last()));
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
            QVERIFY(picturefiles::nearColour(shown.image.pixelColor(5, 5), colourOf(i + 1)));
            ahead.waitUntilIdle();
            QVERIFY(ahead.heldCount() <= DecodeAhead::kMaxHeld);
            for (const QString &path : around)
                QVERIFY2(ahead.holds(path), qPrintable(path));
        }
        for (int i = 0; i < paths.size(); ++i)
            QCOMPARE(counting.of(paths.at(i)), i == 3 ? 2 : 1);
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
            const QString &shown = paths.at(round % 2 + 1);
            CountingLoader counting;
            {
                DecodeAhead ahead(counting.loader());
                ahead.plan(QString(), {paths.at(1), paths.at(2), paths.at(3)});
                ahead.plan(shown, {paths.at(1), paths.at(2), paths.at(3)});
                QVERIFY(ahead.take(shown).ok());
            }
            QCOMPARE(counting.of(shown), 1);
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
        QVERIFY(writeDated(good, picturefiles::plainJpeg(Qt::red)));
        CountingLoader counting;
        DecodeAhead ahead(counting.loader());
        ahead.plan(QString(), {wmf, svg, bad, good});
        ahead.waitUntilIdle();
        QCOMPARE(counting.of(wmf) + counting.of(svg), 0);
        QCOMPARE(counting.of(bad), 1);
        QVERIFY(!ahead.holds(bad));
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

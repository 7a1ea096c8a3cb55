#include "cli/checkcommand.h"
#include "picture/imagecheck.h"
#include "picture/metafileformat.h"
#include "picture/metafileraster.h"
#include "picture/pictureloader.h"

#include "picture/picturefiles.h"
#include "platform/namebytes.h"

#include "common/hostilenames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using namespace velt;
using picturefiles::encoded;
using picturefiles::pattern;

namespace {

// The JPEG's frame header (SOF0) with another declared size; the rest stays as encoded.
QByteArray jpegDeclaring(QSize size)
{
    QByteArray jpeg = encoded(pattern({16, 16}), "JPG");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    Q_ASSERT(sof > 0);
    jpeg[sof + 5] = char(size.height() >> 8);
    jpeg[sof + 6] = char(size.height() & 0xFF);
    jpeg[sof + 7] = char(size.width() >> 8);
    jpeg[sof + 8] = char(size.width() & 0xFF);
    return jpeg;
}

QByteArray bmpDeclaring(qint32 width, qint32 height)
{
    QByteArray bmp = encoded(pattern({40, 30}), "BMP");
    qToLittleEndian(width, bmp.data() + 18);
    qToLittleEndian(height, bmp.data() + 22);
    return bmp;
}

// The logical screen's size and the frame's size, patched.
QByteArray gifDeclaring(QSize size, bool frameOnly = false)
{
    QByteArray gif = picturefiles::gif({4, 4});
    const QList<int> offsets = frameOnly ? QList<int>{24} : QList<int>{6, 24};
    for (int at : offsets) {
        gif[at] = char(size.width() & 0xFF);
        gif[at + 1] = char(size.width() >> 8);
        gif[at + 2] = char(size.height() & 0xFF);
        gif[at + 3] = char(size.height() >> 8);
    }
    return gif;
}

QByteArray shiftJis(const QString &text)
{
    QStringEncoder encoder("CP932");
    return encoder(text);
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Tests are built beside the helper; VELT_BUILD_DIR names that folder under ctest.
        const QString buildDir = qEnvironmentVariable("VELT_BUILD_DIR");
        if (!buildDir.isEmpty())
            qputenv("VELT_METAFILE_HELPER",
                    QFile::encodeName(QDir(buildDir).filePath(QStringLiteral("velt-metafile"))));
        QVERIFY2(QFileInfo(defaultMetafileHelper().program).isExecutable(),
                 qPrintable(defaultMetafileHelper().program));
    }

    void init()
    {
        m_dir = std::make_unique<hostilenames::TemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void loads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("size");

        const QImage image = pattern({40, 30});
        QTest::newRow("jpeg") << "a.jpg" << encoded(image, "JPG") << QSize(40, 30);
        QTest::newRow("bmp") << "a.bmp" << encoded(image, "BMP") << QSize(40, 30);
        QTest::newRow("png") << "a.png" << encoded(image, "PNG") << QSize(40, 30);
        QTest::newRow("ico") << "a.ico" << encoded(pattern({32, 32}), "ICO") << QSize(32, 32);
        QTest::newRow("gif") << "a.gif" << picturefiles::gif({40, 30}) << QSize(40, 30);
        QTest::newRow("png named .jpg") << "p.jpg" << encoded(image, "PNG") << QSize(40, 30);
        QTest::newRow("gif named .jpg") << "g.jpg" << picturefiles::gif({7, 5}) << QSize(7, 5);
        // The frame is clipped to the screen, no giant is allocated.
        QTest::newRow("gif frame of 65535x65535 on a 4x4 screen")
                << "frame.gif" << gifDeclaring({65535, 65535}, true) << QSize(4, 4);
        QTest::newRow("bmp top-down") << "td.bmp" << bmpDeclaring(40, -30) << QSize(40, 30);
        // 1440 units per inch: 1440 units are 96 pixels.
        QTest::newRow("wmf") << "a.wmf" << picturefiles::wmf(1440, 720, 1440) << QSize(96, 48);
        QTest::newRow("wmf with Japanese text")
                << "t.wmf"
                << picturefiles::wmf(2880, 1440, 1440, shiftJis(QStringLiteral("日本語の文字")))
                << QSize(192, 96);
        QTest::newRow("wmf named .jpg")
                << "w.jpg" << picturefiles::wmf(1440, 1440, 1440) << QSize(96, 96);
        QTest::newRow("emf") << "a.emf" << picturefiles::emf(200, 100) << QSize(199, 99);
        // Valid, only too large to draw at its own size: drawn smaller, not called damaged.
        QTest::newRow("wmf 32000 inches")
                << "huge.wmf" << picturefiles::wmf(32000, 32000, 1) << QSize(4096, 4096);
        // The header's largest record is taken as no larger than the file, not as gigabytes.
        QByteArray giantRecord = picturefiles::wmf(1440, 1440, 1440);
        qToLittleEndian(quint32(0x7FFFFFFF), giantRecord.data() + 22 + 12);
        QTest::newRow("wmf announcing a 4 GB record") << "r.wmf" << giantRecord << QSize(96, 96);
    }

    void loads()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        const QString path = m_dir->filePath(name);
        QVERIFY(picturefiles::writeFile(path, content));
        const LoadedPicture picture = loadPicture(path);
        QVERIFY2(picture.ok(), qPrintable(picture.error));
        QCOMPARE(picture.image.size(), size);
        QVERIFY(picture.image.format() == QImage::Format_RGB32
                || picture.image.format() == QImage::Format_ARGB32_Premultiplied);
    }

    void pixelsAreExact()
    {
        const QImage image = pattern({300, 200});
        const QString path = m_dir->filePath(QStringLiteral("exact.png"));
        QVERIFY(picturefiles::writeFile(path, encoded(image, "PNG")));
        const LoadedPicture picture = loadPicture(path);
        QVERIFY(picture.ok());
        QCOMPARE(picture.image.convertToFormat(QImage::Format_RGB32), image);
    }

    void metafileIsDrawn()
    {
        // The red rectangle lies in the middle, on white.
        const QString path = m_dir->filePath(QStringLiteral("drawn.wmf"));
        QVERIFY(picturefiles::writeFile(path, picturefiles::wmf(1440, 1440, 1440)));
        const LoadedPicture picture = loadPicture(path);
        QVERIFY2(picture.ok(), qPrintable(picture.error));
        const QRgb centre = picture.image.pixel(48, 48);
        QVERIFY(qRed(centre) > 200 && qGreen(centre) < 60 && qBlue(centre) < 60);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");

        const QByteArray jpeg = encoded(pattern({64, 64}), "JPG");
        const QByteArray wmf = picturefiles::wmf(1440, 1440, 1440);
        const QByteArray emf = picturefiles::emf(200, 100);
        QTest::newRow("empty") << "e.jpg" << QByteArray();
        QTest::newRow("one byte") << "o.jpg" << QByteArray("\xFF");
        QTest::newRow("two bytes") << "t.bmp" << QByteArray("BM");
        QTest::newRow("text") << "x.jpg" << QByteArray("just some words\n");
        QTest::newRow("jpeg header only") << "h.jpg" << jpeg.left(20);
        QTest::newRow("jpeg declaring 65500x65500") << "big.jpg" << jpegDeclaring({65500, 65500});
        QTest::newRow("jpeg declaring 20000x20000") << "big2.jpg" << jpegDeclaring({20000, 20000});
        QTest::newRow("gif declaring 65535x65535") << "big.gif" << gifDeclaring({65535, 65535});
        QTest::newRow("bmp huge width") << "w.bmp" << bmpDeclaring(1 << 30, 30);
        QTest::newRow("bmp huge height") << "h.bmp" << bmpDeclaring(40, 1 << 30);
        QTest::newRow("bmp most negative height") << "n.bmp" << bmpDeclaring(40, INT32_MIN);
        QTest::newRow("bmp cut") << "c.bmp" << encoded(pattern({40, 30}), "BMP").left(40);
        QTest::newRow("svg is not a picture type")
                << "s.jpg"
                << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>");
        QTest::newRow("wmf header only") << "h.wmf" << wmf.left(22 + 18);
        QTest::newRow("wmf magic then garbage")
                << "g.wmf" << wmf.left(22) + QByteArray(200, '\x7F');
        QTest::newRow("emf header only") << "h.emf" << emf.left(88);
        QTest::newRow("emf magic then garbage")
                << "g.emf" << emf.left(44) + QByteArray(300, '\xEE');
    }

    void refuses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = m_dir->filePath(name);
        QVERIFY(picturefiles::writeFile(path, content));
        QElapsedTimer clock;
        clock.start();
        const LoadedPicture picture = loadPicture(path);
        QVERIFY(!picture.ok());
        QVERIFY(!picture.error.isEmpty());
        // Refused from the header, not after decoding a giant.
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    }

    void truncatedMetafilesNeverCrash_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray wmf = picturefiles::wmf(2880, 1440, 1440, shiftJis(QStringLiteral("字")));
        const QByteArray emf = picturefiles::emf(200, 100);
        for (qsizetype cut : {qsizetype(4), qsizetype(30), wmf.size() / 2, wmf.size() - 6})
            QTest::addRow("wmf cut at %lld", qlonglong(cut)) << wmf.left(cut);
        for (qsizetype cut : {qsizetype(50), qsizetype(100), emf.size() - 4})
            QTest::addRow("emf cut at %lld", qlonglong(cut)) << emf.left(cut);
    }

    void truncatedMetafilesNeverCrash()
    {
        QFETCH(QByteArray, content);
        const QString path = m_dir->filePath(QStringLiteral("cut.wmf"));
        QVERIFY(picturefiles::writeFile(path, content));
        const LoadedPicture picture = loadPicture(path);
        // Either a picture of sane size or a plain failure.
        if (picture.ok())
            QVERIFY(picture.image.width() <= 4096 && picture.image.height() <= 4096);
    }

    void awkwardPath_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("name");
        const QByteArray jpeg = encoded(pattern({10, 10}), "JPG");
        const QByteArray wmf = picturefiles::wmf(1440, 1440, 1440);
        const QByteArray quoted = QStringLiteral("-写 真 $HOME.jpg").toUtf8();
        QTest::newRow("jpeg") << jpeg << quoted;
        QTest::newRow("wmf") << wmf << quoted;
        // Names that are not UTF-8 reach the reader, and the helper, by their bytes.
        QTest::newRow("jpeg, Latin-1 name") << jpeg << QByteArray("caf\xE9.jpg");
        QTest::newRow("wmf, Shift-JIS name") << wmf << QByteArray("\x82\xA0.wmf");
        QTest::newRow("svg, stray bytes")
                << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\">"
                              "<rect width=\"4\" height=\"4\"/></svg>")
                << QByteArray("bad\xFF\xFE.svg");
    }

    void awkwardPath()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, name);
        const QString folder = m_dir->filePath(QStringLiteral("画像 \"引用\" 'q'"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(hostilenames::writeNamed(folder, name, content));
        const QString path = folder + QLatin1Char('/') + decodeFileName(name);
        QCOMPARE(checkImageFile(path).result, CheckResult::Passes);
        const LoadedPicture picture = loadPicture(path);
        QVERIFY2(picture.ok(), qPrintable(picture.error));
    }

    void deletedBetweenCheckAndLoad()
    {
        const QString path = m_dir->filePath(QStringLiteral("gone.jpg"));
        QVERIFY(picturefiles::writeFile(path, encoded(pattern({10, 10}), "JPG")));
        QCOMPARE(checkImageFile(path).result, CheckResult::Passes);
        QVERIFY(QFile::remove(path));
        QVERIFY(!loadPicture(path).ok());
    }

    void notARegularFile()
    {
        const QString fifo = m_dir->filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!loadPicture(fifo).ok()); // would block forever if opened
        QVERIFY(!loadPicture(m_dir->path()).ok());
        QVERIFY(!loadPicture(QString()).ok());
    }

    void helperFailures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("crashes") << "kill -SEGV $$";
        QTest::newRow("exits 1 after output") << "echo '<svg width=\"5\" height=\"5\"/>'; exit 1";
        QTest::newRow("no output") << "exit 0";
        QTest::newRow("not svg") << "echo hello";
        QTest::newRow("hangs") << "exec sleep 30";
        QTest::newRow("floods") << "exec cat /dev/zero";
        // The picture is drawn in the helper; SVG from it is not taken any more.
        QTest::newRow("svg") << "echo '<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                                "height=\"5\"/>'";
        QTest::newRow("fewer pixels than announced") << "printf 'VELTRGB32 10 10\\n'; "
                                                        "head -c 396 /dev/zero";
        QTest::newRow("a giant announced") << "printf 'VELTRGB32 100000 100000\\n'; "
                                              "exec cat /dev/zero";
        QTest::newRow("ignores SIGTERM") << "trap '' TERM; while :; do :; done";
    }

    void helperFailures()
    {
        QFETCH(QString, script);
        const QString helperPath = m_dir->filePath(QStringLiteral("helper.sh"));
        QVERIFY(picturefiles::writeFile(helperPath, "#!/bin/sh\n" + script.toUtf8() + "\n"));
        QVERIFY(QFile::setPermissions(helperPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString path = m_dir->filePath(QStringLiteral("a.wmf"));
        QVERIFY(picturefiles::writeFile(path, picturefiles::wmf(1440, 1440, 1440)));

        QElapsedTimer clock;
        clock.start();
        const LoadedPicture picture = loadPicture(path, MetafileHelper{helperPath, 300});
        QVERIFY(!picture.ok());
        QVERIFY(clock.elapsed() < 3000);
    }

    void helperGroupIsKilled()
    {
        // A helper that ignores SIGTERM and has started a child of its own.
        const QString childPid = m_dir->filePath(QStringLiteral("child.pid"));
        const QString helperPath = m_dir->filePath(QStringLiteral("helper.sh"));
        QVERIFY(picturefiles::writeFile(helperPath,
                                        "#!/bin/sh\ntrap '' TERM\nsleep 60 &\necho $! > '"
                                                + QFile::encodeName(childPid) + "'\nwait\n"));
        QVERIFY(QFile::setPermissions(helperPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString path = m_dir->filePath(QStringLiteral("a.wmf"));
        QVERIFY(picturefiles::writeFile(path, picturefiles::wmf(1440, 1440, 1440)));

        QVERIFY(!loadPicture(path, MetafileHelper{helperPath, 500}).ok());
        QFile pidFile(childPid);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const QByteArray pid = pidFile.readAll().trimmed();
        QVERIFY(!pid.isEmpty());
        // Gone, or a zombie waiting to be reaped: no longer running.
        const auto running = [&pid] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
            if (!stat.open(QIODevice::ReadOnly))
                return false;
            const QByteArray fields = stat.readAll();
            const qsizetype close = fields.lastIndexOf(')');
            return close > 0 && fields.size() > close + 2 && fields[close + 2] != 'Z';
        };
        QTRY_VERIFY_WITH_TIMEOUT(!running(), 5000);
    }

    void rasterHandOver_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QSize>("size"); // empty: refused

        const QByteArray twoByOne = QByteArray("VELTRGB32 2 1\n") + QByteArray(8, '\xFF');
        QTest::newRow("two by one") << twoByOne << QSize(2, 1);
        QTest::newRow("a pixel short") << twoByOne.chopped(4) << QSize();
        QTest::newRow("a byte too many") << twoByOne + 'x' << QSize();
        QTest::newRow("no pixels") << QByteArray("VELTRGB32 0 0\n") << QSize();
        QTest::newRow("negative") << QByteArray("VELTRGB32 -2 -1\n") + QByteArray(8, 0) << QSize();
        QTest::newRow("not numbers")
                << QByteArray("VELTRGB32 2x 1\n") + QByteArray(8, 0) << QSize();
        QTest::newRow("other magic") << QByteArray("VELTRGB16 2 1\n") + QByteArray(8, 0) << QSize();
        QTest::newRow("no header end") << QByteArray("VELTRGB32 2 1") << QSize();
        QTest::newRow("header too long")
                << QByteArray("VELTRGB32 2 1") + QByteArray(80, ' ') + "\n" + QByteArray(8, 0)
                << QSize();
        QTest::newRow("past the budget") << QByteArray("VELTRGB32 8192 8192\n") << QSize();
        QTest::newRow("past the side") << QByteArray("VELTRGB32 9000 1\n") << QSize();
        // Sizes whose product wraps in 32 bits.
        QTest::newRow("wrapping") << QByteArray("VELTRGB32 65536 65536\n") << QSize();
        QTest::newRow("empty") << QByteArray() << QSize();
    }

    void rasterHandOver()
    {
        QFETCH(QByteArray, output);
        QFETCH(QSize, size);
        const std::optional<QImage> image = parseRasterOutput(output);
        QCOMPARE(image.has_value(), size.isValid());
        if (image) {
            QCOMPARE(image->size(), size);
            QCOMPARE(parseRasterOutput(rasterOutput(*image))->size(), size);
        }
    }

    void metafileScaledIntoBudget_data()
    {
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<QSize>("drawn"); // empty: refused
        QTest::newRow("within") << qint64(300) << qint64(200) << QSize(300, 200);
        QTest::newRow("at the side")
                << qint64(kMaxMetafileSide) << qint64(1) << QSize(kMaxMetafileSide, 1);
        QTest::newRow("too wide") << qint64(20000) << qint64(100) << QSize(8192, 40);
        QTest::newRow("too many pixels") << qint64(30000) << qint64(30000) << QSize(4096, 4096);
        QTest::newRow("a thread") << qint64(1) << (qint64(1) << 40) << QSize(1, 8192);
        QTest::newRow("nothing") << qint64(0) << qint64(10) << QSize();
        QTest::newRow("negative") << qint64(-5) << qint64(-5) << QSize();
    }

    void metafileScaledIntoBudget()
    {
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(QSize, drawn);
        const auto size = metafileSizeInBudget(width, height);
        QCOMPARE(size.has_value(), drawn.isValid());
        if (size) {
            QCOMPARE(QSize(int(size->first), int(size->second)), drawn);
            QVERIFY(metafileSizeWithinBudget(size->first, size->second));
        }
    }

    void svgLimits_data()
    {
        QTest::addColumn<QByteArray>("svg");
        QTest::addColumn<bool>("parsed");
        const QByteArray element = "<rect/>";
        QTest::newRow("small") << "<svg>" + element + "</svg>" << true;
        QTest::newRow("elements at the limit")
                << "<svg>" + element.repeated(int(kMaxSvgElements) - 1) + "</svg>" << true;
        QTest::newRow("one element too many")
                << "<svg>" + element.repeated(int(kMaxSvgElements)) + "</svg>" << false;
        // Closing tags, comments and declarations are not elements.
        QTest::newRow("not elements") << "<?xml?><!-- x --><svg>"
                        + QByteArray("</a>").repeated(int(kMaxSvgElements))
                        + "</svg>" << true;
        QTest::newRow("bytes at the limit") << QByteArray(qsizetype(kMaxSvgBytes), ' ') << true;
        QTest::newRow("a byte too many") << QByteArray(qsizetype(kMaxSvgBytes) + 1, ' ') << false;
    }

    void svgLimits()
    {
        QFETCH(QByteArray, svg);
        QFETCH(bool, parsed);
        QCOMPARE(svgWithinLimits(svg), parsed);
    }

    void missingHelper()
    {
        const QString path = m_dir->filePath(QStringLiteral("a.emf"));
        QVERIFY(picturefiles::writeFile(path, picturefiles::emf(50, 50)));
        QVERIFY(!loadPicture(path, MetafileHelper{m_dir->filePath("none"), 1000}).ok());
        QVERIFY(!loadPicture(path, MetafileHelper{QString(), 1000}).ok());
    }

    void checkCommand()
    {
        const QByteArray jpeg = encoded(pattern({40, 30}), "JPG");
        const QString good = m_dir->filePath(QStringLiteral("good one.jpg"));
        const QString cut = m_dir->filePath(QStringLiteral("cut.jpg"));
        const QString text = m_dir->filePath(QStringLiteral("text.gif"));
        const QString meta = m_dir->filePath(QStringLiteral("m.wmf"));
        QVERIFY(picturefiles::writeFile(good, jpeg));
        QVERIFY(picturefiles::writeFile(cut, jpeg.left(100)));
        QVERIFY(picturefiles::writeFile(text, QByteArray("hello")));
        QVERIFY(picturefiles::writeFile(meta, picturefiles::wmf(1440, 720, 1440)));
        const QString missing = m_dir->filePath(QStringLiteral("missing.bmp"));

        QString output;
        QTextStream out(&output);
        QCOMPARE(runCheckCommand({good, meta}, out), 0);
        QCOMPARE(runCheckCommand({good, cut, text, missing}, out), 1);
        const QStringList expected{
                QStringLiteral("ok\t40x30\t") + good,
                QStringLiteral("ok\t96x48\t") + meta,
                QStringLiteral("ok\t40x30\t") + good,
                QStringLiteral(
                        "bad\t<Jpegフォーマット> 画像データが不正ですので読み込みを中止します。\t")
                        + cut,
                // First byte "h": no test fires, the loader refuses.
                QStringLiteral(
                        "bad\t<不明フォーマット> 画像データが不正ですので読み込みを中止します。\t")
                        + text,
                QStringLiteral(
                        "bad\t<不明フォーマット> 画像データが不正ですので読み込みを中止します。\t")
                        + missing,
        };
        QCOMPARE(output.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    }

private:
    std::unique_ptr<hostilenames::TemporaryDir> m_dir;
};

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

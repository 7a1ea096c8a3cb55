#include "picture/imagecheck.h"

#include "picture/picturefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using namespace velt;

namespace {

const QString kGifHeadline =
        QStringLiteral("<Gifフォーマット> 画像データが不正ですので読み込みを中止します。");
const QString kJpegHeadline =
        QStringLiteral("<Jpegフォーマット> 画像データが不正ですので読み込みを中止します。");
const QString kBmpHeadline =
        QStringLiteral("<Bmpフォーマット> 画像データが不正ですので読み込みを中止します。");
const QString kUnknownHeadline =
        QStringLiteral("<不明フォーマット> 画像データが不正ですので読み込みを中止します。");

// An ISO box: its size, its type, its payload.
QByteArray box(const char *type, const QByteArray &payload)
{
    QByteArray b(4, '\0');
    const quint32 size = quint32(8 + payload.size());
    for (int i = 0; i < 4; ++i)
        b[i] = char(size >> (24 - 8 * i));
    return b + type + payload;
}

QByteArray ftyp(const char *major, const QByteArray &compatible)
{
    return box("ftyp", QByteArray(major) + QByteArray(4, '\0') + compatible);
}

const QByteArray kJxlSignature("\0\0\0\x0cJXL \r\n\x87\n", 12);

QByteArray jxlPart(quint32 index, const QByteArray &codestream)
{
    QByteArray i(4, '\0');
    for (int k = 0; k < 4; ++k)
        i[k] = char(index >> (24 - 8 * k));
    return box("jxlp", i + codestream);
}

} // namespace

class TestImageCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void bytesDecide_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<CheckResult>("expected");

        const QByteArray jpeg = picturefiles::encoded(picturefiles::pattern({40, 30}), "JPG");
        const QByteArray gif = picturefiles::gif({8, 6});
        const QByteArray bmp = picturefiles::encoded(picturefiles::pattern({8, 6}), "BMP");
        const QByteArray png = picturefiles::encoded(picturefiles::pattern({8, 6}), "PNG");

        QTest::newRow("whole gif") << gif << CheckResult::Passes;
        QTest::newRow("gif cut before trailer") << gif.chopped(1) << CheckResult::GifDamaged;
        QTest::newRow("gif cut in the middle")
                << gif.left(gif.size() / 2) << CheckResult::GifDamaged;
        QTest::newRow("G without signature, ends ;") << QByteArray("Gxx;") << CheckResult::Passes;
        QTest::newRow("whole jpeg") << jpeg << CheckResult::Passes;
        QTest::newRow("jpeg cut in the middle")
                << jpeg.left(jpeg.size() / 2) << CheckResult::JpegDamaged;
        QTest::newRow("jpeg ends D9 without FF before it")
                << jpeg.chopped(2) + QByteArray("\x00\xD9", 2) << CheckResult::Passes;
        QTest::newRow("whole bmp") << bmp << CheckResult::Passes;
        QTest::newRow("BM then anything") << QByteArray("BM garbage") << CheckResult::Passes;
        QTest::newRow("BA") << QByteArray("BA") + bmp.mid(2) << CheckResult::BmpDamaged;
        QTest::newRow("cut bmp passes") << bmp.left(20) << CheckResult::Passes;
        QTest::newRow("png") << png << CheckResult::Passes;
        QTest::newRow("one byte G") << QByteArray("G") << CheckResult::GifDamaged;
        QTest::newRow("one byte FF") << QByteArray("\xFF") << CheckResult::JpegDamaged;
        QTest::newRow("one byte B") << QByteArray("B") << CheckResult::BmpDamaged;
        QTest::newRow("one byte ;") << QByteArray(";") << CheckResult::Passes;
        QTest::newRow("two bytes BM") << QByteArray("BM") << CheckResult::Passes;
        QTest::newRow("G ending FF D9 is a gif")
                << QByteArray("G\xFF\xD9") << CheckResult::GifDamaged;
        QTest::newRow("empty") << QByteArray() << CheckResult::Unreadable;
    }

    void bytesDecide()
    {
        QFETCH(QByteArray, content);
        QFETCH(CheckResult, expected);
        // The name says JPEG for all of them: only the content counts.
        const QString path = m_dir->filePath(QStringLiteral("picture.jpg"));
        QVERIFY(picturefiles::writeFile(path, content));
        const CheckOutcome outcome = checkImageFile(path);
        QCOMPARE(outcome.result, expected);
        QCOMPARE(outcome.modified.has_value(), expected != CheckResult::Unreadable);
        const std::optional<bool> thumb = PictureCheck(path);
        QCOMPARE(thumb.has_value(), expected != CheckResult::Unreadable);
        if (thumb)
            QCOMPARE(*thumb, expected == CheckResult::Passes);
    }

    // Pictures whose boxes tell their end, whatever their name.
    void structureDecides_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<CheckResult>("expected");
        const QByteArray meta = box("meta", QByteArray(40, 'm'));
        const QByteArray mdat = box("mdat", QByteArray(300, 'd'));
        const QByteArray avif = ftyp("avif", "mif1miafMA1B") + meta + mdat;
        const QByteArray heic = ftyp("heic", "mif1heic") + meta + mdat;
        QTest::newRow("avif whole") << avif << CheckResult::Passes;
        QTest::newRow("avif mdat cut") << avif.chopped(1) << CheckResult::AvifDamaged;
        QTest::newRow("avif cut inside a box header")
                << avif.left(avif.size() - mdat.size() + 4) << CheckResult::AvifDamaged;
        QTest::newRow("avif with a byte too many") << avif + 'x' << CheckResult::AvifDamaged;
        QTest::newRow("avif as a compatible brand")
                << ftyp("mif1", "miafavif") + meta + mdat.chopped(9) << CheckResult::AvifDamaged;
        QTest::newRow("avif sequence cut")
                << ftyp("avis", "msf1") + mdat.chopped(9) << CheckResult::AvifDamaged;
        QTest::newRow("avif whose mdat runs to the end")
                << ftyp("avif", "mif1") + meta + QByteArray("\0\0\0\0mdat", 8) + "xyz"
                << CheckResult::Passes;
        QTest::newRow("avif claiming a 4 GB box")
                << ftyp("avif", "mif1") + QByteArray("\0\0\0\x01mdat\0\0\0\x01\0\0\0\0", 16)
                << CheckResult::AvifDamaged;
        QTest::newRow("heic whole") << heic << CheckResult::Passes;
        QTest::newRow("heic cut") << heic.left(heic.size() / 2) << CheckResult::HeifDamaged;
        QTest::newRow("heif by mif1 alone cut")
                << ftyp("mif1", "") + meta.chopped(3) << CheckResult::HeifDamaged;
        // Not a picture of these formats: the check's old rules only.
        QTest::newRow("mp4 cut passes")
                << ftyp("isom", "mp41") + mdat.chopped(9) << CheckResult::Passes;
        QTest::newRow("zero bytes that are no box") << QByteArray(20, '\0') << CheckResult::Passes;

        const QByteArray jxlc = box("jxlc", QByteArray("\xff\x0a", 2) + QByteArray(50, 'c'));
        const QByteArray jxl = kJxlSignature + box("ftyp", "jxl \0\0\0\0jxl ") + jxlc;
        QTest::newRow("jxl container whole") << jxl << CheckResult::Passes;
        QTest::newRow("jxl container cut") << jxl.chopped(1) << CheckResult::JxlDamaged;
        const QByteArray parts = kJxlSignature + box("ftyp", "jxl \0\0\0\0jxl ")
                + jxlPart(0, "\xff\x0a" + QByteArray(20, 'a'));
        QTest::newRow("jxl parts with the last")
                << parts + jxlPart(0x80000001u, QByteArray(20, 'b')) << CheckResult::Passes;
        QTest::newRow("jxl parts without the last") << parts << CheckResult::JxlDamaged;
        QTest::newRow("jxl codestream is no jpeg")
                << QByteArray("\xff\x0a\xfa\x10", 4) << CheckResult::Passes;
    }

    void structureDecides()
    {
        QFETCH(QByteArray, content);
        QFETCH(CheckResult, expected);
        const QString path = m_dir->filePath(QStringLiteral("picture.jpg"));
        QVERIFY(picturefiles::writeFile(path, content));
        QCOMPARE(checkImageFile(path).result, expected);
        QCOMPARE(PictureCheck(path), std::optional<bool>(expected == CheckResult::Passes));
        if (expected != CheckResult::Passes)
            QVERIFY(checkReportHeadline(expected).startsWith(
                    expected == CheckResult::AvifDamaged           ? QStringLiteral("<Avif")
                            : expected == CheckResult::HeifDamaged ? QStringLiteral("<Heif")
                                                                   : QStringLiteral("<Jxl")));
    }

    void notReadable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("empty path") << "empty path";
    }

    void notReadable()
    {
        QFETCH(QString, kind);
        QString path = m_dir->filePath(kind);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(m_dir->path()).mkdir(kind));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("empty path"))
            path.clear();
        const CheckOutcome outcome = checkImageFile(path);
        QCOMPARE(outcome.result, CheckResult::Unreadable);
        QVERIFY(!outcome.modified);
        QVERIFY(!PictureCheck(path).has_value());
    }

    void unreadablePermission()
    {
        const QString path = m_dir->filePath(QStringLiteral("locked.gif"));
        QVERIFY(picturefiles::writeFile(path, picturefiles::gif({2, 2})));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("running with rights that read any file");
        QCOMPARE(checkImageFile(path).result, CheckResult::Unreadable);
        QVERIFY(!PictureCheck(path).has_value());
    }

    void fileIsLeftAlone()
    {
        const QString path = m_dir->filePath(QStringLiteral("cut.gif"));
        const QByteArray content = picturefiles::gif({4, 4}).chopped(3);
        QVERIFY(picturefiles::writeFile(path, content));
        const QDateTime before = QFileInfo(path).lastModified();
        QCOMPARE(checkImageFile(path).result, CheckResult::GifDamaged);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QCOMPARE(QFileInfo(path).lastModified(), before);
    }

    void modifiedTimeIsTheFiles()
    {
        const QString path = m_dir->filePath(QStringLiteral("old.jpg"));
        QVERIFY(picturefiles::writeFile(path, QByteArray("\xFF\x00", 2)));
        const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
        file.close();
        const CheckOutcome outcome = checkImageFile(path);
        QCOMPARE(outcome.result, CheckResult::JpegDamaged);
        QVERIFY(outcome.modified);
        QCOMPARE(checkReportTimeText(*outcome.modified), QStringLiteral("2001/02/03  04:05:06"));
    }

    void report_data()
    {
        QTest::addColumn<CheckResult>("result");
        QTest::addColumn<QString>("headline");
        QTest::newRow("gif") << CheckResult::GifDamaged << kGifHeadline;
        QTest::newRow("jpeg") << CheckResult::JpegDamaged << kJpegHeadline;
        QTest::newRow("bmp") << CheckResult::BmpDamaged << kBmpHeadline;
        QTest::newRow("unreadable") << CheckResult::Unreadable << kUnknownHeadline;
    }

    void report()
    {
        QFETCH(CheckResult, result);
        QFETCH(QString, headline);
        const QString fn = QStringLiteral("/tmp/キャッシュ/a b.jpg");
        const QDateTime time(QDate(1999, 12, 31), QTime(23, 5, 9));
        const QStringList lines = checkReportText(result, fn, time).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], headline);
        QCOMPARE(lines[1],
                 QStringLiteral("この画像データをロード中に、他のサイトに移動したか中止したと思われ"
                                "ます。"));
        QCOMPARE(lines[2], QString(59, QLatin1Char('-')));
        QCOMPARE(lines[3], QStringLiteral("ファイル名  /tmp/キャッシュ/a b.jpg"));
        QCOMPARE(lines[4], QStringLiteral("日時\u3000\u3000\u3000  1999/12/31  23:05:09"));
        QCOMPARE(checkReportHeadline(result), headline);
    }

    void reportWithoutTime()
    {
        const QString text = checkReportText(CheckResult::Unreadable, QStringLiteral("x"), {});
        QVERIFY(text.endsWith(QStringLiteral("\r\n日時\u3000\u3000\u3000  ")));
        QCOMPARE(text.count(QStringLiteral("\r\n")), 4);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestImageCheck)
#include "tst_imagecheck.moc"

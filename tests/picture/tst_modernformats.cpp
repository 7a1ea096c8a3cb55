#include "picture/imagecheck.h"
#include "picture/pictureloader.h"
#include "platform/programfiles.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

// The test pictures are made here with the codecs' own encoders (test tools).
struct Encoder
{
    QString tool;
    QStringList arguments; // %in and %out are replaced
};

Encoder encoderFor(const QString &kind, bool deep)
{
    if (kind == QLatin1String("avif"))
        return {QStringLiteral("avifenc"),
                {QStringLiteral("-d"), deep ? QStringLiteral("10") : QStringLiteral("8"),
                 QStringLiteral("%in"), QStringLiteral("%out")}};
    if (kind == QLatin1String("heic"))
        return {QStringLiteral("heif-enc"),
                {QStringLiteral("-b"), deep ? QStringLiteral("10") : QStringLiteral("8"),
                 QStringLiteral("-q"), QStringLiteral("95"), QStringLiteral("-o"),
                 QStringLiteral("%out"), QStringLiteral("%in")}};
    return {QStringLiteral("cjxl"), {QStringLiteral("%in"), QStringLiteral("%out")}};
}

bool runQuietly(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
}

const QColor kColour(200, 60, 30);

// A one-colour PNG (16 bits a channel for a deep picture), encoded into kind; empty when the
// encoder is missing or fails.
QString makePicture(const QTemporaryDir &dir, const QString &kind, QSize size, bool alpha,
                    bool deep)
{
    const Encoder encoder = encoderFor(kind, deep);
    const QString tool = QStandardPaths::findExecutable(encoder.tool);
    if (tool.isEmpty())
        return QString();
    const QImage::Format format = deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                       : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QImage source(size, format);
    QColor fill = kColour;
    fill.setAlpha(alpha ? 128 : 255);
    source.fill(fill);
    const QString stem = QStringLiteral("%1_%2x%3_%4%5")
                                 .arg(kind)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(alpha ? 'a' : 'o')
                                 .arg(deep ? 16 : 8);
    const QString in = dir.filePath(stem + QStringLiteral(".png"));
    const QString out = dir.filePath(stem + QLatin1Char('.') + kind);
    if (!source.save(in, "PNG"))
        return QString();
    QStringList arguments = encoder.arguments;
    arguments.replaceInStrings(QStringLiteral("%in"), in);
    arguments.replaceInStrings(QStringLiteral("%out"), out);
    return runQuietly(tool, arguments) && QFile::exists(out) ? out : QString();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// The width and height of every ISOBMFF 'ispe' box set to another value.
QByteArray withIspe(QByteArray bytes, quint32 width, quint32 height)
{
    qsizetype at = bytes.indexOf("ispe");
    if (at < 0)
        return QByteArray();
    for (; at >= 0 && at + 16 <= bytes.size(); at = bytes.indexOf("ispe", at + 4)) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + 8 + i] = char(width >> (24 - 8 * i));
            bytes[at + 12 + i] = char(height >> (24 - 8 * i));
        }
    }
    return bytes;
}

// A JPEG XL codestream that declares a size and then ends: the signature, the size header
// (not the small form, each side as U32 selector 2 with 18 bits), all-default metadata.
QByteArray jxlDeclaring(quint32 width, quint32 height)
{
    QByteArray out("\xff\x0a", 2);
    quint64 bits = 0;
    int count = 0;
    const auto put = [&](quint64 value, int n) {
        bits |= value << count;
        count += n;
    };
    put(0, 1); // not small
    put(2, 2); // height: 18 bits
    put(height - 1, 18);
    put(0, 3); // no ratio: the width follows
    put(2, 2); // width: 18 bits
    put(width - 1, 18);
    put(1, 1); // metadata all default
    for (int i = 0; i < count; i += 8)
        out.append(char((bits >> i) & 0xff));
    return out + QByteArray(16, '\0');
}

} // namespace

class TestModernFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The test runs beside velt in the build tree: the plugin is found as velt finds it.
        addPictureFormatFolders();
        QVERIFY(m_dir.isValid());
    }

    void decodes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<bool>("deep");
        for (const char *kind : {"avif", "heic", "jxl"}) {
            const QString k = QString::fromLatin1(kind);
            QTest::addRow("%s 8-bit opaque odd size", kind) << k << QSize(33, 17) << false << false;
            QTest::addRow("%s 8-bit alpha", kind) << k << QSize(16, 16) << true << false;
            QTest::addRow("%s deep opaque", kind) << k << QSize(31, 9) << false << true;
            QTest::addRow("%s deep alpha", kind) << k << QSize(7, 5) << true << true;
            QTest::addRow("%s one pixel", kind) << k << QSize(1, 1) << false << false;
        }
    }

    void decodes()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(bool, alpha);
        QFETCH(bool, deep);
        const QString path = makePicture(m_dir, kind, size, alpha, deep);
        if (path.isEmpty())
            QSKIP("the encoder is missing or cannot write this picture");
        QImageReader reader(path);
        QCOMPARE(reader.size(), size); // from the header, before decoding
        const LoadedPicture picture = loadPicture(path);
        QVERIFY2(picture.ok(), qPrintable(picture.error));
        QCOMPARE(picture.image.size(), size);
        QCOMPARE(picture.image.hasAlphaChannel(), alpha);
        // Lossy codecs: the colour within a few steps, the alpha likewise.
        const QColor got = picture.image.pixelColor(size.width() / 2, size.height() / 2);
        const int tolerance = 12;
        QVERIFY2(qAbs(got.red() - kColour.red()) <= tolerance
                         && qAbs(got.green() - kColour.green()) <= tolerance
                         && qAbs(got.blue() - kColour.blue()) <= tolerance,
                 qPrintable(got.name()));
        QVERIFY2(qAbs(got.alpha() - (alpha ? 128 : 255)) <= 8,
                 qPrintable(got.name(QColor::HexArgb)));
        // The thumbnail path reads the same files at cell size.
        const LoadedPicture thumb = loadThumbnail(path, QSize(4, 3), MetafileHelper());
        QVERIFY(thumb.ok());
        QCOMPARE(thumb.image.size(), QSize(4, 3));
    }

    void refusesDamaged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("damage");
        for (const char *kind : {"avif", "heic", "jxl"}) {
            const QString k = QString::fromLatin1(kind);
            QTest::addRow("%s cut in half", kind) << k << QStringLiteral("half");
            QTest::addRow("%s cut to its first 40 bytes", kind) << k << QStringLiteral("head");
            QTest::addRow("%s last byte missing", kind) << k << QStringLiteral("last");
        }
        for (const char *kind : {"avif", "heic"}) {
            const QString k = QString::fromLatin1(kind);
            QTest::addRow("%s declares 65535 x 65535", kind) << k << QStringLiteral("huge");
            QTest::addRow("%s declares 0 x 0", kind) << k << QStringLiteral("zero");
            QTest::addRow("%s declares 40000 x 20000", kind) << k << QStringLiteral("large");
            QTest::addRow("%s without its size box", kind) << k << QStringLiteral("noispe");
        }
    }

    void refusesDamaged()
    {
        QFETCH(QString, kind);
        QFETCH(QString, damage);
        const QString path = makePicture(m_dir, kind, QSize(64, 48), false, false);
        if (path.isEmpty())
            QSKIP("the encoder is missing");
        QByteArray bytes = readAll(path);
        if (damage == QLatin1String("half"))
            bytes.truncate(bytes.size() / 2);
        else if (damage == QLatin1String("head"))
            bytes.truncate(40);
        else if (damage == QLatin1String("last"))
            bytes.chop(1);
        else if (damage == QLatin1String("huge"))
            bytes = withIspe(bytes, 65535, 65535);
        else if (damage == QLatin1String("zero"))
            bytes = withIspe(bytes, 0, 0);
        else if (damage == QLatin1String("noispe"))
            bytes.replace("ispe", "ispf");
        else
            bytes = withIspe(bytes, 40000, 20000);
        QVERIFY(!bytes.isEmpty());
        const QString damaged = writeFile(m_dir, damage + QLatin1Char('.') + kind, bytes);
        QVERIFY(!damaged.isEmpty());
        QVERIFY(!loadPicture(damaged).ok());
        QVERIFY(!loadThumbnail(damaged, QSize(8, 8), MetafileHelper()).ok());
    }

    void animationAndBombs_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QSize>("declared"); // what the header gives; empty: refused there
        QTest::addColumn<bool>("shown");
        QTest::newRow("animated avif: its first frame") << "animated" << QSize(20, 10) << true;
        QTest::newRow("jxl codestream declaring 100 x 100, no pixels")
                << "jxl100" << QSize(100, 100) << false;
        QTest::newRow("jxl codestream declaring 65535 x 65535") << "jxl65535" << QSize() << false;
        QTest::newRow("jxl codestream declaring 20000 x 20000") << "jxl20000" << QSize() << false;
        QTest::newRow("avif brand and nothing else") << "ftyponly" << QSize() << false;
    }

    void animationAndBombs()
    {
        QFETCH(QString, sample);
        QFETCH(QSize, declared);
        QFETCH(bool, shown);
        const QSize size(20, 10);
        QString path;
        if (sample == QLatin1String("animated")) {
            const QString avifenc = QStandardPaths::findExecutable(QStringLiteral("avifenc"));
            if (avifenc.isEmpty())
                QSKIP("avifenc is missing");
            QStringList frames;
            for (const Qt::GlobalColor colour : {Qt::red, Qt::blue}) {
                QImage frame(size, QImage::Format_RGB32);
                frame.fill(colour);
                frames << m_dir.filePath(QStringLiteral("frame%1.png").arg(frames.size()));
                QVERIFY(frame.save(frames.last(), "PNG"));
            }
            path = m_dir.filePath(QStringLiteral("animated.avif"));
            QVERIFY(runQuietly(avifenc,
                               QStringList{QStringLiteral("-s"), QStringLiteral("10")} + frames
                                       + QStringList{path}));
        } else if (sample.startsWith(QLatin1String("jxl"))) {
            const quint32 side = sample.mid(3).toUInt();
            path = writeFile(m_dir, sample + QStringLiteral(".jxl"), jxlDeclaring(side, side));
        } else {
            path = writeFile(m_dir, sample + QStringLiteral(".avif"),
                             QByteArray("\0\0\0\x14"
                                        "ftypavif\0\0\0\0mif1",
                                        20));
        }
        QVERIFY(!path.isEmpty());
        QCOMPARE(QImageReader(path).size(), declared);
        const LoadedPicture picture = loadPicture(path);
        QCOMPARE(picture.ok(), shown);
        if (!shown)
            return;
        QVERIFY2(picture.ok(), qPrintable(picture.error));
        QCOMPARE(picture.image.size(), size);
        QCOMPARE(picture.image.pixelColor(5, 5).red() > 200, true);
        QCOMPARE(picture.image.pixelColor(5, 5).blue() < 50, true);
    }

    // The rotation and mirroring boxes of AVIF are applied: a blue corner of a red 30 x 10
    // picture ends where they put it.
    void orientation_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("blue"); // a pixel that must be blue; the opposite corner red
        QTest::newRow("as stored") << QStringList{} << QSize(30, 10) << QPoint(1, 1);
        QTest::newRow("a quarter turn anti-clockwise")
                << QStringList{"--irot", "1"} << QSize(10, 30) << QPoint(1, 28);
        QTest::newRow("half a turn")
                << QStringList{"--irot", "2"} << QSize(30, 10) << QPoint(28, 8);
        QTest::newRow("three quarter turns")
                << QStringList{"--irot", "3"} << QSize(10, 30) << QPoint(8, 1);
        QTest::newRow("left and right exchanged")
                << QStringList{"--imir", "1"} << QSize(30, 10) << QPoint(28, 1);
        QTest::newRow("top and bottom exchanged")
                << QStringList{"--imir", "0"} << QSize(30, 10) << QPoint(1, 8);
        QTest::newRow("turned, then mirrored")
                << QStringList{"--irot", "1", "--imir", "1"} << QSize(10, 30) << QPoint(8, 28);
    }

    void orientation()
    {
        QFETCH(QStringList, options);
        QFETCH(QSize, size);
        QFETCH(QPoint, blue);
        const QString avifenc = QStandardPaths::findExecutable(QStringLiteral("avifenc"));
        if (avifenc.isEmpty())
            QSKIP("avifenc is missing");
        QImage source(QSize(30, 10), QImage::Format_RGB32);
        source.fill(Qt::red);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                source.setPixel(x, y, qRgb(0, 0, 255));
        const QString png = m_dir.filePath(QStringLiteral("corner.png"));
        const QString avif = m_dir.filePath(QStringLiteral("corner.avif"));
        QVERIFY(source.save(png, "PNG"));
        QVERIFY(runQuietly(avifenc, QStringList{"-s", "10"} + options + QStringList{png, avif}));
        QCOMPARE(QImageReader(avif).size(), size);
        const LoadedPicture picture = loadPicture(avif);
        QVERIFY2(picture.ok(), qPrintable(picture.error));
        QCOMPARE(picture.image.size(), size);
        const QPoint opposite(size.width() - 1 - blue.x(), size.height() - 1 - blue.y());
        QVERIFY(picture.image.pixelColor(blue).blue() > 200);
        QVERIFY(picture.image.pixelColor(opposite).red() > 200);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestModernFormats)
#include "tst_modernformats.moc"

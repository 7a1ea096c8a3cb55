#include "app/demomedia.h"
#include "cache/demo.h"
#include "cache/locate.h"
#include "cache/regfile.h"
#include "cache/winpath.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <set>

using namespace velt;

namespace {

quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 u16At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Relative path -> file, for every regular file under root.
QMap<QString, QFileInfo> filesUnder(const QString &root)
{
    QMap<QString, QFileInfo> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files.insert(QDir(root).relativeFilePath(info.filePath()), info);
    }
    return files;
}

// The three byte tests of the picture check: which damage, if any, the file shows.
QString damage(const QByteArray &b)
{
    if (b.isEmpty())
        return QStringLiteral("empty");
    const quint8 first = quint8(b.front());
    const quint8 last = quint8(b.back());
    if (first == 0x47 && last != 0x3B)
        return QStringLiteral("gif");
    if (first == 0xFF && last != 0xD9)
        return QStringLiteral("jpeg");
    if (first == 0x42 && b.size() > 1 && quint8(b[1]) != 0x4D)
        return QStringLiteral("bmp");
    return QString();
}

QString regString(const RegFileStore &store, std::uint32_t root, const char *key, const char *name)
{
    const auto v = store.value(root, key, name);
    if (!v || v->type != kREG_SZ)
        return QStringLiteral("<missing>");
    return QString::fromLatin1(reinterpret_cast<const char *>(v->data.data()));
}

QImage noise(QSize size, int colours, bool withTransparency)
{
    QRandomGenerator rng(7);
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int c = int(rng.bounded(colours));
            const bool hole = withTransparency && c == 0;
            image.setPixel(x, y, hole ? qRgba(0, 0, 0, 0) : qRgb(c * 3 % 256, c * 7 % 256, c));
        }
    return image;
}

QImage gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(250, 20, 20));
    g.setColorAt(0.5, QColor(20, 250, 120));
    g.setColorAt(1, QColor(20, 20, 250));
    p.fillRect(image.rect(), g);
    return image;
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void treeHasEveryKind();
    void ieCacheHasFourFoldersAndADuplicate();
    void damagedDownloadsAreDamaged();
    void prefsLineFollowsTheRule();
    void registryNamesTheTree();
    void timesSpreadAndNoneInTheFuture();
    void everyRunWritesTheSameFiles();
    void unwritableFolderIsReported();

    void gifDecodesToTheSamePicture_data();
    void gifDecodesToTheSamePicture();
    void gifOfNothingIsEmpty();
    void wavHeader_data();
    void wavHeader();
    void aviStructure_data();
    void aviStructure();
    void wmfStructure();
    void emfStructure();

private:
    QTemporaryDir m_dir;
    DemoRoot m_demo;
    QMap<QString, QFileInfo> m_files;
    QString m_ie;
    DriveMap m_drives; // C: -> the demo root
};

void TestDemo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    const auto demo = buildDemoRoot(m_dir.filePath(QStringLiteral("c")), &error);
    QVERIFY2(demo, qPrintable(error));
    m_demo = *demo;
    m_files = filesUnder(m_demo.root);
    m_ie = m_demo.windowsDir + QStringLiteral("/Temporary Internet Files/Content.IE5");
    m_drives.set(QLatin1Char('C'), m_demo.root);
}

void TestDemo::treeHasEveryKind()
{
    QMap<QString, int> kinds;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        ++kinds[it.value().suffix().toUpper()];
    for (const char *kind :
         {"JPG", "BMP", "ICO", "GIF", "WMF", "EMF", "JPE", "WAV", "AVI", "HTM", "DAT", "JS"})
        QVERIFY2(kinds.value(QLatin1String(kind)) > 0, kind);
    QVERIFY(kinds.value(QStringLiteral("GIF")) >= 4); // the advertisements
    QVERIFY(QFileInfo(m_demo.registryFile).isFile());
    QVERIFY(QFileInfo(m_demo.root + QStringLiteral("/Program Files/Netscape/Communicator/Program"))
                    .isDir());
    QVERIFY(QFileInfo(m_ie + QStringLiteral("/index.dat")).isFile());
}

void TestDemo::ieCacheHasFourFoldersAndADuplicate()
{
    const QStringList folders = QDir(m_ie).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 4);
    QMap<QString, int> names;
    for (const QString &folder : folders) {
        QCOMPARE(folder.size(), 8);
        const QStringList files = QDir(m_ie + QLatin1Char('/') + folder).entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString &name : files)
            ++names[name];
    }
    QVERIFY(std::any_of(names.cbegin(), names.cend(), [](int n) { return n > 1; }));
}

void TestDemo::damagedDownloadsAreDamaged()
{
    QMap<QString, int> found;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const QString suffix = it.value().suffix().toUpper();
        if (!QStringList{"JPG", "JPE", "BMP", "GIF", "ICO"}.contains(suffix))
            continue;
        const QByteArray bytes = readAll(it.value().filePath());
        const QString kind = damage(bytes);
        if (!kind.isEmpty()) {
            ++found[kind];
            continue;
        }
        // Every picture without damage must really be readable.
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        QVERIFY2(!reader.read().isNull(),
                 qPrintable(it.key() + QLatin1Char(' ') + reader.errorString()));
    }
    QCOMPARE(found.value(QStringLiteral("gif")), 1);
    QCOMPARE(found.value(QStringLiteral("jpeg")), 1);
    QCOMPARE(found.value(QStringLiteral("bmp")), 1);
    QCOMPARE(found.value(QStringLiteral("empty")), 0);
}

void TestDemo::prefsLineFollowsTheRule()
{
    const QString prefs =
            m_demo.root + QStringLiteral("/Program Files/Netscape/Users/demo/prefs.js");
    QFile f(prefs);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QString cache;
    int matches = 0;
    while (!f.atEnd()) {
        const QString line = QString::fromLatin1(f.readLine()).remove(QLatin1Char('\n'));
        if (line.mid(19, 5) == QLatin1String("cache") && line.size() >= 41) {
            cache = line.mid(38, line.size() - 41);
            ++matches;
        }
    }
    QVERIFY(matches >= 2); // a cache line before the folder line, which must still win
    QCOMPARE(cache, QStringLiteral("C:\\\\Program Files\\\\Netscape\\\\Users\\\\demo\\\\Cache"));
    const QDir folder(hostPath(cache, m_drives));
    QVERIFY(folder.exists());
    QVERIFY(folder.entryList({"*.JPG", "*.GIF", "*.BMP"}, QDir::Files).size() >= 3);
}

void TestDemo::registryNamesTheTree()
{
    RegFileStore store;
    const QStringList problems = loadRegFile(m_demo.registryFile, store);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(regString(store, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                       "SystemRoot"),
             QStringLiteral("C:\\WINDOWS"));
    // The Netscape profile is found beside the install folder, once its last 12 characters go.
    const QString install =
            regString(store, kHKEY_CURRENT_USER, "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN",
                      "Install Directory");
    QVERIFY(install.endsWith(QLatin1String("\\Communicator")));

    MdlVELT state;
    Settings settings;
    CacheLocation location;
    QVERIFY(locateCaches(store, m_drives, state, settings, location));
    QCOMPARE(QFileInfo(state.SysRoot).canonicalFilePath(),
             QFileInfo(m_demo.windowsDir).canonicalFilePath());
    QCOMPARE(QFileInfo(location.ICPath).canonicalFilePath(), QFileInfo(m_ie).canonicalFilePath());
    QVERIFY(location.NsFound);
    QCOMPARE(location.NsUser, QStringLiteral("demo"));
    QVERIFY2(QFileInfo(location.NsPrefs).isFile(), qPrintable(location.NsPrefs));
    const QString cache = NsCacheFromPrefs(location.NsPrefs, location.NsCache);
    QVERIFY2(QFileInfo(hostPath(cache, m_drives)).isDir(), qPrintable(cache));
}

void TestDemo::timesSpreadAndNoneInTheFuture()
{
    const QDateTime now = QDateTime::currentDateTime();
    std::set<QDate> days;
    std::set<int> hours;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const QDateTime t = it.value().lastModified();
        QVERIFY2(t <= now, qPrintable(it.key()));
        days.insert(t.date());
        hours.insert(t.time().hour());
    }
    QVERIFY(days.size() >= 4);
    QVERIFY(hours.size() >= 8);
}

void TestDemo::everyRunWritesTheSameFiles()
{
    const auto again = buildDemoRoot(m_dir.filePath(QStringLiteral("again")));
    QVERIFY(again);
    const auto files = filesUnder(again->root);
    QCOMPARE(files.keys(), m_files.keys());
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        QVERIFY2(readAll(it.value().filePath()) == readAll(m_files.value(it.key()).filePath()),
                 qPrintable(it.key()));
}

void TestDemo::unwritableFolderIsReported()
{
    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QString error;
    QVERIFY(!buildDemoRoot(blocker + QStringLiteral("/demo"), &error));
    QVERIFY(!error.isEmpty());
}

void TestDemo::gifDecodesToTheSamePicture_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("tolerance"); // per channel; 0 when every colour fits the palette
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(QColor(10, 20, 30));
    QImage twoColours(33, 17, QImage::Format_RGB32);
    twoColours.fill(Qt::white);
    for (int x = 0; x < 33; x += 2)
        twoColours.setPixel(x, x % 17, qRgb(200, 0, 0));
    QTest::newRow("one pixel") << dot << 0;
    QTest::newRow("two colours") << twoColours << 0;
    QTest::newRow("255 colours of noise, many table resets") << noise({300, 200}, 255, false) << 0;
    QTest::newRow("16 colours with holes") << noise({64, 48}, 16, true) << 0;
    QTest::newRow("one long row") << noise({4000, 1}, 4, false) << 0;
    QImage plain(800, 600, QImage::Format_RGB32);
    plain.fill(QColor(0, 128, 255));
    QTest::newRow("plain area, long runs") << plain << 0;
    QTest::newRow("gradient, reduced to the cube") << gradient({320, 240}) << 26;
}

void TestDemo::gifDecodesToTheSamePicture()
{
    QFETCH(QImage, image);
    QFETCH(int, tolerance);
    const QByteArray gif = gifImage(image);
    QCOMPARE(gif.back(), ';');
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    const QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(decoded.size(), image.size());
    const QImage original = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = original.pixel(x, y);
            const QRgb b = decoded.pixel(x, y);
            if (qAlpha(a) < 128) {
                QCOMPARE(qAlpha(b), 0);
                continue;
            }
            const int worst =
                    std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
            if (worst > tolerance || qAlpha(b) != 255)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 became %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(a, 8, 16)
                                         .arg(b, 8, 16)));
        }
}

void TestDemo::gifOfNothingIsEmpty()
{
    QVERIFY(gifImage(QImage()).isEmpty());
}

void TestDemo::wavHeader_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<int>("rate");
    QTest::newRow("one second") << 1000 << 22050;
    QTest::newRow("short, CD rate") << 10 << 44100;
}

void TestDemo::wavHeader()
{
    QFETCH(int, milliseconds);
    QFETCH(int, rate);
    const QByteArray wav = wavSound(milliseconds, 440, rate);
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(qsizetype(u32At(wav, 4)), wav.size() - 8);
    QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(u16At(wav, 20), quint16(1)); // PCM
    QCOMPARE(u32At(wav, 24), quint32(rate));
    QCOMPARE(u16At(wav, 34), quint16(16));
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    const qsizetype samples = qsizetype(rate) * milliseconds / 1000;
    QCOMPARE(qsizetype(u32At(wav, 40)), samples * 2);
    QCOMPARE(wav.size(), 44 + samples * 2);
    // Not silent, and it fades in: the first sample is zero.
    QCOMPARE(qint16(u16At(wav, 44)), qint16(0));
    qint16 loudest = 0;
    for (qsizetype i = 0; i < samples; ++i)
        loudest = std::max(loudest, qint16(u16At(wav, 44 + 2 * i)));
    QVERIFY(loudest > 5000);
}

void TestDemo::aviStructure_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expectedWidth");
    QTest::newRow("demo movie") << 20 << 160 << 120 << 160;
    QTest::newRow("one frame, odd width") << 1 << 37 << 9 << 37;
    QTest::newRow("too wide, clamped") << 2 << 5000 << 8 << 1024;
}

void TestDemo::aviStructure()
{
    QFETCH(int, frames);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, expectedWidth);
    const QByteArray avi = aviMovie(frames, width, height, 10);
    QCOMPARE(avi.left(4), QByteArray("RIFF"));
    QCOMPARE(qsizetype(u32At(avi, 4)), avi.size() - 8);
    QCOMPARE(avi.mid(8, 4), QByteArray("AVI "));
    const qsizetype avih = avi.indexOf("avih");
    QVERIFY(avih > 0);
    QCOMPARE(u32At(avi, avih + 8 + 16), quint32(frames));
    QCOMPARE(u32At(avi, avih + 8 + 32), quint32(expectedWidth));
    QCOMPARE(u32At(avi, avih + 8 + 36), quint32(height));
    const qsizetype strf = avi.indexOf("strf");
    QCOMPARE(u16At(avi, strf + 8 + 14), quint16(32));
    const quint32 frameBytes = quint32(expectedWidth * 4 * height);
    QCOMPARE(u32At(avi, strf + 8 + 20), frameBytes);

    const qsizetype movi = avi.indexOf("movi");
    const qsizetype idx1 = avi.indexOf("idx1", movi + qsizetype(u32At(avi, movi - 4)));
    QVERIFY(idx1 > movi);
    QCOMPARE(qsizetype(u32At(avi, idx1 + 4)), qsizetype(16) * frames);
    QCOMPARE(idx1 + 8 + 16 * frames, avi.size());
    for (int f = 0; f < frames; ++f) {
        const qsizetype entry = idx1 + 8 + 16 * f;
        const qsizetype chunk = movi + qsizetype(u32At(avi, entry + 8));
        QCOMPARE(avi.mid(chunk, 4), QByteArray("00db"));
        QCOMPARE(u32At(avi, chunk + 4), frameBytes);
        QCOMPARE(u32At(avi, entry + 12), frameBytes);
    }
}

void TestDemo::wmfStructure()
{
    const QByteArray wmf = wmfPicture();
    QCOMPARE(u32At(wmf, 0), 0x9AC6CDD7u);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= u16At(wmf, 2 * i);
    QCOMPARE(u16At(wmf, 20), checksum);
    QCOMPARE(u16At(wmf, 22 + 2), quint16(9));
    QCOMPARE(qsizetype(u32At(wmf, 22 + 6)) * 2, wmf.size() - 22);
    // Walk the records: each size is in 16-bit words; the last is the three-word EOF.
    qsizetype at = 22 + 18;
    quint32 largest = 0;
    qsizetype last = -1;
    while (at < wmf.size()) {
        const quint32 words = u32At(wmf, at);
        QVERIFY(words >= 3);
        largest = std::max(largest, words);
        last = at;
        at += qsizetype(words) * 2;
    }
    QCOMPARE(at, wmf.size());
    QCOMPARE(u32At(wmf, last), 3u);
    QCOMPARE(u16At(wmf, last + 4), quint16(0));
    QCOMPARE(u32At(wmf, 22 + 12), largest);
}

void TestDemo::emfStructure()
{
    const QByteArray emf = emfPicture();
    QCOMPARE(u32At(emf, 0), 1u);
    QCOMPARE(emf.mid(40, 4), QByteArray(" EMF"));
    QCOMPARE(qsizetype(u32At(emf, 48)), emf.size());
    qsizetype at = 0;
    quint32 records = 0;
    qsizetype last = -1;
    while (at < emf.size()) {
        const quint32 size = u32At(emf, at + 4);
        QVERIFY(size >= 8 && size % 4 == 0);
        last = at;
        at += size;
        ++records;
    }
    QCOMPARE(at, emf.size());
    QCOMPARE(u32At(emf, 52), records);
    QCOMPARE(u32At(emf, last), 14u); // EOF
}

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"

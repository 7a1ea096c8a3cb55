#include "cache/demo.h"

#include "app/demomedia.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace velt {

namespace {

constexpr quint32 kSeed = 19990425;

// Folder names as Internet Explorer makes them: eight random-looking characters.
constexpr const char *kIeFolders[] = {"3KD7QZ1M", "A9XF2B0T", "MPL4C8RW", "Z06HUE5N"};

bool canDrawText()
{
    // QFont needs a QGuiApplication; without one the pictures are drawn without their captions.
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QImage landscape(QSize size, quint32 seed, const QString &caption)
{
    QRandomGenerator rng(seed);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width();
    const int h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor::fromHsv(int(rng.bounded(200, 240)), 160, 230));
    sky.setColorAt(1, QColor::fromHsv(int(rng.bounded(20, 50)), 90, 255));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 120));
    const int sun = h / 6;
    p.drawEllipse(QPoint(int(rng.bounded(w / 5, 4 * w / 5)), h / 4), sun, sun);
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills(QPointF(0, h));
        const int peaks = 3 + layer;
        for (int i = 0; i <= peaks; ++i) {
            const double x = double(w) * i / peaks;
            const double y = h * (0.45 + 0.12 * layer) + double(rng.bounded(h / 5));
            hills.lineTo(x, y);
        }
        hills.lineTo(w, h);
        hills.closeSubpath();
        p.setBrush(QColor::fromHsv(100 + 20 * layer, 120 + 40 * layer, 170 - 40 * layer));
        p.drawPath(hills);
    }
    if (canDrawText()) {
        QFont font = p.font();
        font.setPixelSize(std::max(10, h / 14));
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(255, 255, 255));
        p.drawText(image.rect().adjusted(0, 0, -h / 30, -h / 30), Qt::AlignRight | Qt::AlignBottom,
                   caption);
    }
    return image;
}

// Flat colours and no antialiasing, so that the GIF keeps every colour exactly.
QImage advertisement(QSize size, QColor background, QColor accent, const QString &text)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.setPen(QPen(accent, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(image.rect().adjusted(1, 1, -2, -2));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    const int side = size.height() / 2;
    p.drawEllipse(QRect(side / 2, side / 2, side, side));
    if (canDrawText()) {
        QFont font = p.font();
        font.setPixelSize(std::max(8, size.height() * 2 / 5));
        font.setBold(true);
        font.setStyleStrategy(QFont::NoAntialias);
        p.setFont(font);
        p.setPen(accent);
        p.drawText(image.rect().adjusted(side * 2, 0, -4, 0), Qt::AlignCenter, text);
    }
    return image;
}

QImage iconPicture()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 40, 120), 2));
    p.setBrush(QColor(80, 150, 240));
    p.drawEllipse(QRect(2, 2, 28, 28));
    p.setBrush(QColor(255, 220, 60));
    p.drawRect(QRect(11, 11, 10, 10));
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 85))
        return QByteArray();
    return bytes;
}

QByteArray html(const QString &title)
{
    return QStringLiteral("<html>\r\n<head><title>%1</title></head>\r\n"
                          "<body><h1>%1</h1><img src=\"banner[1].gif\"></body>\r\n</html>\r\n")
            .arg(title)
            .toUtf8();
}

class DemoWriter
{
public:
    explicit DemoWriter(const QDateTime &now) : m_now(now), m_rng(kSeed) { }

    bool folder(const QString &path)
    {
        if (!m_error.isEmpty())
            return false;
        if (!QDir().mkpath(path))
            m_error = QStringLiteral("cannot create folder %1").arg(QDir::toNativeSeparators(path));
        return m_error.isEmpty();
    }

    // Writes the file and gives it the next modification time of the spread.
    bool file(const QString &path, const QByteArray &bytes)
    {
        const QDateTime when = nextTime();
        if (!m_error.isEmpty())
            return false;
        if (bytes.isEmpty()) {
            m_error = QStringLiteral("cannot encode %1").arg(QDir::toNativeSeparators(path));
            return false;
        }
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()
            || !f.flush()) {
            m_error = QStringLiteral("cannot write %1: %2")
                              .arg(QDir::toNativeSeparators(path), f.errorString());
            return false;
        }
        // After the data is flushed, so that closing does not touch the time again.
        f.setFileTime(when, QFileDevice::FileModificationTime);
        f.close();
        return true;
    }

    const QString &error() const { return m_error; }

private:
    // Some day of the last week at some time of day, never later than now.
    QDateTime nextTime()
    {
        const int daysBack = int(m_rng.bounded(7));
        const int second = int(m_rng.bounded(24 * 60 * 60));
        QDateTime t(m_now.date().addDays(-daysBack), QTime(0, 0).addSecs(second));
        if (t > m_now)
            t = t.addDays(-1);
        return t;
    }

    QDateTime m_now;
    QRandomGenerator m_rng;
    QString m_error;
};

QByteArray truncatedJpeg(const QImage &image)
{
    QByteArray bytes = encoded(image, "JPG");
    bytes.truncate(bytes.size() / 2);
    // The check looks only at the last byte; make sure the cut does not happen to end on 0xD9.
    while (!bytes.isEmpty() && quint8(bytes.back()) == 0xD9)
        bytes.chop(1);
    return bytes;
}

QByteArray brokenBmp(const QImage &image)
{
    QByteArray bytes = encoded(image, "BMP");
    if (bytes.size() > 1)
        bytes[1] = 'A'; // "BA": the signature of a damaged download
    return bytes;
}

QByteArray gifWithoutTrailer(const QImage &image)
{
    QByteArray bytes = gifImage(image);
    bytes.chop(1);
    return bytes;
}

QByteArray indexDat()
{
    QByteArray bytes("Client UrlCache MMF Ver 5.2");
    bytes.append(QByteArray(4096 - bytes.size(), '\0'));
    return bytes;
}

QByteArray prefsJs()
{
    // The cache lines come first: every line with "cache" at characters 20..24 counts, and the
    // last one wins, so the folder line must be the last of them.
    return QByteArrayLiteral(
            "// Netscape User Preferences\r\n"
            "// This is a generated file!  Do not edit.\r\n"
            "\r\n"
            "user_pref(\"browser.cache.disk_cache_size\", 7680);\r\n"
            "user_pref(\"browser.cache.directory\", "
            "\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\demo\\\\Cache\");\r\n"
            "user_pref(\"browser.startup.homepage\", \"http://www.example.com/\");\r\n"
            "user_pref(\"mail.identity.username\", \"demo\");\r\n");
}

QByteArray registryText()
{
    return QByteArrayLiteral(
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
            "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
            "Settings\\Cache\\Paths]\r\n"
            "\"Directory\"=\"C:\\\\WINDOWS\\\\Temporary Internet Files\\\\Content.IE5\"\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Netscape\\Netscape Navigator\\Main]\r\n"
            "\"Install Directory\"=\"C:\\\\Program Files\\\\Netscape\\\\Communicator\"\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Netscape\\Netscape Navigator\\Biff]\r\n"
            "\"CurrentUser\"=\"demo\"\r\n"
            "\r\n");
}

// App Paths for the programs of this desktop, as the desktop profile finds them, so the demo's
// edit button and outside players start something real.
QByteArray appPathsText()
{
    const struct
    {
        const char *key;
        std::initializer_list<const char *> candidates;
    } programs[] = {
            {"IEXPLORE.EXE", {"xdg-open"}},
            {"MSPAINT.EXE", {"pinta", "kolourpaint", "gimp", "krita"}},
            {"RealPlay.exe", {"vlc", "mpv"}},
            {"QuickTimePlayer.exe", {"vlc", "mpv"}},
    };
    QByteArray text;
    for (const auto &program : programs) {
        for (const char *name : program.candidates) {
            QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (path.isEmpty())
                continue;
            path.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
            path.replace(QLatin1Char('"'), QLatin1String("\\\""));
            text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
                    + QByteArray(program.key) + "]\r\n@=\"" + path.toUtf8() + "\"\r\n\r\n";
            break;
        }
    }
    return text;
}

} // namespace

std::optional<DemoRoot> buildDemoRoot(const QString &dir, QString *error)
{
    DemoRoot demo;
    demo.root = QDir::cleanPath(QDir(dir).absolutePath());
    demo.windowsDir = demo.root + QStringLiteral("/WINDOWS");
    demo.registryFile = demo.root + QStringLiteral("/demo.reg");
    const QString ie = demo.windowsDir + QStringLiteral("/Temporary Internet Files/Content.IE5");
    const QString netscape = demo.root + QStringLiteral("/Program Files/Netscape");
    const QString nsCache = netscape + QStringLiteral("/Users/demo/Cache");

    QString folders[std::size(kIeFolders)];
    for (size_t i = 0; i < std::size(kIeFolders); ++i)
        folders[i] = ie + QLatin1Char('/') + QLatin1String(kIeFolders[i]) + QLatin1Char('/');

    DemoWriter w(QDateTime::currentDateTime());
    w.folder(demo.windowsDir);
    for (const QString &f : folders)
        w.folder(f);
    w.folder(netscape + QStringLiteral("/Communicator/Program"));
    w.folder(nsCache);
    w.file(demo.registryFile, registryText() + appPathsText());
    w.file(ie + QStringLiteral("/index.dat"), indexDat());

    const QString &f0 = folders[0];
    w.file(f0 + QStringLiteral("image[1].jpg"),
           encoded(landscape({640, 480}, 1, QStringLiteral("VELT demo 1")), "JPG"));
    w.file(f0 + QStringLiteral("photo_02[1].JPG"),
           encoded(landscape({480, 360}, 2, QStringLiteral("photo 02")), "JPG"));
    w.file(f0 + QStringLiteral("banner[1].gif"),
           gifImage(advertisement({468, 60}, QColor(255, 250, 205), QColor(200, 30, 30),
                                  QStringLiteral("VELT SHOP  SALE!"))));
    w.file(f0 + QStringLiteral("logo[1].bmp"),
           encoded(advertisement({200, 80}, QColor(20, 60, 120), QColor(250, 250, 250),
                                 QStringLiteral("LOGO")),
                   "BMP"));
    w.file(f0 + QStringLiteral("default[1].htm"), html(QStringLiteral("Welcome")));

    const QString &f1 = folders[1];
    w.file(f1 + QStringLiteral("image[1].jpg"), // the same name as in the first folder
           encoded(landscape({320, 240}, 3, QStringLiteral("VELT demo 3")), "JPG"));
    w.file(f1 + QStringLiteral("sunset[1].jpg"),
           truncatedJpeg(landscape({400, 300}, 7, QStringLiteral("sunset"))));
    w.file(f1 + QStringLiteral("ad_88x31[1].gif"),
           gifImage(advertisement({88, 31}, QColor(0, 0, 128), QColor(255, 255, 0),
                                  QStringLiteral("GO!"))));
    w.file(f1 + QStringLiteral("favicon[1].ico"), encoded(iconPicture(), "ICO"));
    w.file(f1 + QStringLiteral("chart[1].wmf"), wmfPicture());
    w.file(f1 + QStringLiteral("top[1].htm"), html(QStringLiteral("Top page")));

    const QString &f2 = folders[2];
    w.file(f2 + QStringLiteral("photo_03[1].jpg"),
           encoded(landscape({800, 600}, 4, QStringLiteral("photo 03")), "JPG"));
    w.file(f2 + QStringLiteral("diagram[1].emf"), emfPicture());
    w.file(f2 + QStringLiteral("scan[1].bmp"),
           brokenBmp(landscape({160, 120}, 8, QStringLiteral("scan"))));
    w.file(f2 + QStringLiteral("anime[1].gif"),
           gifWithoutTrailer(advertisement({120, 90}, QColor(230, 255, 230), QColor(0, 120, 0),
                                           QStringLiteral("NEW"))));
    w.file(f2 + QStringLiteral("click_here[1].gif"),
           gifImage(advertisement({234, 60}, QColor(255, 255, 255), QColor(0, 90, 200),
                                  QStringLiteral("CLICK HERE"))));
    w.file(f2 + QStringLiteral("chime[1].wav"), wavSound());
    w.file(f2 + QStringLiteral("style[1].css"), QByteArrayLiteral("body { color: #000; }\r\n"));

    const QString &f3 = folders[3];
    w.file(f3 + QStringLiteral("movie[1].avi"), aviMovie());
    w.file(f3 + QStringLiteral("flower[1].jpe"),
           encoded(landscape({300, 300}, 5, QStringLiteral("flower")), "JPG"));
    QImage spacer(1, 1, QImage::Format_ARGB32);
    spacer.fill(Qt::transparent);
    w.file(f3 + QStringLiteral("spacer[1].gif"), gifImage(spacer));
    w.file(f3 + QStringLiteral("present[2].GIF"),
           gifImage(advertisement({125, 125}, QColor(255, 220, 240), QColor(180, 0, 90),
                                  QStringLiteral("FREE"))));
    w.file(f3 + QStringLiteral("script[1].js"), QByteArrayLiteral("var shown = 0;\r\n"));

    w.file(netscape + QStringLiteral("/Users/demo/prefs.js"), prefsJs());
    w.file(nsCache + QStringLiteral("/M0A1KQ3E.JPG"),
           encoded(landscape({512, 384}, 6, QStringLiteral("Netscape 1")), "JPG"));
    w.file(nsCache + QStringLiteral("/M0B7ZP2D.jpg"),
           encoded(landscape({256, 192}, 9, QStringLiteral("Netscape 2")), "JPG"));
    w.file(nsCache + QStringLiteral("/M0C4TX9F.GIF"),
           gifImage(advertisement({100, 100}, QColor(40, 40, 40), QColor(255, 160, 0),
                                  QStringLiteral("AD"))));
    w.file(nsCache + QStringLiteral("/M0D2LW6H.BMP"),
           encoded(landscape({128, 96}, 10, QStringLiteral("NS")), "BMP"));
    w.file(nsCache + QStringLiteral("/FAT.DB"), QByteArray(512, '\0'));

    if (!w.error().isEmpty()) {
        if (error)
            *error = w.error();
        return std::nullopt;
    }
    return demo;
}

} // namespace velt

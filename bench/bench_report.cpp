// Reports of a large cache: `velt --list`, `velt --report x.csv` and `velt --report x.html` on a
// cache of 30 000 JPEG pictures (five sizes, from 120 x 90 to 1280 x 960), the thumbnails' share
// of the page beside decoding the same pictures at thumbnail size in this process, the page's
// bytes per item, and how long headless Chromium takes to open the page (when it is installed).
//
//   bench_report [PICTURES]

#include "figure.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace {

QByteArray jpegOf(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed * 50 % 360, 200, 220));
    for (int i = 0; i < 20; ++i)
        painter.drawEllipse(QPoint((i * 37 + seed) % size.width(), (i * 53) % size.height()), 20,
                            12);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes;
}

double runSeconds(const QString &program, const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_report: %s %s failed\n", qPrintable(program),
                     qPrintable(arguments.join(QLatin1Char(' '))));
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 30000;
    const QString velt =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("velt"));
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("WINDOWS/TIF/ABCD1234"));
    QDir().mkpath(cache);
    const QSize sizes[] = {{120, 90}, {320, 240}, {640, 480}, {800, 600}, {1280, 960}};
    QByteArray bodies[5];
    for (int i = 0; i < 5; ++i)
        bodies[i] = jpegOf(sizes[i], i);
    for (int i = 0; i < pictures; ++i) {
        QFile f(QStringLiteral("%1/p%2.jpg").arg(cache).arg(i));
        if (!f.open(QIODevice::WriteOnly) || f.write(bodies[i % 5]) != bodies[i % 5].size())
            return 1;
    }
    QFile reg(dir.filePath(QStringLiteral("velt.reg")));
    reg.open(QIODevice::WriteOnly);
    reg.write("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
              "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n[HKEY_LOCAL_"
              "MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
              "CurrentVersion\\Internet Settings\\Cache\\Paths]\r\n"
              "\"Directory\"=\"C:\\\\WINDOWS\\\\TIF\"\r\n");
    reg.close();
    const QStringList common{
            QStringLiteral("--registry"), reg.fileName(),
            QStringLiteral("--drive"),    QStringLiteral("C:=") + dir.path(),
            QStringLiteral("--settings"), dir.filePath(QStringLiteral("VELT.ini"))};
    const QString csv = dir.filePath(QStringLiteral("r.csv"));
    const QString html = dir.filePath(QStringLiteral("r.html"));
    const double list = runSeconds(velt, common + QStringList{QStringLiteral("--list")});
    const double csvTime = runSeconds(velt, common + QStringList{QStringLiteral("--report"), csv});
    const double htmlTime =
            runSeconds(velt, common + QStringList{QStringLiteral("--report"), html});

    // The same pictures decoded at thumbnail size here, as the page's thumbnails are.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < pictures; ++i) {
        QImageReader reader(QStringLiteral("%1/p%2.jpg").arg(cache).arg(i));
        reader.setScaledSize(sizes[i % 5].scaled(80, 80, Qt::KeepAspectRatio));
        if (reader.read().isNull())
            return 1;
    }
    const double decodes = timer.nsecsElapsed() / 1e9;
    const double pageBytes = double(QFileInfo(html).size());

    std::printf("%d pictures: --list %.2f s, --report csv %.2f s, --report html %.2f s; "
                "thumbnail decodes alone %.2f s; page %.1f MB\n",
                pictures, list, csvTime, htmlTime, decodes, pageBytes / 1e6);
    bench::printFigure("report.list_s", list, "s", "velt --list on the cache", 2);
    bench::printFigure("report.csv_s", csvTime, "s", "velt --report x.csv on the cache", 2);
    bench::printFigure("report.html_s", htmlTime, "s", "velt --report x.html on the cache", 2);
    bench::printFigure("report.thumbnail_ratio", (htmlTime - csvTime) / decodes, "x",
                       "the page's extra time over the same scaled decodes (target <= 1.5)", 2);
    bench::printFigure("report.bytes_per_item", pageBytes / pictures, "B",
                       "page size per picture, thumbnail included", 0);

    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (!chromium.isEmpty()) {
        // Chromium's own start counts apart: an empty page opened the same way.
        const QString empty = dir.filePath(QStringLiteral("empty.html"));
        QFile emptyFile(empty);
        emptyFile.open(QIODevice::WriteOnly);
        emptyFile.write("<!DOCTYPE html><title>x</title>");
        emptyFile.close();
        const auto open = [&chromium](const QString &page) {
            return runSeconds(chromium,
                              {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                               QStringLiteral("--disable-gpu"), QStringLiteral("--dump-dom"),
                               QUrl::fromLocalFile(page).toString()});
        };
        const double start = open(empty);
        const double page = open(html);
        std::printf("Chromium: empty page %.2f s, the report %.2f s\n", start, page);
        bench::printFigure("report.chromium_open_s", page - start, "s",
                           "headless Chromium loads the page and its script, beyond its own start "
                           "(target < 3)",
                           2);
    }
    return 0;
}

// Time from creating the picture window to the picture painted, beside a plain decode of the
// same JPEG in the same run. Target: the window within 1.3 times the decode.

#include "figure.h"
#include "windowbench.h"

#include "picture/frmpicture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>

using namespace velt;

namespace {

class BenchOwner : public PictureOwner
{
public:
    QString path;
    QString fn() const override { return path; }
    void setCopyButtonEnabled(bool) override { }
    void handOverKey(int) override { }
    void albumSwitch() override { }
};

// Something like a photograph for the encoder: smooth gradients with noise.
QImage photoLike(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x * 255 / size.width() + noise) % 256,
                           (y * 255 / size.height() + noise) % 256, ((x + y) / 8 + noise) % 256);
        }
    }
    return image;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double decodeMs(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QImageReader reader(path);
    const QImage image = reader.read();
    const double ms = clock.nsecsElapsed() / 1e6;
    if (image.isNull())
        std::fprintf(stderr, "decode failed\n");
    return ms;
}

double windowMs(const QString &path, MdlVELT &state, Settings &settings, UserDialogs &dialogs)
{
    BenchOwner owner;
    owner.path = path;
    bench::PaintSpy spy;
    QElapsedTimer clock;
    clock.start();
    auto *window = new FrmPicture(state, settings, dialogs, owner);
    window->findChild<QWidget *>(QStringLiteral("Picture1"))->installEventFilter(&spy);
    if (!window->Form_Load())
        std::fprintf(stderr, "window load failed\n");
    window->show();
    while (!spy.painted)
        QCoreApplication::processEvents();
    const double ms = clock.nsecsElapsed() / 1e6;
    delete window;
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    bench::offscreenUnlessChosen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    MdlVELT state;
    Settings settings;
    settings.applyDefaults(QString());
    ConsoleDialogs dialogs;

    std::printf("%-10s %6s %12s %12s %7s\n", "picture", "runs", "window ms", "decode ms", "ratio");
    for (const QSize size : {QSize(1920, 1080), QSize(4000, 3000)}) {
        const QString path = dir.filePath(QStringLiteral("bench%1.jpg").arg(size.width()));
        if (!photoLike(size).save(path, "JPG", 90)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        const int runs = size.width() > 2000 ? 7 : 15;
        // Warm up plugins, fonts and the file cache before timing.
        decodeMs(path);
        windowMs(path, state, settings, dialogs);
        std::vector<double> window;
        std::vector<double> decode;
        for (int i = 0; i < runs; ++i) {
            decode.push_back(decodeMs(path));
            window.push_back(windowMs(path, state, settings, dialogs));
        }
        const double w = median(window);
        const double d = median(decode);
        std::printf("%4dx%-5d %6d %12.1f %12.1f %7.2f\n", size.width(), size.height(), runs, w, d,
                    w / d);
        const std::string tag = std::to_string(size.width()) + "x" + std::to_string(size.height());
        bench::printFigure(("picture.window_" + tag).c_str(), w, "ms",
                           ("picture window created to painted, one " + tag
                            + " JPEG decoded on the window thread (median)")
                                   .c_str());
        bench::printFigure(
                ("picture.decode_" + tag).c_str(), d, "ms",
                ("plain QImageReader decode of the same " + tag + " JPEG (median)").c_str());
        bench::printFigure(("picture.ratio_" + tag).c_str(), w / d, "x",
                           "window to painted over the plain decode (target <= 1.3)", 2);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (ru_maxrss): %.1f MB\n", usage.ru_maxrss / 1024.0);
    bench::printFigure("picture.peak_rss", usage.ru_maxrss / 1024.0, "MB",
                       "peak resident memory of the process (encoding the test JPEGs included)");
    return 0;
}

// The thumbnail window: a page of ten 1920x1080 JPEGs filled and painted, beside ten decodes
// at cell size (and ten whole decodes shrunk afterwards) in the same run; one scroll step; and
// a scroll to the end of 30 000 entries. Then the same page of AVIFs (made with avifenc, read
// through the program's own plugin; skipped without avifenc). Targets: the page within 1.5 times
// the ten scaled decodes, a step well under a page.

#include "album/frmviewalbum.h"
#include "figure.h"
#include "platform/programfiles.h"
#include "windowbench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velt;

namespace {

constexpr int kFiles = 20;
const QSize kCell(73, 81);

QImage photoLike(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x * 255 / size.width() + noise + seed * 10) % 256,
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

double tenDecodesMs(const MdlVELT &state, bool scaled)
{
    QElapsedTimer clock;
    clock.start();
    for (int n = 1; n <= 10; ++n) {
        QImageReader reader(state.WorkDir + QLatin1Char('/') + state.ListFile[n]);
        if (scaled)
            reader.setScaledSize(kCell);
        QImage image = reader.read();
        if (!scaled)
            image = image.scaled(kCell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull())
            std::fprintf(stderr, "decode failed\n");
    }
    return clock.nsecsElapsed() / 1e6;
}

struct PageTimes
{
    double page = 0;
    double step = 0;
};

// A fresh window: its page filled and painted; then one step of the scroll bar.
PageTimes pageMs(MdlVELT &state, bench::IdleOwner &owner)
{
    PageTimes times;
    bench::PaintSpy spy;
    QElapsedTimer clock;
    clock.start();
    auto *window = new FrmViewAlbum(state, owner, [] { return nullptr; });
    for (ThumbnailCell *cell : window->Image1)
        cell->installEventFilter(&spy);
    window->Form_Load();
    window->show();
    while (spy.painted < kThumbnailCells)
        QCoreApplication::processEvents();
    times.page = clock.nsecsElapsed() / 1e6;

    spy.painted = 0;
    clock.restart();
    window->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    while (spy.painted < kThumbnailCells)
        QCoreApplication::processEvents();
    times.step = clock.nsecsElapsed() / 1e6;
    delete window;
    return times;
}

// The page against the decodes, printed under prefix ("thumbnails" for JPEG).
void pageAgainstDecodes(MdlVELT &state, bench::IdleOwner &owner, const char *what,
                        const std::string &prefix, int runs)
{
    tenDecodesMs(state, true); // warm up plugins and the file cache
    tenDecodesMs(state, false);
    pageMs(state, owner);
    std::vector<double> scaled, whole, page, step;
    for (int i = 0; i < runs; ++i) {
        scaled.push_back(tenDecodesMs(state, true));
        whole.push_back(tenDecodesMs(state, false));
        const PageTimes t = pageMs(state, owner);
        page.push_back(t.page);
        step.push_back(t.step);
    }
    const double s = median(scaled);
    const double p = median(page);
    std::printf("ten 1920x1080 %s, median of %d runs\n", what, runs);
    std::printf("  ten decodes at cell size     %8.1f ms\n", s);
    std::printf("  ten whole decodes, shrunk    %8.1f ms\n", median(whole));
    std::printf("  page filled and painted      %8.1f ms   ratio to scaled decodes %.2f\n", p,
                p / s);
    std::printf("  one scroll step              %8.1f ms   ratio to the page %.2f\n", median(step),
                median(step) / p);
    bench::printFigure((prefix + ".scaled_decodes").c_str(), s, "ms",
                       "ten 1920x1080 pictures decoded at cell size (the reference)");
    bench::printFigure((prefix + ".whole_decodes").c_str(), median(whole), "ms",
                       "the same ten decoded whole, then shrunk");
    bench::printFigure((prefix + ".page").c_str(), p, "ms", "a page of ten filled and painted");
    bench::printFigure((prefix + ".page_ratio").c_str(), p / s, "x",
                       "page / ten scaled decodes (target <= 1.5)", 2);
    bench::printFigure((prefix + ".step_ratio").c_str(), median(step) / p, "x",
                       "one scroll step / a page (target: well under 1)", 2);
}

// Writes kFiles photos of 1920x1080 in the format ("jpg" or "avif") into the list; false when
// they cannot be made.
bool writePhotos(MdlVELT &state, const QTemporaryDir &dir, const QString &format)
{
    const QString avifenc = QStandardPaths::findExecutable(QStringLiteral("avifenc"));
    state.reserveList(kFiles);
    for (int n = 1; n <= kFiles; ++n) {
        const QString name =
                QStringLiteral("photo%1.%2").arg(n, 2, 10, QLatin1Char('0')).arg(format);
        const QImage photo = photoLike({1920, 1080}, n);
        if (format == QLatin1String("jpg")) {
            if (!photo.save(dir.filePath(name), "JPG", 90))
                return false;
        } else {
            const QString png = dir.filePath(QStringLiteral("source.png"));
            if (avifenc.isEmpty() || !photo.save(png, "PNG"))
                return false;
            QProcess encode; // quietly: the figures are this program's output
            encode.setStandardOutputFile(QProcess::nullDevice());
            encode.setStandardErrorFile(QProcess::nullDevice());
            encode.start(avifenc,
                         {QStringLiteral("-s"), QStringLiteral("8"), png, dir.filePath(name)});
            if (!encode.waitForFinished(-1) || encode.exitCode() != 0)
                return false;
        }
        state.ListFile[n] = name;
        state.ListLine[n] = name;
    }
    state.ListCount = kFiles;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bench::offscreenUnlessChosen();
    QApplication app(argc, argv);
    addPictureFormatFolders();
    QTemporaryDir dir;
    MdlVELT state;
    bench::IdleOwner owner;
    state.WorkDir = dir.path();
    if (!writePhotos(state, dir, QStringLiteral("jpg"))) {
        std::fprintf(stderr, "cannot write the JPEGs\n");
        return 1;
    }
    pageAgainstDecodes(state, owner, "JPEGs", "thumbnails", 9);

    // 30 000 entries: a drag to the end fills the last ten cells once.
    MdlVELT large = state;
    large.reserveList(30000);
    for (int n = 1; n <= 30000; ++n)
        large.ListFile[n] = state.ListFile[(n - 1) % kFiles + 1];
    large.ListCount = 30000;
    auto *window = new FrmViewAlbum(large, owner, [] { return nullptr; });
    window->Form_Load();
    window->show();
    QElapsedTimer clock;
    clock.start();
    window->VScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    QCoreApplication::processEvents();
    const double toEnd = clock.nsecsElapsed() / 1e6;
    std::printf("30 000 entries: scroll to the end %6.1f ms (%d decodes in all)\n", toEnd,
                window->decodes());
    bench::printFigure("thumbnails.scroll_to_end", toEnd, "ms",
                       "30 000 entries, the thumb dragged to the end");
    delete window;

    MdlVELT avif;
    avif.WorkDir = dir.path();
    if (writePhotos(avif, dir, QStringLiteral("avif")))
        pageAgainstDecodes(avif, owner, "AVIFs", "thumbnails.avif", 5);
    else
        std::printf("AVIF: avifenc is missing or failed; skipped\n");
    return 0;
}

// Paging in the main window with decode-ahead, on a list of 30 000 entries.
// Speed: Page Down (pressed in the picture window, released in the main window as a user does)
// to the new picture window's first paint finished, when the next picture was decoded ahead,
// beside a plain decode of the same JPEG and beside a jump to a picture that was not decoded
// ahead; for 1920x1080 and 4000x3000. Memory: peak resident memory while paging through
// 4000x3000 pictures, at a reading pace and then as fast as the keys come.
// Usage: bench_paging [pages]   (default 200)

#include "figure.h"
#include "windowbench.h"

#include "app/frmsplash.h"
#include "platform/logging.h"
#include "viewer/frmview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace velt;

namespace {

// Something like a photograph for the encoder: smooth gradients with noise.
QImage photoLike(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x * 255 / size.width() + noise + int(seed) * 40) % 256,
                           (y * 255 / size.height() + noise) % 256, ((x + y) / 8 + noise) % 256);
        }
    }
    return image;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double msSince(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// A working folder whose list holds kListLimit entries: every entry a hard link to one of three
// JPEGs of the given size (a copy where links are not possible, for the first `real` entries).
struct PagingList
{
    QString folder;
    QStringList sources;

    bool build(MdlVELT &state, const QString &root, QSize size, int real)
    {
        static int made = 0;
        folder = root + QStringLiteral("/VeltTemp%1").arg(++made);
        QDir().mkpath(folder);
        for (quint32 s = 0; s < 3; ++s) {
            const QString path = folder + QStringLiteral("-source%1.jpg").arg(s);
            if (!photoLike(size, s + 1).save(path, "JPG", 90))
                return false;
            sources.append(path);
        }
        state.WorkDir = folder;
        state.ListFile = QStringList{QString()};
        state.ListLine = QStringList{QString()};
        state.reserveList(kListLimit);
        const QDateTime time(QDate(2026, 12, 1), QTime(10, 0));
        for (int k = 1; k <= kListLimit; ++k) {
            const QString name =
                    QStringLiteral("M%1ABCDEFGH[1].jpg").arg(k, 5, 10, QLatin1Char('0'));
            const QString path = folder + QLatin1Char('/') + name;
            const QByteArray source = QFile::encodeName(sources.at(k % 3));
            if (::link(source.constData(), QFile::encodeName(path).constData()) != 0 && k <= real
                && !QFile::copy(sources.at(k % 3), path))
                return false;
            state.ListFile[k] = name;
            state.ListLine[k] = displayLine(name, time.addSecs(k));
        }
        state.ListCount = kListLimit;
        state.ListPos = 0;
        return true;
    }
};

// Runs events until the picture window has painted, the paint finished.
void waitForPaint(FrmView &view)
{
    bench::PaintSpy spy;
    FrmPicture *window = view.pictureWindow();
    if (!window)
        return;
    window->findChild<QWidget *>(QStringLiteral("Picture1"))->installEventFilter(&spy);
    while (!spy.painted)
        QCoreApplication::processEvents();
}

// Page Down as a user gives it: pressed while the picture window has the focus (it hands the
// key over to the main window), released in the main window, whose next button acts.
void pageDown(FrmView &view)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QWidget *pressTarget = view.pictureWindow() ? static_cast<QWidget *>(view.pictureWindow())
                                                : static_cast<QWidget *>(&view);
    QApplication::sendEvent(pressTarget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
    QWidget *focus = view.focusWidget() ? view.focusWidget() : &view;
    QApplication::sendEvent(focus, &release);
}

double decodeMs(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QImageReader reader(path);
    const QImage image = reader.read();
    const double ms = msSince(clock);
    if (image.isNull())
        std::fprintf(stderr, "decode failed: %s\n", qPrintable(path));
    return ms;
}

void speed(FrmView &view, MdlVELT &state, const QString &root, QSize size, int runs)
{
    PagingList list;
    if (!list.build(state, root, size, runs * 3 + 10)) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return;
    }
    std::vector<double> decode;
    for (int i = 0; i < runs + 1; ++i)
        decode.push_back(decodeMs(list.sources.at(i % 3)));
    decode.erase(decode.begin()); // the first warms the file cache and the plugin

    std::vector<double> ahead;
    pageDown(view);
    waitForPaint(view);
    for (int i = 0; i < runs; ++i) {
        view.decodeAhead().waitUntilIdle(); // the user looks at the picture meanwhile
        QElapsedTimer clock;
        clock.start();
        pageDown(view);
        waitForPaint(view);
        ahead.push_back(msSince(clock));
    }

    // A jump (as the list window makes it) to a picture nobody decoded ahead.
    std::vector<double> jump;
    for (int i = 0; i < runs; ++i) {
        view.decodeAhead().waitUntilIdle();
        state.ListPos += 5;
        QElapsedTimer clock;
        clock.start();
        view.setFn(state.WorkDir + QLatin1Char('/') + state.ListFile.at(state.ListPos));
        view.openPictureWindow();
        waitForPaint(view);
        jump.push_back(msSince(clock));
    }

    const double a = median(ahead);
    const double d = median(decode);
    const double j = median(jump);
    const int target = size.width() > 2000 ? 25 : 16;
    std::printf("%4dx%-5d %5d %16.1f %12.1f %16.1f\n", size.width(), size.height(), runs, a, d, j);
    const QByteArray tag =
            QByteArray::number(size.width()) + "x" + QByteArray::number(size.height());
    bench::printFigure(("paging.pagedown_ahead_" + tag).constData(), a, "ms",
                       QByteArray("Page Down to painted, next picture decoded ahead, " + tag
                                  + " JPEG (median; target <= " + QByteArray::number(target) + ")")
                               .constData());
    bench::printFigure(
            ("paging.decode_" + tag).constData(), d, "ms",
            ("plain QImageReader decode of the same " + tag + " JPEG (median)").constData());
    bench::printFigure(("paging.jump_" + tag).constData(), j, "ms",
                       ("open to painted for a " + tag
                        + " picture not decoded ahead: one decode on the window thread (median)")
                               .constData());
}

void memory(FrmView &view, MdlVELT &state, const QString &root, int pages)
{
    PagingList list;
    if (!list.build(state, root, QSize(4000, 3000), pages + 60)) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return;
    }
    view.decodeAhead().plan(QString(), {});
    // What the set-up took (drawing and encoding the sources) is not the program's.
    const bool reset = bench::resetPeakMemory();
    const double before = bench::statusMegabytes("VmRSS");

    pageDown(view);
    waitForPaint(view);
    const double onePicture = bench::statusMegabytes("VmHWM");
    double rssEarly = 0;
    int mostHeld = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i < pages; ++i) {
        view.decodeAhead().waitUntilIdle();
        mostHeld = std::max(mostHeld, view.decodeAhead().heldCount());
        // Sampled with no decode under way, so that the figures compare like with like.
        if (i == 20)
            rssEarly = bench::statusMegabytes("VmRSS");
        pageDown(view);
        waitForPaint(view);
    }
    view.decodeAhead().waitUntilIdle();
    const double paced = msSince(clock) / pages;
    const double rssLate = bench::statusMegabytes("VmRSS");
    // Then as fast as the keys come: each press while the last decode ahead may still run.
    for (int i = 0; i < 50; ++i) {
        pageDown(view);
        waitForPaint(view);
        mostHeld = std::max(mostHeld, view.decodeAhead().heldCount());
    }
    view.decodeAhead().waitUntilIdle();
    const double peak = bench::statusMegabytes("VmHWM");

    std::printf("memory, 4000x3000, %d entries listed%s:\n", kListLimit,
                reset ? "" : " (peak NOT reset after set-up)");
    std::printf("  resident before the first picture %.0f MB, peak once it is shown %.0f MB\n",
                before, onePicture);
    std::printf(
            "  %d pages at a reading pace (%.0f ms each), 50 as fast as possible: peak %.0f MB; "
            "resident after 20 pages %.0f MB, after %d %.0f MB; at most %d pictures held\n",
            pages, paced, peak, rssEarly, pages, rssLate, mostHeld);
    bench::printFigure("paging.peak_rss_4000x3000", peak, "MB",
                       "peak resident memory (VmHWM), 30 000 entries listed, paging through "
                       "4000x3000 JPEGs with decode-ahead (target < 256)",
                       0);
    bench::printFigure("paging.first_picture_rss_4000x3000", onePicture, "MB",
                       "peak resident memory once the first 4000x3000 picture is shown (its "
                       "decode and the next one's decode ahead ran side by side)",
                       0);
    bench::printFigure("paging.rss_growth", rssLate - rssEarly, "MB",
                       "resident memory after the last paced page less after the 20th, no "
                       "decode under way (0 = nothing grows)",
                       1);
    bench::printFigure("paging.most_held", mostHeld, "pictures",
                       "most decoded pictures held by the decode-ahead (shown, next, previous)", 0);
}

} // namespace

int main(int argc, char **argv)
{
    bench::offscreenUnlessChosen();
    QApplication app(argc, argv);
    installMessageFilter(); // as the program does: no plugin chatter
    const int pages = argc > 1 ? std::max(30, QByteArray(argv[1]).toInt()) : 200;
    QTemporaryDir dir;
    MdlVELT state;
    Settings settings;
    ConsoleDialogs dialogs;
    ViewerEnvironment env;
    env.settingsPath = dir.filePath(QStringLiteral("VELT.ini"));
    FrmView view(state, settings, dialogs, env);
    view.Form_Load();
    view.show();
    while (!view.isVisible())
        QCoreApplication::processEvents();

    // Memory first, so that the peak is its own.
    memory(view, state, dir.path(), pages);
    std::printf("%-10s %5s %16s %12s %16s\n", "picture", "runs", "Page Down ms", "decode ms",
                "jump ms");
    speed(view, state, dir.path(), QSize(1920, 1080), 15);
    speed(view, state, dir.path(), QSize(4000, 3000), 9);
    view.Form_QueryUnload();
    return 0;
}

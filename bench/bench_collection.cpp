// Collection speed: a 21-folder cache with 30 000 pictures (and other files), collected the way
// the program starts, beside a plain copy of the same matching files in the same run.

#include "figure.h"

#include "cache/collection.h"
#include "cache/ordering.h"
#include "cache/registry.h"
#include "platform/dialogs.h"
#include "platform/workdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace velt;

namespace {

class QuietHost : public CollectionHost
{
public:
    void showSplash() override { }
    void closeSplash() override { }
    void setProgress(int) override { }
    void setLoadLabel(const QString &) override { }
    void yield() override { QCoreApplication::processEvents(); }
    void waitOneTick() override { }
    int AskStop() override { return kAnswerNo; }
    void setCounters(int, int) override { }
    void disableNavigation() override { }
    void setOpenDialogInitDir(const QString &) override { }
};

const char *const kTypes[] = {"jpg", "JPG", "gif", "bmp", "jpe", "ico", "wmf", "emf"};

void buildTree(const QString &ie, int pictures, int others)
{
    const QByteArray content(2048, 'p');
    for (int i = 0; i < pictures + others; ++i) {
        const QString folder = ie + QStringLiteral("/F%1XY").arg(i % 21, 2, 10, QLatin1Char('0'));
        if (i < 21)
            QDir().mkpath(folder);
        QString name;
        if (i < pictures) {
            // Mixed first characters and types; a few GIFs, which do not count.
            const char first = "0aZk_M7qB~"[i % 10];
            const char *type = kTypes[(i / 10) % 8];
            name = QStringLiteral("%1img%2[1].%3")
                           .arg(QLatin1Char(first))
                           .arg(i)
                           .arg(QLatin1String(type));
        } else {
            name = QStringLiteral("page%1.%2")
                           .arg(i)
                           .arg(i % 2 ? QStringLiteral("htm") : QStringLiteral("js"));
        }
        QFile f(folder + QLatin1Char('/') + name);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        f.flush();
        f.setFileTime(QDateTime(QDate(2026, 11, 1 + i % 28), QTime(i % 24, i % 60, (i * 7) % 60)),
                      QFileDevice::FileModificationTime);
        f.close();
    }
}

double plainCopy(const QString &ie, const QString &dest)
{
    QDir().mkpath(dest);
    QElapsedTimer timer;
    timer.start();
    const ExtTable &ext = ExtTable::standard();
    for (const QString &folder : QDir(ie).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = ie + QLatin1Char('/') + folder;
        for (const QString &name : QDir(dir).entryList(QDir::Files)) {
            if (!ext.SerchGaExp(name) && !ext.SerchDoExp(name))
                continue;
            std::error_code ec;
            std::filesystem::copy_file(
                    QFile::encodeName(dir + QLatin1Char('/') + name).toStdString(),
                    QFile::encodeName(dest + QLatin1Char('/') + name).toStdString(),
                    std::filesystem::copy_options::overwrite_existing, ec);
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 30000;
    QTemporaryDir dir;
    const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
    const QString ie = windows + QStringLiteral("/TIF");
    QElapsedTimer build;
    build.start();
    buildTree(ie, pictures, pictures / 10);
    std::printf("tree: %d pictures + %d other files in 21 folders, built in %.0f ms\n", pictures,
                pictures / 10, build.nsecsElapsed() / 1e6);

    const QString reg = dir.filePath(QStringLiteral("bench.reg"));
    QFile regFile(reg);
    regFile.open(QIODevice::WriteOnly);
    regFile.write(
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
            "\"SystemRoot\"=\""
            + windows.toUtf8()
            + "\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
              "Settings\\Cache\\Paths]\r\n"
              "\"Directory\"=\""
            + ie.toUtf8() + "\"\r\n");
    regFile.close();
    const auto registry = makeRegistrySource({reg}, QString());

    // Both sides write into the working folder, alternating, emptied in between: the cost of
    // creating files depends on where the folder lies and on what was deleted there, so both
    // see the same conditions. The best of three rounds each is compared.
    const QString workDir = windows + QStringLiteral("/VeltTemp");
    MdlVELT state;
    Settings settings;
    settings.applyDefaults(QString());
    ConsoleDialogs dialogs;
    QuietHost host;
    DriveMap drives;
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, *registry, drives, dialogs, host};
    double plain = 1e12;
    double collection = 1e12;
    QElapsedTimer timer;
    for (int round = 0; round < 3; ++round) {
        plain = std::min(plain, plainCopy(ie, workDir));
        emptyWorkDir(workDir);
        timer.start();
        GetICPath(ctx); // empties the working folder first, as every start does
        collection = std::min(collection, timer.nsecsElapsed() / 1e6);
        emptyWorkDir(workDir);
    }
    std::printf("full collection: %.0f ms; plain copy of the same files: %.0f ms; ratio %.2f "
                "(target <= 1.5; best of 3 each)\n",
                collection, plain, collection / plain);
    bench::printFigure("collection.full", collection, "ms",
                       "start-up collection of a 21-folder cache (copy and walk; best of 3)", 0);
    bench::printFigure("collection.plain_copy", plain, "ms",
                       "plain copy of the same matching files (best of 3)", 0);
    bench::printFigure("collection.ratio", collection / plain, "x",
                       "collection over the plain copy (target <= 1.5)", 2);
    GetICPath(ctx);
    std::printf("listed %d pictures, %d GIFs\n", state.ListCount, state.GifCount);

    for (const bool byTime : {false, true}) {
        settings.setText(SortByTime, byTime ? QStringLiteral("True") : QString());
        timer.restart();
        collectWorkDir(state, settings, ExtTable::standard(), QDate::currentDate());
        const double walk = timer.nsecsElapsed() / 1e6;
        timer.restart();
        GSort(state, byTime);
        const double order = timer.nsecsElapsed() / 1e6;
        std::printf("walk of %d entries: %.0f ms; ordering by %s: %.1f ms\n", state.ListCount, walk,
                    byTime ? "time" : "name", order);
        if (!byTime)
            bench::printFigure("collection.walk", walk, "ms",
                               "walk of the working folder into the list (no copies)", 0);
        bench::printFigure(byTime ? "collection.order_by_time" : "collection.order_by_name", order,
                           "ms",
                           byTime ? "ordering the collected list by time of day (GSort)"
                                  : "ordering the collected list by name (GSort)");
    }
    std::printf("peak memory: %ld MB\n", peakKilobytes() / 1024);
    bench::printFigure("collection.peak_rss", peakKilobytes() / 1024.0, "MB",
                       "peak resident memory of the process", 0);
    return 0;
}

// The start-up collection beside a plain copy, in one run: `velt --list` on a 21-folder,
// 30 000-file cache (24 065 files of the 33 types, 12 153 names once later copies have replaced
// earlier ones) against `find ... -exec cp -p -f -t DIR {} +` folder by folder followed by
// deleting the copies. Both run several times, alternately; the median ratio is printed.
//
//   bench_copystage [ROUNDS] [--keep DIR]
//
// ROUNDS defaults to 7. With --keep the tree is built in DIR (or reused when it is there).
// Both sides create and delete 12 153 files per round. Where the file system is slow to create
// files soon after many were deleted (ext4 without a journal passes over inodes freed in the
// last minutes), single rounds on disk vary several times over; a tree on tmpfs
// (--keep /dev/shm/...) gives steadier figures.

#include "figure.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFolders = 21;
constexpr int kMatching = 24065;
constexpr int kNames = 12153;
constexpr int kOthers = 30000 - kMatching;

const char *const kTypes[] = {"JPG", "BMP", "ICO", "GIF", "WMF",  "EMF", "JPE", "AVI", "MPEG",
                              "RM",  "MID", "RMI", "RA",  "RAM",  "RMM", "MP1", "MP2", "MP3",
                              "M3U", "M1V", "MPA", "MPE", "MPG",  "ASF", "ASX", "MOV", "QT",
                              "WAV", "SND", "AU",  "AIF", "AIFC", "AIFF"};

QString folderName(int i)
{
    // Like the cache's own folders: eight letters and digits.
    const char *const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name;
    unsigned v = 2654435761u * unsigned(i + 1);
    for (int c = 0; c < 8; ++c) {
        name += QLatin1Char(alphabet[v % 36]);
        v = v / 36 + 7919u * unsigned(c + i);
    }
    return name;
}

// Most cached files are pictures; the case of the type varies as servers name them.
QString matchingName(int k)
{
    static const char *const firsts = "abcdefghijklmnopqrstuvwxyz0123456789_ABCDEFGHIJ";
    const int pick = k % 20;
    QString type;
    if (pick < 9)
        type = QStringLiteral("jpg");
    else if (pick < 14)
        type = QStringLiteral("gif");
    else if (pick == 14)
        type = QStringLiteral("JPG");
    else
        type = QString::fromLatin1(kTypes[(k / 20) % 33]).toLower();
    return QStringLiteral("%1img%2[1].%3").arg(QLatin1Char(firsts[(k * 7) % 47])).arg(k).arg(type);
}

QString otherName(int i)
{
    static const char *const types[] = {"htm", "js", "css", "txt", "html", "php", "png"};
    return QStringLiteral("page%1[1].%2").arg(i).arg(QLatin1String(types[i % 7]));
}

bool writeFile(const QString &path, qint64 size, int seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 131 + seed) % 251);
    f.write(data);
    f.flush();
    f.setFileTime(QDateTime(QDate(2026, 11, 1 + seed % 28), QTime(seed % 24, seed % 60, 0)),
                  QFileDevice::FileModificationTime);
    return true;
}

bool buildTree(const QString &ie)
{
    for (int i = 0; i < kFolders; ++i) {
        if (!QDir().mkpath(ie + QLatin1Char('/') + folderName(i)))
            return false;
    }
    // Matching file j is name j % kNames in folder j % kFolders: every name but 241 is there
    // twice, in two different folders.
    for (int j = 0; j < kMatching; ++j) {
        const QString path = ie + QLatin1Char('/') + folderName(j % kFolders) + QLatin1Char('/')
                + matchingName(j % kNames);
        if (!writeFile(path, 512 + (qint64(j) * 7919) % 24576, j))
            return false;
    }
    for (int i = 0; i < kOthers; ++i) {
        const QString path =
                ie + QLatin1Char('/') + folderName(i % kFolders) + QLatin1Char('/') + otherName(i);
        if (!writeFile(path, 256 + (qint64(i) * 104729) % 8192, i))
            return false;
    }
    return true;
}

double runTimed(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 7;
    QString keep;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--keep") && i + 1 < args.size())
            keep = args[++i];
        else
            rounds = std::max(1, args[i].toInt());
    }
    const QString velt = QCoreApplication::applicationDirPath() + QStringLiteral("/velt");
    if (!QFileInfo(velt).isExecutable()) {
        std::fprintf(stderr, "velt is not built beside this benchmark (%s)\n", qPrintable(velt));
        return 1;
    }

    QTemporaryDir temporary;
    const QString root = keep.isEmpty() ? temporary.path() : QDir(keep).absolutePath();
    const QString windows = root + QStringLiteral("/WINDOWS");
    const QString ie = windows + QStringLiteral("/Temporary Internet Files/Content.IE5");
    const QString plainDir = root + QStringLiteral("/PlainCopy");
    if (!QFileInfo(ie).isDir()) {
        QElapsedTimer build;
        build.start();
        if (!buildTree(ie)) {
            std::fprintf(stderr, "cannot build the tree in %s\n", qPrintable(root));
            return 1;
        }
        std::printf("tree: %d folders, %d files (%d of the 33 types, %d names), built in %.0f ms\n",
                    kFolders, kMatching + kOthers, kMatching, kNames, build.nsecsElapsed() / 1e6);
    }
    QDir().mkpath(plainDir);

    const QString reg = root + QStringLiteral("/bench.reg");
    QFile regFile(reg);
    if (!regFile.open(QIODevice::WriteOnly))
        return 1;
    regFile.write(
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]"
            "\r\n\"SystemRoot\"=\""
            + windows.toUtf8()
            + "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
              "Internet Settings\\Cache\\Paths]\r\n\"Directory\"=\""
            + ie.toUtf8() + "\"\r\n");
    regFile.close();
    const QStringList veltArgs{QStringLiteral("--list"), QStringLiteral("--registry"), reg,
                               QStringLiteral("--settings"), root + QStringLiteral("/VELT.ini")};

    // The plain copy: one find per folder in the collection's folder order, then the copies
    // deleted, as the collection's close deletes its own.
    QString expression;
    for (const char *type : kTypes)
        expression += QStringLiteral("%1-iname '*.%2'")
                              .arg(expression.isEmpty() ? QString() : QStringLiteral(" -o "))
                              .arg(QLatin1String(type));
    const QString script =
            QStringLiteral("cd \"$1\" && for d in $(ls | LC_ALL=C sort -f); do find \"$d\" "
                           "-maxdepth 1 -type f \\( %1 \\) -exec cp -p -f -t \"$2\" {} +; done && "
                           "find \"$2\" -maxdepth 1 -type f -delete")
                    .arg(expression);
    const QStringList plainArgs{QStringLiteral("-c"), script, QStringLiteral("sh"), ie, plainDir};

    std::vector<double> veltTimes, plainTimes, ratios;
    QProcess process;
    // One unmeasured run each first, so that both start from a warm page cache.
    runTimed(process, velt, veltArgs);
    runTimed(process, QStringLiteral("/bin/sh"), plainArgs);
    std::printf("round   velt --list   find+cp   ratio\n");
    for (int r = 0; r < rounds; ++r) {
        double v = 0;
        double p = 0;
        if (r % 2 == 0) {
            v = runTimed(process, velt, veltArgs);
            p = runTimed(process, QStringLiteral("/bin/sh"), plainArgs);
        } else {
            p = runTimed(process, QStringLiteral("/bin/sh"), plainArgs);
            v = runTimed(process, velt, veltArgs);
        }
        if (v < 0 || p < 0)
            return 1;
        veltTimes.push_back(v);
        plainTimes.push_back(p);
        ratios.push_back(v / p);
        std::printf("%5d %10.0f ms %7.0f ms %7.2f\n", r + 1, v, p, v / p);
        std::fflush(stdout);
    }
    std::printf("median: velt --list %.0f ms, find+cp %.0f ms, ratio %.2f (target <= 0.5)\n",
                median(veltTimes), median(plainTimes), median(ratios));
    bench::printFigure("copystage.velt_list", median(veltTimes), "ms",
                       "velt --list on the 21-folder tree (collect, walk, order, empty)", 0);
    bench::printFigure("copystage.find_cp", median(plainTimes), "ms",
                       "find ... -exec cp -p per folder, then deleting the copies", 0);
    bench::printFigure("copystage.ratio", median(ratios), "x",
                       "velt --list / find+cp, median of alternating rounds (target <= 0.5)", 2);
    return 0;
}

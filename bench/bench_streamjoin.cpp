// Joining a segmented stream: a 10-minute stream of 300 two-second fMP4 segments (500 KB each)
// joined in the working folder, beside `cat` of the same segments into one file; then, when
// ffmpeg is there to cut it, a 10-minute stream of 300 MPEG-TS segments, which is joined and
// remuxed into an MP4.
//
//   bench_streamjoin [SEGMENTS]

#include "figure.h"

#include "app/sourcetable.h"
#include "browser/segmentjoin.h"
#include "platform/workdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

using namespace velt;

namespace {

QByteArray u32(quint32 v)
{
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return u32(quint32(8 + payload.size())) + type + payload;
}

} // namespace

int main(int argc, char **argv)
{
    const int segments = argc > 1 ? std::atoi(argv[1]) : 300;
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    SourceTable table;
    QStringList paths;
    const auto add = [&](const QString &name, const QByteArray &bytes) {
        QFile f(work + QLatin1Char('/') + name);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        const QFileInfo info(f.fileName());
        SourceFacts facts;
        facts.url = QStringLiteral("https://cdn.example/show/") + name;
        facts.format = QStringLiteral("Mp4");
        facts.size = info.size();
        facts.modified = info.lastModified();
        table.insert(name, facts);
        paths << f.fileName();
    };
    const QByteArray tkhd = box("tkhd", u32(0) + u32(0) + u32(0) + u32(1) + QByteArray(68, '\0'));
    const QByteArray mdhd = box("mdhd", u32(0) + u32(0) + u32(0) + u32(90000) + u32(0) + u32(0));
    add(QStringLiteral("init.mp4"),
        box("ftyp", "iso6" + u32(0) + "iso6")
                + box("moov", box("trak", tkhd + box("mdia", mdhd)) + box("mvex", QByteArray())));
    const QByteArray payload(500 * 1024, 'x');
    for (int i = 0; i < segments; ++i) {
        const QByteArray traf = box("traf",
                                    box("tfhd", u32(8) + u32(1) + u32(3600))
                                            + box("tfdt", u32(0) + u32(quint32(i) * 180000))
                                            + box("trun", u32(0) + u32(50)));
        add(QStringLiteral("seg%1.m4s").arg(i),
            box("styp", "msdh" + u32(0)) + box("moof", box("mfhd", u32(0) + u32(i + 1)) + traf)
                    + box("mdat", payload));
    }

    QElapsedTimer timer;
    timer.start();
    QProcess cat;
    cat.setStandardOutputFile(dir.filePath(QStringLiteral("cat.mp4")));
    cat.start(QStringLiteral("cat"), paths);
    cat.waitForFinished(-1);
    const double catSeconds = timer.nsecsElapsed() / 1e9;

    const std::shared_ptr<WorkFolder> folder = WorkFolder::openOther(work);
    timer.restart();
    const QList<JoinedClip> clips = joinSegmentedStreams(*folder, table);
    const double joinSeconds = timer.nsecsElapsed() / 1e9;
    if (clips.size() != 1 || clips.first().pieces != segments + 1)
        return 1;
    std::printf("%d segments (%.0f MB, %.0f s of stream): cat %.3f s, join %.3f s\n", segments,
                segments * 0.5, clips.first().seconds, catSeconds, joinSeconds);
    bench::printFigure("streamjoin.cat_s", catSeconds, "s", "cat of the segments into one file", 3);
    bench::printFigure("streamjoin.join_s", joinSeconds, "s", "the join, pieces removed", 3);
    bench::printFigure("streamjoin.ratio", joinSeconds / catSeconds, "x",
                       "join beside cat (target <= 1.5)", 2);

    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        return 0;
    const QString ts = dir.filePath(QStringLiteral("ts"));
    QDir().mkpath(ts);
    QProcess ffmpeg;
    ffmpeg.setWorkingDirectory(ts);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"),
                  QStringLiteral("error"),
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("testsrc=duration=%1:size=320x240:rate=25").arg(segments * 2),
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("sine=duration=%1").arg(segments * 2),
                  QStringLiteral("-c:v"),
                  QStringLiteral("libx264"),
                  QStringLiteral("-preset"),
                  QStringLiteral("ultrafast"),
                  QStringLiteral("-g"),
                  QStringLiteral("50"),
                  QStringLiteral("-c:a"),
                  QStringLiteral("aac"),
                  QStringLiteral("-f"),
                  QStringLiteral("hls"),
                  QStringLiteral("-hls_time"),
                  QStringLiteral("2"),
                  QStringLiteral("-hls_playlist_type"),
                  QStringLiteral("vod"),
                  QStringLiteral("-hls_segment_filename"),
                  QStringLiteral("s%d.ts"),
                  QStringLiteral("index.m3u8")});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0)
        return 1;
    SourceTable tsTable;
    QStringList tsPaths;
    qint64 tsBytes = 0;
    for (int i = 0;; ++i) {
        const QFileInfo info(QStringLiteral("%1/s%2.ts").arg(ts).arg(i));
        if (!info.exists())
            break;
        SourceFacts facts;
        facts.url = QStringLiteral("https://cdn.example/live/s%1.ts").arg(i);
        facts.format = QStringLiteral("MpegTs");
        facts.size = info.size();
        facts.modified = info.lastModified();
        tsTable.insert(info.fileName(), facts);
        tsPaths << info.filePath();
        tsBytes += info.size();
    }
    timer.restart();
    QProcess tsCat;
    tsCat.setStandardOutputFile(dir.filePath(QStringLiteral("cat.ts")));
    tsCat.start(QStringLiteral("cat"), tsPaths);
    tsCat.waitForFinished(-1);
    const double tsCatSeconds = timer.nsecsElapsed() / 1e9;
    const std::shared_ptr<WorkFolder> tsFolder = WorkFolder::openOther(ts);
    timer.restart();
    const QList<JoinedClip> tsClips = joinSegmentedStreams(*tsFolder, tsTable);
    const double tsSeconds = timer.nsecsElapsed() / 1e9;
    if (tsClips.size() != 1 || tsClips.first().pieces != tsPaths.size())
        return 1;
    std::printf("%lld TS segments (%.0f MB, %.0f s of stream): cat %.3f s, join and remux %.3f s\n",
                qint64(tsPaths.size()), tsBytes / 1e6, tsClips.first().seconds, tsCatSeconds,
                tsSeconds);
    bench::printFigure("streamjoin.ts_cat_s", tsCatSeconds, "s", "cat of the TS segments", 3);
    bench::printFigure("streamjoin.ts_join_s", tsSeconds, "s",
                       "the TS join and its remux into MP4, pieces removed", 3);
    bench::printFigure("streamjoin.ts_ratio", tsSeconds / tsCatSeconds, "x",
                       "TS join and remux beside cat (it writes the bytes twice)", 2);
    return 0;
}

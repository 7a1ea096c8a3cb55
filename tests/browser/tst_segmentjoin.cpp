// Streams cached as segments: which pieces join, in which order, where a stream is cut; and a
// stream that ffmpeg cut into segments joined back into a clip that ffprobe reads whole.

#include "browser/budget.h"
#include "browser/segmentjoin.h"
#include "browser/streamplaylist.h"
#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;
using namespace Qt::StringLiterals;

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

// An init segment setting up tracks (id, timescale).
QByteArray init(const QList<std::pair<quint32, quint32>> &tracks)
{
    QByteArray moov = box("mvhd", QByteArray(100, '\0'));
    for (const auto &[id, scale] : tracks) {
        const QByteArray tkhd =
                box("tkhd", u32(0) + u32(0) + u32(0) + u32(id) + QByteArray(68, '\0'));
        const QByteArray mdhd =
                box("mdhd", u32(0) + u32(0) + u32(0) + u32(scale) + u32(0) + u32(0));
        moov += box("trak", tkhd + box("mdia", mdhd));
    }
    moov += box("mvex", box("trex", u32(0) + u32(1) + QByteArray(16, '\0')));
    return box("ftyp", "iso6" + u32(0) + "iso6") + box("moov", moov);
}

// A media segment of track: sequence, decode time, samples x duration; count overrides the
// trun's sample count (a lie) when given.
QByteArray media(quint32 track, quint32 sequence, quint64 time, quint32 samples, quint32 duration,
                 quint32 count = 0)
{
    const QByteArray tfhd = box("tfhd", u32(0x000008) + u32(track) + u32(duration));
    const QByteArray tfdt =
            box("tfdt", u32(0x01000000) + u32(quint32(time >> 32)) + u32(quint32(time)));
    const QByteArray trun = box("trun", u32(0) + u32(count ? count : samples));
    const QByteArray moof =
            box("moof", box("mfhd", u32(0) + u32(sequence)) + box("traf", tfhd + tfdt + trun));
    return box("styp", "msdh" + u32(0)) + moof
            + box("mdat", QByteArray(16, char('a' + sequence % 26)));
}

// pieces: "name@folder" with bytes; the plans written as "init: a b c" plus " cut" when a gap
// ended the stream.
using Pieces = QList<std::tuple<QString, QString, QByteArray>>;

QStringList plansOf(const Pieces &pieces)
{
    QList<StreamPiece> list;
    for (const auto &[name, folder, bytes] : pieces)
        list.append({name, u"https://cdn.example/"_s + folder + u'/' + name, parseFragment(bytes)});
    QStringList out;
    for (const StreamPlan &plan : planStreams(list))
        out << plan.init + u": "_s + plan.media.join(u' ') + (plan.cut ? u" cut"_s : QString());
    return out;
}

} // namespace

class TestSegmentJoin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plans_data();
    void plans();
    void ffmpegStreamJoinsWhole_data();
    void ffmpegStreamJoinsWhole();
    void transportStreams_data();
    void transportStreams();
    void playlists_data();
    void playlists();
};

void TestSegmentJoin::plans_data()
{
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<QStringList>("expected");
    const QByteArray v = init({{1, 1000}});
    const auto seg = [](quint32 n) {
        return media(1, n, quint64(n - 1) * 2000, 50, 40);
    };
    QTest::newRow("in order") << Pieces{{u"i.mp4"_s, u"v"_s, v},
                                        {u"1.m4s"_s, u"v"_s, seg(1)},
                                        {u"2.m4s"_s, u"v"_s, seg(2)},
                                        {u"3.m4s"_s, u"v"_s, seg(3)}}
                              << QStringList{u"i.mp4: 1.m4s 2.m4s 3.m4s"_s};
    QTest::newRow("shuffled, by decode time not name")
            << Pieces{{u"c.m4s"_s, u"v"_s, seg(1)},
                      {u"a.m4s"_s, u"v"_s, seg(3)},
                      {u"i.mp4"_s, u"v"_s, v},
                      {u"b.m4s"_s, u"v"_s, seg(2)}}
            << QStringList{u"i.mp4: c.m4s b.m4s a.m4s"_s};
    QTest::newRow("a duplicate dropped") << Pieces{{u"i.mp4"_s, u"v"_s, v},
                                                   {u"1.m4s"_s, u"v"_s, seg(1)},
                                                   {u"1b.m4s"_s, u"v"_s, seg(1)},
                                                   {u"2.m4s"_s, u"v"_s, seg(2)}}
                                         << QStringList{u"i.mp4: 1.m4s 2.m4s"_s};
    QTest::newRow("a gap cuts it short") << Pieces{{u"i.mp4"_s, u"v"_s, v},
                                                   {u"1.m4s"_s, u"v"_s, seg(1)},
                                                   {u"2.m4s"_s, u"v"_s, seg(2)},
                                                   {u"4.m4s"_s, u"v"_s, seg(4)}}
                                         << QStringList{u"i.mp4: 1.m4s 2.m4s cut"_s};
    QTest::newRow("media without an init segment stays pieces")
            << Pieces{{u"1.m4s"_s, u"v"_s, seg(1)}, {u"2.m4s"_s, u"v"_s, seg(2)}} << QStringList{};
    QTest::newRow("an init segment without media stays")
            << Pieces{{u"i.mp4"_s, u"v"_s, v}} << QStringList{};
    QTest::newRow("segments claiming another track stay pieces")
            << Pieces{{u"i.mp4"_s, u"v"_s, v},
                      {u"1.m4s"_s, u"v"_s, seg(1)},
                      {u"x.m4s"_s, u"v"_s, media(7, 2, 2000, 50, 40)}}
            << QStringList{u"i.mp4: 1.m4s"_s};
    QTest::newRow("two renditions of one track id, told apart by folder")
            << Pieces{{u"i.mp4"_s, u"720p"_s, v},
                      {u"i.mp4"_s, u"audio"_s, init({{1, 48000}})},
                      {u"1.m4s"_s, u"720p"_s, seg(1)},
                      {u"a1.m4s"_s, u"audio"_s, media(1, 1, 0, 47, 1024)}}
            << QStringList{u"i.mp4: 1.m4s"_s, u"i.mp4: a1.m4s"_s};
    QTest::newRow("a trun claiming 4 G samples is read to its end")
            << Pieces{{u"i.mp4"_s, u"v"_s, v},
                      {u"1.m4s"_s, u"v"_s, media(1, 1, 0, 50, 40, 0xFFFFFFFF)}}
            << QStringList{u"i.mp4: 1.m4s"_s};
    QTest::newRow("not fragments at all")
            << Pieces{{u"a.mp4"_s, u"v"_s, QByteArray("\0\0\0\x08junk", 8)},
                      {u"b.mp4"_s, u"v"_s, QByteArray()}}
            << QStringList{};
}

void TestSegmentJoin::plans()
{
    QFETCH(Pieces, pieces);
    QFETCH(QStringList, expected);
    QCOMPARE(plansOf(pieces), expected);
}

void TestSegmentJoin::ffmpegStreamJoinsWhole_data()
{
    QTest::addColumn<bool>("separate"); // picture and sound as two renditions
    QTest::newRow("picture and sound in one rendition") << false;
    QTest::newRow("picture and sound as two renditions") << true;
}

void TestSegmentJoin::ffmpegStreamJoinsWhole()
{
    QFETCH(bool, separate);
    if (QStandardPaths::findExecutable(u"ffmpeg"_s).isEmpty()
        || QStandardPaths::findExecutable(u"ffprobe"_s).isEmpty())
        QSKIP("ffmpeg and ffprobe cut and measure the stream");
    QTemporaryDir dir;
    // Six seconds of pictures and sound cut into one-second fMP4 segments, the pieces named by
    // rendition as extraction would name them apart.
    const auto cut = [&](const QString &prefix, const QStringList &only) {
        QProcess ffmpeg;
        ffmpeg.setWorkingDirectory(dir.path());
        ffmpeg.start(u"ffmpeg"_s,
                     QStringList{u"-v"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                                 u"testsrc=duration=6:size=160x120:rate=25"_s, u"-f"_s, u"lavfi"_s,
                                 u"-i"_s, u"sine=duration=6"_s, u"-c:v"_s, u"libx264"_s, u"-g"_s,
                                 u"25"_s, u"-c:a"_s, u"aac"_s}
                             + only
                             + QStringList{u"-f"_s, u"hls"_s, u"-hls_time"_s, u"1"_s,
                                           u"-hls_segment_type"_s, u"fmp4"_s,
                                           u"-hls_playlist_type"_s, u"vod"_s,
                                           u"-hls_fmp4_init_filename"_s, prefix + u"init.mp4"_s,
                                           u"-hls_segment_filename"_s, prefix + u"seg%d.m4s"_s,
                                           prefix + u".m3u8"_s});
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
    };
    if (separate) {
        QVERIFY(cut(u"v-"_s, {u"-an"_s}));
        QVERIFY(cut(u"a-"_s, {u"-vn"_s}));
    } else {
        QVERIFY(cut(u"v-"_s, {}));
    }
    // As extraction leaves them: every piece with its facts.
    const std::shared_ptr<WorkFolder> folder = WorkFolder::openOther(dir.path());
    QVERIFY(folder);
    SourceTable table;
    const QDateTime fetched = QDateTime::fromString(u"2026-03-04T05:06:07Z"_s, Qt::ISODate);
    int pieces = 0;
    for (const QString &name : QDir(dir.path()).entryList({u"*.mp4"_s, u"*.m4s"_s}, QDir::Files)) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.setFileTime(fetched.addSecs(pieces++), QFileDevice::FileModificationTime);
        SourceFacts facts;
        facts.url = u"https://cdn.example/show/"_s
                + (name.startsWith(u"v-"_s) ? u"720p/"_s : u"audio/"_s) + name.mid(2);
        facts.format = u"Mp4"_s;
        facts.size = file.size();
        facts.modified = file.fileTime(QFileDevice::FileModificationTime);
        table.insert(name, facts);
    }
    QVERIFY(pieces >= 7);
    const QList<JoinedClip> clips = joinSegmentedStreams(*folder, table);
    QCOMPARE(clips.size(), 1);
    QCOMPARE(clips.first().name, u"720p.mp4"_s);
    QCOMPARE(clips.first().pieces, pieces);
    QCOMPARE(clips.first().withSound, separate);
    QVERIFY(!clips.first().cut);
    QVERIFY(qAbs(clips.first().seconds - 6.0) < 0.1);
    // Only the clip is left of the pieces, and the table knows the clip alone, dated by the
    // first piece.
    QCOMPARE(QDir(dir.path()).entryList({u"*.mp4"_s, u"*.m4s"_s, u"*.velt-mux"_s}, QDir::Files),
             QStringList{u"720p.mp4"_s});
    QCOMPARE(table.fileNames(), QStringList{u"720p.mp4"_s});
    const std::optional<SourceFacts> facts = table.lookup(dir.filePath(u"720p.mp4"_s));
    QVERIFY(facts);
    QCOMPARE(facts->modified, fetched);

    const auto probe = [&](const char *stream, const char *entry) {
        QProcess ffprobe;
        ffprobe.start(u"ffprobe"_s,
                      {u"-v"_s, u"error"_s, u"-count_frames"_s, u"-select_streams"_s,
                       QString::fromLatin1(stream), u"-show_entries"_s,
                       u"stream="_s + QLatin1String(entry), u"-of"_s, u"csv=p=0"_s,
                       dir.filePath(u"720p.mp4"_s)});
        ffprobe.waitForFinished(60000);
        return ffprobe.readAllStandardOutput().trimmed();
    };
    QCOMPARE(probe("v:0", "nb_read_frames"), QByteArray("150"));
    QCOMPARE(probe("a:0", "codec_name"), QByteArray("aac"));
}

void TestSegmentJoin::transportStreams_data()
{
    QTest::addColumn<QStringList>("missing"); // pieces the cache lost
    QTest::addColumn<qint64>("budget");       // bytes a collection may still write; -1 unbounded
    QTest::addColumn<int>("joined");          // pieces in the clip; 0: no clip
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("playlist"); // the cache holds the playlist; the addresses mislead
    QTest::newRow("whole, fetched in reverse order")
            << QStringList{} << qint64(-1) << 6 << false << false;
    QTest::newRow("a lost piece cuts it short")
            << QStringList{u"seg3.ts"_s} << qint64(-1) << 3 << true << false;
    QTest::newRow("past the budget it stays pieces")
            << QStringList{} << qint64(1000) << 0 << false << false;
    QTest::newRow("the playlist's order, not the addresses'")
            << QStringList{} << qint64(-1) << 6 << false << true;
    QTest::newRow("the playlist's order up to a lost piece")
            << QStringList{u"seg4.ts"_s} << qint64(-1) << 4 << true << true;
}

// HLS segments as MPEG transport streams: joined in the order of their addresses' numbers and
// remuxed into an MP4 that ffprobe reads with its frames and sound.
void TestSegmentJoin::transportStreams()
{
    QFETCH(QStringList, missing);
    QFETCH(qint64, budget);
    QFETCH(int, joined);
    QFETCH(bool, cut);
    QFETCH(bool, playlist);
    if (QStandardPaths::findExecutable(u"ffmpeg"_s).isEmpty()
        || QStandardPaths::findExecutable(u"ffprobe"_s).isEmpty())
        QSKIP("ffmpeg and ffprobe cut and measure the stream");
    QTemporaryDir dir;
    QProcess ffmpeg;
    ffmpeg.setWorkingDirectory(dir.path());
    ffmpeg.start(u"ffmpeg"_s,
                 {u"-v"_s,
                  u"error"_s,
                  u"-f"_s,
                  u"lavfi"_s,
                  u"-i"_s,
                  u"testsrc=duration=6:size=160x120:rate=25"_s,
                  u"-f"_s,
                  u"lavfi"_s,
                  u"-i"_s,
                  u"sine=duration=6"_s,
                  u"-c:v"_s,
                  u"libx264"_s,
                  u"-g"_s,
                  u"25"_s,
                  u"-c:a"_s,
                  u"aac"_s,
                  u"-f"_s,
                  u"hls"_s,
                  u"-hls_time"_s,
                  u"1"_s,
                  u"-hls_playlist_type"_s,
                  u"vod"_s,
                  u"-hls_segment_filename"_s,
                  u"seg%d.ts"_s,
                  u"index.m3u8"_s});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const QStringList pieces = QDir(dir.path()).entryList({u"seg*.ts"_s}, QDir::Files);
    QCOMPARE(pieces.size(), 6);
    const std::shared_ptr<WorkFolder> folder = WorkFolder::openOther(dir.path());
    QVERIFY(folder);
    SourceTable table;
    const QDateTime fetched = QDateTime::fromString(u"2026-03-04T05:06:07Z"_s, Qt::ISODate);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (missing.contains(pieces[i])) {
            QFile::remove(dir.filePath(pieces[i]));
            continue;
        }
        QFile file(dir.filePath(pieces[i]));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.setFileTime(fetched.addSecs(100 - i), QFileDevice::FileModificationTime);
        SourceFacts facts;
        // With a playlist the addresses' numbers run backwards; it alone tells the order.
        facts.url = u"https://cdn.example/live/480p/"_s
                + (playlist ? u"part%1.ts"_s.arg(90 - i) : pieces[i] + u"?token=1"_s);
        facts.format = u"MpegTs"_s;
        facts.size = file.size();
        facts.modified = file.fileTime(QFileDevice::FileModificationTime);
        table.insert(pieces[i], facts);
    }
    if (playlist) {
        QByteArray text = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
        for (qsizetype i = 0; i < pieces.size(); ++i)
            text += "#EXTINF:1.0,\n../480p/part" + QByteArray::number(90 - i) + ".ts\n";
        QFile file(dir.filePath(u"index.m3u8"_s));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text + "#EXT-X-ENDLIST\n");
        file.close();
        SourceFacts facts;
        facts.url = u"https://cdn.example/live/480p/index.m3u8"_s;
        facts.format = u"Hls"_s;
        facts.size = text.size() + 15;
        facts.modified = QFileInfo(file.fileName()).lastModified();
        table.insert(u"index.m3u8"_s, facts);
    }
    BudgetLimits limits;
    if (budget >= 0)
        limits.totalDecoded = budget;
    ExtractBudget spending(limits, [] { return qint64(0); });
    const QList<JoinedClip> clips = joinSegmentedStreams(*folder, table, &spending);
    if (joined == 0) {
        QVERIFY(clips.isEmpty());
        QCOMPARE(spending.skipped(), 1);
        QCOMPARE(table.fileNames().size(), pieces.size());
        return;
    }
    QCOMPARE(clips.size(), 1);
    QCOMPARE(clips.first().name, u"480p.mp4"_s);
    QCOMPARE(clips.first().pieces, joined);
    QCOMPARE(clips.first().cut, cut);
    QVERIFY2(qAbs(clips.first().seconds - joined) < 0.2,
             qPrintable(QString::number(clips.first().seconds)));
    // The joined pieces are gone, those after a gap stay; the clip is dated by the earliest
    // fetch of its pieces.
    // The playlist goes too: it only told the order.
    QCOMPARE(table.fileNames().size(), 1 + pieces.size() - missing.size() - joined);
    QVERIFY(!QFile::exists(dir.filePath(u"index.m3u8"_s)) || !playlist);
    const std::optional<SourceFacts> facts = table.lookup(dir.filePath(u"480p.mp4"_s));
    QVERIFY(facts);
    QCOMPARE(facts->cut, cut);
    QCOMPARE(facts->modified, fetched.addSecs(100 - joined + 1));
    QVERIFY(QDir(dir.path()).entryList({u"*.velt-ts"_s}, QDir::Files).isEmpty());
    QProcess ffprobe;
    ffprobe.start(u"ffprobe"_s,
                  {u"-v"_s, u"error"_s, u"-count_frames"_s, u"-show_entries"_s,
                   u"stream=codec_type,nb_read_frames"_s, u"-of"_s, u"csv=p=0"_s,
                   dir.filePath(u"480p.mp4"_s)});
    QVERIFY(ffprobe.waitForFinished(60000));
    const QByteArray streams = ffprobe.readAllStandardOutput();
    QVERIFY2(streams.contains("video," + QByteArray::number(joined * 25)), streams.constData());
    QVERIFY2(streams.contains("audio,"), streams.constData());
}

void TestSegmentJoin::playlists_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("dash");
    QTest::addColumn<QStringList>("expected"); // per playlist: "init|count|first|last"
    QByteArray million = "#EXTM3U\n";
    for (int i = 0; i < 1000000; ++i)
        million += "#EXTINF:2,\ns" + QByteArray::number(i) + ".ts\n";
    QTest::newRow("hls, relative and absolute URIs")
            << QByteArray("#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:7\n#EXT-X-MAP:URI=\"init.mp4\"\n"
                          "#EXTINF:2,\nseg7.m4s?x=1\n#EXTINF:2,\n/other/seg8.m4s\n"
                          "#EXTINF:2,\nhttps://cdn2.example/seg9.m4s\n")
            << false
            << QStringList{u"https://cdn.example/v/init.mp4|3|https://cdn.example/v/seg7.m4s?x=1|"
                           "https://cdn2.example/seg9.m4s"_s};
    QTest::newRow("hls master playlist names no segments")
            << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nlow.m3u8\n") << false
            << QStringList{};
    QTest::newRow("hls naming a million segments is read up to the bound")
            << million << false
            << QStringList{
                       u"|100000|https://cdn.example/v/s0.ts|https://cdn.example/v/s99999.ts"_s};
    QTest::newRow("dash template with $Number$ and a duration")
            << QByteArray("<?xml version=\"1.0\"?><MPD mediaPresentationDuration=\"PT0M9.5S\">"
                          "<Period><AdaptationSet><SegmentTemplate timescale=\"1000\" "
                          "duration=\"2000\" startNumber=\"5\" media=\"$RepresentationID$/"
                          "c$Number%03d$.m4s\" initialization=\"$RepresentationID$/i.mp4\"/>"
                          "<Representation id=\"720p\"/><Representation id=\"a\"/>"
                          "</AdaptationSet></Period></MPD>")
            << true
            << QStringList{u"https://cdn.example/v/720p/i.mp4|5|https://cdn.example/v/720p/"
                           "c005.m4s|https://cdn.example/v/720p/c009.m4s"_s,
                           u"https://cdn.example/v/a/i.mp4|5|https://cdn.example/v/a/c005.m4s|"
                           "https://cdn.example/v/a/c009.m4s"_s};
    QTest::newRow("dash timeline with $Time$ and repeats")
            << QByteArray("<MPD><Period><BaseURL>https://media.example/s/</BaseURL>"
                          "<AdaptationSet><Representation id=\"v\"><SegmentTemplate "
                          "media=\"t$Time$.m4s\" initialization=\"init.mp4\"><SegmentTimeline>"
                          "<S t=\"100\" d=\"50\" r=\"2\"/><S d=\"20\"/></SegmentTimeline>"
                          "</SegmentTemplate></Representation></AdaptationSet></Period></MPD>")
            << true
            << QStringList{u"https://media.example/s/init.mp4|4|https://media.example/s/t100.m4s|"
                           "https://media.example/s/t250.m4s"_s};
    QTest::newRow("dash segment list")
            << QByteArray("<MPD><Period><AdaptationSet><Representation id=\"v\"><SegmentList>"
                          "<Initialization sourceURL=\"in.mp4\"/><SegmentURL media=\"a.m4s\"/>"
                          "<SegmentURL media=\"b.m4s\"/></SegmentList></Representation>"
                          "</AdaptationSet></Period></MPD>")
            << true
            << QStringList{u"https://cdn.example/v/in.mp4|2|https://cdn.example/v/a.m4s|"
                           "https://cdn.example/v/b.m4s"_s};
    QTest::newRow("dash repeat count of a billion is bounded")
            << QByteArray("<MPD><Period><AdaptationSet><Representation id=\"v\"><SegmentTemplate "
                          "media=\"$Number$.m4s\"><SegmentTimeline><S t=\"0\" d=\"1\" "
                          "r=\"1000000000\"/></SegmentTimeline></SegmentTemplate>"
                          "</Representation></AdaptationSet></Period></MPD>")
            << true
            << QStringList{
                       u"|100000|https://cdn.example/v/1.m4s|https://cdn.example/v/100000.m4s"_s};
    QTest::newRow("dash presentation of 10^52 seconds is bounded")
            << QByteArray("<MPD mediaPresentationDuration=\"PT1" + QByteArray(52, '0')
                          + "S\"><Period><AdaptationSet><SegmentTemplate timescale=\"1000\" "
                            "duration=\"2000\" startNumber=\"5\" media=\"c$Number%03d$.m4s\"/>"
                            "<Representation id=\"v\"/></AdaptationSet></Period></MPD>")
            << true
            << QStringList{
                       u"|100000|https://cdn.example/v/c005.m4s|https://cdn.example/v/c100004.m4s"_s};
    QTest::newRow("not xml at all") << QByteArray("<MPD><Period") << true << QStringList{};
}

// Playlists name the segments in playing order, bounded however many they name.
void TestSegmentJoin::playlists()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, dash);
    QFETCH(QStringList, expected);
    const QString url = u"https://cdn.example/v/list"_s;
    QList<StreamPlaylist> lists;
    if (dash)
        lists = parseDashManifest(text, url);
    else if (const StreamPlaylist hls = parseHlsPlaylist(text, url); !hls.segments.isEmpty())
        lists << hls;
    QStringList got;
    for (const StreamPlaylist &list : lists)
        got << list.init + u'|' + QString::number(list.segments.size()) + u'|'
                        + list.segments.first() + u'|' + list.segments.last();
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestSegmentJoin)
#include "tst_segmentjoin.moc"

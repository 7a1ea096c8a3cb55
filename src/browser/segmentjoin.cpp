#include "browser/segmentjoin.h"

#include "browser/budget.h"
#include "browser/filename.h"
#include "browser/mediaduration.h"
#include "browser/streammux.h"
#include "browser/streamplaylist.h"
#include "platform/namebytes.h"
#include "platform/workdir.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>

namespace velt {

namespace {

// The boxes that say what a segment is lie at its start; the media data after them is copied,
// never parsed. A first look reads this much, more only when a moov or moof runs past it.
constexpr qint64 kHeadBytes = 64 * 1024;
constexpr qint64 kMaxHeadBytes = 16 * 1024 * 1024;
// A stream of more segments than this is not one a browser fetched; the rest stays pieces.
constexpr int kMaxSegments = 100000;
constexpr qint64 kCopyChunk = 1024 * 1024;

struct Box
{
    QByteArrayView type;
    QByteArrayView body;
};

quint32 u32(QByteArrayView b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16
            | quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

quint64 u64(QByteArrayView b, qsizetype at)
{
    return quint64(u32(b, at)) << 32 | u32(b, at + 4);
}

// The boxes directly inside b; a box running past the end is cut to what is there (the last).
QList<Box> boxes(QByteArrayView b)
{
    QList<Box> out;
    qsizetype at = 0;
    while (at + 8 <= b.size()) {
        quint64 size = u32(b, at);
        qsizetype header = 8;
        if (size == 1) {
            if (at + 16 > b.size())
                break;
            size = u64(b, at + 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(b.size() - at);
        }
        if (size < quint64(header))
            break;
        const qsizetype end = size > quint64(b.size() - at) ? b.size() : at + qsizetype(size);
        out.append({b.sliced(at + 4, 4), b.sliced(at + header, end - at - header)});
        at = end;
    }
    return out;
}

const Box *find(const QList<Box> &list, QByteArrayView type)
{
    for (const Box &box : list)
        if (box.type == type)
            return &box;
    return nullptr;
}

void parseInit(const QList<Box> &top, Fragment &f)
{
    const Box *moov = find(top, "moov");
    if (!moov)
        return;
    const QList<Box> inMoov = boxes(moov->body);
    if (!find(inMoov, "mvex"))
        return; // a whole MP4, not the start of a stream
    for (const Box &trak : inMoov) {
        if (trak.type != "trak")
            continue;
        const QList<Box> inTrak = boxes(trak.body);
        const Box *tkhd = find(inTrak, "tkhd");
        const Box *mdia = find(inTrak, "mdia");
        if (!tkhd || tkhd->body.size() < 4)
            continue;
        const bool v1 = tkhd->body[0] == 1;
        const qsizetype idAt = v1 ? 20 : 12;
        if (tkhd->body.size() < idAt + 4)
            continue;
        quint32 timescale = 0;
        QByteArray handler;
        if (mdia) {
            const QList<Box> inMdia = boxes(mdia->body);
            if (const Box *hdlr = find(inMdia, "hdlr"); hdlr && hdlr->body.size() >= 12)
                handler = hdlr->body.sliced(8, 4).toByteArray();
            if (const Box *mdhd = find(inMdia, "mdhd"); mdhd && mdhd->body.size() >= 4) {
                const qsizetype scaleAt = mdhd->body[0] == 1 ? 20 : 12;
                if (mdhd->body.size() >= scaleAt + 4)
                    timescale = u32(mdhd->body, scaleAt);
            }
        }
        f.tracks.append(u32(tkhd->body, idAt));
        f.timescales.append(timescale);
        f.handlers.append(handler);
    }
    if (!f.tracks.isEmpty())
        f.kind = Fragment::Init;
}

// The duration of one track fragment: its samples' own durations, else the default one.
quint64 trafDuration(const QList<Box> &inTraf, quint32 defaultDuration)
{
    quint64 total = 0;
    for (const Box &trun : inTraf) {
        if (trun.type != "trun" || trun.body.size() < 8)
            continue;
        const quint32 flags = u32(trun.body, 0) & 0xFFFFFF;
        const quint32 count = u32(trun.body, 4);
        qsizetype at = 8 + ((flags & 0x1) ? 4 : 0) + ((flags & 0x4) ? 4 : 0);
        if (!(flags & 0x100)) {
            total += quint64(count) * defaultDuration;
            continue;
        }
        const qsizetype per = 4
                * (1 + ((flags & 0x200) ? 1 : 0) + ((flags & 0x400) ? 1 : 0)
                   + ((flags & 0x800) ? 1 : 0));
        // A count past the box's end is read up to the end.
        for (quint32 i = 0; i < count && at + 4 <= trun.body.size(); ++i, at += per)
            total += u32(trun.body, at);
    }
    return total;
}

void parseMedia(const QList<Box> &top, Fragment &f)
{
    bool first = true;
    for (const Box &moof : top) {
        if (moof.type != "moof")
            continue;
        const QList<Box> inMoof = boxes(moof.body);
        if (const Box *mfhd = find(inMoof, "mfhd"); first && mfhd && mfhd->body.size() >= 8)
            f.sequence = u32(mfhd->body, 4);
        for (const Box &traf : inMoof) {
            if (traf.type != "traf")
                continue;
            const QList<Box> inTraf = boxes(traf.body);
            const Box *tfhd = find(inTraf, "tfhd");
            if (!tfhd || tfhd->body.size() < 8)
                continue;
            const quint32 track = u32(tfhd->body, 4);
            const quint32 flags = u32(tfhd->body, 0) & 0xFFFFFF;
            qsizetype at = 8 + ((flags & 0x1) ? 8 : 0) + ((flags & 0x2) ? 4 : 0);
            quint32 defaultDuration = 0;
            if ((flags & 0x8) && at + 4 <= tfhd->body.size())
                defaultDuration = u32(tfhd->body, at);
            if (!f.tracks.contains(track))
                f.tracks.append(track);
            if (track != f.tracks.first())
                continue;
            if (const Box *tfdt = find(inTraf, "tfdt"); first && tfdt && tfdt->body.size() >= 8) {
                const bool v1 = tfdt->body[0] == 1;
                if (!v1 || tfdt->body.size() >= 12) {
                    f.decodeTime = v1 ? u64(tfdt->body, 4) : u32(tfdt->body, 4);
                    f.hasDecodeTime = true;
                }
            }
            f.duration += trafDuration(inTraf, defaultDuration);
        }
        first = false;
    }
    if (!f.tracks.isEmpty())
        f.kind = Fragment::Media;
}

// "https://cdn.example/v/720p/seg-12.m4s?t=1" -> "https://cdn.example/v/720p/"
QString folderOf(const QString &url)
{
    const QUrl u(url);
    QString path = u.path();
    path.truncate(path.lastIndexOf(QLatin1Char('/')) + 1);
    return u.scheme() + QLatin1String("://") + u.authority() + path;
}

// The last number in an address's last path segment: "seg-12.m4s" -> 12; -1 without one.
qint64 numberIn(const QString &url)
{
    static const QRegularExpression digits(QStringLiteral("(\\d{1,15})(?!.*\\d)"));
    const QString segment = QUrl(url).path().section(QLatin1Char('/'), -1);
    const QRegularExpressionMatch m = digits.match(segment);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

QString procPath(const WorkFolder &folder, const QString &name)
{
    return QStringLiteral("/proc/self/fd/%1/").arg(folder.fd()) + name;
}

QByteArray readHead(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray head = file.read(kHeadBytes);
    // The boxes before the media data, each read whole (a cut trun would shorten the duration).
    qint64 at = 0;
    while (at + 8 <= head.size()) {
        quint64 size = u32(head, at);
        const QByteArrayView type = QByteArrayView(head).sliced(at + 4, 4);
        if (size == 1 && at + 16 <= head.size())
            size = u64(head, at + 8);
        if (size < 8 || type == "mdat")
            break;
        const quint64 end = quint64(at) + size;
        if (end > quint64(head.size())) {
            if (end > quint64(kMaxHeadBytes))
                break;
            head += file.read(qint64(end) - head.size());
            if (quint64(head.size()) < end)
                break;
        }
        at = qint64(end);
    }
    return head;
}

// Appends the file at path to fd: in the kernel where it can, else through a buffer.
bool appendFile(int fd, const QString &path)
{
    const int in = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    bool ok = true;
    bool kernel = true;
    QByteArray buffer;
    for (;;) {
        ssize_t n = -1;
        if (kernel) {
            n = ::copy_file_range(in, nullptr, fd, nullptr, size_t(kCopyChunk), 0);
            if (n < 0
                && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernel = false;
                continue;
            }
        } else {
            buffer.resize(kCopyChunk);
            n = ::read(in, buffer.data(), size_t(buffer.size()));
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t w = ::write(fd, buffer.constData() + done, size_t(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    n = -1;
                    break;
                }
                done += w;
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
    }
    ::close(in);
    return ok;
}

struct ClipFacts
{
    QByteArray handler;
    QString host;
    SourceFacts facts;
};

// Pairs each picture-only clip with the sound-only clip that goes with it (same server,
// fetched within two minutes, as long) and puts both into one file under the picture's name.
void giveSound(const WorkFolder &folder, SourceTable &table, QList<JoinedClip> &clips,
               const QList<ClipFacts> &facts)
{
    QList<bool> used(clips.size(), false);
    for (qsizetype v = 0; v < clips.size(); ++v) {
        if (facts[v].handler != "vide")
            continue;
        qsizetype best = -1;
        for (qsizetype a = 0; a < clips.size(); ++a) {
            if (used[a] || facts[a].handler != "soun" || facts[a].host != facts[v].host)
                continue;
            const double difference = qAbs(clips[a].seconds - clips[v].seconds);
            if (difference > qMax(1.0, clips[v].seconds * 0.02)
                || qAbs(facts[a].facts.modified.secsTo(facts[v].facts.modified)) > 120)
                continue;
            if (best < 0 || difference < qAbs(clips[best].seconds - clips[v].seconds))
                best = a;
        }
        if (best < 0)
            continue;
        const QString temporary = clips[v].name + QStringLiteral(".velt-mux");
        const int fd = folder.createFile(QFile::encodeName(temporary), 0600);
        if (fd < 0)
            continue;
        ::close(fd);
        QString why;
        if (!muxVideoAndSound(procPath(folder, clips[v].name), procPath(folder, clips[best].name),
                              procPath(folder, temporary), &why)
            || ::renameat(folder.fd(), QFile::encodeName(temporary).constData(), folder.fd(),
                          QFile::encodeName(clips[v].name).constData())
                    != 0) {
            // The two clips stay as they are, each playable on its own.
            folder.removeFile(QFile::encodeName(temporary));
            continue;
        }
        SourceFacts joined = facts[v].facts;
        joined.cut = joined.cut || facts[best].facts.cut;
        {
            QFile out(procPath(folder, clips[v].name));
            if (out.open(QIODevice::ReadWrite)) {
                out.setFileTime(std::min(facts[v].facts.modified, facts[best].facts.modified),
                                QFileDevice::FileModificationTime);
                joined.size = out.size();
                joined.modified = out.fileTime(QFileDevice::FileModificationTime);
            }
        }
        table.insert(clips[v].name, joined);
        folder.removeFile(QFile::encodeName(clips[best].name));
        table.remove(clips[best].name);
        clips[v].withSound = true;
        clips[v].cut = joined.cut;
        clips[v].pieces += clips[best].pieces;
        used[best] = true;
    }
    for (qsizetype i = clips.size() - 1; i >= 0; --i) {
        if (used[i])
            clips.removeAt(i);
    }
}

} // namespace

Fragment parseFragment(const QByteArray &bytes)
{
    Fragment f;
    const QList<Box> top = boxes(bytes);
    if (top.isEmpty())
        return f;
    if (top.first().type == "ftyp")
        parseInit(top, f);
    else if (top.first().type == "styp" || top.first().type == "moof" || top.first().type == "sidx")
        parseMedia(top, f);
    return f;
}

QList<StreamPlan> planStreams(const QList<StreamPiece> &pieces)
{
    QList<int> inits;
    for (int i = 0; i < pieces.size(); ++i)
        if (pieces[i].fragment.kind == Fragment::Init)
            inits.append(i);
    // Media segments by the init segment and track they belong to, in the order first seen.
    QList<std::pair<int, quint32>> keys;
    QHash<std::pair<int, quint32>, QList<int>> streams;
    for (int i = 0; i < pieces.size(); ++i) {
        const Fragment &f = pieces[i].fragment;
        if (f.kind != Fragment::Media)
            continue;
        QList<int> candidates;
        for (int k : std::as_const(inits))
            if (pieces[k].fragment.tracks.contains(f.tracks.first()))
                candidates.append(k);
        if (candidates.size() > 1) {
            const QString folder = folderOf(pieces[i].url);
            candidates.removeIf([&](int k) { return folderOf(pieces[k].url) != folder; });
        }
        if (candidates.size() != 1)
            continue; // no init segment, or no telling which
        const std::pair key{candidates.first(), f.tracks.first()};
        if (!streams.contains(key))
            keys.append(key);
        streams[key].append(i);
    }

    QList<StreamPlan> plans;
    for (const auto &key : std::as_const(keys)) {
        QList<int> media = streams.value(key);
        const Fragment &init = pieces[key.first].fragment;
        const auto all = [&](auto test) {
            return std::all_of(media.cbegin(), media.cend(),
                               [&](int i) { return test(pieces[i].fragment); });
        };
        const bool timed = all([](const Fragment &f) { return f.hasDecodeTime; });
        const bool numbered = all([](const Fragment &f) { return f.sequence > 0; });
        std::stable_sort(media.begin(), media.end(), [&](int a, int b) {
            const Fragment &x = pieces[a].fragment, &y = pieces[b].fragment;
            if (timed && x.decodeTime != y.decodeTime)
                return x.decodeTime < y.decodeTime;
            if (numbered && x.sequence != y.sequence)
                return x.sequence < y.sequence;
            return numberIn(pieces[a].url) < numberIn(pieces[b].url);
        });
        const quint32 timescale = init.timescales.value(init.tracks.indexOf(key.second));

        StreamPlan plan;
        plan.init = pieces[key.first].name;
        plan.handler = init.handlers.value(init.tracks.indexOf(key.second));
        int previous = -1;
        for (qsizetype at = 0; at < media.size(); ++at) {
            const Fragment &f = pieces[media[at]].fragment;
            if (previous >= 0) {
                const Fragment &p = pieces[previous].fragment;
                const bool repeated = timed
                        ? f.decodeTime < p.decodeTime + qMax<quint64>(p.duration, 1)
                        : numbered && f.sequence == p.sequence;
                if (repeated) {
                    ++plan.dropped; // the same piece twice, or one overlapping the one before
                    continue;
                }
                // A hole of more than a tenth of a second, or a missing sequence number.
                const bool gap = timed && p.duration > 0 && timescale > 0
                        ? f.decodeTime > p.decodeTime + p.duration + timescale / 10
                        : !timed && numbered && f.sequence != p.sequence + 1;
                if (gap || plan.media.size() >= kMaxSegments) {
                    plan.cut = gap;
                    plan.dropped += int(media.size() - at);
                    break;
                }
            }
            plan.media.append(pieces[media[at]].name);
            previous = media[at];
        }
        if (timed && timescale > 0) {
            const Fragment &first = pieces[media.first()].fragment;
            const Fragment &last = pieces[previous].fragment;
            plan.seconds = double(last.decodeTime + last.duration - first.decodeTime) / timescale;
        }
        plans.append(plan);
    }
    return plans;
}

namespace {

// Whether the budget lets a join write bytes more; a stream it does not is left as its pieces
// and counted with the bodies skipped for size or time.
bool budgetAllows(ExtractBudget *budget, qint64 bytes)
{
    if (!budget)
        return true;
    if (budget->collectionOutOfTime()) {
        budget->skipForTime();
        return false;
    }
    if (bytes > budget->writtenAllowance()) {
        budget->skipForSize();
        return false;
    }
    budget->spendDecoded(bytes);
    return true;
}

qint64 sizeOf(const WorkFolder &folder, const QStringList &names)
{
    qint64 bytes = 0;
    for (const QString &name : names)
        bytes += fileStatus(procPath(folder, name)).size;
    return bytes;
}

// "seg_012.ts" and "seg_013.ts" are pieces of one stream, "audio_3.ts" of another: the last
// path segment without its digits names the stream within its folder.
QString transportStreamKey(const QString &url)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    return folderOf(url) + QUrl(url).path().section(QLatin1Char('/'), -1).remove(digits);
}

struct TsPiece
{
    QString name;
    qint64 number = -1;
    SourceFacts facts;
};

// Joins pieces (in playing order, up to a gap) into one transport stream and remuxes that into
// an MP4 (packets copied) that the player and the list take like the other clips; the pieces and
// duplicates go once the clip is written. Empty when the budget, the folder or the remux says no:
// the pieces then stay as they are.
std::optional<JoinedClip> joinTransportStream(const WorkFolder &folder, SourceTable &table,
                                              ExtractBudget *budget, const QList<TsPiece> &pieces,
                                              const QStringList &duplicates, bool cut)
{
    QStringList order;
    QDateTime first = pieces.first().facts.modified;
    for (const TsPiece &piece : pieces) {
        order << piece.name;
        first = std::min(first, piece.facts.modified);
    }
    // The joined stream and its MP4 are written before the pieces go.
    if (!budgetAllows(budget, 2 * sizeOf(folder, order)))
        return std::nullopt;
    const QString joinedTs = order.first() + QStringLiteral(".velt-ts");
    const int tsFd = folder.createFile(QFile::encodeName(joinedTs), 0600);
    if (tsFd < 0)
        return std::nullopt;
    bool written = true;
    for (const QString &piece : std::as_const(order))
        written = written && appendFile(tsFd, procPath(folder, piece));
    written = ::close(tsFd) == 0 && written;

    QString base = folderOf(pieces.first().facts.url);
    base.chop(1);
    const QString wanted = cacheFileName(base, QStringLiteral("mp4"),
                                         order.first().section(QLatin1Char('.'), 0, 0));
    QString name;
    int fd = -1;
    while (written && fd < 0) {
        const qint64 n = folder.nextSuffixNumber(wanted);
        name = n == 1 ? wanted : suffixedName(wanted, n);
        fd = folder.createFile(QFile::encodeName(name), 0600, WorkFolder::KeepExisting);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    bool video = false;
    QString why;
    if (fd >= 0) {
        ::close(fd);
        written = remuxToMp4(procPath(folder, joinedTs), procPath(folder, name), &video, &why);
    }
    folder.removeFile(QFile::encodeName(joinedTs));
    if (fd < 0 || !written) {
        if (fd >= 0)
            folder.removeFile(QFile::encodeName(name));
        return std::nullopt;
    }
    SourceFacts facts = pieces.first().facts;
    facts.contentLength = -1;
    facts.cut = cut;
    facts.format = QStringLiteral("Mp4");
    {
        QFile out(procPath(folder, name));
        if (out.open(QIODevice::ReadWrite)) {
            out.setFileTime(first, QFileDevice::FileModificationTime);
            facts.size = out.size();
            facts.modified = out.fileTime(QFileDevice::FileModificationTime);
        }
    }
    table.insert(name, facts);
    for (const QString &piece : order + duplicates) {
        folder.removeFile(QFile::encodeName(piece));
        table.remove(piece);
    }
    JoinedClip clip{name, int(order.size()), cut, 0, false};
    clip.seconds = mediaDurationSeconds(procPath(folder, name)).value_or(0);
    return clip;
}

// An address as a playlist and the cache may write it differently: without its query.
QString withoutQuery(const QString &url)
{
    return url.section(QLatin1Char('?'), 0, 0);
}

// The playlists among the files: HLS media playlists and every representation of a DASH
// manifest, read up to a bound.
QList<StreamPlaylist> cachedPlaylists(const WorkFolder &folder, const SourceTable &table,
                                      QStringList *names)
{
    constexpr qint64 kMaxPlaylistBytes = 8 * 1024 * 1024;
    QList<StreamPlaylist> playlists;
    for (const QString &name : table.fileNames()) {
        const std::optional<SourceFacts> facts = table.lookup(procPath(folder, name));
        const bool hls = facts && facts->format == QLatin1String("Hls");
        if (!hls && !(facts && facts->format == QLatin1String("Dash")))
            continue;
        *names << name;
        QFile file(procPath(folder, name));
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPlaylistBytes)
            continue;
        const QByteArray text = file.readAll();
        if (hls)
            playlists << parseHlsPlaylist(text, facts->url);
        else
            playlists << parseDashManifest(text, facts->url);
    }
    return playlists;
}

// Transport-stream segments (HLS) follow each other byte for byte. A cached playlist gives their
// order; without one, the pieces of a stream are ordered by the number in their addresses. The
// clip ends at the first segment missing from the cache.
QList<JoinedClip> joinTransportStreams(const WorkFolder &folder, SourceTable &table,
                                       ExtractBudget *budget,
                                       const QList<StreamPlaylist> &playlists)
{
    QHash<QString, TsPiece> byUrl;
    for (const QString &name : table.fileNames()) {
        const std::optional<SourceFacts> facts = table.lookup(procPath(folder, name));
        if (facts && facts->format == QLatin1String("MpegTs")) {
            const TsPiece piece{name, numberIn(facts->url), *facts};
            byUrl.insert(facts->url, piece);
            byUrl.insert(withoutQuery(facts->url), piece);
        }
    }
    QList<JoinedClip> clips;
    QSet<QString> used;
    for (const StreamPlaylist &playlist : playlists) {
        QList<TsPiece> order;
        bool cut = false;
        for (const QString &url : playlist.segments) {
            auto it = byUrl.constFind(url);
            if (it == byUrl.cend())
                it = byUrl.constFind(withoutQuery(url));
            if (it == byUrl.cend() || used.contains(it->name)) {
                if (!order.isEmpty()) {
                    cut = true; // joined up to the first segment the cache lacks
                    break;
                }
                continue;
            }
            order << *it;
        }
        if (order.isEmpty())
            continue;
        // Every piece the playlist names is its stream's: those after a gap stay pieces, as
        // they do without a playlist.
        for (const QString &url : playlist.segments) {
            auto it = byUrl.constFind(url);
            if (it == byUrl.cend())
                it = byUrl.constFind(withoutQuery(url));
            if (it != byUrl.cend())
                used.insert(it->name);
        }
        if (const auto clip = joinTransportStream(folder, table, budget, order, {}, cut))
            clips << *clip;
    }

    QHash<QString, QList<TsPiece>> streams;
    for (auto it = byUrl.cbegin(); it != byUrl.cend(); ++it) {
        if (it.key() == it->facts.url && !used.contains(it->name))
            streams[transportStreamKey(it->facts.url)].append(*it);
    }
    QStringList keys = streams.keys();
    keys.sort();
    for (const QString &key : std::as_const(keys)) {
        QList<TsPiece> pieces = streams.value(key);
        std::stable_sort(pieces.begin(), pieces.end(), [](const TsPiece &a, const TsPiece &b) {
            if (a.number != b.number)
                return a.number < b.number;
            return a.name < b.name;
        });
        QList<TsPiece> order;
        QStringList duplicates;
        bool cut = false;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0 && pieces[i].number >= 0) {
                const qint64 previous = pieces[i - 1].number;
                if (pieces[i].number == previous) {
                    duplicates << pieces[i].name;
                    continue;
                }
                if (pieces[i].number != previous + 1 || order.size() >= kMaxSegments) {
                    cut = pieces[i].number != previous + 1;
                    break; // the clip ends at the gap; the pieces after it stay
                }
            }
            order << pieces[i];
        }
        if (const auto clip = joinTransportStream(folder, table, budget, order, duplicates, cut))
            clips << *clip;
    }
    return clips;
}

} // namespace

QList<JoinedClip> joinSegmentedStreams(const WorkFolder &folder, SourceTable &table,
                                       ExtractBudget *budget)
{
    QList<StreamPiece> pieces;
    for (const QString &name : table.fileNames()) {
        const std::optional<SourceFacts> facts = table.lookup(procPath(folder, name));
        if (!facts
            || (facts->format != QLatin1String("Mp4") && facts->format != QLatin1String("M4v")
                && facts->format != QLatin1String("M4a")))
            continue;
        const Fragment fragment = parseFragment(readHead(procPath(folder, name)));
        if (fragment.kind != Fragment::Other)
            pieces.append({name, facts->url, fragment});
    }
    QList<JoinedClip> clips;
    QList<ClipFacts> clipFacts;
    QStringList joined;
    for (const StreamPlan &plan : planStreams(pieces)) {
        if (!budgetAllows(budget, sizeOf(folder, plan.media + QStringList{plan.init})))
            continue;
        const SourceFacts initFacts = *table.lookup(procPath(folder, plan.init));
        const SourceFacts firstFacts = *table.lookup(procPath(folder, plan.media.first()));
        // Named from the stream's folder on the server: ".../720p/init.mp4" -> "720p.mp4".
        QString base = folderOf(initFacts.url);
        base.chop(1);
        const QString wanted = cacheFileName(base, QStringLiteral("mp4"),
                                             plan.init.section(QLatin1Char('.'), 0, 0));
        QString name;
        int fd = -1;
        while (fd < 0) {
            const qint64 n = folder.nextSuffixNumber(wanted);
            name = n == 1 ? wanted : suffixedName(wanted, n);
            fd = folder.createFile(QFile::encodeName(name), 0600, WorkFolder::KeepExisting);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd < 0)
            continue;
        bool written = appendFile(fd, procPath(folder, plan.init));
        for (const QString &piece : plan.media)
            written = written && appendFile(fd, procPath(folder, piece));
        // The clip comes from where its init segment came from; its length is its own.
        SourceFacts facts = initFacts;
        facts.contentLength = -1;
        if (written) {
            QFile out;
            out.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
            out.setFileTime(std::min(initFacts.modified, firstFacts.modified),
                            QFileDevice::FileModificationTime);
            facts.url = initFacts.url;
            facts.cut = plan.cut;
            facts.format = QStringLiteral("Mp4");
            facts.size = out.size();
            facts.modified = out.fileTime(QFileDevice::FileModificationTime);
        }
        if (::close(fd) != 0 || !written) {
            // A clip that could not be written whole: its pieces stay as they were.
            folder.removeFile(QFile::encodeName(name));
            continue;
        }
        table.insert(name, facts);
        joined << plan.media << plan.init;
        clips.append({name, int(plan.media.size()) + 1, plan.cut, plan.seconds});
        clipFacts.append({plan.handler, QUrl(initFacts.url).host(), facts});
    }
    giveSound(folder, table, clips, clipFacts);
    // An init segment may start two tracks' streams: the pieces go once all are written.
    joined.removeDuplicates();
    for (const QString &piece : std::as_const(joined)) {
        folder.removeFile(QFile::encodeName(piece));
        table.remove(piece);
    }
    QStringList playlistNames;
    const QList<StreamPlaylist> playlists = cachedPlaylists(folder, table, &playlistNames);
    clips += joinTransportStreams(folder, table, budget, playlists);
    // Playlists only told the order; they are not media of their own.
    for (const QString &name : std::as_const(playlistNames)) {
        folder.removeFile(QFile::encodeName(name));
        table.remove(name);
    }
    return clips;
}

} // namespace velt

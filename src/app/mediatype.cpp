#include "app/mediatype.h"

#include <QByteArray>

#include <algorithm>

namespace velt {

namespace {

MediaFormat fmt(const char *extension)
{
    return formatFromExtension(QString::fromLatin1(extension));
}

quint32 u32be(QByteArrayView b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16
            | quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

bool startsWith(QByteArrayView b, QByteArrayView prefix, qsizetype at = 0)
{
    return b.size() >= at + prefix.size() && b.sliced(at, prefix.size()) == prefix;
}

// ISO base media files (MP4, QuickTime, AVIF...) by their brands.
MediaFormat isoFormat(QByteArrayView b)
{
    const QByteArrayView major = b.sliced(8, 4);
    const quint32 boxSize = u32be(b, 0);
    // Compatible brands follow the minor version, up to the end of the ftyp box.
    const qsizetype end = qMin<qsizetype>(b.size(), boxSize >= 16 ? qsizetype(boxSize) : 16);
    auto hasBrand = [&](QByteArrayView brand) {
        if (major == brand)
            return true;
        for (qsizetype at = 16; at + 4 <= end; at += 4) {
            if (b.sliced(at, 4) == brand)
                return true;
        }
        return false;
    };
    if (major == "avif" || major == "avis"
        || ((major == "mif1" || major == "msf1") && hasBrand("avif")))
        return fmt("avif");
    if (major == "heic" || major == "heix" || major == "mif1" || major == "msf1" || major == "crx ")
        return {}; // HEIF stills and camera raw: no reader here
    if (major == "qt  ")
        return fmt("mov");
    if (major == "M4A " || major == "M4B " || major == "M4P ")
        return fmt("m4a");
    if (major == "M4V " || major == "M4VH" || major == "M4VP")
        return fmt("m4v");
    return fmt("mp4");
}

// Matroska's DocType element ("webm" or "matroska") lies in the first EBML header.
MediaFormat matroskaFormat(QByteArrayView b)
{
    const QByteArrayView head = b.first(qMin<qsizetype>(b.size(), 64));
    if (head.indexOf(QByteArrayView("webm")) >= 0)
        return fmt("webm");
    return {}; // other Matroska files have no type of ours
}

// MPEG audio frame header: sync, a valid bit-rate and sample-rate index.
MediaFormat mpegAudioFormat(QByteArrayView b)
{
    if (b.size() < 4 || quint8(b[0]) != 0xFF || (quint8(b[1]) & 0xE0) != 0xE0)
        return {};
    const int version = (quint8(b[1]) >> 3) & 3;
    const int layer = (quint8(b[1]) >> 1) & 3;
    if (layer == 0 && (quint8(b[1]) & 0xF6) == 0xF0)
        return fmt("aac"); // ADTS
    const int bitrate = quint8(b[2]) >> 4;
    const int rate = (quint8(b[2]) >> 2) & 3;
    if (version == 1 || layer == 0 || bitrate == 15 || rate == 3)
        return {};
    if (layer == 1)
        return fmt("mp3");
    return layer == 2 ? fmt("mp2") : fmt("mp1");
}

// SVG: XML text (after an optional byte-order mark, declaration, comments and doctype) whose
// first element is svg.
bool looksLikeSvg(QByteArrayView b)
{
    qsizetype at = startsWith(b, "\xEF\xBB\xBF") ? 3 : 0;
    while (at < b.size()) {
        const char c = b[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
            continue;
        }
        if (c != '<' || at + 1 >= b.size())
            return false;
        const char next = b[at + 1];
        if (next == '?' || next == '!') {
            const QByteArrayView close = startsWith(b, "<!--", at) ? "-->" : ">";
            const qsizetype end = b.sliced(at).indexOf(close);
            if (end < 0)
                return false;
            at += end + close.size();
            continue;
        }
        const QByteArrayView rest = b.sliced(at + 1);
        return (startsWith(rest, "svg") || startsWith(rest, "svg:svg")) && rest.size() > 3
                && (rest[3] == ' ' || rest[3] == '>' || rest[3] == '\t' || rest[3] == '\n'
                    || rest[3] == '\r' || rest[3] == ':' || rest[3] == '/');
    }
    return false;
}

} // namespace

MediaFormat formatFromSignature(QByteArrayView b)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(b.data());
    if (startsWith(b, "\xFF\xD8\xFF"))
        return fmt("jpg");
    if (startsWith(b, "GIF87a") || startsWith(b, "GIF89a"))
        return fmt("gif");
    if (startsWith(b, "\x89PNG\r\n\x1A\n"))
        return fmt("png");
    if (b.size() >= 12 && startsWith(b, "RIFF")) {
        const QByteArrayView form = b.sliced(8, 4);
        if (form == "WEBP")
            return fmt("webp");
        if (form == "WAVE")
            return fmt("wav");
        if (form == "AVI ")
            return fmt("avi");
        return {};
    }
    if (b.size() >= 16 && b.sliced(4, 4) == "ftyp")
        return isoFormat(b);
    // A media segment of a fragmented MP4 stream: joined with its init segment after extraction.
    if (b.size() >= 8
        && (b.sliced(4, 4) == "styp" || b.sliced(4, 4) == "moof" || b.sliced(4, 4) == "sidx"))
        return fmt("mp4");
    if (b.size() >= 18 && startsWith(b, "BM")) {
        // A BMP's info header has one of the known sizes.
        const quint32 info = quint32(bytes[14]) | quint32(bytes[15]) << 8 | quint32(bytes[16]) << 16
                | quint32(bytes[17]) << 24;
        if (info == 12 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108
            || info == 124)
            return fmt("bmp");
    }
    if (b.size() >= 6 && startsWith(b, QByteArrayView("\0\0\1\0", 4)) && (bytes[4] | bytes[5]) != 0)
        return fmt("ico");
    switch (metafileKindOf(bytes, std::size_t(b.size()))) {
    case MetafileKind::Wmf:
        return fmt("wmf");
    case MetafileKind::Emf:
        return fmt("emf");
    case MetafileKind::None:
        break;
    }
    if (startsWith(b, "\x1A\x45\xDF\xA3"))
        return matroskaFormat(b);
    if (startsWith(b, "OggS"))
        return startsWith(b, "OpusHead", 28) ? fmt("opus") : fmt("ogg");
    if (startsWith(b, "fLaC"))
        return fmt("flac");
    if (startsWith(b, "ID3"))
        return fmt("mp3");
    if (startsWith(b, "MThd"))
        return fmt("mid");
    if (b.size() >= 12 && startsWith(b, "FORM")
        && (b.sliced(8, 4) == "AIFF" || b.sliced(8, 4) == "AIFC"))
        return fmt("aif");
    if (startsWith(b, QByteArrayView("\0\0\1\xBA", 4))
        || startsWith(b, QByteArrayView("\0\0\1\xB3", 4)))
        return fmt("mpg");
    if (startsWith(b, "\x30\x26\xB2\x75\x8E\x66\xCF\x11"))
        return fmt("asf");
    // An MPEG transport stream (an HLS segment): a sync byte every 188 bytes.
    if (b.size() > 2 * 188 && bytes[0] == 0x47 && bytes[188] == 0x47 && bytes[2 * 188] == 0x47)
        return fmt("ts");
    if (startsWith(b, ".snd"))
        return fmt("au");
    if (startsWith(b, ".RMF"))
        return fmt("rm");
    if (const MediaFormat audio = mpegAudioFormat(b); audio.isKnown())
        return audio;
    // Playlists of segmented streams: kept only to order the segments they name.
    if (startsWith(b, "#EXTM3U"))
        return fmt("m3u8");
    if (const qsizetype mpd = b.first(std::min<qsizetype>(b.size(), 1024)).indexOf("<MPD");
        mpd >= 0 && (mpd == 0 || startsWith(b, "<?xml") || startsWith(b, "\xEF\xBB\xBF")))
        return fmt("mpd");
    if (looksLikeSvg(b))
        return fmt("svg");
    return {};
}

MediaFormat formatFromContentType(QByteArrayView contentType)
{
    QByteArray type = contentType.toByteArray();
    if (const qsizetype semicolon = type.indexOf(';'); semicolon >= 0)
        type.truncate(semicolon);
    type = type.trimmed().toLower();
    static const struct
    {
        const char *type;
        const char *extension;
    } table[] = {
            {"image/jpeg", "jpg"},
            {"image/jpg", "jpg"},
            {"image/pjpeg", "jpg"},
            {"image/gif", "gif"},
            {"image/png", "png"},
            {"image/apng", "png"},
            {"image/x-png", "png"},
            {"image/bmp", "bmp"},
            {"image/x-bmp", "bmp"},
            {"image/x-ms-bmp", "bmp"},
            {"image/x-icon", "ico"},
            {"image/vnd.microsoft.icon", "ico"},
            {"image/webp", "webp"},
            {"image/avif", "avif"},
            {"image/svg+xml", "svg"},
            {"image/wmf", "wmf"},
            {"image/x-wmf", "wmf"},
            {"image/emf", "emf"},
            {"image/x-emf", "emf"},
            {"video/mp4", "mp4"},
            {"video/x-m4v", "m4v"},
            {"audio/mp4", "m4a"},
            {"audio/x-m4a", "m4a"},
            {"audio/m4a", "m4a"},
            {"video/webm", "webm"},
            {"audio/webm", "webm"},
            {"audio/ogg", "ogg"},
            {"video/ogg", "ogg"},
            {"application/ogg", "ogg"},
            {"audio/opus", "opus"},
            {"audio/flac", "flac"},
            {"audio/x-flac", "flac"},
            {"audio/mpeg", "mp3"},
            {"audio/mp3", "mp3"},
            {"audio/aac", "aac"},
            {"audio/x-aac", "aac"},
            {"audio/aacp", "aac"},
            {"audio/wav", "wav"},
            {"audio/x-wav", "wav"},
            {"audio/wave", "wav"},
            {"audio/vnd.wave", "wav"},
            {"video/x-msvideo", "avi"},
            {"video/avi", "avi"},
            {"video/mpeg", "mpg"},
            {"video/quicktime", "mov"},
            {"audio/midi", "mid"},
            {"audio/x-midi", "mid"},
            {"audio/aiff", "aif"},
            {"audio/x-aiff", "aif"},
            {"video/x-ms-asf", "asf"},
            {"audio/basic", "au"},
            {"video/mp2t", "ts"},
            {"application/vnd.apple.mpegurl", "m3u8"},
            {"application/x-mpegurl", "m3u8"},
            {"audio/mpegurl", "m3u8"},
            {"audio/x-mpegurl", "m3u8"},
            {"application/dash+xml", "mpd"},
    };
    for (const auto &row : table) {
        if (type == row.type)
            return formatFromExtension(QString::fromLatin1(row.extension));
    }
    return {};
}

MediaFormat formatFromExtension(const QString &extension)
{
    static const struct
    {
        const char *extension;
        const char *name;
        bool picture;
    } table[] = {
            {"jpg", "Jpeg", true},   {"gif", "Gif", true},    {"png", "Png", true},
            {"bmp", "Bmp", true},    {"ico", "Ico", true},    {"webp", "Webp", true},
            {"avif", "Avif", true},  {"svg", "Svg", true},    {"wmf", "Wmf", true},
            {"emf", "Emf", true},    {"mp4", "Mp4", false},   {"m4v", "M4v", false},
            {"m4a", "M4a", false},   {"webm", "Webm", false}, {"ogg", "Ogg", false},
            {"opus", "Opus", false}, {"flac", "Flac", false}, {"mp3", "Mp3", false},
            {"aac", "Aac", false},   {"wav", "Wav", false},   {"avi", "Avi", false},
            {"mpg", "Mpeg", false},  {"mov", "Mov", false},   {"mid", "Mid", false},
            {"aif", "Aif", false},   {"asf", "Asf", false},   {"au", "Au", false},
            {"rm", "Rm", false},     {"mp2", "Mp2", false},   {"mp1", "Mp1", false},
            {"ts", "MpegTs", false}, {"m3u8", "Hls", false},  {"mpd", "Dash", false},
    };
    QString ext = extension.toLower();
    if (ext == QLatin1String("jpeg") || ext == QLatin1String("jpe"))
        ext = QStringLiteral("jpg");
    for (const auto &row : table) {
        if (ext == QLatin1String(row.extension)) {
            MediaFormat format;
            format.kind = row.picture ? MediaClass::Picture : MediaClass::MovieOrSound;
            format.extension = ext;
            format.name = QString::fromLatin1(row.name);
            return format;
        }
    }
    return {};
}

} // namespace velt

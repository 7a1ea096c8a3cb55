#include "browser/streamplaylist.h"

#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <functional>

namespace velt {

namespace {

// Start numbers and times are held below kMaxValue and durations below kMaxDuration, so that
// adding up to kMaxPlaylistSegments durations or counts to them never overflows.
constexpr qint64 kMaxValue = qint64(1) << 60;
constexpr qint64 kMaxDuration = qint64(1) << 40;

QString resolved(const QString &base, const QString &reference)
{
    return QUrl(base).resolved(QUrl(reference.trimmed())).toString();
}

// "PT1H2M3.5S" in seconds; 0 when it is not one.
double isoSeconds(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
            "^P(?:(\\d+)D)?(?:T(?:(\\d+)H)?(?:(\\d+)M)?(?:(\\d+(?:\\.\\d+)?)S)?)?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return 0;
    return m.captured(1).toDouble() * 86400 + m.captured(2).toDouble() * 3600
            + m.captured(3).toDouble() * 60 + m.captured(4).toDouble();
}

// A SegmentTemplate's attributes as far as they are known at a level; a lower level overrides.
struct Template
{
    QString media;
    QString initialization;
    qint64 startNumber = 1;
    qint64 timescale = 1;
    qint64 duration = 0;
    QList<std::pair<qint64, qint64>> timeline; // start time and duration of each segment
};

// $RepresentationID$, $Number$ (with a %0Nd width), $Time$ and $Bandwidth$ filled in.
QString filled(const QString &pattern, const QString &id, const QString &bandwidth, qint64 number,
               qint64 time)
{
    static const QRegularExpression field(QStringLiteral("\\$(\\w*)(?:%0(\\d+)d)?\\$"));
    QString out;
    qsizetype at = 0;
    auto it = field.globalMatch(pattern);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += pattern.mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        const int width = std::min(m.captured(2).toInt(), 20);
        if (name.isEmpty())
            out += QLatin1Char('$');
        else if (name == QLatin1String("RepresentationID"))
            out += id;
        else if (name == QLatin1String("Bandwidth"))
            out += bandwidth;
        else if (name == QLatin1String("Number") || name == QLatin1String("Time"))
            out += QStringLiteral("%1").arg(name == QLatin1String("Number") ? number : time, width,
                                            10, QLatin1Char('0'));
        else
            out += m.captured(0);
        at = m.capturedEnd();
    }
    return out + pattern.mid(at);
}

void readTemplate(QXmlStreamReader &xml, Template &t)
{
    const QXmlStreamAttributes a = xml.attributes();
    if (a.hasAttribute(QLatin1String("media")))
        t.media = a.value(QLatin1String("media")).toString();
    if (a.hasAttribute(QLatin1String("initialization")))
        t.initialization = a.value(QLatin1String("initialization")).toString();
    // Numbers and times a manifest may state are held where adding to them cannot overflow.
    if (a.hasAttribute(QLatin1String("startNumber")))
        t.startNumber = std::clamp<qint64>(a.value(QLatin1String("startNumber")).toLongLong(), 0,
                                           kMaxValue);
    if (a.hasAttribute(QLatin1String("timescale")))
        t.timescale =
                std::clamp<qint64>(a.value(QLatin1String("timescale")).toLongLong(), 1, kMaxValue);
    if (a.hasAttribute(QLatin1String("duration")))
        t.duration = std::clamp<qint64>(a.value(QLatin1String("duration")).toLongLong(), 0,
                                        kMaxDuration);
    // The timeline inside: <S t= d= r=/> rows.
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("SegmentTimeline")) {
            xml.skipCurrentElement();
            continue;
        }
        t.timeline.clear();
        qint64 time = 0;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("S")) {
                const QXmlStreamAttributes s = xml.attributes();
                if (s.hasAttribute(QLatin1String("t")))
                    time = std::clamp<qint64>(s.value(QLatin1String("t")).toLongLong(), 0,
                                              kMaxValue);
                const qint64 d = std::clamp<qint64>(s.value(QLatin1String("d")).toLongLong(), 0,
                                                    kMaxDuration);
                const qint64 repeats = std::clamp<qint64>(s.value(QLatin1String("r")).toLongLong(),
                                                          0, kMaxPlaylistSegments);
                for (qint64 r = 0;
                     r <= repeats && d > 0 && t.timeline.size() < kMaxPlaylistSegments; ++r) {
                    t.timeline.append({time, d});
                    time += d;
                }
            }
            xml.skipCurrentElement();
        }
    }
}

} // namespace

StreamPlaylist parseHlsPlaylist(const QByteArray &text, const QString &url)
{
    StreamPlaylist playlist;
    if (!text.startsWith("#EXTM3U"))
        return playlist;
    static const QRegularExpression mapUri(QStringLiteral("URI=\"([^\"]*)\""));
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1String("#EXT-X-MAP:"))) {
            const QRegularExpressionMatch m = mapUri.match(line);
            if (m.hasMatch() && playlist.init.isEmpty())
                playlist.init = resolved(url, m.captured(1));
        } else if (line.startsWith(QLatin1String("#EXT-X-STREAM-INF"))) {
            return {}; // a master playlist: its URIs are playlists, not segments
        } else if (!line.startsWith(QLatin1Char('#'))) {
            playlist.segments << resolved(url, line);
            if (playlist.segments.size() >= kMaxPlaylistSegments)
                break;
        }
    }
    return playlist;
}

QList<StreamPlaylist> parseDashManifest(const QByteArray &text, const QString &url)
{
    QList<StreamPlaylist> playlists;
    QXmlStreamReader xml(text);
    double total = 0;
    qsizetype segments = 0;
    // Each level keeps its base address and template; a Representation gets what is above it.
    std::function<void(const QString &, Template)> level = [&](const QString &base,
                                                               Template inherited) {
        QString here = base;
        Template t = inherited;
        QString id;
        QString bandwidth;
        const bool representation = xml.name() == QLatin1String("Representation");
        if (representation) {
            id = xml.attributes().value(QLatin1String("id")).toString();
            bandwidth = xml.attributes().value(QLatin1String("bandwidth")).toString();
        }
        StreamPlaylist list;
        while (xml.readNextStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("BaseURL")) {
                here = resolved(here, xml.readElementText());
            } else if (name == QLatin1String("SegmentTemplate")) {
                readTemplate(xml, t);
            } else if (name == QLatin1String("SegmentList")) {
                while (xml.readNextStartElement()) {
                    const QXmlStreamAttributes a = xml.attributes();
                    if (xml.name() == QLatin1String("Initialization"))
                        list.init = resolved(here, a.value(QLatin1String("sourceURL")).toString());
                    else if (xml.name() == QLatin1String("SegmentURL")
                             && segments < kMaxPlaylistSegments) {
                        list.segments << resolved(here, a.value(QLatin1String("media")).toString());
                        ++segments;
                    }
                    xml.skipCurrentElement();
                }
            } else if (name == QLatin1String("Period") || name == QLatin1String("AdaptationSet")
                       || name == QLatin1String("Representation")) {
                level(here, t);
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!representation)
            return;
        if (list.segments.isEmpty() && !t.media.isEmpty()) {
            if (!t.timeline.isEmpty()) {
                qint64 number = t.startNumber;
                for (const auto &[start, d] : t.timeline) {
                    if (segments++ >= kMaxPlaylistSegments)
                        break;
                    list.segments << resolved(here,
                                              filled(t.media, id, bandwidth, number++, start));
                }
            } else if (t.duration > 0 && total > 0) {
                const double count =
                        std::min(std::ceil(total * double(t.timescale) / double(t.duration)),
                                 double(kMaxPlaylistSegments));
                for (qint64 i = 0; i < qint64(count) && segments < kMaxPlaylistSegments; ++i) {
                    list.segments << resolved(
                            here,
                            filled(t.media, id, bandwidth, t.startNumber + i, i * t.duration));
                    ++segments;
                }
            }
            if (!t.initialization.isEmpty())
                list.init = resolved(here, filled(t.initialization, id, bandwidth, 0, 0));
        }
        if (!list.segments.isEmpty())
            playlists << list;
    };
    if (xml.readNextStartElement() && xml.name() == QLatin1String("MPD")) {
        total = isoSeconds(
                xml.attributes().value(QLatin1String("mediaPresentationDuration")).toString());
        level(url, Template{});
    }
    return playlists;
}

} // namespace velt

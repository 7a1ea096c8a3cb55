#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The playlists of segmented streams, as a browser caches them beside the segments: an HLS media
// playlist (.m3u8) or a DASH manifest (.mpd). They name the segments in playing order, which
// the addresses alone may not tell. Reading is bounded: a playlist naming a million segments
// costs at most kMaxPlaylistSegments entries.

namespace velt {

inline constexpr qsizetype kMaxPlaylistSegments = 100000;

struct StreamPlaylist
{
    QString init;         // the init segment's address, when the playlist names one
    QStringList segments; // the media segments' addresses, in playing order
};

// An HLS media playlist at url: URIs resolved against it, #EXT-X-MAP's URI as the init segment.
// A master playlist (variants only) has no segments.
StreamPlaylist parseHlsPlaylist(const QByteArray &text, const QString &url);

// A DASH manifest at url: every Representation's segments (SegmentList, or SegmentTemplate with
// $Number$ or $Time$ from a SegmentTimeline), one playlist each, BaseURL elements applied.
QList<StreamPlaylist> parseDashManifest(const QByteArray &text, const QString &url);

} // namespace velt

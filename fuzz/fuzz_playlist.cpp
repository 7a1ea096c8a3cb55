// Playlists of segmented streams: any bytes as an HLS playlist and as a DASH manifest.

#include "fuzzcommon.h"

#include "browser/streamplaylist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString url = QStringLiteral("https://cdn.example/v/list");
    // However many segments the text names, a playlist holds at most the bound.
    fuzz::require(velt::parseHlsPlaylist(text, url).segments.size() <= velt::kMaxPlaylistSegments);
    qsizetype segments = 0;
    for (const velt::StreamPlaylist &list : velt::parseDashManifest(text, url))
        segments += list.segments.size();
    fuzz::require(segments <= velt::kMaxPlaylistSegments);
    return 0;
}

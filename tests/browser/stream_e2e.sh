#!/usr/bin/env bash
# End to end with a real browser and a segmented stream: ffmpeg cuts six seconds of video with
# sound into an fMP4 init segment and one-second media segments; a page served on 127.0.0.1
# fetches them (in shuffled order, as a player's retries and prefetches do) into headless
# Chromium's cache; VELT's --extract must then give one clip, named from the stream's folder,
# with every video frame and the sound of the source, and none of the pieces.
#
# Usage: stream_e2e.sh PATH/TO/velt
# Exit status: 0 passed, 1 failed, 77 skipped (chromium, python3, ffmpeg or ffprobe missing).
set -uo pipefail

VELT=$(readlink -f "${1:?usage: stream_e2e.sh PATH/TO/velt}")
HERE=$(cd "$(dirname "$0")" && pwd)
for tool in python3 chromium ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

TMP=$(mktemp -d "${TMPDIR:-/tmp}/velt-stream-XXXXXX")
SERVER_PID=""
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
    [ -z "${VELT_E2E_KEEP:-}" ] && rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

SITE=$TMP/site
export HOME=$TMP/home XDG_CACHE_HOME=$TMP/home/.cache XDG_CONFIG_HOME=$TMP/home/.config
mkdir -p "$SITE/show" "$HOME"
ffmpeg -v error -f lavfi -i testsrc=duration=6:size=160x120:rate=25 \
    -f lavfi -i sine=frequency=440:duration=6 -c:v libx264 -g 25 -c:a aac \
    -f hls -hls_time 1 -hls_segment_type fmp4 -hls_playlist_type vod \
    -hls_fmp4_init_filename init.mp4 -hls_segment_filename "$SITE/show/seg%d.m4s" \
    "$SITE/show/index.m3u8" || fail "ffmpeg could not cut the stream"
# A page with no picture at all makes no list: one poster picture beside the stream.
ffmpeg -v error -f lavfi -i testsrc=size=64x48 -frames:v 1 "$SITE/poster.png" || fail "no poster"
SEGMENTS=$(cd "$SITE/show" && ls seg*.m4s | shuf --random-source=<(yes) | sed 's/.*/"show\/&"/' | paste -sd,)
cat >"$SITE/index.html" <<EOF
<!doctype html><html><head><title>loading</title></head><body><img src="poster.png"><script>
const urls = ["show/init.mp4", $SEGMENTS];
const poster = new Promise(ok => window.addEventListener('load', ok));
Promise.all(urls.map(u => fetch(u).then(r => r.arrayBuffer())).concat([poster]))
    .then(() => { document.title = 'done'; }, () => { document.title = 'failed'; });
</script></body></html>
EOF

python3 "$HERE/cacheserver.py" "$SITE" --port-file "$TMP/port" --lifetime 200 &
SERVER_PID=$!
for _ in $(seq 100); do [ -s "$TMP/port" ] && break; sleep 0.1; done
[ -s "$TMP/port" ] || fail "the server did not start"
PORT=$(cat "$TMP/port")
python3 "$HERE/chromiumfill.py" "http://127.0.0.1:$PORT/index.html" \
    --user-data-dir "$HOME/.config/chromium" --disk-cache-dir "$XDG_CACHE_HOME/chromium" \
    || fail "Chromium did not load the page"
kill "$SERVER_PID" 2>/dev/null
SERVER_PID=""

"$VELT" --extract "$TMP/out" >"$TMP/extract.txt" 2>"$TMP/extract.err" \
    || fail "velt --extract exited with $? ($(cat "$TMP/extract.err"))"
movies=$(cd "$TMP/out" && ls | grep -E '\.(mp4|m4s)$' | paste -sd' ')
[ "$movies" = "show.mp4" ] || fail "expected the one clip show.mp4, got: ${movies:-nothing} ($(cat "$TMP/extract.txt"))"
grep -q "^ok	show.mp4	http://127.0.0.1:$PORT/show/init.mp4$" "$TMP/extract.txt" \
    || fail "the clip's line: $(grep show.mp4 "$TMP/extract.txt")"
probe() { ffprobe -v error -count_frames -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$3" | grep -m1 .; }
source=$(probe v:0 nb_read_frames "$SITE/show/index.m3u8" 2>/dev/null)
frames=$(probe v:0 nb_read_frames "$TMP/out/show.mp4")
[ -n "$frames" ] && [ "$frames" = "$source" ] || fail "the clip has $frames video frames, the stream $source"
audio=$(probe a:0 codec_name "$TMP/out/show.mp4")
[ "$audio" = aac ] || fail "the clip has no sound (audio: '$audio')"
echo "PASS: show.mp4 with $frames frames and $audio sound"

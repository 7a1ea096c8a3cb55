#!/usr/bin/env bash
# End to end with a real browser: headless Chromium loads a page served on 127.0.0.1 (pictures
# of several formats, one large, one gzip-encoded SVG, one cut off by the server, a sound fetched
# by range requests), is closed cleanly, and then VELT extracts its cache, found once through
# the desktop profile (the cache lies where Chromium keeps it under a private HOME) and once
# named with --browser-cache. Every extracted body must equal the served file by SHA-256.
#
# With "blockfile" as second argument, Chromium writes its older blockfile backend instead of the
# Simple Cache, and the cache must be one; with "sql", its SQLite backend (skipped when this
# Chromium does not have it).
#
# Usage: chromium_e2e.sh PATH/TO/velt [simple|blockfile|sql]
# Exit status: 0 passed, 1 failed, 77 skipped (chromium or python3 missing, no SQL backend).
set -uo pipefail

VELT=$(readlink -f "${1:?usage: chromium_e2e.sh PATH/TO/velt}")
HERE=$(cd "$(dirname "$0")" && pwd)
BACKEND=${2:-simple}
FEATURES=""
case "$BACKEND" in
blockfile | sql) FEATURES="DiskCacheBackendExperiment:backend/$BACKEND" ;;
esac
for tool in python3 chromium; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/run-tests.sh installs the Debian package chromium)"
        exit 77
    fi
done

TMP=$(mktemp -d "${TMPDIR:-/tmp}/velt-chromium-XXXXXX")
SERVER_PID=""
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
    [ -z "${VELT_E2E_KEEP:-}" ] && rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

SITE=$TMP/site
export HOME=$TMP/home
export XDG_CACHE_HOME=$HOME/.cache
export XDG_CONFIG_HOME=$HOME/.config
mkdir -p "$SITE" "$HOME"

# The served files, made here: PNG, WAV and SVG by Python; JPEG, GIF and WebP by ImageMagick
# where it is installed.
python3 - "$SITE" <<'EOF' || fail "could not make the served files"
import gzip, math, os, random, struct, sys, zlib
site = sys.argv[1]
def png(width, height, pixel):
    raw = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 0)) + chunk(b"IEND", b""))
rng = random.Random(13)
open(os.path.join(site, "small.png"), "wb").write(png(64, 48, lambda x, y: bytes((x * 4, y * 5, 128))))
noise = png(900, 700, lambda x, y: rng.randbytes(3))
open(os.path.join(site, "big.png"), "wb").write(noise)
open(os.path.join(site, "cut-big.png"), "wb").write(noise)
samples = b"".join(struct.pack("<h", int(8000 * math.sin(i * 0.05))) for i in range(44100))
open(os.path.join(site, "tone.wav"), "wb").write(
    b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVEfmt "
    + struct.pack("<IHHIIHH", 16, 1, 1, 22050, 44100, 2, 16) + b"data" + struct.pack("<I", len(samples)) + samples)
svg = (b"<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'>"
       b"<rect width='64' height='64' fill='red'/><circle cx='32' cy='32' r='20' fill='blue'/></svg>")
open(os.path.join(site, "shape.svg.gz"), "wb").write(gzip.compress(svg, mtime=0))
open(os.path.join(site, "shape.svg.expected"), "wb").write(svg)
EOF
IMAGES='<img src="small.png"><img src="big.png"><img src="shape.svg"><img src="cut-big.png">'
if command -v convert >/dev/null && convert -size 80x60 plasma:fractal -seed 1 "$SITE/photo.jpg" 2>/dev/null; then
    convert -size 40x40 xc:green "$SITE/anim.gif" && convert -size 50x50 xc:orange "$SITE/pic.webp" \
        || fail "ImageMagick could not write GIF and WebP"
    IMAGES="$IMAGES"'<img src="photo.jpg"><img src="anim.gif"><img src="pic.webp">'
fi
cat >"$SITE/index.html" <<EOF
<!doctype html><html><head><title>loading</title></head><body>$IMAGES
<audio id="a" src="tone.wav" preload="auto" muted></audio>
<script>
const a = document.getElementById('a');
let pictures = false, sound = false;
const check = () => { if (pictures && sound) document.title = 'done'; };
window.addEventListener('load', () => { pictures = true; check(); });
a.addEventListener('ended', () => { sound = true; check(); });
a.addEventListener('error', () => { document.title = 'failed'; });
a.play().catch(() => { document.title = 'failed'; });
</script></body></html>
EOF

python3 "$HERE/cacheserver.py" "$SITE" --port-file "$TMP/port" --lifetime 200 &
SERVER_PID=$!
for _ in $(seq 100); do [ -s "$TMP/port" ] && break; sleep 0.1; done
[ -s "$TMP/port" ] || fail "the server did not start"
PORT=$(cat "$TMP/port")

# Where Chromium keeps its cache on a desktop: ~/.cache/chromium/Default/Cache/Cache_Data.
BEFORE=$(date +%s)
python3 "$HERE/chromiumfill.py" "http://127.0.0.1:$PORT/index.html" \
    --user-data-dir "$HOME/.config/chromium" --disk-cache-dir "$XDG_CACHE_HOME/chromium" \
    --enable-features "$FEATURES" || fail "Chromium did not load the page"
AFTER=$(date +%s)
kill "$SERVER_PID" 2>/dev/null
SERVER_PID=""
CACHE=$XDG_CACHE_HOME/chromium/Default/Cache/Cache_Data
[ -d "$CACHE" ] || fail "no cache at $CACHE"
if [ "$BACKEND" = blockfile ]; then
    # The index of a blockfile cache starts with its magic number, C3 CA 03 C1.
    [ "$(head -c 4 "$CACHE/index" 2>/dev/null | od -An -tx1 | tr -d ' ')" = c3ca03c1 ] \
        || fail "Chromium did not write a blockfile cache (files: $(ls "$CACHE" | head -5 | tr '\n' ' '))"
elif [ "$BACKEND" = sql ]; then
    # Its shards are SQLite databases; a Chromium without the backend writes a Simple Cache.
    if [ "$(head -c 15 "$CACHE/sqldb0" 2>/dev/null)" != "SQLite format 3" ]; then
        echo "SKIP: this Chromium has no SQL cache backend (files: $(ls "$CACHE" | head -5 | tr '\n' ' '))"
        exit 77
    fi
fi

# The desktop profile finds the cache by itself; named explicitly (as well), it is read once.
"$VELT" --extract "$TMP/out" >"$TMP/extract.txt" 2>"$TMP/extract.err" \
    || fail "velt --extract exited with $? ($(cat "$TMP/extract.err"))"
"$VELT" --browser-cache "$CACHE" --extract "$TMP/named" >"$TMP/named.txt" 2>"$TMP/named.err" \
    || fail "velt --browser-cache --extract exited with $? ($(cat "$TMP/named.err"))"
"$VELT" --browser-cache "$XDG_CACHE_HOME/chromium" --list >"$TMP/list.txt" 2>"$TMP/list.err" \
    || fail "velt --list exited with $?"

for run in out:extract named:named; do
python3 - "$SITE" "$TMP/${run%%:*}" "$TMP/${run##*:}.txt" "$TMP/list.txt" "$PORT" "$BEFORE" "$AFTER" <<'EOF' || exit 1
import hashlib, os, sys
site, out, extract, listing, port, before, after = sys.argv[1:8]
def sha(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()
lines = [l.split("\t") for l in open(extract, encoding="utf-8").read().splitlines()]
verdicts = {l[1]: (l[0], l[2] if len(l) > 2 else "") for l in lines}
problems = []
served = sorted(f for f in os.listdir(site) if not f.endswith((".html", ".expected", ".gz")) and not f.startswith("cut-"))
served.append("shape.svg")
for name in served:
    expected = os.path.join(site, name + ".expected") if name == "shape.svg" else os.path.join(site, name)
    got = os.path.join(out, name)
    if not os.path.isfile(got):
        problems.append("%s was not extracted" % name)
        continue
    if sha(got) != sha(expected):
        problems.append("%s differs from what was served" % name)
    verdict, url = verdicts.get(name, ("missing", ""))
    if verdict != "ok" or url != "http://127.0.0.1:%s/%s" % (port, name):
        problems.append("%s: line %r %r" % (name, verdict, url))
    mtime = os.path.getmtime(got)
    if not int(before) - 1 <= mtime <= int(after) + 1:
        problems.append("%s is dated %s, not when it was fetched" % (name, mtime))
cut = os.path.join(out, "cut-big.png")
if not os.path.isfile(cut):
    problems.append("cut-big.png was not extracted")
else:
    data = open(cut, "rb").read()
    whole = open(os.path.join(site, "cut-big.png"), "rb").read()
    if not data or len(data) >= len(whole) or whole[:len(data)] != data:
        problems.append("cut-big.png is not the start of the served file")
    if verdicts.get("cut-big.png", ("",))[0] != "bad":
        problems.append("cut-big.png is not reported bad")
extra = set(verdicts) - set(served) - {"cut-big.png"}
if extra:
    problems.append("unexpected files: %s" % sorted(extra))
listed = [l.split("\t")[1].split()[0] for l in open(listing, encoding="utf-8").read().splitlines() if not l.startswith("GIF")]
pictures = sorted(n for n in served if not n.endswith((".wav", ".gif"))) + ["cut-big.png"]
if sorted(listed) != sorted(pictures):
    problems.append("--list shows %s, not %s" % (sorted(listed), sorted(pictures)))
for p in problems:
    print("FAIL: " + p)
print("checked %d served files" % len(served))
sys.exit(1 if problems else 0)
EOF
done
echo "PASS"

#!/usr/bin/env bash
# Runs the registry cases program under Wine without a display, in a private prefix under the
# build folder (made on the first run). Exit 77 (skipped) when the program or Wine is missing.
#   run_regcases.sh EXE WORKDIR
set -u
exe=$1
work=$2
if [ ! -f "$exe" ]; then
    echo "SKIPPED: no Windows cross compiler (x86_64-w64-mingw32-g++, Debian package" \
         "g++-mingw-w64-x86-64-win32) was found when the build was configured"
    exit 77
fi
wine=$(command -v wine64 || true)
[ -n "$wine" ] || [ ! -x /usr/lib/wine/wine64 ] || wine=/usr/lib/wine/wine64
[ -n "$wine" ] || wine=$(command -v wine || true)
if [ -z "$wine" ] || ! command -v wineserver >/dev/null; then
    echo "SKIPPED: Wine is not installed (Debian packages wine and wine64)"
    exit 77
fi

# Headless and quiet; no Mono or Gecko download prompts while the prefix is made.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work"
seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f", b - a }'; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    start=$(seconds)
    timeout 180 "$wine" wineboot --init >"$work/wineboot.log" 2>&1
    echo "wine prefix made in $(elapsed "$start") s: $WINEPREFIX"
fi
start=$(seconds)
timeout 120 "$wine" "$exe" >"$work/regcases.out" 2>"$work/regcases.err"
status=$?
echo "registry cases ran under $wine in $(elapsed "$start") s, exit status $status"
# Our prefix's server only; it would linger a few seconds otherwise.
wineserver -k 2>/dev/null || true
cat "$work/regcases.out"
if [ "$status" -ne 0 ]; then
    echo "--- wine's standard error:"
    tail -n 20 "$work/regcases.err"
    exit 1
fi

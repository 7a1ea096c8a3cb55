#!/usr/bin/env bash
# Sets up, builds and starts VELT on its generated demo. Without a display it runs the demo
# offscreen instead: prints the collected list and writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/velt --demo "$@"
fi
echo "No display: running the demo offscreen."
./build/velt --demo --list
QT_QPA_PLATFORM=offscreen ./build/velt --demo --settings "$(mktemp -d)/VELT.ini" --screenshot build/velt-demo.png
echo "Open build/velt-demo.png to see the main and picture windows."

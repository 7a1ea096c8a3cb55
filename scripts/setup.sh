#!/usr/bin/env bash
# Installs the Debian 12 packages VELT needs (only those missing) and builds it into ./build.
# Usage: scripts/setup.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

# libwmf's pkg-config file links expat, jpeg and png, whose -dev packages libwmf-dev does not
# pull in. Browser caches keep bodies as servers encoded them: zlib, brotli and zstd decode them;
# Chromium's SQL cache backend is read with SQLite.
# qt6-image-formats-plugins reads WebP, today's browsers' picture format; the Qt 6 translation
# tools compile the English texts. faketime runs the date
# tests; clang and its runtime (libFuzzer, the sanitizers) build the fuzzers; the rest are the
# test tools (desktop-file-utils and appstream validate the installed desktop entry and metainfo).
packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-multimedia-dev libqt6multimediawidgets6 qt6-svg-dev
    qt6-translations-l10n qt6-qpa-plugins qt6-image-formats-plugins
    qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools
    zlib1g-dev libbrotli-dev libzstd-dev libsqlite3-dev libavif-dev libheif-dev libjxl-dev
    libavformat-dev libavcodec-dev libavutil-dev
    libwmf-dev libemf2svg-dev libexpat1-dev libjpeg62-turbo-dev libpng-dev
    fonts-ipafont-gothic fonts-noto-cjk fonts-urw-base35
    xvfb xauth xdotool imagemagick clang-format pekwm faketime
    desktop-file-utils appstream clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build_dir="${VELT_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

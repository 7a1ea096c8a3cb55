#!/usr/bin/env bash
# Sets up (with the Windows cross compiler and Wine for the registry test), builds with warnings
# as errors and runs every test through ctest; then builds again with AddressSanitizer +
# UndefinedBehaviorSanitizer and runs the tests once more; then runs each fuzzer for 30 s
# (scripts/run-fuzzers.sh); and checks the formatting. Set VELT_SKIP_SANITIZERS=1 to skip the
# second pass, VELT_SKIP_FUZZ=1 to skip the fuzzers. The Debian package has its own, slower
# test: scripts/test-deb.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Windows registry test builds with mingw-w64 and runs under Wine: about 1.1 GB and 40 s
# to install, so only here, not in setup.sh (the demo does not need them). Installed before
# the build is configured, which looks for the cross compiler. VELT_SKIP_WINE=1 skips them
# (the test then reports itself skipped).
wine_packages=(g++-mingw-w64-x86-64-win32 wine wine64)
missing=()
for p in "${wine_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ -z "${VELT_SKIP_WINE:-}" ] && [ ${#missing[@]} -gt 0 ]; then
    echo "Installing for the Wine test: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    start=$(date +%s)
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
    echo "Installed the Wine test's packages in $(($(date +%s) - start)) s"
fi

# The layering of src/ (docs/ARCHITECTURE.md's table): an include that runs up fails at once.
scripts/check-layers.sh

scripts/setup.sh -DVELT_WERROR=ON
# Every text of the windows and messages has its English (translations/velt_en.ts); lupdate
# comes with setup.sh's packages.
scripts/check-translations.sh
# The browser-cache end-to-end test fills a real Chromium cache; Chromium is a test tool only,
# so it is installed here and not by setup.sh (the test skips itself when it is missing).
if ! dpkg-query -W -f='${Status}' chromium 2>/dev/null | grep -q "install ok installed"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends chromium \
        || echo "chromium could not be installed: the browser-cache end-to-end test will skip"
fi
# The picture tests make their AVIF, HEIF and JPEG XL files with the codecs' own encoders
# (avifenc, heif-enc, cjxl), the stream tests cut and measure streams with ffmpeg and ffprobe:
# test tools only; a case whose tool is missing skips itself.
codec_tools=()
for p in libavif-bin libheif-examples libjxl-tools ffmpeg; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || codec_tools+=("$p")
done
if [ ${#codec_tools[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${codec_tools[@]}" \
        || echo "the picture encoders could not be installed: their decoding tests will skip"
fi
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j2)

if [ -z "${VELT_SKIP_SANITIZERS:-}" ]; then
    VELT_BUILD_DIR=build-asan scripts/setup.sh -DVELT_WERROR=ON -DVELT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j2)
fi

if [ -z "${VELT_SKIP_FUZZ:-}" ]; then
    scripts/run-fuzzers.sh 30
fi

# Formatting is part of the build's rules (no git needed: the project may come as an archive).
if ! find src tests bench dist fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror; then
    echo "clang-format: files need formatting (run: scripts/format.sh)"
    exit 1
fi
echo "All tests passed."

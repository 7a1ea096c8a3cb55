#!/usr/bin/env bash
# Sets up, builds with warnings as errors and runs every test through ctest; then builds again
# with AddressSanitizer + UndefinedBehaviorSanitizer and runs the tests once more, and checks
# the formatting. Set VELT_SKIP_SANITIZERS=1 to skip the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DVELT_WERROR=ON
# The browser-cache end-to-end test fills a real Chromium cache; Chromium is a test tool only,
# so it is installed here and not by setup.sh (the test skips itself when it is missing).
if ! dpkg-query -W -f='${Status}' chromium 2>/dev/null | grep -q "install ok installed"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends chromium \
        || echo "chromium could not be installed: the browser-cache end-to-end test will skip"
fi
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j2)

if [ -z "${VELT_SKIP_SANITIZERS:-}" ]; then
    VELT_BUILD_DIR=build-asan scripts/setup.sh -DVELT_WERROR=ON -DVELT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j2)
fi

# Formatting is part of the build's rules (no git needed: the project may come as an archive).
if ! find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror; then
    echo "clang-format: files need formatting (run: scripts/format.sh)"
    exit 1
fi
echo "All tests passed."

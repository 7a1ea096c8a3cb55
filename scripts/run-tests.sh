#!/usr/bin/env bash
# Sets up, builds with warnings as errors and runs every test through ctest; then builds again
# with AddressSanitizer + UndefinedBehaviorSanitizer and runs the tests once more; then runs
# each fuzzer for 30 s (scripts/run-fuzzers.sh); and checks the formatting.
# Set VELT_SKIP_SANITIZERS=1 to skip the second pass, VELT_SKIP_FUZZ=1 to skip the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DVELT_WERROR=ON
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
if ! find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror; then
    echo "clang-format: files need formatting (run: scripts/format.sh)"
    exit 1
fi
echo "All tests passed."

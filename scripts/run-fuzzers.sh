#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang++ (ASan + UBSan, -DVELT_FUZZ=ON) into
# build-fuzz and runs each on its seed corpus (fuzz/corpus/<name>, with fuzz/<name>.dict where
# there is one) for a bounded time.
#   scripts/run-fuzzers.sh                      every target, 30 s each (the test command runs this)
#   scripts/run-fuzzers.sh 3600                 every target, an hour each
#   scripts/run-fuzzers.sh 600 fuzz_regfile     one target, ten minutes
# Inputs that found new paths are kept in build-fuzz/corpus/<name>; a crash, a sanitizer report
# or a broken promise (a trap) leaves its input in build-fuzz/findings/<name>/ and makes the
# script fail. Reproduce one with: build-fuzz/fuzz_<name> build-fuzz/findings/<name>/<file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_settings fuzz_regfile fuzz_prefs fuzz_picture fuzz_metafile fuzz_ordering
        fuzz_firefox_entry fuzz_chromium_entry fuzz_blockfile_cache fuzz_sql_cache fuzz_playlist)
fi

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVELT_FUZZ=ON -DVELT_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target fuzzers -j"$(nproc)"

# The longest input each target tries: a few pages for line-based text, more for pictures.
max_len() {
    case "$1" in
        fuzz_regfile | fuzz_picture | fuzz_metafile | fuzz_*_entry | fuzz_sql_cache) echo 65536 ;;
        *) echo 16384 ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
failed=()
for target in "${targets[@]}"; do
    name="${target#fuzz_}"
    work="build-fuzz/corpus/$name"
    findings="build-fuzz/findings/$name"
    log="build-fuzz/$target.log"
    mkdir -p "$work" "$findings"
    # Tokens of the format (magic numbers, field names) where a target has them.
    dict=()
    if [ -f "fuzz/$name.dict" ]; then
        dict=(-dict="fuzz/$name.dict")
    fi
    if build-fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$(max_len "$target")" -artifact_prefix="$findings/" -print_final_stats=1 \
        "${dict[@]}" "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
        echo "$target: $runs inputs in ${seconds} s, nothing found"
    else
        failed+=("$target")
        echo "$target: FOUND A PROBLEM (log: $log, input in $findings/)"
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20 || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found problems in: ${failed[*]}"
    exit 1
fi

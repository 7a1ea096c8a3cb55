#!/usr/bin/env bash
# Runs every benchmark (bench_* programs) of a build and gathers their figures into one table.
# Usage: scripts/run-benchmarks.sh [-b BUILD_DIR] [-o LOG_DIR] [NAME...]
#   BUILD_DIR  the build folder (default: build); `cmake --build BUILD_DIR --target benchmarks`
#              is run first, so the programs are current.
#   LOG_DIR    where each benchmark's whole output goes (default: BUILD_DIR/bench-logs).
#   NAME       run only these benchmarks (bench_paging or paging); default: all that are found.
# Each benchmark prints lines "FIGURE<TAB>name<TAB>value<TAB>unit<TAB>meaning" among its own;
# the table lists them in the order the benchmarks ran. A benchmark that fails gets a line
# saying so, and the others still run; the exit status is then 1.
set -uo pipefail
cd "$(dirname "$0")/.."

build=build
logs=
while getopts "b:o:h" opt; do
    case $opt in
    b) build=$OPTARG ;;
    o) logs=$OPTARG ;;
    *)
        sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
        [ "$opt" = h ] && exit 0 || exit 2
        ;;
    esac
done
shift $((OPTIND - 1))
logs=${logs:-$build/bench-logs}

if [ ! -d "$build" ]; then
    echo "no build folder $build: configure and build first (see bench/README.md)" >&2
    exit 2
fi
cmake --build "$build" --target benchmarks -j2 >/dev/null || {
    echo "building the benchmarks failed" >&2
    exit 2
}
mkdir -p "$logs"

wanted=("$@")
programs=()
while IFS= read -r program; do
    name=$(basename "$program")
    if [ ${#wanted[@]} -gt 0 ]; then
        keep=
        for w in "${wanted[@]}"; do
            [ "$name" = "$w" ] || [ "$name" = "bench_$w" ] && keep=1
        done
        [ -n "$keep" ] || continue
    fi
    programs+=("$program")
done < <(find "$build" -maxdepth 3 -type f -name 'bench_*' -perm -u+x | sort)

if [ ${#programs[@]} -eq 0 ]; then
    echo "no benchmark found in $build" >&2
    exit 2
fi

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
table=$(mktemp)
trap 'rm -f "$table"' EXIT
status=0
for program in "${programs[@]}"; do
    name=$(basename "$program")
    log=$logs/$name.log
    echo "running $name (output in $log)" >&2
    start=$(date +%s)
    "$program" >"$log" 2>&1
    rc=$?
    if [ $rc -ne 0 ]; then
        status=1
        printf '%s\t%s\t\t%s\n' "$name" "FAILED" "exit status $rc; see $log" >>"$table"
    elif ! grep -q $'^FIGURE\t' "$log"; then
        printf '%s\t%s\t\t%s\n' "$name" "-" "printed no figures; see $log" >>"$table"
    fi
    grep $'^FIGURE\t' "$log" | cut -f2- >>"$table"
    echo "  $name took $(($(date +%s) - start)) s" >&2
done

awk -F'\t' '
    BEGIN { w1 = 6; w2 = 5; w3 = 4 }
    { name[NR] = $1; value[NR] = $2; unit[NR] = $3; meaning[NR] = $4
      if (length($1) > w1) w1 = length($1); if (length($2) > w2) w2 = length($2)
      if (length($3) > w3) w3 = length($3) }
    END {
        printf "%-*s  %*s  %-*s  %s\n", w1, "figure", w2, "value", w3, "unit", "meaning"
        for (i = 1; i <= NR; i++)
            printf "%-*s  %*s  %-*s  %s\n", w1, name[i], w2, value[i], w3, unit[i], meaning[i]
    }' "$table"
exit $status

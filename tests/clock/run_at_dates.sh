#!/usr/bin/env bash
# Runs the given test programs under faked clocks (libfaketime), so that no test depends on
# the day or the hour it runs. Skipped (77) when faketime is not installed.
# NO_FAKE_STAT=1: libfaketime would shift the times that stat() reports but not those of statx(),
# which Qt uses; the files' times must stay what the tests set.
set -u
command -v faketime >/dev/null || { echo "faketime not installed: skipped"; exit 77; }
dates=("2027-01-01 00:00:05" "2030-02-28 23:59:58" "2038-01-19 03:14:10"
       "2041-07-04 12:00:00")
status=0
for d in "${dates[@]}"; do
    for t in "$@"; do
        if ! out=$(NO_FAKE_STAT=1 faketime "$d" "$t" 2>&1); then
            echo "FAILED at $d: $t"
            echo "$out" | grep -E -A4 '^FAIL|Totals' | head -40
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "passed at: ${dates[*]}"
exit $status

#!/usr/bin/env bash
# The English texts: extracts the translatable texts of src/ with lupdate into a copy of
# translations/velt_en.ts and fails when a text has no finished English, when the file keeps
# texts the program no longer has, or when the file is not what lupdate makes of the sources.
# With --update it writes the file instead (then translate the "unfinished" entries).
set -euo pipefail
cd "$(dirname "$0")/.."

bins=$(qtpaths6 --query QT_HOST_BINS 2>/dev/null || echo /usr/lib/qt6/bin)
lupdate="$bins/lupdate"
ts=translations/velt_en.ts
lupdate_args=(-no-obsolete -locations none -source-language ja -target-language en)

if [ "${1:-}" = "--update" ]; then
    (cd src && "$lupdate" "${lupdate_args[@]}" . -ts "../$ts")
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/velt_en.ts"
(cd src && "$lupdate" -silent "${lupdate_args[@]}" . -ts "$work/velt_en.ts")
status=0
if grep -q 'type="unfinished"\|type="vanished"\|type="obsolete"' "$work/velt_en.ts"; then
    echo "check-translations: $ts has texts without a finished English one:"
    grep -B2 'type="unfinished"\|type="vanished"\|type="obsolete"' "$work/velt_en.ts" | grep '<source>' || true
    status=1
fi
if ! cmp -s "$ts" "$work/velt_en.ts"; then
    echo "check-translations: $ts is not up to date with src/ (run: scripts/check-translations.sh --update)"
    diff "$ts" "$work/velt_en.ts" | head -20 || true
    status=1
fi
[ $status -eq 0 ] && echo "check-translations: every text has its English"
exit $status

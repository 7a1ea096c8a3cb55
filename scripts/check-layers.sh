#!/usr/bin/env bash
# Checks the layering of src/: a folder may include its own headers and those of the folders
# below it in the layer table of docs/ARCHITECTURE.md, nothing above. Prints each offending
# include as FILE:LINE and exits 1; exits 0 when every include runs down.
# Usage: scripts/check-layers.sh [PROJECT_ROOT]   (default: this script's project)
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
map="$root/docs/ARCHITECTURE.md"
[ -f "$map" ] || { echo "check-layers: $map is missing"; exit 2; }

# The table's rows read "| N | `folder/` | what it owns |"; a higher N is a higher layer.
declare -A rank=()
while IFS=$'\t' read -r n folder; do
    rank[$folder]=$n
done < <(sed -n -E 's/^\| *([0-9]+) *\| *`([a-z0-9_]+)\/` *\|.*/\1\t\2/p' "$map")
[ ${#rank[@]} -gt 0 ] || { echo "check-layers: no layer table in $map"; exit 2; }

status=0
for dir in "$root"/src/*/; do
    folder=$(basename "$dir")
    if [ -z "${rank[$folder]:-}" ]; then
        echo "src/$folder/: not in the layer table of docs/ARCHITECTURE.md"
        status=1
        continue
    fi
    while IFS=: read -r file line target; do
        if [ -z "${rank[$target]:-}" ]; then
            echo "${file#"$root"/}:$line: includes $target/, which is not in the layer table"
            status=1
        elif [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
            echo "${file#"$root"/}:$line: $folder/ (layer ${rank[$folder]}) includes $target/ (layer ${rank[$target]}), which is above it"
            status=1
        fi
    done < <(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z0-9_]+/' "$dir" \
                 --include='*.h' --include='*.cpp' \
             | sed -E 's/^([^:]+):([0-9]+):.*#[[:space:]]*include[[:space:]]+"([a-z0-9_]+)\/.*/\1:\2:\3/')
done
[ $status -eq 0 ] && echo "check-layers: every include of src/ runs down the layer table"
exit $status

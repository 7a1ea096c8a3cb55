#!/usr/bin/env bash
# Formats every C++ source of the project with the repository's clang-format settings.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench dist fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

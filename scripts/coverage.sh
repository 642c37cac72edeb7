#!/usr/bin/env bash
# Line coverage of what the sanitizer build's tests ran (scripts/test.sh sanitize first), per
# folder of the project, from gcovr.
#   scripts/coverage.sh [build folder]   (default: build/sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/sanitize}"
scripts/setup-deps.sh coverage
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
gcovr --root . --object-directory "$build" --json-summary "$summary" --gcov-ignore-parse-errors \
  --exclude 'tests/' --exclude 'fuzz/' --exclude 'bench/' --exclude 'examples/' --exclude "$build/" \
  >/dev/null
python3 - "$summary" <<'PY'
import json, sys
folders = ["host/src", "registration", "factory", "colorscale", "painter", "zorhost/common",
           "zorhost/script", "zorhost/scale", "zorhost/render", "zorhost/surface", "zorhost/serve"]
totals = {folder: [0, 0] for folder in folders}
for entry in json.load(open(sys.argv[1]))["files"]:
    name = entry["filename"]
    for folder in sorted(folders, key=len, reverse=True):
        if name.startswith(folder + "/"):
            totals[folder][0] += entry["line_covered"]
            totals[folder][1] += entry["line_total"]
            break
print(f"{'folder':<18} {'lines':>7} {'covered':>8}")
covered = total = 0
for folder in folders:
    c, t = totals[folder]
    covered, total = covered + c, total + t
    if t:
        print(f"{folder:<18} {t:>7} {100.0 * c / t:>7.1f}%")
print(f"{'all':<18} {total:>7} {100.0 * covered / total:>7.1f}%")
PY

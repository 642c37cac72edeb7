#!/usr/bin/env bash
# Line coverage of what the sanitizer build's tests ran (scripts/test.sh sanitize first), per
# folder of the project, from gcovr; fails below the floors: 90 % of the lines overall, 80 % in
# any folder.
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
from collections import defaultdict

OVERALL_FLOOR, FOLDER_FLOOR = 90.0, 80.0

# Folders whose code the instrumented build cannot run: zorscale's C++ is built only for the
# uninstrumented Python, and pytest runs it in the default build.
NOT_INSTRUMENTED = {"python"}

def folder_of(name):
    """A room: zorhost's and host's second level (zorhost/serve, host/src), else the top folder."""
    parts = name.split("/")
    return "/".join(parts[:2]) if parts[0] in ("zorhost", "host") and len(parts) > 2 else parts[0]

totals = defaultdict(lambda: [0, 0])
for entry in json.load(open(sys.argv[1]))["files"]:
    folder = folder_of(entry["filename"])
    if folder not in NOT_INSTRUMENTED:
        totals[folder][0] += entry["line_covered"]
        totals[folder][1] += entry["line_total"]
print(f"{'folder':<24} {'lines':>7} {'covered':>8}")
covered = total = 0
below = []
for folder, (c, t) in sorted(totals.items()):
    if not t:
        continue
    covered, total = covered + c, total + t
    share = 100.0 * c / t
    print(f"{folder:<24} {t:>7} {share:>7.1f}%{'  below ' + str(FOLDER_FLOOR) + ' %' if share < FOLDER_FLOOR else ''}")
    if share < FOLDER_FLOOR:
        below.append(f"{folder} {share:.1f} %")
overall = 100.0 * covered / total
print(f"{'all':<24} {total:>7} {overall:>7.1f}%")
if overall < OVERALL_FLOOR:
    below.append(f"all {overall:.1f} %")
if below:
    sys.exit(f"coverage: below the floor ({OVERALL_FLOOR:g} % overall, {FOLDER_FLOOR:g} % a folder): " + ", ".join(below))
PY

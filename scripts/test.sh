#!/usr/bin/env bash
# Configures, builds and runs every test of one preset (default: "default"), installing any
# missing package first. Usage: scripts/test.sh [default|sanitize|thread]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

scripts/setup-deps.sh
# The default preset also tests zorhost serve in a browser.
[ "$preset" = default ] && scripts/setup-browser.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"

#!/usr/bin/env bash
# Configures, builds and runs every test of one preset (default: "default"), installing any
# missing package first. Usage: scripts/test.sh [default|sanitize|thread]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

scripts/setup-deps.sh
# The default and sanitize presets also test zorhost serve in a browser.
if [ "$preset" = default ] || [ "$preset" = sanitize ]; then scripts/setup-browser.sh; fi
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"

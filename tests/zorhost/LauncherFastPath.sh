#!/usr/bin/env bash
# scripts/zorhost runs the built program at once when no source is newer than it: no package
# check, no build tool. Tried in a tree of its own whose package check and build fail loudly.
set -euo pipefail
launcher=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts" "$tree/build/release/bin" "$tree/cmake" "$tree/host" "$tree/registration" \
         "$tree/factory" "$tree/colorscale" "$tree/painter" "$tree/zorhost"
cp "$launcher" "$tree/scripts/zorhost"
touch "$tree/CMakeLists.txt" "$tree/CMakePresets.json" "$tree/zorhost/main.cpp"
printf '#!/bin/sh\necho "checked packages" >&2\nexit 9\n' >"$tree/scripts/setup-deps.sh"
chmod +x "$tree/scripts/setup-deps.sh"
sleep 0.01
printf '#!/bin/sh\necho "ran $*"\n' >"$tree/build/release/bin/zorhost"
chmod +x "$tree/build/release/bin/zorhost"
touch "$tree/build/release/bin/libZORCarColorScale.so"

[ "$("$tree/scripts/zorhost" --version)" = "ran --version" ] || { echo "a fresh build was not run at once"; exit 1; }
sleep 0.01
touch "$tree/zorhost/main.cpp"
status=0
"$tree/scripts/zorhost" --version 2>"$tree/err" >/dev/null || status=$?
[ "$status" -eq 9 ] && grep -q "checked packages" "$tree/err" || { echo "a changed source did not rebuild"; exit 1; }
echo "the launcher runs a fresh build at once and rebuilds a stale one"

#!/bin/bash
# What a person at the editor waits for, over HTTP as the page asks: the first picture after
# `zorhost serve` starts, and 20 drafts of a turning part asked one after another.
#   bench/editor_over_http.sh build/release/bin/zorhost PART
set -euo pipefail
zorhost=$1
part=$2
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
started=$(date +%s.%N)
ZOR_SETTINGS_DIR=$settings "$zorhost" serve "$part" >"$settings/address" 2>"$settings/errors" &
server=$!
until grep -q http "$settings/address" 2>/dev/null; do
  kill -0 "$server" 2>/dev/null || { cat "$settings/errors"; exit 1; }
  sleep 0.005
done
address=$(head -1 "$settings/address")
origin=${address%%/\?*}
token=${address##*token=}
curl -sf -o /dev/null "$origin/api/picture.png?token=$token"
first=$(date +%s.%N)
for azimuth in $(seq 0 3 57); do
  curl -sf -o /dev/null "$origin/api/picture.png?token=$token&view=$azimuth,30&draft=1"
done
drafted=$(date +%s.%N)
kill -INT "$server"
wait "$server" || true
echo "first picture $(echo "$first - $started" | bc) s after the start; $(echo "20 / ($drafted - $first)" | bc -l | cut -c1-5) drafts a second while turning"

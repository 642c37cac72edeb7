#!/usr/bin/env bash
# Loads, uses, releases and unloads the module 100 times under valgrind memcheck; fails unless
# nothing is definitely or indirectly lost. Needs the "default" build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh valgrind
log=$(mktemp)
trap 'rm -f "$log"' EXIT
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --error-exitcode=1 --log-file="$log" \
  build/default/bin/zor_load_cycles "${1:-100}"
grep -E "definitely lost|indirectly lost|ERROR SUMMARY" "$log" || true
if ! grep -qE "definitely lost: 0 bytes|All heap blocks were freed|no leaks are possible" "$log"; then
  cat "$log"
  exit 1
fi

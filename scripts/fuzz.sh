#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each for the given seconds (default 60), starting from the kept corpora. Fails on any
# finding. Prints executions, executions a second and corpus size.
#   scripts/fuzz.sh [seconds] [--keep]
# With --keep the kept corpora are replaced by a minimised merge of what the run found.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
keep="${2:-}"

scripts/setup-deps.sh fuzz
cmake --preset fuzz
cmake --build --preset fuzz --target SettingsReaderFuzz ScriptRunnerFuzz EvaluationFuzz PlyReaderFuzz ObjReaderFuzz ScaleFileFuzz \
  ZORCarColorScale

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {
  local target=$1 corpus=$2
  shift 2
  mkdir -p "$work/$corpus"
  cp fuzz/corpus/"$corpus"/* "$work/$corpus/"
  echo "== $target for $seconds s"
  local log="$work/$target.log"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      build/fuzz/bin/"$target" "$work/$corpus" -max_total_time="$seconds" -print_final_stats=1 \
      -rss_limit_mb=2048 -timeout=60 -artifact_prefix="$work/" "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: a finding (see above)"
    exit 1
  fi
  local runs rate
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
  rate=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$')
  echo "$target: $runs executions, $rate a second, corpus $(ls "$work/$corpus" | wc -l) inputs"
  if [ "$keep" = "--keep" ]; then
    mkdir -p "$work/$corpus.min"
    build/fuzz/bin/"$target" -merge=1 "$work/$corpus.min" "$work/$corpus" "$@" >/dev/null 2>&1
    rm -f fuzz/corpus/"$corpus"/*
    cp "$work/$corpus.min"/* fuzz/corpus/"$corpus"/
    echo "$target: kept $(ls fuzz/corpus/"$corpus" | wc -l) inputs"
  fi
}

run SettingsReaderFuzz settings -dict=fuzz/settings.dict -max_len=4096
run ScriptRunnerFuzz script -max_len=512
run EvaluationFuzz evaluation -max_len=1024
run PlyReaderFuzz ply -max_len=2048
run ObjReaderFuzz obj -max_len=2048
run ScaleFileFuzz scale -max_len=4096

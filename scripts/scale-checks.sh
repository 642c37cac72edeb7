#!/usr/bin/env bash
# Checks that zorhost's cost grows with its input as it should: 10^5 scales in one script, a
# scale of 65536 blocks, and CSV input of a gigabyte on one line. Each runs under a time and a
# memory bound far above what it needs, so that a quadratic or unbounded regression fails while a
# slow machine does not. Needs the "default" build.
set -euo pipefail
cd "$(dirname "$0")/.."
zorhost=build/default/bin/zorhost
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZOR_SETTINGS_DIR="$work/settings"

# check NAME SECONDS MEGABYTES STATUS COMMAND...: the command ends with STATUS within SECONDS,
# never holding more than MEGABYTES of memory.
check() {
  local name=$1 seconds=$2 megabytes=$3 expected=$4
  shift 4
  local status=0
  /usr/bin/time -o "$work/time" -f "%e %M" timeout "$seconds" "$@" >"$work/out" 2>"$work/err" ||
    status=$?
  read -r elapsed kilobytes < <(tail -n 1 "$work/time")
  echo "$name: exit $status, $elapsed s, $((kilobytes / 1024)) MB"
  if [ "$status" -ne "$expected" ] || [ "$kilobytes" -gt $((megabytes * 1024)) ]; then
    echo "$name: expected exit $expected within $seconds s and $megabytes MB"
    tail -n 5 "$work/err"
    exit 1
  fi
}

seq 100000 | sed "s/.*/new/" >"$work/new.zs"
check "100000 scales in one script" 20 1000 0 "$zorhost" script "$work/new.zs"
check "a scale of 65536 blocks" 20 500 0 "$zorhost" render --blocks 65536 --out "$work/many"
check "a CSV line of 1 GB of blanks" 60 100 2 sh -c \
  "head -c 1000000000 /dev/zero | tr '\\0' ' ' | $zorhost render --values /dev/stdin --out $work/x"
check "a CSV line of 1 GB of commas" 60 100 2 sh -c \
  "head -c 1000000000 /dev/zero | tr '\\0' ',' | $zorhost render --values /dev/stdin --out $work/x"
check "endless zero bytes" 10 100 2 "$zorhost" render --values /dev/zero --out "$work/x"

# The editor of a scale of 65536 blocks: twelve presets, each an edit kept for undo within its
# budget, and its state answered quickly.
python3 - "$zorhost" <<'CHECK'
import json, re, subprocess, sys, time, urllib.request
serve = subprocess.Popen([sys.argv[1], "serve", "--sample", "field"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
try:
    address = serve.stdout.readline().strip()
    port, token = re.search(r":(\d+)/\?token=(\w+)", address).groups()
    def call(path, body=None):
        request = urllib.request.Request(f"http://127.0.0.1:{port}{path}", data=body, method="POST" if body else "GET",
                                         headers={"Cookie": f"zorhost_token_{port}={token}", "Content-Type": "application/json"})
        return urllib.request.urlopen(request, timeout=60).read()
    for preset in ["viridis", "turbo", "magma", "RdBu", "default", "cividis"] * 2:
        call("/api/preset", json.dumps({"name": preset, "blocks": 65536}).encode())
    started = time.monotonic()
    blocks = len(json.loads(call("/api/scale"))["blocks"])
    seconds = time.monotonic() - started
    peak = int(re.search(r"VmHWM:\s+(\d+)", open(f"/proc/{serve.pid}/status").read()).group(1)) // 1024
    print(f"an editor of {blocks} blocks after 12 presets: peak {peak} MB, its state in {seconds:.2f} s")
    if blocks != 65536 or peak > 700 or seconds > 1.5:
        sys.exit("expected 65536 blocks within 700 MB, the state within 1.5 s")
finally:
    serve.terminate()
    serve.wait()
CHECK

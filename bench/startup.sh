#!/usr/bin/env bash
# Times the start of the desktop program: from main() to the end of the map view's first
# paint with a document open, as the program itself reports it with --timing, over several runs on the
# offscreen platform. Settings go to a temporary folder, so every run is a first start.
#
#   bench/startup.sh [BUILD_DIR] [RUNS] [DOCUMENT.kvd]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
doc=${3:-$(dirname "$0")/../resources/demo/demo.kvd}
korvel="$build/src/app/korvel"
[ -x "$korvel" ] || { echo "Kein Programm unter $korvel" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp"
: > "$tmp/times"
for i in $(seq "$runs"); do
  # A settings folder of its own per run: nothing remembered from the run before.
  mkdir -p "$tmp/settings$i"
  start=$(date +%s%N)
  "$korvel" --settings "$tmp/settings$i" --timing --screenshot "$tmp/shot.png" "$doc" 2> "$tmp/err" >/dev/null
  end=$(date +%s%N)
  painted=$(sed -n 's/.*gezeichnet nach \([0-9.]*\) ms.*/\1/p' "$tmp/err")
  # The screenshot waits 300 ms for the first paints before it grabs; that wait is not start-up.
  echo "$painted $(( (end - start) / 1000000 - 300 ))" >> "$tmp/times"
done
painted=$(cut -d' ' -f1 "$tmp/times" | sort -n)
wall=$(cut -d' ' -f2 "$tmp/times" | sort -n)
pick() { sed -n "$2p" <<< "$1"; }
mid=$(( (runs + 1) / 2 ))
echo "runs: $runs ($doc)"
echo "window painted (in process): min $(pick "$painted" 1) ms, median $(pick "$painted" $mid) ms, max $(pick "$painted" "$runs") ms"
echo "process start to painted (wall, exec and library loading included): min $(pick "$wall" 1) ms, median $(pick "$wall" $mid) ms"

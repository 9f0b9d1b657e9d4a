#!/usr/bin/env bash
# Converts the same 1,000,000 points with `korvel-cli transform` and with PROJ's cs2cs and cct,
# side by side, and prints the best-of-three CPU time (user + system) of each and our
# throughput relative to PROJ's. CPU time rather than wall-clock time, because the machines
# we measure on are shared and every program here is bound by its own CPU use.
#
# Every peer gets input it converts and is checked before it is timed: its output must have one
# line per point, no error line and no "inf", and every coordinate within 1 mm of ours (degrees
# are compared as metres on the ground). A row whose peer fails the check gets no ratio. cct
# needs a height for every point (`-z 0`): given two columns alone, PROJ 9.1 answers each point
# with "TRANSFORMATION ERROR".
#
#   bench/compare_proj.sh [BUILD_DIR]      (default build/release; configure it with
#                                           -DCMAKE_BUILD_TYPE=Release and build korvel-cli)
#
# POINTS=N and RUNS=N override the point count and the repetitions.
set -euo pipefail

build=${1:-build/release}
cli="$build/src/cli/korvel-cli"
points=${POINTS:-1000000}
runs=${RUNS:-3}

if [ ! -x "$cli" ]; then
  echo "korvel-cli not found in $build (cmake --build $build --target korvel-cli)" >&2
  exit 2
fi
for tool in cs2cs cct; do
  command -v "$tool" >/dev/null || { echo "$tool missing (Debian package proj-bin)" >&2; exit 2; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Longitude/latitude across Germany, nine decimals, a fixed seed so runs are comparable.
awk -v n="$points" 'BEGIN { srand(20261208); for (i = 0; i < n; i++) printf "%.9f %.9f\n", 6 + 6 * rand(), 47 + 8 * rand() }' \
  > "$tmp/wgs84.txt"
"$cli" transform --from 4326 --to 900913 < "$tmp/wgs84.txt" > "$tmp/webmerc.txt"
# Gauss-Krüger input within 2° of the zone's meridian (7-11° E): our inverse series keeps to
# 1 mm there (further out it drifts to 5 mm at 3°, see docs/performance.md).
awk -v n="$points" 'BEGIN { srand(20261209); for (i = 0; i < n; i++) printf "%.9f %.9f\n", 7 + 4 * rand(), 47 + 8 * rand() }' \
  | "$cli" transform --from 4326 --to 31467 > "$tmp/gk3.txt"

gk3="+proj=tmerc +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel +towgs84=582,105,414,1.039,0.3555,-3.08,0"
helmert="+proj=helmert +x=582 +y=105 +z=414 +rx=1.039 +ry=0.3555 +rz=-3.08 +convention=position_vector"
tmerc3="+proj=tmerc +lon_0=9 +k=1 +x_0=3500000 +ellps=bessel"

# Best CPU seconds (user + system) of $runs runs of "$@" reading $input.
best() {
  local input=$1
  shift
  local bestTime=""
  for _ in $(seq "$runs"); do
    local t
    /usr/bin/time -o "$tmp/time" -f "%U %S" "$@" < "$input" > /dev/null 2> /dev/null
    t=$(tail -1 "$tmp/time" | awk '{ print $1 + $2 }')
    if [ -z "$bestTime" ] || awk -v a="$t" -v b="$bestTime" 'BEGIN { exit !(a < b) }'; then bestTime=$t; fi
  done
  echo "$bestTime"
}

# Checks the peer's output $2 against ours $1: "ok DEV" (largest deviation in mm) or
# "failed: REASON". $3 is "deg" when the coordinates are longitude/latitude, "utm32" when
# ours are UTM eastings with the zone in front (32 500000.000 is 32500000.000), "m" otherwise.
check() {
  local ours=$1 peer=$2 unit=$3
  local lines errors
  lines=$(wc -l < "$peer")
  if [ "$lines" -ne "$points" ]; then echo "failed: $lines lines for $points points"; return; fi
  errors=$(grep -c -i -E 'error|^#' "$peer" || true)
  if [ "$errors" -ne 0 ]; then echo "failed: $errors error lines"; return; fi
  paste "$ours" "$peer" | awk -v unit="$unit" '
    { # ours: x y; the peer: x y, then height (and time) columns
      if (NF < 4 || $3 !~ /^-?[0-9.]+$/ || $4 !~ /^-?[0-9.]+$/) { printf "failed: line %d: %s\n", NR, $0; bad = 1; exit }
      dx = $1 - (unit == "utm32" ? 32000000 : 0) - $3; dy = $2 - $4
      if (unit == "deg") { dx *= 111320 * cos($2 * 3.14159265358979 / 180); dy *= 110950 }
      d = sqrt(dx * dx + dy * dy) * 1000
      if (d > worst) worst = d
    }
    END { if (bad) exit; if (worst > 1) printf "failed: deviation %.2f mm\n", worst; else printf "ok %.3f\n", worst }'
}

# Runs "$@" once on $input into $out.
once() {
  local input=$1 out=$2
  shift 2
  "$@" < "$input" > "$out" 2> "$tmp/stderr" || true
}

row() {
  local name=$1 input=$2 unit=$3 ours=$4 cs2cs=$5 cct=$6
  # The commands are split into words on purpose.
  # shellcheck disable=SC2086
  once "$input" "$tmp/ours.out" $ours
  awk '{ print $1, $2 }' "$tmp/ours.out" > "$tmp/ours.xy"
  if [ "$(wc -l < "$tmp/ours.xy")" -ne "$points" ]; then echo "$name: korvel-cli gave no complete output" >&2; exit 1; fi
  local line="$(printf '%-16s' "$name")"
  local tOurs
  # shellcheck disable=SC2086
  tOurs=$(best "$input" $ours)
  line+=$(printf ' korvel %6.2f s' "$tOurs")
  local peer cmd verdict t
  for peer in cs2cs cct; do
    cmd=$([ "$peer" = cs2cs ] && echo "$cs2cs" || echo "$cct")
    # shellcheck disable=SC2086
    once "$input" "$tmp/peer.out" $cmd
    verdict=$(check "$tmp/ours.xy" "$tmp/peer.out" "$unit")
    if [ "${verdict%% *}" = ok ]; then
      # shellcheck disable=SC2086
      t=$(best "$input" $cmd)
      line+=$(awk -v p="$peer" -v t="$t" -v o="$tOurs" -v d="${verdict#ok }" 'BEGIN { printf "   %s %6.2f s (x%.1f, max %.2f mm)", p, t, t / o, d }')
    else
      line+="   $peer -- ($verdict)"
    fi
    commands+=("$name: $cmd")
  done
  echo "$line"
}

commands=()
echo "$points points, CPU seconds, best of $runs runs; (xN) = our throughput / PROJ's"
row "4326 -> 25832" "$tmp/wgs84.txt" utm32 \
  "$cli transform --from 4326 --to 25832" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to EPSG:25832" \
  "cct -d 9 -z 0 +proj=utm +zone=32 +ellps=GRS80"
row "4326 -> 900913" "$tmp/wgs84.txt" m \
  "$cli transform --from 4326 --to 900913" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to EPSG:3857" \
  "cct -d 9 -z 0 +proj=webmerc +ellps=WGS84"
row "900913 -> 4326" "$tmp/webmerc.txt" deg \
  "$cli transform --from 900913 --to 4326" \
  "cs2cs -f %.12f EPSG:3857 +to +proj=longlat +datum=WGS84" \
  "cct -d 12 -z 0 -I +proj=webmerc +ellps=WGS84"
row "4326 -> 31467" "$tmp/wgs84.txt" m \
  "$cli transform --from 4326 --to 31467" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to $gk3" \
  "cct -d 9 -z 0 +proj=pipeline +step +proj=cart +ellps=WGS84 +step +inv $helmert +step +inv +proj=cart +ellps=bessel +step $tmerc3"
row "31467 -> 25832" "$tmp/gk3.txt" utm32 \
  "$cli transform --from 31467 --to 25832" \
  "cs2cs -f %.9f $gk3 +to EPSG:25832" \
  "cct -d 9 -z 0 +proj=pipeline +step +inv $tmerc3 +step +proj=cart +ellps=bessel +step $helmert +step +inv +proj=cart +ellps=WGS84 +step +proj=utm +zone=32 +ellps=GRS80"
echo "peer commands (input on standard input; korvel-cli transform --from A --to B):"
printf '  %s\n' "${commands[@]}"

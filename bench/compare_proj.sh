#!/usr/bin/env bash
# Converts the same 1,000,000 points with `korvel-cli transform` and with PROJ's cs2cs and cct,
# side by side, and prints the best-of-three CPU time (user + system) of each and our
# throughput relative to PROJ's. CPU time rather than wall-clock time, because the machines
# we measure on are shared and every program here is bound by its own CPU use.
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
"$cli" transform --from 4326 --to 31467 < "$tmp/wgs84.txt" > "$tmp/gk3.txt"

gk3="+proj=tmerc +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel +towgs84=582,105,414,1.039,0.3555,-3.08,0"
helmert="+proj=helmert +x=582 +y=105 +z=414 +rx=1.039 +ry=0.3555 +rz=-3.08 +convention=position_vector"
tmerc3="+proj=tmerc +lon_0=9 +k=1 +x_0=3500000 +ellps=bessel"
# cct runs fastest on two columns without -z/-t; the datum shift needs a height, hence -z 0
# there (a third input column costs it the same).

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

row() {
  local name=$1 input=$2 ours=$3 cs2cs=$4 cct=$5
  local tOurs tCs2cs tCct
  # The commands are split into words on purpose.
  # shellcheck disable=SC2086
  tOurs=$(best "$input" $ours)
  tCs2cs=$(best "$input" $cs2cs)
  tCct=$(best "$input" $cct)
  awk -v n="$name" -v o="$tOurs" -v s="$tCs2cs" -v c="$tCct" 'BEGIN {
    printf "%-22s korvel %6.2f s   cs2cs %6.2f s (x%.1f)   cct %6.2f s (x%.1f)\n", n, o, s, s / o, c, c / o }'
}

echo "$points points, CPU seconds, best of $runs runs; (xN) = our throughput / PROJ's"
row "4326 -> 25832" "$tmp/wgs84.txt" \
  "$cli transform --from 4326 --to 25832" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to EPSG:25832" \
  "cct -d 9 +proj=utm +zone=32 +ellps=GRS80"
row "4326 -> 900913" "$tmp/wgs84.txt" \
  "$cli transform --from 4326 --to 900913" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to EPSG:3857" \
  "cct -d 9 +proj=webmerc +ellps=WGS84"
row "900913 -> 4326" "$tmp/webmerc.txt" \
  "$cli transform --from 900913 --to 4326" \
  "cs2cs -f %.12f EPSG:3857 +to +proj=longlat +datum=WGS84" \
  "cct -d 12 -I +proj=webmerc +ellps=WGS84"
row "4326 -> 31467" "$tmp/wgs84.txt" \
  "$cli transform --from 4326 --to 31467" \
  "cs2cs -f %.9f +proj=longlat +datum=WGS84 +to $gk3" \
  "cct -d 9 -z 0 +proj=pipeline +step +proj=cart +ellps=WGS84 +step +inv $helmert +step +inv +proj=cart +ellps=bessel +step $tmerc3"
row "31467 -> 25832" "$tmp/gk3.txt" \
  "$cli transform --from 31467 --to 25832" \
  "cs2cs -f %.9f $gk3 +to EPSG:25832" \
  "cct -d 9 -z 0 +proj=pipeline +step +inv $tmerc3 +step +proj=cart +ellps=bessel +step $helmert +step +inv +proj=cart +ellps=WGS84 +step +proj=utm +zone=32 +ellps=GRS80"

#!/usr/bin/env bash
# Shapefile import and export with korvel-cli side by side with GDAL's ogr2ogr doing the same
# conversions, in one run: 1,000,000 points with three attributes (PTNR text, RECHTS and HOCH
# numbers) and 10,000 polygons of 100 vertices with three attributes, Gauss-Krüger zone 3.
#
#   import: shapefile -> document    korvel-cli import-shape   vs  ogr2ogr -f GPKG -lco SPATIAL_INDEX=NO
#   export: document -> shapefile    korvel-cli export-shape   vs  ogr2ogr from that GeoPackage
#
# A GeoPackage is GDAL's own document format, so these are the same conversions. Our documents
# carry no spatial index, so the ratio is taken against ogr2ogr without one; ogr2ogr's default
# (an R-tree index, most of its import time) and ogr2ogr copying the shapefile to a shapefile
# are timed as well, for scale only. It prints the best-of-three CPU time (user + system) of
# each and the ratio peer / ours.
#
# Before timing, each conversion is run once and its result checked: no error output, and
# the same number of objects and the same extent (to the millimetre) on both sides, read with
# korvel-cli info and ogrinfo. A row whose outputs differ gets no ratio.
#
#   bench/compare_ogr2ogr.sh [BUILD_DIR]   (default build/release; configure it with
#                                           -DCMAKE_BUILD_TYPE=Release and build korvel-cli)
#
# POINTS=N, POLYGONS=N and RUNS=N override the sizes and the repetitions; POLYGON_REPEAT=N
# the number of polygon conversions per timed run (10).
set -euo pipefail

build=${1:-build/release}
cli="$build/src/cli/korvel-cli"
points=${POINTS:-1000000}
polygons=${POLYGONS:-10000}
runs=${RUNS:-3}

if [ ! -x "$cli" ]; then
  echo "korvel-cli not found in $build (cmake --build $build --target korvel-cli)" >&2
  exit 2
fi
for tool in ogr2ogr ogrinfo; do
  command -v "$tool" >/dev/null || { echo "$tool missing (Debian package gdal-bin)" >&2; exit 2; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/in" "$tmp/ours" "$tmp/peer"

# Input shapefiles, made by ogr2ogr from CSV with WKT geometry and typed columns (not timed).
awk -v n="$points" 'BEGIN {
  srand(20261209); print "WKT,PTNR,RECHTS,HOCH"
  for (i = 0; i < n; i++) {
    x = 3400000 + 200000 * rand(); y = 5300000 + 400000 * rand()
    printf "\"POINT (%.3f %.3f)\",%d,%.3f,%.3f\n", x, y, 100000 + i, x, y
  }
}' > "$tmp/in/points.csv"
echo '"String(20)","String(20)","Real(16.3)","Real(16.3)"' > "$tmp/in/points.csvt"
awk -v n="$polygons" 'BEGIN {
  srand(20261210); pi = 3.14159265358979; print "WKT,NAME,FLAECHE,UMFANG"
  for (i = 0; i < n; i++) {
    cx = 3400000 + 200000 * rand(); cy = 5300000 + 400000 * rand(); r = 20 + 80 * rand()
    s = "\"POLYGON (("
    for (k = 0; k < 100; k++) {
      a = -2 * pi * k / 100   # clockwise, as shapefile outer rings run
      s = s sprintf("%.3f %.3f, ", cx + r * cos(a), cy + r * sin(a))
    }
    s = s sprintf("%.3f %.3f))\"", cx + r, cy)
    printf "%s,Feld %d,%.4f,%.3f\n", s, i, pi * r * r / 10000, 2 * pi * r
  }
}' > "$tmp/in/polygons.csv"
echo '"String(20)","String(20)","Real(16.4)","Real(16.3)"' > "$tmp/in/polygons.csvt"
for kind in points polygons; do
  ogr2ogr -q -f "ESRI Shapefile" -a_srs EPSG:31467 -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO \
    "$tmp/in/$kind.shp" "$tmp/in/$kind.csv"
done

# Best CPU seconds (user + system) of $runs runs of the shell command $1, each run repeating it
# $repeat times (the short polygon conversions are repeated so that the 10 ms resolution of
# the CPU clock does not decide their ratio), divided by $repeat.
best() {
  local bestTime=""
  for _ in $(seq "$runs"); do
    local t
    /usr/bin/time -o "$tmp/time" -f "%U %S" bash -c "for _ in \$(seq $repeat); do $1 || exit 1; done" > /dev/null 2> "$tmp/err" \
      || { cat "$tmp/err" >&2; exit 1; }
    t=$(tail -1 "$tmp/time" | awk -v r="$repeat" '{ print ($1 + $2) / r }')
    if [ -z "$bestTime" ] || awk -v a="$t" -v b="$bestTime" 'BEGIN { exit !(a < b) }'; then bestTime=$t; fi
  done
  echo "$bestTime"
}

# "COUNT MINX MINY MAXX MAXY" of a document (korvel-cli info) or of a GDAL data set (ogrinfo).
summary_ours() {
  "$cli" info "$1" | awk '/^Objekte:/ { n = $2 } /^Ausdehnung:/ { x0 = $2; y0 = $3; x1 = $5; y1 = $6 }
    END { printf "%d %.3f %.3f %.3f %.3f\n", n, x0, y0, x1, y1 }'
}
summary_gdal() {
  ogrinfo -ro -so -al "$1" | awk '/^Feature Count:/ { n = $3 }
    /^Extent:/ { gsub(/[(),]/, " "); x0 = $2; y0 = $3; x1 = $5; y1 = $6 }
    END { printf "%d %.3f %.3f %.3f %.3f\n", n, x0, y0, x1, y1 }'
}

# Runs the shell command $1 once; fails with its output when it exits non-zero or says ERROR.
run_once() {
  if ! bash -c "$1" > "$tmp/out" 2>&1 || grep -q -i 'error' "$tmp/out"; then
    echo "failed: $1" >&2
    cat "$tmp/out" >&2
    return 1
  fi
}

# row NAME OURS PEER OURS_RESULT_SUMMARY PEER_RESULT_SUMMARY: checks, then times both.
row() {
  local name=$1 ours=$2 peer=$3 sumOurs=$4 sumPeer=$5
  local tOurs tPeer a b
  run_once "$ours" && run_once "$peer" || { printf "%-30s -- (a conversion failed)\n" "$name"; return; }
  a=$(eval "$sumOurs")
  b=$(eval "$sumPeer")
  if [ "$a" != "$b" ]; then
    printf "%-30s -- (results differ: korvel %s, ogr2ogr %s)\n" "$name" "$a" "$b"
    return
  fi
  tOurs=$(best "$ours")
  tPeer=$(best "$peer")
  awk -v n="$name" -v o="$tOurs" -v p="$tPeer" -v c="${a%% *}" 'BEGIN {
    printf "%-30s korvel %7.3f s   ogr2ogr %7.3f s   (x%.2f; %d objects each, same extent)\n", n, o, p, p / o, c }'
}

echo "CPU seconds, best of $runs runs; (xN) = ogr2ogr's time / ours"
for kind in points polygons; do
  count=$([ "$kind" = points ] && echo "$points" || echo "$polygons")
  repeat=$([ "$kind" = points ] && echo 1 || echo "${POLYGON_REPEAT:-10}")
  option=$([ "$kind" = points ] && echo "--points" || echo "--areas")
  # Each run starts from nothing, as a fresh conversion would.
  row "import $count $kind" \
    "rm -f $tmp/ours/$kind.kvd && $cli import-shape $tmp/ours/$kind.kvd $tmp/in/$kind.shp --crs 31467" \
    "rm -f $tmp/peer/$kind.gpkg && ogr2ogr -f GPKG -lco SPATIAL_INDEX=NO $tmp/peer/$kind.gpkg $tmp/in/$kind.shp" \
    "summary_ours $tmp/ours/$kind.kvd" "summary_gdal $tmp/peer/$kind.gpkg"
  row "export $count $kind" \
    "$cli export-shape $tmp/ours/$kind.kvd $tmp/ours $option out --force" \
    "rm -f $tmp/peer/out.* && ogr2ogr -f 'ESRI Shapefile' $tmp/peer/out.shp $tmp/peer/$kind.gpkg" \
    "summary_gdal $tmp/ours/out.shp" "summary_gdal $tmp/peer/out.shp"
  # For scale: ogr2ogr's default GeoPackage (with its R-tree index) and a plain shapefile copy.
  t=$(best "rm -f $tmp/peer/indexed.gpkg && ogr2ogr -f GPKG $tmp/peer/indexed.gpkg $tmp/in/$kind.shp")
  printf "%-30s ogr2ogr -f GPKG with its default R-tree index %7.3f s (not like for like)\n" "" "$t"
  t=$(best "rm -f $tmp/peer/copy.* && ogr2ogr -f 'ESRI Shapefile' $tmp/peer/copy.shp $tmp/in/$kind.shp")
  printf "%-30s ogr2ogr shapefile -> shapefile %7.3f s\n" "" "$t"
done
echo "commands: korvel-cli import-shape DOC.kvd IN.shp --crs 31467 | export-shape DOC.kvd DIR --points|--areas out --force"
echo "          ogr2ogr -f GPKG -lco SPATIAL_INDEX=NO OUT.gpkg IN.shp | ogr2ogr -f 'ESRI Shapefile' OUT.shp IN.gpkg"
echo "checks:   korvel-cli info DOC.kvd | ogrinfo -ro -so -al FILE (object count and extent)"

#!/usr/bin/env bash
# Shapefile import and export with korvel-cli side by side with GDAL's ogr2ogr doing the same
# conversions, in one run: 1,000,000 points with three attributes (PTNR text, RECHTS and HOCH
# numbers) and 10,000 polygons of 100 vertices with three attributes, Gauss-Krüger zone 3.
#
#   import: shapefile -> document    korvel-cli import-shape   vs  ogr2ogr -f GPKG
#   export: document -> shapefile    korvel-cli export-shape   vs  ogr2ogr from that GeoPackage
#
# A GeoPackage is GDAL's own document format, so these are the same conversions. For scale the
# script also times ogr2ogr copying the shapefile to a shapefile, which involves no document at
# all. It prints the best-of-three CPU time (user + system) of each and the ratio peer / ours.
#
#   bench/compare_ogr2ogr.sh [BUILD_DIR]   (default build/release; configure it with
#                                           -DCMAKE_BUILD_TYPE=Release and build korvel-cli)
#
# POINTS=N, POLYGONS=N and RUNS=N override the sizes and the repetitions.
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
command -v ogr2ogr >/dev/null || { echo "ogr2ogr missing (Debian package gdal-bin)" >&2; exit 2; }

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

# Best CPU seconds (user + system) of $runs runs of the shell command $1.
best() {
  local bestTime=""
  for _ in $(seq "$runs"); do
    local t
    /usr/bin/time -o "$tmp/time" -f "%U %S" bash -c "$1" > /dev/null 2> "$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
    t=$(tail -1 "$tmp/time" | awk '{ print $1 + $2 }')
    if [ -z "$bestTime" ] || awk -v a="$t" -v b="$bestTime" 'BEGIN { exit !(a < b) }'; then bestTime=$t; fi
  done
  echo "$bestTime"
}

row() {
  local name=$1 ours=$2 peer=$3
  local tOurs tPeer
  tOurs=$(best "$ours")
  tPeer=$(best "$peer")
  awk -v n="$name" -v o="$tOurs" -v p="$tPeer" 'BEGIN {
    printf "%-28s korvel %6.2f s   ogr2ogr %6.2f s   (x%.1f)\n", n, o, p, p / o }'
}

echo "CPU seconds, best of $runs runs; (xN) = ogr2ogr's time / ours"
for kind in points polygons; do
  count=$([ "$kind" = points ] && echo "$points" || echo "$polygons")
  option=$([ "$kind" = points ] && echo "--points" || echo "--areas")
  # Each run starts from nothing, as a fresh conversion would.
  row "import $count $kind" \
    "rm -f $tmp/ours/$kind.kvd && $cli import-shape $tmp/ours/$kind.kvd $tmp/in/$kind.shp --crs 31467" \
    "rm -f $tmp/peer/$kind.gpkg && ogr2ogr -f GPKG $tmp/peer/$kind.gpkg $tmp/in/$kind.shp"
  row "export $count $kind" \
    "$cli export-shape $tmp/ours/$kind.kvd $tmp/ours $option out --force" \
    "rm -f $tmp/peer/out.* && ogr2ogr -f 'ESRI Shapefile' $tmp/peer/out.shp $tmp/peer/$kind.gpkg"
  t=$(best "rm -f $tmp/peer/copy.* && ogr2ogr -f 'ESRI Shapefile' $tmp/peer/copy.shp $tmp/in/$kind.shp")
  printf "%-28s ogr2ogr shapefile -> shapefile %6.2f s\n" "" "$t"
done
echo "commands: korvel-cli import-shape DOC.kvd IN.shp --crs 31467 | export-shape DOC.kvd DIR --points|--areas out --force"
echo "          ogr2ogr -f GPKG OUT.gpkg IN.shp | ogr2ogr -f 'ESRI Shapefile' OUT.shp IN.gpkg"

#!/usr/bin/env bash
# GPX import and export with korvel-cli side by side with gpsbabel and GDAL's ogr2ogr doing the
# same job in the same run: a GPX file of 1,000,000 track points (100 tracks of two segments)
# read and written again as GPX.
#
#   korvel    korvel-cli import-gpx DOC.kvd IN.gpx  then  korvel-cli export-gpx DOC.kvd OUT.gpx
#   gpsbabel  gpsbabel -i gpx -f IN.gpx -o gpx -F OUT.gpx
#   ogr2ogr   ogr2ogr -f GPX OUT.gpx IN.gpx waypoints routes tracks
#
# Korvel's round trip goes through a document, which the peers do not have: the import converts
# every position into the document's system and saves the .kvd, the export loads it and converts
# back. It is timed twice: into a new web-mercator document (what the program makes of WGS84
# data) and into a WGS84 document (--crs 4326, no conversion), so that the cost of the
# projection is visible apart from the exchange itself.
#
# Each output is checked before it counts: its number of tracks and track points, and every
# coordinate compared with the input (within 1e-7 degrees); error lines of a tool fail the run.
# The script prints the best-of-N CPU time (user + system) of each and the ratio peer / ours.
#
#   bench/compare_gpx.sh [BUILD_DIR]   (default build/release; configure it with
#                                       -DCMAKE_BUILD_TYPE=Release and build korvel-cli)
#
# POINTS=N, TRACKS=N and RUNS=N override the sizes and the repetitions.
set -euo pipefail

build=${1:-build/release}
cli="$build/src/cli/korvel-cli"
points=${POINTS:-1000000}
tracks=${TRACKS:-100}
runs=${RUNS:-3}

if [ ! -x "$cli" ]; then
  echo "korvel-cli not found in $build (cmake --build $build --target korvel-cli)" >&2
  exit 2
fi
for tool in gpsbabel ogr2ogr; do
  command -v $tool >/dev/null || { echo "$tool missing (Debian packages gpsbabel, gdal-bin)" >&2; exit 2; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The input: tracks wandering across Germany, positions with seven decimals (not timed).
awk -v n="$points" -v tracks="$tracks" 'BEGIN {
  srand(20261209); per = int(n / tracks / 2)
  print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  print "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
  for (t = 0; t < tracks; t++) {
    printf " <trk>\n  <name>Spur %d</name>\n", t + 1
    lat = 47.5 + 7 * rand(); lon = 6.5 + 7 * rand()
    for (s = 0; s < 2; s++) {
      print "  <trkseg>"
      for (i = 0; i < per; i++) {
        lat += (rand() - 0.5) * 0.0002; lon += (rand() - 0.5) * 0.0003
        printf "   <trkpt lat=\"%.7f\" lon=\"%.7f\"/>\n", lat, lon
      }
      print "  </trkseg>"
    }
    print " </trk>"
  }
  print "</gpx>"
}' > "$tmp/in.gpx"
total=$(( tracks * 2 * (points / tracks / 2) ))

# The positions of a GPX file as "lat lon" lines, in order.
positions() { grep -o '<trkpt lat="[^"]*" lon="[^"]*"' "$1" | sed 's/<trkpt lat="\([^"]*\)" lon="\([^"]*\)"/\1 \2/'; }
positions "$tmp/in.gpx" > "$tmp/in.pos"

# Checks that `$1` holds the input's tracks and track points at the same positions.
check() {
  local file=$1 name=$2
  local trk pts
  trk=$(grep -c '<trk>' "$file" || true)
  pts=$(grep -c '<trkpt' "$file" || true)
  if [ "$trk" != "$tracks" ] || [ "$pts" != "$total" ]; then
    echo "$name: $trk tracks and $pts track points instead of $tracks and $total" >&2
    exit 1
  fi
  positions "$file" | paste -d ' ' "$tmp/in.pos" - | awk -v name="$name" '
    { d1 = $1 - $3; d2 = $2 - $4; if (d1 < 0) d1 = -d1; if (d2 < 0) d2 = -d2
      if (d1 > 1e-7 || d2 > 1e-7) { printf "%s: point %d at %s %s instead of %s %s\n", name, NR, $3, $4, $1, $2; bad = 1; exit } }
    END { exit bad }' >&2
}

# Best CPU seconds (user + system) of $runs runs of the shell command $1; any output on
# standard error other than the time counts as a failure.
best() {
  local bestTime=""
  for _ in $(seq "$runs"); do
    local t
    /usr/bin/time -o "$tmp/time" -f "%U %S" bash -c "$1" > /dev/null 2> "$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
    if [ -s "$tmp/err" ]; then echo "error output of: $1" >&2; cat "$tmp/err" >&2; exit 1; fi
    t=$(tail -1 "$tmp/time" | awk '{ print $1 + $2 }')
    if [ -z "$bestTime" ] || awk -v a="$t" -v b="$bestTime" 'BEGIN { exit !(a < b) }'; then bestTime=$t; fi
  done
  echo "$bestTime"
}

ours_merc="rm -f $tmp/m.kvd && $cli import-gpx $tmp/m.kvd $tmp/in.gpx && $cli export-gpx $tmp/m.kvd $tmp/ours_m.gpx --force"
ours_wgs="rm -f $tmp/w.kvd && $cli import-gpx $tmp/w.kvd $tmp/in.gpx --crs 4326 && $cli export-gpx $tmp/w.kvd $tmp/ours_w.gpx --force"
babel="gpsbabel -i gpx -f $tmp/in.gpx -o gpx -F $tmp/babel.gpx"
ogr="rm -f $tmp/ogr.gpx && ogr2ogr -f GPX $tmp/ogr.gpx $tmp/in.gpx waypoints routes tracks"

tMerc=$(best "$ours_merc")
tWgs=$(best "$ours_wgs")
tBabel=$(best "$babel")
tOgr=$(best "$ogr")
check "$tmp/ours_m.gpx" "korvel (web mercator)"
check "$tmp/ours_w.gpx" "korvel (WGS84)"
check "$tmp/babel.gpx" gpsbabel
check "$tmp/ogr.gpx" ogr2ogr

# The phases of ours, for the record.
tImport=$(best "rm -f $tmp/p.kvd && $cli import-gpx $tmp/p.kvd $tmp/in.gpx")
tExport=$(best "$cli export-gpx $tmp/p.kvd $tmp/p.gpx --force")

echo "GPX of $total track points in $tracks tracks ($(du -m "$tmp/in.gpx" | cut -f1) MB), read and written again."
echo "CPU seconds (user + system), best of $runs runs; (xN) = the peer's time / ours"
awk -v m="$tMerc" -v w="$tWgs" -v b="$tBabel" -v o="$tOgr" -v i="$tImport" -v e="$tExport" 'BEGIN {
  printf "korvel, web-mercator document   %6.2f s  (import %.2f s, export %.2f s)\n", m, i, e
  printf "korvel, WGS84 document          %6.2f s\n", w
  printf "gpsbabel -i gpx -o gpx          %6.2f s  (x%.2f / x%.2f)\n", b, b / m, b / w
  printf "ogr2ogr -f GPX                  %6.2f s  (x%.2f / x%.2f)\n", o, o / m, o / w
  printf "(x a / x b): against the web-mercator / the WGS84 document\n"
}'
echo "every output checked: $tracks tracks, $total track points, positions within 1e-7 degrees of the input"

#!/usr/bin/env bash
# Loading a 20,000 x 20,000 RGB TIFF (1.2 GB as a bitmap) into Korvel's bitmap copy, side by
# side with GDAL's gdal_translate writing the same file as a BMP, in one run, for uncompressed
# strips and for deflate. Both decode the whole picture and write 1.2 GB of pixels to a file;
# Korvel also builds its reduced copies. The bitmap copy and the BMP go to the same folder.
#
# Each side's result is checked: Korvel reports the picture's size and the copy's length
# (header, pixels and reduced copies), GDAL's BMP must have exactly 54 + 20000 x 60000 bytes and
# no error lines. Prints the best-of-N wall time of each and the ratio peer / ours.
#
#   bench/compare_gdal_image.sh [BUILD_DIR]   (default build/release; configure it with
#                                              -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCH=ON and
#                                              build bench_image)
#
# SIZE=N and RUNS=N override the picture size and the repetitions; WORK=DIR the folder for the
# pictures and outputs (it needs about 5 GB).
set -euo pipefail

build=${1:-build/release}
bench="$build/bench/bench_image"
size=${SIZE:-20000}
runs=${RUNS:-3}

[ -x "$bench" ] || { echo "bench_image not found in $build (cmake --build $build --target bench_image)" >&2; exit 2; }
command -v gdal_translate >/dev/null || { echo "gdal_translate missing (Debian package gdal-bin)" >&2; exit 2; }

work=$(mktemp -d "${WORK:-/var/tmp}/korvel-image.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_DATA_HOME"

now() { date +%s.%N; }

bmp_size=$(( 54 + size * ((size * 3 + 3) / 4 * 4) ))
printf '%-10s %12s %12s %8s\n' "file" "korvel [s]" "gdal [s]" "ratio"
for compression in none deflate; do
  tif="$work/scan_$compression.tif"
  "$bench" --make-tiff "$tif" "$compression" "$size"
  # Both read the same file from the page cache.
  cat "$tif" > /dev/null
  best_ours=; best_peer=
  for ((i = 0; i < runs; i++)); do
    sync
    t0=$(now)
    line=$("$bench" --load "$tif")
    t1=$(now)
    case "$line" in
      "width $size height $size copy "*) ;;
      *) echo "korvel did not load the picture: $line" >&2; exit 1 ;;
    esac
    rm -f "$XDG_DATA_HOME"/Korvel/tmpmaps/*  # the copy goes with the object; nothing should be left
    sync
    t2=$(now)
    gdal_translate -q -of BMP "$tif" "$work/out.bmp" 2> "$work/gdal.err"
    t3=$(now)
    if [ -s "$work/gdal.err" ] || [ "$(stat -c %s "$work/out.bmp")" -ne "$bmp_size" ]; then
      echo "gdal_translate did not write the whole BMP:" >&2; cat "$work/gdal.err" >&2; exit 1
    fi
    rm -f "$work/out.bmp" "$work/out.bmp.aux.xml"
    ours=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
    peer=$(awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }')
    best_ours=$(awk -v a="$ours" -v b="${best_ours:-$ours}" 'BEGIN { print (a < b ? a : b) }')
    best_peer=$(awk -v a="$peer" -v b="${best_peer:-$peer}" 'BEGIN { print (a < b ? a : b) }')
  done
  printf '%-10s %12.2f %12.2f %8.2f   (%s)\n' "$compression" "$best_ours" "$best_peer" \
    "$(awk -v a="$best_peer" -v b="$best_ours" 'BEGIN { print a / b }')" "$line"
  rm -f "$tif"
done

#!/bin/sh
# Runs one fuzz harness for a while, under AddressSanitizer and UndefinedBehaviorSanitizer, from
# a copy of its seed corpus:
#   fuzz/run.sh NAME SECONDS [libFuzzer options...]
# NAME is dbf, geo, kvd, nmea or shp. The harnesses come from a fuzz build (see
# fuzz/CMakeLists.txt), by default build/fuzz; set KORVEL_FUZZ_BUILD to use another.
# The grown corpus stays in the printed work folder. To keep what grew coverage, minimised:
#   build/fuzz/fuzz/fuzz_NAME -merge=1 fuzz/corpus/NAME WORKFOLDER/corpus
# Crashes are written to WORKFOLDER/crash-* (and the script exits non-zero).
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 NAME SECONDS [libFuzzer options...]" >&2
    exit 2
fi
name=$1
seconds=$2
shift 2

here=$(cd "$(dirname "$0")" && pwd)
build=${KORVEL_FUZZ_BUILD:-$here/../build/fuzz}
bin=$build/fuzz/fuzz_$name
seeds=$here/corpus/$name
if [ ! -x "$bin" ]; then
    echo "$bin not found: build the fuzz targets first (cmake --build $build --target korvel_fuzz)" >&2
    exit 2
fi
if [ ! -d "$seeds" ]; then
    echo "no seed corpus $seeds" >&2
    exit 2
fi

work=${KORVEL_FUZZ_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/korvel-fuzz-$name.XXXXXX")}
mkdir -p "$work/corpus"
cp "$seeds"/* "$work/corpus/"
echo "work folder: $work"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
cd "$work"
exec "$bin" -max_total_time="$seconds" -artifact_prefix="$work/" -print_final_stats=1 "$@" corpus

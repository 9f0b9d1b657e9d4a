#!/bin/sh
# Fails when a fuzz harness reaches fewer than MIN coverage edges on its seed corpus: a sign that
# the libraries under test were built without coverage instrumentation, so that libFuzzer would
# mutate blind.
#   fuzz/check_edges.sh HARNESS CORPUS MIN
set -eu
bin=$1
seeds=$2
min=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/korvel-edges.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$seeds"/* "$work/"
log=$("$bin" -runs=0 "$work" 2>&1) || { echo "$log"; exit 1; }
edges=$(echo "$log" | sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' | tail -n 1)
if [ -z "$edges" ]; then
    echo "$log"
    echo "no coverage line in the output of $bin" >&2
    exit 1
fi
echo "$(basename "$bin"): $edges edges on $(ls "$work" | wc -l) seed inputs (at least $min wanted)"
[ "$edges" -ge "$min" ]

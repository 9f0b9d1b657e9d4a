#!/usr/bin/env bash
# Runs a GUI test program on the xcb platform under a private Xvfb server, so that what the
# program paints is read back from a real X server (the offscreen platform's backing store
# hides a window that fails to clear). Exit status 77 (skipped) when no X server can start.
#   run_on_xcb.sh PROGRAM [gtest arguments...]
set -u
program=$1
shift
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: Xvfb is not installed (scripts/setup.sh installs the xvfb package)"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# Xvfb picks a free display itself and writes its number to the given descriptor.
exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -auth /dev/null >"$dir/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 1 100); do
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$dir/display" ]; then
  echo "skipped: Xvfb did not start:"
  cat "$dir/xvfb.log"
  kill "$xvfb" 2>/dev/null
  exit 77
fi
export DISPLAY=":$(head -n1 "$dir/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$program" "$@"
status=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status

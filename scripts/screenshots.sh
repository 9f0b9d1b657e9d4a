#!/usr/bin/env bash
# Renews the screenshots in docs/screenshots from the demo, shown on a real X server (Xvfb)
# and read back from it, in German and in English. The demo map lies over OpenStreetMap-style
# background tiles from a tile server this script starts on 127.0.0.1 (scripts/tileserver.py):
# nothing is fetched from the internet, and the tiles are cached in a temporary folder.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target korvel >/dev/null
korvel="$build/src/app/korvel"
settings=$(mktemp -d)
python3 scripts/tileserver.py --port-file "$settings/port" &
server=$!
trap 'kill "$server" 2>/dev/null; rm -rf "$settings"' EXIT
for _ in $(seq 1 100); do
  [ -s "$settings/port" ] && break
  sleep 0.1
done
port=$(cat "$settings/port")
shoot() {  # LANGUAGE_ID OUTPUT [DOCUMENT]: the demo, or DOCUMENT without a receiver
  local store="$settings/$1-$(basename "$2")"
  mkdir -p "$store/Veldmark"
  {
    printf '[Settings]\nLanguage=%s\n\n[GPS]\nAktiv=0\n\n[Tiles]\n' "$1"
    for service in 1 2 3 4; do printf 'Service%s=http://127.0.0.1:%s\n' "$service" "$port"; done
  } >"$store/Veldmark/Korvel.conf"
  local what=(--demo)
  [ $# -ge 3 ] && what=("$3")
  XDG_CACHE_HOME="$settings/cache" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" \
    "$korvel" --settings "$store" --screenshot "$2" --size 1280x800 "${what[@]}"
}
shoot 1031 docs/screenshots/main-de.png
shoot 1033 docs/screenshots/main-en.png
# The whole demo field over the background map (menu "Ansicht", "Online-Karte").
cp resources/demo/demo.kvd "$settings/feld.kvd"
shoot 1031 docs/screenshots/tiles-de.png "$settings/feld.kvd"

#!/usr/bin/env bash
# Renews the screenshots in docs/screenshots from the demo, shown on a real X server (Xvfb)
# and read back from it, in German and in English.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target korvel >/dev/null
korvel="$build/src/app/korvel"
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
shoot() {  # LANGUAGE_ID OUTPUT
  mkdir -p "$settings/$1/Veldmark"
  printf '[Settings]\nLanguage=%s\n' "$1" >"$settings/$1/Veldmark/Korvel.conf"
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" \
    "$korvel" --demo --settings "$settings/$1" --screenshot "$2" --size 1280x800
}
shoot 1031 docs/screenshots/main-de.png
shoot 1033 docs/screenshots/main-en.png

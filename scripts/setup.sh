#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Korvel needs.
# Idempotent: when everything is present it returns quickly without touching apt.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang lld
  # Qt 6
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev qt6-svg-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools linguist-qt6 libqt6svg6
  qt6-qpa-plugins libgl-dev
  # image codecs
  libtiff-dev libjpeg-dev libpng-dev zlib1g-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # fonts with Arial metrics, for label layout and printing
  fonts-liberation2 fontconfig
  # peer tools the tests compare against
  proj-bin gdal-bin gpsbabel socat
  # looking at the program without a display; a real X server for the painting tests
  poppler-utils xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

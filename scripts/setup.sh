#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Korvel needs.
# Idempotent: when everything is present it returns quickly without touching apt.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang lld
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
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
  # the local tile server of scripts/screenshots.sh
  python3
  # a German locale: surveyors run the program under one, and the tests check that numbers
  # are read and written with a decimal point all the same
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

german_locale() {
  if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    echo "Generating the locale de_DE.UTF-8"
    $SUDO sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  german_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
german_locale

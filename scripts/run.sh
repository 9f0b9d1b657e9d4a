#!/usr/bin/env bash
# Builds Korvel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${KORVEL_BUILD:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF -DKORVEL_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ -x "$build/src/app/korvel" ]; then
  exec "$build/src/app/korvel" --demo "$@"
fi
exec "$build/src/cli/korvel-cli" "${@:---help}"

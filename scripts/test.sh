#!/usr/bin/env bash
# Builds Korvel with warnings as errors and AddressSanitizer + UndefinedBehaviorSanitizer,
# then runs every test (unit, GUI on the offscreen platform, peer comparisons, fuzz replays).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${KORVEL_TEST_BUILD:-build/test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKORVEL_WERROR=ON -DKORVEL_SANITIZE=ON -DKORVEL_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

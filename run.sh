#!/usr/bin/env bash
# Installs what is missing, builds and starts the game: in a window when there is a display,
# otherwise the headless harness, which saves screenshots under screenshots/.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Only what runs: the game, and the demo for a machine without a display (tests and
# benchmarks are built by ./test.sh).
cmake --build build -j "$(nproc)" --target corvane corvane-demo

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/app/corvane
fi
if [ -x ./build/app/corvane-demo ]; then
  # No display: the scripted demo plays the main road and saves its sights in screenshots/.
  mkdir -p screenshots
  SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null exec ./build/app/corvane-demo screenshots
fi
echo "No display, and the headless harness is not built yet."

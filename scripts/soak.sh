#!/usr/bin/env bash
# The long soak run, outside the test gate: two hours of virtual play (or the minutes given),
# built with the sanitizers so that a leak or a fault ends it with a report.
#   scripts/soak.sh [minutes]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-120}
bash .ci/deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF
cmake --build build-asan --target corvane-soak -j "$(nproc)"
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
source .ci/sanitizer_env.sh
exec ./build-asan/app/corvane-soak --minutes "$minutes"

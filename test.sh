#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then builds and runs them again
# under AddressSanitizer and UndefinedBehaviorSanitizer, then runs the readers' fuzz targets briefly.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh

jobs=$(nproc)
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
echo "== tests"
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF
cmake --build build-asan -j "$jobs"
echo "== sanitizer tests"
source .ci/sanitizer_env.sh
ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 1200
echo "== fuzz"
fuzz/run.sh

#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each one.
#   fuzz/run.sh                 a fixed number of executions per target (the CI stage)
#   fuzz/run.sh --runs N        N executions per target
#   fuzz/run.sh --seconds S     S seconds per target, for longer runs on demand
# Seeds: fuzz/seeds/<target> (regression inputs, kept) and, when the normal build made them,
# the media kit's files of the matching kind. New corpus entries go to build-fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-runs=5000)
case "${1:-}" in
  --runs) limit=(-runs="$2") ;;
  --seconds) limit=(-max_total_time="$2") ;;
  "") ;;
  *) echo "usage: fuzz/run.sh [--runs N | --seconds S]" >&2; exit 2 ;;
esac

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_FUZZ=ON -DCORVANE_WERROR=OFF -DCORVANE_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_targets -j "$(nproc)"

media=build/media/files
declare -A kinds=([archive]=qns [gzip]=gz [gbm]=gbm [obj]=obj [dds]=dds [wav]=wav)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in archive gzip gbm obj parser dds wav solver_dump ppm; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  kind=${kinds[$target]:-}
  if [ -n "$kind" ] && [ -d "$media" ]; then
    find "$media" -iname "*.$kind" -size -256k | sort | head -n 40 | xargs -r cp -t "$corpus" || true
  fi
  [ "$target" = archive ] && [ -f build/media/corvane_media.qns ] && [ "$(stat -c %s build/media/corvane_media.qns)" -lt 4000000 ] \
    && cp build/media/corvane_media.qns "$corpus/"
  log=build-fuzz/$target.log
  if ./build-fuzz/fuzz/fuzz_$target "${limit[@]}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -close_fd_mask=1 -print_final_stats=1 -artifact_prefix=build-fuzz/$target- "$corpus" fuzz/seeds/$target >"$log" 2>&1; then
    echo "fuzz $target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs," \
         "$(grep -o 'cov: [0-9]*' "$log" | tail -1) edges"
  else
    echo "fuzz $target: FAILED (see $log)"; tail -40 "$log"; status=1
  fi
done
exit $status

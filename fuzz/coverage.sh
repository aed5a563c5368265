#!/usr/bin/env bash
# Line coverage of each fuzz target's reader on a fixed corpus: the target's seeds and the media
# kit's files of its kind, chosen as fuzz/run.sh chooses them, each input run once.
#   fuzz/coverage.sh [BUILD_DIR]        (default build-fuzzcov)
# CORVANE_MEDIA_FILES and CORVANE_FUZZ_SEEDS name other media and seed folders, so that two
# trees can be measured on one corpus. Prints "target file lines-covered/lines percent".
# Needs clang and the LLVM tools (llvm-profdata, llvm-cov: Debian package llvm-14).
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-build-fuzzcov}
media=${CORVANE_MEDIA_FILES:-build/media/files}
seeds=${CORVANE_FUZZ_SEEDS:-fuzz/seeds}

CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_FUZZ=ON -DCORVANE_FUZZ_COVERAGE=ON -DCORVANE_WERROR=OFF -DCORVANE_BENCH=OFF >/dev/null
cmake --build "$out" --target fuzz_targets -j "${JOBS:-3}" >/dev/null

declare -A kinds=([archive]=qns [gzip]=gz [gbm]=gbm [obj]=obj [dds]=dds [wav]=wav)
declare -A readers=(
  [archive]="engine/resource/qnstorage.cpp"
  [gzip]="engine/util/qngzfile.cpp"
  [gbm]="engine/mesh/qnmesh.cpp engine/physics/qncollgeom.cpp"
  [obj]="engine/mesh/qnmesh.cpp engine/mesh/qnparser.cpp engine/physics/qncollgeom.cpp"
  [parser]="engine/mesh/qnparser.cpp"
  [dds]="platform/dds.cpp"
  [wav]="platform/audio_device.cpp platform/wav_check.cpp"
  [solver_dump]="physics/dynamics/kea_dump.cpp physics/dynamics/kea_solver.cpp physics/dynamics/kea_lcp.cpp"
  [ppm]="app/screenshot.cpp"
)
export ALSOFT_DRIVERS=null
for target in archive gzip gbm obj parser dds wav solver_dump ppm; do
  program=$out/fuzz/fuzz_$target
  if [ ! -x "$program" ]; then
    for file in ${readers[$target]}; do echo "$target $file no-target"; done
    continue
  fi
  corpus=$out/corpus/$target
  rm -rf "$corpus" && mkdir -p "$corpus"
  [ -d "$seeds/$target" ] && cp "$seeds/$target"/* "$corpus/" 2>/dev/null || true
  kind=${kinds[$target]:-}
  if [ -n "$kind" ] && [ -d "$media" ]; then
    find "$media" -iname "*.$kind" -size -256k | sort | head -n 40 | xargs -r cp -t "$corpus" || true
  fi
  raw=$out/profiles/$target.profraw
  mkdir -p "$out/profiles"
  rm -f "$raw"
  LLVM_PROFILE_FILE=$raw "$program" -runs=0 -max_len=65536 "$corpus" >/dev/null 2>&1 || true
  llvm-profdata merge -sparse -o "$out/profiles/$target.profdata" "$raw"
  for file in ${readers[$target]}; do
    # A file the program does not hold is reported as not reached at all.
    llvm-cov export -summary-only -instr-profile="$out/profiles/$target.profdata" "$program" "$PWD/$file" |
      python3 -c '
import json, sys
files = [f for f in json.load(sys.stdin)["data"][0]["files"] if f["filename"].endswith("/" + sys.argv[2])]
if files:
    lines = files[0]["summary"]["lines"]
    print("%s %s %d/%d %.1f%%" % (sys.argv[1], sys.argv[2], lines["covered"], lines["count"], lines["percent"]))
else:
    print("%s %s not-linked 0.0%%" % (sys.argv[1], sys.argv[2]))
' "$target" "$file"
  done
done

#!/bin/sh
# The benchmarks in one command: installs bench's extra tools, builds the two
# targets and the bench tools in build/bench*, runs every benchmark in a
# throw-away Wine prefix and writes bench/results.md and bench/growth.png.
#   sh bench/run.sh [--runs N] [--growth-runs N] [--only sizes,split,e2e,startup,growth]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh bench/install-bench-deps.sh

build=build/bench
cmake -S . -B $build --toolchain "$root/cmake/toolchain-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DVELMORA_DIST_DIR="$root/$build/dist" >/dev/null
cmake --build $build -j2 --target velmora_package grpconv >/dev/null
cmake -S . -B build/bench-i686 --toolchain "$root/cmake/toolchain-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DVELMORA_DIST_DIR="$root/build/bench-i686/dist" >/dev/null
cmake --build build/bench-i686 -j2 --target velmora_setup >/dev/null
cmake -S bench -B $build/bench-tools --toolchain "$root/cmake/toolchain-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build $build/bench-tools -j2 >/dev/null

prefix="$root/$build/wineprefix"
idle=""
cleanup() {
    [ -z "$idle" ] || kill "$idle" 2>/dev/null || true
    sh cmake/wine-prefix.sh remove "$prefix"
    rm -rf "$root/$build/work"
}
trap cleanup EXIT INT TERM
sh cmake/wine-prefix.sh create "$prefix" "$build/tools/grpconv/grpconv.exe"
# A warm session for every run: one idle Windows process keeps wineserver and
# Wine's services up until the prefix is removed.
WINEPREFIX="$prefix" WINEDEBUG=-all wine "$build/bench-tools/bench_idle.exe" 1800 >/dev/null 2>&1 &
idle=$!
timeout 1800 python3 bench/bench.py "$@"

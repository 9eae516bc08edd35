#!/bin/sh
# The benchmarks in one command: installs bench's extra tools, builds both targets
# and the bench tools in build/bench*, runs every benchmark in a throw-away Wine
# prefix and writes bench/results.md and bench/growth.png.
#   sh bench/run.sh [--target i686|x86_64] [--runs N] [--growth-runs N] [--only sizes,split,e2e,startup,growth]
# The i686 target (the default, the release) runs under the WoW64 Wine of
# tools/install-deps.sh; x86_64 under the machine's own Wine.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
target=i686
previous=""
for arg in "$@"; do
    [ "$previous" != "--target" ] || target=$arg
    previous=$arg
done
sh bench/install-bench-deps.sh

build_target() {
    arch=$1 build=$2
    cmake -S . -B "$build" --toolchain "$root/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DVELMORA_DIST_DIR="$root/$build/dist" >/dev/null
    cmake --build "$build" -j2 --target velmora_package grpconv >/dev/null
    cmake -S bench -B "$build/bench-tools" --toolchain "$root/cmake/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$build/bench-tools" -j2 >/dev/null
}
build_target x86_64 build/bench
build_target i686 build/bench-i686
case "$target" in
i686) build=build/bench-i686 ;;
x86_64) build=build/bench ;;
*) echo "run.sh: no target $target (i686 or x86_64)" >&2; exit 2 ;;
esac

prefix="$root/build/bench/wineprefix"
idle=""
cleanup() {
    [ -z "$idle" ] || kill "$idle" 2>/dev/null || true
    sh cmake/wine-prefix.sh remove "$prefix"
    rm -rf "$root/build/bench/work"
}
trap cleanup EXIT INT TERM
sh cmake/wine-prefix.sh create "$prefix" "$build/tools/grpconv/grpconv.exe"
# A warm session for every run: one idle Windows process keeps wineserver and
# Wine's services up until the prefix is removed.
WINEPREFIX="$prefix" WINEDEBUG=-all wine "$build/bench-tools/bench_idle.exe" 1800 >/dev/null 2>&1 &
idle=$!
timeout 1800 python3 bench/bench.py "$@"

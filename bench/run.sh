#!/bin/sh
# The benchmarks in one command: installs bench's extra tools, builds both targets
# and the bench tools in build/bench*, then bench/measure.sh runs every benchmark
# in a throw-away Wine prefix and writes bench/results.md and bench/growth.png.
#   sh bench/run.sh [--target i686|x86_64] [--wine wow64|host] [--runs N] [--growth-runs N]
#                   [--mb N] [--only sizes,split,e2e,startup,growth]
# The i686 target (the default, the release) runs under the WoW64 Wine of
# tools/install-deps.sh; x86_64 under the machine's own Wine, or with --wine wow64
# under the WoW64 Wine too (its 64-bit side needs no 32-bit code from the kernel).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
target=i686
wine=""
previous=""
for arg in "$@"; do
    [ "$previous" != "--target" ] || target=$arg
    [ "$previous" != "--wine" ] || wine=$arg
    previous=$arg
done
[ -n "$wine" ] || { [ "$target" = i686 ] && wine=wow64 || wine=host; }
if [ "$target" = i686 ] && ! python3 cmake/wow64/runs-32-bit-code.py >&2; then
    echo "run.sh: the i686 release cannot run on this machine; measure the x86_64 twin: --target x86_64 [--wine wow64]" >&2
    exit 1
fi
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
case "$target/$wine" in
i686/wow64 | x86_64/wow64) exec sh cmake/wow64/session.sh sh bench/measure.sh "$@" --wine "$wine" ;;
x86_64/host) exec sh bench/measure.sh "$@" --wine "$wine" ;;
*) echo "run.sh: no target $target under Wine $wine (i686 under wow64, x86_64 under host or wow64)" >&2; exit 2 ;;
esac

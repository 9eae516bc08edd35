#!/bin/sh
# The measuring half of bench/run.sh, on what it built: a throw-away Wine prefix, a
# warm Wine session, then bench.py. Run by run.sh, for the i686 target inside the
# WoW64 Wine's session (cmake/wow64/session.sh), where `wine` is that Wine.
#   sh bench/measure.sh [--target i686|x86_64] [bench.py's options]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/bench-i686
previous=""
for arg in "$@"; do
    [ "$previous" != "--target" ] || [ "$arg" != x86_64 ] || build=build/bench
    previous=$arg
done

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

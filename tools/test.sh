#!/bin/sh
# The whole test suite on a fresh machine: installs what is missing, builds both
# targets and runs every test under Wine: the x86_64 twin under this machine's
# Wine, the 32-bit release under the WoW64 Wine of the sid root. Ends with one
# summary per build, naming the Wine that ran it. Where the kernel runs no 32-bit
# code the i686 suite cannot run at all: the summary says so and why.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
for preset in x86_64 i686; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j2
done

status=0
ctest --preset x86_64 --output-log build/x86_64/ctest.log || status=1
rm -f build/i686/ctest.log
if thirty_two_bit=$(python3 cmake/wow64/runs-32-bit-code.py); then
    # One session for the whole run: one wineserver, and one place where it ends.
    cmake/wow64/session.sh ctest --preset i686 --output-log build/i686/ctest.log || status=1
fi

for preset in x86_64 i686; do
    if [ ! -f build/$preset/ctest.log ]; then
        echo "== $preset: NOT RUN: $thirty_two_bit"
        continue
    fi
    case $preset in
    x86_64) wine=$(wine --version 2>/dev/null) ;;
    i686) wine="$(cmake/wow64/session.sh wine --version 2>/dev/null) (WoW64, sid root)" ;;
    esac
    echo "== $preset on $wine"
    grep -E "tests passed|tests failed|Total Test time|^[[:space:]]*[0-9]+ - .*\((Failed|Timeout|Not Run|SEGFAULT|Subprocess)" \
        build/$preset/ctest.log || true
done
exit $status

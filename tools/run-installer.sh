#!/bin/sh
# Installs what is missing, builds the release and starts it under Wine:
#   run-installer.sh       the 32-bit release, dist/VelmoraSetup.exe, under the
#                          WoW64 Wine of the sid root (tools/wow64-root.sh); where
#                          the kernel runs no 32-bit code, the 64-bit twin instead
#   run-installer.sh x64   the 64-bit twin, dist/VelmoraSetup-x64.exe, under this
#                          machine's wine64
#  - With a DISPLAY: the real dialogs, in a prefix kept in build/wineprefix-demo.
#  - Headless: in a throw-away prefix with Wine's null graphics driver, the test
#    robot answers every dialog of a default installation and prints what it saw.
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
"") preset=i686 package=dist/VelmoraSetup.exe session=cmake/wow64/session.sh ;;
x64) preset=x86_64 package=dist/VelmoraSetup-x64.exe session= ;;
*) echo "usage: $0 [x64]" >&2; exit 2 ;;
esac
sh tools/install-deps.sh
if [ -n "$session" ] && ! python3 cmake/wow64/runs-32-bit-code.py >&2; then
    echo "run-installer: the 32-bit release cannot run on this machine; running the 64-bit twin of the same sources instead" >&2
    preset=x86_64 package=dist/VelmoraSetup-x64.exe session=
fi
cmake --preset $preset >/dev/null && cmake --build --preset $preset -j2
build=build/$preset

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="${VELMORA_DEMO_PREFIX:-$PWD/build/wineprefix-demo}" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
    [ -d "$WINEPREFIX" ] || $session wineboot -i >/dev/null 2>&1
    # Wine has no grpconv; our stand-in turns the Start-menu entries into shortcuts.
    cp $build/tools/grpconv/grpconv.exe "$WINEPREFIX/drive_c/windows/"
    echo "starting $package in $WINEPREFIX"
    exec $session wine $package
fi

# The prefix lies in the checkout, which the WoW64 Wine sees at the same path.
mkdir -p build
prefix=$(mktemp -d "$PWD/build/velmora-demo.XXXXXX")
trap '$session cmake/wine-prefix.sh remove "$prefix"' EXIT
export VELMORA_WINEPREFIX="$prefix" package build
# One session for the installer and the robot: they must share one wineserver.
$session sh -c '
    cmake/wine-prefix.sh create "$VELMORA_WINEPREFIX" $build/tools/grpconv/grpconv.exe >/dev/null
    echo "$(WINEDEBUG=-all wine --version) runs $package; no DISPLAY: the robot answers the installer"
    echo "(message 1: Yes, folder: OK, create: Yes, done: OK)"
    cmake/wine-run.sh $package &
    installer=$!
    cmake/wine-run.sh $build/tools/robot/robot.exe --timeout 30000 yes read browse-ok yes ok
    wait $installer
    echo "installed files:"
    ls -l "$VELMORA_WINEPREFIX/drive_c/Program Files/Velmor32" "$VELMORA_WINEPREFIX/drive_c/Program Files (x86)/Velmor32" 2>/dev/null || true
'

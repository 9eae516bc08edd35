#!/bin/sh
# Installs what is missing, builds both targets and the packages, and starts the
# 64-bit package (the one that runs here) under Wine.
#  - With a DISPLAY: the real dialogs, in a prefix kept in build/wineprefix-demo.
#  - Headless: in a throw-away prefix with Wine's null graphics driver, the test
#    robot answers every dialog of a default installation and prints what it saw.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset i686 >/dev/null && cmake --build --preset i686 -j2
cmake --preset x86_64 >/dev/null && cmake --build --preset x86_64 -j2
build=build/x86_64

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="${VELMORA_DEMO_PREFIX:-$PWD/build/wineprefix-demo}" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
    [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
    # Wine has no grpconv; our stand-in turns the Start-menu entries into shortcuts.
    cp $build/tools/grpconv/grpconv.exe "$WINEPREFIX/drive_c/windows/"
    echo "starting dist/VelmoraSetup-x64.exe in $WINEPREFIX"
    exec wine dist/VelmoraSetup-x64.exe
fi

prefix=$(mktemp -d /tmp/velmora-demo.XXXXXX)
trap 'cmake/wine-prefix.sh remove "$prefix"' EXIT
cmake/wine-prefix.sh create "$prefix" $build/tools/grpconv/grpconv.exe
export VELMORA_WINEPREFIX="$prefix"
echo "no DISPLAY: the robot answers the installer (message 1: Yes, folder: OK, create: Yes, done: OK)"
cmake/wine-run.sh dist/VelmoraSetup-x64.exe &
installer=$!
cmake/wine-run.sh $build/tools/robot/robot.exe --timeout 30000 yes read browse-ok yes ok
wait $installer
echo "installed files:"
ls -l "$prefix/drive_c/Program Files/Velmor32"

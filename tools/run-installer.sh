#!/bin/sh
# Installs what is missing, builds both targets and the packages, and starts the
# 64-bit package (the one that runs here) under Wine, in a prefix of its own.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset i686 && cmake --build --preset i686 -j2
cmake --preset x86_64 && cmake --build --preset x86_64 -j2

prefix="${VELMORA_DEMO_PREFIX:-$PWD/build/wineprefix-demo}"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -d "$prefix" ]; then
    wineboot -i >/dev/null 2>&1
    [ -n "${DISPLAY:-}" ] || wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi
# Wine has no grpconv; our stand-in turns the Start-menu entries into shortcuts.
cp build/x86_64/tools/grpconv/grpconv.exe "$prefix/drive_c/windows/" 2>/dev/null || true
[ -n "${DISPLAY:-}" ] || echo "note: no DISPLAY; the installer's windows are not visible (see README.md)"
echo "starting dist/VelmoraSetup-x64.exe in $prefix"
wine dist/VelmoraSetup-x64.exe

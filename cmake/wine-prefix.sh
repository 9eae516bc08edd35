#!/bin/sh
# Makes or removes the throw-away Wine prefix of one test run.
#   wine-prefix.sh create PREFIX [WINDOWS-TOOL.exe ...]  (tools are copied into C:\windows)
#   wine-prefix.sh remove PREFIX
set -eu
action=$1
prefix=$2
shift 2

# win64 also for the 32-bit build: the WoW64 Wine refuses win32 prefixes.
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

case "$action" in
create)
    [ ! -d "$prefix" ] || { wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
    wineboot -i >/dev/null 2>&1
    echo "Wine prefix $prefix made by $(wine --version)"
    # The null graphics driver gives real windows without any X display.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    for tool in "$@"; do
        cp "$tool" "$prefix/drive_c/windows/"
    done
    wineserver -w
    # The first process starts Wine's services, which inherit its output handles:
    # start them here with output to /dev/null so that no test runner's pipe stays open.
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    ;;
remove)
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    ;;
*)
    echo "usage: $0 create|remove PREFIX [TOOL.exe ...]" >&2
    exit 2
    ;;
esac

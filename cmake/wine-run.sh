#!/bin/sh
# Runs a Windows program of the build in the test run's Wine prefix.
# The prefix comes from VELMORA_WINEPREFIX (set by ctest), never from the user's ~/.wine.
set -eu
: "${VELMORA_WINEPREFIX:?VELMORA_WINEPREFIX names the test prefix}"
export WINEPREFIX="$VELMORA_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
exec wine "$@"

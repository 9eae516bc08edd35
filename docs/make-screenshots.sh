#!/bin/sh
# Takes the screenshots in docs/screenshots/: the real dialogs of one installation
# under Wine, in English and in German - message 1, the folder browser with its edit
# box, message 6 (create the missing folder) and message 5 (done).
#   docs/make-screenshots.sh [BUILD-DIR [PACKAGE]]
#     BUILD-DIR  an x86_64 build tree with tools/robot and tools/grpconv (build/x86_64)
#     PACKAGE    the package to install (dist/VelmoraSetup-x64.exe)
# Needs Xvfb, openbox, ImageMagick and x11-utils:
#   apt-get install xvfb openbox imagemagick x11-utils
# It starts its own X display and one throw-away Wine prefix per language, and
# touches neither ~/.wine nor the caller's DISPLAY.
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/x86_64}" && pwd)
package=$(cd "$(dirname "${2:-dist/VelmoraSetup-x64.exe}")" && pwd)/$(basename "${2:-dist/VelmoraSetup-x64.exe}")
out=$PWD/docs/screenshots
robot=$build/tools/robot/robot.exe
grpconv=$build/tools/grpconv/grpconv.exe
for file in "$robot" "$grpconv" "$package"; do
    [ -f "$file" ] || { echo "make-screenshots: $file is missing; build first" >&2; exit 1; }
done
for tool in Xvfb openbox import convert xwininfo wine wineserver; do
    command -v $tool >/dev/null || { echo "make-screenshots: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/velmora-shots.XXXXXX)
xvfb_pid=
wm_pid=
cleanup() {
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix timeout 20 wineserver -k 2>/dev/null || true
    done
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display of our own, on the first free number. Without a window manager Wine
# waits about two seconds at every dialog close, so openbox runs on it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "make-screenshots: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The viewable top-level windows captioned "Setup", one X window id a line.
setup_windows() {
    xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Setup\":" { print $1 }' | while read -r id; do
        xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable" && echo "$id"
    done
    return 0
}

# Waits (at most 30 s) for a Setup window that is not among the ids in $1; prints it.
new_setup_window() {
    for _ in $(seq 120); do
        for id in $(setup_windows); do
            case " $1 " in *" $id "*) ;; *) echo "$id"; return 0 ;; esac
        done
        sleep 0.25
    done
    echo "make-screenshots: no new Setup window within 30 s" >&2
    return 1
}

# The window as Wine draws it, frame and caption included, without time stamps in
# the file, so that a screenshot taken again of the same dialog gives the same file.
shoot() {  # WINDOW-ID FILE
    sleep 1  # let it paint (the browser fills its tree after it shows)
    import -window "$1" miff:- | convert - -strip -define png:exclude-chunks=date,time "$2"
    echo "  $(basename "$2"): $(identify -format '%wx%h' "$2")"
}

answer() {  # ROBOT-STEP...
    status=0
    timeout 60 wine "$robot" --timeout 20000 "$@" >"$work/robot.out" 2>&1 || status=$?
    # The robot prints the texts as the program has them, in the ANSI code page.
    iconv -f CP1252 -t UTF-8 "$work/robot.out" | sed 's/^/  robot: /'
    [ $status -eq 0 ] || { echo "make-screenshots: the robot failed at $*" >&2; exit 1; }
}

one_language() {  # TAG LOCALE
    tag=$1
    LANG=$2 LC_ALL=$2
    export LANG LC_ALL
    WINEPREFIX=$work/prefix-$tag
    export WINEPREFIX
    echo "$tag ($2): making the prefix"
    timeout 180 wineboot -i >/dev/null 2>&1
    # Wine draws caption and frame itself, as Windows would, instead of openbox.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    cp "$grpconv" "$WINEPREFIX/drive_c/windows/"
    timeout 20 wineserver -w

    timeout 300 wine "$package" >"$work/installer-$tag.log" 2>&1 &
    installer=$!

    confirm=$(new_setup_window "")
    shoot "$confirm" "$out/$tag-1-confirm.png"
    answer yes

    browser=$(new_setup_window "$confirm")
    shoot "$browser" "$out/$tag-2-folder-browser.png"
    answer read browse-ok

    create=$(new_setup_window "$confirm $browser")
    shoot "$create" "$out/$tag-3-create-folder.png"
    answer yes

    done_box=$(new_setup_window "$confirm $browser $create")
    shoot "$done_box" "$out/$tag-4-done.png"
    answer ok

    wait "$installer" || { echo "make-screenshots: the installer did not end well" >&2; exit 1; }
    timeout 20 wineserver -k 2>/dev/null || true
}

mkdir -p "$out"
one_language en en_US.UTF-8
one_language de de_DE.UTF-8
echo "screenshots in $out"

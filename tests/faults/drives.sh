#!/bin/sh
# Gives the Wine prefix two broken drives for the fault tests:
#   Q: a 1 MB drive filled to the last byte, with an empty folder Velmora on it
#   R: a read-only drive with an empty folder Velmora on it
#   drives.sh setup PREFIX
#   drives.sh cleanup PREFIX
# The mounts live beside the prefix, never inside it, so that removing the prefix
# cannot reach into a mount that was left behind. Where mounting is refused (no
# privileges), setup maps nothing and leaves the reason in PREFIX.drives/skip for
# the tests to report; it never fails the run for that.
set -u
action=$1
prefix=$2
base="$prefix.drives"
full="$base/full"
readonly="$base/readonly"

unmount() {
    if mountpoint -q "$1" 2>/dev/null; then
        # A process that the tests had to kill may still hold a file there.
        umount "$1" 2>/dev/null || umount -l "$1"
    fi
}

cleanup() {
    rm -f "$prefix/dosdevices/q:" "$prefix/dosdevices/r:"
    unmount "$full"
    unmount "$readonly"
    rm -f "$base/skip"
    rmdir "$full" "$readonly" "$base" 2>/dev/null
    return 0
}

refuse() {
    cleanup
    mkdir -p "$base"
    echo "$1" >"$base/skip"
    echo "drives.sh: $1; the drive tests will skip" >&2
    exit 0
}

case "$action" in
setup)
    [ -d "$prefix/dosdevices" ] || { echo "drives.sh: no Wine prefix at $prefix" >&2; exit 1; }
    cleanup
    mkdir -p "$full" "$readonly"
    mount -t tmpfs -o size=1m,mode=0777 tmpfs "$full" 2>/dev/null ||
        refuse "cannot mount a tmpfs at $full (mounting needs root)"
    mkdir "$full/Velmora"
    # Filled until the write fails: not one block is left for a file's data.
    dd if=/dev/zero of="$full/filler" bs=4096 2>/dev/null
    [ "$(stat -f -c %a "$full")" = 0 ] || refuse "the tmpfs at $full did not fill up"

    mount -t tmpfs -o size=1m,mode=0777 tmpfs "$readonly" 2>/dev/null ||
        refuse "cannot mount a tmpfs at $readonly"
    mkdir "$readonly/Velmora"
    mount -o remount,ro "$readonly" 2>/dev/null || refuse "cannot make $readonly read-only"

    ln -s "$full" "$prefix/dosdevices/q:"
    ln -s "$readonly" "$prefix/dosdevices/r:"
    ;;
cleanup)
    cleanup
    ;;
*)
    echo "usage: $0 setup|cleanup PREFIX" >&2
    exit 2
    ;;
esac

#!/bin/sh
# Runs a command on this machine where wine, wineboot, wineserver and winepath are
# the WoW64 Wine of the sid root (tools/wow64-root.sh), the one that runs 32-bit
# Windows programs here:
#   cmake/wow64/session.sh COMMAND [ARG...]
# The command gets its own mount and process namespace: the root's /proc, a fresh
# /tmp (wineserver's sockets) and /dev, and the checkout mounted at the same path
# inside, so that Z:\ paths agree on both sides. Folders outside the checkout that
# Wine must see too go in VELMORA_WOW64_BIND (colon-separated). Every Wine process
# ends with the command; the registry is saved first. Inside a session it runs the
# command at once.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
checkout=$(cd "$here/../.." && pwd)

if [ -n "${VELMORA_WOW64_SESSION:-}" ]; then
    PATH=$here/bin:$PATH exec "$@"
fi

if [ "${1:-}" != --inside ]; then
    [ "$(id -u)" -eq 0 ] || { echo "wow64 session: needs root (unshare and chroot): run as root or with sudo" >&2; exit 1; }
    sh "$checkout/tools/wow64-root.sh" check >/dev/null || exit 1
    root=$(sh "$checkout/tools/wow64-root.sh" path)
    exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
        sh "$here/session.sh" --inside "$root" "$@"
fi
root=$2
shift 2

mount -t proc proc "$root/proc"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mount --rbind /dev "$root/dev"
# Wine reads the processors' layout there.
mount --rbind /sys "$root/sys"
# An X display of this machine, for runs with a DISPLAY.
if [ -d /tmp/.X11-unix ]; then
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
fi
if [ -f "${XAUTHORITY:-}" ]; then
    mkdir -p "$root$(dirname "$XAUTHORITY")"
    touch "$root$XAUTHORITY"
    mount --bind "$XAUTHORITY" "$root$XAUTHORITY"
fi
# Mounts made later below a bound folder (the fault tests' drives) show inside too.
IFS=:
for folder in $checkout ${VELMORA_WOW64_BIND:-}; do
    [ -d "$folder" ] || continue
    mountpoint -q "$folder" || mount --bind "$folder" "$folder"
    mount --make-rshared "$folder"
    mkdir -p "$root$folder"
    mount --rbind "$folder" "$root$folder"
    mount --make-rslave "$root$folder"
done
unset IFS

export VELMORA_WOW64_SESSION="$root" PATH="$here/bin:$PATH"
status=0
"$@" || status=$?

# The namespace ends with this shell and kills what is left: let every wineserver
# end by itself first (a few seconds after its last program), which saves its registry.
waited=0
while grep -qx wineserver /proc/[0-9]*/comm 2>/dev/null && [ $waited -lt 150 ]; do
    sleep 0.2
    waited=$((waited + 1))
done
exit $status

#!/bin/sh
# wine, wineboot, wineserver or winepath (the name this is called by) of the sid
# root's WoW64 Wine, run in the current folder. Outside a session it makes one.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
name=$(basename "$0")
if [ -z "${VELMORA_WOW64_SESSION:-}" ]; then
    exec "$here/session.sh" "$0" "$@"
fi
case "$name" in
wineserver) program=/usr/lib/x86_64-linux-gnu/wine/wineserver ;;
wine | wineboot | winepath) program=/usr/bin/$name ;;
*) echo "run-in-root.sh: called as $name, not as a Wine command" >&2; exit 2 ;;
esac
# The root's own PATH: this machine's would find these wrappers again.
exec chroot "$VELMORA_WOW64_SESSION" /usr/bin/env PATH=/usr/local/bin:/usr/bin:/bin \
    sh -c 'cd "$1" 2>/dev/null || cd /; shift; exec "$@"' sh "$PWD" "$program" "$@"

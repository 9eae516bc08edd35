#!/bin/sh
# Makes, checks or names the Debian sid root whose WoW64 Wine runs the 32-bit release.
# Bookworm's Wine cannot run a 32-bit program here (it needs 32-bit Linux code, which
# this kernel does not run) and sid's Wine needs a newer glibc, so it lives in a root
# of its own, outside the checkout.
#   wow64-root.sh ensure   reuse the root while it holds a WoW64 Wine, else build it anew
#   wow64-root.sh check    exit 0 when the root holds a WoW64 Wine of this recipe (quick)
#   wow64-root.sh path     print where the root is
# VELMORA_WOW64_ROOT moves the root (default /var/cache/velmora-wow64).
set -eu
root=${VELMORA_WOW64_ROOT:-/var/cache/velmora-wow64}
mirror=${VELMORA_SID_MIRROR:-http://deb.debian.org/debian}
# Changes whenever the recipe below does, so that an older root is rebuilt.
recipe="debootstrap minbase sid; wine wine64 locales; strip-debug"
# The tests' languages and double-byte code pages (932, 936, 949, 950), as on this machine.
locales="de_DE en_US ja_JP zh_CN ko_KR zh_TW"
wine_lib=usr/lib/x86_64-linux-gnu/wine

# A WoW64 build runs 32-bit Windows code from the amd64 Wine alone: it has the
# i386-windows DLLs and no 32-bit Unix side.
is_wow64_wine() {  # ROOT
    [ -f "$1/$wine_lib/i386-windows/kernel32.dll" ] &&
        [ -f "$1/$wine_lib/x86_64-unix/ntdll.so" ] &&
        [ ! -d "$1/usr/lib/i386-linux-gnu/wine" ] &&
        [ -x "$1/$wine_lib/wineserver" ]
}

wine_version() {  # ROOT
    limit=60 in_root "$1" wine --version 2>/dev/null
}

is_usable() {  # ROOT
    is_wow64_wine "$1" && [ "$(cat "$1/.velmora-recipe" 2>/dev/null)" = "$recipe" ]
}

# The version of a usable root's Wine, which must start.
checked_version() {  # ROOT
    is_usable "$1" || return 1
    version=$(wine_version "$1") || return 1
    case "$version" in wine-*) echo "$version" ;; *) return 1 ;; esac
}

in_root() {  # ROOT COMMAND...: with /proc and /dev mounted for the command only
    target=$1
    shift
    timeout "${limit:-900}" unshare --mount --propagation private --fork sh -c '
        target=$1; shift
        mount -t proc proc "$target/proc" && mount --rbind /dev "$target/dev" || exit 1
        exec chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            DEBIAN_FRONTEND=noninteractive LANG=C "$@"' sh "$target" "$@"
}

fail() {
    echo "wow64-root: $*" >&2
    exit 1
}

build() {
    command -v debootstrap >/dev/null || fail "debootstrap is missing (tools/install-deps.sh installs it)"
    parent=$(dirname "$root")
    mkdir -p "$parent"
    # Left-overs of an attempt that was cut short.
    for stale in "$root".new.*; do
        [ -e "$stale" ] || continue
        umount -R "$stale/proc" "$stale/dev" 2>/dev/null || true
        rm -rf --one-file-system "$stale"
    done
    work=$(mktemp -d "$root.new.XXXXXX")
    log="$work.log"
    echo "wow64-root: building a Debian sid root with Wine in $root (about 1 minute, 300 MB download)"
    timeout 900 debootstrap --variant=minbase sid "$work" "$mirror" >"$log" 2>&1 ||
        { tail -5 "$log" >&2; fail "debootstrap of sid into $work failed (log: $log)"; }
    # Sid's lists may look expired by a machine clock that is off.
    echo 'Acquire::Check-Valid-Until "false";' >"$work/etc/apt/apt.conf.d/99velmora-valid-until"
    # A root that is rebuilt from scratch after a crash needs no fsync per file.
    echo force-unsafe-io >"$work/etc/dpkg/dpkg.cfg.d/velmora-unsafe-io"
    in_root "$work" apt-get update -qq >>"$log" 2>&1 || { tail -5 "$log" >&2; fail "apt-get update in the sid root failed (log: $log)"; }
    in_root "$work" apt-get install -y -qq --no-install-recommends wine wine64 locales >>"$log" 2>&1 ||
        { tail -5 "$log" >&2; fail "sid's wine cannot be installed in the root (log: $log)"; }
    is_wow64_wine "$work" ||
        fail "sid no longer offers a WoW64 Wine ($(in_root "$work" dpkg-query -W -f='${Version}' wine 2>/dev/null)): the 32-bit release cannot run here"
    ensure_locales "$work" >>"$log" 2>&1 || fail "locale-gen in the sid root failed (log: $log)"
    strip_debug "$work"
    in_root "$work" apt-get clean >>"$log" 2>&1 || true
    echo "$recipe" >"$work/.velmora-recipe"
    version=$(wine_version "$work") || fail "the sid root's wine does not start (log: $log)"
    rm -rf --one-file-system "$root"
    mv "$work" "$root"
    rm -f "$log"
    echo "wow64-root: $version (WoW64) ready in $root"
}

# Generates the locales that the root lacks (Wine falls back to English without them).
ensure_locales() {  # ROOT
    missing=""
    for name in $locales; do
        chroot "$1" locale -a 2>/dev/null | grep -qx "$name.utf8" || missing="$missing $name"
    done
    [ -n "$missing" ] || return 0
    for name in $missing; do
        echo "$name.UTF-8 UTF-8" >>"$1/etc/locale.gen"
    done
    in_root "$1" locale-gen
}

# Wine's DLLs carry debug info that every prefix copies: stripping it halves a prefix.
strip_debug() {  # ROOT
    for pair in i386-windows:i686-w64-mingw32-strip x86_64-windows:x86_64-w64-mingw32-strip x86_64-unix:strip; do
        folder=$1/$wine_lib/${pair%%:*}
        tool=${pair#*:}
        command -v "$tool" >/dev/null || continue
        find "$folder" -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.so' -o -name '*.drv' \
            -o -name '*.sys' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' -o -name '*.ax' \) -print0 |
            xargs -0 -r -P2 -n 64 "$tool" --strip-debug 2>/dev/null || true
    done
}

[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap and chroot): run it as root or with sudo"

case "${1:-ensure}" in
ensure)
    if version=$(checked_version "$root"); then
        ensure_locales "$root" >/dev/null || fail "locale-gen in $root failed"
        echo "wow64-root: $version (WoW64) in $root"
    else
        [ ! -e "$root" ] || echo "wow64-root: $root holds no usable WoW64 Wine of this recipe: rebuilding"
        build
    fi
    # Whether it can run anything 32-bit is the kernel's say, not the root's.
    echo "wow64-root: $(python3 "$(dirname "$0")/../cmake/wow64/runs-32-bit-code.py")" || true
    ;;
check)
    is_usable "$root" || fail "no WoW64 Wine in $root (run tools/install-deps.sh)"
    ;;
path)
    echo "$root"
    ;;
*)
    echo "usage: $0 ensure|check|path" >&2
    exit 2
    ;;
esac

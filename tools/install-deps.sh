#!/bin/sh
# Installs what a fresh Debian machine lacks for building and testing, idempotently.
set -eu

PACKAGES="cmake python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 gcab googletest locales debootstrap"

missing=""
for package in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: needs root (apt-get, debootstrap, chroot): run it as root" >&2; exit 1; }
    SUDO="sudo"
fi

if [ -n "$missing" ]; then
    echo "installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# Wine falls back to English without a word when the locale is not generated; the
# East Asian ones give the double-byte ANSI code pages (932, 936, 949, 950).
for locale in de_DE.UTF-8 en_US.UTF-8 ja_JP.UTF-8 zh_CN.UTF-8 ko_KR.UTF-8 zh_TW.UTF-8; do
    if ! locale -a 2>/dev/null | grep -qi "^$(echo "$locale" | sed 's/UTF-8/utf8/')\$"; then
        $SUDO sed -i "s/^# *\($locale UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$locale UTF-8" /etc/locale.gen || echo "$locale UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
        need_locale_gen=1
    fi
done
[ -z "${need_locale_gen:-}" ] || $SUDO locale-gen >/dev/null

# The WoW64 Wine that runs the 32-bit release lives in a Debian sid root of its own.
# It is made only where the kernel can run 32-bit code: elsewhere it could start no
# 32-bit program, and the test summary says why the i686 suite did not run.
if probe=$(python3 "$(dirname "$0")/../cmake/wow64/runs-32-bit-code.py"); then
    $SUDO sh "$(dirname "$0")/wow64-root.sh" ensure
else
    echo "install-deps: no WoW64 root made: $probe"
fi

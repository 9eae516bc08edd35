#!/bin/sh
# Builds the x86_64 package twice from one snapshot of the sources and checks that
# the two dist folders are byte for byte the same. The second build runs from a
# copy at another, longer path, in another time zone, locale and umask, and with
# Ninja where it is installed, so that a build path, a local date, a file mode or
# the generator's order that leaks into the image, the INF or the cabinet shows up.
#   check_reproducible.sh SOURCE-DIR
set -eu
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# One snapshot, so that edits made in the checkout while this runs cannot differ
# between the two builds.
mkdir "$work/a"
tar -C "$source_dir" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$work/a" -xf -
mkdir -p "$work/second/checkout-at-another-path"
cp -R "$work/a/." "$work/second/checkout-at-another-path"

build() {  # GENERATOR SOURCE BUILD
    generator=$1
    shift
    if ! cmake -G "$generator" -S "$1" -B "$2" --toolchain "$1/cmake/toolchain-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=MinSizeRel -DVELMORA_DIST_DIR="$2/dist" >"$work/configure.log" 2>&1 ||
       ! cmake --build "$2" --target velmora_package -j2 >"$2.log" 2>&1; then
        cat "$work/configure.log" "$2.log" 2>/dev/null
        echo "FAIL: the build in $2 failed"
        exit 1
    fi
}

second_generator="Unix Makefiles"
command -v ninja >/dev/null && second_generator=Ninja
build "Unix Makefiles" "$work/a" "$work/a/b"
(
    umask 077
    TZ=Pacific/Kiritimati LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8
    export TZ LC_ALL LANG
    build "$second_generator" "$work/second/checkout-at-another-path" "$work/second/checkout-at-another-path/build-tree"
)
first=$work/a/b/dist
second=$work/second/checkout-at-another-path/build-tree/dist

status=0
for dist in "$first" "$second"; do
    # The list names exactly the packages present, and each with its current hash.
    listed=$(awk '{ print $2 }' "$dist/SHA256SUMS" | sort | tr '\n' ' ')
    present=$(cd "$dist" && ls VelmoraSetup*.exe | sort | tr '\n' ' ')
    if [ "$listed" != "$present" ] || [ -z "$present" ]; then
        echo "FAIL: $dist/SHA256SUMS lists '$listed', the folder holds '$present'"
        status=1
    elif ! (cd "$dist" && sha256sum --quiet -c SHA256SUMS); then
        echo "FAIL: $dist/SHA256SUMS does not match the packages"
        status=1
    fi
done

names_first=$(cd "$first" && ls -A | tr '\n' ' ')
names_second=$(cd "$second" && ls -A | tr '\n' ' ')
if [ "$names_first" != "$names_second" ]; then
    echo "FAIL: the dist folders hold different files: '$names_first' and '$names_second'"
    exit 1
fi

# Where a package differs, say which piece: the image, the INF or the cabinet.
piece_at() {  # 1-based byte number as cmp prints it
    if [ "$1" -le 57344 ]; then echo "program image"
    elif [ "$1" -le 59862 ]; then echo "package INF"
    else echo "cabinet"
    fi
}
for name in $names_first; do
    if cmp -s "$first/$name" "$second/$name"; then
        echo "ok: $name is the same in both builds ($(wc -c <"$first/$name") bytes)"
        continue
    fi
    status=1
    count=$(cmp -l "$first/$name" "$second/$name" 2>/dev/null | wc -l)
    echo "FAIL: $name differs between the builds in $count bytes"
    case "$name" in
    VelmoraSetup*.exe)
        cmp -l "$first/$name" "$second/$name" 2>/dev/null | head -5 | while read -r offset a b; do
            echo "  byte $offset ($(piece_at "$offset")): $a / $b (octal)"
        done ;;
    *) diff "$first/$name" "$second/$name" || true ;;
    esac
done
[ $status -eq 0 ] && echo "ok: both builds gave the same dist folder"
exit $status

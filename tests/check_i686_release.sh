#!/bin/sh
# Builds the 32-bit release (it cannot run here) and checks its size, layout and imports.
#   check_i686_release.sh SOURCE-DIR
set -eu
cd "$1"
cmake --preset i686 >/dev/null
build=build/i686
if ! cmake --build --preset i686 -j2 >$build/build.log 2>&1; then
    cat $build/build.log
    echo "FAIL: the i686 release does not build"
    exit 1
fi
grep -E "warning|bytes" $build/build.log || true
python3 tests/check_package.py --package dist/VelmoraSetup.exe \
    --image $build/package/uninst.exe --inf $build/package/install.inf \
    --cabinet $build/package/data.cab --objdump i686-w64-mingw32-objdump \
    --linked-image $build/driver/setup.exe
file_header=$(i686-w64-mingw32-objdump -f $build/driver/setup.exe | grep "file format")
case "$file_header" in
*pei-i386*) echo "ok: 32-bit image ($file_header)" ;;
*) echo "FAIL: not a 32-bit image: $file_header"; exit 1 ;;
esac
python3 tests/check_resources.py $build/driver/setup.exe

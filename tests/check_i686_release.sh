#!/bin/sh
# Builds the 32-bit release, checks its size, layout and imports, and says where it
# runs: under the WoW64 Wine of the sid root (ctest --preset i686), where the kernel
# runs 32-bit code.
#   check_i686_release.sh SOURCE-DIR
set -eu
cd "$1"
cmake --preset i686 >/dev/null
build=build/i686
# The release alone: the i686 test programs are the i686 preset's to build.
if ! cmake --build --preset i686 --target velmora_package -j2 >$build/build.log 2>&1; then
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
if probe=$(python3 cmake/wow64/runs-32-bit-code.py); then
    echo "ok: the release runs here under $(cmake/wow64/session.sh wine --version 2>/dev/null) (WoW64, sid root): ctest --preset i686"
else
    echo "note: the release cannot run on this machine: $probe"
fi

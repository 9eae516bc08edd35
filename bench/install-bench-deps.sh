#!/bin/sh
# Installs, with apt-get, only what the benchmarks need beyond the build's own
# tools (tools/install-deps.sh): makensis for the peer installer, gnuplot for the
# growth plot. Does nothing when both are present.
set -eu
missing=""
command -v makensis >/dev/null 2>&1 || missing="$missing nsis"
command -v gnuplot >/dev/null 2>&1 || missing="$missing gnuplot-nox"
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "install-bench-deps: need root to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null

#!/bin/sh
# Makes data.cab (MSZIP, one folder per file) from the application's files, under
# their bare names and with one fixed date, so that the same files always give the
# same cabinet.
#   make_cab.sh OUTPUT.cab FILE...
set -eu
# The cabinet lists its files in the order of the glob below; keep it the same everywhere.
export LC_ALL=C
output=$1
shift
stage="$output.files"
rm -rf "$stage"
mkdir -p "$stage"
for file in "$@"; do
    cp "$file" "$stage/"
done
touch -d "2000-01-01 00:00:00 UTC" "$stage"/*
rm -f "$output"
tools=$(cd "$(dirname "$0")" && pwd)
(cd "$stage" && python3 "$tools/write_cabinet.py" "$output" *)

#!/usr/bin/env python3
"""Rewrites SHA256SUMS in the dist folder from the package files found there.

Both build targets put their package into the same folder, each rewriting this
one file after its package is complete; so every rewrite lists every package
present, in the format that `sha256sum -c` reads. The rewrites hold a lock on
the folder and replace the file in one rename, so two builds that finish at the
same moment cannot leave a half-written or stale list behind.
  write_sums.py DIST-DIR
"""
import fcntl
import glob
import hashlib
import os
import sys

PACKAGE_PATTERN = "VelmoraSetup*.exe"
SUMS_NAME = "SHA256SUMS"


def sums_text(dist_dir):
    """One "<sha256>  <name>" line per package file, sorted by name."""
    lines = []
    for path in sorted(glob.glob(os.path.join(dist_dir, PACKAGE_PATTERN))):
        with open(path, "rb") as package:
            digest = hashlib.sha256(package.read()).hexdigest()
        lines.append(f"{digest}  {os.path.basename(path)}\n")
    return "".join(lines)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dist_dir = sys.argv[1]
    folder = os.open(dist_dir, os.O_RDONLY)
    try:
        fcntl.flock(folder, fcntl.LOCK_EX)
        text = sums_text(dist_dir)
        if not text:
            sys.exit(f"write_sums: no {PACKAGE_PATTERN} in {dist_dir}")
        target = os.path.join(dist_dir, SUMS_NAME)
        scratch = target + f".{os.getpid()}.tmp"
        with open(scratch, "w", newline="\n") as sums:
            sums.write(text)
        os.replace(scratch, target)
    finally:
        os.close(folder)
    print(f"write_sums: {target}: {text.count(chr(10))} package(s)")


if __name__ == "__main__":
    main()

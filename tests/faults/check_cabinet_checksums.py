#!/usr/bin/env python3
"""Checks that every data block of a built cabinet carries its real checksum.

Wine's cabinet reader checks no checksum, so a package with damaged cabinet bytes
installs them; Windows refuses such a block. That protection holds only if the
writer's checksums are real: gcab, a reader of its own that verifies them, must
extract the cabinet whole, and must refuse it once any one byte of any data block
is flipped, naming the checksum.

    check_cabinet_checksums.py CABINET
"""
import argparse
import struct
import subprocess
import sys
import tempfile

HEADER = struct.Struct("<4sIIIIIBBHHHHH")
FOLDER = struct.Struct("<IHH")
DATA = struct.Struct("<IHH")
RESERVE_PRESENT = 0x0004


def data_blocks(cabinet):
    """(offset of the block's data, its length) for every CFDATA of every folder,
    found from the header alone."""
    fields = HEADER.unpack_from(cabinet, 0)
    signature, folders, flags = fields[0], fields[9], fields[11]
    if signature != b"MSCF" or flags & RESERVE_PRESENT:
        raise ValueError("not a cabinet without reserved areas")
    blocks = []
    for index in range(folders):
        first, count, _ = FOLDER.unpack_from(cabinet, HEADER.size + index * FOLDER.size)
        offset = first
        for _ in range(count):
            _, packed, _ = DATA.unpack_from(cabinet, offset)
            blocks.append((offset + DATA.size, packed))
            offset += DATA.size + packed
    return blocks


def gcab_verdict(cabinet):
    """gcab's exit code and error text for extracting these bytes."""
    with tempfile.TemporaryDirectory() as folder:
        path = f"{folder}/probe.cab"
        with open(path, "wb") as out:
            out.write(cabinet)
        run = subprocess.run(["gcab", "--extract", "--directory", folder, path],
                             capture_output=True, text=True)
        return run.returncode, (run.stdout + run.stderr).strip()


def problems_of(cabinet):
    blocks = data_blocks(cabinet)
    if not blocks:
        return ["the cabinet holds no data block"]
    code, text = gcab_verdict(cabinet)
    if code != 0:
        return [f"gcab refuses the intact cabinet: {text}"]
    problems = []
    for number, (start, length) in enumerate(blocks):
        # One byte in the middle of the compressed data, past the "CK" signature.
        damaged = bytearray(cabinet)
        damaged[start + 2 + (length - 2) // 2] ^= 0x01
        code, text = gcab_verdict(bytes(damaged))
        if code == 0 or "checksum" not in text:
            problems.append(f"block {number} at {start}: a flipped byte is not caught by its checksum "
                            f"(gcab exit {code}: {text or 'no message'})")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("cabinet")
    args = parser.parse_args()
    with open(args.cabinet, "rb") as source:
        cabinet = source.read()
    problems = problems_of(cabinet)
    for problem in problems:
        print(f"FAIL {args.cabinet}: {problem}")
    if problems:
        sys.exit(1)
    print(f"ok {args.cabinet}: {len(data_blocks(cabinet))} data blocks, each caught by its checksum")


if __name__ == "__main__":
    main()

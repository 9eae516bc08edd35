#!/usr/bin/env python3
"""Writes a Microsoft Cabinet (MSZIP) with one folder per file.

A one-folder cabinet (what gcab writes) can only be decoded from its start, and
the Setup API extracts one file at a time: it inflates every file before the one
it wants again, so an install grows with files times cabinet size. With a folder
of its own per file it goes straight to the file. The program and its INF do not
see the difference.

    write_cabinet.py OUTPUT.cab FILE...   (stored under their bare names, in this order)
"""
import os
import struct
import sys
import time
import zlib

BLOCK = 32768            # uncompressed bytes per CFDATA block, the format's maximum
TYPE_MSZIP = 1
ATTRIB_ARCHIVE = 0x20
HEADER_SIZE = 36
FOLDER_SIZE = 8


def checksum(data, seed=0):
    """The cabinet checksum: the 32-bit words XORed together, with the 1 to 3
    bytes left over taken most significant first."""
    whole = len(data) & ~3
    value = int.from_bytes(data[:whole], "little")
    bits = whole * 8
    # Fold the number in halves (whole words each) until one word is left.
    while bits > 32:
        half = (bits // 64) * 32
        value = (value >> half) ^ (value & ((1 << half) - 1))
        bits -= half
    rest = data[whole:]
    tail = 0
    for byte in rest:
        tail = (tail << 8) | byte
    return (value ^ tail ^ seed) & 0xFFFFFFFF


def mszip_blocks(data):
    """Each block a complete deflate stream after "CK"; none refers back to an
    earlier block, which every MSZIP decoder accepts."""
    for start in range(0, len(data), BLOCK):
        chunk = data[start:start + BLOCK]
        compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
        packed = b"CK" + compressor.compress(chunk) + compressor.flush()
        yield packed, len(chunk)


def dos_date_time(mtime):
    t = max(mtime, 315532800)  # nothing before 1980 fits
    tm = time.gmtime(t)
    date = ((tm.tm_year - 1980) << 9) | (tm.tm_mon << 5) | tm.tm_mday
    clock = (tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec // 2)
    return date, clock


def write_cabinet(output, paths):
    names = [os.path.basename(path).encode("ascii") for path in paths]
    files_size = sum(16 + len(name) + 1 for name in names)
    data_offset = HEADER_SIZE + FOLDER_SIZE * len(paths) + files_size
    folders = []
    entries = []
    body = []
    offset = data_offset
    for index, (path, name) in enumerate(zip(paths, names)):
        with open(path, "rb") as source:
            content = source.read()
        if not content:
            raise ValueError(f"{path}: an empty file would make an empty folder")
        blocks = 0
        start = offset
        for packed, plain in mszip_blocks(content):
            fields = struct.pack("<HH", len(packed), plain)
            body.append(struct.pack("<I", checksum(fields, checksum(packed))) + fields + packed)
            offset += 8 + len(packed)
            blocks += 1
        if blocks > 0xFFFF:
            raise ValueError(f"{path}: too large for one folder")
        folders.append(struct.pack("<IHH", start, blocks, TYPE_MSZIP))
        date, clock = dos_date_time(int(os.stat(path).st_mtime))
        entries.append(struct.pack("<IIHHHH", len(content), 0, index, date, clock, ATTRIB_ARCHIVE) +
                       name + b"\0")
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, offset, 0, HEADER_SIZE + FOLDER_SIZE * len(paths),
                         0, 3, 1, len(paths), len(paths), 0, 0, 0)
    with open(output, "wb") as out:
        out.write(header)
        out.write(b"".join(folders))
        out.write(b"".join(entries))
        for piece in body:
            out.write(piece)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    write_cabinet(sys.argv[1], sys.argv[2:])


if __name__ == "__main__":
    main()

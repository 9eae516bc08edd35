#!/usr/bin/env python3
"""Writes a Microsoft Cabinet with one folder per file, MSZIP where that makes
the file smaller and stored (uncompressed) where it does not.

A one-folder cabinet (what gcab writes) can only be decoded from its start, and
the Setup API extracts one file at a time: it inflates every file before the one
it wants again, so an install grows with files times cabinet size. With a folder
of its own per file it goes straight to the file. The program and its INF do not
see the difference. An empty file gets a folder without data blocks. A file that
does not compress is stored as it is: Wine's cabinet reader copies a stored folder
much faster than it inflates an MSZIP one, and the cabinet is smaller too.

Every file carries one fixed date, so that the same files always give the same
cabinet.

    write_cabinet.py OUTPUT.cab FILE...   (stored under their bare names, in this order)
"""
import os
import struct
import sys
import zlib

BLOCK = 32768            # uncompressed bytes per CFDATA block, the format's maximum
TYPE_NONE = 0
TYPE_MSZIP = 1
# How write_cabinet chooses each folder's type.
FOLDERS = ("smaller", "mszip", "stored")
ATTRIB_ARCHIVE = 0x20
HEADER_SIZE = 36
FOLDER_SIZE = 8
ENTRY_SIZE = 16          # a CFFILE entry without its name
MAX_NAME = 255           # bytes of a stored name, without its terminating zero
MAX_BLOCKS = 0xFFFF      # CFDATA blocks of one folder
MAX_FILE_SIZE = MAX_BLOCKS * BLOCK
MAX_CABINET_SIZE = 0x7FFFFFFF
# 2000-01-01 00:00:00 as a DOS date and time.
FIXED_DATE = ((2000 - 1980) << 9) | (1 << 5) | 1
FIXED_TIME = 0


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


def data_block(packed, plain_size):
    fields = struct.pack("<HH", len(packed), plain_size)
    return struct.pack("<I", checksum(fields, checksum(packed))) + fields + packed


def mszip_block(chunk):
    """One CFDATA block: a complete deflate stream after "CK" that refers back to
    no earlier block, which every MSZIP decoder accepts."""
    compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
    return data_block(b"CK" + compressor.compress(chunk) + compressor.flush(), len(chunk))


def stored_block(chunk):
    return data_block(chunk, len(chunk))


def name_problem(name):
    """Why a cabinet cannot store this name, or None."""
    try:
        stored = name.encode("ascii")
    except UnicodeEncodeError:
        return "a cabinet stores names without their character set"
    if not stored or len(stored) > MAX_NAME:
        return f"a cabinet stores names of 1 to {MAX_NAME} bytes"
    return None


def entries_size(names):
    return sum(ENTRY_SIZE + len(name) + 1 for name in names)


def header(cabinet_size, count):
    return struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, cabinet_size, 0,
                       HEADER_SIZE + FOLDER_SIZE * count, 0, 3, 1, count, count, 0, 0, 0)


def write_blocks(out, path, make_block, offset):
    """Writes the blocks of one file from offset on; yields (size, block count, end offset)."""
    size = blocks = 0
    with open(path, "rb") as source:
        while True:
            chunk = source.read(BLOCK)
            if not chunk:
                break
            block = make_block(chunk)
            out.write(block)
            offset += len(block)
            size += len(chunk)
            blocks += 1
            if blocks > MAX_BLOCKS:
                raise ValueError(f"{path}: over the {MAX_FILE_SIZE} bytes one cabinet folder holds")
            if offset > MAX_CABINET_SIZE:
                raise ValueError(f"{path}: the cabinet grows over the {MAX_CABINET_SIZE} bytes it can hold")
    return size, blocks, offset


def write_folders(out, paths, start, folders):
    """Writes each file's blocks from offset start on; yields per file its size,
    first block's offset, block count and folder type. With folders "smaller", a
    file is first written MSZIP and, when that is not smaller than the file,
    written again over it stored: the stored blocks never take more room."""
    offset = start
    for path in paths:
        first = offset
        kind = TYPE_NONE if folders == "stored" else TYPE_MSZIP
        size, blocks, offset = write_blocks(out, path, stored_block if kind == TYPE_NONE else mszip_block,
                                            first)
        if folders == "smaller" and size and offset - first - 8 * blocks >= size:
            out.seek(out.tell() - (offset - first))
            kind = TYPE_NONE
            size, blocks, offset = write_blocks(out, path, stored_block, first)
            out.truncate()
        yield size, first, blocks, kind


def write_cabinet(output, paths, folders="smaller"):
    """Writes the cabinet file output from paths, under their bare names."""
    with open(output, "wb") as out:
        return write_cabinet_stream(out, paths, folders=folders)


def write_cabinet_stream(output, paths, names=None, folders="smaller"):
    """Writes the cabinet of paths to the open, seekable binary stream output,
    storing each under names (default: its bare name), each folder's type chosen
    as folders says (one of FOLDERS); returns its size. Raises ValueError when a
    name or a size does not fit the format."""
    if folders not in FOLDERS:
        raise ValueError(f"folders {folders!r}: one of {FOLDERS}")
    names = names or [os.path.basename(path) for path in paths]
    for name in names:
        problem = name_problem(name)
        if problem:
            raise ValueError(f"{name!r}: {problem}")
    if len(names) > 0xFFFF:
        raise ValueError(f"{len(names)} files: a cabinet holds at most {0xFFFF}")
    data_start = HEADER_SIZE + FOLDER_SIZE * len(names) + entries_size(names)
    out_start = output.tell()
    output.write(b"\0" * data_start)
    folder_entries, entries = [], []
    end = data_start
    written = write_folders(output, paths, data_start, folders)
    for index, (name, (size, first, blocks, kind)) in enumerate(zip(names, written)):
        folder_entries.append(struct.pack("<IHH", first, blocks, kind))
        entries.append(struct.pack("<IIHHHH", size, 0, index, FIXED_DATE, FIXED_TIME, ATTRIB_ARCHIVE) +
                       name.encode("ascii") + b"\0")
        end = output.tell() - out_start
    output.seek(out_start)
    output.write(header(end, len(names)) + b"".join(folder_entries) + b"".join(entries))
    output.seek(out_start + end)
    return end


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    try:
        write_cabinet(sys.argv[1], sys.argv[2:])
    except ValueError as error:
        os.remove(sys.argv[1])
        sys.exit(f"write_cabinet: {error}")


if __name__ == "__main__":
    main()

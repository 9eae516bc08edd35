#!/usr/bin/env python3
"""Builds a Velmora package file from a release's files: the program image padded
to its fixed size, the package INF made for these files, and data.cab holding
them, one after the other. The same inputs always give the same bytes.

Refuses, with one line that names the input and the cause and leaves no output,
any release that the package cannot carry.

example:
  make_package.py --image setup.exe --payload release/ --output VelmoraSetup.exe \\
      --display-name "Karvenko's Velmora 1.0" --shortcut "Velmora=velmora.exe" \\
      --settings-key "Software\\Karvenko\\Velmora"
"""
import argparse
import os
import sys
import tempfile

from names import (display_name_problem, duplicate_names, file_name_problem, settings_key_problem,
                   setup_ini_problem, shortcut_title_problem)
from package_inf import INF_SIZE, InfTooLong, Release, package_inf
from write_cabinet import MAX_FILE_SIZE, write_cabinet_stream

IMAGE_SIZE = 57344


class Refusal(Exception):
    """One line: the input, the cause and what would fit."""


def image_problem(image):
    if len(image) > IMAGE_SIZE:
        return f"is {len(image)} bytes, {len(image) - IMAGE_SIZE} over the program's {IMAGE_SIZE}"
    if not image.startswith(b"MZ"):
        return "is no Windows program (it does not begin with \"MZ\"); give the linked setup program"
    return None


def parse_shortcut(text):
    """TITLE=FILE as a (title, file) pair; the title holds no "=" (setup.ini would split there)."""
    title, equals, name = text.partition("=")
    if not equals:
        raise Refusal(f"--shortcut {text!r}: no '='; write it TITLE=FILE, such as \"Velmora=velmora.exe\"")
    return title, name


def list_order(names, shortcuts):
    """The INF's file list: the files of the Start-menu items first, in menu
    order, then the others by name."""
    first = []
    for _, name in shortcuts:
        if name not in first:
            first.append(name)
    return first + sorted((name for name in names if name not in first), key=lambda n: (n.lower(), n))


def shortcut_problems(shortcuts, names):
    for title, name in shortcuts:
        problem = shortcut_title_problem(title)
        if problem:
            yield f"--shortcut {title!r}: the title {problem}"
        if name not in names:
            match = [other for other in names if other.lower() == name.lower()]
            hint = f"; the payload has {match[0]!r}" if match else "; it must name a file of --payload"
            yield f"--shortcut {title!r}: no file {name!r} in the payload{hint}"
        elif setup_ini_problem(name):
            yield f"--shortcut {title!r}: the file name {name!r} {setup_ini_problem(name)}"
    for first, second in duplicate_names([title for title, _ in shortcuts]):
        yield f"--shortcut: titles {first!r} and {second!r} make one Start-menu item; give each its own title"


def release_problems(payload, names, display_name, shortcuts, settings_key):
    """Every reason why this release cannot become a package, in the order of the
    command line; empty when it can. Pure: names are the payload's file names."""
    if not names:
        yield f"--payload {payload}: no files; a package carries at least one"
    for name in names:
        problem = file_name_problem(name)
        if problem:
            yield f"--payload {payload}: the file name {name!r} {problem}"
    for first, second in duplicate_names(names):
        yield f"--payload {payload}: {first!r} and {second!r} are one name to Windows, which ignores case"
    problem = display_name_problem(display_name)
    if problem:
        yield f"--display-name {display_name!r}: {problem}"
    yield from shortcut_problems(shortcuts, names)
    if settings_key is not None:
        problem = settings_key_problem(settings_key)
        if problem:
            yield f"--settings-key {settings_key!r}: {problem}"


def payload_names(payload):
    """The payload's file names; a folder or anything but a plain file is refused."""
    try:
        entries = sorted(os.scandir(payload), key=lambda entry: entry.name)
    except OSError as error:
        raise Refusal(f"--payload {payload}: {error.strerror}; give the folder of the release's files")
    for entry in entries:
        if entry.is_dir():
            raise Refusal(f"--payload {payload}: {entry.name} is a folder; the package installs into one "
                          f"folder, put its files beside the others")
        if not entry.is_file():
            raise Refusal(f"--payload {payload}: {entry.name} is no plain file")
        if entry.stat().st_size > MAX_FILE_SIZE:
            raise Refusal(f"--payload {payload}: {entry.name} is {entry.stat().st_size} bytes, over the "
                          f"{MAX_FILE_SIZE} a cabinet folder holds")
    return [entry.name for entry in entries]


def build(args):
    """The package's three pieces: padded image, INF and cabinet (in a temporary file)."""
    with open(args.image, "rb") as image_file:
        image = image_file.read()
    problem = image_problem(image)
    if problem:
        raise Refusal(f"--image {args.image}: {problem}")
    names = payload_names(args.payload)
    shortcuts = [parse_shortcut(text) for text in args.shortcut]
    problems = list(release_problems(args.payload, names, args.display_name, shortcuts, args.settings_key))
    if problems:
        more = f" (and {len(problems) - 1} more)" if len(problems) > 1 else ""
        raise Refusal(problems[0] + more)
    release = Release(list_order(names, shortcuts), args.display_name, shortcuts, args.settings_key)
    try:
        inf = package_inf(release)
    except InfTooLong as error:
        raise Refusal(f"--payload {args.payload}: {len(names)} files: {error}")
    cabinet = tempfile.TemporaryFile()
    try:
        # Stored in byte order of their names, whatever the order of the INF's list.
        ordered = sorted(names, key=lambda name: name.encode("ascii"))
        write_cabinet_stream(cabinet, [os.path.join(args.payload, name) for name in ordered], ordered)
    except ValueError as error:
        cabinet.close()
        raise Refusal(f"--payload {args.payload}: {error}")
    return image + b"\0" * (IMAGE_SIZE - len(image)), inf, cabinet


def write_outputs(args, image, inf, cabinet):
    """Each output under a temporary name first, all renamed at the end, so that a
    failure or a reader of the dist folder never meets a half-written file."""
    targets = [(args.output, (image, inf, cabinet))]
    if args.pieces:
        targets += [(os.path.join(args.pieces, "uninst.exe"), (image,)),
                    (os.path.join(args.pieces, "install.inf"), (inf,)),
                    (os.path.join(args.pieces, "data.cab"), (cabinet,))]
    scratch = []
    try:
        for target, pieces in targets:
            name = f"{target}.{os.getpid()}.tmp"
            with open(name, "xb") as out:
                scratch.append((name, target))
                for piece in pieces:
                    write_piece(out, piece)
        for name, target in scratch:
            os.replace(name, target)
    finally:
        for name, _ in scratch:
            if os.path.exists(name):
                os.remove(name)


def write_piece(out, piece):
    if isinstance(piece, bytes):
        out.write(piece)
        return
    piece.seek(0)
    while True:
        chunk = piece.read(1 << 20)
        if not chunk:
            break
        out.write(chunk)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--image", required=True, help=f"the linked setup program, at most {IMAGE_SIZE} bytes")
    parser.add_argument("--payload", required=True, metavar="DIR",
                        help="the release's files, all in this one folder")
    parser.add_argument("--output", required=True, metavar="FILE", help="the package file to write")
    parser.add_argument("--display-name", required=True, metavar="TEXT",
                        help="the name in the list of installed programs and on the source disk")
    parser.add_argument("--shortcut", action="append", default=[], metavar="TITLE=FILE",
                        help="a Start-menu item for FILE of DIR, in order; may be given again")
    parser.add_argument("--settings-key", metavar="KEY",
                        help="the application's key below HKEY_CURRENT_USER, removed on uninstall")
    parser.add_argument("--pieces", metavar="DIR",
                        help="also write uninst.exe, install.inf and data.cab there, as the split gives them")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_arguments(argv)
    try:
        image, inf, cabinet = build(args)
        with cabinet:
            write_outputs(args, image, inf, cabinet)
            size = cabinet.seek(0, os.SEEK_END)
    except Refusal as refusal:
        sys.exit(f"make_package: {refusal}")
    except OSError as error:
        sys.exit(f"make_package: {error.filename}: {error.strerror}")
    print(f"make_package: {args.output}: INF {INF_SIZE} bytes, cabinet {size} bytes")


if __name__ == "__main__":
    main()

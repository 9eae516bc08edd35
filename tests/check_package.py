#!/usr/bin/env python3
"""Checks a built package file: the three pieces at their fixed offsets, the image
within its budget and importing nothing but DLLs that Windows never searches for."""
import argparse
import filecmp
import os
import subprocess
import sys
import tempfile

IMAGE_SIZE = 57344
INF_SIZE = 2518
# The loader resolves imports before WinMain can restrict the DLL search; Windows takes
# these from its KnownDLLs list, with their own imports, never from the package's
# folder (a downloads folder). comctl32.dll, for one, is not among them.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "setupapi.dll",
               "msvcrt.dll", "ole32.dll", "gdi32.dll", "shlwapi.dll"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def imported_dlls(objdump, image):
    listing = subprocess.run([objdump, "-p", image], check=True, capture_output=True, text=True)
    return {line.split(":", 1)[1].strip().lower()
            for line in listing.stdout.splitlines() if "DLL Name:" in line}


def cabinet_problems(cabinet, files):
    """gcab, an extractor of its own, must verify the cabinet and give back exactly
    the application's files."""
    with tempfile.TemporaryDirectory() as extracted:
        run = subprocess.run(["gcab", "--extract", "--directory", extracted, cabinet],
                             capture_output=True, text=True)
        if run.returncode != 0:
            return [f"gcab cannot extract the cabinet: {run.stderr.strip()}"]
        names = sorted(os.listdir(files))
        if sorted(os.listdir(extracted)) != names:
            return [f"the cabinet holds {sorted(os.listdir(extracted))}, not {names}"]
        return [f"{name} extracts with other bytes" for name in names
                if not filecmp.cmp(os.path.join(extracted, name), os.path.join(files, name),
                                   shallow=False)]


def problems_of(args):
    package, linked = read(args.package), read(args.linked_image)
    padded, inf, cabinet = read(args.image), read(args.inf), read(args.cabinet)
    problems = []
    if len(linked) > IMAGE_SIZE:
        problems.append(f"linked image is {len(linked)} bytes, over {IMAGE_SIZE}")
    if padded != linked + b"\0" * (IMAGE_SIZE - len(linked)):
        problems.append("piece 1 is not the linked image padded with zeros to 57344 bytes")
    if len(inf) != INF_SIZE or b"\r\n" not in inf or inf.replace(b"\r\n", b"").count(b"\n"):
        problems.append(f"the INF is {len(inf)} bytes or has bare LF line ends")
    if not inf.startswith(b"; DO NOT DELETE THIS FILE\r\n; IT IS NEEDED FOR UNINSTALL\r\n"):
        problems.append("the INF does not open with its two comment lines")
    if package[:IMAGE_SIZE] != padded:
        problems.append("package piece 1 differs from the padded image")
    if package[IMAGE_SIZE:IMAGE_SIZE + INF_SIZE] != inf:
        problems.append("package piece 2 differs from the INF")
    if package[IMAGE_SIZE + INF_SIZE:] != cabinet or not cabinet.startswith(b"MSCF"):
        problems.append("package piece 3 is not the cabinet")
    # The build stages the application's files beside the pieces.
    problems += cabinet_problems(args.cabinet, os.path.join(os.path.dirname(args.cabinet), "payload"))
    foreign = imported_dlls(args.objdump, args.linked_image) - SYSTEM_DLLS
    if foreign:
        problems.append(f"the image imports DLLs that Windows may load from the package's folder: "
                        f"{sorted(foreign)}")
    return problems, len(linked)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--package", "--image", "--inf", "--cabinet", "--objdump", "--linked-image"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    problems, size = problems_of(args)
    for problem in problems:
        print(f"FAIL {args.package}: {problem}")
    if problems:
        sys.exit(1)
    print(f"ok {args.package}: image {size} of {IMAGE_SIZE} bytes, layout exact")


if __name__ == "__main__":
    main()

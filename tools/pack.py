#!/usr/bin/env python3
"""Builds the package file: the program image padded to its fixed size, the
package INF, and the cabinet, one after the other with nothing between them."""
import argparse
import os
import sys


def check_inputs(image, inf, cabinet, image_size, inf_size):
    """The reasons why these pieces cannot make a package; empty when they can."""
    problems = []
    if len(image) > image_size:
        problems.append(f"the image is {len(image)} bytes, over the {image_size}-byte budget")
    if len(inf) != inf_size:
        problems.append(f"the INF is {len(inf)} bytes, not {inf_size}")
    if inf.count(b"\n") != inf.count(b"\r\n") or inf.count(b"\r") != inf.count(b"\r\n"):
        problems.append("the INF's lines must all end with CR LF")
    if not cabinet.startswith(b"MSCF"):
        problems.append("the cabinet does not begin with \"MSCF\"")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--image", required=True, help="the linked program")
    parser.add_argument("--inf", required=True)
    parser.add_argument("--cabinet", required=True)
    parser.add_argument("--image-size", type=int, required=True)
    parser.add_argument("--inf-size", type=int, required=True)
    parser.add_argument("--padded-image", required=True, help="piece 1 as written")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    pieces = []
    for path in (args.image, args.inf, args.cabinet):
        with open(path, "rb") as piece:
            pieces.append(piece.read())
    image, inf, cabinet = pieces
    problems = check_inputs(image, inf, cabinet, args.image_size, args.inf_size)
    if problems:
        sys.exit("pack: " + "; ".join(problems))

    padded = image + b"\0" * (args.image_size - len(image))
    with open(args.padded_image, "wb") as output:
        output.write(padded)
    # Written under another name and renamed, so that the other target's SHA256SUMS
    # rewrite, reading the shared dist folder, never hashes a half-written package.
    scratch = f"{args.output}.{os.getpid()}.tmp"
    with open(scratch, "wb") as output:
        output.write(padded + inf + cabinet)
    os.replace(scratch, args.output)
    print(f"pack: {args.output}: image {len(image)} of {args.image_size} bytes, "
          f"cabinet {len(cabinet)} bytes")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Makes the package INF from its template: CR LF line ends, padded with trailing
comment lines to exactly the length that the program cuts out of the package."""
import argparse
import sys

LINE_WIDTH = 78  # a padding line, CR LF included


def padding_lines(count):
    """Comment lines of exactly count bytes in all; each is ';', blanks, CR LF."""
    lines = []
    while count:
        width = min(count, LINE_WIDTH)
        if 0 < count - width < 3:  # leave room for a last line of ';' CR LF at least
            width -= 3
        lines.append(b";" + b" " * (width - 3) + b"\r\n")
        count -= width
    return b"".join(lines)


def make_inf(template, size):
    text = template.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    if not text.endswith(b"\r\n"):
        text += b"\r\n"
    room = size - len(text)
    if room < 0:
        raise ValueError(f"the INF is {len(text)} bytes, over the {size} bytes the package holds")
    if room in (1, 2):
        raise ValueError(f"the INF is {len(text)} bytes: {room} byte(s) short of {size} "
                         "cannot be padded with a comment line")
    return text + padding_lines(room)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("template")
    parser.add_argument("output")
    parser.add_argument("--size", type=int, required=True)
    args = parser.parse_args()
    with open(args.template, "rb") as template:
        try:
            inf = make_inf(template.read(), args.size)
        except ValueError as error:
            sys.exit(f"make_inf: {args.template}: {error}")
    with open(args.output, "wb") as output:
        output.write(inf)


if __name__ == "__main__":
    main()

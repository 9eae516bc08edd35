#!/usr/bin/env python3
"""Generates release payloads and packages each with make_package.py, for the
install test under Wine. Each case folder holds payload/ (the release's files),
package.exe and case.txt (display=, shortcut=TITLE=FILE, settings= lines), which
the test reads back:

  mixed         many files of mixed sizes, compressible and not, empty ones, sizes
                at the cabinet's block edges, names with blanks, mixed case and
                characters the INF must quote
  full          as many names as the package INF can hold
  single_empty  one empty file, the whole payload

  make_payloads.py --image IMAGE --output DIR [--megabytes N]
"""
import argparse
import os
import random
import shutil
import string
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGING = os.path.join(HERE, "..", "..", "tools", "packaging")
sys.path.insert(0, PACKAGING)
from package_inf import InfTooLong, Release, package_inf  # noqa: E402

BLOCK = 32768
WORDS = ("setup folder install cabinet archive window message program file registry "
         "section source destination velmora uninstall value key drive path").split()
# Names the INF carries only quoted, and plain ones with blanks and mixed case.
SPECIAL_NAMES = ["Read Me.TXT", "MiXeD cAsE", "a;b", "c,d", "e=f", "100% done", "[draft] x",
                 " lead", "%32769%", "x[1](2){3}~$'@^`!#&+", "UPPER.BIN"]
# Characters of names that need no quotes in the INF.
PLAIN = string.digits + string.ascii_lowercase + "!#$&'()+-@^_`{}~"


def text_bytes(rng, size):
    words = []
    length = 0
    while length < size:
        word = rng.choice(WORDS)
        words.append(word)
        length += len(word) + 1
    return " ".join(words).encode("ascii")[:size]


def content(rng, size, compressible):
    return text_bytes(rng, size) if compressible else rng.randbytes(size)


def mixed_case(name, index):
    return name.upper() if index % 2 else name


def write_payload(folder, files):
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def mixed_payload(rng, total):
    files = {name: content(rng, rng.randrange(0, 5000), index % 2 == 0)
             for index, name in enumerate(SPECIAL_NAMES)}
    files["empty file"] = b""
    files["Also Empty"] = b""
    for size in (1, BLOCK - 1, BLOCK, BLOCK + 1, 2 * BLOCK):
        files[f"B {size}"] = content(rng, size, size % 2 == 0)
    count = 16
    weights = [10 ** rng.uniform(0, 3) for _ in range(count)]
    scale = total / sum(weights)
    for index, weight in enumerate(weights):
        name = mixed_case(f"P {index:02d}.{'txt' if index % 2 else 'bin'}", index)
        files[name] = content(rng, int(weight * scale), index % 2 == 1)
    return files


def shortest_names():
    """Distinct names (to Windows, which ignores case), shortest first, every
    other letter upper case."""
    for length in range(1, 4):
        for index in range(len(PLAIN) ** length):
            chars = []
            for _ in range(length):
                index, digit = divmod(index, len(PLAIN))
                chars.append(PLAIN[digit])
            name = "".join(chars)
            yield "".join(c.upper() if i % 2 else c for i, c in enumerate(name))


def names_filling_the_inf(display_name, shortcuts, settings_key):
    """As many payload names as the INF holds beside the rest of the release."""
    names = []
    for name in shortest_names():
        try:
            package_inf(Release(names + [name], display_name, shortcuts, settings_key))
        except InfTooLong:
            return names
        names.append(name)
    return names


def cases(megabytes):
    rng = random.Random(12)
    mixed = mixed_payload(rng, megabytes << 20)
    yield "mixed", mixed, 'Karvenko\'s "Velmora" 2.0 - 100% sure', \
        [("Velmora Readme", "Read Me.TXT"), ("Draft [1] 100%", "[draft] x"), ("Empty", "empty file")], r"Software\Karvenko Labs\Velmora 2"
    display, shortcuts = "Velmora Full", [("Full", "0")]
    names = names_filling_the_inf(display, shortcuts, None)
    yield "full", {name: content(rng, rng.randrange(0, 300), True) for name in names}, display, shortcuts, None
    yield "single_empty", {"EMPTY.dat": b""}, "Velmora Empty", [], r"Software\Karvenko\Empty"


def make_case(folder, image, files, display_name, shortcuts, settings_key):
    payload = os.path.join(folder, "payload")
    write_payload(payload, files)
    command = [sys.executable, os.path.join(PACKAGING, "make_package.py"), "--image", image,
               "--payload", payload, "--output", os.path.join(folder, "package.exe"),
               "--display-name", display_name]
    manifest = [f"display={display_name}"]
    for title, name in shortcuts:
        command += ["--shortcut", f"{title}={name}"]
        manifest.append(f"shortcut={title}={name}")
    if settings_key:
        command += ["--settings-key", settings_key]
        manifest.append(f"settings={settings_key}")
    subprocess.run(command, check=True)
    with open(os.path.join(folder, "case.txt"), "w", newline="\r\n") as out:
        out.write("\n".join(manifest) + "\n")
    print(f"make_payloads: {os.path.basename(folder)}: {len(files)} files, {sum(map(len, files.values()))} bytes")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--image", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--megabytes", type=int, default=16, help="about the size of the mixed payload")
    args = parser.parse_args()
    shutil.rmtree(args.output, ignore_errors=True)
    for name, files, display_name, shortcuts, settings_key in cases(args.megabytes):
        make_case(os.path.join(args.output, name), args.image, files, display_name, shortcuts, settings_key)


if __name__ == "__main__":
    main()

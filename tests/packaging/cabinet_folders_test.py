"""write_cabinet's choice of folder type, checked with gcab: bytes that MSZIP
cannot make smaller are stored, text is MSZIP, and every file comes back byte for
byte whichever way its folder was written, also when the last file of the cabinet
is rewritten stored over its MSZIP blocks."""
import os
import random
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "packaging"))
from write_cabinet import TYPE_MSZIP, TYPE_NONE, write_cabinet  # noqa: E402

rng = random.Random(5)
# Random bytes over three blocks (the last one partial), text, an empty file, and
# random bytes again as the last file.
FILES = {
    "noise.bin": rng.randbytes(70000),
    "words.txt": b"setup folder install cabinet " * 3000,
    "empty.dat": b"",
    "tail.bin": rng.randbytes(40000),
}
# folders: the type each file's folder must get, in FILES' order
CASES = {
    "smaller": [TYPE_NONE, TYPE_MSZIP, TYPE_MSZIP, TYPE_NONE],
    "mszip": [TYPE_MSZIP] * 4,
    "stored": [TYPE_NONE] * 4,
}


def folder_types(cabinet):
    count = struct.unpack_from("<H", cabinet, 26)[0]
    return [struct.unpack_from("<IHH", cabinet, 36 + 8 * index)[2] for index in range(count)]


class CabinetFolders(unittest.TestCase):
    def test_each_folder_type_as_chosen_and_gcab_gives_every_file_back(self):
        with tempfile.TemporaryDirectory() as folder:
            sources = []
            for name, content in FILES.items():
                sources.append(os.path.join(folder, name))
                with open(sources[-1], "wb") as out:
                    out.write(content)
            for mode, expected in CASES.items():
                with self.subTest(mode):
                    path = os.path.join(folder, f"{mode}.cab")
                    written = write_cabinet(path, sources, folders=mode)
                    with open(path, "rb") as source:
                        cabinet = source.read()
                    declared = struct.unpack_from("<I", cabinet, 8)[0]
                    self.assertEqual((len(cabinet), len(cabinet)), (written, declared),
                                     "file length against the writer's and the header's size")
                    self.assertEqual(expected, folder_types(cabinet))
                    extracted = os.path.join(folder, f"out-{mode}")
                    os.makedirs(extracted)
                    run = subprocess.run(["gcab", "--extract", "--directory", extracted, path],
                                         capture_output=True, text=True, timeout=60)
                    self.assertEqual(0, run.returncode, f"gcab: {run.stderr}")
                    for name, content in FILES.items():
                        with open(os.path.join(extracted, name), "rb") as back:
                            self.assertTrue(back.read() == content, f"{name} came back different")

    def test_an_unknown_choice_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            with self.assertRaises(ValueError):
                write_cabinet(os.path.join(folder, "x.cab"), [], folders="zip")


if __name__ == "__main__":
    unittest.main()

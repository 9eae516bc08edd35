"""make_package.py: its refusals, run as a release engineer runs it, and the INF
and cabinet it writes, checked without Wine (gcab decodes the cabinets)."""
import os
import random
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGING = os.path.join(HERE, "..", "..", "tools", "packaging")
sys.path.insert(0, PACKAGING)
from package_inf import INF_SIZE, InfTooLong, Release, encode, package_inf, sections  # noqa: E402

IMAGE_SIZE = 57344
GOOD_IMAGE = b"MZ" + bytes(range(256)) * 40
GOOD_FILES = {"velmora.exe": b"MZ program", "readme.txt": b"read me\r\n"}
GOOD_OPTIONS = {"--display-name": "Velmora 1.0", "--shortcut": ["Velmora=velmora.exe"],
                "--settings-key": "Software\\Karvenko\\Velmora"}


def names_of_length(length, count):
    return [f"{index:0{length}d}" for index in range(count)]


class ReleaseFolder(tempfile.TemporaryDirectory):
    """A work folder with an image, a payload and the folders the tool writes to."""

    def __init__(self, files=GOOD_FILES, image=GOOD_IMAGE):
        super().__init__()
        self.image = os.path.join(self.name, "setup.exe")
        self.payload = os.path.join(self.name, "payload")
        self.dist = os.path.join(self.name, "dist")
        self.pieces = os.path.join(self.name, "pieces")
        for folder in (self.payload, self.dist, self.pieces):
            os.mkdir(folder)
        with open(self.image, "wb") as out:
            out.write(image)
        for name, content in files.items():
            with open(os.path.join(self.payload, name), "wb") as out:
                out.write(content)

    def __enter__(self):
        return self

    def run(self, options=GOOD_OPTIONS, payload=None):
        command = [sys.executable, os.path.join(PACKAGING, "make_package.py"), "--image", self.image,
                   "--payload", payload or self.payload, "--output", os.path.join(self.dist, "setup.exe"),
                   "--pieces", self.pieces]
        for option, value in options.items():
            for one in value if isinstance(value, list) else [value]:
                command += [option, one]
        return subprocess.run(command, capture_output=True, text=True)

    def read(self, *path):
        with open(os.path.join(self.name, *path), "rb") as piece:
            return piece.read()


def with_options(**changes):
    options = dict(GOOD_OPTIONS)
    for key, value in changes.items():
        options["--" + key.replace("_", "-")] = value
    return options


def with_files(**extra):
    return dict(GOOD_FILES, **extra)


REFUSALS = [
    # case, payload files, image, options, fragments the one line must hold
    ("image over the budget", GOOD_FILES, b"MZ" + bytes(IMAGE_SIZE - 1), GOOD_OPTIONS,
     ["--image", "57345 bytes, 1 over the program's 57344"]),
    ("image that is no program", GOOD_FILES, b"\x7fELF" + bytes(100), GOOD_OPTIONS,
     ["--image", 'does not begin with "MZ"']),
    ("no files", {}, GOOD_IMAGE, with_options(shortcut=[]), ["--payload", "no files"]),
    ("uninst.exe in the payload", with_files(**{"Uninst.EXE": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["'Uninst.EXE'", "package's own uninst.exe"]),
    ("install.inf in the payload", with_files(**{"INSTALL.INF": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["'INSTALL.INF'", "package's own install.inf"]),
    ("data.cab in the payload", with_files(**{"Data.cab": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["'Data.cab'", "package's own data.cab"]),
    ("two names equal but for case", with_files(**{"README.TXT": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["'README.TXT' and 'readme.txt' are one name to Windows"]),
    ("non-ASCII name", with_files(**{"\u00c4rger.txt": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["'\u00c4rger.txt'", "non-ASCII", "code page"]),
    ("control character", with_files(**{"tab\there": b"x"}), GOOD_IMAGE, GOOD_OPTIONS,
     ["control character 0x09"]),
    ("colon", with_files(**{"a:b.txt": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["':'", "Windows file names cannot"]),
    ("question mark", with_files(**{"why?": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["'?'", "Windows file names"]),
    ("angle bracket", with_files(**{"a<b": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["'<'", "Windows file names"]),
    ("backslash", with_files(**{"a\\b": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["'\\\\'", "Windows file names"]),
    ("trailing dot", with_files(**{"notes.": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["'notes.'", "ends with a blank or a dot"]),
    ("trailing blank", with_files(**{"notes ": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["'notes '", "ends with a blank"]),
    ("device name", with_files(**{"con.txt": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["device name CON"]),
    ("device name without extension", with_files(**{"Lpt1": b"x"}), GOOD_IMAGE, GOOD_OPTIONS, ["device name LPT1"]),
    ("INF too long", {name + ".dat": b"x" for name in names_of_length(8, 120)}, GOOD_IMAGE,
     with_options(shortcut=[]), ["--payload", "120 files", "over its 2518", "names of 12 characters fit"]),
    ("shortcut to a file not in the payload", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["Help=help.txt"]),
     ["--shortcut 'Help'", "no file 'help.txt'", "it must name a file of --payload"]),
    ("shortcut to a file in another case", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["Read=README.txt"]),
     ["no file 'README.txt'", "the payload has 'readme.txt'"]),
    ("shortcut without '='", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["Velmora"]), ["--shortcut 'Velmora'", "no '='"]),
    ("shortcut title with a comma", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["Velmora, the app=velmora.exe"]),
     ["--shortcut 'Velmora, the app'", "','", "setup.ini"]),
    ("shortcut title with a slash", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["A/B=velmora.exe"]),
     ["'/'", "Windows file names"]),
    ("shortcut title too long", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["T" * 252 + "=velmora.exe"]),
     ["252 characters, over the 251"]),
    ("shortcut title with a blank at its end", GOOD_FILES, GOOD_IMAGE, with_options(shortcut=["Velmora =velmora.exe"]),
     ["begins or ends with a blank"]),
    ("two shortcut titles equal but for case", GOOD_FILES, GOOD_IMAGE,
     with_options(shortcut=["Velmora=velmora.exe", "VELMORA=readme.txt"]),
     ["titles 'Velmora' and 'VELMORA' make one Start-menu item"]),
    ("shortcut to a file with '='", with_files(**{"e=f.txt": b"x"}), GOOD_IMAGE, with_options(shortcut=["E=e=f.txt"]),
     ["the file name 'e=f.txt'", "'='", "setup.ini"]),
    ("empty display name", GOOD_FILES, GOOD_IMAGE, with_options(display_name=" "), ["--display-name", "is empty"]),
    ("non-ASCII display name", GOOD_FILES, GOOD_IMAGE, with_options(display_name="Velmora f\u00fcr Win32"),
     ["--display-name", "non-ASCII character '\u00fc'", "code page"]),
    ("display name too long", GOOD_FILES, GOOD_IMAGE, with_options(display_name="V" * 256),
     ["256 characters, over the 255"]),
    ("top-level settings key", GOOD_FILES, GOOD_IMAGE, with_options(settings_key="Software"),
     ["--settings-key 'Software'", "top-level key"]),
    ("settings key with its root", GOOD_FILES, GOOD_IMAGE, with_options(settings_key="HKCU\\Software\\Velmora"),
     ["names a root"]),
    ("settings key with an empty level", GOOD_FILES, GOOD_IMAGE, with_options(settings_key="Software\\\\Velmora"),
     ["empty level"]),
]


class Refusals(unittest.TestCase):
    def test_each_refusal_is_one_line_and_leaves_no_output(self):
        for case, files, image, options, fragments in REFUSALS:
            with self.subTest(case), ReleaseFolder(files, image) as release:
                run = release.run(options)
                self.assertNotEqual(0, run.returncode, f"{case}: packaged: {run.stdout}")
                lines = run.stderr.splitlines()
                self.assertEqual(1, len(lines), f"{case}: expected one line, came {run.stderr!r}")
                self.assertTrue(lines[0].startswith("make_package: "), lines[0])
                for fragment in fragments:
                    self.assertIn(fragment, lines[0], case)
                self.assertEqual([], os.listdir(release.dist) + os.listdir(release.pieces), case)

    def test_a_subfolder_is_refused(self):
        with ReleaseFolder() as release:
            os.mkdir(os.path.join(release.payload, "docs"))
            run = release.run()
            self.assertIn("docs is a folder; the package installs into one folder", run.stderr)
            self.assertEqual([], os.listdir(release.dist))

    def test_a_missing_payload_is_refused(self):
        with ReleaseFolder() as release:
            run = release.run(payload=os.path.join(release.name, "nowhere"))
            self.assertNotEqual(0, run.returncode)
            self.assertIn("--payload", run.stderr)
            self.assertIn("No such file or directory", run.stderr)

    def test_a_file_over_what_a_cabinet_folder_holds_is_refused_unread(self):
        with ReleaseFolder() as release:
            with open(os.path.join(release.payload, "huge.iso"), "wb") as huge:
                huge.truncate(1 << 31)  # sparse: nothing is written
            run = release.run()
            self.assertIn("huge.iso is 2147483648 bytes, over the 2147450880", run.stderr)
            self.assertEqual([], os.listdir(release.dist))


def extracted_by_gcab(cabinet):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["gcab", "--extract", "--directory", folder, cabinet], check=True, capture_output=True)
        result = {}
        for name in os.listdir(folder):
            with open(os.path.join(folder, name), "rb") as extracted:
                result[name] = extracted.read()
        return result


class Package(unittest.TestCase):
    def test_same_inputs_give_the_same_bytes(self):
        rng = random.Random(3)
        files = {f"File {index}.bin": rng.randbytes(rng.randrange(0, 70000)) for index in range(6)}
        files["empty"] = b""
        packages = []
        for order, stamp in ((sorted(files), 1e9), (sorted(files, reverse=True), 1.5e9)):
            with ReleaseFolder({name: files[name] for name in order}) as release:
                for name in files:
                    os.utime(os.path.join(release.payload, name), (stamp, stamp))
                run = release.run(with_options(shortcut=["One=File 1.bin"]))
                self.assertEqual(0, run.returncode, run.stderr)
                packages.append(release.read("dist", "setup.exe"))
                pieces = [release.read("pieces", name) for name in ("uninst.exe", "install.inf", "data.cab")]
        self.assertTrue(packages[0] == packages[1], "two runs over the same files gave different packages")
        self.assertEqual(GOOD_IMAGE + bytes(IMAGE_SIZE - len(GOOD_IMAGE)), pieces[0])
        self.assertEqual(INF_SIZE, len(pieces[1]))
        self.assertTrue(packages[0] == b"".join(pieces), "the package is not its three pieces in a row")

    def test_gcab_gives_back_every_file_of_the_cabinet(self):
        rng = random.Random(5)
        payloads = {
            "sizes at the block edges": {f"b{size}": rng.randbytes(size) for size in (1, 32767, 32768, 32769, 65536)},
            "empty files among others": {"a": b"", "b": b"text " * 9000, "c": b"", "d": rng.randbytes(40000), "e": b""},
            "empty files only": {"x": b"", "Y Z": b""},
            "compressible and not": {"text.txt": b"velmora setup " * 50000, "noise.bin": rng.randbytes(300000)},
        }
        for case, files in payloads.items():
            with self.subTest(case), ReleaseFolder(files) as release:
                run = release.run(with_options(shortcut=[]))
                self.assertEqual(0, run.returncode, run.stderr)
                self.assertEqual(files, extracted_by_gcab(os.path.join(release.pieces, "data.cab")), case)


def unpadded(release):
    return encode(sections(release))


def release_of_inf_length(length):
    """A release whose INF, before padding, is length bytes long: each character
    of the settings key, which the INF writes once, adds one byte."""
    release = Release(["a.txt"], "Velmora", [], "S\\K")
    grow = length - len(unpadded(release))
    return release._replace(settings_key="S\\" + "K" * (1 + grow))


class Inf(unittest.TestCase):
    def test_every_room_left_is_filled_to_the_exact_length(self):
        for room in range(0, 7):
            with self.subTest(room=room):
                release = release_of_inf_length(INF_SIZE - room)
                lines = unpadded(release)
                self.assertEqual(INF_SIZE - room, len(lines))
                inf = package_inf(release)
                self.assertEqual(INF_SIZE, len(inf))
                self.assertEqual(inf.count(b"\n"), inf.count(b"\r\n"))
                self.assertEqual(inf.count(b"\r"), inf.count(b"\r\n"))
                meaningful = [line for line in inf.split(b"\r\n") if line.strip(b" ;")]
                self.assertEqual([line for line in lines.split(b"\r\n") if line.strip(b" ;")], meaningful)

    def test_the_estimate_of_names_that_fit_is_what_fits(self):
        for length in (3, 6, 12, 40):
            with self.subTest(length=length):
                names = []
                for index in range(10 ** length):
                    names.append(f"{index:0{length}d}")
                    try:
                        package_inf(Release(names, "Velmora 1.0", [("Velmora", names[0])], "Software\\K\\V"))
                    except InfTooLong as error:
                        self.assertIn(f"about {len(names) - 1} names of {length} characters fit", str(error))
                        break
                else:
                    self.fail(f"{len(names)} names of {length} characters all fit")


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Velmora Setup benchmarks: image size, split throughput, install and uninstall
end to end with where the install's time goes, start-up and the growth of the
install cost. Every comparison with a peer runs ours and the peer's alternately in
the same run on the same machine, after one discarded warm-up round, and reports
medians with their spread. Writes bench/results.md and bench/growth.png. Not a
test: nothing here passes or fails on a figure.

Run through bench/run.sh, which builds what is needed first and puts the target's
`wine` first on PATH."""
import argparse
import contextlib
import datetime
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import time

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
PACKAGING = os.path.join(ROOT, "tools", "packaging")
sys.dont_write_bytecode = True  # nothing written into the checkout
sys.path.insert(0, PACKAGING)
from package_inf import Release, package_inf as release_inf  # noqa: E402
from write_cabinet import write_cabinet  # noqa: E402

BUILD = os.path.join(ROOT, "build", "bench")
WORK = os.path.join(BUILD, "work")
PREFIX = os.path.join(BUILD, "wineprefix")
IMAGE_SIZE = 57344
INF_SIZE = 2518
MB = 1 << 20
NSIS_STUBS = "/usr/share/nsis/Stubs"

# What each target measures: our build of it and the NSIS stub of the same word size.
TARGETS = {
    "i686": dict(build=os.path.join(ROOT, "build", "bench-i686"), package="VelmoraSetup.exe",
                 nsis="x86-unicode", program_files="$PROGRAMFILES"),
    "x86_64": dict(build=BUILD, package="VelmoraSetup-x64.exe",
                   nsis="amd64-unicode", program_files="$PROGRAMFILES64"),
}
TARGET = dict(TARGETS["i686"], name="i686")

WINES = {"wow64": "the WoW64 Wine of the Debian sid root", "host": "the machine's own Wine"}

WINE_ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")


# ---------------------------------------------------------------- helpers

def log(text):
    print(text, file=sys.stderr, flush=True)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def drive_c(*parts):
    return os.path.join(PREFIX, "drive_c", *parts)


def target_file(*parts):
    return os.path.join(TARGET["build"], *parts)


def tool(name):
    return target_file("bench-tools", name)


def run(args, timeout, env=None, **kwargs):
    result = subprocess.run(args, env=env, timeout=timeout, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, **kwargs)
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(args[:4])} failed ({result.returncode}): "
                           f"{result.stderr.decode(errors='replace')[-800:]}")
    return result


def wine(args, timeout=300):
    return run(["wine"] + args, timeout, env=WINE_ENV)


class Series:
    """Repeated figures of one quantity: median and spread."""

    def __init__(self, values):
        self.values = list(values)

    @property
    def median(self):
        return statistics.median(self.values)

    def spread(self):
        """Half the range relative to the median, the noise figure we report."""
        if len(self.values) < 2 or self.median == 0:
            return 0.0
        return (max(self.values) - min(self.values)) / 2 / self.median

    def text(self, scale=1.0, digits=3, unit="s"):
        return (f"{self.median * scale:.{digits}f} {unit} "
                f"(±{self.spread() * 100:.0f} %, n={len(self.values)})".replace("  (", " ("))

    def ratio(self, other):
        """The ratios of paired runs (ours / the peer's of the same round): their median and spread."""
        return Series(a / b for a, b in zip(self.values, other.values))


# The run's headline figures, one README-ready table row each: measurement, ours,
# against what, ratio.
SUMMARY = []


def summarise(what, ours, against, ratio):
    SUMMARY.append(f"| {what} | {ours} | {against} | {ratio} |")


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path, ignore_errors=True)
    elif os.path.exists(path):
        os.remove(path)


def rounds(count, contestants):
    """Runs the contestants alternately, one discarded warm-up round first, the
    order turning every round so that none always follows another. Each contestant
    is called with (round index, kept) and keeps its own figures when kept."""
    for index in range(count + 1):
        kept = index > 0
        log(f"   round {index}/{count}{'' if kept else ' (warm-up, discarded)'}")
        order = contestants if index % 2 == 0 else list(reversed(contestants))
        for contestant in order:
            contestant(index, kept)


# ------------------------------------------------------------ the package

def file_names(count):
    """The shortest INF file names: one character, then two."""
    alphabet = "abcdefghijklmnopqrstuvwxyz0123456789"
    names = list(alphabet) + [a + b for a in alphabet for b in alphabet]
    return names[:count]


def package_inf(names):
    """The package INF of the sample application with its file list replaced by
    names. Raises ValueError when it does not fit."""
    return release_inf(Release(names, "Karvenko's Velmora for Win32 1.0",
                               [("Velmora", "velmora.exe"), ("Velmora Readme", "readme.txt")],
                               "Software\\Karvenko\\Velmora"))


def most_files_in_inf():
    count = 1
    while True:
        try:
            package_inf(file_names(count + 1))
        except ValueError:
            return count
        count += 1


class Payload:
    """Generated application files: mixed sizes (log-uniform over three decades),
    every other file random bytes (incompressible), the rest word text (MSZIP
    packs it to about a third)."""

    WORDS = ("setup folder install cabinet archive window message program file "
             "registry section source destination velmora uninstall value key "
             "drive path shortcut group version").split()

    def __init__(self, tag, count, total, seed=7):
        self.folder = os.path.join(WORK, tag, "payload")
        self.names = file_names(count)
        rng = random.Random(seed)
        weights = [10 ** rng.uniform(0, 3) for _ in self.names]
        scale = total / sum(weights)
        self.sizes = [max(1, int(weight * scale)) for weight in weights]
        self.sizes[-1] += total - sum(self.sizes)
        self.total = total
        self.seed = seed

    def write(self):
        remove(self.folder)
        os.makedirs(self.folder)
        rng = random.Random(self.seed)
        blocks = [" ".join(rng.choices(self.WORDS, k=12000)).encode()[:65536] for _ in range(16)]
        for index, (name, size) in enumerate(zip(self.names, self.sizes)):
            with open(os.path.join(self.folder, name), "wb") as out:
                left = size
                while left:
                    piece = rng.randbytes(min(left, 4 * MB)) if index % 2 == 0 else \
                        b"".join(rng.choices(blocks, k=64))[:min(left, 4 * MB)]
                    out.write(piece)
                    left -= len(piece)
            os.utime(os.path.join(self.folder, name), (946684800, 946684800))

    def paths(self):
        return [os.path.join(self.folder, name) for name in self.names]


# The cabinet layouts ours can carry, by the cabinet writer's choice of folder type:
# the build's, the earlier one (every folder MSZIP, also for files it cannot make
# smaller), every folder stored; and gcab's single MSZIP folder.
SHIPPED = "smaller"
LAYOUTS = {
    SHIPPED: "one folder per file, MSZIP where it makes the file smaller, else stored",
    "mszip": "one folder per file, every folder MSZIP",
    "stored": "one folder per file, every folder stored",
    "gcab": "gcab's one MSZIP folder",
}


def build_package(tag, payload, layout):
    """Our package of the target for payload: padded image + generated INF + a cabinet
    of the given layout. Returns (package, cabinet bytes)."""
    folder = os.path.join(WORK, f"{tag}-{layout}")
    cabinet = os.path.join(folder, "data.cab")
    package = os.path.join(folder, f"setup-{tag}.exe")
    os.makedirs(folder, exist_ok=True)
    remove(cabinet)
    if layout == "gcab":
        run(["gcab", "--create", "--zip", "--nopath", cabinet] + payload.paths(), 1200)
    else:
        write_cabinet(cabinet, payload.paths(), folders=layout)
    with open(target_file("driver", "setup.exe"), "rb") as program, open(cabinet, "rb") as cab, \
            open(package, "wb") as out:
        out.write(program.read().ljust(IMAGE_SIZE, b"\0") + package_inf(payload.names) + cab.read())
    return package, os.path.getsize(cabinet)


def nsis_script(out_exe, files):
    lines = [
        "Unicode true",
        f"Target {TARGET['nsis']}",
        "SetCompressor zlib",
        'Name "Velmora"',
        f'OutFile "{out_exe}"',
        f'InstallDir "{TARGET["program_files"]}\\Velmor32"',
        "RequestExecutionLevel admin",
        "Section",
        'SetOutPath "$INSTDIR"',
    ]
    lines += [f'File "{path}"' for path in files]
    # The same Start-menu items as ours makes (through grpconv).
    lines += [
        'CreateDirectory "$SMPROGRAMS\\Velmora"',
        'CreateShortCut "$SMPROGRAMS\\Velmora\\Velmora.lnk" "$INSTDIR\\velmora.exe"',
        'CreateShortCut "$SMPROGRAMS\\Velmora\\Velmora Readme.lnk" "$INSTDIR\\readme.txt"',
        'WriteUninstaller "$INSTDIR\\uninst.exe"',
        'WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmorN" '
        '"DisplayName" "Velmora 1.0"',
        'WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmorN" '
        '"UninstallString" "$INSTDIR\\uninst.exe"',
        "SectionEnd",
        'Section "Uninstall"',
    ]
    lines += [f'Delete "$INSTDIR\\{os.path.basename(path)}"' for path in files]
    lines += [
        'Delete "$INSTDIR\\uninst.exe"',
        'Delete "$SMPROGRAMS\\Velmora\\Velmora.lnk"',
        'Delete "$SMPROGRAMS\\Velmora\\Velmora Readme.lnk"',
        'RMDir "$SMPROGRAMS\\Velmora"',
        'DeleteRegKey HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmorN"',
        "SectionEnd",
    ]
    return "\n".join(lines) + "\n"


def build_nsis(tag, files):
    """The peer's installer for files: NSIS's zlib stub of the target's word size."""
    folder = os.path.join(WORK, tag)
    os.makedirs(folder, exist_ok=True)
    exe = os.path.join(folder, f"nsis-{tag}.exe")
    script = os.path.join(folder, "installer.nsi")
    with open(script, "w") as out:
        out.write(nsis_script(exe, files))
    run(["makensis", "-V2", script], 1200)
    return exe


# ------------------------------------------------------------ the runs

class Launch:
    """One program started by bench_robot.exe: the moments it stamped, in seconds
    after the program's start."""

    def __init__(self, lines):
        self.steps = []
        self.gone = self.exit = None
        self.exit_code = None
        for line in lines:
            word, rest = line.rstrip("\n").split(" ", 1)
            if word == "start":
                start = float(rest) / 1000
            elif word == "gone":
                self.gone = float(rest) / 1000 - start
            elif word == "exit":
                moment, code = rest.split()
                self.exit = float(moment) / 1000 - start
                self.exit_code = int(code)
            else:
                appeared, done, record = rest.split(" ", 2)
                self.steps.append((word, float(appeared) / 1000 - start, float(done) / 1000 - start,
                                   record))


def launch(command_line, steps=(), gone=(), timeout=300):
    """Starts command_line from bench_robot.exe, which answers steps and waits for the
    files gone to disappear and for the program's end."""
    out = os.path.join(WORK, "robot.txt")
    remove(out)
    args = [tool("bench_robot.exe"), "--timeout", str(timeout * 1000), "--out", winpath(out),
            "--start", command_line]
    for path in gone:
        args += ["--gone", path]
    wine(args + list(steps), timeout=timeout + 60)
    with open(out) as handle:
        return Launch(handle.readlines())


def dest_of(name):
    return "C:\\vbench\\" + name


def install_ours(package, name):
    """One install through the UI: confirm, type a new folder, OK, agree to create it,
    then the final message. Checks nothing; the caller checks the files."""
    remove(drive_c("vbench", name))
    result = launch(f'"{winpath(package)}"',
                    ["yes", f"type={dest_of(name)}", "browse-ok", "yes", "ok"])
    steps = result.steps
    return dict(startup=steps[0][1], total=steps[4][1],
                # The creation question answered: split and Setup API from here.
                install=steps[4][1] - steps[3][2], record=steps[4][3])


def install_nsis(installer, name):
    remove(drive_c("vbench", name))
    result = launch(f'"{winpath(installer)}" /S /D={dest_of(name)}')
    if result.exit_code != 0:
        raise RuntimeError(f"NSIS install ended with {result.exit_code}")
    return result.exit


def check_installed(name, payload, contents=False):
    """Every file there with its size; with contents, byte for byte (the warm-up
    rounds do that, so that the timed ones stay light)."""
    for file, size, source in zip(payload.names, payload.sizes, payload.paths()):
        path = drive_c("vbench", name, file)
        if not os.path.isfile(path) or os.path.getsize(path) != size:
            raise RuntimeError(f"install incomplete: {path} missing or of the wrong size")
        if contents and subprocess.run(["cmp", "-s", source, path], timeout=60).returncode != 0:
            raise RuntimeError(f"install wrong: {path} differs from {source}")


def check_removed(name, files):
    left = [file for file in files if os.path.exists(drive_c("vbench", name, file))]
    if left:
        raise RuntimeError(f"uninstall left {left} in {name}")


def uninstall(name, files, arguments=""):
    """Starts the installed uninst.exe and times until every one of files is gone
    (the relocated second stage shows nothing, so the folder is the only witness)."""
    folder = dest_of(name)
    result = launch(f"{folder}\\uninst.exe{arguments}", gone=[f"{folder}\\{file}" for file in files])
    return result.gone


def uninstall_nsis_in_place(name, files):
    """NSIS's uninstaller run in place (_?=): its process end, files checked after."""
    folder = dest_of(name)
    result = launch(f"{folder}\\uninst.exe /S _?={folder}")
    check_removed(name, files)
    return result.exit


@contextlib.contextmanager
def grpconv_hidden():
    """grpconv out of the prefix's reach for a while: the install then starts nothing."""
    places = [drive_c("windows", folder, "grpconv.exe") for folder in ("", "system32")]
    hidden = [place for place in places if os.path.exists(place)]
    for place in hidden:
        os.rename(place, place + ".hidden")
    try:
        yield
    finally:
        for place in hidden:
            os.rename(place + ".hidden", place)


def phases(package, name, payload, contents):
    """The install phase's steps timed inside one process (bench_phases.exe)."""
    remove(drive_c("vbench", name))
    out = wine([tool("bench_phases.exe"), winpath(package), dest_of(name)]).stdout.decode()
    check_installed(name, payload, contents)
    remove(drive_c("vbench", name))
    fields = dict(field.split("=") for field in out.split())
    if fields.get("ok") != "1" or int(fields["files"]) != len(payload.names):
        raise RuntimeError(f"bench_phases failed: {out}")
    return {key: float(fields[key]) / 1000 for key in ("split", "setupapi", "extract", "cleanup")}


# ------------------------------------------------------------ the benchmarks

def bench_sizes(report):
    log("== sizes")
    stubs = {name: os.path.getsize(os.path.join(NSIS_STUBS, name))
             for name in sorted(os.listdir(NSIS_STUBS))}
    app = [target_file("app", "velmora.exe"), os.path.join(ROOT, "app", "readme.txt"),
           os.path.join(ROOT, "app", "license.txt")]
    nsis = os.path.getsize(build_nsis("nsis-app", app))
    ours = os.path.getsize(target_file("dist", TARGET["package"]))
    overhead = IMAGE_SIZE + INF_SIZE
    stub_name = f"zlib-{TARGET['nsis']}"
    stub = stubs[stub_name]
    report.append("## 1. Image size and package overhead\n")
    report.append("| Figure | Bytes | Ratio |\n|---|---:|---:|")
    for target in TARGETS.values():
        path = os.path.join(target["build"], "driver", "setup.exe")
        label = "i686" if target["nsis"].startswith("x86") else "x86_64"
        if os.path.exists(path):
            size = os.path.getsize(path)
            report.append(f"| linked image, {label} | {size} | {size / IMAGE_SIZE:.3f} of the {IMAGE_SIZE}-byte budget |")
    report.append(f"| our overhead: image slot + INF ({IMAGE_SIZE} + {INF_SIZE}) | {overhead} | |")
    summarise("package overhead (image slot + INF)", f"{overhead} B", f"NSIS {stub_name} stub, {stub} B",
              f"{overhead / stub:.2f}")
    report.append(f"| NSIS stub {stub_name} | {stub} | ours / NSIS = {overhead / stub:.3f} |")
    report.append(f"| our package for the 3 app files, {TARGET['name']} | {ours} | |")
    report.append(f"| NSIS installer for the same files, {TARGET['nsis']} zlib | {nsis} | ours / NSIS = {ours / nsis:.3f} |")
    report.append("")
    report.append("NSIS 3.08 stubs shipped by Debian's nsis package: " +
                  ", ".join(f"{name} {size}" for name, size in stubs.items()) + ".\n")


def bench_split(report, runs):
    log("== split")
    folder = os.path.join(WORK, "split")
    remove(folder)
    os.makedirs(folder)
    package = os.path.join(folder, "package.exe")
    with open(target_file("package", "uninst.exe"), "rb") as image, \
            open(target_file("package", "install.inf"), "rb") as inf:
        head = image.read() + inf.read()
    rng = random.Random(1)
    with open(package, "wb") as out:
        out.write(head)
        out.write(b"MSCF")
        for _ in range(512):
            out.write(rng.randbytes(MB))
    size = os.path.getsize(package)
    out_dir = os.path.join(folder, "out")
    copy = os.path.join(folder, "copy.bin")
    # warm the cache for every contestant alike
    subprocess.run(["cat", package], stdout=subprocess.DEVNULL, timeout=120, check=True)
    split, copy_file, cp = [], [], []

    def in_process(mode, expected, series):
        def contestant(index, kept):
            remove(out_dir)
            os.makedirs(out_dir)
            stdout = wine([tool("bench_split.exe"), winpath(package), winpath(out_dir)] + mode).stdout.decode()
            if "split=1" not in stdout or os.path.getsize(os.path.join(out_dir, "data.cab")) != expected:
                raise RuntimeError(f"bench_split {mode} failed: {stdout}")
            remove(out_dir)
            if kept:
                series.append(float(stdout.split("ms=")[1]) / 1000)
        return contestant

    def unix_cp(index, kept):
        remove(copy)
        start = time.perf_counter()
        run(["cp", package, copy], 300)
        if kept:
            cp.append(time.perf_counter() - start)
        remove(copy)

    rounds(runs, [in_process([], size - IMAGE_SIZE - INF_SIZE, split),
                  in_process(["copy"], size, copy_file), unix_cp])
    remove(folder)
    split, copy_file, cp = map(Series, (split, copy_file, cp))
    speed = copy_file.ratio(split)
    summarise("split of a 512 MB cabinet, in process", split.text(), f"Wine's CopyFileA, same process, {copy_file.text()}",
              f"{speed.text(1, 2, '')} of its speed")
    mbs = lambda series: size / MB / series.median  # noqa: E731
    report.append("## 2. Split throughput (package with a 512 MB cabinet, warm page cache)\n")
    report.append(f"Package {size} bytes, on {fs_of(WORK)}; source file in the page cache, outputs "
                  "written to the page cache: warm-cache figures, not disk figures. Both timed "
                  "inside their process (QueryPerformanceCounter), alternately, same build.\n")
    report.append("| Contestant | Time | MB/s |\n|---|---|---:|")
    report.append(f"| SplitPackage (three files written) | {split.text()} | {mbs(split):.0f} |")
    report.append(f"| Wine's CopyFileA of the same file, same process | {copy_file.text()} | {mbs(copy_file):.0f} |")
    report.append(f"| Unix cp, native (reference) | {cp.text()} | {mbs(cp):.0f} |")
    report.append("")
    report.append(f"Split speed / CopyFileA's speed, paired by round: {speed.text(1, 2, '')}. "
                  f"Goal at least 0.9: {'met' if speed.median >= 0.9 else 'not met'}.\n")


def fs_of(path):
    try:
        out = run(["df", "--output=fstype,source", path], 10).stdout.decode().split("\n")[1]
        return " ".join(out.split())
    except (RuntimeError, subprocess.SubprocessError, IndexError):
        return "unknown file system"


def bench_end_to_end(report, runs, count, megabytes):
    """Ours against NSIS /S on one payload, alternately: install, uninstall (NSIS's
    relocating one and, on a second copy, its in-place one), and the install
    phase's steps for every cabinet layout."""
    log(f"== end to end, {megabytes} MB")
    payload = Payload("e2e", count, megabytes * MB)
    payload.write()
    layouts = (SHIPPED, "mszip", "stored")
    packages = {layout: build_package("e2e", payload, layout) for layout in layouts}
    nsis = build_nsis("e2e-nsis", payload.paths())
    ours, nsis_in, ours_out, nsis_out, nsis_in_place = [], [], [], [], []
    earlier = []
    steps = {layout: [] for layout in layouts}
    without_grpconv = []
    gcab = []
    ours_files = payload.names + ["uninst.exe", "install.inf"]
    nsis_files = payload.names + ["uninst.exe"]

    def ours_round(index, kept):
        result = install_ours(packages[SHIPPED][0], "ours")
        check_installed("ours", payload, not kept)
        gone = uninstall("ours", ours_files)
        check_removed("ours", ours_files)
        if kept:
            ours.append(result)
            ours_out.append(gone)

    def nsis_round(index, kept):
        wall = install_nsis(nsis, "nsis")
        check_installed("nsis", payload, not kept)
        gone = uninstall("nsis", nsis_files, " /S")
        check_removed("nsis", nsis_files)
        install_nsis(nsis, "nsisb")
        in_place = uninstall_nsis_in_place("nsisb", payload.names)
        remove(drive_c("vbench", "nsisb"))
        if kept:
            nsis_in.append(wall)
            nsis_out.append(gone)
            nsis_in_place.append(in_place)

    def earlier_layout(index, kept):
        result = install_ours(packages["mszip"][0], "earlier")
        check_installed("earlier", payload, not kept)
        remove(drive_c("vbench", "earlier"))
        if kept:
            earlier.append(result["install"])

    def phase_steps(index, kept):
        for layout in layouts:
            figures = phases(packages[layout][0], "phases", payload, not kept)
            if kept:
                steps[layout].append(figures)
        # Once more with grpconv out of reach: the Setup API alone. WinExec waits
        # for the program it starts to go idle, here until grpconv ends.
        with grpconv_hidden():
            figures = phases(packages[SHIPPED][0], "phases", payload, not kept)
        if kept:
            without_grpconv.append(figures["setupapi"])

    def gcab_native(index, kept):
        out = os.path.join(WORK, "gcab-out")
        remove(out)
        os.makedirs(out)
        start = time.perf_counter()
        run(["gcab", "-x", "-C", out, os.path.join(WORK, f"e2e-{SHIPPED}", "data.cab")], 300)
        if kept:
            gcab.append(time.perf_counter() - start)
        remove(out)

    rounds(runs, [ours_round, nsis_round, earlier_layout, phase_steps, gcab_native])

    s = lambda rows, key: Series(row[key] for row in rows)  # noqa: E731
    install, total, nsis_in = s(ours, "install"), s(ours, "total"), Series(nsis_in)
    ours_out, nsis_out, nsis_in_place = map(Series, (ours_out, nsis_out, nsis_in_place))
    earlier = Series(earlier)
    report.append(f"## 3. Install and uninstall end to end, {payload.total // MB} MB in {count} files\n")
    report.append(f"Payload {payload.total} bytes, {count} files from {min(payload.sizes)} to "
                  f"{max(payload.sizes)} bytes, half random, half word text. Our {TARGET['name']} package "
                  f"with the build's cabinet ({LAYOUTS[SHIPPED]}), {packages[SHIPPED][1]} bytes; "
                  f"NSIS {TARGET['nsis']} installer {os.path.getsize(nsis)} bytes (zlib, not solid; it writes the uninstall key and the same two Start-menu items as ours). "
                  "Every program is started by bench_robot.exe (CreateProcess, as a desktop "
                  "starts it) and timed from there; each round runs ours and NSIS in turn, the "
                  "order turning every round, after one discarded warm-up round.\n")
    report.append("| Run | Ours | NSIS | Ours / NSIS, paired by round |\n|---|---|---|---|")
    report.append(f"| install phase: creation answered to final message (split + Setup API) / NSIS /S, start to end | {install.text()} | {nsis_in.text()} | {install.ratio(nsis_in).text(1, 2, '')} |")
    report.append(f"| start to final message / NSIS /S, start to end | {total.text()} | {nsis_in.text()} | {total.ratio(nsis_in).text(1, 2, '')} |")
    report.append(f"| uninstall, start to every file gone (NSIS: relocating, as users run it) | {ours_out.text()} | {nsis_out.text()} | {ours_out.ratio(nsis_out).text(1, 2, '')} |")
    report.append(f"| uninstall; NSIS in place (_?=), start to its process end | {ours_out.text()} | {nsis_in_place.text()} | {ours_out.ratio(nsis_in_place).text(1, 2, '')} |")
    report.append("")
    goal = install.ratio(nsis_in).median
    size = f"{payload.total // MB} MB in {count} files"
    summarise(f"install phase, {size}", install.text(), f"NSIS `/S`, {nsis_in.text()}", install.ratio(nsis_in).text(1, 2, ""))
    summarise(f"start to final message, {size}", total.text(), "NSIS `/S`, start to end", total.ratio(nsis_in).text(1, 2, ""))
    summarise("uninstall, start to files gone", ours_out.text(), f"NSIS `/S` uninstall, relocating, {nsis_out.text()}",
              ours_out.ratio(nsis_out).text(1, 2, ""))
    summarise("the same", ours_out.text(), f"NSIS `/S _?=`, in place, to its end, {nsis_in_place.text()}",
              ours_out.ratio(nsis_in_place).text(1, 2, ""))
    report.append(f"Goal for the install phase, at most 0.5 of NSIS /S: {'met' if goal <= 0.5 else 'not met'} ({goal:.2f}). "
                  f"Final message seen: `{ours[-1]['record']}`.\n")

    report.append("### Where the install phase's time goes\n")
    report.append("bench_phases.exe runs the program's own steps on the same package in one "
                  "process and times each (QueryPerformanceCounter). The extraction alone is "
                  "SetupIterateCabinet unpacking the split cabinet with no file queue, run before "
                  "the install; the install does the same work again, so it is part of the Setup "
                  "API's time, not added to it.\n")
    report.append("| Cabinet layout | Cabinet bytes | Split (ours) | RunInfSection: Setup API (Wine), then grpconv | of it: cabinet extraction alone | the rest: queue, INI, registry and grpconv | Clean-up (ours) |\n|---|---:|---|---|---|---|---|")
    for layout in layouts:
        rows = steps[layout]
        rest = Series(row["setupapi"] - row["extract"] for row in rows)
        report.append(f"| {LAYOUTS[layout]} | {packages[layout][1]} | {s(rows, 'split').text()} | "
                      f"{s(rows, 'setupapi').text()} | {s(rows, 'extract').text()} | {rest.text()} | "
                      f"{s(rows, 'cleanup').text()} |")
    alone = Series(without_grpconv)
    grpconv = Series(with_it - without for with_it, without in
                     zip((row["setupapi"] for row in steps[SHIPPED]), alone.values))
    report.append(f"| the build's, with grpconv out of reach: the Setup API alone | | | {alone.text()} | | | |")
    report.append(f"| gcab -x, native, the build's cabinet (reference) | | | {Series(gcab).text()} | | | |")
    report.append("")
    shipped, mszip = steps[SHIPPED], steps["mszip"]
    ours_part = Series(row["split"] + row["cleanup"] for row in shipped)
    whole = Series(row["split"] + row["setupapi"] + row["cleanup"] for row in shipped)
    share = lambda part: part.median / whole.median  # noqa: E731
    summarise("install phase, the build's cabinet", install.text(),
              f"the same with every folder MSZIP (the earlier cabinet), {earlier.text()}",
              install.ratio(earlier).text(1, 2, ""))
    summarise("of its timed steps: split and clean-up (the program's)", ours_part.text(),
              f"Wine's Setup API alone, {alone.text()}; grpconv, {grpconv.text()}",
              f"{share(ours_part):.2f}; {share(alone):.2f}; {share(grpconv):.2f} of {whole.median:.3f} s")
    report.append(f"With the build's cabinet the timed steps take {whole.text()}: the program's split and "
                  f"clean-up {share(ours_part):.2f} of it, Wine's Setup API alone {share(alone):.2f}, grpconv "
                  f"{share(grpconv):.2f} (the install starts it with WinExec, which waits for a new program "
                  f"to go idle: grpconv never waits for input, so until it ends). "
                  f"Cabinet extraction, the build's layout / every folder MSZIP, paired: "
                  f"{s(shipped, 'extract').ratio(s(mszip, 'extract')).text(1, 2, '')}. "
                  f"Install phase through the UI, the build's layout / every folder MSZIP, paired: "
                  f"{install.ratio(earlier).text(1, 2, '')} ({install.median:.3f} s against {earlier.text()}). "
                  f"Through the UI the install phase's median is {install.median - whole.median:.3f} s above the "
                  f"timed steps' median: the browser closing, the final message box and the robot's 10 ms poll.\n")
    for layout in layouts:
        remove(os.path.join(WORK, f"e2e-{layout}"))
    remove(os.path.join(WORK, "e2e"))
    remove(os.path.join(WORK, "e2e-nsis"))


def bench_startup(report, runs):
    """The small real package's start to its first window, against NSIS's installer
    for the same three files and a bare Wine process, alternately."""
    log("== start-up")
    app = [target_file("app", "velmora.exe"), os.path.join(ROOT, "app", "readme.txt"),
           os.path.join(ROOT, "app", "license.txt")]
    nsis = build_nsis("nsis-startup", app)
    package = target_file("dist", TARGET["package"])
    ours, peer, bare = [], [], []

    def first_window(program, series):
        def contestant(index, kept):
            result = launch(f'"{winpath(program)}"', ["first-window"], timeout=60)
            if kept:
                series.append(result.steps[0][1])
        return contestant

    def bare_process(index, kept):
        result = launch("cmd.exe /c exit", timeout=60)
        if kept:
            bare.append(result.exit)

    rounds(runs, [first_window(package, ours), first_window(nsis, peer), bare_process])
    ours, peer, bare = map(Series, (ours, peer, bare))
    summarise("start to message 1 on screen", ours.text(1000, 0, "ms"),
              f"NSIS's installer to its window, {peer.text(1000, 0, 'ms')}", ours.ratio(peer).text(1, 2, ""))
    report.append("## 4. Start-up, warm wineserver\n")
    report.append("From CreateProcess to the first visible window of the started process "
                  "(ours: message 1; NSIS: its installer window), for the package of the three "
                  "application files and NSIS's installer of the same files.\n")
    report.append("| Figure | Time | Ours / it, paired by round |\n|---|---|---|")
    report.append(f"| ours, start to message 1 on screen | {ours.text(1000, 0, 'ms')} | |")
    report.append(f"| NSIS {TARGET['nsis']}, start to its window | {peer.text(1000, 0, 'ms')} | {ours.ratio(peer).text(1, 2, '')} |")
    report.append(f"| cmd /c exit: a bare Wine process's start and end | {bare.text(1000, 0, 'ms')} | {ours.ratio(bare).text(1, 2, '')} |")
    report.append("")
    remove(os.path.join(WORK, "nsis-startup"))


def bench_growth(report, runs, max_files):
    log("== growth")
    counts = sorted({10, 50, max_files})
    sizes = [10, 100, 500]
    rows = []
    plan = [(count, 100) for count in counts] + [(10, size) for size in sizes if size != 100]
    for count, size in plan:
        tag = f"g{count}x{size}"
        payload = Payload(tag, count, size * MB, seed=count)
        payload.write()
        for layout in ("gcab", SHIPPED):
            log(f"   growth {count} files, {size} MB, {layout}")
            package, cab_size = build_package(tag, payload, layout)
            times = []
            for index in range(runs):
                result = install_ours(package, "growth")
                check_installed("growth", payload)
                times.append(result["install"])
                remove(drive_c("vbench", "growth"))
            rows.append(dict(layout=layout, count=count, size=size, times=Series(times), cab=cab_size))
            remove(os.path.join(WORK, f"{tag}-{layout}"))
        remove(os.path.join(WORK, tag))
    report.append("## 5. How the install cost grows\n")
    report.append("Install phase (creation answered to final message: split + Setup API), median of "
                  f"{runs}. The INF's 2518 bytes hold at most {max_files} files with the shortest "
                  "names (1 and 2 characters), so the file axis ends there.\n")
    report.append("| Files | MB | Cabinet | Cabinet bytes | Install phase | ms per file·MB |\n|---:|---:|---|---:|---|---:|")
    for row in sorted(rows, key=lambda r: (r["layout"] != SHIPPED, r["count"], r["size"])):
        t = row["times"].median
        report.append(f"| {row['count']} | {row['size']} | {LAYOUTS[row['layout']]} | {row['cab']} | "
                      f"{row['times'].text()} | {t / (row['count'] * row['size']) * 1000:.2f} |")
    report.append("")
    by = {(row["layout"], row["count"], row["size"]): row["times"].median for row in rows}
    low, high = counts[0], counts[-1]
    grow = by[("gcab", high, 100)] / by[("gcab", low, 100)]
    flat = by[(SHIPPED, high, 100)] / by[(SHIPPED, low, 100)]
    summarise(f"install phase, {high} files, 100 MB", f"{by[(SHIPPED, high, 100)]:.3f} s",
              f"the same with gcab's one-folder cabinet, {by[('gcab', high, 100)]:.3f} s",
              f"{by[(SHIPPED, high, 100)] / by[('gcab', high, 100)]:.2f}")
    report.append(f"From {low} to {high} files at 100 MB the install phase grows {grow:.1f}-fold with "
                  f"gcab's one-folder cabinet and {flat:.1f}-fold with the build's ({high / low:.1f}-fold "
                  f"more files). At {high} files the build's cabinet takes "
                  f"{by[(SHIPPED, high, 100)] / by[('gcab', high, 100)]:.2f} of gcab's time.\n")
    plot_growth(rows)
    return rows


def plot_growth(rows):
    data = os.path.join(WORK, "growth.dat")
    # gnuplot's data blocks, by index: files and size, for each cabinet layout.
    series = [("files", "gcab", "size", 100, "count"), ("size", "gcab", "count", 10, "size"),
              ("files, the build's cabinet", SHIPPED, "size", 100, "count"),
              ("size, the build's cabinet", SHIPPED, "count", 10, "size")]
    with open(data, "w") as out:
        for title, layout, fixed, value, axis in series:
            out.write(f"# {title}\n")
            for row in sorted(rows, key=lambda r: r[axis]):
                if row[fixed] == value and row["layout"] == layout:
                    times = row["times"]
                    out.write(f"{row[axis]} {times.median} {min(times.values)} {max(times.values)}\n")
            out.write("\n\n")
    plot = f"""
set terminal pngcairo size 1000,420 font ",10"
set output "{os.path.join(BENCH, 'growth.png')}"
set multiplot layout 1,2 title "Velmora Setup ({TARGET['name']}) under Wine: install phase (split + Setup API), median and range"
set grid
set xlabel "files (100 MB in all)"
set ylabel "seconds"
set yrange [0:*]
plot "{data}" index 0 using 1:2:3:4 with yerrorlines title "gcab cabinet (one folder)" lw 2, \\
     "{data}" index 2 using 1:2:3:4 with yerrorlines title "the build's cabinet (one folder per file)" lw 2
set xlabel "MB in all (10 files)"
plot "{data}" index 1 using 1:2:3:4 with yerrorlines title "gcab cabinet (one folder)" lw 2, \\
     "{data}" index 3 using 1:2:3:4 with yerrorlines title "the build's cabinet (one folder per file)" lw 2
unset multiplot
"""
    subprocess.run(["gnuplot"], input=plot.encode(), check=True, timeout=60)


def first_line(args, env=None):
    try:
        return run(args, 30, env=env).stdout.decode().strip().split("\n")[0]
    except (RuntimeError, OSError, subprocess.SubprocessError):
        return "not available"


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as handle:
        for line in handle:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as handle:
        memory = int(handle.readline().split()[1]) // 1024 // 1024
    return (f"{platform.node()}, {cpu}, {os.cpu_count()} cores, {memory} GB, "
            f"{platform.system()} {platform.release()}; measured under {first_line(['wine', '--version'], WINE_ENV)}"
            f" (the machine's own Wine: {first_line(['/usr/bin/wine', '--version'])}); "
            f"makensis {first_line(['makensis', '-VERSION'])}, {first_line(['gcab', '--version'])}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--target", choices=sorted(TARGETS), default="i686")
    parser.add_argument("--wine", choices=("wow64", "host"), default="wow64",
                        help="which Wine `wine` is (run.sh says): the WoW64 Wine's session or the machine's")
    parser.add_argument("--runs", type=int, default=9, help="kept rounds of every comparison")
    parser.add_argument("--growth-runs", type=int, default=3)
    parser.add_argument("--mb", type=int, default=100, help="the end-to-end payload's size")
    parser.add_argument("--only", default="sizes,split,e2e,startup,growth")
    parser.add_argument("--out", default=os.path.join(BENCH, "results.md"))
    args = parser.parse_args()
    TARGET.update(TARGETS[args.target], name=args.target)
    only = args.only.split(",")
    os.makedirs(WORK, exist_ok=True)
    started = time.time()
    load_before = os.getloadavg()
    report = ["# Velmora Setup benchmarks\n",
              f"Run {datetime.datetime.now().strftime('%Y-%m-%d %H:%M')} on {machine()}. "
              f"Target: our {args.target} package against NSIS's {TARGET['nsis']} stub, both under "
              f"{WINES[args.wine]}.\n",
              f"Load average at the start {load_before[0]:.2f}, {load_before[1]:.2f}, "
              f"{load_before[2]:.2f} (1, 5, 15 minutes). Every figure is a median over the kept "
              "rounds, ± is half the range relative to the median; ratios are taken round by round "
              "(ours / the peer's of the same round) and given the same way.\n"]
    max_files = most_files_in_inf()
    if "sizes" in only:
        bench_sizes(report)
    if "split" in only:
        bench_split(report, args.runs)
    if "e2e" in only:
        bench_end_to_end(report, args.runs, min(40, max_files), args.mb)
    if "startup" in only:
        bench_startup(report, args.runs)
    if "growth" in only:
        bench_growth(report, args.growth_runs, max_files)
    load_after = os.getloadavg()
    report.append(f"Whole run {time.time() - started:.0f} s; load average at the end "
                  f"{load_after[0]:.2f}, {load_after[1]:.2f}, {load_after[2]:.2f}.\n")
    summary = ["## Summary\n", "| Measurement | Ours | Against | Ratio (ours / it) |", "|---|---|---|---|"] + \
        SUMMARY + [""]
    text = "\n".join(report[:3] + summary + report[3:])
    with open(args.out, "w") as out:
        out.write(text)
    print(text)


if __name__ == "__main__":
    main()

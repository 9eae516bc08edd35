#!/usr/bin/env python3
"""Velmora Setup benchmarks: image size, split throughput, install and uninstall
end to end, start-up and the growth of the install cost, each against a peer
measured in the same run on the same machine. Writes bench/results.md and
bench/growth.png. Not a test: nothing here passes or fails on a figure.

Run through bench/run.sh, which builds what is needed first."""
import argparse
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
sys.path.insert(0, PACKAGING)
from package_inf import Release, package_inf as release_inf  # noqa: E402

BUILD = os.path.join(ROOT, "build", "bench")
BUILD32 = os.path.join(ROOT, "build", "bench-i686")
TOOLS = os.path.join(BUILD, "bench-tools")
WORK = os.path.join(BUILD, "work")
PREFIX = os.path.join(BUILD, "wineprefix")
IMAGE_SIZE = 57344
INF_SIZE = 2518
MB = 1 << 20
NSIS_STUBS = "/usr/share/nsis/Stubs"

WINE_ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")


# ---------------------------------------------------------------- helpers

def log(text):
    print(text, file=sys.stderr, flush=True)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def drive_c(*parts):
    return os.path.join(PREFIX, "drive_c", *parts)


def run(args, timeout, env=None, **kwargs):
    return subprocess.run(args, env=env, timeout=timeout, check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)


def timed(args, timeout, env=None):
    """Wall time of one process, with its peak RSS (KB) and blocks written (512 B)
    as /usr/bin/time reports them for the process it started."""
    stats = os.path.join(WORK, "time.txt")
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%M %O", "-o", stats] + args, env=env,
                            timeout=timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        raise RuntimeError(f"{args[:3]} failed ({result.returncode}): {result.stderr[-500:]!r}")
    with open(stats) as handle:
        rss, blocks = handle.read().split()[-2:]
    return wall, int(rss), int(blocks) * 512, result.stdout.decode(errors="replace")


def wine(args, timeout=120):
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
                f"(±{self.spread() * 100:.0f} %, n={len(self.values)})")


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path, ignore_errors=True)
    elif os.path.exists(path):
        os.remove(path)


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


def build_package(tag, payload, image, layout="gcab"):
    """Our package for payload: padded image + generated INF + a cabinet, made by
    gcab (one folder) or by tools/packaging/write_cabinet.py (one folder per file, what the build uses)."""
    folder = os.path.join(WORK, tag)
    cabinet = os.path.join(folder, "data.cab")
    package = os.path.join(folder, f"setup-{tag}.exe")
    os.makedirs(folder, exist_ok=True)
    remove(cabinet)
    start = time.perf_counter()
    if layout == "gcab":
        run(["gcab", "--create", "--zip", "--nopath", cabinet] + payload.paths(), 1200)
    else:
        run([sys.executable, os.path.join(PACKAGING, "write_cabinet.py"), cabinet] + payload.paths(), 1200)
    cab_seconds = time.perf_counter() - start
    with open(image, "rb") as program, open(cabinet, "rb") as cab, open(package, "wb") as out:
        out.write(program.read().ljust(IMAGE_SIZE, b"\0") + package_inf(payload.names) + cab.read())
    return package, os.path.getsize(cabinet), cab_seconds


def nsis_script(out_exe, files, target):
    lines = [
        "Unicode true",
        f"Target {target}",
        "SetCompressor zlib",
        'Name "Velmora"',
        f'OutFile "{out_exe}"',
        'InstallDir "$PROGRAMFILES64\\Velmor32"',
        "RequestExecutionLevel admin",
        "Section",
        'SetOutPath "$INSTDIR"',
    ]
    lines += [f'File "{path}"' for path in files]
    lines += [
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
        'DeleteRegKey HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmorN"',
        "SectionEnd",
    ]
    return "\n".join(lines) + "\n"


def build_nsis(tag, files, target="amd64-unicode"):
    folder = os.path.join(WORK, tag)
    os.makedirs(folder, exist_ok=True)
    exe = os.path.join(folder, f"nsis-{tag}.exe")
    script = os.path.join(folder, "installer.nsi")
    with open(script, "w") as out:
        out.write(nsis_script(exe, files, target))
    run(["makensis", "-V2", script], 1200)
    return exe


# ------------------------------------------------------------ the runs

def robot_and_program(steps, program_args, timeout=300):
    """Starts the robot, then (once it watches) the program under /usr/bin/time.
    Returns (t0, events, peak RSS KB, bytes written) with events as
    [(step, appeared, done, record)], Unix seconds."""
    out = os.path.join(WORK, "robot.txt")
    stats = os.path.join(WORK, "program-time.txt")
    remove(out)
    robot = subprocess.Popen(["wine", os.path.join(TOOLS, "bench_robot.exe"), "--timeout",
                              str(timeout * 1000), "--out", winpath(out)] + steps,
                             env=WINE_ENV, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    deadline = time.time() + 30
    while not os.path.exists(out):
        if time.time() > deadline or robot.poll() is not None:
            robot.kill()
            raise RuntimeError("the robot did not start")
        time.sleep(0.005)
    t0 = time.time()
    program = subprocess.Popen(["/usr/bin/time", "-f", "%M %O", "-o", stats, "wine"] + program_args,
                               env=WINE_ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        robot_error = robot.communicate(timeout=timeout)[1]
        program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        robot.kill()
        program.kill()
        raise
    if robot.returncode != 0:
        raise RuntimeError(f"robot failed: {robot_error.decode(errors='replace')}")
    events = []
    with open(out) as handle:
        for line in handle:
            step, appeared, done, record = line.rstrip("\n").split(" ", 3)
            events.append((step, float(appeared) / 1000, float(done) / 1000, record))
    with open(stats) as handle:
        rss, blocks = handle.read().split()[-2:]
    return t0, events, int(rss), int(blocks) * 512


def install_ours(package, dest_name):
    """One install through the UI: confirm, type a new folder, OK, agree to
    create it, then the final message. Checks that the files arrived."""
    dest_unix = drive_c("vbench", dest_name)
    remove(dest_unix)
    steps = ["yes", f"type=C:\\vbench\\{dest_name}", "browse-ok", "yes", "ok"]
    t0, events, rss, written = robot_and_program(steps, [package])
    final = events[-1]
    started = events[3][2]  # the creation question answered: split and Setup API from here
    return dict(startup=events[0][1] - t0, total=final[1] - t0, install=final[1] - started,
                rss=rss, written=written, record=final[3], dest=dest_unix)


def check_installed(dest, payload):
    for name, size in zip(payload.names, payload.sizes):
        path = os.path.join(dest, name)
        if not os.path.isfile(path) or os.path.getsize(path) != size:
            raise RuntimeError(f"install incomplete: {path} missing or of the wrong size")


def uninstall_ours(dest, payload):
    """Starts the installed uninst.exe and times until the whole file list is gone
    (the second stage shows nothing, so the folder is the only witness)."""
    names = payload.names + ["uninst.exe", "install.inf"]
    t0 = time.time()
    first = subprocess.Popen(["wine", "C:\\vbench\\" + os.path.basename(dest) + "\\uninst.exe"],
                             env=WINE_ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = t0 + 120
    while any(os.path.exists(os.path.join(dest, name)) for name in names):
        if time.time() > deadline:
            first.kill()
            raise RuntimeError("uninstall did not finish in 120 s")
        time.sleep(0.005)
    gone = time.time() - t0
    first.wait(timeout=30)
    return gone


# ------------------------------------------------------------ the benchmarks

def bench_sizes(report):
    log("== sizes")
    images = {"x86_64": os.path.join(BUILD, "driver", "setup.exe"),
              "i686": os.path.join(BUILD32, "driver", "setup.exe")}
    stubs = {name: os.path.getsize(os.path.join(NSIS_STUBS, name))
             for name in sorted(os.listdir(NSIS_STUBS))}
    app = [os.path.join(BUILD, "app", "velmora.exe"), os.path.join(ROOT, "app", "readme.txt"),
           os.path.join(ROOT, "app", "license.txt")]
    nsis64 = os.path.getsize(build_nsis("nsis-app", app, "amd64-unicode"))
    nsis32 = os.path.getsize(build_nsis("nsis-app32", app, "x86-unicode"))
    ours64 = os.path.getsize(os.path.join(BUILD, "dist", "VelmoraSetup-x64.exe"))
    overhead = IMAGE_SIZE + INF_SIZE
    rows = []
    for target, path in images.items():
        size = os.path.getsize(path) if os.path.exists(path) else None
        rows.append((target, size))
    report.append("## 1. Image size and package overhead\n")
    report.append("| Figure | Bytes | Ratio |\n|---|---:|---:|")
    for target, size in rows:
        if size is None:
            report.append(f"| linked image, {target} | not built | |")
        else:
            report.append(f"| linked image, {target} | {size} | {size / IMAGE_SIZE:.3f} of the {IMAGE_SIZE}-byte budget |")
    stub64 = stubs.get("zlib-amd64-unicode")
    stub32 = stubs.get("zlib-x86-unicode")
    report.append(f"| our overhead: image slot + INF ({IMAGE_SIZE} + {INF_SIZE}) | {overhead} | |")
    if stub64:
        report.append(f"| NSIS stub zlib-amd64-unicode | {stub64} | ours / NSIS = {overhead / stub64:.3f} |")
    if stub32:
        report.append(f"| NSIS stub zlib-x86-unicode | {stub32} | ours / NSIS = {overhead / stub32:.3f} |")
    report.append(f"| our package for the 3 app files, x86_64 | {ours64} | |")
    report.append(f"| NSIS installer for the same files, amd64-unicode zlib | {nsis64} | ours / NSIS = {ours64 / nsis64:.3f} |")
    report.append(f"| NSIS installer for the same files, x86-unicode zlib | {nsis32} | |")
    report.append("")
    report.append("NSIS 3.08 stubs shipped by Debian's nsis package: " +
                  ", ".join(f"{name} {size}" for name, size in stubs.items()) + ".\n")


def bench_split(report, runs):
    log("== split")
    folder = os.path.join(WORK, "split")
    remove(folder)
    os.makedirs(folder)
    package = os.path.join(folder, "package.exe")
    with open(os.path.join(BUILD, "package", "uninst.exe"), "rb") as image, \
            open(os.path.join(BUILD, "package", "install.inf"), "rb") as inf:
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
    inner, inner_copy, split_wall, cmd_wall, cp_wall, start_wall = [], [], [], [], [], []
    for index in range(runs):
        log(f"   split round {index + 1}/{runs}")
        remove(out_dir)
        os.makedirs(out_dir)
        wall, _, _, stdout = timed(["wine", os.path.join(TOOLS, "bench_split.exe"), winpath(package),
                                    winpath(out_dir)], 300, env=WINE_ENV)
        if "split=1" not in stdout:
            raise RuntimeError(f"split failed: {stdout}")
        if os.path.getsize(os.path.join(out_dir, "data.cab")) != size - IMAGE_SIZE - INF_SIZE:
            raise RuntimeError("split wrote a cabinet of the wrong size")
        inner.append(float(stdout.split("ms=")[1]) / 1000)
        split_wall.append(wall)
        remove(out_dir)
        os.makedirs(out_dir)
        stdout = timed(["wine", os.path.join(TOOLS, "bench_split.exe"), winpath(package),
                        winpath(out_dir), "copy"], 300, env=WINE_ENV)[3]
        if "split=1" not in stdout or os.path.getsize(os.path.join(out_dir, "data.cab")) != size:
            raise RuntimeError(f"CopyFileA failed: {stdout}")
        inner_copy.append(float(stdout.split("ms=")[1]) / 1000)
        remove(out_dir)
        remove(copy)
        cmd_wall.append(timed(["wine", "cmd", "/c", "copy", "/b", winpath(package), winpath(copy)],
                              300, env=WINE_ENV)[0])
        if os.path.getsize(copy) != size:
            raise RuntimeError("cmd copy wrote the wrong size")
        remove(copy)
        cp_wall.append(timed(["cp", package, copy], 300)[0])
        remove(copy)
        start_wall.append(timed(["wine", "cmd", "/c", "exit"], 60, env=WINE_ENV)[0])
    remove(folder)
    inner, inner_copy, split_wall, cmd_wall, cp_wall, start_wall = map(
        Series, (inner, inner_copy, split_wall, cmd_wall, cp_wall, start_wall))
    mbs = lambda series: size / MB / series.median  # noqa: E731
    report.append("## 2. Split throughput (package with a 512 MB cabinet, warm page cache)\n")
    report.append(f"Package {size} bytes, on {fs_of(WORK)}; source file in the page cache, outputs "
                  "written to the page cache (the machine has room for all of it: these are "
                  "warm-cache figures, not disk figures).\n")
    report.append("| Contestant | Time | MB/s | Split speed / its speed |\n|---|---|---:|---:|")
    report.append(f"| SplitPackage, inside the process (QueryPerformanceCounter) | {inner.text()} | {mbs(inner):.0f} | |")
    report.append(f"| Wine's CopyFileA, inside the same process | {inner_copy.text()} | {mbs(inner_copy):.0f} | {inner_copy.median / inner.median:.2f} (in process) |")
    report.append(f"| bench_split.exe, whole Wine process | {split_wall.text()} | {mbs(split_wall):.0f} | |")
    report.append(f"| wine cmd /c copy /b, whole Wine process | {cmd_wall.text()} | {mbs(cmd_wall):.0f} | {cmd_wall.median / split_wall.median:.2f} (process vs process) |")
    report.append(f"| Unix cp | {cp_wall.text()} | {mbs(cp_wall):.0f} | {cp_wall.median / split_wall.median:.2f} (process vs process) |")
    report.append(f"| wine cmd /c exit (Wine process start alone) | {start_wall.text()} | | |")
    in_process = inner_copy.median / inner.median
    report.append("")
    report.append(f"In the same process, SplitPackage ({inner.median:.3f} s) against Wine's own "
                  f"CopyFileA of the same file ({inner_copy.median:.3f} s): {in_process:.2f} of the copy's speed. "
                  f"Goal at least 0.9: {'met' if in_process >= 0.9 else 'not met'} "
                  f"(process vs process against cmd /c copy: {cmd_wall.median / split_wall.median:.2f}, "
                  f"{'met' if cmd_wall.median / split_wall.median >= 0.9 else 'not met'}; "
                  f"against cp: {cp_wall.median / split_wall.median:.2f}).\n")


def fs_of(path):
    try:
        out = run(["df", "--output=fstype,source", path], 10).stdout.decode().split("\n")[1]
        return " ".join(out.split())
    except (subprocess.SubprocessError, IndexError):
        return "unknown file system"


def bench_end_to_end(report, runs, count):
    log("== end to end, 100 MB")
    payload = Payload("e2e", count, 100 * MB)
    payload.write()
    # Ours as the build makes it (one cabinet folder per file), and the same program
    # with gcab's one-folder cabinet beside it.
    package, cab_size, _ = build_package("e2e", payload, os.path.join(BUILD, "driver", "setup.exe"),
                                         "folders")
    nsis = build_nsis("e2e", payload.paths())
    cabinet = os.path.join(WORK, "e2e", "data.cab")
    gcab_package = build_package("e2e-gcab", payload, os.path.join(BUILD, "driver", "setup.exe"))[0]
    ours, one_folder, uninstalls, nsis_in, nsis_out, gcab = [], [], [], [], [], []
    for index in range(runs):
        log(f"   e2e round {index + 1}/{runs}")
        result = install_ours(package, f"e2e{index}")
        check_installed(result["dest"], payload)
        ours.append(result)
        uninstalls.append(uninstall_ours(result["dest"], payload))
        remove(result["dest"])
        result = install_ours(gcab_package, f"e2g{index}")
        check_installed(result["dest"], payload)
        one_folder.append(result)
        remove(result["dest"])

        dest = drive_c("vbench", f"nsis{index}")
        remove(dest)
        wall, rss, written, _ = timed(["wine", nsis, "/S", f"/D=C:\\vbench\\nsis{index}"], 300, env=WINE_ENV)
        check_installed(dest, payload)
        nsis_in.append(dict(total=wall, rss=rss, written=written))
        wall = timed(["wine", f"C:\\vbench\\nsis{index}\\uninst.exe", "/S", f"_?=C:\\vbench\\nsis{index}"],
                     300, env=WINE_ENV)[0]
        if any(os.path.exists(os.path.join(dest, name)) for name in payload.names):
            raise RuntimeError("NSIS uninstall left files")
        nsis_out.append(wall)
        remove(dest)

        out = os.path.join(WORK, "e2e", "gcab-out")
        remove(out)
        os.makedirs(out)
        wall, rss, written, _ = timed(["gcab", "-x", "-C", out, cabinet], 300)
        check_installed(out, payload)
        gcab.append(dict(total=wall, rss=rss, written=written))
        remove(out)

    s = lambda rows, key: Series(row[key] for row in rows)  # noqa: E731
    report.append(f"## 3. Install and uninstall end to end, {payload.total // MB} MB in {count} files\n")
    report.append(f"Payload {payload.total} bytes, {count} files from {min(payload.sizes)} to "
                  f"{max(payload.sizes)} bytes, half random, half word text; our cabinet {cab_size} bytes "
                  f"(MSZIP, one folder per file, as the build writes it), NSIS installer {os.path.getsize(nsis)} bytes (zlib, not solid).\n")
    report.append("| Run | Time | Peak RSS | Bytes written |\n|---|---|---:|---:|")
    report.append(f"| ours: start to final message (robot) | {s(ours, 'total').text()} | {s(ours, 'rss').median / 1024:.0f} MB | {s(ours, 'written').median / MB:.1f} MB |")
    report.append(f"| ours: creation answered to final message (split + Setup API) | {s(ours, 'install').text()} | | |")
    report.append(f"| the same program with gcab's one-folder cabinet: creation answered to final message | {s(one_folder, 'install').text()} | {s(one_folder, 'rss').median / 1024:.0f} MB | {s(one_folder, 'written').median / MB:.1f} MB |")
    report.append(f"| NSIS /S install, whole process | {s(nsis_in, 'total').text()} | {s(nsis_in, 'rss').median / 1024:.0f} MB | {s(nsis_in, 'written').median / MB:.1f} MB |")
    report.append(f"| gcab -x, native | {s(gcab, 'total').text()} | {s(gcab, 'rss').median / 1024:.0f} MB | {s(gcab, 'written').median / MB:.1f} MB |")
    report.append(f"| ours: uninstall, start to file list gone | {Series(uninstalls).text()} | | |")
    report.append(f"| NSIS /S uninstall (_?=, in place) | {Series(nsis_out).text()} | | |")
    report.append("")
    ratio = lambda a, b: a.median / b.median  # noqa: E731
    report.append(f"Ratios of medians: our install phase / NSIS install = {ratio(s(ours, 'install'), s(nsis_in, 'total')):.2f}; "
                  f"ours start-to-final / NSIS = {ratio(s(ours, 'total'), s(nsis_in, 'total')):.2f}; "
                  f"our install phase / gcab -x = {ratio(s(ours, 'install'), s(gcab, 'total')):.2f}; "
                  f"with gcab's one-folder cabinet: install phase / NSIS = {ratio(s(one_folder, 'install'), s(nsis_in, 'total')):.2f}; "
                  f"our uninstall / NSIS uninstall = {ratio(Series(uninstalls), Series(nsis_out)):.2f}. "
                  f"Final message seen: `{ours[-1]['record']}`.\n")
    remove(os.path.join(WORK, "e2e"))
    remove(os.path.join(WORK, "e2e-gcab"))
    return [row["startup"] for row in ours]


def bench_startup(report, runs, more):
    log("== start-up")
    package = os.path.join(BUILD, "dist", "VelmoraSetup-x64.exe")
    startup, baseline = [], []
    for index in range(runs):
        t0, events, _, _ = robot_and_program(["no"], [package], timeout=60)
        startup.append(events[0][1] - t0)
        baseline.append(timed(["wine", "cmd", "/c", "exit"], 60, env=WINE_ENV)[0])
    startup, baseline = Series(startup), Series(baseline)
    report.append("## 4. Start-up, warm wineserver\n")
    report.append("| Figure | Time |\n|---|---|")
    report.append(f"| package start to message 1 on screen (robot, answered No) | {startup.text(1000, 0, 'ms')} |")
    report.append(f"| the same, from the 100 MB install runs | {Series(more).text(1000, 0, 'ms')} |")
    report.append(f"| wine cmd /c exit: a Wine process start and end | {baseline.text(1000, 0, 'ms')} |")
    report.append(f"\nStart-up / bare Wine process: {startup.median / baseline.median:.2f}.\n")


def bench_growth(report, runs, max_files):
    log("== growth")
    counts = sorted({10, 50, max_files})
    sizes = [10, 100, 500]
    rows = []
    image = os.path.join(BUILD, "driver", "setup.exe")
    plan = [(count, 100, ("gcab", "folders")) for count in counts] + \
        [(10, size, ("gcab", "folders")) for size in sizes if size != 100]
    for count, size, layouts in plan:
        tag = f"g{count}x{size}"
        payload = Payload(tag, count, size * MB, seed=count)
        payload.write()
        for layout in layouts:
            log(f"   growth {count} files, {size} MB, {layout}")
            package, cab_size, cab_seconds = build_package(tag, payload, image, layout)
            times = []
            for index in range(runs):
                result = install_ours(package, f"{tag}{layout[0]}{index}")
                check_installed(result["dest"], payload)
                times.append(result["install"])
                remove(result["dest"])
            rows.append(dict(layout=layout, count=count, size=size, times=Series(times), cab=cab_size))
        remove(os.path.join(WORK, tag))
    report.append("## 5. How the install cost grows\n")
    report.append("Install phase (creation answered to final message: split + Setup API), median of "
                  f"{runs}. The INF's 2518 bytes hold at most {max_files} files with the shortest "
                  "names (1 and 2 characters), so the file axis ends there.\n")
    report.append("| Files | MB | Cabinet | Cabinet bytes | Install phase | ms per file·MB |\n|---:|---:|---|---:|---|---:|")
    for row in sorted(rows, key=lambda r: (r["layout"], r["count"], r["size"])):
        t = row["times"].median
        layout = "gcab, one folder" if row["layout"] == "gcab" else "one folder per file"
        report.append(f"| {row['count']} | {row['size']} | {layout} | {row['cab']} | {row['times'].text()} | "
                      f"{t / (row['count'] * row['size']) * 1000:.2f} |")
    report.append("")
    by = {(row["layout"], row["count"], row["size"]): row["times"].median for row in rows}
    low, high = counts[0], counts[-1]
    if ("gcab", low, 100) in by and ("gcab", high, 100) in by:
        grow = by[("gcab", high, 100)] / by[("gcab", low, 100)]
        flat = by[("folders", high, 100)] / by[("folders", low, 100)]
        report.append(f"From {low} to {high} files at 100 MB the install phase grows {grow:.1f}-fold with "
                      f"gcab's one-folder cabinet and {flat:.1f}-fold with one folder per file "
                      f"({high / low:.1f}-fold more files). At {high} files the one-folder-per-file cabinet "
                      f"takes {by[('folders', high, 100)] / by[('gcab', high, 100)]:.2f} of gcab's time.\n")
    data = os.path.join(WORK, "growth.dat")
    # gnuplot's data blocks, by index: files and size, for each cabinet layout.
    series = [("files", "gcab", "size", 100, "count"), ("size", "gcab", "count", 10, "size"),
              ("files, one folder per file", "folders", "size", 100, "count"),
              ("size, one folder per file", "folders", "count", 10, "size")]
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
set multiplot layout 1,2 title "Velmora Setup under Wine: install phase (split + Setup API), median and range"
set grid
set xlabel "files (100 MB in all)"
set ylabel "seconds"
set yrange [0:*]
plot "{data}" index 0 using 1:2:3:4 with yerrorlines title "gcab cabinet (one folder)" lw 2, \\
     "{data}" index 2 using 1:2:3:4 with yerrorlines title "one folder per file" lw 2
set xlabel "MB in all (10 files)"
plot "{data}" index 1 using 1:2:3:4 with yerrorlines title "gcab cabinet (one folder)" lw 2, \\
     "{data}" index 3 using 1:2:3:4 with yerrorlines title "one folder per file" lw 2
unset multiplot
"""
    subprocess.run(["gnuplot"], input=plot.encode(), check=True, timeout=60)
    return rows


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as handle:
        for line in handle:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as handle:
        memory = int(handle.readline().split()[1]) // 1024 // 1024
    wine_version = run(["wine", "--version"], 30, env=WINE_ENV).stdout.decode().strip()
    return (f"{platform.node()}, {cpu}, {os.cpu_count()} cores, {memory} GB, "
            f"{platform.system()} {platform.release()}, {wine_version}, "
            f"makensis {run(['makensis', '-VERSION'], 30).stdout.decode().strip()}, "
            f"{run(['gcab', '--version'], 30).stdout.decode().strip()}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--growth-runs", type=int, default=3)
    parser.add_argument("--only", default="sizes,split,e2e,startup,growth")
    parser.add_argument("--out", default=os.path.join(BENCH, "results.md"))
    args = parser.parse_args()
    only = args.only.split(",")
    os.makedirs(WORK, exist_ok=True)
    started = time.time()
    load_before = os.getloadavg()
    report = [f"# Velmora Setup benchmarks\n",
              f"Run {datetime.datetime.now().strftime('%Y-%m-%d %H:%M')} on {machine()}.\n",
              f"Load average at the start {load_before[0]:.1f} (other developers build and test on "
              "the same two cores): every figure is a median, ± is half the range over the runs.\n"]
    max_files = most_files_in_inf()
    if "sizes" in only:
        bench_sizes(report)
    if "split" in only:
        bench_split(report, args.runs)
    startups = []
    if "e2e" in only:
        startups = bench_end_to_end(report, args.runs, min(40, max_files))
    if "startup" in only:
        bench_startup(report, args.runs + 2, startups or [0])
    if "growth" in only:
        bench_growth(report, args.growth_runs, max_files)
    load_after = os.getloadavg()
    report.append(f"Whole run {time.time() - started:.0f} s; load average at the end {load_after[0]:.1f}.\n")
    text = "\n".join(report)
    with open(args.out, "w") as out:
        out.write(text)
    print(text)


if __name__ == "__main__":
    main()

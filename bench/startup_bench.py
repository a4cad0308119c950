#!/usr/bin/env python3
"""Start-up cost: the whole program comparing two one-line files, headless
(no DISPLAY or WAYLAND_DISPLAY), against `diff` on the same pair.

`corvatine A B` and `diff A B` run in turn, 50 times each (A B A B ...), after
one run of each that is not counted (the program's first run creates its
settings file and its recent comparisons list). Every run of the program reads
its settings, compares, adds the pair to the recent comparisons list and
writes that back, as any run does. Wall time is taken around each process,
from spawning it to reaping it; the script prints both medians, the ratio of
the medians (ours / diff's) and the median of the pairwise ratios. Peak memory
is each program's largest over five further runs under GNU time.

With --floor, two more programs run in the same loop, to show what start-up
costs before the program does anything of its own. Both are a few lines of
C++ that take the user's locale (setlocale) and print one line, built here
with g++:
- "floor, shared": linked with every shared library the program needs
  (read from its dynamic section), as the program is;
- "floor, static C++": the C++ runtime linked in statically, and the
  libraries that need the shared C++ runtime (libtinyxml2) left out.

With --static-runtime, the program itself runs a second time in the loop,
linked again from its build folder's objects with the C++ runtime linked in
statically: "static C++ runtime". libtinyxml2 is the one library of the
program that needs the shared runtime, and Debian ships it only shared, so
the link takes tinyxml2 compiled from Debian's source package of the same
version instead (downloaded from deb.debian.org once, checked against its
SHA-256, and kept in the build folder). The row shows what start-up would be
if comparison files did not bring in the shared C++ runtime; the program that
is built and shipped is not changed.

Usage: bench/startup_bench.py [--program build-release/corvatine] [--runs 50] [--floor]
                              [--static-runtime]
"""
import argparse
import hashlib
import os
import re
import shutil
import statistics
import subprocess
import tarfile
import tempfile
import time
import urllib.request


def wall_seconds(command, environment):
    # posix_spawn starts the child without copying this interpreter, so the
    # time is the program's own start, run and exit.
    with open(os.devnull, "wb") as null:
        start = time.perf_counter_ns()
        pid = os.posix_spawn(command[0], command, environment,
                             file_actions=[(os.POSIX_SPAWN_DUP2, null.fileno(), 1)])
        _, status = os.waitpid(pid, 0)
        elapsed = time.perf_counter_ns() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        raise SystemExit(f"{command[0]} failed with exit status {code}")
    return elapsed / 1e9


def peak_kilobytes(command, environment, folder):
    # GNU time forks a small process of its own: the peak is the program's.
    report = os.path.join(folder, "time-report")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, env=environment,
                   stdout=subprocess.DEVNULL, check=False)
    with open(report) as f:
        return int(f.read().split()[-1])


FLOOR_SOURCE = r"""
#include <clocale>
#include <cstdio>
#include <string>
int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::string line = std::string(argv[0]) + " " + std::to_string(argc);
    std::printf("%s\n", line.c_str());
}
"""


def needed_libraries(program):
    dynamic = subprocess.run(["readelf", "-d", program], capture_output=True, text=True, check=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", dynamic)


def require_tools(option, *tools):
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        raise SystemExit(f"{option} needs {' and '.join(missing)}")


def build_floors(program, folder):
    """The two floor programs: (name, path) each."""
    require_tools("--floor", "g++", "readelf")
    source = os.path.join(folder, "floor.cpp")
    with open(source, "w") as f:
        f.write(FLOOR_SOURCE)
    libraries = needed_libraries(program)
    runtime = ("libstdc++.so", "libgcc_s.so", "libc.so", "libm.so")
    shared = [lib for lib in libraries if not lib.startswith(("libc.so", "libm.so"))]
    # Linked whether used or not: the loader's work for each is the point.
    shared_links = ["-Wl,--no-as-needed"] + [f"-l:{lib}" for lib in shared]
    # Libraries built on the shared C++ runtime would bring it back.
    static_links = ["-Wl,--no-as-needed"] + [
        f"-l:{lib}" for lib in libraries if not lib.startswith(runtime) and not lib.startswith("libtinyxml2")]
    floors = []
    for name, extra in (("floor, shared", shared_links),
                        ("floor, static C++", ["-static-libstdc++", "-static-libgcc"] + static_links)):
        path = os.path.join(folder, name.replace(", ", "-").replace(" ", "-"))
        subprocess.run(["g++", "-O2", "-o", path, source] + extra, check=True)
        floors.append((name, path))
    return floors


# Debian's source of the libtinyxml2-dev the program builds with (9.0.0+dfsg-3.1).
TINYXML2_SOURCE = "http://deb.debian.org/debian/pool/main/t/tinyxml2/tinyxml2_9.0.0+dfsg.orig.tar.xz"
TINYXML2_SHA256 = "96510f47a5db537f70dff3e83dd71fd2180cbba4aa76c589a549467e7f34bc9b"


def tinyxml2_object(cache):
    """tinyxml2.cpp from Debian's source package, compiled as the program's code is."""
    obj = os.path.join(cache, "tinyxml2.o")
    if os.path.exists(obj):
        return obj
    os.makedirs(cache, exist_ok=True)
    archive = os.path.join(cache, os.path.basename(TINYXML2_SOURCE))
    if not os.path.exists(archive):
        with urllib.request.urlopen(TINYXML2_SOURCE, timeout=60) as response, open(archive + ".part", "wb") as f:
            shutil.copyfileobj(response, f)
        os.replace(archive + ".part", archive)
    with open(archive, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    if digest != TINYXML2_SHA256:
        os.remove(archive)
        raise SystemExit(f"{archive}: SHA-256 {digest}, expected {TINYXML2_SHA256}")
    with tarfile.open(archive) as tar:
        members = [m for m in tar.getmembers() if os.path.basename(m.name) in ("tinyxml2.cpp", "tinyxml2.h")]
        if len(members) != 2:
            raise SystemExit(f"{archive} holds no tinyxml2.cpp and tinyxml2.h")
        for member in members:
            with tar.extractfile(member) as source, open(os.path.join(cache, os.path.basename(member.name)),
                                                         "wb") as target:
                shutil.copyfileobj(source, target)
    subprocess.run(["g++", "-O3", "-DNDEBUG", "-fPIC", "-c", os.path.join(cache, "tinyxml2.cpp"), "-o", obj],
                   check=True)
    return obj


def build_static_runtime(program):
    """The program linked again with the C++ runtime and tinyxml2 linked in."""
    require_tools("--static-runtime", "g++", "readelf", "ninja")
    build = os.path.dirname(program)
    if not os.path.exists(os.path.join(build, "build.ninja")):
        raise SystemExit("--static-runtime needs the program's build folder (./setup.sh --release)")
    name = os.path.basename(program)
    subprocess.run(["ninja", "-C", build, name], check=True, stdout=subprocess.DEVNULL)
    commands = subprocess.run(["ninja", "-C", build, "-t", "commands", name], capture_output=True, text=True,
                              check=True).stdout.splitlines()
    link = commands[-1]
    shared = re.search(r"\S*libtinyxml2\.so[.0-9]*", link)
    if f" -o {name} " not in link or shared is None:
        raise SystemExit(f"the link of {name} in {build} does not name libtinyxml2.so: {link[:200]}")
    target = os.path.join(build, "bench-static-runtime", name)
    link = link.replace(shared.group(0), tinyxml2_object(os.path.dirname(target)))
    link = link.replace(f" -o {name} ", f" -o {target} -static-libstdc++ -static-libgcc ")
    subprocess.run(["bash", "-c", link], cwd=build, check=True)
    if any(lib.startswith(("libstdc++.so", "libtinyxml2.so")) for lib in needed_libraries(target)):
        raise SystemExit(f"{target} still needs the shared C++ runtime")
    return target


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--floor", action="store_true")
    parser.add_argument("--static-runtime", action="store_true")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    diff = shutil.which("diff")
    if not os.path.exists(program) or diff is None or not os.path.exists("/usr/bin/time"):
        raise SystemExit("needs the program (./setup.sh --release), diff and GNU time (./setup.sh --bench)")
    with tempfile.TemporaryDirectory() as folder:
        left = os.path.join(folder, "a")
        right = os.path.join(folder, "b")
        with open(left, "w") as f:
            f.write("hello\n")
        with open(right, "w") as f:
            f.write("world\n")
        environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        environment["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        commands = [("corvatine", [program, left, right])]
        if args.static_runtime:
            commands.append(("static C++ runtime", [build_static_runtime(program), left, right]))
        if args.floor:
            commands += [(name, [path, left, right]) for name, path in build_floors(program, folder)]
        peer_command = [diff, left, right]
        for _, command in commands:
            wall_seconds(command, environment)
        wall_seconds(peer_command, environment)
        times = {name: [] for name, _ in commands}
        peers = []
        for _ in range(args.runs):
            for name, command in commands:
                times[name].append(wall_seconds(command, environment))
            peers.append(wall_seconds(peer_command, environment))
        peer_peak = max(peak_kilobytes(peer_command, environment, folder) for _ in range(5)) / 1024
        peer_time = statistics.median(peers)
        print(f"two one-line files, {args.runs} interleaved runs each ({program})")
        print(f"{'':18} {'wall':>9} {'diff':>9} {'ratio':>6} {'pairwise':>9} {'peak MB':>8} {'diff':>6}")
        for name, command in commands:
            peak = max(peak_kilobytes(command, environment, folder) for _ in range(5)) / 1024
            median = statistics.median(times[name])
            pairwise = statistics.median(o / p for o, p in zip(times[name], peers))
            print(f"{name:18} {median * 1000:7.2f}ms {peer_time * 1000:7.2f}ms {median / peer_time:6.2f} "
                  f"{pairwise:9.2f} {peak:8.1f} {peer_peak:6.1f}")


if __name__ == "__main__":
    main()

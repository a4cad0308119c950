#!/usr/bin/env python3
"""Replace on long lines, the whole program against GNU sed in one run, on
the same generated files in the page cache: wall time and CPU time (medians
of interleaved runs), the ratio ours / sed's, and both peak memories (GNU
time's maximum resident set).

Each file is one line of "foo " (every third "Foo ") repeated 20,000,
40,000, 80,000 and 160,000 times, and 2,000,000 times (8 MB); every option
set replaces "foo" with "bar" and prints the text:

- without regard to case: `corvatine -e F --search=foo --replace=bar`
  against `sed 's/foo/bar/gI' F`;
- with --match-case against `sed 's/foo/bar/g'`;
- with --whole-word against `sed 's/\\<foo\\>/bar/gI'`;
- with --regex 'fo+' against `sed -E 's/fo+/bar/gI'`.

Before timing, each pair's outputs are checked to be the same. Both run with
LC_ALL=C.UTF-8.

Usage: bench/replace_bench.py [--program build-release/corvatine] [--runs 3] [--largest 2000000]
"""
import argparse
import filecmp
import os
import statistics
import subprocess
import tempfile
import time


def measure(command, folder, out_name="out"):
    """Wall seconds, CPU seconds and peak KiB of one run (exit status 0)."""
    report = os.path.join(folder, "time-report")
    start = time.perf_counter()
    with open(os.path.join(folder, out_name), "wb") as out:
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=out,
                                   stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{command} failed: {process.stderr.read().decode()}")
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def compare(name, ours, peer, folder, runs):
    measure(ours, folder, "ours.txt")
    measure(peer, folder, "sed.txt")
    if not filecmp.cmp(os.path.join(folder, "ours.txt"), os.path.join(folder, "sed.txt"), shallow=False):
        raise SystemExit(f"{name}: the output is not sed's")
    results = {"ours": [], "peer": []}
    for _ in range(runs):
        for key, command in (("ours", ours), ("peer", peer)):
            results[key].append(measure(command, folder))
    rows = {}
    for key, values in results.items():
        rows[key] = (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values),
                     max(v[2] for v in values) / 1024)
    (ow, oc, om), (pw, pc, pm) = rows["ours"], rows["peer"]
    print(f"{name:36} {ow:8.3f}s {pw:8.3f}s {ow / pw:7.2f} {oc:7.3f}s {pc:7.3f}s {om:8.1f} {pm:8.1f}",
          flush=True)


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--largest", type=int, default=2_000_000)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists("/usr/bin/time"):
        raise SystemExit("GNU time is needed (./setup.sh --bench installs it)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        os.environ["LC_ALL"] = "C.UTF-8"
        version = subprocess.run(["sed", "--version"], stdout=subprocess.PIPE, text=True).stdout.splitlines()[0]
        print(f"{version}, LC_ALL=C.UTF-8")
        print(f"{'case':36} {'wall':>9} {'sed':>9} {'ratio':>7} {'cpu':>8} {'sed':>8} {'MiB':>8} {'sed':>8}")
        for repeats in (20_000, 40_000, 80_000, 160_000, args.largest):
            path = os.path.join(folder, f"line{repeats}.txt")
            with open(path, "w") as f:
                f.write("".join("Foo " if i % 3 == 0 else "foo " for i in range(repeats)) + "\n")
            for label, ours, sed in (
                    ("without case", ["--search=foo", "--replace=bar"], ["s/foo/bar/gI"]),
                    ("match case", ["--search=foo", "--replace=bar", "--match-case"], ["s/foo/bar/g"]),
                    ("whole word", ["--search=foo", "--replace=bar", "--whole-word"], ["s/\\<foo\\>/bar/gI"]),
                    ("expression fo+", ["--search=fo+", "--replace=bar", "--regex"], ["-E", "s/fo+/bar/gI"])):
                compare(f"{repeats:>9} x 'foo ', {label}", [program, "-e", path] + ours,
                        ["sed"] + sed + [path], folder, args.runs)


if __name__ == "__main__":
    main()

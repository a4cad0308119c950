#!/usr/bin/env python3
"""The binary comparison of the whole program against cmp in one run, on two
generated 256 MiB files (random bytes) in the page cache:

- "near end": the files differ in one byte 1,000 bytes before their end:
  `corvatine -c /t:binary A B` against `cmp A B`;
- "scattered": 1% of the bytes changed at random places:
  `corvatine -c /t:binary --format=ranges A B` against `cmp -l A B`.

Both programs write their output to a file. The runs are interleaved (ours,
cmp, ours, cmp ...); the figures are the medians of the wall times, the median
of the ratios ours / cmp of each pair, and each program's largest peak memory
(GNU time's %M). Before timing, the ranges of the scattered case are checked
against the bytes cmp -l lists.

Usage: bench/binary_bench.py [--program build/corvatine] [--megabytes 256] [--runs 5]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import tempfile
import time


def timed(command, folder, output):
    """Runs a command (exit status 0 or 1) with its output in a file; (seconds, peak KiB)."""
    # GNU time gives the peak memory: a child forked from this interpreter
    # would count the interpreter's pages it held before exec.
    report = os.path.join(folder, "time-report")
    with open(output, "wb") as out:
        start = time.perf_counter()
        process = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=out,
                                 stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
    if process.returncode not in (0, 1):
        raise SystemExit(f"{' '.join(command)} failed ({process.returncode}): {process.stderr.decode()}")
    with open(report) as f:
        return elapsed, int(f.read().split()[-1])


def generate(folder, size):
    rng = random.Random(7)
    piece = 1 << 20
    data = bytearray(b"".join(rng.randbytes(min(piece, size - at)) for at in range(0, size, piece)))
    paths = {name: os.path.join(folder, name) for name in ("base", "near", "scattered")}
    with open(paths["base"], "wb") as f:
        f.write(data)
    near = bytearray(data)
    near[size - 1000] ^= 0x5A
    with open(paths["near"], "wb") as f:
        f.write(near)
    for _ in range(size // 100):
        data[rng.randrange(size)] ^= 0x5A
    with open(paths["scattered"], "wb") as f:
        f.write(data)
    return paths


def cmp_ranges(listing):
    """The ranges of different bytes that cmp -l lists, as our range lines."""
    lines = []
    start = end = None
    with open(listing) as f:
        for line in f:
            at = int(line.split(None, 1)[0]) - 1
            if at == end:
                end += 1
                continue
            if start is not None:
                lines.append(f"{start:08X}-{end:08X} different")
            start, end = at, at + 1
    if start is not None:
        lines.append(f"{start:08X}-{end:08X} different")
    return lines


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    parser.add_argument("--megabytes", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not shutil.which("cmp") or not os.path.exists("/usr/bin/time"):
        raise SystemExit("cmp and GNU time are needed (./setup.sh --bench installs time)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = folder
        paths = generate(folder, args.megabytes << 20)
        ours_out, peer_out = os.path.join(folder, "ours.out"), os.path.join(folder, "cmp.out")
        cases = [
            ("near end", [program, "-c", "/t:binary", paths["base"], paths["near"]],
             ["cmp", paths["base"], paths["near"]]),
            ("scattered", [program, "-c", "/t:binary", "--format=ranges", paths["base"], paths["scattered"]],
             ["cmp", "-l", paths["base"], paths["scattered"]]),
        ]
        # The same ranges as cmp finds (this also brings the files into the page cache).
        timed(cases[1][1], folder, ours_out)
        timed(cases[1][2], folder, peer_out)
        with open(ours_out) as f:
            ours = f.read().splitlines()
        if ours[:-1] != cmp_ranges(peer_out):
            raise SystemExit("the ranges of the scattered case are not the bytes cmp -l lists")
        print(f"{args.megabytes} MiB files, median of {args.runs} interleaved runs; {len(ours) - 1} ranges")
        print(f"{'case':10} {'corvatine':>10} {'cmp':>8} {'ratio':>6} {'peak ours':>10} {'peak cmp':>9}")
        for name, command, peer in cases:
            ours_times, peer_times, ratios = [], [], []
            ours_peak = peer_peak = 0
            for _ in range(args.runs):
                t, m = timed(command, folder, ours_out)
                p, n = timed(peer, folder, peer_out)
                ours_times.append(t)
                peer_times.append(p)
                ratios.append(t / p)
                ours_peak, peer_peak = max(ours_peak, m), max(peer_peak, n)
            print(f"{name:10} {statistics.median(ours_times):9.3f}s {statistics.median(peer_times):7.3f}s "
                  f"{statistics.median(ratios):6.2f} {ours_peak / 1024:7.1f}MiB {peer_peak / 1024:6.1f}MiB")


if __name__ == "__main__":
    main()

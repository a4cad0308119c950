#!/usr/bin/env python3
"""The program's three-way merge against git merge-file on the same generated
files, in one run: a base of 1,000,000 lines and two edits of it, each with 1%
of its lines changed at scattered places (mostly replaced, some inserted or
deleted), never next to the other side's; then the same with the two sides'
changes allowed to meet, which leaves conflicts. Medians of interleaved runs:
wall and CPU time (from wait4), peak memory, the ratios ours / git's, and
whether the merged texts are the same bytes (clean) or both found conflicts.

Usage: bench/merge_bench.py [--program build/corvatine] [--lines N] [--runs N]
"""
import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time


def run(command, out_path):
    """Wall time, CPU time, peak memory (KiB) and exit status of a command."""
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code < 0 or (command[0].endswith("corvatine") and code > 1):
        raise SystemExit(f"{command[0]} failed ({code}): {process.stderr.read().decode()}")
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, code


def generate(folder, count, meeting):
    rng = random.Random(11)
    base = [f"line {i} of the text, value {rng.randint(0, 10**6)}\n" for i in range(count)]
    changed = count // 100
    ours_places = set(rng.sample(range(count), changed))
    if meeting:
        theirs_places = set(rng.sample(range(count), changed))
    else:
        near = {p + d for p in ours_places for d in (-1, 0, 1)}
        theirs_places = set()
        while len(theirs_places) < changed:
            p = rng.randrange(count)
            if p not in near:
                theirs_places.add(p)

    def edit(places, name):
        lines = []
        for i, line in enumerate(base):
            if i not in places:
                lines.append(line)
                continue
            roll = rng.random()
            if roll < 0.8:
                lines.append(f"{name} changed line {i}\n")
            elif roll < 0.9:
                lines.append(line)
                lines.append(f"{name} inserted after {i}\n")
            # else deleted
        return lines

    paths = [os.path.join(folder, n) for n in ("base", "ours", "theirs")]
    for path, lines in zip(paths, (base, edit(ours_places, "ours"), edit(theirs_places, "theirs"))):
        with open(path, "w") as f:
            f.writelines(lines)
    return paths


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    parser.add_argument("--lines", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    with tempfile.TemporaryDirectory() as folder:
        # Settings of its own, so that the user's are neither read nor written.
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        os.environ.pop("DISPLAY", None)
        os.environ.pop("WAYLAND_DISPLAY", None)
        print(f"{'case':34} {'corvatine':>10} {'cpu':>7} {'git':>8} {'cpu':>7} {'ratio':>6} "
              f"{'peak MiB':>9} {'git MiB':>8} {'mem ratio':>9} {'agree':>6}")
        for name, meeting in ((f"{args.lines:,} lines, 1% each, apart", False),
                              (f"{args.lines:,} lines, 1% each, meeting", True)):
            base, ours, theirs = generate(folder, args.lines, meeting)
            ours_out, git_out = os.path.join(folder, "merged"), os.path.join(folder, "git")
            mine, git = [], []
            for _ in range(args.runs):
                mine.append(run([program, "--merge", base, ours, theirs], ours_out))
                git.append(run(["git", "merge-file", "-p", ours, base, theirs], git_out))
            with open(ours_out, "rb") as a, open(git_out, "rb") as b:
                same = a.read() == b.read()
            my_code, git_code = mine[-1][3], git[-1][3]
            agree = (same and my_code == 0 and git_code == 0) or (my_code == 1 and git_code > 0)
            t, c = statistics.median(r[0] for r in mine), statistics.median(r[1] for r in mine)
            gt, gc = statistics.median(r[0] for r in git), statistics.median(r[1] for r in git)
            peak, git_peak = max(r[2] for r in mine) / 1024, max(r[2] for r in git) / 1024
            print(f"{name:34} {t:9.3f}s {c:6.3f}s {gt:7.3f}s {gc:6.3f}s {t / gt:6.2f} "
                  f"{peak:9.1f} {git_peak:8.1f} {peak / git_peak:9.2f} {str(agree):>6}")
            sys.stdout.flush()


if __name__ == "__main__":
    main()

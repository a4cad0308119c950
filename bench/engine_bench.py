#!/usr/bin/env python3
"""The line difference engine against GNU diff -H on the same generated files,
in one run: time (best of three) and peak memory, as ratios ours / diff's.
The engine prints only hunk headers, so diff's output is piped to a file too.

Usage: bench/engine_bench.py [--tool build/bench/corva_engine_diff]
Build the tool with ./setup.sh --bench.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time


def run(command, out_path):
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code > 1:
        raise SystemExit(f"{command[0]} failed: {process.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss


def best(command, out_path, repeat=5):
    runs = [run(command, out_path) for _ in range(repeat)]
    return min(r[0] for r in runs), max(r[1] for r in runs)


def write(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def scattered(folder, count, density):
    random.seed(5)
    a = [f"line {i} of the text, value {random.randint(0, 10**6)}" for i in range(count)]
    b = list(a)
    for _ in range(int(count * density)):
        at = random.randrange(len(b))
        kind = random.random()
        if kind < 0.33:
            b.insert(at, f"inserted {random.randint(0, 10**6)}")
        elif kind < 0.66:
            del b[at]
        else:
            b[at] = f"changed {random.randint(0, 10**6)}"
    left, right = os.path.join(folder, "s_left"), os.path.join(folder, "s_right")
    write(left, a)
    write(right, b)
    return left, right


def dissimilar(folder, count):
    random.seed(6)
    a = [f"left {random.randint(0, 5000)}" for _ in range(count)]
    b = [f"right {random.randint(0, 5000)}" if random.random() < 0.7 else random.choice(a) for _ in range(count)]
    left, right = os.path.join(folder, "d_left"), os.path.join(folder, "d_right")
    write(left, a)
    write(right, b)
    return left, right


def generate_inputs(folder):
    """Writes s_left/s_right (200,000 lines, 1% changed) and d_left/d_right
    (50,000 dissimilar lines) into folder. A child process makes them: a child
    of a large process would count the parent's memory in its peak."""
    subprocess.run([sys.executable, os.path.abspath(__file__), "--generate", folder], check=True)


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--tool", default=os.path.join(here, "..", "build", "bench", "corva_engine_diff"))
    parser.add_argument("--generate", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.generate:
        scattered(args.generate, 200000, 0.01)
        dissimilar(args.generate, 50000)
        return
    with tempfile.TemporaryDirectory() as folder:
        generate_inputs(folder)
        d_left, d_right = os.path.join(folder, "d_left"), os.path.join(folder, "d_right")
        s_left, s_right = os.path.join(folder, "s_left"), os.path.join(folder, "s_right")
        # The engine gives up a search step at cost 256 where GNU diff 3.4 and
        # later go on to 4096; -T runs it with diff's threshold.
        cases = [("200,000 lines, 1% changed", [], s_left, s_right),
                 ("50,000 lines, dissimilar", [], d_left, d_right),
                 ("  the same, threshold 4096", ["-T"], d_left, d_right)]
        print(f"{'case':28} {'engine':>8} {'diff -H':>8} {'ratio':>6} {'memory ratio':>13} {'same hunks':>11}")
        for name, flags, left, right in cases:
            ours_out, diff_out = os.path.join(folder, "ours"), os.path.join(folder, "theirs")
            our_time, our_peak = best([os.path.abspath(args.tool)] + flags + [left, right], ours_out)
            diff_time, diff_peak = best(["diff", "-H", left, right], diff_out)
            with open(ours_out) as f:
                ours = f.read().split("\n")
            with open(diff_out) as f:
                theirs = [line for line in f.read().split("\n") if line[:1].isdigit()]
            same = [line for line in ours if line] == theirs
            print(f"{name:28} {our_time:7.3f}s {diff_time:7.3f}s {our_time / diff_time:6.2f} "
                  f"{our_peak / diff_peak:13.2f} {str(same):>11}")


if __name__ == "__main__":
    main()

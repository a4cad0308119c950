#!/usr/bin/env python3
"""The program's unified diff against GNU diff -u on the same generated files,
in one run: wall time (best of five) and peak memory, as ratios ours / diff's,
and whether the two diffs have the same hunks.

Usage: bench/unified_bench.py [--program build/corvatine]
"""
import argparse
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from engine_bench import best, generate_inputs  # noqa: E402


def hunks(path):
    """The diff without its two header lines (their times differ)."""
    with open(path, "rb") as f:
        return f.read().split(b"\n")[2:]


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        generate_inputs(folder)
        # Settings of its own, so that the user's are neither read nor written.
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        program = os.path.abspath(args.program)
        cases = [("200,000 lines, 1% changed", "s_left", "s_right"),
                 ("50,000 lines, dissimilar", "d_left", "d_right")]
        print(f"{'case':28} {'corvatine':>10} {'diff -u':>8} {'ratio':>6} {'memory ratio':>13} {'same hunks':>11}")
        for name, left, right in cases:
            left, right = os.path.join(folder, left), os.path.join(folder, right)
            ours_out, diff_out = os.path.join(folder, "ours"), os.path.join(folder, "theirs")
            our_time, our_peak = best([program, "--format=unified", left, right], ours_out)
            diff_time, diff_peak = best(["diff", "-u", left, right], diff_out)
            same = hunks(ours_out) == hunks(diff_out)
            print(f"{name:28} {our_time:9.3f}s {diff_time:7.3f}s {our_time / diff_time:6.2f} "
                  f"{our_peak / diff_peak:13.2f} {str(same):>11}")


if __name__ == "__main__":
    main()

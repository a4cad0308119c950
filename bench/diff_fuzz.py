#!/usr/bin/env python3
"""Many random file pairs through the engine and through diff -H: every hunk
must be the same. Small alphabets make moves, repeats and blank runs common.
The test suite keeps a few hundred such cases; this runs as many as asked.

Usage: bench/diff_fuzz.py [--cases N] [--seed S] [--tool build/bench/corva_engine_diff]
"""
import argparse
import os
import random
import subprocess
import tempfile

ALPHABET = ["a", "b", "c", "", "a b", "a  b", "A", "\tx", "    x", "  x", " a", "a ", "x\ty", "B"]
FLAGS = [[], ["-w"], ["-b"], ["-E"], ["-i"], ["-B"]]


def hunks(output):
    return [line for line in output.splitlines() if line[:1].isdigit()]


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--tool", default=os.path.join(here, "..", "build", "bench", "corva_engine_diff"))
    parser.add_argument("--cases", type=int, default=5000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        left, right = os.path.join(folder, "left"), os.path.join(folder, "right")
        for case in range(args.cases):
            big = rng.random() < 0.05
            letters = ALPHABET[: rng.randint(2, len(ALPHABET))]
            a = [rng.choice(letters) for _ in range(rng.randint(0, 3000 if big else 40))]
            b = list(a)
            for _ in range(rng.randint(0, len(a) // 20 + 6)):
                op = rng.random()
                at = rng.randint(0, len(b))
                if op < 0.4 or not b:
                    b.insert(at, rng.choice(ALPHABET))
                elif op < 0.7 and at < len(b):
                    del b[at]
                elif at < len(b):
                    b[at] = rng.choice(ALPHABET)
            with open(left, "w") as f:
                f.write("\n".join(a) + ("\n" if a and rng.random() < 0.9 else ""))
            with open(right, "w") as f:
                f.write("\n".join(b) + ("\n" if b and rng.random() < 0.9 else ""))
            flags = rng.choice(FLAGS)
            theirs = subprocess.run(["diff", "-H", "--tabsize=4"] + flags + [left, right],
                                    capture_output=True, text=True).stdout
            # Same threshold as GNU diff, so that costly cases compare too.
            ours = subprocess.run([os.path.abspath(args.tool), "-T"] + flags + [left, right],
                                  capture_output=True, text=True).stdout
            if hunks(theirs) != hunks(ours):
                failures += 1
                if failures <= 5:
                    print(f"case {case} {flags}: diff {hunks(theirs)[:5]} engine {hunks(ours)[:5]}")
    print(f"{args.cases} cases, {failures} differ")
    raise SystemExit(1 if failures else 0)


if __name__ == "__main__":
    main()

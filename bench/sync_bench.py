#!/usr/bin/env python3
"""Mirroring a folder tree against rsync in one run: a tree of 20,000 files in
2,000 folders, and a target that is a copy of it with 1% of the files changed
(same size, new content, a later time), 0.5% deleted and 0.5% added.

Each run starts from a fresh copy of the target (made outside the timing):
`corvatine -c /t:folder --sync=mirror-right --yes LEFT TARGET` against
`rsync -a --delete LEFT/ TARGET/`. Afterwards `diff -r` must find the target
equal to the source for both. Wall time is the median of five interleaved
runs, the ratio is ours / rsync's, peak memory is each program's largest.

Usage: bench/sync_bench.py [--program build/corvatine] [--runs 5]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import folder_bench  # noqa: E402

FILES = 20000


def generate(root):
    """The source tree and a target that is its copy with 1% of the files
    changed (the folder benchmark's trees), then 0.5% removed and 0.5% added."""
    left, target, count, _, changed = folder_bench.generate(root, FILES, 11)
    random.seed(12)
    files = sorted(os.path.join(d, n) for d, _, names in os.walk(target) for n in names)
    picked = random.sample(files, len(files) // 100)
    deleted, added = picked[: len(picked) // 2], picked[len(picked) // 2:]
    for path in deleted:
        os.remove(path)
    for path in added:
        with open(path + ".extra", "wb") as out:
            out.write(random.randbytes(500))
    return left, target, count, changed, len(deleted), len(added)


def timed(command, folder):
    # GNU time gives the peak memory: a child forked from this interpreter
    # would count the interpreter's pages it held before exec.
    report = os.path.join(folder, "time-report")
    start = time.perf_counter()
    process = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if process.returncode != 0:
        raise SystemExit(f"{command[0]} failed: {process.stderr.decode()}")
    with open(report) as f:
        return elapsed, int(f.read().split()[-1])


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not shutil.which("rsync") or not os.path.exists("/usr/bin/time"):
        raise SystemExit("rsync and GNU time are needed (./setup.sh --bench installs them)")
    with tempfile.TemporaryDirectory() as folder:
        left, template, count, changed, deleted, added = generate(folder)
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        print(f"{count} files; target: {changed} changed, {deleted} missing, {added} extra")
        work = os.path.join(folder, "work")
        ours, peers = [], []
        for _ in range(args.runs):
            for name, command, results in (
                ("corvatine", [program, "-c", "/t:folder", "--sync=mirror-right", "--yes", left, work], ours),
                ("rsync", ["rsync", "-a", "--delete", left + "/", work + "/"], peers),
            ):
                shutil.rmtree(work, ignore_errors=True)
                shutil.copytree(template, work, copy_function=shutil.copy2, symlinks=True)
                subprocess.run(["sync"], check=True)
                results.append(timed(command, folder))
                check = subprocess.run(["diff", "-r", left, work], stdout=subprocess.DEVNULL)
                if check.returncode != 0:
                    raise SystemExit(f"{name} left the target different from the source")
        our_time = statistics.median(t for t, _ in ours)
        peer_time = statistics.median(t for t, _ in peers)
        our_peak = max(m for _, m in ours) / 1024
        peer_peak = max(m for _, m in peers) / 1024
        print(f"{'mirror':10} {'corvatine':>10} {'rsync':>8} {'ratio':>6} {'peak MB ours':>13} {'rsync':>6}")
        print(f"{'':10} {our_time:9.3f}s {peer_time:7.3f}s {our_time / peer_time:6.2f} {our_peak:13.1f} "
              f"{peer_peak:6.1f}")


if __name__ == "__main__":
    main()

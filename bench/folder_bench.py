#!/usr/bin/env python3
"""The program's folder comparison against its peers on the same generated
trees, in one run. Each tree is compared with a copy in which 1% of the files
were changed (same size, new content, a later time).

On a tree of 20,000 files in 2,000 folders:
- time and size (the default methods) against rsync's quick check,
  `rsync -rn --itemize-changes`;
- the binary content method against `diff -rq`, whose lines it must match;
- the CRC-32 method against `diff -rq`, whose lines it must match too.
On a tree of 200,000 files in 20,000 folders:
- time and size against `rsync -rn --itemize-changes`, with the memory the
  program takes per entry: its peak less the peak of a run on two empty
  folders, divided by the entries of one side (files and folders; each
  entry stands for a pair: the two sides' entries and the result item).

Wall time is the median of interleaved runs (ours, the peer's, ours, ...);
the ratio is ours / the peer's. Peak memory comes from GNU time (a child
forked from this interpreter would count the interpreter's pages).

Usage: bench/folder_bench.py [--program build/corvatine] [--runs 5] [--large 200000]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import tempfile
import time

FILES_PER_FOLDER = 10
SUBFOLDERS = 100  # folders below each top folder, the top one included


def generate(root, files, seed):
    """Two trees of files in folders of FILES_PER_FOLDER, the right one with 1%
    of the files changed; returns both roots, the file and folder counts and
    the number changed."""
    random.seed(seed)
    folders = files // FILES_PER_FOLDER
    left = os.path.join(root, "left")
    for top in range(folders // SUBFOLDERS):
        for sub in range(SUBFOLDERS):
            folder = os.path.join(left, f"top{top:03d}", f"sub{sub:02d}") if sub else os.path.join(left, f"top{top:03d}")
            os.makedirs(folder, exist_ok=True)
            for f in range(FILES_PER_FOLDER):
                with open(os.path.join(folder, f"file{f}.dat"), "wb") as out:
                    out.write(random.randbytes(random.randint(100, 3000)))
    right = os.path.join(root, "right")
    shutil.copytree(left, right, copy_function=shutil.copy2)
    paths = sorted(os.path.join(d, n) for d, _, names in os.walk(right) for n in names)
    changed = random.sample(paths, len(paths) // 100)
    for path in changed:
        size = os.path.getsize(path)
        with open(path, "wb") as out:
            out.write(random.randbytes(size))
        stat = os.stat(path)
        os.utime(path, ns=(stat.st_atime_ns, stat.st_mtime_ns + 10 * 10**9))
    return left, right, len(paths), folders, len(changed)


def timed(command, out_path, folder):
    report = os.path.join(folder, "time-report")
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        process = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=out,
                                 stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
    if process.returncode > 1:
        raise SystemExit(f"{command[0]} failed: {process.stderr.decode()}")
    with open(report) as f:
        return elapsed, int(f.read().split()[-1]) * 1024


def interleaved(ours, peer, folder, runs):
    """Median wall times and largest peaks (bytes) of both commands, run in
    turn; the outputs of the last runs are left in folder/ours and folder/peer."""
    mine, theirs = [], []
    for _ in range(runs):
        mine.append(timed(ours, os.path.join(folder, "ours"), folder))
        theirs.append(timed(peer, os.path.join(folder, "peer"), folder))
    return (statistics.median(t for t, _ in mine), max(m for _, m in mine),
            statistics.median(t for t, _ in theirs), max(m for _, m in theirs))


def lines(path):
    with open(path, "rb") as f:
        return set(f.read().splitlines())


def row(case, figures, check):
    ours, our_peak, peer, peer_peak = figures
    print(f"{case:30} {ours:8.3f}s {peer:8.3f}s {ours / peer:6.2f} {our_peak / 2**20:9.1f} "
          f"{peer_peak / 2**20:9.1f} {check:>6}")


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--large", type=int, default=200000, help="files in the large tree; 0 leaves it out")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not shutil.which("rsync") or not os.path.exists("/usr/bin/time"):
        raise SystemExit("rsync and GNU time are needed (./setup.sh --bench installs them)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        ours_out, peer_out = os.path.join(folder, "ours"), os.path.join(folder, "peer")

        def folder_compare(methods, left, right):
            return [program, "-c", "/t:folder", f"/m:{methods}", "--format=brief", left, right]

        def rsync(left, right):
            return ["rsync", "-rn", "--itemize-changes", left + "/", right + "/"]

        print(f"{'case':30} {'corvatine':>9} {'peer':>9} {'ratio':>6} {'peak MiB':>9} {'peer MiB':>9} "
              f"{'same':>6}")
        small = os.path.join(folder, "small")
        left, right, count, folders, changed = generate(small, 20000, 9)
        print(f"{count} files in {folders} folders, {changed} changed")
        figures = interleaved(folder_compare("time|size", left, right), rsync(left, right), folder, args.runs)
        differing = sum(1 for line in lines(ours_out) if line.startswith(b"Files "))
        row("time and size vs rsync -rn", figures, str(differing == changed))
        for methods in ("binary", "crc32"):
            figures = interleaved(folder_compare(methods, left, right), ["diff", "-rq", left, right], folder,
                                  args.runs)
            row(f"{methods} vs diff -rq", figures, str(lines(ours_out) == lines(peer_out)))
        shutil.rmtree(small)

        if args.large > 0:
            large = os.path.join(folder, "large")
            left, right, count, folders, changed = generate(large, args.large, 10)
            entries = count + folders
            print(f"{count} files in {folders} folders, {changed} changed")
            figures = interleaved(folder_compare("time|size", left, right), rsync(left, right), folder,
                                  args.runs)
            differing = sum(1 for line in lines(ours_out) if line.startswith(b"Files "))
            row("time and size vs rsync -rn", figures, str(differing == changed))
            empty = [os.path.join(folder, "empty1"), os.path.join(folder, "empty2")]
            for path in empty:
                os.makedirs(path)
            _, empty_peak = timed(folder_compare("time|size", *empty), ours_out, folder)
            print(f"memory: {(figures[1] - empty_peak) / entries:.0f} bytes per entry "
                  f"({entries} entries, peak {figures[1] / 2**20:.1f} MiB, empty run {empty_peak / 2**20:.1f} MiB)")


if __name__ == "__main__":
    main()

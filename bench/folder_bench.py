#!/usr/bin/env python3
"""The program's folder comparison against its peers on the same generated
trees, in one run: a tree of 20,000 files in 2,000 folders against a copy in
which 1% of the files were changed (same size, new content, a later time).

- time and size (the default methods) against rsync's quick check,
  `rsync -rn --itemize-changes` (or, without rsync, two `find -printf` stat
  walks joined by comm);
- the binary content method against `diff -rq`, whose lines it must match.

Wall time is the best of five runs; the ratio is ours / the peer's. Peak
memory is given per 10,000 entries.

Usage: bench/folder_bench.py [--program build/corvatine]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from engine_bench import best  # noqa: E402

FOLDERS = 2000
FILES_PER_FOLDER = 10


def generate(root):
    random.seed(9)
    left = os.path.join(root, "left")
    for top in range(20):
        for sub in range(FOLDERS // 20):
            folder = os.path.join(left, f"top{top:02d}", f"sub{sub:02d}") if sub else os.path.join(left, f"top{top:02d}")
            os.makedirs(folder, exist_ok=True)
            for f in range(FILES_PER_FOLDER):
                size = random.randint(100, 3000)
                with open(os.path.join(folder, f"file{f}.dat"), "wb") as out:
                    out.write(random.randbytes(size))
    right = os.path.join(root, "right")
    shutil.copytree(left, right, copy_function=shutil.copy2)
    files = sorted(os.path.join(d, n) for d, _, names in os.walk(right) for n in names)
    changed = random.sample(files, len(files) // 100)
    for path in changed:
        size = os.path.getsize(path)
        with open(path, "wb") as out:
            out.write(random.randbytes(size))
        stat = os.stat(path)
        os.utime(path, ns=(stat.st_atime_ns, stat.st_mtime_ns + 10 * 10**9))
    return left, right, len(files), len(changed)


def lines(path):
    with open(path, "rb") as f:
        return set(f.read().splitlines())


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "corvatine"))
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    with tempfile.TemporaryDirectory() as folder:
        left, right, count, changed = generate(folder)
        entries = count + FOLDERS
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        ours_out, peer_out = os.path.join(folder, "ours"), os.path.join(folder, "peer")
        print(f"{count} files in {FOLDERS} folders, {changed} changed")
        print(f"{'case':34} {'corvatine':>10} {'peer':>8} {'ratio':>6} {'MB per 10,000 entries':>22} {'same':>5}")

        our_time, our_peak = best([program, "-c", "/t:folder", "/m:time|size", "--format=brief", left, right],
                                  ours_out)
        if shutil.which("rsync"):
            peer = "rsync -rn --itemize-changes"
            peer_time, _ = best(["rsync", "-rn", "--itemize-changes", left + "/", right + "/"], peer_out)
        else:
            peer = "find -printf | comm"
            walk = (f"find '{left}' -printf '%P %s %T@\\n' | sort > '{folder}/a' && "
                    f"find '{right}' -printf '%P %s %T@\\n' | sort > '{folder}/b' && "
                    f"comm -3 '{folder}/a' '{folder}/b'")
            peer_time, _ = best(["sh", "-c", walk], peer_out)
        differing = sum(1 for line in lines(ours_out) if line.startswith(b"Files "))
        print(f"{'time and size vs ' + peer:34} {our_time:9.3f}s {peer_time:7.3f}s {our_time / peer_time:6.2f} "
              f"{our_peak / 1024 * 10000 / entries:22.1f} {str(differing == changed):>5}")

        our_time, our_peak = best([program, "-c", "/t:folder", "/m:binary", "--format=brief", left, right],
                                  ours_out)
        peer_time, _ = best(["diff", "-rq", left, right], peer_out)
        same = lines(ours_out) == lines(peer_out)
        print(f"{'binary vs diff -rq':34} {our_time:9.3f}s {peer_time:7.3f}s {our_time / peer_time:6.2f} "
              f"{our_peak / 1024 * 10000 / entries:22.1f} {str(same):>5}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Two release tarballs compared by content without unpacking them, against
unpacking them and comparing the trees, in one run.

Ours: `corvatine -c /t:folder /m:binary --format=brief OLD.tar.xz NEW.tar.xz`,
which reads each archive as a stream (nothing is written to disk).
Peer: `tar -xf OLD.tar.xz` and `tar -xf NEW.tar.xz` into a fresh folder, then
`diff -rq` on the two trees (and, as a second row, `diff -r`, which also
writes out every difference); the peer's time is the three commands' added
up, its peak memory the largest of theirs. Our brief lines must be diff -rq's.

Inputs, made in a temporary folder and removed:
- with --release GITDIR OLD NEW: the two tags of a real project written by
  `git archive --prefix=project/ TAG | xz` (e.g. curl's curl-8_10_0 and
  curl-8_12_0 from a clone);
- always: a generated pair of gzip tarballs of 2,000 small files and one
  large entry (--large-megabytes, 256 by default) whose last byte differs: the
  peak memory of ours must stay near the program's own size, far below the
  large entry and the archive, since entries are compared block by block.

Wall time is the median of interleaved runs; the ratio is ours / the peer's.
Peak memory from GNU time.

Usage: bench/archive_bench.py [--program build/corvatine] [--runs 5]
                              [--release GITDIR OLD NEW] [--large-megabytes 256]
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


def timed(command, cwd):
    """Wall seconds and peak kilobytes of one command (GNU time)."""
    report = os.path.join(cwd, ".time")
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, cwd=cwd,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return wall, peak, done


def git_archive(gitdir, tag, prefix, target):
    git = subprocess.Popen(["git", "--git-dir", gitdir, "archive", "--prefix=" + prefix + "/", tag],
                           stdout=subprocess.PIPE)
    with open(target, "wb") as out:
        subprocess.run(["xz", "-6", "-T1"], stdin=git.stdout, stdout=out, check=True)
    if git.wait() != 0:
        raise SystemExit(f"git archive {tag} failed")


def generated_pair(folder, megabytes):
    """Two tarballs (xz) of 2,000 small files and one large entry."""
    rng = random.Random(7)
    for side in ("old", "new"):
        root = os.path.join(folder, "gen-" + side, "project")
        for i in range(2000):
            path = os.path.join(root, f"d{i % 40}", f"f{i}.txt")
            os.makedirs(os.path.dirname(path), exist_ok=True)
            # One file in 50 differs (seeds are taken by their absolute value).
            rng_side = random.Random(i if side == "old" or i % 50 else i + 10**6)
            with open(path, "w") as f:
                f.write("".join(f"line {rng_side.randrange(10**6)}\n" for _ in range(40)))
        # Random bytes, the same on both sides but the last: compressed
        # data of real size (a repeated block would expand far beyond
        # what the program takes for an archive, and be refused as a bomb).
        data = random.Random(11)
        with open(os.path.join(root, "large.bin"), "wb") as f:
            for _ in range(megabytes - 1):
                f.write(data.randbytes(1 << 20))
            last = data.randbytes(1 << 20)
            f.write(last[:-1] + (b"\x01" if side == "old" else b"\x02"))
        subprocess.run(["tar", "-C", os.path.join(folder, "gen-" + side), "-czf",
                        os.path.join(folder, f"gen-{side}.tar.gz"), "project"], check=True)
        shutil.rmtree(os.path.join(folder, "gen-" + side))
    return os.path.join(folder, "gen-old.tar.gz"), os.path.join(folder, "gen-new.tar.gz")


def brief_lines(text, renames):
    lines = set()
    for line in text.splitlines():
        for old, new in renames:
            line = line.replace(" " + old + "/", " " + new + "/").replace(" " + old + ":", " " + new + ":")
        lines.add(line)
    return lines


def bench_pair(name, old, new, program, folder, runs):
    ours = [program, "--no-gui", "-c", "/t:folder", "/m:binary", "--format=brief", old, new]
    walls = {"ours": [], "tar": [], "diff -rq": [], "diff -r": []}
    peaks = {key: 0 for key in walls}
    for run in range(runs):
        wall, peak, done = timed(ours, folder)
        if done.returncode not in (0, 1):
            raise SystemExit(f"corvatine failed: {done.stderr.decode()}")
        walls["ours"].append(wall)
        peaks["ours"] = max(peaks["ours"], peak)
        ours_out = done.stdout.decode()
        # The peer: both archives unpacked afresh, then compared.
        unpacked = os.path.join(folder, "unpacked")
        shutil.rmtree(unpacked, ignore_errors=True)
        for side, archive in (("a", old), ("b", new)):
            os.makedirs(os.path.join(unpacked, side))
        tar_wall = 0
        for side, archive in (("a", old), ("b", new)):
            wall, peak, done = timed(["tar", "-xf", archive, "-C", os.path.join(unpacked, side)], folder)
            if done.returncode != 0:
                raise SystemExit(f"tar failed: {done.stderr.decode()}")
            tar_wall += wall
            peaks["tar"] = max(peaks["tar"], peak)
        walls["tar"].append(tar_wall)
        for key, flags in (("diff -rq", ["-rq"]), ("diff -r", ["-r"])):
            wall, peak, done = timed(["diff"] + flags + ["a", "b"], unpacked)
            walls[key].append(wall)
            peaks[key] = max(peaks[key], peak)
            if key == "diff -rq":
                diff_out = done.stdout.decode()
        if run == 0:
            # diff names the trees a and b; ours names the archives.
            expected = brief_lines(diff_out, [("a", os.path.relpath(old, folder)), ("b", os.path.relpath(new, folder))])
            got = brief_lines(ours_out, [(old, os.path.relpath(old, folder)), (new, os.path.relpath(new, folder))])
            print(f"  {name}: {len(got)} lines, {'the same as' if got == expected else 'DIFFERENT FROM'} diff -rq's")
            if got != expected:
                for line in sorted(got ^ expected)[:10]:
                    print("    ", line)
        shutil.rmtree(unpacked)
    median = {key: statistics.median(values) for key, values in walls.items()}
    sizes = [os.path.getsize(old), os.path.getsize(new)]
    print(f"  {name}: archives {sizes[0] / 1e6:.1f} and {sizes[1] / 1e6:.1f} MB, {runs} runs")
    print(f"  {'':34} {'wall s':>8} {'peak MB':>8}")
    print(f"  {'corvatine /m:binary (archives)':34} {median['ours']:8.3f} {peaks['ours'] / 1024:8.1f}")
    for key in ("diff -rq", "diff -r"):
        peer = median["tar"] + median[key]
        peer_peak = max(peaks["tar"], peaks[key])
        print(f"  {'tar -xf x2 + ' + key:34} {peer:8.3f} {peer_peak / 1024:8.1f}"
              f"   (tar {median['tar']:.3f} s, {key} {median[key]:.3f} s); ratio {median['ours'] / peer:.2f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default="build/corvatine")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--release", nargs=3, metavar=("GITDIR", "OLD", "NEW"))
    parser.add_argument("--large-megabytes", type=int, default=256)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists("/usr/bin/time"):
        raise SystemExit("GNU time is needed (apt-get install time)")
    with tempfile.TemporaryDirectory(prefix="corvatine-archive-bench-") as folder:
        if args.release:
            gitdir, old_tag, new_tag = args.release
            old = os.path.join(folder, old_tag + ".tar.xz")
            new = os.path.join(folder, new_tag + ".tar.xz")
            # One top folder name for both, so that the trees pair.
            git_archive(gitdir, old_tag, "project", old)
            git_archive(gitdir, new_tag, "project", new)
            print(f"release tarballs {old_tag} and {new_tag}:")
            bench_pair("release", old, new, program, folder, args.runs)
        old, new = generated_pair(folder, args.large_megabytes)
        print(f"generated tarballs, 2,000 small files and a {args.large_megabytes} MB entry:")
        bench_pair("generated", old, new, program, folder, args.runs)


if __name__ == "__main__":
    main()

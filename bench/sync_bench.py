#!/usr/bin/env python3
"""Every synchronisation type against rsync in one run, on release-like
changes: an old release of a tree is brought to a new one (or the other way,
or both ways).

Trees:
- generated: a tree of 20,000 files in 2,000 folders and its next "release":
  3% of the files rewritten (other sizes, a later time), 1% deleted, 1% added,
  20 folders gone and 20 new ones, 100 symbolic links of which 20 point
  elsewhere now and 10 are new; what did not change keeps its time;
- with --release GITDIR OLD NEW (any number of times): two tags of a real
  project, each written out by `git archive` (which gives every file the
  time of its tag's commit, so every file of the new release is newer).

Types and their peers, each run on fresh copies (made outside the timing,
then `sync`):
- mirror-right  `corvatine --sync=mirror-right --yes NEW WORK`   against `rsync -a --delete NEW/ WORK/`
- mirror-left   `corvatine --sync=mirror-left --yes WORK NEW`    against `rsync -a --delete NEW/ WORK/`
- update-right  `corvatine --sync=update-right --yes NEW WORK`   against `rsync -a --update NEW/ WORK/`
- update-left   `corvatine --sync=update-left --yes WORK NEW`    against `rsync -a --update NEW/ WORK/`
- bidirectional `corvatine --sync=bidirectional --yes A B`       against `rsync -a --update A/ B/` then
  `rsync -a --update B/ A/` (the two runs' times added, the larger peak)
where WORK (and B) start as copies of the old release and A as a copy of the
new one. After each run of each program, a mirror must have made WORK equal
to NEW (`diff -r --no-dereference`); for the other types the trees we leave
are compared with rsync's ("same" in the table).

Wall time is the median of interleaved runs (ours, rsync's, ours, ...), CPU
time (user and system) the median too; the ratio is ours / rsync's, and
"pairs" the median of the ratios of each run of ours to the run of rsync
right after it (which saw the same load of a shared machine). Peak memory is
each program's largest (GNU time; rsync's is its largest process).

Usage: bench/sync_bench.py [--program build-release/corvatine] [--runs 5]
                           [--release GITDIR OLD NEW]... [--types mirror-right,...] [--no-generated]
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
TYPES = ["mirror-right", "mirror-left", "update-right", "update-left", "bidirectional"]


def write(path, size):
    with open(path, "wb") as out:
        out.write(random.randbytes(size))


def later(path, seconds):
    stat = os.lstat(path)
    os.utime(path, ns=(stat.st_atime_ns, stat.st_mtime_ns + seconds * 10**9), follow_symlinks=False)


def generate(root):
    """An old release (the folder benchmark's tree, with links) and a new one
    that changes it as a release does. Returns both roots."""
    old, _, _, _, _ = folder_bench.generate(root, FILES, 21)
    random.seed(22)
    folders = sorted(d for d, _, _ in os.walk(old) if d != old)
    for i in range(100):
        folder = random.choice(folders)
        os.symlink(os.path.relpath(random.choice(folders), folder), os.path.join(folder, f"link{i}"))
    new = os.path.join(root, "new")
    shutil.copytree(old, new, copy_function=shutil.copy2, symlinks=True)
    tops = sorted(os.path.join(new, name) for name in os.listdir(new))
    gone = set(random.sample([d for d in (os.path.join(t, n) for t in tops for n in sorted(os.listdir(t)))
                              if os.path.isdir(d) and not os.path.islink(d)], 20))
    for folder in gone:
        shutil.rmtree(folder)
    for i in range(20):
        folder = os.path.join(random.choice(tops), f"added{i:02d}")
        os.makedirs(folder)
        for f in range(10):
            write(os.path.join(folder, f"new{f}.dat"), random.randint(100, 3000))
    files = sorted(os.path.join(d, n) for d, _, names in os.walk(new) for n in names
                   if not os.path.islink(os.path.join(d, n)) and n.startswith("file"))
    picked = random.sample(files, len(files) * 5 // 100)
    changed, deleted, added = picked[: len(files) * 3 // 100], picked[len(files) * 3 // 100: len(files) * 4 // 100], \
        picked[len(files) * 4 // 100:]
    for path in changed:
        write(path, random.randint(100, 3000))
        later(path, 86400)
    for path in deleted:
        os.remove(path)
    for path in added:
        write(path + ".added", random.randint(100, 3000))
    links = sorted(os.path.join(d, n) for d, subs, names in os.walk(new) for n in names + subs
                   if os.path.islink(os.path.join(d, n)))
    for path in random.sample(links, min(20, len(links))):
        os.remove(path)
        os.symlink("elsewhere", path)
        later(path, 86400)
    new_folders = sorted(d for d, _, _ in os.walk(new) if d != new)
    for i in range(10):
        folder = random.choice(new_folders)
        os.symlink(os.path.relpath(random.choice(new_folders), folder), os.path.join(folder, f"newlink{i}"))
    return old, new


def archive(gitdir, tag, target):
    os.makedirs(target)
    git = subprocess.Popen(["git", "--git-dir", gitdir, "archive", tag], stdout=subprocess.PIPE)
    subprocess.run(["tar", "-x", "-C", target], stdin=git.stdout, check=True)
    if git.wait() != 0:
        raise SystemExit(f"git archive {tag} failed")


def fresh(source, target):
    shutil.rmtree(target, ignore_errors=True)
    subprocess.run(["cp", "-a", source, target], check=True)


def timed(commands, folder):
    """Wall time, CPU time and peak memory (KiB) of commands run one after
    the other (GNU time measures each)."""
    wall = cpu = 0.0
    peak = 0
    report = os.path.join(folder, "time-report")
    for command in commands:
        start = time.perf_counter()
        process = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", report] + command,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        wall += time.perf_counter() - start
        if process.returncode != 0:
            raise SystemExit(f"{' '.join(command)} failed ({process.returncode}): {process.stderr.decode()}")
        with open(report) as f:
            user, system, rss = f.read().split()[-3:]
        cpu += float(user) + float(system)
        peak = max(peak, int(rss))
    return wall, cpu, peak


def same_trees(a, b):
    return subprocess.run(["diff", "-r", "--no-dereference", a, b], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def bench_type(kind, old, new, program, folder, runs):
    """Interleaved runs of one type; the figures of both programs and
    whether they left the same trees."""
    a, b = os.path.join(folder, "a"), os.path.join(folder, "b")
    kept = {}
    ours, peers = [], []
    for _ in range(runs):
        for name in ("corvatine", "rsync"):
            if kind == "bidirectional":
                fresh(new, a)
                fresh(old, b)
                commands = ([[program, "--no-gui", "--sync=bidirectional", "--yes", a, b]] if name == "corvatine"
                            else [["rsync", "-a", "--update", a + "/", b + "/"],
                                  ["rsync", "-a", "--update", b + "/", a + "/"]])
            else:
                fresh(old, b)
                if name == "rsync":
                    flag = "--delete" if kind.startswith("mirror") else "--update"
                    commands = [["rsync", "-a", flag, new + "/", b + "/"]]
                elif kind.endswith("right"):
                    commands = [[program, "--no-gui", f"--sync={kind}", "--yes", new, b]]
                else:
                    commands = [[program, "--no-gui", f"--sync={kind}", "--yes", b, new]]
            subprocess.run(["sync"], check=True)
            (ours if name == "corvatine" else peers).append(timed(commands, folder))
            if kind.startswith("mirror") and not same_trees(new, b):
                raise SystemExit(f"{name} left the target of {kind} different from the source")
            keep = os.path.join(folder, "kept-" + name)
            shutil.rmtree(keep, ignore_errors=True)
            os.makedirs(keep)
            os.rename(b, os.path.join(keep, "b"))
            if kind == "bidirectional":
                os.rename(a, os.path.join(keep, "a"))
            kept[name] = keep
    same = same_trees(kept["corvatine"], kept["rsync"])
    for keep in kept.values():
        shutil.rmtree(keep)
    median = lambda results, i: statistics.median(r[i] for r in results)  # noqa: E731
    # The ratio of each run to the peer's run right after it: the two saw the
    # same load of the machine.
    pairs = statistics.median(o[0] / p[0] for o, p in zip(ours, peers))
    return (median(ours, 0), median(peers, 0), pairs, median(ours, 1), median(peers, 1),
            max(r[2] for r in ours) / 1024, max(r[2] for r in peers) / 1024, same)


def count(root):
    files = links = folders = 0
    for d, subs, names in os.walk(root):
        for n in names + subs:
            path = os.path.join(d, n)
            if os.path.islink(path):
                links += 1
            elif os.path.isdir(path):
                folders += 1
            else:
                files += 1
    return f"{files} files, {folders} folders, {links} links"


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--release", nargs=3, action="append", default=[], metavar=("GITDIR", "OLD", "NEW"))
    parser.add_argument("--types", default=",".join(TYPES))
    parser.add_argument("--no-generated", action="store_true")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not shutil.which("rsync") or not os.path.exists("/usr/bin/time"):
        raise SystemExit("rsync and GNU time are needed (./setup.sh --bench installs them)")
    types = args.types.split(",")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        trees = []
        if not args.no_generated:
            old, new = generate(os.path.join(folder, "generated"))
            trees.append(("generated", old, new))
        for gitdir, old_tag, new_tag in args.release:
            root = os.path.join(folder, f"{old_tag}-{new_tag}")
            archive(gitdir, old_tag, os.path.join(root, "old"))
            archive(gitdir, new_tag, os.path.join(root, "new"))
            trees.append((f"{old_tag} -> {new_tag}", os.path.join(root, "old"), os.path.join(root, "new")))
        work = os.path.join(folder, "work")
        os.makedirs(work)
        print(f"{'tree':28} {'type':14} {'ours':>8} {'rsync':>8} {'ratio':>6} {'pairs':>6} {'cpu ours':>9} "
              f"{'rsync':>7} {'ratio':>6} {'peak MB':>8} {'rsync':>6} {'ratio':>6} same")
        for name, old, new in trees:
            print(f"{name}: old {count(old)}; new {count(new)}")
            for kind in types:
                t, pt, pairs, c, pc, m, pm, same = bench_type(kind, old, new, program, work, args.runs)
                print(f"{name:28} {kind:14} {t:7.3f}s {pt:7.3f}s {t / pt:6.2f} {pairs:6.2f} {c:8.3f}s {pc:6.3f}s "
                      f"{c / pc:6.2f} {m:8.1f} {pm:6.1f} {m / pm:6.2f} {'yes' if same else 'no'}", flush=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The whole program's text comparison against GNU diff in one run, on the
same files: wall time and CPU time (medians of interleaved runs), the
ratio ours / diff's, and both peak memories (GNU time's maximum resident set).

Rows:
- unified, 200,000 generated lines with 1% scattered changes: `--format=unified`
  against `diff -u`;
- side by side, the same pair: `--format=side --width=160` against
  `diff -y -W 160`;
- unified and side by side, a real pair: two releases of the OpenGL extension
  header (/usr/include/GL/glext.h and Qt's copy qopenglext.h), when both are
  installed;
- Copy All on the 200,000-line pair (`--copy=left-to-right --save` on fresh
  copies), against `cp` of the left file (what the result must equal; the
  result is checked with cmp);
- moved blocks: side by side and json on the 200,000-line pair, and on a
  pair of it whose right file has 1% of the lines moved in blocks of 3 to 12,
  with moves looked for (the default) against the same program with the
  setting MovedLines 0 (the peer's column is then ours without moves);
- with --large: unified on 100,000, 1,000,000 and 5,000,000 generated lines
  (about 8 MB, 80 MB and 400 MB per file) to show the cost against the size;
  the peak memory is also given relative to the two files' size.

Usage: bench/text_bench.py [--program build-release/corvatine] [--runs 5] [--large]
"""
import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time


def generate(path_left, path_right, count, seed=5):
    random.seed(seed)
    with open(path_left, "w") as left, open(path_right, "w") as right:
        for i in range(count):
            line = f"line {i} of the text, value {random.randint(0, 10**6)}\n"
            left.write(line)
            r = random.random()
            if r < 0.0033:
                right.write(f"inserted {random.randint(0, 10**6)}\n")
                right.write(line)
            elif r < 0.0066:
                pass
            elif r < 0.01:
                right.write(f"changed {random.randint(0, 10**6)}\n")
            else:
                right.write(line)


def generate_moves(path_left, path_right, count, seed=7):
    """A left file of count distinct lines, and a right one with about 1% of
    them cut in blocks of 3 to 12 lines and pasted elsewhere."""
    random.seed(seed)
    lines = [f"line {i} of the text, value {random.randint(0, 10**6)}\n" for i in range(count)]
    with open(path_left, "w") as left:
        left.writelines(lines)
    right = list(lines)
    moved = 0
    while moved < count // 100:
        size = random.randint(3, 12)
        start = random.randrange(0, len(right) - size)
        block = right[start:start + size]
        del right[start:start + size]
        to = random.randrange(0, len(right))
        right[to:to] = block
        moved += size
    with open(path_right, "w") as out:
        out.writelines(right)


def measure(command, folder):
    """Wall seconds, CPU seconds and peak KiB of one run."""
    # GNU time gives the peak memory (a child forked from this interpreter
    # would count the interpreter's pages); wait4 the CPU time to the
    # microsecond, which GNU time rounds to 10 ms.
    report = os.path.join(folder, "time-report")
    start = time.perf_counter()
    with open(os.path.join(folder, "out"), "wb") as out:
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=out,
                                   stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) > 1:
        raise SystemExit(f"{command} failed: {process.stderr.read().decode()}")
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def compare(name, ours, peer, folder, runs, prepare=None, size=None):
    results = {"ours": [], "peer": []}
    for _ in range(runs):
        for key, command in (("ours", ours), ("peer", peer)):
            if prepare:
                prepare()
            results[key].append(measure(command, folder))
    rows = {}
    for key, values in results.items():
        rows[key] = (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values),
                     max(v[2] for v in values) / 1024)
    (ow, oc, om), (pw, pc, pm) = rows["ours"], rows["peer"]
    line = (f"{name:36} {ow:8.4f}s {pw:8.4f}s {ow / pw:6.2f} {oc:7.4f}s {pc:7.4f}s {oc / pc:6.2f} "
            f"{om:8.1f} {pm:8.1f} {om / pm:5.2f}")
    if size:
        line += f"  ours {om * 1024 * 1024 / size:.2f}x the files"
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--large", action="store_true")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists("/usr/bin/time"):
        raise SystemExit("GNU time is needed (./setup.sh --bench installs it)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        left, right = os.path.join(folder, "left"), os.path.join(folder, "right")
        generate(left, right, 200_000)
        print(f"{'case':36} {'wall':>10} {'diff':>10} {'ratio':>6} {'cpu':>9} {'diff':>9} {'ratio':>6} "
              f"{'MiB':>8} {'diff':>8} {'ratio':>5}")
        compare("unified, 200,000 lines, 1% changed", [program, "--format=unified", left, right],
                ["diff", "-u", left, right], folder, args.runs)
        compare("side by side, 200,000 lines", [program, "--format=side", "--width=160", left, right],
                ["diff", "-y", "-W", "160", left, right], folder, args.runs)
        real = ("/usr/include/GL/glext.h", "/usr/include/x86_64-linux-gnu/qt6/QtGui/qopenglext.h")
        if all(os.path.exists(p) for p in real):
            # A run takes milliseconds: many more of them give a steady median.
            compare("unified, glext.h / qopenglext.h", [program, "--format=unified", *real],
                    ["diff", "-u", *real], folder, max(args.runs, 60))
            compare("side by side, glext.h / qopenglext.h", [program, "--format=side", "--width=160", *real],
                    ["diff", "-y", "-W", "160", *real], folder, max(args.runs, 60))
        # Moves looked for against not: the same program with the setting off.
        off = os.path.join(folder, "config-no-moves")
        os.makedirs(off, exist_ok=True)
        with open(os.path.join(off, "registry.reg"), "w") as reg:
            reg.write("Windows Registry Editor Version 5.00\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\"
                      "TextComparison\\Settings]\n\"MovedLines\"=dword:00000000\n")
        on = ["env", "CORVATINE_CONFIG_DIR=" + os.environ["CORVATINE_CONFIG_DIR"]]
        no = ["env", "CORVATINE_CONFIG_DIR=" + off]
        for label, (l, r) in (("200,000 lines", (left, right)), ("1% moved", (left + ".m", right + ".m"))):
            if l.endswith(".m"):
                generate_moves(l, r, 200_000)
            for fmt in (["--format=side", "--width=160"], ["--format=json"]):
                compare(f"moves vs none, {fmt[0][9:]}, {label}", on + [program, *fmt, l, r],
                        no + [program, *fmt, l, r], folder, args.runs)
        a, b = os.path.join(folder, "a"), os.path.join(folder, "b")

        def fresh():
            subprocess.run(["cp", left, a], check=True)
            subprocess.run(["cp", right, b], check=True)

        compare("Copy All, 200,000 lines (vs cp)", [program, "--copy=left-to-right", "--save", "--quiet", a, b],
                ["cp", left, b], folder, args.runs, prepare=fresh)
        fresh()
        subprocess.run([program, "--copy=left-to-right", "--save", "--quiet", a, b])
        if subprocess.run(["cmp", "-s", left, b]).returncode != 0:
            raise SystemExit("Copy All did not make the right file equal to the left")
        if args.large:
            for count in (100_000, 1_000_000, 5_000_000):
                generate(left, right, count, seed=count)
                size = os.path.getsize(left) + os.path.getsize(right)
                compare(f"unified, {count:,} lines", [program, "--format=unified", left, right],
                        ["diff", "-u", left, right], folder, 3 if count > 1_000_000 else args.runs, size=size)


if __name__ == "__main__":
    main()

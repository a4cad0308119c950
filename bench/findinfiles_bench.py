#!/usr/bin/env python3
"""Find in files of the whole program against grep in one run, on the same
generated inputs in the page cache: wall time and CPU time (medians of
interleaved runs), the ratio ours / grep's, and both peak memories (GNU
time's maximum resident set).

Rows:
- a generated source tree of about 120 MB (12,000 files of C-like lines in
  1,200 folders, a tenth of the files with CR LF line endings), a literal
  search with about 6,000 hits: `corvatine --find-in-files=TEXT --subfolders
  --format=grep DIR` against `grep -rn TEXT DIR`, then the default tree
  output; before timing, the hits are checked to be grep's (grep's lines with
  their carriage returns dropped, as find in files drops them);
- the same tree without regard to case (find in files without --match-case,
  `grep -rni`);
- the same tree with a text found nowhere (the bare cost of reading);
- a 100 MB file with no line feed, searched for a text it does not hold
  (`grep -n TEXT FILE`): find in files cuts it into lines of 65,535 bytes,
  grep holds it as one line;
- expressions (--regex) on the tree: one that starts with a literal and one
  that starts with a set (`grep -rnE` with the same expression; the hits are
  checked first);
- the expression "(a+)+b", which a backtracking matcher takes time for that
  grows as a power of the line's length, on a file of 100 lines of 65,000
  "a" (`grep -nE`).

Both run with LC_ALL=C.

Usage: bench/findinfiles_bench.py [--program build-release/corvatine] [--runs 5] [--megabytes 120]
"""
import argparse
import os
import random
import statistics
import subprocess
import tempfile
import time

NEEDLE = "MaxLineCount"


def generate_tree(root, megabytes, seed=11):
    """Folders of files of C-like lines; about one line in 500 holds NEEDLE."""
    rng = random.Random(seed)
    words = ["int", "return", "const", "auto", "std::string", "value", "count", "index", "buffer", "size_t",
             "if", "for", "while", "static", "void", "char", "result", "left", "right", "node", "item",
             "first", "last", "length", "offset", "=", "+", "(", ")", "{", "}", ";", "->", "::", "0", "1"]
    pool = []
    for _ in range(5000):
        line = "    " * rng.randint(0, 3) + " ".join(rng.choice(words) for _ in range(rng.randint(2, 10)))
        pool.append(line)
    needle_lines = [f"    if (count > {NEEDLE}) return;", f"// {NEEDLE} bounds the lines",
                    f"    const int limit = {NEEDLE.lower()} + 1;", f"#define {NEEDLE.upper()} 65535"]
    files = 12_000
    per_file = megabytes * 1_000_000 // files
    made = 0
    for top in range(40):
        for sub in range(30):
            folder = os.path.join(root, f"module{top:02}", f"part{sub:02}")
            os.makedirs(folder)
            for number in range(files // 1200):
                lines = []
                size = 0
                while size < per_file:
                    line = rng.choice(needle_lines) if rng.random() < 0.002 else rng.choice(pool)
                    lines.append(line)
                    size += len(line) + 1
                ending = "\r\n" if made % 10 == 9 else "\n"
                name = f"file{number:02}" + (".cpp" if number % 3 else ".h")
                with open(os.path.join(folder, name), "w", newline="") as f:
                    f.write(ending.join(lines) + ending)
                made += 1


def generate_long_line(path, megabytes, seed=12):
    rng = random.Random(seed)
    chunk = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz ;,(){}") for _ in range(1 << 20)).encode()
    with open(path, "wb") as f:
        for _ in range(megabytes * 1_000_000 // len(chunk)):
            f.write(chunk)


def measure(command, folder):
    """Wall seconds, CPU seconds and peak KiB of one run (exit status 0 or 1)."""
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


def compare(name, ours, peer, folder, runs):
    results = {"ours": [], "peer": []}
    for key, command in (("ours", ours), ("peer", peer)):
        measure(command, folder)  # the page cache and the program's pages
    for _ in range(runs):
        for key, command in (("ours", ours), ("peer", peer)):
            results[key].append(measure(command, folder))
    rows = {}
    for key, values in results.items():
        rows[key] = (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values),
                     max(v[2] for v in values) / 1024)
    (ow, oc, om), (pw, pc, pm) = rows["ours"], rows["peer"]
    print(f"{name:40} {ow:8.3f}s {pw:8.3f}s {ow / pw:6.2f} {oc:7.3f}s {pc:7.3f}s {oc / pc:6.2f} "
          f"{om:8.1f} {pm:8.1f}", flush=True)


def hits(command, strip_returns=False):
    out = subprocess.run(command, stdout=subprocess.PIPE, check=False).stdout
    if strip_returns:
        out = out.replace(b"\r", b"")
    return sorted(out.splitlines())


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--megabytes", type=int, default=120)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists("/usr/bin/time"):
        raise SystemExit("GNU time is needed (./setup.sh --bench installs it)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        # grep at its fastest: bytes, without the multibyte case folding of a
        # UTF-8 locale (the text is ASCII, so the hits are the same).
        os.environ["LC_ALL"] = "C"
        tree = os.path.join(folder, "tree")
        generate_tree(tree, args.megabytes)
        size = sum(os.path.getsize(os.path.join(d, f)) for d, _, names in os.walk(tree) for f in names)
        version = subprocess.run(["grep", "--version"], stdout=subprocess.PIPE, text=True).stdout.splitlines()[0]
        print(f"tree: {size / 1e6:.1f} MB in 12,000 files; {version}, LC_ALL=C")

        # grep -rn matches case: so does find in files with --match-case.
        ours = [program, f"--find-in-files={NEEDLE}", "--subfolders", "--match-case", "--format=grep", tree]
        peer = ["grep", "-rn", NEEDLE, tree]
        found = hits(ours)
        if found != hits(peer, strip_returns=True):
            raise SystemExit("the hits are not grep's")
        print(f"{len(found)} hits, the same as grep's")
        nocase = [program, f"--find-in-files={NEEDLE}", "--subfolders", "--format=grep", tree]
        nocase_peer = ["grep", "-rni", NEEDLE, tree]
        if hits(nocase) != hits(nocase_peer, strip_returns=True):
            raise SystemExit("the hits without regard to case are not grep's")

        print(f"{'case':40} {'wall':>9} {'grep':>9} {'ratio':>6} {'cpu':>8} {'grep':>8} {'ratio':>6} "
              f"{'MiB':>8} {'grep':>8}")
        compare("literal, --format=grep", ours, peer, folder, args.runs)
        compare("literal, tree output", [program, f"--find-in-files={NEEDLE}", "--subfolders", "--match-case",
                                         tree], peer, folder, args.runs)
        compare("without case (grep -rni)", nocase, nocase_peer, folder, args.runs)
        absent = "NoSuchTextAnywhere"
        compare("a text found nowhere", [program, f"--find-in-files={absent}", "--subfolders", "--match-case",
                                         tree], ["grep", "-rn", absent, tree], folder, args.runs)

        for expression in ("MaxLine[A-Z][a-z]+", "[A-Z][a-z]+LineCount"):
            regex = [program, f"--find-in-files={expression}", "--regex", "--subfolders", "--match-case",
                     "--format=grep", tree]
            regex_peer = ["grep", "-rnE", expression, tree]
            if hits(regex) != hits(regex_peer, strip_returns=True):
                raise SystemExit(f"the hits of {expression} are not grep's")
            compare(f"expression {expression}", regex, regex_peer, folder, args.runs)

        runs_folder = os.path.join(folder, "runs")
        os.makedirs(runs_folder)
        runs_file = os.path.join(runs_folder, "a.txt")
        with open(runs_file, "w") as f:
            f.write(("a" * 65000 + "\n") * 100)
        compare("(a+)+b, 100 lines of 65,000 a", [program, "--find-in-files=(a+)+b", "--regex", "--match-case",
                                                  runs_folder], ["grep", "-nE", "(a+)+b", runs_file], folder,
                args.runs)

        long_folder = os.path.join(folder, "long")
        os.makedirs(long_folder)
        long_file = os.path.join(long_folder, "oneline.txt")
        generate_long_line(long_file, 100)
        compare("100 MB, no line feed", [program, f"--find-in-files={absent}", "--match-case", long_folder],
                ["grep", "-n", absent, long_file], folder, args.runs)


if __name__ == "__main__":
    main()

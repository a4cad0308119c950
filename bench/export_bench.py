#!/usr/bin/env python3
"""The syntax-coloured HTML export of the whole program against GNU
source-highlight in one run, on the same generated C file: wall time and CPU
time (medians of interleaved runs), the ratio ours / source-highlight's, and
both peak memories (GNU time's maximum resident set).

Rows:
- without line numbers: `corvatine -e F.c --export=OUT --line-numbers=off`
  against `source-highlight --src-lang=cpp --out-format=html -i F.c -o OUT`;
- with line numbers: `--export=OUT` (numbers are on by default) against the
  same with `--line-number`.

The file (200,000 lines by default, about 6.5 MB) is made of the lines of
bench/SyntaxBench.cpp: directives, block comments over two lines, functions,
numbers, strings with escaped quotes, character literals and line comments.
Before timing, our page is read back (tags dropped, entities decoded) and its
text must be the file's. Our export ends with an fsync of the page before it
replaces the target (a save is only done when the data is on disk), which
source-highlight does not do.

Usage: bench/export_bench.py [--program build-release/corvatine] [--runs 5] [--lines 200000]
"""
import argparse
import html
import os
import random
import re
import statistics
import subprocess
import tempfile
import time

LINES_OF_C = [
    "#include <stdio.h>\n",
    "/* A block comment that opens here\n",
    "   and closes here. */\n",
    "static int compute(const char* text, size_t length) {\n",
    "    int total = 0x1F + 1.5e10; // a trailing comment\n",
    "    for (size_t i = 0; i < length; ++i) total += text[i] == '\\\\' ? 2 : 1;\n",
    "    printf(\"%d items, \\\"quoted\\\"\\n\", total);\n",
    "    return total;\n",
    "}\n",
    "\n",
]


def generate(path, count, seed=3):
    random.seed(seed)
    with open(path, "w") as f:
        for _ in range(count):
            f.write(random.choice(LINES_OF_C))


def page_text(path):
    """The text of our page inside <pre>, without line numbers and tags."""
    with open(path, encoding="utf-8", newline="") as f:
        page = f.read()
    body = page[page.index('<pre class="hl">\r\n') + len('<pre class="hl">\r\n'):page.rindex("</pre>")]
    body = re.sub(r'<span class="tl">[^<]*</span>', "", body)
    return html.unescape(re.sub(r"<[^>]+>", "", body)).replace("\r\n", "\n")


def measure(command, folder):
    """Wall seconds, CPU seconds and peak KiB of one run."""
    # GNU time gives the peak memory (a child forked from this interpreter
    # would count the interpreter's pages); wait4 the CPU time to the
    # microsecond, which GNU time rounds to 10 ms.
    report = os.path.join(folder, "time-report")
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + command,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{command} failed: {process.stderr.read().decode()}")
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def compare(name, ours, peer, folder, runs):
    results = {"ours": [], "peer": []}
    for _ in range(runs):
        for key, command in (("ours", ours), ("peer", peer)):
            results[key].append(measure(command, folder))
    rows = {}
    for key, values in results.items():
        rows[key] = (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values),
                     max(v[2] for v in values) / 1024)
    (ow, oc, om), (pw, pc, pm) = rows["ours"], rows["peer"]
    print(f"{name:32} {ow:8.3f}s {pw:8.3f}s {ow / pw:6.3f} {oc:7.3f}s {pc:7.3f}s {oc / pc:6.3f} "
          f"{om:8.1f} {pm:8.1f} {om / pm:5.2f}", flush=True)


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--lines", type=int, default=200_000)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists("/usr/bin/time"):
        raise SystemExit("GNU time is needed (./setup.sh --bench installs it)")
    if subprocess.run(["which", "source-highlight"], stdout=subprocess.DEVNULL).returncode != 0:
        raise SystemExit("GNU source-highlight is needed (./setup.sh --bench installs it)")
    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        source = os.path.join(folder, "file.c")
        ours_page, peer_page = os.path.join(folder, "ours.html"), os.path.join(folder, "peer.html")
        generate(source, args.lines)
        with open(source) as f:
            text = f.read()
        for numbers in ("off", "on"):
            subprocess.run([program, "-e", source, f"--export={ours_page}", f"--line-numbers={numbers}", "--quiet"],
                           check=True)
            if page_text(ours_page) != text:
                raise SystemExit(f"the page's text is not the file's (line numbers {numbers})")
        print(f"{args.lines:,} lines of C, {os.path.getsize(source) / 1e6:.1f} MB; "
              f"pages: ours {os.path.getsize(ours_page) / 1e6:.1f} MB", flush=True)
        print(f"{'case':32} {'wall':>9} {'s-h':>9} {'ratio':>6} {'cpu':>8} {'s-h':>8} {'ratio':>6} "
              f"{'MiB':>8} {'s-h':>8} {'ratio':>5}")
        peer = ["source-highlight", "--src-lang=cpp", "--out-format=html", "-i", source, "-o", peer_page]
        compare("export, no line numbers",
                [program, "-e", source, f"--export={ours_page}", "--line-numbers=off", "--quiet"], peer, folder,
                args.runs)
        compare("export, line numbers", [program, "-e", source, f"--export={ours_page}", "--quiet"],
                peer + ["--line-number"], folder, args.runs)


if __name__ == "__main__":
    main()

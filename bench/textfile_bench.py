#!/usr/bin/env python3
"""Loading and saving large text files: corvatine against iconv on the same
files in one run. Prints each time, the ratio to iconv, and the program's peak
memory relative to the file size.

Usage: bench/textfile_bench.py [--megabytes N] [--program build/corvatine]
"""
import argparse
import os
import random
import subprocess
import tempfile
import time


def run(command, stdout_path=None):
    """Runs a command and returns (seconds, peak resident kilobytes)."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if stdout_path:
        out.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{command[0]} failed: {process.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss


def best(command, stdout_path=None, repeat=3):
    runs = [run(command, stdout_path) for _ in range(repeat)]
    return min(r[0] for r in runs), max(r[1] for r in runs)


def make_utf8(path, megabytes):
    random.seed(1)
    words = ["alpha", "beta", "gamma", "caf\u00e9", "na\u00efve", "Gr\u00fc\u00dfe", "\u20acuro",
             "\u65e5\u672c\u8a9e", "\U0001F600", "the", "quick", "brown", "fox", "jumps"]
    size = 0
    with open(path, "w", encoding="utf-8", newline="") as f:
        while size < megabytes << 20:
            line = " ".join(random.choice(words) for _ in range(random.randint(3, 14))) + "\r\n"
            f.write(line)
            size += len(line.encode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=int, default=100)
    parser.add_argument("--program", default=os.path.join(os.path.dirname(__file__), "..", "build", "corvatine"))
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    with tempfile.TemporaryDirectory() as folder:
        os.environ["CORVATINE_CONFIG_DIR"] = folder
        utf8 = os.path.join(folder, "utf8.txt")
        utf16 = os.path.join(folder, "utf16.txt")
        make_utf8(utf8, args.megabytes)
        with open(utf16, "wb") as f:
            f.write(b"\xff\xfe")
            f.flush()
            subprocess.run(["iconv", "-f", "UTF-8", "-t", "UTF-16LE", utf8], stdout=f, check=True)
        out = os.path.join(folder, "out")
        sink = os.path.join(folder, "sink")

        cases = [
            ("load UTF-8", utf8, [program, "-e", utf8], ["iconv", "-f", "UTF-8", "-t", "UTF-8", utf8]),
            ("load UTF-16", utf16, [program, "-e", utf16], ["iconv", "-f", "UTF-16", "-t", "UTF-8", utf16]),
            ("load+save UTF-8", utf8, [program, "-e", utf8, "--save-as=" + out],
             ["iconv", "-f", "UTF-8", "-t", "UTF-8", utf8]),
            ("UTF-8 to UTF-16", utf8, [program, "-e", utf8, "--encoding=UNI16_LE", "--save-as=" + out],
             ["iconv", "-f", "UTF-8", "-t", "UTF-16LE", utf8]),
            ("UTF-16 to UTF-8", utf16, [program, "-e", utf16, "--encoding=65001", "--save-as=" + out],
             ["iconv", "-f", "UTF-16", "-t", "UTF-8", utf16]),
        ]
        print(f"{'case':18} {'corvatine':>10} {'iconv':>8} {'ratio':>6} {'peak/file':>10}")
        for name, source, ours, peer in cases:
            our_time, our_peak = best(ours)
            peer_time, _ = best(peer, sink)
            file_kb = os.path.getsize(source) / 1024
            print(f"{name:18} {our_time:9.3f}s {peer_time:7.3f}s {our_time / peer_time:6.2f} {our_peak / file_kb:10.2f}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Start-up cost: the whole program comparing two one-line files, headless
(no DISPLAY or WAYLAND_DISPLAY), against `diff` on the same pair.

`corvatine A B` and `diff A B` run in turn, 50 times each (A B A B ...), after
one run of each that is not counted (the program's first run creates its
settings file and its recent comparisons list). Every run of the program reads
its settings, compares, adds the pair to the recent comparisons list and
writes that back, as any run does. Wall time is taken around each process,
from spawning it to reaping it; the script prints both medians, the ratio of
the medians (ours / diff's) and the median of the pairwise ratios. Peak memory
is each program's largest over five further runs under GNU time.

Usage: bench/startup_bench.py [--program build-release/corvatine] [--runs 50]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time


def wall_seconds(command, environment):
    # posix_spawn starts the child without copying this interpreter, so the
    # time is the program's own start, run and exit.
    with open(os.devnull, "wb") as null:
        start = time.perf_counter_ns()
        pid = os.posix_spawn(command[0], command, environment,
                             file_actions=[(os.POSIX_SPAWN_DUP2, null.fileno(), 1)])
        _, status = os.waitpid(pid, 0)
        elapsed = time.perf_counter_ns() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        raise SystemExit(f"{command[0]} failed with exit status {code}")
    return elapsed / 1e9


def peak_kilobytes(command, environment, folder):
    # GNU time forks a small process of its own: the peak is the program's.
    report = os.path.join(folder, "time-report")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, env=environment,
                   stdout=subprocess.DEVNULL, check=False)
    with open(report) as f:
        return int(f.read().split()[-1])


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--runs", type=int, default=50)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    diff = shutil.which("diff")
    if not os.path.exists(program) or diff is None or not os.path.exists("/usr/bin/time"):
        raise SystemExit("needs the program (./setup.sh --release), diff and GNU time (./setup.sh --bench)")
    with tempfile.TemporaryDirectory() as folder:
        left = os.path.join(folder, "a")
        right = os.path.join(folder, "b")
        with open(left, "w") as f:
            f.write("hello\n")
        with open(right, "w") as f:
            f.write("world\n")
        environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        environment["CORVATINE_CONFIG_DIR"] = os.path.join(folder, "config")
        ours_command = [program, left, right]
        peer_command = [diff, left, right]
        wall_seconds(ours_command, environment)
        wall_seconds(peer_command, environment)
        ours, peers = [], []
        for _ in range(args.runs):
            ours.append(wall_seconds(ours_command, environment))
            peers.append(wall_seconds(peer_command, environment))
        our_peak = max(peak_kilobytes(ours_command, environment, folder) for _ in range(5)) / 1024
        peer_peak = max(peak_kilobytes(peer_command, environment, folder) for _ in range(5)) / 1024
        our_time = statistics.median(ours)
        peer_time = statistics.median(peers)
        pairwise = statistics.median(o / p for o, p in zip(ours, peers))
        print(f"two one-line files, {args.runs} interleaved runs each ({program})")
        print(f"{'':10} {'corvatine':>10} {'diff':>9} {'ratio':>6} {'pairwise':>9} {'peak MB ours':>13} {'diff':>6}")
        print(f"{'median':10} {our_time * 1000:8.2f}ms {peer_time * 1000:7.2f}ms {our_time / peer_time:6.2f} "
              f"{pairwise:9.2f} {our_peak:13.1f} {peer_peak:6.1f}")


if __name__ == "__main__":
    main()

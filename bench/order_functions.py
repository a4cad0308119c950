#!/usr/bin/env python3
"""Writes src/app/hot-functions.txt: the functions that command-line
comparisons run, in the order the program's link lays them out at the front of
its code.

A run maps the pages of the program it executes, and the kernel maps a fault's
neighbours with it (64 KiB around each), so code spread over the whole program
makes nearly all of it resident. Laid out together, the functions of a
comparison take a few hundred kilobytes.

The script runs the program under callgrind (valgrind), which names every
function executed, on typical commands: unified output of a generated
20,000-line pair of source-like text, two one-line files, side-by-side output
of the pair, a binary comparison, and a folder comparison. Each function is written once, with the first command
that runs it (sorted by name within a command), together with the other names
of its code (a constructor's complete and base names share one body). A list from another
build or compiler still links; only the functions it no longer names go back
among the rest.

Usage: bench/order_functions.py [--program build-release/corvatine]
                                [--output src/app/hot-functions.txt]
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import tempfile


def write_inputs(folder):
    """Files the commands compare, generated each time."""
    paths = {}
    for name, text in (("one-a", "a\n"), ("one-b", "b\n")):
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "w") as f:
            f.write(text)
    # Source-like text whose braces, blank lines and returns repeat, so that
    # edits leave lines both sides share out of order, as real edits do, and
    # the difference search runs in full.
    rng = random.Random(20)
    blocks = [[f"int function_{i}(int a, int b)\n", "{\n", f"    int x = a + {rng.randrange(1000)};\n",
               "    if (x > b)\n", "        return x;\n", f"    return b - {rng.randrange(1000)};\n", "}\n", "\n"]
              for i in range(2500)]
    left = [line for block in blocks for line in block]
    for i in rng.sample(range(len(blocks)), 100):
        blocks[i] = blocks[i][:3] + blocks[i][4:6] + ["    x = b;\n"] + blocks[i][6:]
    for i in rng.sample(range(len(blocks)), 20):
        blocks[i] = blocks[rng.randrange(len(blocks))] + blocks[i]
    right = [line for block in blocks for line in block]
    for name, lines in (("left", left), ("right", right)):
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "w") as f:
            f.writelines(lines)
    for name, seed in (("bin-a", 1), ("bin-b", 2)):
        paths[name] = os.path.join(folder, name)
        data = bytearray(random.Random(1).randbytes(1 << 16))
        data[-100] = seed
        with open(paths[name], "wb") as f:
            f.write(data)
    for side in ("tree-a", "tree-b"):
        root = os.path.join(folder, side)
        paths[side] = root
        for d in range(4):
            os.makedirs(os.path.join(root, f"d{d}"))
            for n in range(5):
                with open(os.path.join(root, f"d{d}", f"f{n}.txt"), "w") as f:
                    f.write(f"{d} {n}\n" if side == "tree-a" or n else "changed\n")
    return paths


def executed_functions(program, arguments, environment, folder):
    """The symbols of the functions one command runs, as callgrind names them."""
    out = os.path.join(folder, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", "--demangle=no", f"--callgrind-out-file={out}",
                    program] + arguments, env=environment, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    names = {}
    order = []
    with open(out) as f:
        for line in f:
            m = re.match(r"c?fn=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
            if not m:
                continue
            if m.group(2):
                names[m.group(1)] = m.group(2)
            name = names.get(m.group(1))
            if name is not None:
                order.append(name)
    os.remove(out)
    return order


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--program", default=os.path.join(here, "..", "build-release", "corvatine"))
    parser.add_argument("--output", default=os.path.normpath(os.path.join(here, "..", "src", "app", "hot-functions.txt")))
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.path.exists(program) or shutil.which("valgrind") is None or shutil.which("nm") is None:
        raise SystemExit("needs the program (./setup.sh --release), valgrind and nm")

    # The program's own functions, and the names that share each one's code.
    by_address = {}
    address_of = {}
    listing = subprocess.run(["nm", "--defined-only", program], capture_output=True, text=True, check=True)
    for line in listing.stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "tTwW":
            address = int(parts[0], 16)
            by_address.setdefault(address, []).append(parts[2])
            address_of[parts[2]] = address

    with tempfile.TemporaryDirectory() as folder:
        paths = write_inputs(folder)
        environment = dict(os.environ, CORVATINE_CONFIG_DIR=os.path.join(folder, "config"))
        environment.pop("DISPLAY", None)
        environment.pop("WAYLAND_DISPLAY", None)
        # Unified output first: a run of it then touches one stretch of code.
        commands = [
            ["--format=unified", paths["left"], paths["right"]],
            [paths["one-a"], paths["one-b"]],
            [paths["left"], paths["right"]],
            ["-c", "/t:binary", paths["bin-a"], paths["bin-b"]],
            ["--format=brief", paths["tree-a"], paths["tree-b"]],
        ]
        # Every command runs once first, so that the commands are timed with
        # settings as a user's are: recent lists and comparisons filled in.
        for arguments in commands:
            subprocess.run([program] + arguments, env=environment, stdout=subprocess.DEVNULL, check=False)
        listed = []
        seen = set()
        for arguments in commands:
            # Sorted within a command, so that the list changes only where
            # the functions run do.
            new = set()
            for name in executed_functions(program, arguments, environment, folder):
                if name in address_of:
                    new.update(by_address[address_of[name]])
            listed += sorted(new - seen)
            seen |= new

    with open(args.output, "w") as f:
        f.write("# The functions command-line comparisons run, laid out first in the program's\n"
                "# code. Written by bench/order_functions.py; one symbol a line.\n")
        f.writelines(name + "\n" for name in listed)
    print(f"{len(listed)} functions written to {args.output}")


if __name__ == "__main__":
    main()

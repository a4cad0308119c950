#!/usr/bin/env python3
"""Makes the C++ keyword tables of the language parsers from their data files.

    MakeKeywordTables.py OUT_DIR keywords/LANGUAGE.txt...

writes OUT_DIR/KeywordTables.h (a function per set, declared in the namespace
corvatine::keywords) and OUT_DIR/KeywordTables.cpp (the sets). The format of
the data files is in keywords/README.md. Each set's words are sorted here as
CKeywordSet::Contains searches them, so the program need not sort them.
A file that breaks the format stops the build with its name, line and reason.
A file whose text would not change is not written again, so that the
parsers are not compiled again for nothing.
"""

import os
import re
import sys

CASE_RULES = {"case-sensitive": True, "case-insensitive": False}
SECTION = re.compile(r"^\[([A-Z][A-Za-z0-9]*)\]\s+(\S+)\s*$")
LANGUAGE = re.compile(r"^[a-z0-9]+(-[a-z0-9]+)*$")


class DataError(Exception):
    pass


def fold(word):
    # As Contains folds: ASCII capitals only.
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in word)


def read_language(path):
    """The sets of one file: a list of dicts with name, case, comment, words."""
    language = os.path.basename(path)[: -len(".txt")]
    if not path.endswith(".txt") or not LANGUAGE.match(language):
        raise DataError(f"{path}: the name is not a language in lower case with .txt")
    try:
        with open(path, encoding="ascii") as f:
            lines = f.read().split("\n")
    except UnicodeDecodeError as e:
        raise DataError(f"{path}: not ASCII (byte {e.start})")
    sets = []
    comment = []
    for number, line in enumerate(lines, 1):
        where = f"{path}:{number}"
        if line == "#" or line.startswith("# "):
            comment.append(line[2:])
            continue
        if not line.strip():
            comment = []
            continue
        if line.startswith("["):
            m = SECTION.match(line)
            if not m:
                raise DataError(f"{where}: a set starts with [Name] case-sensitive or [Name] case-insensitive")
            if m.group(2) not in CASE_RULES:
                raise DataError(f"{where}: '{m.group(2)}' is neither case-sensitive nor case-insensitive")
            sets.append(
                dict(language=language, name=m.group(1), line=number, case=CASE_RULES[m.group(2)],
                     comment=comment, words=[], keys={})
            )
            comment = []
            continue
        if not sets:
            raise DataError(f"{where}: a word before the first [Name] line")
        current = sets[-1]
        for word in line.split():
            if any(not "!" <= c <= "~" for c in word):
                raise DataError(f"{where}: {word!r} holds a control character")
            key = word if current["case"] else fold(word)
            if key in current["keys"]:
                first, spelling = current["keys"][key]
                raise DataError(f"{where}: '{word}' stands twice in {current['name']} (line {first}: '{spelling}')")
            current["keys"][key] = (number, word)
            current["words"].append(word)
        comment = []
    for s in sets:
        if not s["words"]:
            raise DataError(f"{path}:{s['line']}: {s['name']} has no words")
    if not sets:
        raise DataError(f"{path}: no set")
    return sets


def literal(word):
    return '"' + word.replace("\\", "\\\\").replace('"', '\\"') + '"'


def array(name, words):
    # One string of the words, each followed by a space: characters, which the
    # program's start leaves alone, where a table of pointers would be
    # relocated page by page at every start.
    lines = [f"constexpr char {name}[] ="]
    row = '    "'
    for w in words:
        item = literal(w)[1:-1] + " "
        if len(row) + len(item) > 110:
            lines.append(row + '"')
            row = '    "'
        row += item
    lines.append(row + '";')
    return lines


def write_if_changed(path, text):
    try:
        with open(path, encoding="ascii") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(path + ".tmp", "w", encoding="ascii") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def main(argv):
    if len(argv) < 3:
        print("usage: MakeKeywordTables.py OUT_DIR keywords/LANGUAGE.txt...", file=sys.stderr)
        return 2
    out_dir, paths = argv[1], sorted(argv[2:], key=os.path.basename)
    sets = []
    try:
        seen = {}
        for path in paths:
            for s in read_language(path):
                if s["name"] in seen:
                    raise DataError(f"{path}:{s['line']}: {s['name']} is also in {seen[s['name']]}")
                seen[s["name"]] = f"{path}:{s['line']}"
                sets.append(s)
    except DataError as e:
        print(f"MakeKeywordTables.py: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"MakeKeywordTables.py: {e.filename}: {e.strerror}", file=sys.stderr)
        return 1

    banner = "// Made by MakeKeywordTables.py from src/editor/keywords/*.txt: change those, not this."
    header = [banner, "#pragma once", "", '#include "editor/SyntaxParser.h"', "", "namespace corvatine::keywords {", ""]
    source = [banner, '#include "editor/SyntaxKeywords.h"', ""]
    source += ["namespace corvatine::keywords {", "", "namespace {", ""]
    functions = []
    for s in sets:
        rule = "case-sensitive" if s["case"] else "case-insensitive"
        header.append(f"// {s['language']}.txt: {len(s['words'])} words, {rule}.")
        header += [f"// {c}".rstrip() for c in s["comment"]]
        header += [f"const CKeywordSet& {s['name']}();", ""]
        # Lookup order: by key, in bytes; the words as written follow their keys.
        order = sorted(s["words"], key=lambda w: (w if s["case"] else fold(w)).encode("ascii"))
        words = f"k{s['name']}"
        source += array(words, order)
        keys = words
        if not s["case"]:
            keys = f"k{s['name']}Keys"
            source += array(keys, [fold(w) for w in order])
        functions += [
            f"const CKeywordSet& {s['name']}() {{",
            f"    static const CKeywordSet set({words}, {keys}, {'true' if s['case'] else 'false'});",
            "    return set;",
            "}",
            "",
        ]
    header += ["}  // namespace corvatine::keywords", ""]
    source += ["", "}  // namespace", ""] + functions
    source.append("constexpr KeywordTable kTables[] = {")
    source += [f'    {{"{s["language"]}", "{s["name"]}", {s["name"]}}},' for s in sets]
    source += ["};", "", "std::span<const KeywordTable> AllTables() { return kTables; }", ""]
    source += ["}  // namespace corvatine::keywords", ""]

    os.makedirs(out_dir, exist_ok=True)
    write_if_changed(os.path.join(out_dir, "KeywordTables.h"), "\n".join(header))
    write_if_changed(os.path.join(out_dir, "KeywordTables.cpp"), "\n".join(source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

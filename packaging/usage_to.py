#!/usr/bin/env python3
"""Makes the man page and the shell completions from the program's usage text.

    usage_to.py man|bash|zsh|options USAGE_FILE OUTPUT [VERSION]

USAGE_FILE holds what `corvatine --help` prints. The build runs this on every
change of the program, so an option added to the usage text shows up in the
man page and in both completions without anyone touching them. `options`
writes the completion words, one a line (for checking by hand).

The usage text is read as it is laid out: a "Usage:" line, a one-line summary,
paragraphs of prose, and option entries that start with two blanks and a dash,
their description from a fixed column on, continued on lines indented further.
"""

import re
import sys

# A value's name in capitals; not the letter of a one-letter option ("-B").
PLACEHOLDER = re.compile(r"(?<![-A-Za-z])[A-Z][A-Z0-9_]*")
# Placeholders whose value is a path: the completions offer files for them.
PATH_PLACEHOLDERS = {"FILE", "PATH", "TARGET", "DIR", "FOLDER"}


class Entry:
    """One option entry: its forms ("-t:KIND", "-type:KIND") and description lines."""

    def __init__(self, forms, lines):
        self.forms = forms
        self.lines = lines  # (indent, text)


def parse(text):
    """The usage text as (synopsis, summary, blocks): a block is ("prose", [lines]),
    ("heading", text) of a paragraph ending in ':' right above entries, or
    ("entry", Entry)."""
    lines = text.rstrip("\n").split("\n")
    if len(lines) < 2 or not lines[0].startswith("Usage: "):
        raise ValueError("the usage text does not start with a 'Usage:' line")
    synopsis = lines[0][len("Usage: "):]
    summary = lines[1]
    blocks = []
    paragraph = []
    entry = None

    def flush():
        nonlocal paragraph
        if paragraph:
            blocks.append(("prose", paragraph))
        paragraph = []

    for index, line in enumerate(lines[2:], start=2):
        if re.match(r"^  -\S", line):
            head = line.strip()
            description = ""
            split = re.search(r"\s{2,}", head)
            if split:
                head, description = head[: split.start()], head[split.end():]
            if paragraph and paragraph[-1].endswith(":"):
                # A paragraph that introduces the entries right below it.
                blocks.append(("heading", " ".join(paragraph)))
                paragraph = []
            flush()
            column = line.index(description) if description else None
            entry = Entry([form.strip() for form in head.split(", ")], [])
            if description:
                entry.lines.append((column, description))
            blocks.append(("entry", entry))
        elif line.startswith(" ") and entry is not None:
            entry.lines.append((len(line) - len(line.lstrip()), line.strip()))
        elif not line.strip():
            entry = None
            flush()
        else:
            if line.startswith(" "):
                raise ValueError(f"line {index + 1}: indented line outside an option entry")
            entry = None
            paragraph.append(line)
    flush()
    return synopsis, summary, blocks


def description_column(blocks):
    """The column where descriptions start: the one most entries use."""
    counts = {}
    for kind, value in blocks:
        if kind == "entry" and value.lines:
            counts[value.lines[0][0]] = counts.get(value.lines[0][0], 0) + 1
    return max(counts, key=counts.get) if counts else 0


def entries(blocks):
    return [value for kind, value in blocks if kind == "entry"]


# Completion words

def word_of(form):
    """What the user types before a form's value: "-t:" for "-t:KIND", "--format="
    for "--format=FORMAT", "-lf:re=" for "-lf:re=REGEXP", "-o:asf" for "-o:asf";
    and the value part ("KIND", "on|off", "" when none)."""
    # A one-letter option, of either case, with its value after a blank: "-U N".
    short = re.match(r"^(-[A-Za-z])(?: (.*))?$", form)
    if short:
        return short.group(1), short.group(2) or ""
    # A long option followed by an argument of its own, "--compare-to-chosen
    # PATH": the word alone; the argument completes as any path does.
    spaced = re.match(r"^(--[a-z][a-z0-9-]*) [A-Z][A-Z0-9_]*$", form)
    if spaced:
        return spaced.group(1), ""
    match = re.match(r"^(-[^A-Z\[]*?[:=]?)(?=[A-Z\[]|$)", form)
    word = match.group(1) if match else form
    value = form[len(word):]
    if "=" in word and re.search(r"=[a-z0-9]+(\|[a-z0-9]+)+$", word):
        # Literal alternatives: "--line-numbers=on|off".
        value = word[word.index("=") + 1:]
        word = word[: word.index("=") + 1]
    return word, value


def values_of(entry, value):
    """The values the completion offers after an entry's form: literal
    alternatives of the form, or the words of a description's clause (between
    ':' and ';') that is nothing but a list "a, b or c", parenthesised remarks
    left out."""
    if re.fullmatch(r"[a-z0-9-]+(\|[a-z0-9-]+)+", value):
        return value.split("|")
    if not value or not PLACEHOLDER.fullmatch(value):
        return []
    text = " ".join(line for _, line in entry.lines)
    while re.search(r"\([^()]*\)", text):
        text = re.sub(r"\([^()]*\)", "", text)
    text = re.sub(r"\s+,", ",", re.sub(r"\s+", " ", text))
    found = []
    word = r"[a-z0-9][a-z0-9-]*"
    for clause in re.split(r"[;:]", text):
        match = re.fullmatch(rf"\s*({word}(?:, {word})*),? or ({word})\s*", clause)
        if match:
            for item in match.group(1).split(", ") + [match.group(2)]:
                if item not in found:
                    found.append(item)
    return found


def completion_table(blocks):
    """Every completion word in the order of the usage text, and for each word
    that takes a value: "files" or the list of values."""
    words, kinds = [], {}
    for entry in entries(blocks):
        for form in entry.forms:
            word, value = word_of(form)
            if word not in words:
                words.append(word)
            base = value.split("[")[0]
            if base in PATH_PLACEHOLDERS:
                kinds[word] = "files"
            else:
                listed = values_of(entry, value)
                if listed and word not in kinds:
                    kinds[word] = listed
    return words, kinds


def bash_quote(word):
    return "'" + word.replace("'", "'\\''") + "'"


def make_bash(blocks):
    words, kinds = completion_table(blocks)
    out = [
        "# bash completion for corvatine, made from `corvatine --help` by usage_to.py.",
        "",
        "_corvatine_offer() {",
        "    # Offers each of the words after $1 that start with what is typed, as",
        "    # the part after bash's word break (it splits a word at '=' and ':').",
        "    local typed=$1 candidate",
        "    shift",
        "    for candidate in \"$@\"; do",
        "        [[ $candidate == \"$typed\"* ]] && COMPREPLY+=(\"${candidate#\"$_corvatine_head\"}\")",
        "    done",
        "}",
        "",
        "_corvatine_files() {",
        "    # Files and folders whose names start with $1, the part after the option $2.",
        "    local name full",
        "    compopt -o filenames 2>/dev/null",
        "    while IFS= read -r name; do",
        "        full=$2$name",
        "        COMPREPLY+=(\"${full#\"$_corvatine_head\"}\")",
        "    done < <(compgen -f -- \"$1\")",
        "}",
        "",
        "_corvatine() {",
        "    COMPREPLY=()",
        "    local line=${COMP_LINE:0:COMP_POINT}",
        "    local word=${line##*[[:space:]]}",
        "    local cur=${COMP_WORDS[COMP_CWORD]}",
        "    local _corvatine_head=''",
        "    [[ $word == *\"$cur\" ]] && _corvatine_head=${word%\"$cur\"}",
        "    local i",
        "    for ((i = 1; i < COMP_CWORD; i++)); do",
        "        # After '--' every word is a path.",
        "        if [[ ${COMP_WORDS[i]} == -- ]]; then",
        "            _corvatine_head=''",
        "            _corvatine_files \"$cur\" ''",
        "            return",
        "        fi",
        "    done",
        "    case $word in",
    ]
    for word in words:
        kind = kinds.get(word)
        if kind is None:
            continue
        pattern = bash_pattern(word) + "*"
        if kind == "files":
            out.append(f"        {pattern})")
            out.append(f"            _corvatine_files \"${{word#{bash_pattern(word)}}}\" {bash_quote(word)} ;;")
        else:
            candidates = " ".join(bash_quote(word + value) for value in kind)
            out.append(f"        {pattern})")
            out.append(f"            _corvatine_offer \"$word\" {candidates} ;;")
    out.append("        -*)")
    out.append("            _corvatine_offer \"$word\" \\")
    for word in words:
        out.append(f"                {bash_quote(word)} \\")
    out[-1] = out[-1][: -len(" \\")]
    out.append("            # A word that takes its value right after it gets no blank.")
    out.append("            [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *[=:] ]] && compopt -o nospace 2>/dev/null")
    out.append("            ;;")
    out.append("        *)")
    out.append("            _corvatine_files \"$word\" '' ;;")
    out.append("    esac")
    out.append("}")
    out.append("")
    out.append("complete -F _corvatine corvatine")
    return "\n".join(out) + "\n"


def bash_pattern(word):
    """The word as a literal for a case pattern or ${var#...}."""
    return "".join("\\" + c if not c.isalnum() and c not in "-_" else c for c in word)


def zsh_quote(word):
    return "'" + word.replace("'", "'\\''") + "'"


def make_zsh(blocks):
    words, kinds = completion_table(blocks)
    joined = [w for w in words if w.endswith(("=", ":"))]
    plain = [w for w in words if not w.endswith(("=", ":"))]
    out = [
        "#compdef corvatine",
        "# zsh completion for corvatine, made from `corvatine --help` by usage_to.py.",
        "",
        "# After '--' every word is a path.",
        "if (( ${words[(I)--]} > 1 && ${words[(I)--]} < CURRENT )); then",
        "    _files",
        "    return",
        "fi",
        "case $PREFIX in",
    ]
    for word in words:
        kind = kinds.get(word)
        if kind is None:
            continue
        out.append(f"    {bash_pattern(word)}*)")
        out.append(f"        compset -P {zsh_quote(bash_pattern(word))}")
        if kind == "files":
            out.append("        _files")
        else:
            out.append("        compadd -- " + " ".join(zsh_quote(v) for v in kind))
        out.append("        ;;")
    out.append("    -*)")
    out.append("        # A word that takes its value right after it gets no blank.")
    out.append("        compadd -S '' -- " + " ".join(zsh_quote(w) for w in joined))
    out.append("        compadd -- " + " ".join(zsh_quote(w) for w in plain))
    out.append("        ;;")
    out.append("    *)")
    out.append("        _files")
    out.append("        ;;")
    out.append("esac")
    return "\n".join(out) + "\n"


# Man page

def roff(text):
    """Text for roff: backslashes and dashes escaped, no request at a line start."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def roff_form(form):
    """An option form: the literal part bold, placeholders italic."""
    out = []
    position = 0
    for match in PLACEHOLDER.finditer(form):
        if match.start() > position:
            out.append("\\fB" + roff(form[position:match.start()]) + "\\fR")
        out.append("\\fI" + roff(match.group(0)) + "\\fR")
        position = match.end()
    if position < len(form):
        out.append("\\fB" + roff(form[position:]) + "\\fR")
    return "".join(out)


def roff_synopsis(synopsis):
    program, _, rest = synopsis.partition(" ")
    out = [".B " + program]
    if rest:
        out.append(re.sub(r"[A-Z][A-Z0-9_]*", lambda m: "\\fI" + m.group(0) + "\\fR", roff(rest)))
    return out


def make_man(synopsis, summary, blocks, version):
    column = description_column(blocks)
    name_line = summary.rstrip(".")
    name_line = name_line[:1].lower() + name_line[1:]
    out = [
        '.TH CORVATINE 1 "" "corvatine %s" "User Commands"' % version,
        # Option names and paths are neither hyphenated nor stretched.
        ".nh",
        ".ad l",
        ".SH NAME",
        "corvatine \\- " + roff(name_line),
        ".SH SYNOPSIS",
    ]
    out += roff_synopsis(synopsis)
    out.append(".SH DESCRIPTION")
    last_entry = max((i for i, (kind, _) in enumerate(blocks) if kind == "entry"), default=-1)
    first_entry = min((i for i, (kind, _) in enumerate(blocks) if kind == "entry"), default=len(blocks))
    for index, (kind, value) in enumerate(blocks):
        if index == first_entry or (index < first_entry and kind == "heading"):
            if not out[-1].startswith(".SH OPTIONS"):
                out.append(".SH OPTIONS")
        if index == last_entry + 1 and last_entry >= 0:
            out.append(".SH DETAILS")
        if kind == "prose":
            if value[0].startswith("Exit status:"):
                out.append('.SH "EXIT STATUS"')
                value = [value[0][len("Exit status:"):].strip()] + value[1:]
            else:
                out.append(".PP")
            out += [roff(line) for line in value if line]
        elif kind == "heading":
            out.append(".PP")
            out.append(roff(value))
        else:
            out.append(".TP")
            out.append(", ".join(roff_form(form) for form in value.forms))
            broken = False
            for indent, text in value.lines:
                if indent == column:
                    if broken:
                        out.append(".br")
                        broken = False
                    out.append(roff(text))
                else:
                    # Lists laid out in the usage text keep their lines and,
                    # below the description, their extra indentation.
                    out.append(".br")
                    out.append("\\ " * max(0, indent - column) + roff(text))
                    broken = True
    out += [
        '.SH "SEE ALSO"',
        ".BR diff (1),",
        ".BR cmp (1),",
        ".BR patch (1),",
        ".BR grep (1)",
    ]
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) not in (4, 5) or argv[1] not in ("man", "bash", "zsh", "options"):
        sys.stderr.write(__doc__)
        return 2
    mode, source, target = argv[1], argv[2], argv[3]
    version = argv[4] if len(argv) == 5 else ""
    try:
        with open(source, encoding="utf-8") as file:
            synopsis, summary, blocks = parse(file.read())
    except (OSError, ValueError) as error:
        sys.stderr.write(f"usage_to.py: {source}: {error}\n")
        return 2
    if not entries(blocks):
        sys.stderr.write(f"usage_to.py: {source}: no option entries found\n")
        return 2
    if mode == "man":
        text = make_man(synopsis, summary, blocks, version)
    elif mode == "bash":
        text = make_bash(blocks)
    elif mode == "zsh":
        text = make_zsh(blocks)
    else:
        text = "\n".join(completion_table(blocks)[0]) + "\n"
    try:
        with open(target, "w", encoding="utf-8") as file:
            file.write(text)
    except OSError as error:
        sys.stderr.write(f"usage_to.py: {target}: {error.strerror}\n")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

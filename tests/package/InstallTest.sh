#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that what the desktop
# entry, the file type, the man page and the completions name is there and
# works: the programs run from the prefix and find each other, the entry's
# Exec and Icon resolve, the file type matches the comparison files the
# program writes, the man page renders, and both completions offer every
# option of the usage text.
#
#   InstallTest.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CORVATINE_CONFIG_DIR=$work/config TZ=UTC
unset DISPLAY WAYLAND_DISPLAY
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Staged under DESTDIR, so that a rule with an absolute destination lands in
# the stage too, where it is found, instead of in the system.
stage=$work/stage
prefix=$stage$work/prefix
if ! DESTDIR=$stage cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi
share=$prefix/share
outside=$(find "$stage" \( -type f -o -type l \) ! -path "$prefix/*")
[ -z "$outside" ] && [ -d "$prefix" ] || fail "installed outside the prefix: ${outside//$stage/}"

# Every file in its place.
expected=(bin/corvatine share/applications/corvatine.desktop share/icons/hicolor/scalable/apps/corvatine.svg
          share/icons/hicolor/48x48/apps/corvatine.png share/icons/hicolor/128x128/apps/corvatine.png
          share/mime/packages/corvatine.xml share/man/man1/corvatine.1.gz
          share/bash-completion/completions/corvatine share/zsh/site-functions/_corvatine
          share/doc/corvatine/copyright share/doc/corvatine/changelog.gz)
# The window finds its guide in share/corvatine/guide beside its bin folder.
[ -x "$build/corvatine-gui" ] && expected+=(bin/corvatine-gui share/man/man1/corvatine-gui.1.gz
                                            share/corvatine/guide/index.html share/corvatine/guide/text-comparison.html)
for file in "${expected[@]}"; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done

# The PNG icons have the size their folder names (width and height in the
# IHDR chunk, bytes 17 to 24).
for size in 48 128; do
  png=$share/icons/hicolor/${size}x${size}/apps/corvatine.png
  [ -f "$png" ] || continue
  got=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$got" = "${size}x${size}" ] || fail "$png is $got, not ${size}x${size}"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/corvatine.svg" || fail "corvatine.svg holds no <svg>"

# The programs run from the prefix; the headless one never loads the toolkit.
if command -v readelf >/dev/null; then
  needed=$(readelf -d "$prefix/bin/corvatine" | grep NEEDED)
  [ -n "$needed" ] || fail "readelf lists no libraries of bin/corvatine"
  grep -qi qt <<<"$needed" && fail "bin/corvatine links the toolkit: $needed"
fi
program=$prefix/bin/corvatine
version=$("$program" --version 2>&1)
[[ $(head -n 1 <<<"$version") =~ ^corvatine\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "corvatine --version printed '$version'"
grep -q '^Licensed under the MIT licence' <<<"$version" || fail "corvatine --version names no licence"
printf 'one\ntwo\n' >"$work/a.txt"
printf 'one\nthree\n' >"$work/b.txt"
(cd "$work" && "$program" --no-gui --format=unified a.txt b.txt >"$work/diff.out" 2>&1)
status=$?
[ "$status" = 1 ] || fail "the installed program's comparison exited with $status, not 1"
grep -qx -- '+three' "$work/diff.out" || fail "the installed program's comparison printed: $(cat "$work/diff.out")"
# The context menu's registration finds the shell library as installed: by
# its soname in lib/.../corvatine, with no development link beside it.
library=$(find "$prefix" -name 'libcorvashell.so*' -type f | head -1)
if [ -n "$library" ]; then
  find "$prefix" -name libcorvashell.so | grep -q . && fail "the install has a libcorvashell.so development link"
  shell_env=(env XDG_DATA_HOME="$work/data" CORVATINE_CONFIG_DIR="$work/shell-config")
  "${shell_env[@]}" "$program" --integration-status >"$work/status.out" 2>&1
  grep -qx 'shell: installed, integrated: no' "$work/status.out" ||
    fail "--integration-status of the install: $(cat "$work/status.out")"
  "${shell_env[@]}" "$program" --integrate=shell >"$work/integrate.out" 2>&1
  status=$?
  [ "$status" = 0 ] || fail "--integrate=shell of the install exited $status: $(cat "$work/integrate.out")"
  "${shell_env[@]}" "$program" --integration-status >"$work/status.out" 2>&1
  grep -qx 'shell: installed, integrated: yes' "$work/status.out" ||
    fail "--integration-status after --integrate=shell: $(cat "$work/status.out")"
  grep -q "libcorvashell.so.0" "$work/shell-config/classes.reg" ||
    fail "the registration names no installed library: $(grep -A1 InprocServer32 "$work/shell-config/classes.reg")"
else
  fail "the install holds no libcorvashell.so.*"
fi
if [ -x "$prefix/bin/corvatine-gui" ]; then
  # The front end finds the window's program beside it: with a platform
  # plugin that does not exist the toolkit aborts, which proves the program
  # was found and started (a missing one is "cannot open the window"). No
  # core file is left of it.
  (ulimit -c 0; DISPLAY=:99 QT_QPA_PLATFORM=no-such-platform "$program" --gui "$work/a.txt" >"$work/gui.out" 2>&1)
  status=$?
  if [ "$status" != 2 ] || ! grep -q 'ended abnormally (signal 6)' "$work/gui.out"; then
    fail "the installed front end did not start the installed window (exit $status): $(cat "$work/gui.out")"
  fi
fi

# The desktop entry.
desktop=$share/applications/corvatine.desktop
if command -v desktop-file-validate >/dev/null; then
  # Hints are advice (Development and Utility are both main categories, as
  # wanted); errors and warnings fail.
  desktop-file-validate "$desktop" | grep -v ': hint: ' | grep . && fail "desktop-file-validate complains"
fi
entry() {
  awk -F= -v key="$1" '/^\[/ { group = $0 } group == "[Desktop Entry]" && $1 == key { sub(/^[^=]*=/, ""); print; exit }' "$desktop"
}
head -1 "$desktop" | grep -qx '\[Desktop Entry\]' || fail "the desktop file does not start with [Desktop Entry]"
[ "$(entry Type)" = Application ] || fail "Type is '$(entry Type)'"
[ -n "$(entry Name)" ] && [ -n "$(entry Comment)" ] || fail "Name or Comment is missing"
exec_line=$(entry Exec)
exec_program=${exec_line%% *}
[[ $exec_line == *' %F'* ]] || fail "Exec '$exec_line' does not take the files (%F)"
[ -x "$prefix/bin/$exec_program" ] || fail "Exec names '$exec_program', which is not in bin/"
icon=$(entry Icon)
ls "$share/icons/hicolor/"*/apps/"$icon".{png,svg} >/dev/null 2>&1 || fail "Icon '$icon' is not among the installed icons"
[ "$(entry Categories)" = 'Development;Utility;' ] || fail "Categories is '$(entry Categories)'"
mime_types=$(entry MimeType)
[[ ";$mime_types" == *';text/plain;'* ]] || fail "MimeType '$mime_types' lacks text/plain"

# The comparison file type: its name is one the desktop entry opens, its glob
# and root element are those of a comparison file the program writes.
mime_xml=$share/mime/packages/corvatine.xml
if command -v xmllint >/dev/null; then
  xmllint --noout "$mime_xml" || fail "corvatine.xml is not well-formed"
fi
comparison_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime_xml")
[ -n "$comparison_type" ] || fail "corvatine.xml defines no type"
[[ ";$mime_types" == *";$comparison_type;"* ]] || fail "MimeType '$mime_types' lacks $comparison_type"
glob=$(sed -n 's/.*<glob pattern="\([^"]*\)".*/\1/p' "$mime_xml")
root=$(sed -n 's/.*<root-XML namespaceURI="" localName="\([^"]*\)".*/\1/p' "$mime_xml")
saved=$work/saved${glob#\*}
(cd "$work" && "$program" --quiet --save-comparison="$saved" a.txt b.txt)
[ -s "$saved" ] || fail "the program wrote no comparison file as $saved"
saved_root=$(grep -o '<[A-Za-z][A-Za-z0-9]*' "$saved" | head -1)
[ "$saved_root" = "<$root" ] || fail "the comparison file's root is $saved_root>, the file type expects <$root>"
# A file the glob matches is one the program runs as a comparison file.
"$program" --no-gui "$saved" >"$work/saved.out" 2>&1
grep -q '^Comparison 1 of 1: a.txt : b.txt$' "$work/saved.out" ||
  fail "the program does not run $(basename "$saved") as a comparison file: $(head -3 "$work/saved.out")"
if command -v update-mime-database >/dev/null; then
  # The shared-mime-info database built from the file knows the type by its glob.
  update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database rejects corvatine.xml"
  awk -F: -v type="$comparison_type" -v glob="$glob" '$2 == type && $3 == glob { found = 1 } END { exit !found }' \
    "$share/mime/globs2" || fail "globs2 lacks $comparison_type for $glob"
fi

# The usage text of the installed program: every option form it lists, cut
# where its value begins ("-t:" of "-t:KIND", "--format=" of "--format=FORMAT",
# "--line-numbers=" of "--line-numbers=on|off", "-U" of "-U N", "--unified"
# of "--unified[=N]").
"$program" --help >"$work/usage.txt"
options=()
while IFS= read -r form; do
  word=$(sed -E 's/ .*$//; s/\[.*$//; s/^(-.*[:=])[A-Z].*$/\1/; s/^(--[a-z-]+=)[a-z0-9]+(\|[a-z0-9]+)+$/\1/' <<<"$form")
  options+=("$word")
done < <(grep -E '^  -[^ ]' "$work/usage.txt" | sed -E 's/^  //; s/ {2,}.*$//' | sed 's/, /\n/g')
[ "${#options[@]}" -gt 40 ] || fail "only ${#options[@]} options found in the usage text"

# The man page renders and names every option.
man_page=$share/man/man1/corvatine.1.gz
zcat "$man_page" >"$work/corvatine.1"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS'; do
  grep -q "^\.SH \"*$section\"*\$" "$work/corvatine.1" || fail "the man page has no $section section"
done
head -1 "$work/corvatine.1" | grep -q '^\.TH CORVATINE 1 ' || fail "the man page does not start with .TH CORVATINE 1"
if command -v groff >/dev/null; then
  groff -man -Tutf8 -ww "$work/corvatine.1" 2>"$work/groff.err" | sed 's/\x08.//g' >"$work/man.txt"
  [ -s "$work/groff.err" ] && fail "groff warns: $(cat "$work/groff.err")"
else
  # Without groff: the page's text with the escapes of dashes and backslashes undone.
  sed 's/\\-/-/g; s/\\e/\\/g; s/\\f[BIR]//g' "$work/corvatine.1" >"$work/man.txt"
fi
# Lines joined, and the renderer's Unicode dashes made ASCII again.
man_text=$(tr '\n' ' ' <"$work/man.txt" | sed 's/\xe2\x80\x90/-/g; s/\xe2\x88\x92/-/g')
for option in "${options[@]}"; do
  [[ $man_text == *"$option"* ]] || fail "the man page lacks $option"
done

# bash: an option typed but for its last character is completed to it. bash
# splits the word being completed at '=' and ':' (runs of them are words of
# their own) and replaces only the last part.
complete_bash() {  # LINE: prints the candidates, one a line
  bash -c '
    source "$1"
    COMP_LINE=$2 COMP_POINT=${#2}
    read -ra COMP_WORDS <<<"$(sed -E "s/([=:]+)/ \\1 /g" <<<"$2")"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _corvatine
    printf "%s\n" "${COMPREPLY[@]}"' complete "$share/bash-completion/completions/corvatine" "$1"
}
for option in "${options[@]}"; do
  typed=${option%?}
  if [[ $typed =~ ([=:]+)$ ]]; then cur=${BASH_REMATCH[1]}; else cur=${typed##*[=:]}; fi
  head=${typed%"$cur"}
  replies=$(complete_bash "corvatine $typed")
  grep -qxF -- "${option#"$head"}" <<<"$replies" || fail "bash completion of '$typed' lacks $option: $replies"
done
[ "$(complete_bash 'corvatine --format=u')" = unified ] || fail "bash: --format=u is not completed to unified"
[ "$(complete_bash 'corvatine --color=a' | tr '\n' ' ')" = 'auto always ' ] || fail "bash: --color=a"
mkdir -p "$work/files/sub dir"
touch "$work/files/report one.html" "$work/files/--forward.txt"
(cd "$work/files" && [ "$(complete_bash 'corvatine -- --for')" = --forward.txt ]) ||
  fail "bash: after -- the options are completed instead of paths"
(cd "$work/files" && [ "$(complete_bash 'corvatine --report=rep')" = 'report one.html' ]) ||
  fail "bash: --report=rep does not complete to the file"
(cd "$work/files" && [ "$(complete_bash 'corvatine a.txt sub')" = 'sub dir' ]) || fail "bash: paths are not completed"
(cd "$work/files" && [ "$(complete_bash 'corvatine --compare-to-chosen sub')" = 'sub dir' ]) ||
  fail "bash: the path after --compare-to-chosen is not completed"

# zsh: every option word is offered literally; with zsh there, the completion
# runs against stand-ins of compadd, compset and _files.
zsh_file=$share/zsh/site-functions/_corvatine
head -1 "$zsh_file" | grep -qx '#compdef corvatine' || fail "_corvatine does not start with #compdef corvatine"
for option in "${options[@]}"; do
  grep -qF -- "'$option'" "$zsh_file" || fail "the zsh completion lacks $option"
done
if command -v zsh >/dev/null; then
  zsh -n "$zsh_file" || fail "_corvatine is not valid zsh"
  complete_zsh() {  # PREFIX [WORDS...]
    zsh -f -c '
      compadd() {
        while [[ $1 == -* && $1 != -- ]]; do [[ $1 == -S ]] && shift; shift; done
        [[ $1 == -- ]] && shift
        local c; for c in "$@"; do [[ $c == "$PREFIX"* ]] && print -r -- "$IPREFIX$c"; done
      }
      compset() { local start=${2//\\/}; IPREFIX=$start; PREFIX=${PREFIX#$start} }
      _files() { print -r -- "FILES:$PREFIX" }
      PREFIX=$2; IPREFIX=""; words=("${@:3}" "$2"); CURRENT=${#words}
      source "$1"' complete "$zsh_file" "$@"
  }
  for option in "${options[@]}"; do
    complete_zsh "${option%?}" corvatine | grep -qxF -- "$option" || fail "zsh completion of '${option%?}' lacks $option"
  done
  [ "$(complete_zsh --format=u corvatine)" = --format=unified ] || fail "zsh: --format=u"
  [ "$(complete_zsh --report=x corvatine)" = FILES:x ] || fail "zsh: --report= does not complete files"
  [ "$(complete_zsh --format=u corvatine --)" = FILES:--format=u ] || fail "zsh: options completed after --"
  [ "$(complete_zsh sub corvatine)" = FILES:sub ] || fail "zsh: paths are not completed"
fi

# An option added to the usage text shows up in the man page and in both
# completions, since they are made from it.
generator=$source/packaging/usage_to.py
sed 's/^  --version /  --brand-new=FILE        a new option\n  --version /' "$work/usage.txt" >"$work/new-usage.txt"
for mode in man bash zsh; do
  python3 "$generator" "$mode" "$work/new-usage.txt" "$work/new.$mode" 9.9.9 || fail "usage_to.py $mode failed"
done
grep -qF -- '\-\-brand\-new=' "$work/new.man" || fail "the man page made from a new usage text lacks --brand-new"
grep -qF -- "--brand-new\\=*)" "$work/new.bash" || fail "the bash completion made from a new usage text lacks --brand-new"
grep -qF -- "'--brand-new='" "$work/new.zsh" || fail "the zsh completion made from a new usage text lacks --brand-new"
grep -q '^\.TH CORVATINE 1 "" "corvatine 9.9.9"' "$work/new.man" || fail "the man page does not carry the version"
printf 'no usage here\n' >"$work/bad-usage.txt"
python3 "$generator" man "$work/bad-usage.txt" "$work/bad.man" 2>"$work/bad.err"
status=$?
[ "$status" = 2 ] && grep -q "bad-usage.txt: the usage text does not start with a 'Usage:' line" "$work/bad.err" ||
  fail "usage_to.py took a text that is no usage text (exit $status): $(cat "$work/bad.err")"

[ "$failures" = 0 ] && echo "PASS: the installed files are complete and consistent"
[ "$failures" = 0 ]

#!/usr/bin/env bash
# The views under a real X server with a window manager, for a person to look
# at: zlib-like C with long lines, a README with mail addresses, and CJK,
# emoji and fallback characters, compared side by side in DejaVu Sans Mono at
# 12 px; a folder comparison and a binary one for their colours; keys typed
# through XTEST; screenshots of the whole screen.
# Not run by CI (which runs the window offscreen): run it by hand.
#
#   tests/ui/x11_screenshots.sh [BUILD_DIR] [OUT_DIR] [light|dark|adwaita] [default|desktop]
#
# The last word is the colour scheme chosen in the options (the screenshots'
# names carry it when it is "desktop").
#
# Needs xvfb, openbox, xdotool and imagemagick (apt-get install); "dark"
# and "adwaita" also qt6-gtk-platformtheme, and use GTK's Adwaita:dark and
# Adwaita. Fonts for CJK and
# emoji (fonts-wqy-microhei, fonts-noto-color-emoji) make those characters
# real glyphs instead of boxes.
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$build/x11-screenshots}")
theme=${3:-light}
scheme=${4:-default}
mkdir -p "$out"
for tool in Xvfb openbox xdotool import; do
  command -v "$tool" > /dev/null || { echo "x11_screenshots.sh: $tool is missing" >&2; exit 2; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# ---- The files ----
mkdir -p "$work/config" "$work/files"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Components\\TextEditor\\Settings]\n"Font"="DejaVu Sans Mono|12|400|0|0"\n' \
  > "$work/config/registry.reg"
if [ "$scheme" = desktop ]; then
  printf '\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n"ColorScheme"=dword:00000001\n' \
    >> "$work/config/registry.reg"
fi
c_file() {  # $1: version
  cat <<EOF
/* deflate.c -- compress data using the deflation algorithm
 * Copyright (C) 1995-$([ "$1" = 1.2.11 ] && echo 2017 || echo 2023) Jean-loup Gailly and Mark Adler
 */
#include "deflate.h"

const char deflate_copyright[] = " deflate $1 Copyright 1995-2023 Jean-loup Gailly and Mark Adler ";

local block_state deflate_stored(deflate_state *s, int flush) {
	/* Smallest worthy block size when not flushing or finishing. By default
	 * this is 32K. This can be as small as 507 bytes for memLevel == 1. */
	unsigned min_block = MIN(s->pending_buf_size - 5, s->w_size);
	unsigned len, left, have, last = 0;
	unsigned used = s->strm->avail_in;
	do {
		len = MAX_STORED;       /* maximum deflate stored block length */
		have = (s->bi_valid + 42) >> 3;         /* number of header bytes */
		if (s->strm->avail_out < have)          /* need room for header */
			break;
		have = s->strm->avail_out - have; left = s->strstart - s->block_start; if (len > (ulg)left + s->strm->avail_in) len = left + s->strm->avail_in; if (len > have) len = have;
		if (len < min_block && ((len == 0 && flush != Z_FINISH) || flush == Z_NO_FLUSH || len != left + s->strm->avail_in)) break; /* not enough room for a block */
	} while (last == 0);
	s->match_start = s->strstart - cur_match; s->prev_length = s->match_length; s->match_length = MIN_MATCH-1; scan_end = window[s->strstart+258]; /* $1 */
	return last ? finish_started : need_more;
}
EOF
}
c_file 1.2.11 > "$work/files/deflate-1.2.11.c"
c_file 1.3.1 > "$work/files/deflate-1.3.1.c"
readme() {  # $1: version
  cat <<EOF
ZLIB DATA COMPRESSION LIBRARY

zlib $1 is a general purpose data compression library.  All the code is thread safe.  The data format used by the zlib library is described by RFCs (Request for Comments) 1950 to 1952 in the files http://tools.ietf.org/html/rfc1950 (zlib format), rfc1951 (deflate format) and rfc1952 (gzip format).

A Perl interface to zlib and bzip2 written by Paul Marquess <pmqs@cpan.org>
is available in CPAN (Comprehensive Perl Archive Network) sites, including
http://search.cpan.org/~pmqs/IO-Compress-Zlib/ .

zlib was written by Jean-loup Gailly <jloup@gzip.org> and Mark Adler <madler@alumni.caltech.edu>$([ "$1" = 1.3.1 ] && echo ' — see the web page').
The package is version $1; the tarball is zlib-$1.tar.gz (packag(e) name).
EOF
}
readme 1.2.11 > "$work/files/README-1.2.11"
readme 1.3.1 > "$work/files/README-1.3.1"
# Two trees: equal, different, one-sided and newer files, a subfolder.
mkdir -p "$work/files/tree-a/src" "$work/files/tree-b/src" "$work/files/tree-a/docs" "$work/files/tree-b/tests"
cp "$work/files/deflate-1.2.11.c" "$work/files/tree-a/src/deflate.c"
cp "$work/files/deflate-1.3.1.c" "$work/files/tree-b/src/deflate.c"
for tree in tree-a tree-b; do
  printf 'same\n' > "$work/files/$tree/src/zutil.c"
  printf 'same\n' > "$work/files/$tree/Makefile"
done
cp "$work/files/README-1.2.11" "$work/files/tree-a/README"
cp "$work/files/README-1.3.1" "$work/files/tree-b/README"
printf 'only left\n' > "$work/files/tree-a/docs/algorithm.txt"
printf 'only right\n' > "$work/files/tree-b/tests/example.c"
printf 'old\n' > "$work/files/tree-a/ChangeLog"
printf 'new\n' > "$work/files/tree-b/ChangeLog"
touch -d '2017-01-15 12:00' "$work/files/tree-a/ChangeLog"
touch -d '2024-01-22 12:00' "$work/files/tree-b/ChangeLog"
# Two binaries: bytes changed, and bytes left out of the right one.
head -c 2048 /dev/urandom > "$work/files/left.bin"
{ head -c 64 "$work/files/left.bin"; printf 'CHANGED!'; tail -c +73 "$work/files/left.bin" | head -c 1000
  tail -c +1089 "$work/files/left.bin"; } > "$work/files/right.bin"
printf 'plain ASCII line\n日本語のテキスト — 😀 emoji ✓ café � end\ttab\t|\n中文字符 and 한국어 mixed with 1.2.11\n' > "$work/files/wide-left.txt"
# Two trees: equal, different, one-sided and newer files, a subfolder.
mkdir -p "$work/files/tree-a/src" "$work/files/tree-b/src" "$work/files/tree-a/docs" "$work/files/tree-b/tests"
cp "$work/files/deflate-1.2.11.c" "$work/files/tree-a/src/deflate.c"
cp "$work/files/deflate-1.3.1.c" "$work/files/tree-b/src/deflate.c"
for tree in tree-a tree-b; do
  printf 'same\n' > "$work/files/$tree/src/zutil.c"
  printf 'same\n' > "$work/files/$tree/Makefile"
done
cp "$work/files/README-1.2.11" "$work/files/tree-a/README"
cp "$work/files/README-1.3.1" "$work/files/tree-b/README"
printf 'only left\n' > "$work/files/tree-a/docs/algorithm.txt"
printf 'only right\n' > "$work/files/tree-b/tests/example.c"
printf 'old\n' > "$work/files/tree-a/ChangeLog"
printf 'new\n' > "$work/files/tree-b/ChangeLog"
touch -d '2017-01-15 12:00' "$work/files/tree-a/ChangeLog"
touch -d '2024-01-22 12:00' "$work/files/tree-b/ChangeLog"
# Two binaries: bytes changed, and bytes left out of the right one.
head -c 2048 /dev/urandom > "$work/files/left.bin"
{ head -c 64 "$work/files/left.bin"; printf 'CHANGED!'; tail -c +73 "$work/files/left.bin" | head -c 1000
  tail -c +1089 "$work/files/left.bin"; } > "$work/files/right.bin"
printf 'plain ASCII line\n日本語のテキスト — 😃 emoji ✓ cafe � end\ttab\t|\n中文字符 and 한국어 mixed with 1.3.1\n' > "$work/files/wide-right.txt"

# ---- The X server and the window manager ----
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break || sleep 0.1; done
openbox > "$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

export CORVATINE_CONFIG_DIR=$work/config TZ=UTC
if [ "$theme" = dark ]; then export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark; fi
if [ "$theme" = adwaita ]; then export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita; fi

prefix=$theme
if [ "$scheme" = desktop ]; then prefix=$theme-desktop; fi
shot() { import -window root "$out/$prefix-$1.png"; echo "$out/$prefix-$1.png"; }
keys() { xdotool key --delay 60 "$@"; sleep 0.4; }

# Opens a comparison (arguments of the command line), focuses its window and
# waits for the first screen.
open_pair() {
  "$build/corvatine" --gui "$@" > "$work/corvatine.log" 2>&1 &
  app=$!
  pids+=("$app")
  window=$(xdotool search --sync --onlyvisible --name "Corvatine" | head -1)
  xdotool windowsize "$window" 1560 960 windowmove "$window" 20 10
  xdotool windowactivate --sync "$window" windowfocus --sync "$window" || true
  sleep 1.5
}
close_app() { kill "$app" 2> /dev/null || true; wait "$app" 2> /dev/null || true; sleep 0.5; }
go_to_line() { keys ctrl+g; xdotool type --delay 40 "$1"; keys Return; }

open_pair "$work/files/deflate-1.2.11.c" "$work/files/deflate-1.3.1.c"
shot deflate-open
go_to_line 22
keys End
xdotool type --delay 60 '!x'
sleep 0.4
shot deflate-end-typed
keys Home
keys alt+v p  # View > Word Wrap
shot deflate-wrapped
keys alt+v p alt+v h  # View > Show White Space
shot deflate-white-space
keys alt+v h
close_app

open_pair "$work/files/README-1.2.11" "$work/files/README-1.3.1"
shot readme
go_to_line 3
keys End shift+Home
shot readme-selected
close_app

open_pair "$work/files/wide-left.txt" "$work/files/wide-right.txt"
go_to_line 2
keys End Left Left Left Left shift+Left shift+Left
shot wide
close_app

open_pair "$work/files/tree-a" "$work/files/tree-b"
sleep 1
shot folders
close_app

open_pair -t:b "$work/files/left.bin" "$work/files/right.bin"
sleep 1
shot binary
close_app

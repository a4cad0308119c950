#!/usr/bin/env bash
# The command-line program makes no C++ stream: the first stream a process
# makes sets up the C++ library's whole locale, half a megabyte and some 40 µs
# of every run. Its text goes through platform::COutput. The window (src/ui)
# and the shell extension, which runs inside file managers, may use streams.
set -u
cd "$1/src" || exit 2
found=$(grep -rnE 'std::(cout|cerr|clog|cin|wcout|wcerr|[io]?stringstream|[io]?fstream|regex|locale)\b|#include <(iostream|sstream|fstream|regex|locale)>' \
  --include='*.cpp' --include='*.h' . | grep -vE '^\./(ui|shellext)/')
if [ -n "$found" ]; then
  echo "streams in the command-line program's code:"
  echo "$found"
  exit 1
fi

#!/usr/bin/env bash
# The functions of src/app/hot-functions.txt lie together at the front of the
# program's code, in its .text.hot section: main, and the listed functions the
# program has, but for a few the compiler of this build judged unlikely to run
# (it puts those among the cold code); and the program still has most of the
# listed functions (a list gone stale after renames is written again with
# bench/order_functions.py).
set -u
program=$1
list=$2

read -r start size < <(readelf -SW "$program" |
  awk '$2 == ".text.hot" { print $4, $6 }')
if [ -z "${start:-}" ]; then
  echo "$program has no .text.hot section"
  exit 1
fi

nm --defined-only "$program" | awk -v start="0x$start" -v size="0x$size" '
  function number(hex,   n, i, c) {
    n = 0
    hex = tolower(hex)
    sub(/^0x/, "", hex)
    for (i = 1; i <= length(hex); i++) {
      c = index("0123456789abcdef", substr(hex, i, 1)) - 1
      n = n * 16 + c
    }
    return n
  }
  BEGIN { first = number(start); last = first + number(size) }
  FNR == NR {
    if ($0 !~ /^#/ && $0 != "") { listed[$0] = 1; count++ }
    next
  }
  $2 ~ /^[tTwW]$/ {
    at = number($1)
    inside = at >= first && at < last
    if ($3 == "main") main_inside = inside
    if ($3 in listed) {
      found++
      if (!inside) { away = away "\n  " $3; outside++ }
      delete listed[$3]
    }
  }
  END {
    if (!main_inside) { print "main is not in .text.hot"; exit 1 }
    if (outside * 20 > found) {
      printf "%d of the %d listed functions the program has are outside .text.hot:%s\n", outside, found, away
      exit 1
    }
    if (found * 2 < count) {
      printf "the program has only %d of the %d listed functions: ", found, count
      print "write the list again with bench/order_functions.py"
      exit 1
    }
  }' "$list" -

#!/bin/sh
# Counts the non-blank source lines of the tree (the files git tracks or would track), split into
# tests (tests/ and fuzz/) and the rest, and prints the tests' share of all.
#   tools/line-count.sh [-v]      (-v: also the count of each folder)
# C++ is every .cpp, .h and .inc (the table headers generated from sound/tables/ included: they are
# source the build compiles); scripts are .sh, .py, CMakeLists.txt, .cmake and the web page's .js
# and .html. The goal is a tests' share of all of them at or under a third.
set -eu
cd "$(dirname "$0")/.."
verbose=${1:-}

git ls-files --cached --others --exclude-standard | while IFS= read -r f; do
  [ -f "$f" ] || continue
  case $f in
    *.cpp|*.h|*.inc) kind=cpp ;;
    *.sh|*.py|*/CMakeLists.txt|CMakeLists.txt|*.cmake|*.js|*.html) kind=script ;;
    *) continue ;;
  esac
  case $f in tests/*|fuzz/*) side=tests ;; *) side=rest ;; esac
  n=$(grep -cv '^[[:space:]]*$' "$f" || true)
  echo "$kind $side ${f%/*} $n"
done | awk -v verbose="$verbose" '
  { lines[$1 " " $2] += $4; folder[$3] += $4 }
  END {
    if (verbose == "-v") for (d in folder) printf "%7d  %s\n", folder[d], d | "sort -k2"
    close("sort -k2")
    printf "%-8s %8s %8s %8s %7s\n", "", "tests", "rest", "all", "tests%"
    split("cpp script", kinds, " ")
    for (i = 1; i <= 2; i++) {
      k = kinds[i]; t = lines[k " tests"]; r = lines[k " rest"]
      printf "%-8s %8d %8d %8d %6.1f%%\n", (k == "cpp" ? "C++" : "scripts"), t, r, t + r, t + r ? 100 * t / (t + r) : 0
      tt += t; rr += r
    }
    printf "%-8s %8d %8d %8d %6.1f%%\n", "both", tt, rr, tt + rr, tt + rr ? 100 * tt / (tt + rr) : 0
  }'

#!/usr/bin/env bash
# Checks that the folders form layers and that no #include points up:
#   platform < midas < reader < sound < runtime < demo < tools, tests, bench, fuzz
# A file may include its own folder and any folder below it. Prints each include that points up.
# Usage: tools/check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
declare -A rank=([platform]=0 [midas]=1 [reader]=2 [sound]=3 [runtime]=4 [demo]=5
                 [tools]=6 [tests]=6 [bench]=6 [fuzz]=6)
bad=0
for dir in "${!rank[@]}"; do
  while IFS=: read -r file line text; do
    [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z0-9_]+)/ ]] || continue
    target=${BASH_REMATCH[1]}   # matched in the shell: a process per line made the check slow
    [[ -n "${rank[$target]:-}" ]] || continue          # a path inside the folder (tests/support/...)
    if (( rank[$target] > rank[$dir] )); then
      echo "$file:$line: $dir/ includes $target/, which lies above it"
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z0-9_]+/' "$dir" \
             --include='*.cpp' --include='*.h' --include='*.inc' || true)
done
if (( bad )); then exit 1; fi
echo "check-layers: no include points up"

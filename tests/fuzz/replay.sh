#!/bin/sh
# Runs a fuzz target once on every file of the given folders (its seed
# corpus and its saved crash inputs), without fuzzing: any crash, sanitizer
# report or broken check fails.   replay.sh TARGET FOLDER...
target=$1
shift
files=$(for folder in "$@"; do [ -d "$folder" ] && find "$folder" -type f ! -name README.md; done | sort)
[ -n "$files" ] || { echo "no inputs for $target"; exit 1; }
# shellcheck disable=SC2086
report=$("$target" $files 2>&1 >/dev/null)
status=$?
count=$(echo "$files" | wc -l)
if [ $status -ne 0 ]; then
  echo "$report" | tail -40
  echo "$(basename "$target"): an input failed (of $count)"
  exit 1
fi
echo "$(basename "$target"): $count inputs replayed"

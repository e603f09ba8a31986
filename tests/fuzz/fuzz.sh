#!/usr/bin/env bash
# Fuzzes each target for FUZZ_SECONDS seconds (60 unless set), starting from
# its seed corpus in tests/fuzz/corpus/ and from what earlier runs found
# (build/fuzz/work/), and prints what each run did: executions, coverage
# (libFuzzer's cov: edges, ft: features) and the crash inputs it left in
# build/fuzz/crashes/<target>/. Fails when any target crashed.
set -u
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-60}
out=build/fuzz
# target and the longest input worth trying (the targets of targets.cmake)
targets="bmp_headers:4096 bmp_rle:4096 entry_record:172 formula:2048 formula_differential:256 csv_table:4096"
rows=()
failed=0
for entry in $targets; do
  target=${entry%%:*}
  corpus=$out/work/$target
  crashes=$out/crashes/$target
  log=$out/logs/$target.log
  mkdir -p "$corpus" "$crashes" "$out/logs"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/
  dict=()
  [ -f tests/fuzz/"$target".dict ] && dict=(-dict=tests/fuzz/"$target".dict)
  before=$(find "$crashes" -type f | wc -l)
  echo "fuzzing $target for $seconds s"
  "$out/${target}_fuzz" "$corpus" "${dict[@]}" -max_total_time="$seconds" -max_len="${entry##*:}" -timeout=10 \
    -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  found=$(( $(find "$crashes" -type f | wc -l) - before ))
  if [ $status -ne 0 ]; then
    failed=1
    grep -E '^(==[0-9]+==ERROR|SUMMARY|broken:|.*runtime error)' "$log" | head -5
  fi
  rows+=("$(printf '%-22s %12s  %-18s %s' "$target" "${runs:-?}" "${coverage:-?}" "$found new crash input(s)")")
done
echo
printf '%-22s %12s  %-18s %s\n' target executions coverage crashes
printf '%s\n' "${rows[@]}"
echo "logs in $out/logs/, crash inputs in $out/crashes/"
exit $failed

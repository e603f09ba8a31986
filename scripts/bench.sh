#!/usr/bin/env bash
# Benchmarks of the form image under Wine: loads against the floor of one
# ReadFile, and repaints of a 1600x1000 client area at half and full size.
set -eu
cd "$(dirname "$0")/.."
. scripts/e2e-env.sh
e2e_setup
trap e2e_teardown EXIT
mkdir -p build/bench
forms=()
for d in bmpmono:1 bmpgray:8 bmp16m:24; do
  out=build/bench/form-${d##*:}bit.bmp
  [ -f "$out" ] || gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=${d%%:*} -r300 -sOutputFile="$out" samples/sample-form.ps
  forms+=("$(winepath -w "$out")")
done
cd build/bench
# A desktop larger than the screen used in tests, so the client area is 1600x1000.
wine explorer /desktop=bench,1700x1100 ../tests/bench.exe "${forms[@]}"

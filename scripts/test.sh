#!/usr/bin/env bash
# Runs every test: the unit tests under Wine through ctest, then the
# end-to-end scenarios that drive the real program. Ends with one line
# "N passed, M failed" counting both.
set -u
cd "$(dirname "$0")/.."
. scripts/e2e-env.sh
. scripts/cups-env.sh
# The printer must be there before Wine starts, so every Wine process sees it.
cups_start || true
e2e_setup || { cups_stop; echo "0 passed, 1 failed"; exit 1; }
trap 'e2e_teardown; cups_stop' EXIT

mkdir -p build/logs
# A test that fails runs once more: Wine itself sometimes crashes a process
# as it exits; a real fault fails both times.
ctest --test-dir build -j2 --timeout 120 --output-on-failure --repeat until-pass:2 2>&1 | tee build/logs/unit.log
unit_total=$(sed -n 's/.* tests\? failed out of \([0-9]\+\).*/\1/p' build/logs/unit.log | tail -1)
unit_failed=$(sed -n 's/.* \([0-9]\+\) tests\? failed out of .*/\1/p' build/logs/unit.log | tail -1)
if [ -z "$unit_total" ]; then unit_total=1; unit_failed=1; fi

/usr/bin/python3 tests/e2e/run.py "$@" 2>&1 | tee build/logs/e2e.log
e2e_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/logs/e2e.log | tail -1)
e2e_passed=${e2e_line%% passed*}
e2e_failed=$(echo "$e2e_line" | sed -n 's/.*passed, \([0-9]\+\) failed.*/\1/p')
if [ -z "$e2e_line" ]; then e2e_passed=0; e2e_failed=1; fi

passed=$(( unit_total - unit_failed + e2e_passed ))
failed=$(( unit_failed + e2e_failed ))
echo
echo "unit: $((unit_total - unit_failed)) passed, $unit_failed failed; end-to-end: $e2e_passed passed, $e2e_failed failed"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

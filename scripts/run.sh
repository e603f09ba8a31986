#!/usr/bin/env bash
# Starts Scrivelander under Wine with the filled-in sample form. With an X
# display it starts the program in the sample form's folder, on a Wine
# desktop that fits the screen, and waits for it to end; a conversion runs
# the Linux gs through the bridge put into the prefix. Without a display it
# starts a virtual one, opens the sample form, writes a screenshot and
# prints its path.
set -eu
cd "$(dirname "$0")/.."
sample_dir=build/sample
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  . scripts/e2e-env.sh
  e2e_prefix_ensure
  scrivelander_prefix_ghostscript build/gs-bridge
  desktop=$(e2e_fitting_desktop)
  cd "$sample_dir"
  scrivelander_run_quietly wine explorer /desktop=Scrivelander,"$desktop" ../Scrivelander.exe sample-form.bmp
  exit
fi
exec /usr/bin/python3 tests/e2e/show_sample.py "$sample_dir/sample-form.bmp" build/screenshot.png

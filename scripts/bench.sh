#!/usr/bin/env bash
# Benchmarks of the form image under Wine, one process a form: the bundled
# sample form rendered at 150, 300 and 600 dpi in 1, 8 and 24 bits, and a
# 24-bit form of the largest size accepted (512 MB of pixels, a sparse file).
# The client area is 1600x1000. Medians in milliseconds; ratios are taken
# within one run. The machine may be shared: the load average is printed
# first, and figures are only worth comparing when it was low.
set -eu
cd "$(dirname "$0")/.."
# Before anything of the bench's own runs (which adds about 1 to it).
echo "load average at start: $(cat /proc/loadavg)"
. scripts/e2e-env.sh
e2e_setup
trap e2e_teardown EXIT
mkdir -p build/bench
forms=()
for dpi in 150 300 600; do
  for d in bmpmono:1 bmpgray:8 bmp16m:24; do
    out=build/bench/${dpi}dpi-${d##*:}bit.bmp
    [ -f "$out" ] || gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=${d%%:*} -r$dpi -sOutputFile="$out" samples/sample-form.ps
    forms+=("$(winepath -w "$out")")
  done
done
largest=build/bench/largest-24bit.bmp
[ -f "$largest" ] || python3 -c 'import sys; sys.path.insert(0, "tests/e2e"); import bmpfiles
bmpfiles.write_sparse(sys.argv[1], *bmpfiles.headers(13376, 13376, 24))' "$largest"
largest=$(winepath -w "$largest")

cd build/bench
# A desktop larger than the screen used in tests, so the client area is 1600x1000.
run() { wine explorer /desktop=bench,1700x1100 ../tests/bench.exe "$@" | tr -d '\r'; }
: > results.txt
for f in "${forms[@]}"; do run "$f" >> results.txt; done
run --largest "$largest" >> results.txt
echo "load average at the end: $(cat /proc/loadavg)"

cat <<'EOF'

Editing at half size. load: the bare reload of the form (no entries, window hidden);
floor: one ReadFile of the file. place: a plain entry stored, drawn and shown. formula:
an entry "#9=5" stored, the form reloaded and shown; goal <= limit = 1.3 x load + 16.
Reloads with 200 entries (window hidden), x the bare load, goal <= 1.3 at 300 and 600 dpi:
200pl the same plain entries again; 1moved one of them moved before each reload (what
deleting, moving or undoing one entry costs); 200fo 200 chained formulas.
EOF
printf '\n%-15s %7s %7s %7s %7s %7s %7s %7s %5s %7s %5s %7s %5s\n' \
  form pixMB load floor place formula limit 200pl x 1moved x 200fo x
grep '^T1 ' results.txt | cut -c4-

cat <<'EOF'

The half-size view of a 1600x1000 client area, and memory. h.even, h.odd: a repaint at
offsets (400,600) and (401,601), the picture unchanged; goal <= 8. scroll: repaints
stepping 110 image pixels down the whole form at both parities (median, worst; the last
step stops at the key limit, which may change the parity). changed: the first repaint
after the whole picture changed (as after a reload, or at the other parity). full: a repaint at
full size. peak: the process's peak working set with the form open and scrolled over at
both parities, x the pixel bytes; goal for 600 dpi 24-bit <= limit = 1.3 x pixels + 40 MB.
start: the working set before the form was opened.
EOF
printf '\n%-15s %7s %7s %7s %7s %7s %7s %7s %5s %7s %7s\n' \
  form h.even h.odd scr.med scr.max changed full peakMB x limit startMB
grep '^T2 ' results.txt | cut -c4-

cat <<'EOF'

The two ways of making the half-size view, measured on each form with the program's own
averaging. visible: the part in view (3200x2000 image pixels) averaged and shown at every
repaint, at even and odd offsets. whole: one kept half-size picture made whole (after
every reload, and at the other parity), its size, and bringing it up to date under one
drawn entry (600x60 image pixels).
EOF
printf '\n%-15s %7s %7s %7s %7s %7s\n' form vis.even vis.odd whole wholeMB entry
grep '^T3 ' results.txt | cut -c4-

cat <<'EOF'

Finding the fields of each form, as every open of a form or page does, against the bare
load. open: what the open spends on it (starting the search, which reads the form's file on
a thread of its own while the form shows; x: that over the load, goal well under 1); find:
the whole search on that thread, until Tab has the fields.
fields: how many were found. workMB: the most the finder held at once, and bits: that as
bits per pixel of the page (goal: about 1, the ink mask, plus the list of fields). Tab: the
next field's entry box opened with the view scrolled to it, at full size, and
drawn (median and worst over every field twice); goal <= 16 at 600 dpi.
EOF
printf '\n%-15s %7s %7s %7s %7s %5s %6s %8s %5s %7s %7s\n' form pixMB load open find x fields workMB bits tab.med tab.max
grep '^T5 ' results.txt | cut -c4-

cat <<'EOF'

The largest form: opened, scrolled over at half size at both parities (median and worst
repaint), an entry placed, the peak working set, and any allocation failure.
EOF
printf '\n%-15s %7s %8s %7s %7s %7s %7s %7s %7s %5s %s\n' form pixMB open ev.med ev.max odd.med odd.max place peakMB x failure
grep '^T4 ' results.txt | cut -c4-
grep '^M ' results.txt || true

cat <<'EOF'

Save as PDF, one page. save: the form with 20 entries saved (median ms), goal < 500 at
300 dpi and < 2000 at 600 dpi 24-bit; bareKB: the saved page without entries, goal for
300 dpi 1-bit < 150 KB.
EOF
printf '\n%-15s %7s %8s %8s\n' form pixMB save bareKB
grep '^T6 ' results.txt | cut -c4-

# shellcheck shell=bash
# The print path of the tests: a CUPS scheduler with a queue that writes
# PDFs, as the default printer. Source it, then:
#   cups_start   start cupsd unless one runs, add the queues, make the first default,
#                and wait until it takes jobs
#   cups_stop    stop the cupsd that cups_start started (nothing else)
CUPS_QUEUE=ScrivelanderPDF
CUPS_PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# A second PDF queue with an unprintable margin (18 points left, 12 above),
# as real printers have; tests/e2e/printing.py adds it the same way.
CUPS_MARGINS_QUEUE=ScrivelanderMargins
_cups_pid=

cups_start() {
  if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    cupsd -f >/dev/null 2>&1 &
    _cups_pid=$!
    for _ in $(seq 1 100); do
      lpstat -r 2>/dev/null | grep -q "is running" && break
      sleep 0.1
    done
  fi
  lpstat -p "$CUPS_QUEUE" >/dev/null 2>&1 ||
    lpadmin -p "$CUPS_QUEUE" -v cups-pdf:/ -P "$CUPS_PPD" -E >/dev/null 2>&1
  if ! lpstat -p "$CUPS_MARGINS_QUEUE" >/dev/null 2>&1; then
    _cups_margins_ppd=$(mktemp --suffix=.ppd)
    sed -e 's|^\*ImageableArea A4/A4: "0 0 595 842"|*ImageableArea A4/A4: "18 18 577 830"|' \
        -e 's|^\*HWMargins: 0 0 0 0|*HWMargins: 18 18 18 12|' "$CUPS_PPD" >"$_cups_margins_ppd"
    lpadmin -p "$CUPS_MARGINS_QUEUE" -v cups-pdf:/ -P "$_cups_margins_ppd" -E >/dev/null 2>&1
    rm -f "$_cups_margins_ppd"
  fi
  lpadmin -d "$CUPS_QUEUE" >/dev/null 2>&1
  cupsenable "$CUPS_QUEUE" >/dev/null 2>&1 || true
  cupsaccept "$CUPS_QUEUE" >/dev/null 2>&1 || true
  for _ in $(seq 1 100); do
    lpstat -p "$CUPS_QUEUE" 2>/dev/null | grep -q "enabled" && return 0
    sleep 0.1
  done
  echo "cups-env: the print queue did not come up" >&2
  return 1
}

cups_stop() {
  if [ -n "$_cups_pid" ]; then
    kill "$_cups_pid" 2>/dev/null
    wait "$_cups_pid" 2>/dev/null
    _cups_pid=
  fi
  return 0
}

# shellcheck shell=bash
# Environment for running Scrivelander under Wine, by hand (`make run`) or in
# the end-to-end tests (`make test`, tests/e2e/run.py).
#
# Source it:   . scripts/e2e-env.sh
# It exports WINEPREFIX (build/wineprefix, a 32-bit prefix), WINEARCH,
# WINEDEBUG and WINEDLLOVERRIDES, and defines:
#
#   e2e_setup          all of the below, in order (what most callers want)
#   e2e_xvfb_start     make sure DISPLAY names a reachable X server; start a
#                      private Xvfb (1600x1000x24) if it does not
#   e2e_prefix_ensure  create and configure the prefix if it is missing or
#                      was never finished (virtual desktop 1600x1000, no crash
#                      dialog, and the fonts of scripts/wine-prefix.sh); fast
#                      (a file test) when it is ready
#   e2e_wineserver_start  keep one persistent wineserver for the prefix
#   e2e_teardown       stop the wineserver and the Xvfb started here (only
#                      what this shell started)
#   e2e_fitting_desktop  print the virtual desktop size for `make run` on
#                      the display: E2E_DESKTOP, made smaller where the screen
#                      is (the tests keep E2E_DESKTOP itself)
#
# Sourcing does nothing slow; call e2e_setup (or the parts) yourself. Safe to
# source and call more than once.
#
# Settings (environment, optional):
#   E2E_ROOT      the repository (default: the parent of this script's folder)
#   E2E_WINEPREFIX  another prefix folder than build/wineprefix (a WINEPREFIX
#                 already in the environment is deliberately not used: the
#                 prefix may be deleted and made again)
#   E2E_SCREEN    Xvfb screen, default 1600x1000x24
#   E2E_DESKTOP   Wine virtual desktop size, default 1600x1000

if [ -n "${BASH_SOURCE[0]:-}" ]; then
  E2E_ROOT="${E2E_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
else
  E2E_ROOT="${E2E_ROOT:-$(pwd)}"
fi
export E2E_ROOT
export WINEPREFIX="${E2E_WINEPREFIX:-$E2E_ROOT/build/wineprefix}"
# The program and its tests are 32-bit: a win32 prefix avoids the 64-bit
# half of Wine altogether (and starts a little faster). On a machine that
# can't run 32-bit code the tests run the 64-bit build in a win64 prefix
# (scripts/wine-arch.sh).
SCRV_WINE_ARCH="$("$E2E_ROOT/scripts/wine-arch.sh")"
export SCRV_WINE_ARCH
if [ "$SCRV_WINE_ARCH" = x86_64 ]; then
  export WINEARCH=win64
  case ":$PATH:" in
    *":$E2E_ROOT/scripts/wine64:"*) ;;
    *) export PATH="$E2E_ROOT/scripts/wine64:$PATH" ;;
  esac
else
  export WINEARCH=win32
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# Never offer to download Mono or Gecko (there is no network for it).
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}"
E2E_SCREEN="${E2E_SCREEN:-1600x1000x24}"
E2E_DESKTOP="${E2E_DESKTOP:-1600x1000}"
# Bump when the configuration below changes, so old prefixes are redone.
E2E_PREFIX_VERSION=3
# The fonts every prefix of the program gets (scripts/wine-prefix.sh).
SCRIVELANDER_WINE_FONTS="${E2E_WINE_FONTS:-/usr/share/wine/fonts}"
. "$E2E_ROOT/scripts/wine-prefix.sh"

_e2e_log() { echo "e2e-env: $*" >&2; }

# True when the X server named by $DISPLAY answers.
e2e_display_ok() {
  [ -n "${DISPLAY:-}" ] || return 1
  xdpyinfo >/dev/null 2>&1
}

e2e_xvfb_start() {
  if e2e_display_ok; then return 0; fi
  local n=91 pid i
  while [ $n -lt 200 ]; do
    # A display number is free when neither its socket nor its lock exists.
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 "$E2E_SCREEN" -nolisten tcp -noreset >/dev/null 2>&1 &
      pid=$!
      for i in $(seq 1 100); do
        if [ -e "/tmp/.X11-unix/X$n" ] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
          export DISPLAY=":$n"
          export E2E_XVFB_PID=$pid
          return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
    n=$((n + 1))
  done
  _e2e_log "could not start Xvfb"
  return 1
}

e2e_xvfb_stop() {
  if [ -n "${E2E_XVFB_PID:-}" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    unset E2E_XVFB_PID
    unset DISPLAY
  fi
  return 0
}

e2e_prefix_ready() {
  [ -f "$WINEPREFIX/.e2e-ready" ] &&
    [ "$(cat "$WINEPREFIX/.e2e-ready" 2>/dev/null)" = "$E2E_PREFIX_VERSION $E2E_DESKTOP $WINEARCH" ] &&
    [ -f "$WINEPREFIX/system.reg" ]
}

e2e_prefix_ensure() {
  if e2e_prefix_ready; then
    scrivelander_prefix_fonts
    return 0
  fi
  # Only a folder this script made (or an empty or missing one) is replaced.
  if [ -d "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/.e2e-owned" ] && [ ! -f "$WINEPREFIX/.e2e-ready" ] &&
    [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ]; then
    _e2e_log "$WINEPREFIX exists and was not made by this script; not touching it"
    return 1
  fi
  _e2e_log "creating Wine prefix $WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  touch "$WINEPREFIX/.e2e-owned"
  # Tests want no crash dialog and one virtual desktop of a known size.
  local reg="$WINEPREFIX/e2e-settings.reg"
  cat >"$reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$E2E_DESKTOP"
EOF
  if ! scrivelander_prefix_setup "$reg"; then
    _e2e_log "could not make the prefix"
    return 1
  fi
  if ! grep -q "\"Default\"=\"$E2E_DESKTOP\"" "$WINEPREFIX/user.reg"; then
    _e2e_log "virtual desktop setting did not stick"
    return 1
  fi
  echo "$E2E_PREFIX_VERSION $E2E_DESKTOP $WINEARCH" >"$WINEPREFIX/.e2e-ready"
}

# One wineserver for the whole run, so each program starts in a fraction of
# a second. It keeps running until e2e_wineserver_stop.
e2e_wineserver_start() {
  wineserver -p >/dev/null 2>&1 || true
  # Start Wine's own services now, detached from any caller's output: a test
  # runner that reads a program's output until it closes would otherwise wait
  # for the services, which inherit it and live on.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

e2e_wineserver_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# On a screen smaller than E2E_DESKTOP the desktop takes the room there is:
# the work area a window manager leaves beside its panels, less the frame it
# puts around the desktop window (40 pixels, caption and borders), or
# without a window manager the whole screen.
e2e_fitting_desktop() {
  local want_w=${E2E_DESKTOP%x*} want_h=${E2E_DESKTOP#*x} room w h
  room=$(xprop -root -notype _NET_WORKAREA 2>/dev/null | sed -n 's/^_NET_WORKAREA *= *[0-9]*, *[0-9]*, *\([0-9]*\), *\([0-9]*\).*/\1x\2/p')
  if [ -n "$room" ]; then
    w=${room%x*}
    h=$((${room#*x} - 40))
  else
    room=$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1x\2/p' | head -n 1)
    w=${room%x*}
    h=${room#*x}
  fi
  case "$w$h" in
    '' | *[!0-9]*) echo "$E2E_DESKTOP"; return 0 ;;
  esac
  [ "$w" -lt "$want_w" ] || w=$want_w
  [ "$h" -lt "$want_h" ] || h=$want_h
  echo "${w}x${h}"
}

e2e_setup() {
  e2e_xvfb_start || return 1
  e2e_prefix_ensure || return 1
  e2e_wineserver_start
}

e2e_teardown() {
  e2e_wineserver_stop
  e2e_xvfb_stop
  return 0
}

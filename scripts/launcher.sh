#!/bin/sh
# scrivelander [FORM.bmp]: starts Scrivelander, opening FORM.bmp when given.
# `make install` installs this script as PREFIX/bin/scrivelander, beside
# PREFIX/share/scrivelander, which holds the program and the Wine prefix
# settings it needs.
#
# The program runs under Wine in a prefix of its own, made on first use in
# ${XDG_DATA_HOME:-~/.local/share}/scrivelander/wineprefix with the fonts
# that entries name, and the bridge that lets it convert PDFs with the
# Linux gs (Ghostscript; without it a conversion says what is missing). It
# starts in ${XDG_CONFIG_HOME:-~/.config}/scrivelander,
# where it keeps its settings file.
set -eu

if [ $# -gt 1 ]; then
  echo "usage: scrivelander [FORM.bmp]" >&2
  exit 2
fi

self=$(readlink -f -- "$0")
share=$(cd -- "$(dirname -- "$self")/../share/scrivelander" && pwd)
data="${XDG_DATA_HOME:-$HOME/.local/share}/scrivelander"
config="${XDG_CONFIG_HOME:-$HOME/.config}/scrivelander"
export WINEPREFIX="$data/wineprefix"
export WINEARCH=win32
# A 64-bit build of the program (made on a machine that can't run 32-bit
# code) runs in a 64-bit prefix, started by Wine's 64-bit loader itself.
pe=$(od -An -tu4 -j60 -N4 "$share/Scrivelander.exe" | tr -d ' ')
if [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$share/Scrivelander.exe" | tr -d ' ')" = 8664 ]; then
  export WINEARCH=win64
  export PATH="$share/wine64:$PATH"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# Never offer to download Mono or Gecko: the program needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}"
# Raised when the prefix needs other settings, so existing prefixes get them.
prefix_version=1

# shellcheck source=scripts/wine-prefix.sh
. "$share/wine-prefix.sh"

mkdir -p "$data" "$config"
# Two forms opened at once on first use set the prefix up once.
exec 9>"$data/.setup-lock"
if command -v flock >/dev/null 2>&1; then
  flock 9
fi
if [ "$(cat "$WINEPREFIX/.scrivelander-ready" 2>/dev/null)" != "$prefix_version" ]; then
  echo "scrivelander: setting up Wine for Scrivelander in $WINEPREFIX" >&2
  scrivelander_prefix_setup ""
  echo "$prefix_version" >"$WINEPREFIX/.scrivelander-ready"
fi
# A conversion runs the Linux gs through the bridge installed beside the
# program (brought up to date at every start, as a new install may bring a
# new one).
scrivelander_prefix_ghostscript "$share/gs-bridge" ||
  echo "scrivelander: could not put the bridge to gs into $WINEPREFIX" >&2
command -v gs >/dev/null 2>&1 ||
  echo "scrivelander: gs (Ghostscript) is not installed; File, Convert .pdf to .bmp needs it" >&2
exec 9>&-

if [ $# -eq 1 ]; then
  # The form as the program sees it: Z:\home\... for /home/...
  form=$(winepath -w "$(realpath -m -- "$1")")
  cd "$config"
  scrivelander_run_quietly wine "$share/Scrivelander.exe" "$form"
  exit
fi
cd "$config"
scrivelander_run_quietly wine "$share/Scrivelander.exe"

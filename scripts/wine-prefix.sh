# shellcheck shell=sh
# What every Wine prefix that runs Scrivelander gets, for the tests
# (scripts/e2e-env.sh) and for the launcher that `make install` installs
# (which finds this file beside the program). Source it, then:
#
#   scrivelander_prefix_setup REGFILE
#                      boot the prefix at $WINEPREFIX (making it when it is
#                      missing, bringing it up to date otherwise), merge the
#                      font settings below and the registry file REGFILE
#                      (REGEDIT4; "" for none) into it, and copy Wine's own
#                      fonts into it
#   scrivelander_prefix_fonts
#                      copy Wine's own fonts into the prefix when missing
#   scrivelander_prefix_ghostscript DIR
#                      put the bridge gswin32c.exe (with run-gs.sh) from DIR
#                      where the program looks for Windows Ghostscript, so a
#                      conversion runs the Linux gs; a Ghostscript installed
#                      in the prefix by hand is left alone
#
# POSIX sh, so the installed launcher needs no bash.

SCRIVELANDER_WINE_FONTS="${SCRIVELANDER_WINE_FONTS:-/usr/share/wine/fonts}"

# Entries name their fonts, and most name Arial, Times New Roman or Courier
# New, which Linux does not have. Liberation Sans, Serif and Mono were made
# with the same metrics, so with these names mapped to them an entry is
# measured and drawn as on Windows, and the font dialog can select Arial,
# the font of new entries.
scrivelander_font_settings() {
  cat <<'EOF_FONTS'
[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
EOF_FONTS
}

# Wine's own fonts (Debian package fonts-wine). Debian's Wine 8 does not look
# for them there, only in C:\windows\Fonts: without them the caption buttons
# show as letters and dialogs and menus use substitute fonts.
scrivelander_prefix_fonts() {
  _fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$SCRIVELANDER_WINE_FONTS/marlett.ttf" ] || return 0
  [ ! -f "$_fonts/marlett.ttf" ] || return 0
  mkdir -p "$_fonts" && cp "$SCRIVELANDER_WINE_FONTS"/* "$_fonts"/
}

scrivelander_prefix_setup() {
  _extra=$1
  # Booted without a display, wineboot shows no window at all.
  if ! env -u DISPLAY wineboot -i >/dev/null 2>&1; then
    echo "wineboot failed for $WINEPREFIX" >&2
    return 1
  fi
  _reg="$WINEPREFIX/scrivelander-settings.reg"
  {
    echo REGEDIT4
    echo
    scrivelander_font_settings
    echo
    [ -z "$_extra" ] || grep -v '^REGEDIT4' "$_extra"
  } >"$_reg"
  if ! env -u DISPLAY wine regedit /S "$_reg" >/dev/null 2>&1; then
    echo "regedit failed for $WINEPREFIX" >&2
    return 1
  fi
  # The registry reaches the files when the server goes.
  wineserver -w >/dev/null 2>&1 || true
  wineserver -k >/dev/null 2>&1 || true
  if ! grep -q '"Times New Roman"="Liberation Serif"' "$WINEPREFIX/user.reg"; then
    echo "the font settings did not stick in $WINEPREFIX" >&2
    return 1
  fi
  scrivelander_prefix_fonts
}

# The program converts a PDF with Windows Ghostscript's console program,
# looked for from C:\Program Files\gs\gs9.05 upward. On Linux the
# distribution's gs does the work: the bridge gswin32c.exe hands it the
# command line and waits for it. A marker file beside the bridge tells it
# from a real Ghostscript; a prefix that holds any other gs* folder, or a
# gs9.05 of its own, has Ghostscript installed by hand and is not touched.
scrivelander_prefix_ghostscript() {
  _bridge=$1
  _gs="$WINEPREFIX/drive_c/Program Files/gs"
  _bin="$_gs/gs9.05/bin"
  [ -f "$_bridge/gswin32c.exe" ] && [ -f "$_bridge/run-gs.sh" ] || return 0
  if [ ! -f "$_bin/scrivelander-bridge" ]; then
    for _other in "$_gs"/gs*; do
      [ -e "$_other" ] && return 0
    done
  fi
  if cmp -s "$_bridge/gswin32c.exe" "$_bin/gswin32c.exe" && cmp -s "$_bridge/run-gs.sh" "$_bin/run-gs.sh"; then
    return 0
  fi
  mkdir -p "$_bin" &&
    cp "$_bridge/gswin32c.exe" "$_bin/gswin32c.exe" &&
    cp "$_bridge/run-gs.sh" "$_bin/run-gs.sh" &&
    chmod 755 "$_bin/run-gs.sh" &&
    echo "Scrivelander's bridge to the Linux gs" >"$_bin/scrivelander-bridge"
}

# Wine's own error output, less one line: each time an open dialog shows
# drive Z: (the Linux root) Wine tries to read the disk device for the
# drive's label, can't, and says so on the terminal. That is no fault of
# anything the user did, so that line is left out; every other line passes.
scrivelander_quiet_wine() {
  # grep answers 1 when no line passed: that is no failure here.
  grep --line-buffered -v -F 'FS volume label and serial are not available' >&2 || :
}

# Runs a command (wine ...) with its error output so passed on; returns the
# command's exit code. Plain sh: the launcher runs under it.
scrivelander_run_quietly() {
  exec 3>&1
  scrivelander_code=$({ { "$@" 2>&1 1>&3 3>&- 4>&- && echo 0 >&4 || echo $? >&4; } |
    scrivelander_quiet_wine 3>&- 4>&-; } 4>&1)
  exec 3>&-
  return "$scrivelander_code"
}

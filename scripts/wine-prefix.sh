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

#!/usr/bin/env bash
# Installs Scrivelander for Linux desktops under PREFIX, or removes it.
#
#   scripts/install.sh install PREFIX BUILD     (make install PREFIX=...)
#   scripts/install.sh uninstall PREFIX         (make uninstall PREFIX=...)
#
# install puts in PREFIX:
#   bin/scrivelander                   the launcher (scripts/launcher.sh)
#   share/scrivelander/                the program, the Wine prefix
#                                      settings the launcher uses, and the
#                                      bridge to the Linux gs (gs-bridge/)
#   share/applications/scrivelander.desktop
#                                      the menu entry, which also offers the
#                                      program for opening .bmp and .pdf files
#   share/icons/hicolor/*/apps/scrivelander.png
# Every file it writes and every folder it makes is listed in
# share/scrivelander/installed-files, and uninstall removes exactly those
# (a folder only when it is empty then). What the launcher makes at run time
# (the Wine prefix, the settings file) is the user's and stays.
set -eu
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 install PREFIX BUILD | uninstall PREFIX" >&2
  exit 2
}

if [ $# -lt 2 ] || [ -z "$2" ]; then
  usage
fi
mode=$1
prefix=$(realpath -m -- "$2")
manifest="$prefix/share/scrivelander/installed-files"

# Removes what a list names: "file PATH" lines first, then "dir PATH" lines
# from the last made to the first, each only when empty.
remove_listed() {
  local list=$1 kind path
  while read -r kind path; do
    if [ "$kind" = file ]; then
      rm -f -- "$path"
    fi
  done <"$list"
  tac "$list" | while read -r kind path; do
    if [ "$kind" = dir ]; then
      rmdir -- "$path" 2>/dev/null || true
    fi
  done
}

uninstall() {
  if [ ! -f "$manifest" ]; then
    echo "Scrivelander is not installed in $prefix (no $manifest)" >&2
    return 1
  fi
  local list
  # A copy, since the list names itself.
  list=$(mktemp)
  cp "$manifest" "$list"
  # Only paths inside the prefix are ever removed.
  if awk -v p="$prefix" 'index($0, "file " p "/") != 1 && $0 != "dir " p && index($0, "dir " p "/") != 1 \
        { print; bad = 1 } END { exit !bad }' "$list" >&2; then
    echo "$manifest names the lines above, outside $prefix; nothing removed" >&2
    rm -f "$list"
    return 1
  fi
  remove_listed "$list"
  rm -f "$list"
  echo "removed Scrivelander from $prefix"
}

# ---- install ----

list=
made_dir() {
  local dir=$1
  [ -d "$dir" ] && return 0
  made_dir "$(dirname "$dir")"
  mkdir "$dir"
  echo "dir $dir" >>"$list"
}

put() {   # put MODE SOURCE TARGET
  made_dir "$(dirname "$3")"
  echo "file $3" >>"$list"
  install -m "$1" "$2" "$3"
}

# The launcher's path as a desktop entry's Exec key quotes an argument.
exec_quoted() {
  printf '"%s"' "$(printf '%s' "$1" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g')"
}

desktop_entry() {
  cat <<EOF_ENTRY
[Desktop Entry]
Type=Application
Name=Scrivelander
GenericName=Form Filler
Comment=Fill in scanned paper forms on screen and print them
Exec=$(exec_quoted "$prefix/bin/scrivelander") %f
Icon=scrivelander
Terminal=false
Categories=Office;
MimeType=image/bmp;application/pdf;
EOF_ENTRY
}

install_all() {
  local build=$1 entry size
  for f in "$build/Scrivelander.exe" "$build/gs-bridge/gswin32c.exe" "$build/icons/16x16/scrivelander.png" \
    "$build/icons/32x32/scrivelander.png"; do
    [ -f "$f" ] || { echo "$f is missing: build first (make install builds it)" >&2; return 1; }
  done
  # A new install replaces an old one in the same place.
  if [ -f "$manifest" ]; then
    uninstall >/dev/null
  fi
  list=$(mktemp)
  entry=$(mktemp)
  # Whatever fails half-way, nothing stays behind.
  trap 'remove_listed "$list"; rm -f "$list" "$entry"' ERR
  put 755 scripts/launcher.sh "$prefix/bin/scrivelander"
  put 644 "$build/Scrivelander.exe" "$prefix/share/scrivelander/Scrivelander.exe"
  put 644 scripts/wine-prefix.sh "$prefix/share/scrivelander/wine-prefix.sh"
  put 755 scripts/wine64/wine "$prefix/share/scrivelander/wine64/wine"
  put 755 scripts/wine64/wine "$prefix/share/scrivelander/wine64/wine-stable"
  put 644 "$build/gs-bridge/gswin32c.exe" "$prefix/share/scrivelander/gs-bridge/gswin32c.exe"
  put 755 scripts/gs-bridge/run-gs.sh "$prefix/share/scrivelander/gs-bridge/run-gs.sh"
  desktop_entry >"$entry"
  put 644 "$entry" "$prefix/share/applications/scrivelander.desktop"
  for size in 16x16 32x32; do
    put 644 "$build/icons/$size/scrivelander.png" "$prefix/share/icons/hicolor/$size/apps/scrivelander.png"
  done
  echo "file $manifest" >>"$list"
  install -m 644 "$list" "$manifest"
  trap - ERR
  rm -f "$list" "$entry"
  echo "installed Scrivelander in $prefix; start it with $prefix/bin/scrivelander [FORM.bmp]"
  path_advice "$prefix/bin"
}

# Where the launcher went; and, when that folder is not on PATH, how to put
# it there, so that `scrivelander` alone starts it.
path_advice() {
  local bin=$1
  echo "the launcher is $bin/scrivelander"
  case ":${PATH:-}:" in
    *":$bin:"* | *":$bin/:"*) return 0 ;;
  esac
  echo "$bin is not on your PATH; to start it as scrivelander, add this line to ~/.profile"
  echo "(or ~/.bashrc) and open a new terminal:"
  echo "  export PATH=\"$bin:\$PATH\""
}

case "$mode" in
  install) [ $# -eq 3 ] || usage; install_all "$3" ;;
  uninstall) [ $# -eq 2 ] || usage; uninstall ;;
  *) usage ;;
esac

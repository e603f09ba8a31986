#!/usr/bin/env bash
# Installs what building, running and testing Scrivelander needs on Debian:
# the MinGW cross compilers (32-bit for the program; 64-bit for running the
# tests on a machine that can't run 32-bit code), Wine, Xvfb and the X tools that drive
# the window, Ghostscript for the sample form, the printing tools, and clang
# with libFuzzer and the sanitizers for the native fuzz targets; zlib built
# for MinGW (saving PDFs) and qpdf (the tests check the PDFs saved).
set -eu
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
pkgs="cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev googletest wine wine32:i386 wine64
      xvfb xdotool x11-utils x11-apps imagemagick fonts-liberation fonts-wine ghostscript
      cups printer-driver-cups-pdf libcups2:i386 poppler-utils qpdf python3
      clang libclang-rt-14-dev libfuzzer-14-dev"
for p in $pkgs; do have "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null

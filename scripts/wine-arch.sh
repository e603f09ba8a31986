#!/bin/sh
# Prints the Windows architecture the program is built for and run in on
# this machine: i686 (a 32-bit program in a 32-bit prefix), or x86_64 when
# the machine can't run 32-bit code at all (some virtual machines have no
# 32-bit support in their kernel: Wine's 32-bit loader then fails to start).
# The program is a 32-bit program; the 64-bit build is the same source, made
# only so the tests can run on such a machine. SCRV_WINE_ARCH=i686|x86_64
# overrides.
if [ -n "${SCRV_WINE_ARCH:-}" ]; then
  echo "$SCRV_WINE_ARCH"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
elif [ -x /usr/lib/wine/wine64 ]; then
  echo x86_64
else
  echo i686
fi

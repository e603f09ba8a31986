#!/bin/sh
# Prepares (or removes) a folder the unit tests can't write to: an entry
# file of three records in a folder made immutable, which even root can't
# create files in.
set -eu
folder=$2
case $1 in
setup)
  [ -d "$folder" ] && chattr -i "$folder" 2>/dev/null || true
  rm -rf "$folder"
  mkdir -p "$folder"
  head -c 480 /dev/urandom > "$folder/form.dta"
  chattr +i "$folder"
  ;;
cleanup)
  chattr -i "$folder" 2>/dev/null || true
  rm -rf "$folder"
  ;;
esac

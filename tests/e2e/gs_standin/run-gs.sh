#!/bin/bash
# Started by the gswin32c.exe stand-in beside it: runs Debian's gs with the
# arguments the stand-in wrote to gs-args-ID (each ended by a zero byte), in
# the current directory Wine gave it, then writes gs's exit code to
# gs-done-ID, renamed into place so the stand-in never reads half of it.
here=$(dirname "$0")
id=$1
mapfile -d '' args <"$here/gs-args-$id"
gs "${args[@]}" </dev/null >"$here/gs-output-$id.log" 2>&1
echo $? >"$here/gs-done-$id.tmp"
mv "$here/gs-done-$id.tmp" "$here/gs-done-$id"

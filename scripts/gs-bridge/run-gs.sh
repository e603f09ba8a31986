#!/bin/bash
# Started by gswin32c.exe beside it (Scrivelander's bridge to gs, or the
# tests' stand-in): runs the Linux gs with the arguments the .exe wrote to
# gs-args-ID (each ended by a zero byte), in the current directory Wine gave
# it, then writes gs's exit code to gs-done-ID, renamed into place so the
# .exe never reads half of it. When the .exe is ended first (the user
# cancelled the conversion), gs is stopped too.
here=$(dirname "$0")
id=$1
mapfile -d '' args <"$here/gs-args-$id"

# The .exe's own process: Wine starts this script detached from it, so it
# is found by its command line, the .exe's path and the same arguments.
bridge_process() {
  local want p command
  want=$(tr '\0' '\n' <"$here/gs-args-$id")
  for p in /proc/[0-9]*; do
    # A process gone since the list was made can't be read: said nowhere.
    command=$(tr '\0' '\n' 2>/dev/null <"$p/cmdline") || continue
    case "${command%%$'\n'*}" in
      # Wine shows the path as the command line gave it, with or without .exe.
      *[gG][sS][wW][iI][nN]32[cC] | *[gG][sS][wW][iI][nN]32[cC].[eE][xX][eE])
        [ "${command#*$'\n'}" != "$want" ] || { echo "${p#/proc/}"; return; } ;;
    esac
  done
}
bridge=$(bridge_process)
# Whether it still runs: a process that has ended but was not yet waited for
# (a zombie, state Z) counts as ended.
bridge_runs() {
  local stat
  stat=$(cat "/proc/$bridge/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

gs "${args[@]}" </dev/null >"$here/gs-output.log" 2>&1 &
gs_pid=$!
(
  while [ -z "$bridge" ] || bridge_runs; do sleep 0.2; done
  kill "$gs_pid" 2>/dev/null
) &
watcher=$!
wait "$gs_pid"
code=$?
kill "$watcher" 2>/dev/null
echo $code >"$here/gs-done-$id.tmp"
mv "$here/gs-done-$id.tmp" "$here/gs-done-$id"

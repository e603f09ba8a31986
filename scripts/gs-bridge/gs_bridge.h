/*
 * Handing a Ghostscript command line from Windows to the Linux gs, for the
 * gswin32c.exe bridge that Scrivelander's Wine prefixes get on Linux (and
 * for the test stand-in, which does the same after recording its start).
 *
 * Wine starts a Linux program (run-gs.sh, beside the calling .exe) but gives
 * no handle to wait on, so the arguments go to the script through a file
 * (gs-args-ID, each ended by a zero byte) and the script leaves a file
 * (gs-done-ID) holding gs's exit code when gs has ended. The .exe waits for
 * that file, so whoever started the .exe can wait on its process handle.
 */
#ifndef SCRIVELANDER_GS_BRIDGE_H
#define SCRIVELANDER_GS_BRIDGE_H

#include <windows.h>

/* Runs gs with argv[1..argc-1] in the current directory and waits at most
 * waitLimitMs for it. Returns gs's exit code; or -1 with *failure saying
 * what went wrong (the script could not be started, gs did not end). */
int run_linux_gs(int argc, char **argv, DWORD waitLimitMs, const char **failure);

#endif

/*
 * gswin32c.exe for Scrivelander's Wine prefixes on Linux: stands where
 * Scrivelander looks for Windows Ghostscript's console program
 * (C:\Program Files\gs\gs9.05\bin) and hands its command line, as a Windows
 * console program splits it, to the distribution's gs, through run-gs.sh
 * beside it. It ends when gs ends, with gs's exit code, so Scrivelander can
 * wait on it as on Windows Ghostscript. Not used on Windows.
 */
#include <stdio.h>

#include "gs_bridge.h"

/* Longer than any conversion; Scrivelander bounds its own wait. */
#define WAIT_LIMIT_MS (6u * 60u * 60u * 1000u)

int main(int argc, char **argv)
{
    const char *failure = "";
    int code = run_linux_gs(argc, argv, WAIT_LIMIT_MS, &failure);
    if (code < 0) {
        fprintf(stderr, "gswin32c (Scrivelander's bridge to gs): %s\n", failure);
        return 255;
    }
    return code;
}

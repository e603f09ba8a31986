// Waiting for Ghostscript. The conversion waits for the console program to
// end before it goes on, so that the page dialog lists the pages made and a
// failure can be told. While it waits, a small window "Converting ..." with
// a Cancel button stands over the disabled main window, the main window
// keeps painting, the pointer shows that the program is busy, and the wait
// ends after GhostscriptWaitLimitMs at the latest.
#ifndef SCRIVELANDER_CONVERT_WAIT_H
#define SCRIVELANDER_CONVERT_WAIT_H

#include "base/program_state.h"

// Twenty minutes: longer than Ghostscript takes for a long PDF at a high
// resolution, short enough that a stuck conversion does not hold the
// program for ever.
const DWORD GhostscriptWaitLimitMs = 20 * 60 * 1000;

enum GhostscriptWaitEnd { GhostscriptEnded, GhostscriptCancelled, GhostscriptTimedOut };

// Waits for the process, at most limitMs. Cancel (the button, Esc or the
// window's close box) and the time limit end the process. A WM_QUIT met
// while waiting ends it too, and is posted again for the message loop.
GhostscriptWaitEnd WaitForGhostscript(HANDLE process, const char* pdfTitle, DWORD limitMs);

#endif

// The shell's process-wide state, grouped by the file that writes it. Only
// that file writes a group; every other file reads it or calls the owner's
// functions.
#ifndef SCRIVELANDER_SHELL_GLOBALS_H
#define SCRIVELANDER_SHELL_GLOBALS_H

#include <windows.h>
#include <commdlg.h>

#include "base/program_state.h"

// ---- Written by the shell: the window behind ours by shell/main.cpp at
// start; the dialog descriptions start in shell/main_window.cpp and are
// updated by the Open and Font commands' dialogs (shell/commands.cpp) ----
extern HWND gPreviousWindow;       // the window behind ours at start, brought forward at the end
// The common dialogs update their descriptions in place, so each opens
// with what it returned last time.
extern OPENFILENAMEA gBmpOpenDialog;
extern CHOOSEFONTA gFontDialog;
extern LOGFONTA gFontDialogChoice;  // the font dialog's LOGFONT: opened on gCurrentFont, read back on OK

#endif

// The main window: its window procedure, which hands each message to the
// part of the program that handles it, and the command dispatch.
#ifndef SCRIVELANDER_MAIN_WINDOW_H
#define SCRIVELANDER_MAIN_WINDOW_H

#include <windows.h>

#include "base/program_state.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The command dispatch of WM_COMMAND (shell/commands.cpp).
void OnCommand(int id);

// Opens the form named on the command line, if any, as the first Open
// command opens the form chosen in its dialog (shell/commands.cpp).
void OpenFormFromCommandLine(const char* arguments);

#endif

// The main window: its window procedure, which hands each message to the
// part of the program that handles it (commands to shell/commands.h).
#ifndef SCRIVELANDER_MAIN_WINDOW_H
#define SCRIVELANDER_MAIN_WINDOW_H

#include <windows.h>

#include "base/program_state.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif

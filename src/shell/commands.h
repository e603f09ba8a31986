// The menu commands: the dispatch of WM_COMMAND, whether the command came
// from the menu or from a key of the "FORMKEYS" table, and the commands
// small enough to live in the shell (the four entry modes, the font dialog
// and the help boxes).
#ifndef SCRIVELANDER_COMMANDS_H
#define SCRIVELANDER_COMMANDS_H

#include <windows.h>
#include <shellapi.h>

#include "entries/entries_globals.h"

// One call per command id; afterwards the right button is disarmed and the
// keyboard is the program's again.
void OnCommand(int id);

// Opens the form named on the command line, if any, as the first Open
// command opens the form chosen in its dialog.
void OpenFormFromCommandLine(const char* arguments);

// Opens the one file dropped on the window in the same way (a form, or a
// PDF to convert), and releases the drop.
void OpenDroppedFile(HDROP drop);

// What a mode command (40020, 40021, 40043, 40042) makes of the modes.
// Right-justified vertical entries have no drawing routines, so a command
// that would lead there is refused and the modes stay as they were.
struct ModeOutcome {
    bool refused;
    EntryModeFlags modes;
};
ModeOutcome ModesAfterCommand(EntryModeFlags modes, int id);

// The text colour of new entries after the font dialog was confirmed: a
// black-and-white form (1 bit per pixel), or no form at all (0), keeps the
// colour it had, since only a colour or grey form can show another one.
COLORREF TextColourAfterFontChoice(int formBitCount, COLORREF current, COLORREF chosen);

#endif

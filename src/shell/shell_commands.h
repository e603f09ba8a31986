// The commands small enough to live in the shell: the four entry modes, the
// font dialog and the help boxes. The command dispatch (commands.cpp) calls
// them; it clears the right-button state after each.
#ifndef SCRIVELANDER_SHELL_COMMANDS_H
#define SCRIVELANDER_SHELL_COMMANDS_H

#include <windows.h>

#include "base/program_state.h"

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

// The four mode commands, by their command id.
void OnModeCommand(int id);

// Font (65535): the font dialog for new entries.
void OnFont();

// A help box: `text` under `caption`, with only an OK button. The keyboard
// focus goes back where it was when the box closes.
void OnHelpBox(const char* caption, const char* text);

#endif

// Placing and editing entries with the right button and the keyboard.
#ifndef SCRIVELANDER_ENTRY_EDIT_H
#define SCRIVELANDER_ENTRY_EDIT_H

// A right-button press has been seen since the last menu command; only then
// does a release open the edit box.
extern bool rightButtonArmed;

// The entry edit box exists and has the keyboard focus.
extern bool boxOpen;

#include <windows.h>

// Pointer tracking at every mouse move, after the view's drag handling:
// records the pointer in image scale, whatever the buttons.
void OnPointerMove(WPARAM wParam, LPARAM lParam);

// Ends an open edit without storing what was typed; a picked entry goes back
// where it was. Callers test boxOpen first.
void CancelEntryEdit();

#endif

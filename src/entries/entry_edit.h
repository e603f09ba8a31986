// Placing and editing entries: the right button places an insertion mark,
// its release opens a hidden edit box whose text is echoed on the window,
// and Enter or Tab stores the entry. A press on an entry picks it up to
// move or edit it.
#ifndef SCRIVELANDER_ENTRY_EDIT_H
#define SCRIVELANDER_ENTRY_EDIT_H

#include <windows.h>

#include "entries/entry_geometry.h"

// A right-button press has been seen since the last menu command and since
// the box last took the focus; only then does a release open the box.
extern bool rightButtonArmed;

// The entry edit box exists and has the keyboard focus.
extern bool boxOpen;

// The hidden edit box while boxOpen.
extern HWND EntryEditBox;

// ---- message handlers ----

void OnEntryPress(int wx, int wy);
void OnEntryRelease(int wx, int wy);
// Every mouse move, after the view has recorded the pointer: with only the
// right button down and no box open, the insertion mark follows (x, y);
// any other move with no box open goes to the hover.
void OnPointerMove(WPARAM keys, int x, int y);
// EN_CHANGE from the box: echo its text.
void OnEntryTextChanged();

// Ends an open edit without storing what was typed; a picked entry goes back
// where it was. Callers test boxOpen first.
void CancelEntryEdit();

// Ends an open edit and stores the entry.
void CommitEntryEdit();

#endif

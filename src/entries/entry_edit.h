// Placing and editing entries: the right button places an insertion mark,
// its release opens a hidden edit box whose text is echoed on the window,
// and Enter or Tab stores the entry. A press on an entry picks it up to
// move or edit it.
#ifndef SCRIVELANDER_ENTRY_EDIT_H
#define SCRIVELANDER_ENTRY_EDIT_H

#include <windows.h>

#include "entries/entry_geometry.h"

// The entry edit box exists and has the keyboard focus.
bool EntryBoxOpen();

// The hidden edit box while it exists (from the release that opens it to
// the end of the edit); NULL otherwise.
HWND EntryBoxWindow();

// A right-button release opens the box only after a press seen since the
// last menu command: every command disarms it.
void DisarmRightButton();

// ---- message handlers ----

void OnEntryPress(int wx, int wy);
void OnEntryRelease(int wx, int wy);
// Every mouse move, after the view has recorded the pointer: with only the
// right button down and no box open, the insertion mark follows (x, y);
// any other move with no box open goes to the hover.
void OnPointerMove(WPARAM keys, int x, int y);
// EN_CHANGE from the box: echo its text.
void OnEntryTextChanged();

// Tab (Shift+Tab: `backward`) in the main window with no entry open: opens
// the next (previous) found field after the last one visited, the first at
// the start. Nothing happens when the form has no fields.
void OnTabKey(bool backward);

// A press picked an entry up and the right button still holds it: keys that
// change the entries (Delete, undo, redo) wait until it is let go.
bool EntryPickHeld();

// Ends an open edit without storing what was typed; a picked entry goes back
// into its entry file. True when no edit is open any more; false when the
// picked entry could not be put back: the user has been told, the edit stays
// open with the focus in its box, and the caller's command must not go on.
bool CancelEntryEdit();

// Ends an open edit and stores the entry. False, with the edit left open and
// the user told, when the entry file could not take it.
bool CommitEntryEdit();

// Windows is ending: a picked entry goes back into its entry file without a
// question, or, when that can't be, into the recovery file beside it.
void EndEntryEditAtSessionEnd();

// Edit, Undo (Ctrl+Z) and Redo (Ctrl+Y, Ctrl+Shift+Z). During an edit, undo
// ends it as Esc does, putting a moved entry back at its own place in the
// file; redo ends it as the other commands do, then redoes.
void OnUndoCommand();
void OnRedoCommand();

#endif

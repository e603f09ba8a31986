// Placing and editing entries: the right button places an insertion mark,
// its release opens a hidden edit box whose text is echoed on the window,
// and Enter or Tab stores the entry. A press on an entry picks it up to
// move or edit it.
#ifndef SCRIVELANDER_ENTRY_EDIT_H
#define SCRIVELANDER_ENTRY_EDIT_H

#include <windows.h>

#include "entries/entry_geometry.h"
#include "entries/field_text.h"

// The entry edit box exists and has the keyboard focus.
bool EntryBoxOpen();

// The hidden edit box while it exists (from the release that opens it to
// the end of the edit); NULL otherwise.
HWND EntryBoxWindow();

// A right-button release opens the box only after a press seen since the
// last menu command: every command disarms it.
void DisarmRightButton();

// ---- fields: the field code (entries/field_tab) hands its seats in ----

// Opens the box for a new entry seated in a field: its own height
// (smaller for a text wider than the field), horizontal, stored at the
// seat; a comb's text one character to a cell.
void BeginSeatedEdit(const EntrySeat& seat);

// Opens the box on the entries already in a field (`count` table slots: one
// entry, or the cells of a comb), picked up as a right-button press picks
// an entry: one entry is edited where it stands; a comb's cells are joined
// into one text (empty cells as blanks) and stored one a cell again.
void BeginFieldPick(const EntrySeat& seat, const int* slots, int count);

// The field the open edit was opened in; -1 when none (or no box is open).
int EditedField();

// A right-button release now would open the box for a new entry: a press
// armed it, picked no entry, and no box is open.
bool NewEntryRelease();

// What the box hands up to the field code, which registers them at start:
// Tab (or Shift+Tab), and a character typed (true when it was dealt with
// there and goes no further).
struct EntryBoxKeys {
    void (*tab)(bool backward);
    bool (*character)(char c);
};
void SetEntryBoxKeys(EntryBoxKeys keys);

// ---- message handlers ----

void OnEntryPress(int wx, int wy);
void OnEntryRelease(int wx, int wy);
// Every mouse move, after the view has recorded the pointer: with only the
// right button down and no box open, the insertion mark follows (x, y);
// any other move with no box open goes to the hover.
void OnPointerMove(WPARAM keys, int x, int y);
// EN_CHANGE from the box: echo its text.
void OnEntryTextChanged();

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

// The font and text colour of new entries (gCurrentFont and
// gCurrentTextColour, listed in base/program_state.h): they change only
// through these functions. Also the fifteen colours a record can name.
#ifndef SCRIVELANDER_ENTRY_STYLE_H
#define SCRIVELANDER_ENTRY_STYLE_H

#include <windows.h>

#include "base/program_state.h"
#include "entries/record_layout.h"

// The four font fields a record carries, and its colour, into gCurrentFont.
void ApplyRecordFont(const EntryRecord& record);

// The font dialog's choice: the whole LOGFONT, and the text colour.
void UseChosenFont(const LOGFONTA& font, COLORREF colour);

// The text colour of new entries (black when a form is opened; a picked
// entry's colour while it is edited).
void UseTextColour(COLORREF colour);

// The escapement and orientation of gCurrentFont after an entry was drawn:
// a quarter turn for a vertical entry, none otherwise.
void TurnCurrentFontFor(const EntryRecord& record);

// The font an entry is drawn with: `base` (gCurrentFont, for the fields a
// record does not carry) with the record's four font fields and turned for
// a vertical entry.
LOGFONTA RecordDrawingFont(const LOGFONTA& base, const EntryRecord& record);

const int ColourCount = 15;
extern const COLORREF ColourTable[ColourCount];
COLORREF ColourOfIndex(int index);
int IndexOfColour(COLORREF colour);

#endif

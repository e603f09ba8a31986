// The font, text colour and modes of new entries (gCurrentFont,
// gCurrentTextColour and gEntryModes, listed in entries/entries_globals.h):
// they change only through these functions. Also the fifteen colours a
// record can name.
#ifndef SCRIVELANDER_ENTRY_STYLE_H
#define SCRIVELANDER_ENTRY_STYLE_H

#include <windows.h>

#include "entries/entries_globals.h"
#include "entries/record_layout.h"

// The font of new entries at start: Arial, 30 pixels, normal weight.
LOGFONTA EntryStartFont();

// The justification and orientation of new entries (the Edit menu's modes).
void UseEntryModes(EntryModeFlags modes);

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

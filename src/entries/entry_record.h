// Entries as stored: the table of the open form's entries (160-byte
// records, record_layout.h), the entry file beside the form, and the text
// colours.
#ifndef SCRIVELANDER_ENTRY_RECORD_H
#define SCRIVELANDER_ENTRY_RECORD_H

#include <windows.h>
#include <stdint.h>

#include "base/program_state.h"
#include "entries/record_layout.h"

extern EntryRecord EntryTable[EntryTableSlots];

// Empties the table and reads the entry file into it: the first 200 records
// (records after them stay in the file but not in the table). Returns the
// number read, or -1 when the file is missing or held open elsewhere.
int ReadEntryFile();

// The first slot whose x is 0, or EntryTableSlots when every slot is in use.
int FirstFreeSlot();

// Appends the slot's record to the entry file, creating the file if needed.
// False when it could not be written whole; the file then holds no part of it.
bool AppendEntryRecord(int slot);

// Appends one record to the entry file, as AppendEntryRecord does.
bool AppendRecordToFile(const EntryRecord& record);

// The message telling that an entry, whose text it shows, could not be stored.
void ReportAppendFailure(const char* entryText);

// Shows a problem with the entry file to the user: a message box on the
// main window. Tests put their own function here.
extern void (*ShowEntryFileProblem)(const char* text);

// Rewrites the entry file without record `index`. The rewrite goes to a file
// beside the entry file that replaces it in one step; if anything fails, the
// entry file stays as it was and the user is told. Returns whether the
// record was removed; the caller then reloads the form (ReloadForm).
bool RemoveEntryRecord(int index);

// ---- the font and colour of new entries: CurrentFont and
// CurrentTextColour change only through these ----

// The four font fields a record carries, and its colour, into CurrentFont.
void ApplyRecordFont(const EntryRecord& record);

// Fills the font fields and colour index of a record from CurrentFont.
void StoreRecordFont(EntryRecord& record);

// The font dialog's choice: the whole LOGFONT, and the text colour.
void UseChosenFont(const LOGFONTA& font, COLORREF colour);

// The text colour of new entries (black when a form is opened; a picked
// entry's colour while it is edited).
void UseTextColour(COLORREF colour);

// The escapement and orientation of CurrentFont after an entry was drawn:
// a quarter turn for a vertical entry, none otherwise.
void TurnCurrentFontFor(const EntryRecord& record);

// The font an entry is drawn with: `base` (CurrentFont, for the fields a
// record does not carry) with the record's four font fields and turned for
// a vertical entry.
LOGFONTA RecordDrawingFont(const LOGFONTA& base, const EntryRecord& record);

const int ColourCount = 15;
extern const COLORREF ColourTable[ColourCount];
COLORREF ColourOfIndex(int index);
int IndexOfColour(COLORREF colour);

#endif

// Entries as stored: the table of the open form's entries (160-byte
// records, record_layout.h), the entry file beside the form, and the text
// colours.
#ifndef SCRIVELANDER_ENTRY_RECORD_H
#define SCRIVELANDER_ENTRY_RECORD_H

#include <windows.h>
#include <stdint.h>

#include "base/program_state.h"
#include "entries/record_layout.h"

// The open form's entries: slot i holds record i of its entry file. Scans
// (hit tests, formula references) stop at the first slot whose x is 0.
extern EntryRecord EntryTable[EntryTableSlots];

// How many slots the last ReadEntryFile filled: the file's records, at most
// 200. A new entry is stored as record EntryCount and so shows in that slot.
extern int EntryCount;

// What a read of an entry file gives instead of a number of records: there
// is none, or it can't be read (another program holds it open without
// sharing it, or memory is short). Reading needs only read access.
const int NoEntryFile = -1, EntryFileUnreadable = -2;

// Empties the table and reads the entry file into it: the first 200 records
// (records after them stay in the file but not in the table). Returns the
// number read, or NoEntryFile or EntryFileUnreadable (the table stays
// empty). The table follows the file: it is read again after every change.
int ReadEntryFile();

// Reads the entry file at `path` into a table of the caller's own, as
// ReadEntryFile reads the open form's.
int ReadEntriesOf(const char* path, EntryRecord table[EntryTableSlots]);

// The 160 bytes of a slot exactly as they were read from the entry file, so
// a change can check that the file still holds that record at that place.
void StoredRecordBytes(int slot, uint8_t bytes[EntryRecordSize]);

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

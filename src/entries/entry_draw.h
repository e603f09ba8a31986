// Drawing stored entries into the form image, and reloading the form: the
// bitmap, then every entry of its entry file.
#ifndef SCRIVELANDER_ENTRY_DRAW_H
#define SCRIVELANDER_ENTRY_DRAW_H

#include <windows.h>
#include <stdint.h>

#include "entries/entry_record.h"
#include "entries/entry_text.h"
#include "entries/entries_globals.h"

// Draws the entry of a table slot into the form image with gCurrentFont and
// the current text colour (an entry just stored), and leaves gCurrentFont
// turned as the entry is.
uint32_t DrawEntry(int slot);

// Draws a stored entry into the form image in `font` and `colour`, as
// DrawEntryInto does, by its kept pixels where they apply (view/kept_entries.h);
// otherwise draws it and keeps what it drew. Returns the formula's value,
// or FormulaError.
uint32_t DrawKeptEntry(const EntryRecord& record, const LOGFONTA& font, COLORREF colour, const EntryRecord* table);

// Reads the entry file and draws every entry into the form image, each in
// its own font and colour, then repaints the window. Afterwards the text
// colour of new entries is the last entry's, gCurrentFont is turned as the
// last entry is, and the first load of the run that draws an entry makes
// the first entry's font that of new entries. False when the form has an
// entry file that can't be read (another program holds it): the form then
// shows no entries, and must not be printed as if it had none.
bool LoadFormEntries();

// Tells the user that the entry file of the form on screen can't be read,
// naming it, followed by `consequence` (what the program does about it).
void ReportEntriesUnreadable(const char* consequence);

// Loads the form on screen again (the bitmap the last successful open
// loaded, whatever the open dialogs chose since), then its entries. Every
// change of the entry file ends here. When the bitmap can't be read, the
// table is still read again from the entry file, and the user is told that
// the picture may be out of date.
void ReloadForm();

// Loads the form at `path`: its picture, the scroll limits, its entries,
// telling the user when its entry file can't be read. False when the
// picture can't be loaded; a form on screen that was read
// again to make room then gets its entries drawn again.
bool LoadFormWithEntries(const char* path);

#endif

// Drawing stored entries into the form image.
#ifndef SCRIVELANDER_ENTRY_DRAW_H
#define SCRIVELANDER_ENTRY_DRAW_H

#include <windows.h>
#include <stdint.h>

#include "entries/entry_record.h"

// Set at start; the first load of the run that draws an entry makes that
// entry's font the default font and clears it.
extern bool AdoptFirstEntryFont;

// Draws one entry into `dc` with `font` (the entry's escapement already set)
// and `colour`: a formula as its value when it has one. Returns the value,
// or FormulaError for plain text and formulas without one.
uint32_t DrawEntryInto(HDC dc, const EntryRecord& record, const LOGFONTA& font, COLORREF colour,
                       const EntryRecord* table);

// Draws the entry of a table slot into the form image with CurrentFont and
// the current text colour.
uint32_t DrawEntry(int slot);

// Reads the entry file and draws every entry into the form image, then
// repaints the window.
void LoadFormEntries();

#endif

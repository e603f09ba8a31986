// Entries kept as the pixels they were drawn as. Under Wine every text call
// costs some ten microseconds before its first glyph, so a reload of a form
// with 200 entries spent longer drawing the entries than reading the whole
// bitmap. A load keeps, for each entry it draws, the rectangle of the
// picture the text touched, as it was before and after the drawing. When a
// later load comes to the same entry (same text or value, place, font and
// colour) and that rectangle holds the same pixels as before, the pixels
// after are put back: exactly what drawing the text again would give, since
// drawing depends on nothing else. Anything else is drawn as text.
#ifndef SCRIVELANDER_KEPT_ENTRIES_H
#define SCRIVELANDER_KEPT_ENTRIES_H

#include <windows.h>
#include <stdint.h>

#include "entries/record_layout.h"

// A load of the form image's entries begins. Kept entries of another
// picture, or of other text settings of the system, are forgotten.
void BeginKeptEntries();

// Draws a stored entry into the form image in `font` and `colour`, as
// DrawEntryInto does, by its kept pixels where they apply; otherwise draws
// it and keeps what it drew. Returns the formula's value, or FormulaError.
uint32_t DrawKeptEntry(const EntryRecord& record, const LOGFONTA& font, COLORREF colour, const EntryRecord* table);

// The load has ended: entries it did not draw are forgotten. Returns how
// many entries it put back as their pixels.
int EndKeptEntries();

// Frees every kept entry (at close).
void ForgetKeptEntries();

// ---- arithmetic, free of GDI ----

// The bytes of a stored row that hold pixels [left, right) at this depth.
struct RowBytes {
    uint32_t start, count;
};
RowBytes RowBytesOf(int left, int right, int bitCount);

// Whether `inner` lies within `outer` (an empty rectangle lies anywhere).
bool RectWithin(const RECT& inner, const RECT& outer);

// The part of a rectangle inside a picture of width x height.
RECT ClippedTo(const RECT& rect, int width, int height);

#endif

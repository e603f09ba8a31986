// Entries kept as the pixels they were drawn as. Under Wine every text call
// costs some ten microseconds before its first glyph, so a reload of a form
// with 200 entries spent longer drawing the entries than reading the whole
// bitmap. A load keeps, for each entry it draws, the rectangle of the
// picture the text touched, as it was before and after the drawing. When a
// later load comes to the same entry (same text or value, place, font and
// colour) and that rectangle holds the same pixels as before, the pixels
// after are put back: exactly what drawing the text again would give, since
// drawing depends on nothing else. Anything else is drawn as text.
//
// The cache only ever holds what the view shows. A change of the entries
// gets back onto the screen by the one way every change ends: the entry
// file is written, the form is reloaded (the bitmap read again, then every
// entry drawn: put back from here where its pixels still match, drawn as
// text otherwise), and the window is repainted from the form image. Nothing
// here is ever written to a file.
#ifndef SCRIVELANDER_KEPT_ENTRIES_H
#define SCRIVELANDER_KEPT_ENTRIES_H

#include <windows.h>
#include <stdint.h>

// The most entries one load draws, and the longest text of one.
const int KeptLoadEntries = 200;
const int KeptTextSize = 100;

// Everything that decides the pixels an entry's text gives over given
// pixels. Compared byte for byte, so it is filled from zero.
struct KeptEntryKey {
    LOGFONTA font;
    COLORREF colour;
    int32_t x, y, width;
    uint32_t value;
    uint8_t rightJustified;
    char text[KeptTextSize];
};

// A load of the form image's entries begins. Kept entries of another
// picture, or of other text settings of the system, are forgotten.
void BeginKeptEntries();

// Puts the pixels of the entry `key` describes back into the form image,
// when they are kept and the picture holds, where its text goes, what it
// held when the entry was drawn. False when the entry must be drawn.
bool PutBackKeptEntry(const KeptEntryKey& key);

// The bytes of a stored row that hold pixels [left, right) at this depth.
struct RowBytes {
    uint32_t start, count;
};

// The rows of the picture under an entry's reach before its text is
// drawn, when there is room to keep them, with room for the same rows
// after it.
struct RowsUnderEntry {
    bool room;
    RECT reach;
    RowBytes bytes;
    size_t size;          // of the rows once
    uint8_t* before;      // 2 x size bytes: before, then after
};

// Handed to the drawing of an entry that is not kept: called with the
// rectangle its text can reach just before the text is drawn, and
// `context` a RowsUnderEntry filled from zero. Copies those rows when
// there is room to keep them.
void KeepRowsBeforeText(const RECT& reach, void* context);

// After that drawing: keeps the pixels the text touched (`bounds`, what
// the platform saw drawn, and every pixel it changed) under `key`, when
// they lie where the text could reach, and frees the rows.
void KeepDrawnEntry(RowsUnderEntry& rows, const RECT& bounds, const KeptEntryKey& key);

// The load has ended: entries it did not draw are forgotten. Returns how
// many entries it put back as their pixels.
int EndKeptEntries();

// Frees every kept entry (at close).
void ForgetKeptEntries();

// ---- arithmetic, free of GDI ----

// The bytes of a stored row that hold pixels [left, right) at this depth.
RowBytes RowBytesOf(int left, int right, int bitCount);

// Whether `inner` lies within `outer` (an empty rectangle lies anywhere).
bool RectWithin(const RECT& inner, const RECT& outer);

// The part of a rectangle inside a picture of width x height.
RECT ClippedTo(const RECT& rect, int width, int height);

#endif

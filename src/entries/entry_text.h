// Drawing one entry's text into a picture (the form image, a printer page):
// its text or its formula's value, in its font and colour, bounded to the
// picture, and where that text can reach and did.
#ifndef SCRIVELANDER_ENTRY_TEXT_H
#define SCRIVELANDER_ENTRY_TEXT_H

#include <windows.h>
#include <stdint.h>

#include "entries/drawing_bounds.h"
#include "entries/record_layout.h"

// Draws one entry into `dc` with `font` (turned for a vertical entry) and
// `colour`: a formula as its value when it has one. Its font height, weight
// and position are bounded to the picture (BoundEntryDrawing): the bitmap of
// a memory device context, or the form image's size on another device.
// Returns the value, or FormulaError for plain text and formulas without one.
// `touched`, when given, gets a rectangle that holds every pixel drawn: the
// cells of the text with the font's height all round, and whatever more
// the platform saw drawn.
uint32_t DrawEntryInto(HDC dc, const EntryRecord& record, const LOGFONTA& font, COLORREF colour,
                       const EntryRecord* table, RECT* touched = nullptr);

// The same, bounded to a picture of `picture` pixels whatever `dc` is: the
// page of a form printed while another is on screen.
uint32_t DrawEntryIntoPicture(HDC dc, const EntryRecord& record, const LOGFONTA& font, COLORREF colour,
                              const EntryRecord* table, SIZE picture);

// What an entry shows, and where, in a picture: its text or its formula's
// value, drawn from (x, y), the top left of its cells (turned a quarter,
// the text runs upward from there with its cells to the right), with its
// font selected. `text` points into the record or into `value`: not to be
// copied.
struct ShownEntry {
    const char* text;
    int length;
    int x, y;
    bool turned;
    char value[12];
    EntryDrawing bounded;    // the font's height and weight as drawn
};

// Selects into `dc` the font an entry is drawn with, bounded to a picture
// of `picture` pixels, and places its text (`value` its formula's value, or
// FormulaError). Returns the font made, which the caller selects out again
// (`previous`) and deletes; NULL, with nothing selected, when the picture
// has no size.
HFONT SelectShownEntry(HDC dc, const EntryRecord& record, const LOGFONTA& font, uint32_t value, SIZE picture,
                       ShownEntry* shown, HGDIOBJ* previous);

// What an entry shows: its formula's value over `table`, or FormulaError
// for plain text and formulas without one.
uint32_t EntryValue(const EntryRecord& record, const EntryRecord* table);

// Told, just before an entry's text is drawn, its reach: a rectangle of the
// picture that holds every pixel the text can draw (the cells of the text
// with the font's height all round). Not told when no font could be made.
typedef void (*BeforeEntryText)(const RECT& reach, void* context);

// DrawEntryInto for an entry whose value is known. `bounds`, when given,
// gets the rectangle the platform saw drawn (GetBoundsRect); when it can't
// tell, the entry's reach. `before`, when given, is called with `context`.
void DrawEntryValue(HDC dc, const EntryRecord& record, const LOGFONTA& font, COLORREF colour, uint32_t value,
                    RECT* bounds, BeforeEntryText before = nullptr, void* context = nullptr);

#endif

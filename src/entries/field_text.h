// What a text typed into a found field becomes: measured with the form's
// own font at full size, where a font's height and a text's extent are in
// image pixels. The arithmetic is in fields/field_seating.
#ifndef SCRIVELANDER_FIELD_TEXT_H
#define SCRIVELANDER_FIELD_TEXT_H

#include <windows.h>

#include "entries/record_layout.h"
#include "fields/field_types.h"

// A found field an edit opens in: where a new entry sits in it, and how.
struct EntrySeat {
    int field = -1;              // its index among the found fields; -1: none
    FieldKind kind = FieldBox;
    FieldRect area = {};
    int cells = 1;               // a comb's cells
    int x = 0, y = 0;            // image point of a new entry's anchor
    int rightX = 0;              // ...of an amount's right end (the right margin)
    LONG fontHeight = 0;         // lfHeight at which a cell fits the field's height
    int cellHeight = 0;          // ...and that cell's height: a smaller text keeps its bottom
    bool rightJustified = false;
    bool amountColumn = false;   // one of a column of amounts: a number ends at the right margin
    int leastHeight = 0;         // a text too wide shrinks down to this height, not below
};

// The extent of `text` in `font`, turned level, at full size.
SIZE FullSizeExtent(LOGFONTA font, const char* text);

// Whether a new entry at this seat is made smaller to fit the field's
// width: one in a box or on a line.
bool ShrinksToWidth(const EntrySeat& seat);

// The lfHeight at which `text` in `font` fits the seat's width: the seat's
// own, smaller in 2-pixel steps while it is wider, but not below the least
// legible height (where it runs past the field's edge).
LONG HeightFittingWidth(const EntrySeat& seat, LOGFONTA font, const char* text);

// The records of a comb's text in `font` and `colour`: a character to a
// cell (the last cell takes what is left, so nothing is dropped), each
// centred in its cell at the seat's height; blanks leave their cell empty.
// Returns how many were made (at most EntryTableSlots).
int CombRecords(const EntrySeat& seat, const LOGFONTA& font, COLORREF colour, const char* text,
                uint8_t records[][EntryRecordSize]);

#endif

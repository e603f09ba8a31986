// Where an entry typed into a found field goes, and which field Tab opens:
// arithmetic of values only (the caller measures the font).
#ifndef SCRIVELANDER_FIELD_SEATING_H
#define SCRIVELANDER_FIELD_SEATING_H

#include "fields/field_types.h"

// ---- Tab from field to field ----

// No field comes after the last one: Tab there stores and closes the box.
const int PastTheLastField = -1;

// The field Tab (or Shift+Tab, `backward`) opens among `count` fields after
// `last` was visited (-1: none yet). Forward: the one after it, the first
// at the start, PastTheLastField after the last. Backward: the one before
// it, the last at the start or before the first.
int FieldAfter(int count, int last, bool backward);

// Whether the image point (x, y) lies inside the field's area.
bool FieldHolds(const FieldRect& area, int x, int y);

// ---- seating ----

// The margins kept between a seated entry and its field's edges, in image
// pixels: small, and growing with the field's height.
int SeatMarginAcross(const FieldRect& area);
int SeatMarginDown(const FieldRect& area);

// The largest font height (lfHeight's magnitude, even: a record keeps half
// of it) no larger than `fontHeight` at which a text cell fits the field's
// writable height less a margin above and below. `cellHeight` is the cell
// (ascent plus descent) of the font at `fontHeight`; cells scale with the
// height. At least 2.
int FittedFontHeight(const FieldRect& area, int fontHeight, int cellHeight);

// The cell height of a font of `fittedHeight` whose cell is `cellHeight`
// at `fontHeight`, rounded up.
int ScaledCellHeight(int fittedHeight, int fontHeight, int cellHeight);

// The anchor of an entry seated in a field, in image pixels: the top of its
// text cell at the bottom margin, so the descenders stay above the bottom
// rule; x is the left end of the text (left margin), or its right end
// (right margin) when right-justified.
struct FieldSeat {
    int x, y;
};
FieldSeat SeatInField(const FieldRect& area, int cellHeight, bool rightJustified);

// A check box's mark `width` wide and `cellHeight` high, centred in it:
// the left and top of its text cell.
FieldSeat CheckMarkSeat(const FieldRect& area, int width, int cellHeight);

// Whether a typed character checks a check box: x, X or Space.
bool ChecksBox(char c);

// The left end of character `i`, `width` wide, in a comb of `cells` cells:
// centred in cell i. A comb holds at most `cells` characters: -1 for one
// past them.
int CombCharacterLeft(const FieldRect& area, int cells, int i, int width);

#endif

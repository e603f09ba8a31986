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

// The cell of a comb of `cells` cells that holds image column x; -1 when x
// lies outside the comb.
int CombCellOf(const FieldRect& area, int cells, int x);

// A comb's entries as one text for its box: each entry's text from its cell
// on, cells without one as blanks (trailing ones dropped). `cellOf[i]` is
// the cell of `texts[i]`; they may come in any order. Refuses (false) a text
// longer than `room` less its end.
bool JoinCombTexts(const int* cellOf, const char* const* texts, int count, char* out, int room);

// How much of `text` goes into cell `i` of a comb of `cells` cells: one
// character each, and the last cell takes what is left, so nothing typed is
// ever dropped. 0 past the text.
int CombPieceLength(int textLength, int cells, int i);

// Whether a character typed at the end of a full comb is a separator that
// is passed over on the way to the next comb: -, /, . or a blank.
bool PassedOverBetweenCombs(char c);

// Whether field b lies on the same row as field a: each one's middle within
// the other's height.
bool OnSameRow(const FieldRect& a, const FieldRect& b);

// Whether field `index` of `count` is one of a column of amounts: three or
// more fields stacked one above the other whose right edges line up (within
// a few pixels).
bool InAmountColumn(const FormField* fields, int count, int index);

// Whether a typed text reads as an amount: digits, with only signs,
// brackets, blanks, separators (. , ') and currency signs ($, and the ANSI
// pound, yen, euro and cent) around and between them.
bool LooksLikeAmount(const char* text);

// The smallest legible font height (lfHeight's magnitude, even, in image
// pixels): about 6 points at the form's resolution (150 dots an inch when it
// is unknown).
int LeastLegibleHeight(int dotsPerInch);

// Whether a text `width` wide at font height `height` is made smaller to fit
// `room` pixels: it is wider, and one 2-pixel step down is still at least
// `least`.
bool ShrinkToFit(int width, int room, int height, int least);

#endif

// Where entries lie on the form and how a placement is drawn on the window,
// as functions of values: form points, hit tests, the insertion mark, the
// caret and the echo, and the record of a new entry.
#ifndef SCRIVELANDER_ENTRY_GEOMETRY_H
#define SCRIVELANDER_ENTRY_GEOMETRY_H

#include <windows.h>

#include "entries/entry_record.h"
#include "view/view_state.h"

// The form point under a window point in the given view.
POINT FormPointOf(int wx, int wy, const ViewState& view);

// The height of the font used on the window: half of gCurrentFont's in the
// half-size view (truncated toward zero).
LONG ViewFontHeight(LONG height, int halfSize);

// Whether a pointer that moved (dx, dy) from a press has left the system's
// drag distance (cx, cy: SM_CXDRAG, SM_CYDRAG, either side of the press):
// a drag, not a click.
bool MovedPastDrag(int dx, int dy, int cx, int cy);

// The first of the `count` records read from the entry file whose
// rectangle strictly contains the form point; -1 when none does. Every
// record read is drawn, a record whose x is 0 (at the form's left edge)
// and those after it too, so every one can be pointed at. Vertical entries
// cover x < px < x + height, y - width < py < y.
int HitTestEntriesIn(const EntryRecord* table, int count, int px, int py);
int HitTestEntries(int px, int py);

// How a placement is shown: the insertion mark's shape, the caret and the echo.
enum PlacementVariant { LeftVariant, VerticalVariant, RightVariant };
PlacementVariant VariantOf(bool leftJustified, bool vertical);

// The insertion mark's four points for a mark at (px, py); m and h are the
// view font's widest character and height.
void MarkPoints(PlacementVariant variant, int px, int py, int m, int h, POINT points[4]);

// The caret at the release: its size and place for a view font h high.
RECT CaretAtRelease(PlacementVariant variant, int ax, int ay, int h);

// Where the echo's text starts for text cx long.
POINT EchoOrigin(PlacementVariant variant, int ax, int ay, int cx);

// Where the caret stands while text cx long is typed, with the insertion
// point after the first `before` pixels of it: at the end of the text it is
// where typing has always put it.
POINT CaretAtInsertion(PlacementVariant variant, int ax, int ay, int cx, int before);

// The record of a new entry typed at window point (ax, ay).
struct NewEntryInput {
    const char* text;
    SIZE extent;               // in the view font
    int ax, ay;
    bool leftJustified;
    int verticalText;
};
EntryRecord NewEntryRecord(const NewEntryInput& in, const ViewState& view, const LOGFONTA& font,
                           COLORREF colour);

// The entry under the pointer, tested with its horizontal rectangle whatever
// its orientation; -1 when none.
int HoverHitIn(const EntryRecord* table, int count, int px, int py);
int HoverHit(int px, int py);

#endif

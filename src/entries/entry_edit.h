// Placing and editing entries: the right button places an insertion mark,
// its release opens a hidden edit box whose text is echoed on the window,
// and Enter or Tab stores the entry. A press on an entry picks it up to
// move or edit it.
#ifndef SCRIVELANDER_ENTRY_EDIT_H
#define SCRIVELANDER_ENTRY_EDIT_H

#include <windows.h>

#include "entries/entry_record.h"
#include "view/view_state.h"

// A right-button press has been seen since the last menu command and since
// the box last took the focus; only then does a release open the box.
extern bool rightButtonArmed;

// The entry edit box exists and has the keyboard focus.
extern bool boxOpen;

// The hidden edit box while boxOpen.
extern HWND EntryEditBox;

// ---- geometry, free of window calls ----

// The form point under a window point in the given view.
POINT FormPointOf(int wx, int wy, const ViewStateFields& view);

// The height of the font used on the window: half of CurrentFont's in the
// half-size view (truncated toward zero).
LONG ViewFontHeight(LONG height, int halfSize);

// The first slot, up to the first free one, whose rectangle strictly
// contains the form point; -1 when none does. Vertical entries cover
// x < px < x + height, y - width < py < y.
int HitTestEntriesIn(const EntryRecord* table, int px, int py);
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

// The record of a new entry typed at window point (ax, ay).
struct NewEntryInput {
    const char* text;
    SIZE extent;               // in the view font
    int ax, ay;
    bool leftJustified;
    int verticalText;
};
EntryRecord NewEntryRecord(const NewEntryInput& in, const ViewStateFields& view, const LOGFONTA& font,
                           COLORREF colour);

// ---- message handlers ----

void OnEntryPress(int wx, int wy);
void OnEntryRelease(int wx, int wy);
// Pointer tracking at every mouse move, after the view's drag handling.
void OnPointerMove(WPARAM wParam, LPARAM lParam);
// EN_CHANGE from the box: echo its text.
void OnEntryTextChanged();

// Ends an open edit without storing what was typed; a picked entry goes back
// where it was. Callers test boxOpen first.
void CancelEntryEdit();

// Ends an open edit and stores the entry.
void CommitEntryEdit();

// ---- deleting, and formulas in the title bar ----

void OnDeleteKey();
void OnHover();
// The entry under the pointer, tested with its horizontal rectangle whatever
// its orientation; -1 when none.
int HoverHitIn(const EntryRecord* table, int px, int py);

#endif

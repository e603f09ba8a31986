// Where entries lie and how a placement is drawn, as functions of values.
#include "entries/entry_geometry.h"
#include "entries/entry_style.h"
#include "entries/entries_globals.h"

#include <string.h>

POINT FormPointOf(int wx, int wy, const ViewState& view)
{
    int scale = view.halfSize ? 2 : 1;
    POINT p = { view.offsetX + scale * wx, view.offsetY + scale * wy };
    return p;
}

LONG ViewFontHeight(LONG height, int halfSize)
{
    return halfSize ? height / 2 : height;
}

// Whether (px, py) lies strictly inside an entry's box. The box is worked
// out in 64 bits: a record from a file can hold any 32-bit values, and
// their sums must neither wrap nor be left to the compiler.
static bool InsideBox(int64_t left, int64_t top, int64_t width, int64_t height, int px, int py)
{
    return left < px && px < left + width && top < py && py < top + height;
}

// The horizontal box: from x, or ending at x when right-justified.
static bool InsideHorizontalBox(const EntryRecord& r, int px, int py)
{
    int64_t left = r.rightJustified ? (int64_t)r.x - r.width : r.x;
    return InsideBox(left, r.y, r.width, r.height, px, py);
}

int HitTestEntriesIn(const EntryRecord* table, int count, int px, int py)
{
    for (int i = 0; i < count && i < EntryTableSlots; i++) {
        const EntryRecord& r = table[i];
        bool inside = r.vertical ? InsideBox(r.x, (int64_t)r.y - r.width, r.height, r.width, px, py)
                                 : InsideHorizontalBox(r, px, py);
        if (inside)
            return i;
    }
    return -1;
}

int HitTestEntries(int px, int py)
{
    return HitTestEntriesIn(gEntryTable, gEntryCount, px, py);
}

int HoverHitIn(const EntryRecord* table, int count, int px, int py)
{
    for (int i = 0; i < count && i < EntryTableSlots; i++)
        if (InsideHorizontalBox(table[i], px, py))
            return i;
    return -1;
}

int HoverHit(int px, int py)
{
    return HoverHitIn(gEntryTable, gEntryCount, px, py);
}

PlacementVariant VariantOf(bool leftJustified, bool vertical)
{
    if (!leftJustified)
        return RightVariant;
    return vertical ? VerticalVariant : LeftVariant;
}

void MarkPoints(PlacementVariant variant, int px, int py, int m, int h, POINT points[4])
{
    switch (variant) {
    case LeftVariant:
        points[0] = { px + m, py }; points[1] = { px, py }; points[2] = { px, py + h }; points[3] = { px + m, py + h };
        break;
    case VerticalVariant:
        points[0] = { px, py - m }; points[1] = { px, py }; points[2] = { px + h, py }; points[3] = { px + h, py - m };
        break;
    case RightVariant:
        points[0] = { px - m, py }; points[1] = { px, py }; points[2] = { px, py + h }; points[3] = { px - m, py + h };
        break;
    }
}

RECT CaretAtRelease(PlacementVariant variant, int ax, int ay, int h)
{
    switch (variant) {
    case VerticalVariant: return { ax + 2, ay - 2, ax + 2 + h, ay - 1 };
    case RightVariant: return { ax - 2, ay + 2, ax - 1, ay + 2 + h };
    default: return { ax + 1, ay + 2, ax + 2, ay + 2 + h };
    }
}

POINT EchoOrigin(PlacementVariant variant, int ax, int ay, int cx)
{
    POINT p = { variant == RightVariant ? ax - cx : ax, ay };
    return p;
}

POINT CaretAtInsertion(PlacementVariant variant, int ax, int ay, int cx, int before)
{
    switch (variant) {
    case VerticalVariant: return { ax + 2, ay - before - 1 };
    case RightVariant: return { ax - cx + before - 2, ay + 2 };
    default: return { ax + before + 1, ay + 2 };
    }
}

EntryRecord NewEntryRecord(const NewEntryInput& in, const ViewState& view, const LOGFONTA& font,
                           COLORREF colour)
{
    EntryRecord r = {};
    POINT form = FormPointOf(in.ax, in.ay, view);
    r.x = form.x;
    r.y = form.y;
    int scale = view.halfSize ? 2 : 1;
    r.width = in.extent.cx * scale;
    r.height = in.extent.cy * scale;
    size_t length = strnlen(in.text, EntryTextSize - 1);
    memcpy(r.text, in.text, length);
    size_t face = strnlen(font.lfFaceName, FaceNameSize - 1);
    memcpy(r.faceName, font.lfFaceName, face);
    r.size = font.lfHeight / -2;
    r.weight = font.lfWeight;
    r.pitchAndFamily = font.lfPitchAndFamily;
    r.colourIndex = (uint8_t)IndexOfColour(colour);
    r.vertical = in.verticalText == 1 ? 1 : 0;
    r.rightJustified = in.leftJustified ? 0 : 1;
    return r;
}

bool MovedPastDrag(int dx, int dy, int cx, int cy)
{
    return dx > cx || -dx > cx || dy > cy || -dy > cy;
}

// Where entries lie and how a placement is drawn, as functions of values.
#include "entries/entry_geometry.h"

#include <string.h>

POINT FormPointOf(int wx, int wy, const ViewStateFields& view)
{
    int scale = view.halfSize ? 2 : 1;
    POINT p = { view.offsetX + scale * wx, view.offsetY + scale * wy };
    return p;
}

LONG ViewFontHeight(LONG height, int halfSize)
{
    return halfSize ? height / 2 : height;
}

int HitTestEntriesIn(const EntryRecord* table, int px, int py)
{
    for (int i = 0; i < EntryTableSlots && table[i].x != 0; i++) {
        const EntryRecord& r = table[i];
        bool inside;
        if (r.vertical) {
            inside = r.x < px && px < r.x + r.height && r.y - r.width < py && py < r.y;
        } else {
            int left = r.rightJustified ? r.x - r.width : r.x;
            inside = left < px && px < left + r.width && r.y < py && py < r.y + r.height;
        }
        if (inside)
            return i;
    }
    return -1;
}

int HitTestEntries(int px, int py)
{
    return HitTestEntriesIn(EntryTable, px, py);
}

int HoverHitIn(const EntryRecord* table, int px, int py)
{
    for (int i = 0; i < EntryTableSlots && table[i].x != 0; i++) {
        const EntryRecord& r = table[i];
        int left = r.rightJustified ? r.x - r.width : r.x;
        if (left < px && px < left + r.width && r.y < py && py < r.y + r.height)
            return i;
    }
    return -1;
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

EntryRecord NewEntryRecord(const NewEntryInput& in, const ViewStateFields& view, const LOGFONTA& font,
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

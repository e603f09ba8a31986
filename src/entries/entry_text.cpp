#include "entries/entry_text.h"

#include <string.h>

#include "entries/drawing_bounds.h"
#include "entries/formula.h"
#include "view/form_image.h"
#include "view/view_globals.h"

// The size of the picture an entry is drawn into: the bitmap selected into
// a memory device context; on any other device (a printer) the form
// image's, in whose pixels entries are placed.
static SIZE PictureSizeOf(HDC dc)
{
    SIZE size = { gFormImage.width, gFormImage.height };
    BITMAP bitmap;
    if (GetObjectType(dc) == OBJ_MEMDC &&
        GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bitmap, &bitmap) == (int)sizeof bitmap) {
        size.cx = bitmap.bmWidth;
        size.cy = bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight;
    }
    return size;
}

uint32_t EntryValue(const EntryRecord& r, const EntryRecord* table)
{
    return r.text[0] == '#' ? EvaluateFormulaIn(table, r) : FormulaError;
}

// Selects the entry's font, bounded to the picture, into dc; returns the
// font made (NULL when the picture has no size) and the one it replaced.
static HFONT SelectEntryFont(HDC dc, const EntryRecord& r, const LOGFONTA& font, SIZE picture,
                             EntryDrawing* bounded, HGDIOBJ* previous)
{
    *bounded = BoundEntryDrawing(r, font.lfHeight, font.lfWeight, picture.cx, picture.cy);
    if (!bounded->drawn)
        return NULL;
    LOGFONTA drawn = font;
    drawn.lfHeight = bounded->fontHeight;
    drawn.lfWeight = bounded->fontWeight;
    HFONT made = CreateFontIndirectA(&drawn);
    *previous = SelectObject(dc, made);
    return made;
}

// With the entry's font selected.
static void PlaceShownText(HDC dc, const EntryRecord& r, const LOGFONTA& font, const EntryDrawing& bounded,
                           uint32_t value, ShownEntry& shown)
{
    shown.text = r.text;
    shown.length = bounded.textLength;
    shown.x = bounded.left;
    shown.y = bounded.y;
    shown.turned = font.lfEscapement != 0;
    if (value == FormulaError)
        return;
    // The value, not the formula, ends at x when right-justified.
    FormulaValueText(value, shown.value);
    shown.text = shown.value;
    shown.length = (int)strlen(shown.value);
    shown.x = bounded.x;
    if (r.rightJustified == 1) {
        SIZE extent;
        GetTextExtentPoint32A(dc, shown.value, shown.length, &extent);
        shown.x -= extent.cx;
    }
}

HFONT SelectShownEntry(HDC dc, const EntryRecord& r, const LOGFONTA& font, uint32_t value, SIZE picture,
                       ShownEntry* shown, HGDIOBJ* previous)
{
    HFONT made = SelectEntryFont(dc, r, font, picture, &shown->bounded, previous);
    if (made)
        PlaceShownText(dc, r, font, shown->bounded, value, *shown);
    return made;
}

// The box of the shown text's cells: to the right and down from its point,
// or, turned, upward with the cells to the right of it.
static RECT TextBox(HDC dc, const ShownEntry& shown)
{
    SIZE extent = {};
    GetTextExtentPoint32A(dc, shown.text, shown.length, &extent);
    if (shown.turned)
        return RECT{ shown.x, shown.y - extent.cx, shown.x + extent.cy, shown.y };
    return RECT{ shown.x, shown.y, shown.x + extent.cx, shown.y + extent.cy };
}

// The cells of the shown text with the font's height all round: more than
// any glyph reaches past its cell.
static RECT ReachOf(HDC dc, const ShownEntry& shown, const EntryDrawing& bounded)
{
    RECT reach = TextBox(dc, shown);
    int height = bounded.fontHeight < 0 ? -bounded.fontHeight : bounded.fontHeight;
    InflateRect(&reach, height, height);
    return reach;
}

// Draws the text of an entry whose formula value (or FormulaError) is
// known. When asked: `reach` gets where the text can touch, `bounds` where
// the platform saw it drawn (the reach when the platform can't tell), and
// `before` is told the reach before the text is drawn.
static void DrawEntryText(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value,
                          SIZE picture, RECT* reach, RECT* bounds, BeforeEntryText before = nullptr,
                          void* context = nullptr)
{
    if (reach)
        *reach = RECT{};
    if (bounds)
        *bounds = RECT{};
    HGDIOBJ previous = NULL;
    ShownEntry shown;
    HFONT made = SelectShownEntry(dc, r, font, value, picture, &shown, &previous);
    if (!made)
        return;
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    RECT within = reach || bounds || before ? ReachOf(dc, shown, shown.bounded) : RECT{};
    if (reach)
        *reach = within;
    if (before)
        before(within, context);
    if (bounds)
        SetBoundsRect(dc, NULL, DCB_ENABLE | DCB_RESET);
    TextOutA(dc, shown.x, shown.y, shown.text, shown.length);
    if (bounds) {
        UINT state = GetBoundsRect(dc, bounds, DCB_RESET);
        SetBoundsRect(dc, NULL, DCB_DISABLE);
        if (!(state & DCB_SET))
            *bounds = within;
    }
    SelectObject(dc, previous);
    DeleteObject(made);
}

uint32_t DrawEntryInto(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour,
                       const EntryRecord* table, RECT* touched)
{
    uint32_t value = EntryValue(r, table);
    RECT bounds;
    DrawEntryText(dc, r, font, colour, value, PictureSizeOf(dc), touched, touched ? &bounds : nullptr);
    if (touched)
        UnionRect(touched, touched, &bounds);
    return value;
}

uint32_t DrawEntryIntoPicture(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour,
                              const EntryRecord* table, SIZE picture)
{
    uint32_t value = EntryValue(r, table);
    DrawEntryText(dc, r, font, colour, value, picture, nullptr, nullptr);
    return value;
}

void DrawEntryValue(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value,
                    RECT* bounds, BeforeEntryText before, void* context)
{
    DrawEntryText(dc, r, font, colour, value, PictureSizeOf(dc), nullptr, bounds, before, context);
}

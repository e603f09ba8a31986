#include "entries/field_text.h"

#include <string.h>

#include "entries/entry_geometry.h"
#include "entries/entry_record.h"
#include "fields/field_seating.h"
#include "view/view_globals.h"

SIZE FullSizeExtent(LOGFONTA font, const char* text)
{
    font.lfEscapement = font.lfOrientation = 0;
    HDC dc = GetDC(gMainWindow);
    HFONT handle = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, handle);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    SelectObject(dc, previous);
    DeleteObject(handle);
    ReleaseDC(gMainWindow, dc);
    return size;
}

bool ShrinksToWidth(const EntrySeat& seat)
{
    return seat.fontHeight && (seat.kind == FieldBox || seat.kind == FieldUnderline);
}

LONG HeightFittingWidth(const EntrySeat& seat, LOGFONTA font, const char* text)
{
    int room = seat.area.right - seat.area.left - 2 * SeatMarginAcross(seat.area);
    int height = seat.fontHeight < 0 ? -seat.fontHeight : seat.fontHeight;
    for (;;) {
        font.lfHeight = seat.fontHeight < 0 ? -height : height;
        if (!ShrinkToFit(FullSizeExtent(font, text).cx, room, height, seat.leastHeight))
            return font.lfHeight;
        height -= 2;
    }
}

int CombRecords(const EntrySeat& seat, const LOGFONTA& font, COLORREF colour, const char* text,
                uint8_t records[][EntryRecordSize])
{
    ViewState image = InitialViewState();   // full size at the origin: window points are image points
    image.halfSize = 0;
    int length = (int)strnlen(text, EntryTextSize), count = 0;
    for (int i = 0; i < seat.cells && i < length && count < EntryTableSlots; i++) {
        char piece[EntryTextSize] = {};
        int pieceLength = CombPieceLength(length, seat.cells, i);
        memcpy(piece, text + i, (size_t)pieceLength);
        if (strspn(piece, " ") == (size_t)pieceLength)
            continue;
        SIZE size = FullSizeExtent(font, piece);
        int left = CombCharacterLeft(seat.area, seat.cells, i, pieceLength == 1 ? size.cx : 0);
        NewEntryInput in = { piece, size, left > 0 ? left : 1, seat.y, true, 0 };
        EncodeEntryRecord(NewEntryRecord(in, image, font, colour), records[count++]);
    }
    return count;
}

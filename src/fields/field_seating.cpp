#include "fields/field_seating.h"

int FieldAfter(int count, int last, bool backward)
{
    if (count <= 0)
        return PastTheLastField;
    if (backward)
        return last <= 0 || last > count ? count - 1 : last - 1;
    if (last < 0)
        return 0;
    return last + 1 < count ? last + 1 : PastTheLastField;
}

bool FieldHolds(const FieldRect& area, int x, int y)
{
    return area.left <= x && x < area.right && area.top <= y && y < area.bottom;
}

int SeatMarginAcross(const FieldRect& area)
{
    int height = area.bottom - area.top;
    int margin = height / 6;
    return margin < 2 ? 2 : margin > 12 ? 12 : margin;
}

int SeatMarginDown(const FieldRect& area)
{
    int height = area.bottom - area.top;
    int margin = height / 16;
    return margin < 1 ? 1 : margin > 6 ? 6 : margin;
}

int ScaledCellHeight(int fittedHeight, int fontHeight, int cellHeight)
{
    if (fontHeight <= 0)
        return cellHeight;
    return (int)(((long long)fittedHeight * cellHeight + fontHeight - 1) / fontHeight);
}

int FittedFontHeight(const FieldRect& area, int fontHeight, int cellHeight)
{
    int room = area.bottom - area.top - 2 * SeatMarginDown(area);
    int height = fontHeight & ~1;
    while (height > 2 && ScaledCellHeight(height, fontHeight, cellHeight) > room)
        height -= 2;
    return height < 2 ? 2 : height;
}

FieldSeat SeatInField(const FieldRect& area, int cellHeight, bool rightJustified)
{
    FieldSeat seat;
    int across = SeatMarginAcross(area);
    seat.x = rightJustified ? area.right - across : area.left + across;
    seat.y = area.bottom - SeatMarginDown(area) - cellHeight;
    if (seat.y < area.top)
        seat.y = area.top;
    return seat;
}

FieldSeat CheckMarkSeat(const FieldRect& area, int width, int cellHeight)
{
    FieldSeat seat = { (area.left + area.right - width) / 2, (area.top + area.bottom - cellHeight) / 2 };
    return seat;
}

bool ChecksBox(char c)
{
    return c == 'x' || c == 'X' || c == ' ';
}

int CombCharacterLeft(const FieldRect& area, int cells, int i, int width)
{
    if (cells < 1 || i < 0 || i >= cells)
        return -1;
    int span = area.right - area.left;
    // Cell i spans [left + i*span/cells, left + (i+1)*span/cells).
    int cellLeft = area.left + (int)((long long)span * i / cells);
    int cellRight = area.left + (int)((long long)span * (i + 1) / cells);
    return (cellLeft + cellRight - width) / 2;
}

#include "fields/field_seating.h"

#include <string.h>

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

int CombCellOf(const FieldRect& area, int cells, int x)
{
    int span = area.right - area.left;
    if (cells < 1 || span <= 0 || x < area.left || x >= area.right)
        return -1;
    int cell = (int)((long long)(x - area.left) * cells / span);
    return cell < cells ? cell : cells - 1;
}

bool JoinCombTexts(const int* cellOf, const char* const* texts, int count, char* out, int room)
{
    if (room < 1)
        return false;
    int length = 0;
    out[0] = 0;
    // In cell order; equal cells keep their order.
    int lastCell = -1, lastIndex = -1;
    for (int n = 0; n < count; n++) {
        int next = -1;
        for (int i = 0; i < count; i++) {
            bool after = cellOf[i] > lastCell || (cellOf[i] == lastCell && i > lastIndex);
            if (after && (next < 0 || cellOf[i] < cellOf[next]))
                next = i;
        }
        if (next < 0)
            break;
        lastCell = cellOf[next];
        lastIndex = next;
        int own = (int)strlen(texts[next]);
        int blanks = cellOf[next] > length ? cellOf[next] - length : 0;
        if (length + blanks + own >= room)
            return false;
        memset(out + length, ' ', (size_t)blanks);
        memcpy(out + length + blanks, texts[next], (size_t)own);
        length += blanks + own;
        out[length] = 0;
    }
    return true;
}

int CombPieceLength(int textLength, int cells, int i)
{
    if (i < 0 || i >= textLength)
        return 0;
    return i == cells - 1 ? textLength - i : (i < cells ? 1 : 0);
}

bool PassedOverBetweenCombs(char c)
{
    return c == '-' || c == '/' || c == '.' || c == ' ';
}

bool OnSameRow(const FieldRect& a, const FieldRect& b)
{
    int am = (a.top + a.bottom) / 2, bm = (b.top + b.bottom) / 2;
    return b.top <= am && am < b.bottom && a.top <= bm && bm < a.bottom;
}

bool InAmountColumn(const FormField* fields, int count, int index)
{
    const int slack = 3;
    if (index < 0 || index >= count)
        return false;
    const FieldRect& own = fields[index].area;
    int stacked = 1;
    for (int i = 0; i < count; i++) {
        const FieldRect& other = fields[i].area;
        int apart = other.right - own.right;
        bool lined = apart >= -slack && apart <= slack;
        bool above = other.bottom <= own.top + slack, below = other.top >= own.bottom - slack;
        if (i != index && lined && (above || below))
            stacked++;
    }
    return stacked >= 3;
}

bool LooksLikeAmount(const char* text)
{
    static const char marks[] = "+-()., '$\x80\xa2\xa3\xa5";
    int digits = 0;
    for (const char* p = text; *p; p++) {
        if (*p >= '0' && *p <= '9')
            digits++;
        else if (!strchr(marks, *p))
            return false;
    }
    return digits > 0;
}

int LeastLegibleHeight(int dotsPerInch)
{
    int dpi = dotsPerInch > 0 ? dotsPerInch : 150;
    int height = (6 * dpi + 71) / 72;
    return (height + 1) & ~1;
}

bool ShrinkToFit(int width, int room, int height, int least)
{
    return width > room && height - 2 >= least;
}

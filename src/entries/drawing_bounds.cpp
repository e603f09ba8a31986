#include "entries/drawing_bounds.h"

#include <string.h>

static int64_t Clamp(int64_t value, int64_t low, int64_t high)
{
    return value < low ? low : value > high ? high : value;
}

// A font height at most `limit` pixels either way: lfHeight below zero is
// the height of the characters, above zero that of their cells.
static int32_t BoundHeight(int64_t height, int64_t limit)
{
    return (int32_t)Clamp(height, -limit, limit);
}

int32_t RecordFontHeight(int32_t size)
{
    return BoundHeight((int64_t)size * -2, LargestEntryFontHeight);
}

int32_t RecordFontWeight(int32_t weight)
{
    return weight >= 0 && weight <= 1000 ? weight : 400;
}

// A coordinate within DrawingReach of a picture `extent` pixels long, and
// far enough inside the 32-bit range that GDI can add a text's size to it.
static int32_t BoundCoordinate(int64_t value, int32_t extent)
{
    int64_t high = (int64_t)extent + DrawingReach;
    if (high > INT32_MAX - (int64_t)DrawingReach)
        high = INT32_MAX - (int64_t)DrawingReach;
    return (int32_t)Clamp(value, -(int64_t)DrawingReach, high);
}

EntryDrawing BoundEntryDrawing(const EntryRecord& r, int32_t fontHeight, int32_t fontWeight, int32_t pictureWidth,
                               int32_t pictureHeight)
{
    EntryDrawing d = {};
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return d;
    d.drawn = true;
    int64_t limit = pictureHeight < LargestEntryFontHeight ? pictureHeight : LargestEntryFontHeight;
    d.fontHeight = BoundHeight(fontHeight, limit);
    d.fontWeight = RecordFontWeight(fontWeight);
    // The shift of a right-justified entry applies whatever its orientation.
    int64_t left = r.rightJustified == 1 ? (int64_t)r.x - r.width : r.x;
    d.left = BoundCoordinate(left, pictureWidth);
    d.x = BoundCoordinate(r.x, pictureWidth);
    d.y = BoundCoordinate(r.y, pictureHeight);
    d.textLength = (int)strnlen(r.text, EntryTextSize - 1);
    return d;
}

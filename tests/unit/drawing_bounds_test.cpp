#include <gtest/gtest.h>
#include <string.h>

#include "entries/drawing_bounds.h"

static EntryRecord At(int32_t x, int32_t y, int32_t width = 0, uint8_t right = 0)
{
    EntryRecord r = {};
    r.x = x;
    r.y = y;
    r.width = width;
    r.rightJustified = right;
    strcpy(r.text, "Total");
    return r;
}

TEST(DrawingBounds, EveryValueIsDrawnWithinWhatARealEntryCanUse)
{
    const int32_t R = DrawingReach;
    struct Case {
        const char* name;
        EntryRecord record;
        int32_t fontHeight, fontWeight, pictureWidth, pictureHeight;
        int32_t height, weight, left, x, y;   // as drawn
    } cases[] = {
        { "an ordinary entry as it is", At(50, 40), -30, 700, 2550, 3300, -30, 700, 50, 50, 40 },
        { "right-justified: shifted left by its width", At(500, 40, 120, 1), -30, 400, 2550, 3300, -30, 400, 380, 500,
          40 },
        { "a positive (cell) height keeps its sign", At(50, 40), 44, 400, 2550, 3300, 44, 400, 50, 50, 40 },
        { "height 0 is the font's own", At(50, 40), 0, 0, 2550, 3300, 0, 0, 50, 50, 40 },
        { "taller than the picture: the picture's height", At(5, 5), -131072, 400, 1000, 700, -700, 400, 5, 5, 5 },
        { "taller than any real entry", At(5, 5), -100000, 400, 5100, 6600, -LargestEntryFontHeight, 400, 5, 5, 5 },
        { "tallest cell height", At(5, 5), INT32_MAX, 400, 5100, 6600, LargestEntryFontHeight, 400, 5, 5, 5 },
        { "most negative height", At(5, 5), INT32_MIN, 400, 5100, 6600, -LargestEntryFontHeight, 400, 5, 5, 5 },
        { "weight -1 is normal", At(5, 5), -30, -1, 2550, 3300, -30, 400, 5, 5, 5 },
        { "weight 2^31-1 is normal", At(5, 5), -30, INT32_MAX, 2550, 3300, -30, 400, 5, 5, 5 },
        { "weight 1000 is the heaviest", At(5, 5), -30, 1000, 2550, 3300, -30, 1000, 5, 5, 5 },
        { "weight 1001 is normal", At(5, 5), -30, 1001, 2550, 3300, -30, 400, 5, 5, 5 },
        { "far above and left", At(-100000, -100000), 200000, 400, 1000, 700, 700, 400, -100000, -100000, -100000 },
        { "the most negative anchor", At(INT32_MIN, INT32_MIN), -30, 400, 1000, 700, -30, 400, -R, -R, -R },
        { "the most positive anchor", At(INT32_MAX, INT32_MAX), -30, 400, 1000, 700, -30, 400, 1000 + R, 1000 + R,
          700 + R },
        { "a right shift past the 32-bit range", At(INT32_MIN, 10, INT32_MAX, 1), -30, 400, 1000, 700, -30, 400, -R,
          -R, 10 },
        { "a negative width shifts right", At(INT32_MAX, 10, INT32_MIN, 1), -30, 400, 1000, 700, -30, 400, 1000 + R,
          1000 + R, 10 },
        { "just inside the reach stays", At(-R, 700 + R), -30, 400, 1000, 700, -30, 400, -R, -R, 700 + R },
        { "the widest picture keeps room to add a text's size", At(INT32_MAX, 5), -30, 400, INT32_MAX, 700, -30,
          400, INT32_MAX - R, INT32_MAX - R, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EntryDrawing d = BoundEntryDrawing(c.record, c.fontHeight, c.fontWeight, c.pictureWidth, c.pictureHeight);
        EXPECT_TRUE(d.drawn);
        EXPECT_EQ(c.height, d.fontHeight);
        EXPECT_EQ(c.weight, d.fontWeight);
        EXPECT_EQ(c.left, d.left);
        EXPECT_EQ(c.x, d.x);
        EXPECT_EQ(c.y, d.y);
        EXPECT_EQ(5, d.textLength);
    }
}

TEST(DrawingBounds, TextIsTakenOnlyWithinItsField)
{
    EntryRecord r = At(5, 5);
    memset(r.text, 'W', sizeof r.text);   // no terminator anywhere
    EXPECT_EQ(EntryTextSize - 1, BoundEntryDrawing(r, -30, 400, 100, 100).textLength);
    r.text[0] = 0;
    EXPECT_EQ(0, BoundEntryDrawing(r, -30, 400, 100, 100).textLength);
}

TEST(DrawingBounds, APictureWithoutSizeGetsNothingDrawn)
{
    EXPECT_FALSE(BoundEntryDrawing(At(5, 5), -30, 400, 0, 700).drawn);
    EXPECT_FALSE(BoundEntryDrawing(At(5, 5), -30, 400, 1000, 0).drawn);
    EXPECT_FALSE(BoundEntryDrawing(At(5, 5), -30, 400, -1, -1).drawn);
}

TEST(DrawingBounds, ARecordsSizeAndWeightBecomeAFontARealEntryCouldHave)
{
    struct Case { int32_t size, height; } heights[] = {
        { 15, -30 }, { -12, 24 }, { 0, 0 }, { 1092, -2184 }, { 1093, -2184 }, { -1093, 2184 },
        { 65536, -2184 }, { -100000, 2184 }, { INT32_MAX, -2184 }, { INT32_MIN, 2184 },
    };
    for (const auto& c : heights) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(c.height, RecordFontHeight(c.size));
    }
    struct { int32_t stored, used; } weights[] = {
        { 400, 400 }, { 0, 0 }, { 700, 700 }, { 1000, 1000 }, { -1, 400 }, { 1001, 400 }, { INT32_MAX, 400 },
        { INT32_MIN, 400 },
    };
    for (const auto& c : weights) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(c.used, RecordFontWeight(c.stored));
    }
}

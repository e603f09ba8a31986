#include <gtest/gtest.h>
#include <string.h>
#include <vector>

#include "entries/entry_edit.h"

static ViewState View(int half, int offsetX, int offsetY)
{
    ViewState v = InitialViewState();
    v.halfSize = half;
    v.offsetX = offsetX;
    v.offsetY = offsetY;
    return v;
}

TEST(Placement, WindowPointsBecomeFormPointsInEitherView)
{
    POINT half = FormPointOf(100, 40, View(1, 200, 300));
    EXPECT_EQ(400, half.x);
    EXPECT_EQ(380, half.y);
    POINT full = FormPointOf(100, 40, View(0, 200, 300));
    EXPECT_EQ(300, full.x);
    EXPECT_EQ(340, full.y);
}

TEST(Placement, ViewFontIsHalfHeightAtHalfSize)
{
    EXPECT_EQ(-15, ViewFontHeight(-30, 1));
    EXPECT_EQ(-15, ViewFontHeight(-31, 1));
    EXPECT_EQ(-31, ViewFontHeight(-31, 0));
    EXPECT_EQ(12, ViewFontHeight(25, 1));
}

static EntryRecord Entry(int x, int y, int width, int height, int vertical = 0, int right = 0)
{
    EntryRecord r = {};
    r.x = x; r.y = y; r.width = width; r.height = height;
    r.vertical = (uint8_t)vertical; r.rightJustified = (uint8_t)right;
    strcpy(r.text, "t");
    return r;
}

TEST(HitTest, StrictRectanglesEarliestEntryWins)
{
    std::vector<EntryRecord> table(EntryTableSlots);
    table[0] = Entry(100, 100, 50, 20);                 // covers 100 < px < 150, 100 < py < 120
    table[1] = Entry(500, 100, 120, 20, 0, 1);          // right-justified: 380 < px < 500
    table[2] = Entry(200, 300, 60, 30, 1, 1);           // vertical: 200 < px < 230, 240 < py < 300
    table[3] = Entry(120, 105, 50, 20);                 // overlaps slot 0
    struct { int px, py, slot; } cases[] = {
        { 101, 101, 0 }, { 100, 110, -1 }, { 150, 110, 3 }, { 149, 119, 0 }, { 125, 120, 3 },
        { 160, 110, 3 }, { 381, 110, 1 }, { 380, 110, -1 }, { 499, 110, 1 }, { 500, 110, -1 },
        { 201, 299, 2 }, { 229, 241, 2 }, { 230, 250, -1 }, { 210, 240, -1 }, { 150, 250, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.px << "," << c.py);
        EXPECT_EQ(c.slot, HitTestEntriesIn(table.data(), EntryTableSlots, c.px, c.py));
    }
    // Records past the ones read are not entries; a record whose x is 0 ends
    // nothing: the ones after it are drawn, and can be pointed at.
    EXPECT_EQ(-1, HitTestEntriesIn(table.data(), 2, 210, 250));
    table[1].x = 0;
    EXPECT_EQ(2, HitTestEntriesIn(table.data(), 4, 210, 250));
    EXPECT_EQ(2, HoverHitIn(table.data(), 4, 150, 310));   // laid flat, right-justified
}

TEST(HitTest, BoxesOfRecordsFromAFileDoNotWrapAround)
{
    // Any 32-bit values can come from a file; the box is what they say,
    // however far it reaches.
    std::vector<EntryRecord> table(EntryTableSlots);
    table[0] = Entry(10, 10, INT32_MAX, 50);                       // reaches past 2^31 to the right
    table[1] = Entry(INT32_MIN + 5, 200, INT32_MAX, 40, 0, 1);     // right-justified, starts before -2^31
    table[2] = Entry(600, INT32_MIN + 5, 30, INT32_MAX, 1);        // vertical, runs up past -2^31
    struct { int px, py, slot, hover; } cases[] = {
        { 1000, 30, 0, 0 }, { 1000, 100, -1, -1 }, { INT32_MAX, 30, 0, 0 },
        { INT32_MIN + 1, 210, 1, 1 }, { 0, 210, -1, -1 },
        { 610, INT32_MIN + 1, 2, -1 }, { 610, 0, -1, 2 },   // laid flat, its box reaches row 3
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.px << "," << c.py);
        EXPECT_EQ(c.slot, HitTestEntriesIn(table.data(), EntryTableSlots, c.px, c.py));
        EXPECT_EQ(c.hover, HoverHitIn(table.data(), EntryTableSlots, c.px, c.py));
    }
}

TEST(HitTest, HoverUsesTheHorizontalRectangleOfEveryEntry)
{
    std::vector<EntryRecord> table(EntryTableSlots);
    table[0] = Entry(200, 300, 60, 30, 1);   // vertical; as if horizontal: 200 < px < 260, 300 < py < 330
    EXPECT_EQ(0, HoverHitIn(table.data(), EntryTableSlots, 250, 310));
    EXPECT_EQ(-1, HoverHitIn(table.data(), EntryTableSlots, 210, 290));
    EXPECT_EQ(0, HitTestEntriesIn(table.data(), EntryTableSlots, 210, 290));
}

TEST(Placement, MarkCaretAndEchoFollowTheVariant)
{
    struct Case {
        bool left, vertical;
        PlacementVariant variant;
        POINT mark[4];
        RECT caret;
        LONG echoX;
    } cases[] = {
        { true, false, LeftVariant, { { 58, 20 }, { 50, 20 }, { 50, 35 }, { 58, 35 } }, { 51, 22, 52, 37 }, 50 },
        { true, true, VerticalVariant, { { 50, 12 }, { 50, 20 }, { 65, 20 }, { 65, 12 } }, { 52, 18, 67, 19 }, 50 },
        { false, false, RightVariant, { { 42, 20 }, { 50, 20 }, { 50, 35 }, { 42, 35 } }, { 48, 22, 49, 37 }, 20 },
        { false, true, RightVariant, { { 42, 20 }, { 50, 20 }, { 50, 35 }, { 42, 35 } }, { 48, 22, 49, 37 }, 20 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << c.vertical);
        PlacementVariant v = VariantOf(c.left, c.vertical);
        EXPECT_EQ(c.variant, v);
        POINT p[4];
        MarkPoints(v, 50, 20, 8, 15, p);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(c.mark[i].x, p[i].x);
            EXPECT_EQ(c.mark[i].y, p[i].y);
        }
        RECT caret = CaretAtRelease(v, 50, 20, 15);
        EXPECT_EQ(c.caret.left, caret.left);
        EXPECT_EQ(c.caret.top, caret.top);
        EXPECT_EQ(c.caret.right - c.caret.left, caret.right - caret.left);
        EXPECT_EQ(c.caret.bottom - c.caret.top, caret.bottom - caret.top);
        EXPECT_EQ(c.echoX, EchoOrigin(v, 50, 20, 30).x);
    }
}

TEST(Placement, TheCaretStandsAtTheInsertionPoint)
{
    // Text 30 pixels long typed at (50, 20); the insertion point after 12 of them.
    const struct { PlacementVariant variant; POINT atEnd, inside, atStart; } cases[] = {
        { LeftVariant, { 81, 22 }, { 63, 22 }, { 51, 22 } },
        { VerticalVariant, { 52, -11 }, { 52, 7 }, { 52, 19 } },
        { RightVariant, { 48, 22 }, { 30, 22 }, { 18, 22 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        POINT end = CaretAtInsertion(c.variant, 50, 20, 30, 30);
        POINT inside = CaretAtInsertion(c.variant, 50, 20, 30, 12);
        POINT start = CaretAtInsertion(c.variant, 50, 20, 30, 0);
        EXPECT_EQ(c.atEnd.x, end.x);
        EXPECT_EQ(c.atEnd.y, end.y);
        EXPECT_EQ(c.inside.x, inside.x);
        EXPECT_EQ(c.inside.y, inside.y);
        EXPECT_EQ(c.atStart.x, start.x);
        EXPECT_EQ(c.atStart.y, start.y);
    }
    // With nothing typed the caret is where the release put it.
    for (PlacementVariant v : { LeftVariant, VerticalVariant, RightVariant }) {
        RECT release = CaretAtRelease(v, 50, 20, 15);
        POINT typed = CaretAtInsertion(v, 50, 20, 0, 0);
        EXPECT_EQ(release.left, typed.x);
        if (v != VerticalVariant) {
            EXPECT_EQ(release.top, typed.y);
        }
    }
}

TEST(Placement, NewEntryRecordFromTheTypedText)
{
    LOGFONTA font = {};
    font.lfHeight = -31;
    font.lfWeight = 700;
    font.lfPitchAndFamily = 0x12;
    strcpy(font.lfFaceName, "Arial");
    NewEntryInput in = { "Total", { 60, 14 }, 100, 40, false, 1 };
    EntryRecord r = NewEntryRecord(in, View(1, 200, 300), font, RGB(0, 0, 255));
    EXPECT_EQ(400, r.x);
    EXPECT_EQ(380, r.y);
    EXPECT_EQ(120, r.width);    // the view font's extent, doubled at half size
    EXPECT_EQ(28, r.height);
    EXPECT_STREQ("Total", r.text);
    EXPECT_EQ(0, r.text[6]);
    EXPECT_STREQ("Arial", r.faceName);
    EXPECT_EQ(15, r.size);
    EXPECT_EQ(700, r.weight);
    EXPECT_EQ(0x12, r.pitchAndFamily);
    EXPECT_EQ(0, r.colourIndex);   // blue is not among the colours
    EXPECT_EQ(1, r.vertical);
    EXPECT_EQ(1, r.rightJustified);

    in.leftJustified = true;
    in.verticalText = 0;
    r = NewEntryRecord(in, View(0, 0, 0), font, RGB(255, 0, 0));
    EXPECT_EQ(60, r.width);
    EXPECT_EQ(9, r.colourIndex);
    EXPECT_EQ(0, r.rightJustified);
    EXPECT_EQ(0, r.vertical);
}

#include <gtest/gtest.h>
#include <string>
#include <string.h>

#include "entries/entry_geometry.h"
#include "fields/field_seating.h"
#include "view/form_fields.h"
#include "view/view_state.h"

TEST(FieldTab, NextAndPreviousWrapAroundTheFields)
{
    struct Case { int count, last; bool backward; int expected; } cases[] = {
        { 3, -1, false, 0 },                  // the first at the start
        { 3, 0, false, 1 },
        { 3, 1, false, 2 },
        { 3, 2, false, PastTheLastField },    // after the last: close, then start again
        { 3, -1, true, 2 },                   // backward at the start: the last
        { 3, 2, true, 1 },
        { 3, 0, true, 2 },                    // before the first: the last
        { 1, 0, false, PastTheLastField },
        { 0, -1, false, PastTheLastField },   // no fields
        { 0, -1, true, PastTheLastField },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " " << c.last << " " << c.backward);
        EXPECT_EQ(c.expected, FieldAfter(c.count, c.last, c.backward));
    }
}

TEST(FieldTab, AFieldHoldsTheAnchorsInsideItsArea)
{
    FieldRect area = { 100, 200, 300, 240 };
    EXPECT_TRUE(FieldHolds(area, 100, 200));
    EXPECT_TRUE(FieldHolds(area, 299, 239));
    EXPECT_FALSE(FieldHolds(area, 300, 220));   // right and bottom are outside
    EXPECT_FALSE(FieldHolds(area, 150, 240));
    EXPECT_FALSE(FieldHolds(area, 99, 220));
}

// A seated entry's cell lies inside the field, clear of its edges, at the
// left or the right, whatever the font's height was.
TEST(FieldSeating, TheTextCellFitsInsideTheFieldAtTheLeftAndTheRight)
{
    struct Case { FieldRect area; int font, cell; } cases[] = {
        { { 100, 200, 400, 240 }, 40, 46 },    // too big: made smaller
        { { 100, 200, 400, 240 }, 20, 23 },    // fits already: kept
        { { 50, 50, 700, 170 }, 33, 38 },      // a tall cell: odd heights go even
        { { 10, 10, 60, 22 }, 30, 35 },        // very low: the smallest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.area.top << " " << c.font);
        int fitted = FittedFontHeight(c.area, c.font, c.cell);
        int cell = ScaledCellHeight(fitted, c.font, c.cell);
        EXPECT_LE(fitted, c.font);
        EXPECT_EQ(0, fitted % 2);
        int room = c.area.bottom - c.area.top - 2 * SeatMarginDown(c.area);
        if (fitted > 2) {
            EXPECT_LE(cell, room);
            // The largest: one step up would not fit (unless it is the font's own).
            if (fitted + 2 <= c.font) {
                EXPECT_GT(ScaledCellHeight(fitted + 2, c.font, c.cell), room);
            }
        }
        for (bool right : { false, true }) {
            FieldSeat seat = SeatInField(c.area, cell, right);
            int across = SeatMarginAcross(c.area);
            EXPECT_EQ(right ? c.area.right - across : c.area.left + across, seat.x);
            EXPECT_GE(seat.y, c.area.top);
            if (fitted > 2) {
                EXPECT_EQ(c.area.bottom - SeatMarginDown(c.area), seat.y + cell);   // descenders above the rule
            }
        }
    }
    EXPECT_EQ(20, FittedFontHeight({ 100, 200, 400, 240 }, 20, 23));
}

TEST(FieldSeating, CombCharactersLandOnePerCellAndCheckMarksCentre)
{
    FieldRect comb = { 100, 340, 420, 390 };   // eight cells of 40
    EXPECT_EQ(110, CombCharacterLeft(comb, 8, 0, 20));
    EXPECT_EQ(150, CombCharacterLeft(comb, 8, 1, 20));
    EXPECT_EQ(390, CombCharacterLeft(comb, 8, 7, 20));
    EXPECT_EQ(-1, CombCharacterLeft(comb, 8, 8, 20));   // no cell left
    FieldSeat mark = CheckMarkSeat({ 102, 462, 122, 482 }, 10, 14);
    EXPECT_EQ(107, mark.x);
    EXPECT_EQ(465, mark.y);
    for (char c : { 'x', 'X', ' ' })
        EXPECT_TRUE(ChecksBox(c));
    for (char c : { 'v', '1', '\r' })
        EXPECT_FALSE(ChecksBox(c));
}

TEST(FormFields, TheFinderReadsTheFormImageAsItsHeaderSays)
{
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 101;
    header.biBitCount = 24;
    header.biXPelsPerMeter = 11811;   // 300 dpi
    PixelFormat format = {};
    uint8_t pixels[4] = {};
    struct Case { LONG height, ppm; int dpi, rows; bool bottomUp; } cases[] = {
        { 50, 11811, 300, 50, true }, { -50, 5906, 150, 50, false }, { 7, 0, 0, 7, true },
    };
    for (const Case& c : cases) {
        header.biHeight = c.height;
        header.biXPelsPerMeter = c.ppm;
        FieldImage image = FieldImageOf(pixels, (const uint8_t*)&header, format);
        EXPECT_EQ(pixels, image.pixels);
        EXPECT_EQ(101, image.width);
        EXPECT_EQ(c.rows, image.height);
        EXPECT_EQ(304, image.stride);   // 303 bytes padded to 4
        EXPECT_EQ(c.bottomUp, image.bottomUp);
        EXPECT_EQ(c.dpi, image.dotsPerInch);
    }
}

TEST(FormFields, SettingsFileKeepsBothSwitches)
{
    for (bool show : { false, true })
        for (bool snap : { false, true }) {
            char content[64];
            int count = FieldSettingsContent({ show, snap }, content);
            FieldSettings back = ParseFieldSettings(content, count);
            EXPECT_EQ(show, back.showFields);
            EXPECT_EQ(snap, back.snapToFields);
        }
    FieldSettings none = ParseFieldSettings("", 0);
    EXPECT_FALSE(none.showFields || none.snapToFields);
    const char onlySnap[] = "SnapToFields=1";
    FieldSettings snap = ParseFieldSettings(onlySnap, (int)strlen(onlySnap));
    EXPECT_TRUE(snap.snapToFields);
    EXPECT_FALSE(snap.showFields);
    // Saved as UTF-16 by an editor: either byte order, with its mark or without.
    const std::string text = "ShowFields=1\r\nSnapToFields=1\r\n";
    for (bool bigEndian : { false, true })
        for (bool mark : { false, true }) {
            SCOPED_TRACE(testing::Message() << bigEndian << mark);
            std::string wide = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
            for (char c : text)
                wide += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
            FieldSettings read = ParseFieldSettings(wide.data(), (int)wide.size());
            EXPECT_TRUE(read.showFields && read.snapToFields);
        }
}

TEST(FieldScroll, AFieldOutOfViewIsScrolledInAtEitherZoom)
{
    ViewState view = InitialViewState();
    view.dragLimitX = 3000;
    view.dragLimitY = 3000;
    SIZE client = { 800, 600 };
    struct Case { int half, offsetX, offsetY; RECT area; int x, y; } cases[] = {
        { 0, 0, 0, { 100, 100, 300, 140 }, 0, 0 },          // in view: no move
        { 0, 0, 0, { 900, 1000, 1100, 1040 }, 300, 800 },    // right and below: a third of the way down
        { 0, 1000, 1000, { 100, 100, 300, 140 }, 100, 0 },   // left and above: as far up as the form goes
        { 0, 0, 1500, { 100, 1300, 300, 1340 }, 0, 1100 },   // above: a third down too
        { 1, 0, 0, { 900, 1000, 1100, 1040 }, 0, 0 },        // half size shows twice as much
        { 1, 0, 0, { 1500, 1300, 1700, 1340 }, 100, 900 },
        { 0, 0, 0, { 100, 900, 300, 1400 }, 0, 900 },        // taller than two thirds: its top at the top
        { 0, 0, 0, { 3500, 3800, 3900, 3840 }, 3000, 3000 }, // the limits hold
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.half << " " << c.area.left);
        view.halfSize = c.half;
        view.offsetX = c.offsetX;
        view.offsetY = c.offsetY;
        ViewState moved = ScrolledToShow(view, c.area, client);
        EXPECT_EQ(c.x, moved.offsetX);
        EXPECT_EQ(c.y, moved.offsetY);
    }
}

// The arithmetic of combs, columns of amounts, shrinking to a field's width
// and telling a click from a drag: one case a line.
TEST(FieldFilling, CombsAmountsShrinkingAndClicks)
{
    FieldRect comb = { 100, 300, 420, 350 };   // 8 cells of 40
    FormField column[] = { { FieldBox, { 500, 100, 800, 130 }, 1 }, { FieldBox, { 520, 140, 801, 170 }, 1 },
                           { FieldBox, { 600, 180, 798, 210 }, 1 }, { FieldBox, { 100, 180, 400, 210 }, 1 },
                           { FieldBox, { 500, 300, 790, 330 }, 1 } };
    const int cellOf[] = { 4, 0, 2 };
    const char* const texts[] = { "Z", "A", "BC" };
    char joined[8];
    struct Case { const char* what; long long got, expected; } cases[] = {
        { "a comb's first cell", CombCellOf(comb, 8, 100), 0 },
        { "its last pixel is its last cell", CombCellOf(comb, 8, 419), 7 },
        { "a cell's middle", CombCellOf(comb, 8, 260), 4 },
        { "left of the comb", CombCellOf(comb, 8, 99), -1 },
        { "right of it", CombCellOf(comb, 8, 420), -1 },
        { "texts joined by their cells, empty ones blank", JoinCombTexts(cellOf, texts, 3, joined, 8) &&
                                                           strcmp(joined, "A BCZ") == 0, 1 },
        { "a join too long for the box is refused", JoinCombTexts(cellOf, texts, 3, joined, 5), 0 },
        { "one character a cell", CombPieceLength(5, 8, 2), 1 },
        { "the last cell takes the rest", CombPieceLength(10, 8, 7), 3 },
        { "past the text", CombPieceLength(3, 8, 3), 0 },
        { "a dash between combs", PassedOverBetweenCombs('-'), 1 },
        { "a blank", PassedOverBetweenCombs(' '), 1 },
        { "a digit is typed on", PassedOverBetweenCombs('7'), 0 },
        { "side by side on a row", OnSameRow({ 100, 100, 220, 150 }, { 260, 104, 340, 152 }), 1 },
        { "the next row is not", OnSameRow({ 100, 100, 220, 150 }, { 100, 160, 220, 210 }), 0 },
        { "three stacked, right edges within 3", InAmountColumn(column, 5, 1), 1 },
        { "the field beside them", InAmountColumn(column, 5, 3), 0 },
        { "10 pixels off is not lined up", InAmountColumn(column, 5, 4), 0 },
        { "two are not a column", InAmountColumn(column, 2, 0), 0 },
        { "an amount", LooksLikeAmount("$1,234.56"), 1 },
        { "a negative one", LooksLikeAmount("(1 234,50)"), 1 },
        { "euros", LooksLikeAmount("\x80" "12"), 1 },
        { "no digit", LooksLikeAmount("-.-"), 0 },
        { "a word", LooksLikeAmount("12 Main St"), 0 },
        { "6 points at 150 dpi", LeastLegibleHeight(150), 14 },
        { "at 300 dpi", LeastLegibleHeight(300), 26 },
        { "unknown: taken as 150", LeastLegibleHeight(0), 14 },
        { "too wide: a step smaller", ShrinkToFit(310, 300, 30, 14), 1 },
        { "fits", ShrinkToFit(300, 300, 30, 14), 0 },
        { "the least legible: runs past", ShrinkToFit(400, 300, 14, 14), 0 },
        { "within the drag distance", MovedPastDrag(4, -4, 4, 4), 0 },
        { "past it across", MovedPastDrag(-5, 0, 4, 4), 1 },
        { "past it down", MovedPastDrag(0, 5, 4, 4), 1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.got) << c.what;
}

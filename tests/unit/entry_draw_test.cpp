#include <gtest/gtest.h>
#include <string.h>

#include "entries/entry_draw.h"
#include "entries/formula.h"
#include "test_entry.h"
#include "test_picture.h"
#include "entries/entry_style.h"

// A white 32-bit top-down DIB section selected into a memory device context,
// the way the form image holds its picture.
class DrawTarget : public testing::Test {
protected:
    static const int Width = 400, Height = 300;
    TestPicture target = {};
    HDC dc = NULL;
    uint32_t* pixels = nullptr;

    void SetUp() override
    {
        target = MakeTestPicture(Width, Height);
        ASSERT_NE(nullptr, target.bitmap);
        dc = target.dc;
        pixels = target.pixels;
    }

    void TearDown() override { ReleaseTestPicture(target); }

    // The box (left, top, right, bottom; right and bottom exclusive) of the
    // pixels that are not white; all zero when there are none.
    RECT Ink()
    {
        GdiFlush();
        RECT box = { Width, Height, 0, 0 };
        for (int y = 0; y < Height; y++)
            for (int x = 0; x < Width; x++)
                if ((pixels[y * Width + x] & 0xFFFFFF) != 0xFFFFFF) {
                    box.left = x < box.left ? x : box.left;
                    box.top = y < box.top ? y : box.top;
                    box.right = x + 1 > box.right ? x + 1 : box.right;
                    box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
                }
        if (box.right == 0)
            box = RECT{ 0, 0, 0, 0 };
        return box;
    }

    // The colour (0x00RRGGBB) met most often among the drawn pixels.
    uint32_t InkColour()
    {
        GdiFlush();
        for (int i = 0; i < Width * Height; i++) {
            uint32_t p = pixels[i] & 0xFFFFFF;
            if (p != 0xFFFFFF) {
                int same = 0;
                for (int j = 0; j < Width * Height; j++)
                    same += (pixels[j] & 0xFFFFFF) == p;
                if (same > 20)
                    return p;
            }
        }
        return 0xFFFFFF;
    }

    // How wide `text` is in `font`, as GDI measures it.
    int Measure(const LOGFONTA& font, const char* text)
    {
        HFONT made = CreateFontIndirectA(&font);
        HGDIOBJ old = SelectObject(dc, made);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, text, (int)strlen(text), &extent);
        SelectObject(dc, old);
        DeleteObject(made);
        return extent.cx;
    }
};

static EntryRecord Entry(int x, int y, const char* text, uint8_t vertical = 0, uint8_t right = 0)
{
    EntryRecord r = TestEntry(x, y, text);
    r.vertical = vertical;
    r.rightJustified = right;
    return r;
}

static LOGFONTA Plain()
{
    LOGFONTA font = {};
    font.lfHeight = -30;
    font.lfWeight = 400;
    strcpy(font.lfFaceName, "Arial");
    return font;
}

TEST_F(DrawTarget, AnEntryIsDrawnFromItsAnchorInItsFontAndColour)
{
    EntryRecord r = Entry(50, 40, "Wide");
    r.colourIndex = 9;   // red
    LOGFONTA font = RecordDrawingFont(Plain(), r);
    EXPECT_EQ(FormulaError, DrawEntryInto(dc, r, font, ColourOfIndex(r.colourIndex), &r));
    RECT ink = Ink();
    int width = Measure(font, "Wide");
    EXPECT_GE(ink.left, 50);
    EXPECT_LE(ink.left, 54);
    EXPECT_GE(ink.top, 40);
    EXPECT_LE(ink.bottom, 40 + 30);
    EXPECT_NEAR(50 + width, ink.right, 4);
    EXPECT_EQ(0xFF0000u, InkColour());
}

TEST_F(DrawTarget, ARightJustifiedEntryEndsAtItsAnchorShiftedByItsWidth)
{
    EntryRecord r = Entry(300, 100, "Right", 0, 1);
    LOGFONTA font = RecordDrawingFont(Plain(), r);
    r.width = Measure(font, "Right");
    DrawEntryInto(dc, r, font, 0, &r);
    RECT ink = Ink();
    EXPECT_LE(ink.right, 300);
    EXPECT_GE(ink.right, 300 - 4);
    EXPECT_GE(ink.left, 300 - r.width);
}

TEST_F(DrawTarget, AFormulaShowsItsValueEndingAtTheAnchorWhenRightJustified)
{
    // The stored width is the formula's; the value is measured afresh.
    EntryRecord table[2] = { Entry(300, 100, "#1=40+2", 0, 1), {} };
    table[0].width = 150;
    LOGFONTA font = RecordDrawingFont(Plain(), table[0]);
    EXPECT_EQ(42u, DrawEntryInto(dc, table[0], font, 0, table));
    RECT ink = Ink();
    EXPECT_NEAR(300, ink.right, 4);
    EXPECT_NEAR(300 - Measure(font, "42"), ink.left, 4);
}

TEST_F(DrawTarget, AVerticalEntryRunsUpwardFromItsAnchor)
{
    EntryRecord r = Entry(100, 250, "Upward", 1);
    LOGFONTA font = RecordDrawingFont(Plain(), r);
    EXPECT_EQ(900, font.lfEscapement);
    DrawEntryInto(dc, r, font, 0, &r);
    RECT ink = Ink();
    int length = Measure(Plain(), "Upward");
    EXPECT_GE(ink.left, 100);
    EXPECT_LE(ink.right, 100 + 36);   // within the text cell of a 30-pixel font
    EXPECT_LE(ink.bottom, 250);
    EXPECT_NEAR(250 - length, ink.top, 4);
}

TEST(RecordDrawingFont, TakesTheRecordsFieldsOverTheCurrentFont)
{
    LOGFONTA base = Plain();
    base.lfItalic = 1;
    EntryRecord r = Entry(1, 1, "x", 1);
    strcpy(r.faceName, "Courier New");
    r.size = 20;
    r.weight = 700;
    r.pitchAndFamily = 0x31;
    LOGFONTA font = RecordDrawingFont(base, r);
    EXPECT_EQ(-40, font.lfHeight);
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_EQ(0x31, font.lfPitchAndFamily);
    EXPECT_STREQ("Courier New", font.lfFaceName);
    EXPECT_EQ(1, font.lfItalic);          // a field records do not carry
    EXPECT_EQ(900, font.lfOrientation);
}

TEST_F(DrawTarget, AnyRecordIsDrawnNoTallerThanThePictureAndNeverPastIt)
{
    // Records as a file can hold them; each drawn as a load draws it.
    struct Case { const char* name; int32_t x, y, width, size, weight; const char* face; bool ink; } cases[] = {
        { "size 65536", 10, 10, 0, 65536, 400, "MS Sans Serif", true },
        { "size -100000 far above", -100000, -100000, 0, -100000, 400, "Small Fonts", false },
        { "most negative anchor", INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, -1, "Arial", false },
        { "most positive anchor", INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, "Arial", false },
        { "right shift past the range", INT32_MIN, 10, INT32_MAX, 15, INT32_MIN, "Arial", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        memset(pixels, 0xFF, Width * Height * 4);
        EntryRecord r = Entry(c.x, c.y, "W");
        r.width = c.width;
        r.size = c.size;
        r.weight = c.weight;
        strcpy(r.faceName, c.face);
        r.rightJustified = c.width != 0;
        EXPECT_EQ(FormulaError, DrawEntryInto(dc, r, RecordDrawingFont(Plain(), r), 0, &r));
        RECT ink = Ink();
        if (c.ink) {
            EXPECT_GT(ink.bottom, 10);
            EXPECT_GE(ink.top, 10);   // the glyph starts at its anchor: no taller than the picture
        } else {
            EXPECT_EQ(0, ink.right) << "nothing lies within reach of the picture";
        }
    }
}

#include <gtest/gtest.h>
#include <string.h>
#include <vector>

#include "test_entry.h"
#include "test_picture.h"
#include "entries/entry_draw.h"
#include "entries/formula.h"
#include "output/print.h"
#include "output/print_page.h"
#include "output/test_sheet.h"
#include "entries/entry_style.h"

// The PDF queue of the tests: A4 at 300 dpi, and the same with a margin.
static const PrinterGeometry A4 = { 300, 300, 2479, 3508, 0, 0 };
static const PrinterGeometry A4WithMargin = { 300, 300, 2479, 3508, 75, 50 };
static const PrinterGeometry Fine = { 600, 300, 4958, 3508, 0, 0 };     // 600 dpi across, 300 down
static const PrinterGeometry NoResolution = { 0, 0, 2479, 3508, 0, 0 };      // tells no resolution

static PageMapping Mapping(double p, double s, const PrinterCalibration* calibration,
                           const PrinterGeometry& geometry = A4)
{
    PageMapping mapping;
    EXPECT_TRUE(MapFormToPage(p, s, calibration, geometry, &mapping));
    return mapping;
}

TEST(PageMapping, WithoutCalibrationThePageIsAsItAlwaysWas)
{
    for (double s : { 300.0, 150.0, 95.99, 1.016 }) {
        SCOPED_TRACE(s);
        PageMapping mapping = Mapping(281.7, s, NULL);
        RECT place = PagePictureRect(mapping, 2550, 3300);
        EXPECT_EQ(0, place.left);
        EXPECT_EQ(0, place.top);
        EXPECT_EQ(2550 * 281 / (int)s, place.right);   // p and s truncated, the product first
        EXPECT_EQ(3300 * 281 / (int)s, place.bottom);
        EXPECT_EQ(1000 * 281 / (int)s, PageX(mapping, 1000));
    }
    // A stored calibration that changes nothing maps the same.
    PageMapping same = Mapping(281.7, 150, &NoCalibration);
    EXPECT_EQ(1873, PageX(same, 1000));
    EXPECT_EQ(1873, PageY(same, 1000));
}

TEST(PageMapping, UnknownScannerResolutionHasNoMapping)
{
    PageMapping mapping;
    EXPECT_FALSE(MapFormToPage(281.7, 0.99, &NoCalibration, A4, &mapping));
    EXPECT_FALSE(MapFormToPage(281.7, -300, NULL, A4, &mapping));
}

TEST(PageMapping, CalibrationMovesAndStretchesTheFormAboutItsCorner)
{
    const struct {
        const char* name;
        PrinterCalibration calibration;
        PrinterGeometry geometry;
        int originX, originY, x1000, y1000;   // where form pixel 1000 lands at p 281, s 300
    } cases[] = {
        { "none", NoCalibration, A4, 0, 0, 936, 936 },
        { "+5 mm, -3 mm", { 5, -3, 100, 100, false, false }, A4, 59, -35, 59 + 936, -35 + 936 },
        { "0.1 mm rounds to a pixel", { 0.1, -0.1, 100, 100, false, false }, A4, 1, -1, 937, 935 },
        { "98 %", { 0, 0, 98, 98, false, false }, A4, 0, 0, 917, 917 },
        { "101.5 % across only", { 0, 0, 101.5, 100, false, false }, A4, 0, 0, 950, 936 },
        { "paper corner", { 0, 0, 100, 100, true, false }, A4WithMargin, -75, -50, 861, 886 },
        { "paper corner without margin", { 0, 0, 100, 100, true, false }, A4, 0, 0, 936, 936 },
        { "margin unused without the box", { 0, 0, 100, 100, false, false }, A4WithMargin, 0, 0, 936, 936 },
        { "everything", { 2, 4, 98, 102, true, false }, A4WithMargin, 24 - 75, 47 - 50, -51 + 917, -3 + 955 },
        // At true size the printer's own resolution, not 281: 1000 x 300 / 300.
        { "true size", { 0, 0, 100, 100, false, true }, A4, 0, 0, 1000, 1000 },
        { "true size, 600 by 300 dpi", { 0, 0, 100, 100, false, true }, Fine, 0, 0, 2000, 1000 },
        { "true size and 98 %", { 0, 0, 98, 98, false, true }, A4, 0, 0, 980, 980 },
        { "true size unknown to the printer", { 0, 0, 100, 100, false, true }, NoResolution, 0, 0, 936, 936 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageMapping mapping = Mapping(281.7, 300, &c.calibration, c.geometry);
        EXPECT_EQ(c.originX, mapping.originX);
        EXPECT_EQ(c.originY, mapping.originY);
        EXPECT_EQ(c.x1000, PageX(mapping, 1000));
        EXPECT_EQ(c.y1000, PageY(mapping, 1000));
        RECT place = PagePictureRect(mapping, 1000, 1000);
        EXPECT_EQ(c.originX, place.left);
        EXPECT_EQ(c.x1000, place.right);
        EXPECT_EQ(c.y1000, place.bottom);
    }
}

static EntryRecord Entry(int x, int y, const char* text, int width = 0, uint8_t right = 0, uint8_t vertical = 0)
{
    EntryRecord r = TestEntry(x, y, text);
    r.width = width;
    r.height = 35;
    r.rightJustified = right;
    r.vertical = vertical;
    return r;
}

TEST(PageMapping, EntriesKeepTheirPlaceAndTheirRightEnd)
{
    PrinterCalibration moved = { 5, -3, 98, 98, false, false };
    PageMapping mapping = Mapping(600, 150, &moved);   // four device pixels per form pixel, then 98 %
    EntryRecord right = Entry(500, 40, "Total", 120, 1);
    EntryRecord page = PageEntry(mapping, right);
    EXPECT_EQ(PageX(mapping, 500), page.x);
    EXPECT_EQ(PageY(mapping, 40), page.y);
    EXPECT_EQ(59 + 1960, page.x);
    // Drawn from x - width, as on screen: the left end maps to where column 380 maps.
    EXPECT_EQ(PageX(mapping, 380), page.x - page.width);
    // Text, flags and font fields are those of the record.
    EXPECT_STREQ("Total", page.text);
    EXPECT_EQ(1, page.rightJustified);
    EXPECT_EQ(15, page.size);
    // A left end left of the form still maps by the same rule.
    EntryRecord early = PageEntry(mapping, Entry(50, 40, "x", 120, 1));
    EXPECT_EQ(PageX(mapping, -70), early.x - early.width);
}

TEST(PageMapping, FontsScaleByTheResolutionsAndTheScaleAcrossTheirLines)
{
    LOGFONTA font = {};
    font.lfHeight = -30;
    PrinterCalibration stretched = { 0, 0, 90, 110, false, false };
    PrinterCalibration trueSize = { 0, 0, 100, 100, false, true };
    const struct {
        const char* name;
        double p, s;
        const PrinterCalibration* calibration;
        LONG height, width, escapement, pageHeight, pageWidth;
    } cases[] = {
        { "281 over 150", 281.7, 150, NULL, -30, 0, 0, -56, 0 },   // 56.2
        { "281 over 300", 281.7, 300, NULL, -30, 0, 0, -28, 0 },   // 28.1
        { "rounded, not cut", 300, 400, NULL, -30, 0, 0, -23, 0 },   // 22.5
        { "horizontal: the vertical scale", 300, 300, &stretched, -30, 10, 0, -33, 9 },
        { "vertical: the horizontal scale", 300, 300, &stretched, -30, 10, 900, -27, 11 },
        { "never 0 from a small font", 100, 1200, NULL, -2, 0, 0, -1, 0 },
        { "0 stays the default", 600, 300, NULL, 0, 0, 0, 0, 0 },
        // 600 dpi across and 300 down: a height follows the resolution down
        // its writing, a vertical text's across.
        { "true size, horizontal", 281.7, 150, &trueSize, -30, 10, 0, -60, 40 },
        { "true size, vertical", 281.7, 150, &trueSize, -30, 10, 900, -120, 20 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        font.lfHeight = c.height;
        font.lfWidth = c.width;
        font.lfEscapement = font.lfOrientation = c.escapement;
        LOGFONTA page = PageFont(Mapping(c.p, c.s, c.calibration, Fine), font);
        EXPECT_EQ(c.pageHeight, page.lfHeight);
        EXPECT_EQ(c.pageWidth, page.lfWidth);
        EXPECT_EQ(c.escapement, page.lfEscapement);
    }
}

TEST(PageMapping, PaperSizeAndMillimetres)
{
    EXPECT_NEAR(209.89, PaperWidth(A4), 0.01);
    EXPECT_NEAR(297.01, PaperHeight(A4), 0.01);
    PrinterGeometry unknown = {};
    EXPECT_EQ(0, PaperWidth(unknown));
    const struct { double mm; int dpi; int pixels; } cases[] = {
        { 5, 300, 59 }, { -3, 300, -35 }, { 25.4, 600, 600 }, { 0.04, 300, 0 }, { -0.05, 300, -1 }, { 0, 300, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mm);
        EXPECT_EQ(c.pixels, MillimetresToPixels(c.mm, c.dpi));
    }
}

TEST(TestSheet, MarksAreMeasuredFromThePapersCornerThenCalibrated)
{
    const struct {
        const char* name;
        PrinterGeometry geometry;
        PrinterCalibration calibration;
        int x30, y30, x170;
    } cases[] = {
        { "plain", A4, NoCalibration, 354, 354, 2008 },
        // The margin is taken off whatever the check box says.
        { "margin", A4WithMargin, NoCalibration, 354 - 75, 354 - 50, 2008 - 75 },
        { "offsets", A4, { 5, -3, 100, 100, false, false }, 59 + 354, -35 + 354, 59 + 2008 },
        { "scale", A4, { 0, 0, 98, 102, true, false }, 347, 361, 1968 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.x30, SheetX(c.geometry, c.calibration, 30));
        EXPECT_EQ(c.y30, SheetY(c.geometry, c.calibration, 30));
        EXPECT_EQ(c.x170, SheetX(c.geometry, c.calibration, 170));
    }
}

TEST(TestSheet, CrosshairsAndTicks)
{
    const struct { double width, height; POINT last; } cases[] = {
        { 209.89, 297.01, { 170, 260 } },   // A4
        { 215.9, 279.4, { 180, 240 } },     // Letter
        { 50, 40, { 30, 30 } },             // a label: all four at 30 mm
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        POINT marks[SheetCrosshairCount];
        SheetCrosshairs(c.width, c.height, marks);
        EXPECT_EQ(30, marks[0].x);
        EXPECT_EQ(30, marks[0].y);
        EXPECT_EQ(c.last.x, marks[1].x);
        EXPECT_EQ(30, marks[1].y);
        EXPECT_EQ(30, marks[2].x);
        EXPECT_EQ(c.last.y, marks[2].y);
        EXPECT_EQ(c.last.x, marks[3].x);
        EXPECT_EQ(c.last.y, marks[3].y);
    }
    EXPECT_EQ(5, TickLength(20));
    EXPECT_EQ(3.5, TickLength(25));
    EXPECT_EQ(2, TickLength(27));
}

// A white 32-bit DIB section standing in for the printer's page, and a small
// picture to print on it.
class PageTarget : public testing::Test {
protected:
    static const int Width = 900, Height = 700;
    TestPicture pageTarget = {}, pictureTarget = {};
    HDC page = NULL, picture = NULL;
    uint32_t* pixels = nullptr;

    void SetUp() override
    {
        pageTarget = MakeTestPicture(Width, Height);
        page = pageTarget.dc;
        pixels = pageTarget.pixels;
        // The picture: 100 x 80 form pixels, a black block at (10, 20)-(30, 30).
        pictureTarget = MakeTestPicture(100, 80);
        for (int y = 20; y < 30; y++)
            for (int x = 10; x < 30; x++)
                pictureTarget.pixels[y * 100 + x] = 0;
        picture = pictureTarget.dc;
    }

    void TearDown() override
    {
        ReleaseTestPicture(pageTarget);
        ReleaseTestPicture(pictureTarget);
    }

    // The box of the dark pixels within a region of the page (right and
    // bottom exclusive), all zero when there are none.
    RECT Ink(int left, int top, int right, int bottom)
    {
        GdiFlush();
        RECT box = { right, bottom, left, top };
        for (int y = top; y < bottom; y++)
            for (int x = left; x < right; x++) {
                uint32_t p = pixels[y * Width + x];
                if (((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) < 3 * 128) {
                    box.left = x < box.left ? x : box.left;
                    box.top = y < box.top ? y : box.top;
                    box.right = x + 1 > box.right ? x + 1 : box.right;
                    box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
                }
            }
        return box.right > box.left ? box : RECT{ 0, 0, 0, 0 };
    }

    FormPage Form(const EntryRecord* entries, int slots)
    {
        FormPage form = {};
        form.picture = picture;
        form.width = 100;
        form.height = 80;
        form.entries = entries;
        form.slots = slots;
        form.baseFont.lfHeight = -30;
        form.baseFont.lfWeight = 400;
        strcpy(form.baseFont.lfFaceName, "Arial");
        return form;
    }
};

TEST_F(PageTarget, ThePictureIsStretchedAndMovedAsMapped)
{
    PrinterCalibration moved = { 5, 3, 100, 100, false, false };
    PageMapping mapping = Mapping(300, 100, &moved, A4);   // three page pixels per form pixel
    DrawFormPage(page, Form(NULL, 0), mapping);
    RECT block = Ink(0, 0, Width, Height);
    EXPECT_EQ(59 + 30, block.left);
    EXPECT_EQ(35 + 60, block.top);
    EXPECT_EQ(59 + 90, block.right);
    EXPECT_EQ(35 + 90, block.bottom);
}

TEST_F(PageTarget, EntriesAreDrawnAsTextWhereTheFormPutsThem)
{
    EntryRecord table[EntryTableSlots] = {};
    table[0] = Entry(40, 5, "Left");
    table[1] = Entry(150, 40, "Right", 30, 1);
    table[2] = Entry(150, 70, "#1=42", 30, 1);
    table[4] = Entry(10, 160, "Up", 20, 0, 1);   // slot 3 is empty: the drawing goes on past it
    for (EntryRecord& e : table)
        e.size = e.text[0] ? 5 : 0;               // 10 form pixels high, 40 on the page
    PageMapping mapping = Mapping(400, 100, NULL, A4);   // four page pixels per form pixel
    DrawFormPage(page, Form(table, EntryTableSlots), mapping);

    // Each entry's ink, against the same text drawn by the screen's entry
    // drawing with a font four times the size at four times the anchor.
    struct { int slot; RECT region; } drawn[] = {
        { 0, { 150, 10, 400, 75 } },
        { 1, { 470, 150, 700, 215 } },
        { 2, { 470, 270, 700, 335 } },
        { 4, { 30, 540, 100, 650 } },
    };
    for (const auto& d : drawn) {
        SCOPED_TRACE(d.slot);
        const RECT& r = d.region;
        RECT printed = Ink(r.left, r.top, r.right, r.bottom);
        ASSERT_NE(0, printed.right);
        for (int i = 0; i < Width * Height; i++)
            pixels[i] = 0xFFFFFFFF;
        const EntryRecord& e = table[d.slot];
        LOGFONTA font = RecordDrawingFont(Form(table, 0).baseFont, e);
        font.lfHeight *= 4;
        EntryRecord scaled = e;
        scaled.x *= 4;
        scaled.y *= 4;
        scaled.width *= 4;
        EXPECT_EQ(d.slot == 2 ? 42u : FormulaError, DrawEntryInto(page, scaled, font, 0, table));
        RECT expected = Ink(r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(expected.left, printed.left);
        EXPECT_EQ(expected.top, printed.top);
        EXPECT_EQ(expected.right, printed.right);
        EXPECT_EQ(expected.bottom, printed.bottom);
        DrawFormPage(page, Form(table, EntryTableSlots), mapping);
    }
    // The formula's value ends at its anchor, as on screen; the right-
    // justified text starts at its left end.
    RECT value = Ink(470, 270, 700, 335);
    EXPECT_LE(value.right, 600);
    EXPECT_GE(value.right, 596);
    RECT right = Ink(470, 150, 700, 215);
    EXPECT_GE(right.left, 480);
    EXPECT_LE(right.left, 484);
}

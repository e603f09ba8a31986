#include <gtest/gtest.h>
#include <string.h>
#include <vector>

#include "entries/entry_draw.h"
#include "view/kept_entries.h"
#include "view/bmp_format.h"
#include "view/form_fields.h"
#include "view/form_image.h"
#include "test_entry.h"
#include "entries/entry_style.h"
#include "view/view_globals.h"

TEST(KeptEntries, RowBytesAndRectangles)
{
    struct Case { int left, right, bits; uint32_t start, count; } cases[] = {
        { 0, 1, 24, 0, 3 }, { 5, 9, 24, 15, 12 }, { 3, 4, 1, 0, 1 }, { 7, 9, 1, 0, 2 }, { 8, 16, 1, 1, 1 },
        { 1, 2, 4, 0, 1 }, { 2, 5, 4, 1, 2 }, { 10, 10, 8, 0, 0 }, { 3, 5, 16, 6, 4 }, { 3, 5, 32, 12, 8 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "[" << c.left << "," << c.right << ") at " << c.bits << " bits");
        RowBytes b = RowBytesOf(c.left, c.right, c.bits);
        EXPECT_EQ(c.start, b.start);
        EXPECT_EQ(c.count, b.count);
    }
    RECT outer = { 10, 10, 50, 40 };
    EXPECT_TRUE(RectWithin(RECT{ 10, 10, 50, 40 }, outer));
    EXPECT_TRUE(RectWithin(RECT{}, outer));
    EXPECT_FALSE(RectWithin(RECT{ 9, 20, 20, 30 }, outer));
    EXPECT_FALSE(RectWithin(RECT{ 20, 20, 20 + 31, 30 }, outer));
    RECT c = ClippedTo(RECT{ -5, 90, 30, 130 }, 100, 100);
    EXPECT_EQ(0, c.left);
    EXPECT_EQ(90, c.top);
    EXPECT_EQ(30, c.right);
    EXPECT_EQ(100, c.bottom);
    c = ClippedTo(RECT{ 120, 0, 130, 10 }, 100, 100);
    EXPECT_TRUE(c.right <= c.left);
}

// A form of some depth on disk, of busy pixels (so that an entry's pixels
// depend on what lies under them), loaded as the form image.
class KeptForm : public testing::Test {
protected:
    static const int Width = 333, Height = 251;
    char path[MAX_PATH];
    EntryRecord table[EntryTableSlots] = {};
    int count = 0;
    LOGFONTA base = {};

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(path, "%sscrv-kept-%lu.bmp", temp, GetCurrentProcessId());
        base.lfHeight = -30;
        base.lfWeight = 400;
        strcpy(base.lfFaceName, "Arial");
    }

    void TearDown() override
    {
        ForgetKeptEntries();
        ReleaseFormImage();
        DeleteFileA(path);
    }

    // Writes the form: its pixels a pattern from `seed`, and those under
    // `plain` (image rectangle) a second pattern.
    void WriteForm(int bits, uint32_t seed, RECT plain = RECT{})
    {
        int colours = bits <= 8 ? 1 << bits : 0;
        uint32_t stride = (uint32_t)BmpRowStride(Width, bits);
        uint32_t off = 14 + 40 + 4 * colours;
        std::vector<uint8_t> b(off + (size_t)stride * Height, 0);
        auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i)); };
        b[0] = 'B'; b[1] = 'M';
        put32(2, (uint32_t)b.size());
        put32(10, off);
        put32(14, 40);
        put32(18, Width);
        put32(22, Height);
        b[26] = 1;
        b[28] = (uint8_t)bits;
        for (int i = 0; i < colours; i++) {
            b[54 + 4 * i] = (uint8_t)(i * 255 / (colours - 1));
            b[55 + 4 * i] = (uint8_t)(255 - i * 255 / (colours - 1));
            b[56 + 4 * i] = (uint8_t)(i * 97);
        }
        for (int y = 0; y < Height; y++) {
            bool inPlain = y >= plain.top && y < plain.bottom;
            for (uint32_t i = 0; i < stride; i++) {
                int x = (int)(i * 8 / bits);
                uint32_t s = (inPlain && x >= plain.left && x < plain.right) ? seed * 7 + 3 : seed;
                b[off + (size_t)(Height - 1 - y) * stride + i] = (uint8_t)((x / 5 + y / 3) * s + (x * y) % 7);
            }
        }
        WaitForFormFields();   // a writer that shares nothing waits for the search of the form open
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(file, b.data(), (DWORD)b.size(), &written, NULL);
        CloseHandle(file);
    }

    void Add(int x, int y, const char* text, uint8_t colour = 0, uint8_t vertical = 0, uint8_t right = 0)
    {
        EntryRecord& r = table[count++];
        r = TestEntry(x, y, text, 12);
        r.width = 120;
        r.height = 30;
        r.colourIndex = colour;
        r.vertical = vertical;
        r.rightJustified = right;
    }

    // A load as the program makes one: the bitmap read again, then every
    // entry in file order. Returns how many were put back as pixels.
    int Load()
    {
        EXPECT_TRUE(LoadFormImage(path));
        BeginKeptEntries();
        for (int i = 0; i < count; i++)
            DrawKeptEntry(table[i], RecordDrawingFont(base, table[i]), ColourOfIndex(table[i].colourIndex), table);
        return EndKeptEntries();
    }

    // The same picture drawn from scratch: the file's pixels, then every
    // entry's text. Empty when the form image holds exactly that.
    std::string Difference()
    {
        GdiFlush();
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(NULL, (BITMAPINFO*)gFormImage.headerBlock, DIB_RGB_COLORS, &bits, NULL, 0);
        HDC dc = CreateCompatibleDC(NULL);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        WaitForFormFields();
        HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        SetFilePointer(file, (LONG)gFormImage.fileHeader.bfOffBits, NULL, FILE_BEGIN);
        DWORD got = 0;
        ReadFile(file, bits, gFormImage.imageBytes, &got, NULL);
        CloseHandle(file);
        for (int i = 0; i < count; i++)
            DrawEntryInto(dc, table[i], RecordDrawingFont(base, table[i]), ColourOfIndex(table[i].colourIndex), table);
        GdiFlush();
        std::string difference;
        const uint8_t* a = (const uint8_t*)bits;
        const uint8_t* b = (const uint8_t*)gFormImage.bits;
        for (uint32_t i = 0; i < gFormImage.imageBytes && difference.empty(); i++)
            if (a[i] != b[i])
                difference = "byte " + std::to_string(i) + " of row " +
                             std::to_string(i / BmpRowStride(Width, gFormImage.headerCopy.biBitCount)) + " (bottom up)";
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
        return difference;
    }
};

// Every load must give exactly the picture that drawing every entry's text
// over the bitmap gives, whether entries are put back as pixels or drawn:
// at every depth, for entries unchanged, moved, overlapping, turned,
// right-justified, partly or wholly off the picture, for a formula whose
// value changes and for a bitmap changed under an entry.
TEST_F(KeptForm, EveryLoadGivesThePictureDrawingTheTextGives)
{
    for (int bits : { 1, 4, 8, 16, 24, 32 }) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        count = 0;
        memset(table, 0, sizeof table);
        Add(20, 30, "Total 1234");
        Add(300, 200, "Up we go", 9, 1);
        Add(250, 80, "#1=123456", 2, 0, 1);
        Add(40, 120, "#2=#1-123450", 4);
        Add(60, 160, "Overlap one");
        Add(70, 165, "Overlap two", 12);
        Add(Width - 20, Height - 10, "Edge");
        Add(Width + 500, 10, "Gone");
        WriteForm(bits, 11);

        EXPECT_EQ(0, Load());
        EXPECT_EQ("", Difference());
        EXPECT_EQ(count, Load());   // nothing changed: every entry is put back
        EXPECT_EQ("", Difference());

        table[4].x += 3;            // the lower of two overlapping entries moves
        EXPECT_GT(count - 1, Load());
        EXPECT_EQ("", Difference());

        strcpy(table[2].text, "#1=99999");   // another value for #2 too
        Load();
        EXPECT_EQ("", Difference());

        WriteForm(bits, 11, RECT{ 15, 25, 200, 70 });   // the bitmap changes under an entry
        Load();
        EXPECT_EQ("", Difference());

        base.lfItalic = 1;          // the font the records don't carry
        Load();
        EXPECT_EQ("", Difference());
        EXPECT_EQ(count, Load());
        EXPECT_EQ("", Difference());
        base.lfItalic = 0;
    }
}

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "test_picture.h"
#include "view/half_view.h"

// The colour a stored pixel stands for, read the plain way, one format at a
// time: what the program's fast paths must agree with.
static uint32_t ColourAt(const PixelFormat& format, const uint8_t* row, int x)
{
    int bits = format.bitCount;
    if (bits <= 8) {
        int at = x * bits;
        return format.palette[(row[at / 8] >> (8 - bits - at % 8)) & ((1 << bits) - 1)];
    }
    if (bits == 24)
        return ((uint32_t)row[3 * x + 2] << 16) | ((uint32_t)row[3 * x + 1] << 8) | row[3 * x];
    int size = bits / 8;
    uint32_t pixel = 0;
    for (int i = 0; i < size; i++)
        pixel |= (uint32_t)row[size * x + i] << (8 * i);
    uint32_t colour = 0;
    for (int c = 0; c < 3; c++) {
        uint32_t mask = format.masks[c];
        if (!mask)
            continue;
        int shift = 0;
        while (!((mask >> shift) & 1))
            shift++;
        uint32_t top = mask >> shift, value = (pixel & mask) >> shift;
        colour |= (uint32_t)(((uint64_t)value * 255 + top / 2) / top) << (16 - 8 * c);
    }
    return colour;
}

// The rounded mean of four colours, channel by channel.
static uint32_t Mean4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t mean = 0;
    for (int shift = 0; shift < 24; shift += 8)
        mean |= ((((a >> shift) & 255) + ((b >> shift) & 255) + ((c >> shift) & 255) + ((d >> shift) & 255) + 2) / 4)
                << shift;
    return mean;
}

static PixelFormat Rgb32()
{
    PixelFormat f = {};
    f.bitCount = 32;
    f.masks[0] = 0xFF0000; f.masks[1] = 0xFF00; f.masks[2] = 0xFF;
    return f;
}

// Colours as a stored 32-bit row: blue, green, red, unused.
static std::vector<uint8_t> Stored32(const std::vector<uint32_t>& colours)
{
    std::vector<uint8_t> row;
    for (uint32_t c : colours)
        row.insert(row.end(), { (uint8_t)c, (uint8_t)(c >> 8), (uint8_t)(c >> 16), 0 });
    return row;
}

TEST(HalfView, EachPixelIsTheAverageOfItsTwoByTwoBlock)
{
    std::vector<uint8_t> row0 = Stored32({ 0x000000, 0xFFFFFF, 0x102030, 0x102030, 0xFF0000, 0x0000FF });
    std::vector<uint8_t> row1 = Stored32({ 0xFFFFFF, 0xFFFFFF, 0x102030, 0x102030, 0x00FF00, 0xFFFFFF });
    std::vector<uint32_t> out(3);
    AverageHalfRow(Rgb32(), row0.data(), row1.data(), 6, 0, 3, out.data());
    EXPECT_EQ(0xBFBFBFu, out[0]);    // three white, one black: 765 / 4 rounds to 191
    EXPECT_EQ(0x102030u, out[1]);
    EXPECT_EQ(0x808080u, out[2]);
}

TEST(HalfView, OnePixelRuleShowsGreyOnEitherParity)
{
    // A black rule on an even and on an odd column of white: never lost.
    for (int column = 0; column < 2; column++) {
        SCOPED_TRACE(column);
        std::vector<uint32_t> colours(4, 0xFFFFFF);
        colours[column] = 0;
        std::vector<uint8_t> row = Stored32(colours);
        std::vector<uint32_t> out(2);
        AverageHalfRow(Rgb32(), row.data(), row.data(), 4, 0, 2, out.data());
        EXPECT_EQ(0x808080u, out[0]);
        EXPECT_EQ(0xFFFFFFu, out[1]);
    }
}

static PixelFormat Palette(int bits)
{
    PixelFormat f = {};
    f.bitCount = bits;
    for (int i = 0; i < 256; i++)
        f.palette[i] = (uint32_t)(i * 0x010101);
    return f;
}

// A stored row with each pixel twice over, bit for bit: every 2x2 block of
// the row above itself is four copies of one pixel.
static std::vector<uint8_t> Doubled(const std::vector<uint8_t>& row, int bits, int width)
{
    std::vector<uint8_t> doubled((2 * width * bits + 7) / 8 + 4, 0);
    for (int x = 0; x < width; x++)
        for (int copy = 0; copy < 2; copy++)
            for (int b = 0; b < bits; b++) {
                int from = x * bits + b, to = (2 * x + copy) * bits + b;
                if ((row[from / 8] >> (7 - from % 8)) & 1)
                    doubled[to / 8] |= (uint8_t)(0x80 >> (to % 8));
            }
    return doubled;
}

// Each format read through the half-size picture: a block of four copies of
// a pixel is that pixel's colour.
TEST(HalfView, DecodesEveryStoredFormat)
{
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> row;
        std::vector<uint32_t> colours;
    };
    PixelFormat rgb16 = {}; rgb16.bitCount = 16;
    rgb16.masks[0] = 0x7C00; rgb16.masks[1] = 0x03E0; rgb16.masks[2] = 0x001F;
    PixelFormat rgb565 = {}; rgb565.bitCount = 16;
    rgb565.masks[0] = 0xF800; rgb565.masks[1] = 0x07E0; rgb565.masks[2] = 0x001F;
    PixelFormat rgb24 = {}; rgb24.bitCount = 24;
    PixelFormat rgb32 = {}; rgb32.bitCount = 32;
    rgb32.masks[0] = 0xFF0000; rgb32.masks[1] = 0xFF00; rgb32.masks[2] = 0xFF;
    PixelFormat bgr32 = {}; bgr32.bitCount = 32;
    bgr32.masks[0] = 0xFF; bgr32.masks[1] = 0xFF00; bgr32.masks[2] = 0xFF0000;
    Case cases[] = {
        { Palette(1), { 0xA0 }, { 0x010101, 0, 0x010101, 0 } },
        { Palette(4), { 0x1F, 0x20 }, { 0x010101, 0x0F0F0F, 0x020202 } },
        { Palette(8), { 0x00, 0x80, 0xFF }, { 0, 0x808080, 0xFFFFFF } },
        { rgb16, { 0x00, 0x7C, 0x1F, 0x00 }, { 0xFF0000, 0x0000FF } },
        { rgb565, { 0xE0, 0x07 }, { 0x00FF00 } },
        { rgb24, { 0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF }, { 0x030201, 0xFFFFFF } },
        { rgb32, { 0x01, 0x02, 0x03, 0x99 }, { 0x030201 } },
        { bgr32, { 0x01, 0x02, 0x03, 0x00 }, { 0x010203 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format.bitCount << " bits");
        int width = (int)c.colours.size();
        std::vector<uint8_t> row = Doubled(c.row, c.format.bitCount, width);
        std::vector<uint32_t> out(width);
        AverageHalfRow(c.format, row.data(), row.data(), 2 * width, 0, width, out.data());
        EXPECT_EQ(c.colours, out);
    }
}

// The same row pair averaged by the fast paths and pixel by pixel the plain
// way must agree for every depth, width and parity.
TEST(HalfView, FastRowsAgreeWithDecodedAverages)
{
    uint32_t seed = 12345;
    auto next = [&] { seed = seed * 1103515245 + 12345; return (uint8_t)(seed >> 16); };
    for (int bits : { 1, 4, 8, 16, 24, 32 }) {
        PixelFormat format = Palette(bits);
        if (bits == 1) { format.palette[0] = 0x000000; format.palette[1] = 0xFFFFFF; }
        if (bits == 16) { format.masks[0] = 0x7C00; format.masks[1] = 0x03E0; format.masks[2] = 0x001F; }
        if (bits == 32) { format.masks[0] = 0xFF0000; format.masks[1] = 0xFF00; format.masks[2] = 0xFF; }
        for (int width : { 1, 2, 7, 8, 9, 31, 32, 33, 64 }) {
            for (int parity = 0; parity <= 1; parity++) {
                SCOPED_TRACE(testing::Message() << bits << " bits, width " << width << ", parity " << parity);
                int stride = (width * bits + 31) / 32 * 4;
                std::vector<uint8_t> rows(2 * stride);
                for (auto& b : rows) b = next();
                int outWidth = (width - parity + 1) / 2;
                if (outWidth <= 0) continue;
                // Pixels beyond the image's last column count as white.
                std::vector<uint32_t> d0(width + 2, 0xFFFFFF), d1(width + 2, 0xFFFFFF);
                for (int x = 0; x < width; x++) {
                    d0[x] = ColourAt(format, rows.data(), x);
                    d1[x] = ColourAt(format, rows.data() + stride, x);
                }
                std::vector<uint32_t> expected(outWidth), got(outWidth), lastRow(outWidth);
                for (int i = 0; i < outWidth; i++) {
                    int x = parity + 2 * i;
                    expected[i] = Mean4(d0[x], d0[x + 1], d1[x], d1[x + 1]);
                }
                AverageHalfRow(format, rows.data(), rows.data() + stride, width, parity, outWidth, got.data());
                EXPECT_EQ(expected, got);
                // Below the last row the missing row counts as white.
                for (int i = 0; i < outWidth; i++) {
                    int x = parity + 2 * i;
                    expected[i] = Mean4(d0[x], d0[x + 1], 0xFFFFFF, 0xFFFFFF);
                }
                AverageHalfRow(format, rows.data(), nullptr, width, parity, outWidth, lastRow.data());
                EXPECT_EQ(expected, lastRow);
            }
        }
    }
}

TEST(HalfView, PlacementAndSpansFollowTheOffsetsParity)
{
    struct Case { int width, height, offsetX, offsetY; HalfViewPlacement placement; } cases[] = {
        { 100, 50, 0, 0, { 0, 0, 0, 0, 50, 25 } },
        { 101, 51, 0, 0, { 0, 0, 0, 0, 51, 26 } },      // the last column and row average with white
        { 101, 51, 7, 3, { 1, 1, 3, 1, 50, 25 } },
        { 100, 50, 9, 10, { 1, 0, 4, 5, 50, 25 } },     // parity 1: column 99 is the last block's left pixel
        { 1, 1, 1, 1, { 1, 1, 0, 0, 0, 0 } },           // nothing of the image at odd offsets
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.offsetX << "," << c.offsetY);
        HalfViewPlacement p = HalfViewPlacementFor(c.width, c.height, c.offsetX, c.offsetY);
        EXPECT_EQ(c.placement.parityX, p.parityX);
        EXPECT_EQ(c.placement.parityY, p.parityY);
        EXPECT_EQ(c.placement.sourceX, p.sourceX);
        EXPECT_EQ(c.placement.sourceY, p.sourceY);
        EXPECT_EQ(c.placement.width, p.width);
        EXPECT_EQ(c.placement.height, p.height);
    }
    struct Span { int start, end, parity, halfStart, halfEnd; } spans[] = {
        { 0, 1, 0, 0, 1 }, { 0, 1, 1, 0, 0 },           // column 0 is in no block at parity 1
        { 5, 6, 1, 2, 3 }, { 6, 7, 1, 2, 3 }, { 6, 7, 0, 3, 4 },
        { 255, 258, 0, 127, 129 }, { 255, 258, 1, 127, 129 }, { 10, 10, 0, 0, 0 },
    };
    for (const auto& s : spans) {
        SCOPED_TRACE(testing::Message() << "[" << s.start << "," << s.end << ") parity " << s.parity);
        HalfSpan h = HalfSpanOf(s.start, s.end, s.parity);
        EXPECT_EQ(s.halfStart, h.start);
        EXPECT_EQ(s.halfEnd, h.end);
    }
}

// A stored picture of any depth, filled with random pixels.
struct StoredPicture {
    int width, height, bits;
    bool bottomUp;
    std::vector<uint8_t> header;    // info header and colour table, as a header block
    std::vector<uint8_t> rows;
    unsigned version = 1;

    StoredPicture(int w, int h, int b, bool up, uint32_t seed) : width(w), height(h), bits(b), bottomUp(up)
    {
        int colours = bits <= 8 ? 1 << bits : 0;
        header.assign(40 + 4 * colours, 0);
        auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; i++) header[at + i] = (uint8_t)(v >> (8 * i)); };
        put32(0, 40);
        put32(4, (uint32_t)width);
        put32(8, (uint32_t)(bottomUp ? height : -height));
        header[12] = 1;
        header[14] = (uint8_t)bits;
        for (int i = 0; i < colours; i++) {
            uint8_t grey = (uint8_t)(bits == 1 ? 255 * i : i * 255 / (colours - 1));
            header[40 + 4 * i] = header[41 + 4 * i] = (uint8_t)(grey ^ (i & 1 ? 0x10 : 0));
            header[42 + 4 * i] = (uint8_t)(255 - grey);
        }
        rows.resize((size_t)Stride() * height);
        Scramble(0, 0, width, height, seed);
    }

    int Stride() const { return (width * bits + 31) / 32 * 4; }
    HalfViewImage Image() const
    {
        return HalfViewImage{ rows.data(), header.data(), (uint32_t)header.size(), width, height, bottomUp, version };
    }
    uint8_t* Row(int y) { return rows.data() + (size_t)(bottomUp ? height - 1 - y : y) * Stride(); }

    // New random bytes under the image rectangle [left, right) x [top, bottom).
    void Scramble(int left, int top, int right, int bottom, uint32_t seed)
    {
        for (int y = top; y < bottom; y++) {
            int first = left * bits / 8, last = (right * bits + 7) / 8;
            for (int i = first; i < last; i++) {
                seed = seed * 1103515245 + 12345;
                Row(y)[i] = (uint8_t)(seed >> 16);
            }
        }
        Decode();
    }

    // The colour of image pixel (x, y), white beyond the edges.
    std::vector<uint32_t> colours;
    uint32_t Colour(int x, int y)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0xFFFFFF;
        return colours[(size_t)y * width + x];
    }
    void Decode()
    {
        PixelFormat format = PixelFormatOf(header.data(), (uint32_t)header.size());
        colours.resize((size_t)width * height);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                colours[(size_t)y * width + x] = ColourAt(format, Row(y), x);
    }
};

// A 32-bit top-down DIB section standing for the window.
struct Screen : TestPicture {
    static const uint32_t Unpainted = 0x123456;

    Screen(int w, int h) : TestPicture(MakeTestPicture(w, h)) {}
    ~Screen() { ReleaseTestPicture(*this); }
    void Clear() { std::fill(pixels, pixels + width * height, Unpainted); }
};

// What the view must show at an origin, pixel by pixel: each the rounded
// mean of its 2x2 block (image pixels beyond the edges white), and nothing
// painted beyond the half-size picture. Returns the first pixel that differs.
static std::string Differences(StoredPicture& picture, Screen& screen, int offsetX, int offsetY)
{
    GdiFlush();
    HalfViewPlacement p = HalfViewPlacementFor(picture.width, picture.height, offsetX, offsetY);
    for (int j = 0; j < screen.height; j++) {
        for (int i = 0; i < screen.width; i++) {
            uint32_t expected = Screen::Unpainted;
            if (p.sourceX + i < p.width && p.sourceY + j < p.height) {
                int x = offsetX + 2 * i, y = offsetY + 2 * j;
                uint32_t c[4] = { picture.Colour(x, y), picture.Colour(x + 1, y), picture.Colour(x, y + 1),
                                  picture.Colour(x + 1, y + 1) };
                expected = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    uint32_t sum = 2;
                    for (uint32_t v : c)
                        sum += (v >> shift) & 255;
                    expected |= (sum / 4) << shift;
                }
            }
            uint32_t got = screen.pixels[j * screen.width + i] & 0xFFFFFF;
            if (got != expected)
                return testing::PrintToString(i) + "," + testing::PrintToString(j) + ": " +
                       testing::PrintToString(got) + " instead of " + testing::PrintToString(expected);
        }
    }
    return "";
}

// The view is made of tiles HalfTileSize screen pixels square, from 2x2
// blocks of image pixels: across tile borders, at odd offsets and at the
// image's last column and row it must still be the plain 2x2 average.
TEST(HalfView, TilesShowTheTwoByTwoAverageAcrossTheirBordersAndTheImagesEdges)
{
    int tile = 2 * HalfTileSize;   // image pixels a tile spans
    int width = 2 * tile + 45, height = tile + 77;   // odd: the last column and row stand alone
    Screen screen(150, 90);
    struct Origin { int x, y; } origins[] = {
        { 0, 0 }, { 1, 1 }, { tile - 100, tile - 51 }, { tile - 99, tile - 50 },   // a tile corner in view
        { width - 151, height - 91 }, { width - 150, height - 90 },               // the last column and row
        { width - 1, height - 1 },                                                // beyond the image
    };
    for (int bits : { 1, 4, 8, 16, 24, 32 }) {
        ReleaseHalfViews();   // as a new form image does
        StoredPicture picture(width, height, bits, bits != 8, 1000u + bits);
        for (const Origin& o : origins) {
            SCOPED_TRACE(testing::Message() << bits << " bits at " << o.x << "," << o.y);
            screen.Clear();
            ASSERT_TRUE(DrawHalfView(screen.dc, picture.Image(), o.x, o.y, screen.width, screen.height));
            EXPECT_EQ("", Differences(picture, screen, o.x, o.y));
        }
    }
    ReleaseHalfViews();
}

TEST(HalfView, TilesAreMadeAgainWhereThePictureChanged)
{
    int tile = 2 * HalfTileSize;
    StoredPicture picture(tile + 301, tile + 203, 24, true, 77);
    Screen screen(200, 160);
    for (int parity = 0; parity <= 1; parity++) {
        SCOPED_TRACE(parity);
        int ox = tile - 150 + parity, oy = tile - 120 + parity;
        screen.Clear();
        ASSERT_TRUE(DrawHalfView(screen.dc, picture.Image(), ox, oy, screen.width, screen.height));
        // An entry drawn across a tile corner, odd edges included: told as
        // a rectangle, only it changes.
        RECT entry = { tile - 31, tile - 7, tile + 52, tile + 9 };
        picture.Scramble(entry.left, entry.top, entry.right, entry.bottom, 5u + parity);
        HalfViewChanged(entry);
        screen.Clear();
        ASSERT_TRUE(DrawHalfView(screen.dc, picture.Image(), ox, oy, screen.width, screen.height));
        EXPECT_EQ("", Differences(picture, screen, ox, oy));
        // A reload: every pixel may have changed.
        picture.Scramble(0, 0, picture.width, picture.height, 9u + parity);
        picture.version++;
        screen.Clear();
        ASSERT_TRUE(DrawHalfView(screen.dc, picture.Image(), ox, oy, screen.width, screen.height));
        EXPECT_EQ("", Differences(picture, screen, ox, oy));
    }
    ReleaseHalfViews();
}

// Scrolling makes the rows of tiles that come into view, a few at a time.
TEST(HalfView, EveryScrollStepShowsTheAverage)
{
    int tile = 2 * HalfTileSize;
    StoredPicture picture(tile + 99, 3 * tile + 41, 8, true, 31);
    Screen screen(120, 100);
    ReleaseHalfViews();
    for (int step = 0; step < 2; step++) {
        for (int y = step; y < picture.height; y += 110) {
            SCOPED_TRACE(testing::Message() << (step ? "up to " : "down to ") << y);
            int oy = step ? picture.height - y : y;
            screen.Clear();
            ASSERT_TRUE(DrawHalfView(screen.dc, picture.Image(), 33, oy, screen.width, screen.height));
            EXPECT_EQ("", Differences(picture, screen, 33, oy));
        }
    }
    ReleaseHalfViews();
}

// A page is larger than the view (the unknown-resolution print draws the
// view onto the printer's page): the view ends at its own last row and
// column there too, though its tiles go on.
TEST(HalfView, NothingIsDrawnBeyondTheViewOnALargerDevice)
{
    int tile = 2 * HalfTileSize;
    StoredPicture picture(2 * tile + 61, 2 * tile + 37, 24, true, 5);
    const int viewWidth = 150, viewHeight = 90;
    Screen view(viewWidth, viewHeight), page(viewWidth + 200, viewHeight + 200);
    for (int parity = 0; parity <= 1; parity++) {
        SCOPED_TRACE(parity);
        int ox = tile - 101 + parity, oy = tile - 51 + parity;   // a tile corner in view
        ReleaseHalfViews();
        view.Clear();
        ASSERT_TRUE(DrawHalfView(view.dc, picture.Image(), ox, oy, viewWidth, viewHeight));
        page.Clear();
        ASSERT_TRUE(DrawHalfView(page.dc, picture.Image(), ox, oy, viewWidth, viewHeight));
        GdiFlush();
        int wrong = 0;
        for (int j = 0; j < page.height; j++)
            for (int i = 0; i < page.width; i++) {
                uint32_t expected = i < viewWidth && j < viewHeight ? view.pixels[j * viewWidth + i]
                                                                    : Screen::Unpainted;
                wrong += page.pixels[j * page.width + i] != expected;
            }
        EXPECT_EQ(0, wrong);
    }
    ReleaseHalfViews();
}

#include <gtest/gtest.h>
#include <vector>

#include "view/half_view.h"

TEST(HalfView, EachPixelIsTheAverageOfItsTwoByTwoBlock)
{
    std::vector<uint32_t> row0 = { 0x000000, 0xFFFFFF, 0x102030, 0x102030, 0xFF0000, 0x0000FF };
    std::vector<uint32_t> row1 = { 0xFFFFFF, 0xFFFFFF, 0x102030, 0x102030, 0x00FF00, 0xFFFFFF };
    std::vector<uint32_t> out(3);
    AverageRowPairs(row0.data(), row1.data(), 3, out.data());
    EXPECT_EQ(0xBFBFBFu, out[0]);    // three white, one black: 765 / 4 rounds to 191
    EXPECT_EQ(0x102030u, out[1]);
    EXPECT_EQ(0x808080u, out[2]);
}

TEST(HalfView, OnePixelRuleShowsGreyOnEitherParity)
{
    // A black rule on an even and on an odd column of white: never lost.
    for (int column = 0; column < 2; column++) {
        SCOPED_TRACE(column);
        std::vector<uint32_t> row(4, 0xFFFFFF);
        row[column] = 0;
        std::vector<uint32_t> out(2);
        AverageRowPairs(row.data(), row.data(), 2, out.data());
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
        std::vector<uint32_t> out(c.colours.size());
        DecodeRow(c.format, c.row.data(), (int)out.size(), out.data());
        EXPECT_EQ(c.colours, out);
    }
}

// The same row pair averaged by the fast paths and pixel by pixel through
// DecodeRow must agree for every depth, width and parity.
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
                std::vector<uint32_t> d0(width + 2, 0xFFFFFF), d1(width + 2, 0xFFFFFF);
                DecodeRow(format, rows.data(), width, d0.data());
                DecodeRow(format, rows.data() + stride, width, d1.data());
                std::vector<uint32_t> expected(outWidth), got(outWidth), lastRow(outWidth), white(width + 2, 0xFFFFFF);
                AverageRowPairs(d0.data() + parity, d1.data() + parity, outWidth, expected.data());
                AverageHalfRow(format, rows.data(), rows.data() + stride, width, parity, outWidth, got.data());
                EXPECT_EQ(expected, got);
                // Below the last row the missing row counts as white.
                AverageRowPairs(d0.data() + parity, white.data(), outWidth, expected.data());
                AverageHalfRow(format, rows.data(), nullptr, width, parity, outWidth, lastRow.data());
                EXPECT_EQ(expected, lastRow);
            }
        }
    }
}

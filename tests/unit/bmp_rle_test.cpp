#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "view/bmp_format.h"
#include "view/bmp_rle.h"

struct RleCase {
    const char* name;
    int bitCount, width, height;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> rows;   // bottom row first, each padded to four bytes
};

TEST(RunLengthPixels, DecodeRunsLiteralsJumpsAndRowEnds)
{
    const RleCase cases[] = {
        { "RLE8 run, literal, two rows", 8, 4, 2, { 2, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 1 },
          { 5, 5, 0, 0, 1, 2, 3, 0 } },
        { "RLE8 a jump leaves colour 0", 8, 4, 2, { 0, 2, 1, 1, 2, 9, 0, 1 },
          { 0, 0, 0, 0, 0, 9, 9, 0 } },
        { "RLE8 the last marker left out once every row ended", 8, 2, 1, { 2, 7, 0, 0 },
          { 7, 7, 0, 0 } },
        { "RLE4 a run's two nibbles in turn, an odd literal", 4, 5, 2, { 5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1 },
          { 0x12, 0x12, 0x10, 0, 0x34, 0x50, 0, 0 } },
        { "rows coded out to their padded length, the padding dropped", 8, 3, 1, { 4, 6, 0, 0, 0, 1 },
          { 6, 6, 6, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t stride = (uint32_t)BmpRowStride(c.width, c.bitCount);
        std::vector<uint8_t> rows(stride * c.height, 0);
        EXPECT_EQ(nullptr, DecodeBmpRle(c.stream.data(), (uint32_t)c.stream.size(), c.bitCount, c.width, c.height,
                                        NULL, 0));
        EXPECT_EQ(nullptr, DecodeBmpRle(c.stream.data(), (uint32_t)c.stream.size(), c.bitCount, c.width, c.height,
                                        rows.data(), stride));
        EXPECT_EQ(c.rows, rows);
    }
}

TEST(RunLengthPixels, AHostileStreamIsRefused)
{
    const std::string pastRow = "This .bmp file is damaged: its compressed pixels run past the end of a row.";
    const std::string pastPicture = "This .bmp file is damaged: its compressed pixels run past the picture.";
    const std::string early = "This .bmp file is damaged: its compressed pixels end before the picture does.";
    const struct { const char* name; int bitCount; std::vector<uint8_t> stream; std::string refusal; } cases[] = {
        { "a run past the row", 8, { 5, 1, 0, 1 }, pastRow },
        { "a literal past the row", 8, { 0, 5, 1, 2, 3, 4, 5, 0, 0, 1 }, pastRow },
        { "RLE4 a run past the stored row", 4, { 9, 0x11, 0, 1 }, pastRow },
        { "a run above the last row", 8, { 0, 0, 0, 0, 1, 1, 0, 1 }, pastPicture },
        { "a jump past the right edge", 8, { 0, 2, 5, 0, 0, 1 }, pastPicture },
        { "a jump above the picture", 8, { 0, 2, 0, 3, 0, 1 }, pastPicture },
        { "a jump's bytes cut off", 8, { 0, 2, 1 }, early },
        { "a literal cut off", 8, { 0, 4, 1, 2 }, early },
        { "no end at all", 8, { 2, 1 }, early },
        { "nothing", 8, {}, early },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const char* refusal = DecodeBmpRle(c.stream.data(), (uint32_t)c.stream.size(), c.bitCount, 4, 2, NULL, 0);
        ASSERT_NE(nullptr, refusal);
        EXPECT_EQ(c.refusal, refusal);
    }
}

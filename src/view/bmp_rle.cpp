#include "view/bmp_rle.h"

#include <stddef.h>

static const char RunsPastRow[] = "This .bmp file is damaged: its compressed pixels run past the end of a row.";
static const char RunsPastPicture[] = "This .bmp file is damaged: its compressed pixels run past the picture.";
static const char EndsEarly[] = "This .bmp file is damaged: its compressed pixels end before the picture does.";

// Sets pixel x of a row: a byte at 8 bits, a nibble (high first) at 4.
static void PutPixel(uint8_t* row, int bitCount, int x, uint8_t index)
{
    if (bitCount == 8) {
        row[x] = index;
        return;
    }
    uint8_t& byte = row[x / 2];
    byte = (x & 1) ? (uint8_t)((byte & 0xF0) | (index & 0x0F)) : (uint8_t)((byte & 0x0F) | (index << 4));
}

const char* DecodeBmpRle(const uint8_t* data, uint32_t size, int bitCount, int width, int height, uint8_t* out,
                         uint32_t stride)
{
    int64_t x = 0, y = 0;   // y counts rows from the bottom, as the stream does
    uint32_t at = 0;
    // Some writers (ImageMagick among them) code each row out to its padded
    // length: runs may reach the end of the stored row, and the pixels past
    // the picture's width are dropped.
    int64_t rowEnd = ((int64_t)width * bitCount + 31) / 32 * 32 / bitCount;
    while (at + 2 <= size) {
        uint8_t first = data[at], second = data[at + 1];
        at += 2;
        if (first > 0) {
            // A run: `first` pixels of one byte (at 4 bits, its two
            // nibbles in turn).
            if (y >= height)
                return RunsPastPicture;
            if (x + first > rowEnd)
                return RunsPastRow;
            for (int i = 0; i < first && x + i < width; i++)
                if (out)
                    PutPixel(out + (uint64_t)y * stride, bitCount, (int)x + i,
                             bitCount == 8 ? second : (i & 1) ? (uint8_t)(second & 0x0F) : (uint8_t)(second >> 4));
            x += first;
            continue;
        }
        switch (second) {
        case 0:   // end of the row
            x = 0;
            y++;
            break;
        case 1:   // end of the picture
            return NULL;
        case 2: { // a jump right and up
            if (at + 2 > size)
                return EndsEarly;
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (x > rowEnd || y > height || (y == height && x > 0))
                return RunsPastPicture;
            break;
        }
        default: {
            // `second` pixels as they stand, padded to a whole word.
            uint32_t count = second;
            uint32_t bytes = bitCount == 8 ? count : (count + 1) / 2;
            uint32_t padded = (bytes + 1) & ~1u;
            if (at + padded > size)
                return EndsEarly;
            if (y >= height)
                return RunsPastPicture;
            if (x + count > rowEnd)
                return RunsPastRow;
            if (out)
                for (uint32_t i = 0; i < count && x + i < width; i++) {
                    uint8_t b = data[at + (bitCount == 8 ? i : i / 2)];
                    uint8_t index = bitCount == 8 ? b : (i & 1) ? (uint8_t)(b & 0x0F) : (uint8_t)(b >> 4);
                    PutPixel(out + (uint64_t)y * stride, bitCount, (int)(x + i), index);
                }
            x += count;
            at += padded;
            break;
        }
        }
    }
    // Some writers leave out the last marker once every row has ended.
    return y >= height ? NULL : EndsEarly;
}

uint64_t BmpRleReadLimit(uint64_t imageBytes, uint32_t rows)
{
    return 2 * imageBytes + 4 * (uint64_t)rows + 64;
}

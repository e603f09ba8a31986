// The run-length decoder of 8- and 4-bit pictures: whatever the stream
// holds, nothing is read past it nor written past the picture's rows, and
// checking a stream refuses exactly what decoding it refuses.
//
// Input: the picture's width and height (one byte each, 1 to 256), whether
// it is RLE4 (the low bit of a third byte), then the stream.
#include <vector>

#include "require.h"
#include "view/bmp_format.h"
#include "view/bmp_rle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    int width = data[0] + 1, height = data[1] + 1, bitCount = (data[2] & 1) ? 4 : 8;
    // The stream in a buffer of its own size, so a read past it is caught.
    std::vector<uint8_t> stream(data + 3, data + size);
    uint32_t stride = (uint32_t)BmpRowStride((uint32_t)width, (uint32_t)bitCount);
    std::vector<uint8_t> rows(stride * height, 0);
    const char* checked = DecodeBmpRle(stream.data(), (uint32_t)stream.size(), bitCount, width, height, NULL, 0);
    const char* decoded = DecodeBmpRle(stream.data(), (uint32_t)stream.size(), bitCount, width, height, rows.data(),
                                       stride);
    Require(checked == decoded, "checking and decoding agree");
    // Row padding is never written.
    uint32_t used = (uint32_t)(((uint64_t)width * bitCount + 7) / 8);
    for (int y = 0; y < height; y++)
        for (uint32_t b = used; b < stride; b++)
            Require(rows[(size_t)y * stride + b] == 0, "no pixel lands in a row's padding");
    return 0;
}

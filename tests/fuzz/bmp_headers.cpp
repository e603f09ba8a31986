// The .bmp header checks: whatever a file holds, a file they accept is
// described by sizes that are safe to read into a DIB section, and the
// headers, masks and colour table the platform reads lie inside the header
// block.
//
// Input: 4 bytes telling how many bytes the file holds beyond the rest of
// the input (a file of hundreds of megabytes, described without being
// held), then the file's first bytes.
#include <string.h>
#include <vector>

#include "require.h"
#include "view/bmp_format.h"

// What the platform reads of a header block: the header (at least 40
// bytes, or 40 and three masks for bit fields) and up to 256 colours.
static uint64_t BytesThePlatformReads(const uint8_t* block)
{
    uint32_t headerSize = ReadU32(block);
    uint16_t bitCount = ReadU16(block + 14);
    uint32_t coloursUsed = ReadU32(block + 32);
    uint64_t header = ReadU32(block + 16) == 3 && headerSize < 52 ? 52 : headerSize;
    uint64_t colours = coloursUsed ? (coloursUsed < 256 ? coloursUsed : 256) : bitCount <= 8 ? 1u << bitCount : 0;
    return header + 4 * colours;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    uint64_t beyond = ReadU32(data);
    data += 4;
    size -= 4;
    uint64_t fileSize = size + beyond;
    // The loader reads up to 14 bytes of the file header.
    uint8_t head[BmpFileHeaderSize] = {};
    uint32_t count = size < BmpFileHeaderSize ? (uint32_t)size : BmpFileHeaderSize;
    if (fileSize < count)
        count = (uint32_t)fileSize;
    memcpy(head, data, count);
    BmpFileCheck file = CheckBmpFileHeader(fileSize, head, count);
    if (file.refusal)
        return 0;
    Require(file.headerBlockSize >= BmpInfoHeaderSize, "the header block holds an info header");
    Require(BmpFileHeaderSize + (uint64_t)file.headerBlockSize + file.filePixelBytes == fileSize,
            "header, block and pixels make up the file");
    // The block as the loader reads it; bytes only known by the file's size
    // are zero. Larger blocks differ only in more zeros.
    if (file.headerBlockSize > (1u << 16))
        return 0;
    std::vector<uint8_t> block(file.headerBlockSize, 0);
    if (size > BmpFileHeaderSize) {
        size_t known = size - BmpFileHeaderSize < block.size() ? size - BmpFileHeaderSize : block.size();
        memcpy(block.data(), data + BmpFileHeaderSize, known);
    }
    BmpImageCheck image = CheckBmpHeaderBlock(block.data(), file.headerBlockSize, file.filePixelBytes);
    if (image.refusal)
        return 0;

    uint16_t bitCount = ReadU16(block.data() + 14);
    uint32_t compression = ReadU32(block.data() + 16);
    Require(image.width > 0 && image.height > 0, "the picture has a size");
    Require((uint64_t)image.width * bitCount + 31 <= (uint64_t)INT32_MAX, "a row's size fits the platform");
    uint64_t stride = BmpRowStride((uint32_t)image.width, bitCount);
    Require(stride * (uint64_t)image.height == image.imageBytes, "the image is rows x stride");
    Require(image.imageBytes <= BmpLargestImage, "the image is at most 512 MB");
    Require(image.bytesToRead <= file.filePixelBytes, "no read past the file");
    if (image.runLength) {
        // A stream is read whole into a buffer of its own, then decoded.
        Require((compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4), "RLE8 or RLE4");
        Require((int32_t)ReadU32(block.data() + 8) > 0, "a run-length picture is stored bottom row first");
        Require(image.bytesToRead >= 2 && image.bytesToRead <= 2 * (uint64_t)image.imageBytes + 4 * image.height + 64,
                "a stream of a sensible length");
    } else {
        Require(image.bytesToRead <= image.imageBytes, "no read past the DIB section");
        uint64_t lastRow = ((uint64_t)image.width * bitCount + 7) / 8;
        Require(image.bytesToRead >= image.imageBytes - stride + lastRow, "every row but the last's padding is read");
    }
    Require(BytesThePlatformReads(block.data()) <= file.headerBlockSize, "the platform reads inside the block");
    if (compression == 3) {
        uint32_t r = ReadU32(block.data() + 40), g = ReadU32(block.data() + 44), b = ReadU32(block.data() + 48);
        Require(r && g && b && !(r & g) && !(r & b) && !(g & b), "three separate colour masks");
    }
    // Fill a small picture as the loader does: the bytes read, then blanked.
    if (image.imageBytes <= (1u << 20) && !image.runLength) {
        std::vector<uint8_t> pixels(image.imageBytes);
        size_t known = size > BmpFileHeaderSize + file.headerBlockSize ? size - BmpFileHeaderSize - file.headerBlockSize : 0;
        if (known > image.bytesToRead)
            known = image.bytesToRead;
        if (known)
            memcpy(pixels.data(), data + BmpFileHeaderSize + file.headerBlockSize, known);
        memset(pixels.data(), 0xFF, image.imageBytes);
    }
    return 0;
}

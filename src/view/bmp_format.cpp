#include "view/bmp_format.h"

#include "view/bmp_rle.h"

uint16_t ReadU16(const uint8_t* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

uint64_t BmpRowStride(uint32_t width, uint32_t bitCount)
{
    return ((uint64_t)width * bitCount + 31) / 32 * 4;
}

static const char TooShort[] = "This .bmp file is damaged: it is shorter than its headers.";
static const char OffsetInsideHeaders[] =
    "This .bmp file is damaged: its picture would start inside its headers.";
static const char OffsetPastEnd[] = "This .bmp file is damaged: its picture would start past its end.";
static const char TooLarge[] = "This .bmp file is too large to open.";
static const char HeadersTooShort[] =
    "This .bmp file is damaged: its headers are too short for its colours.";
static const char UnknownKind[] =
    "This kind of .bmp file can't be opened.\nOnly uncompressed 1-, 4-, 8-, 16-, 24- and 32-bit pictures can.";
static const char BadSize[] = "This .bmp file is damaged: its picture has no size.";
static const char PixelsShort[] = "This .bmp file is damaged: it ends before its picture does.";
static const char BadMasks[] = "This .bmp file is damaged: its colour masks are empty or overlap.";

BmpFileCheck CheckBmpFileHeader(uint64_t fileSize, const uint8_t* header, uint32_t count)
{
    BmpFileCheck check = {};
    if (fileSize == 0) {
        check.refusal = "File size was 0";
        return check;
    }
    if (count < 2 || ReadU16(header) != 0x4D42) {
        check.refusal = "Not a .bmp file";
        return check;
    }
    if (fileSize > 0xFFFFFFFFull) {
        check.refusal = TooLarge;
        return check;
    }
    if (count < BmpFileHeaderSize || fileSize < BmpFileHeaderSize + BmpInfoHeaderSize) {
        check.refusal = TooShort;
        return check;
    }
    uint32_t offBits = ReadU32(header + 10);
    if (offBits < BmpFileHeaderSize + BmpInfoHeaderSize) {
        check.refusal = OffsetInsideHeaders;
        return check;
    }
    if (offBits > fileSize) {
        check.refusal = OffsetPastEnd;
        return check;
    }
    check.headerBlockSize = offBits - BmpFileHeaderSize;
    check.filePixelBytes = (uint32_t)(fileSize - offBits);
    return check;
}

// The header sizes the DIB section understands: the info header and its
// larger successors (V2, V3, V4, V5).
static bool KnownHeaderSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The red, green and blue masks of a bit-field picture: the platform makes
// no DIB section with an empty one, and bits that belong to two colours
// have no one meaning.
static bool MasksUsable(uint32_t red, uint32_t green, uint32_t blue)
{
    return red && green && blue && !(red & green) && !(red & blue) && !(green & blue);
}

BmpImageCheck CheckBmpHeaderBlock(const uint8_t* block, uint32_t blockSize, uint32_t filePixelBytes)
{
    BmpImageCheck check = {};
    if (blockSize < BmpInfoHeaderSize) {
        check.refusal = TooShort;
        return check;
    }
    uint32_t headerSize = ReadU32(block);
    int32_t width = (int32_t)ReadU32(block + 4);
    int32_t height = (int32_t)ReadU32(block + 8);
    uint16_t planes = ReadU16(block + 12);
    uint16_t bitCount = ReadU16(block + 14);
    uint32_t compression = ReadU32(block + 16);
    uint32_t coloursUsed = ReadU32(block + 32);

    bool bitCountKnown = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                         bitCount == 24 || bitCount == 32;
    bool bitFields = compression == 3;   // BI_BITFIELDS
    bool runLength = (compression == BmpRle8 && bitCount == 8) || (compression == BmpRle4 && bitCount == 4);
    if (!KnownHeaderSize(headerSize) || planes != 1 || !bitCountKnown ||
        !(compression == 0 || runLength || (bitFields && (bitCount == 16 || bitCount == 32))) ||
        (runLength && height < 0)) {
        check.refusal = UnknownKind;
        return check;
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        check.refusal = BadSize;
        return check;
    }
    if (headerSize > blockSize) {
        check.refusal = HeadersTooShort;
        return check;
    }
    // Masks follow a 40-byte header; the larger headers hold them inside.
    uint64_t needed = headerSize;
    if (bitFields && headerSize == BmpInfoHeaderSize)
        needed += 12;
    uint64_t paletteMax = bitCount <= 8 ? (1u << bitCount) : 0;
    if (bitCount <= 8 && coloursUsed > paletteMax) {
        check.refusal = UnknownKind;
        return check;
    }
    uint64_t colours = coloursUsed ? coloursUsed : paletteMax;
    needed += 4 * colours;
    if (needed > blockSize) {
        check.refusal = HeadersTooShort;
        return check;
    }
    if (bitFields && !MasksUsable(ReadU32(block + 40), ReadU32(block + 44), ReadU32(block + 48))) {
        check.refusal = BadMasks;
        return check;
    }
    uint32_t rows = (uint32_t)(height < 0 ? -height : height);
    uint64_t stride = BmpRowStride((uint32_t)width, bitCount);
    uint64_t imageBytes = stride * rows;
    // The platform works a row out in signed 32-bit arithmetic, bits and
    // padding together, and makes no DIB section where that overflows.
    if ((uint64_t)width * bitCount + 31 > (uint64_t)INT32_MAX || imageBytes > BmpLargestImage) {
        check.refusal = TooLarge;
        return check;
    }
    check.width = width;
    check.height = (int32_t)rows;
    check.imageBytes = (uint32_t)imageBytes;
    if (runLength) {
        // Two bytes at least (the end marker); more than any stream of
        // this picture needs are left unread.
        uint64_t limit = BmpRleReadLimit(imageBytes, rows);
        if (filePixelBytes < 2) {
            check.refusal = PixelsShort;
            return check;
        }
        check.runLength = true;
        check.bytesToRead = filePixelBytes < limit ? filePixelBytes : (uint32_t)limit;
        return check;
    }
    // A file may lack the padding of its last row; anything shorter is cut
    // off mid-picture and is refused. Bytes past the picture are left unread.
    uint64_t lastRowBytes = ((uint64_t)width * bitCount + 7) / 8;
    if ((uint64_t)filePixelBytes < imageBytes - stride + lastRowBytes) {
        check.refusal = PixelsShort;
        return check;
    }
    check.bytesToRead = filePixelBytes < imageBytes ? filePixelBytes : (uint32_t)imageBytes;
    return check;
}

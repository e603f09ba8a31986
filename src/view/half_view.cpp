#include "view/half_view.h"

#include <stdlib.h>
#include <string.h>

#include "view/bmp_format.h"

const uint32_t White = 0x00FFFFFF;

PixelFormat PixelFormatOf(const uint8_t* block, uint32_t blockSize)
{
    PixelFormat format = {};
    uint32_t headerSize = ReadU32(block);
    format.bitCount = ReadU16(block + 14);
    uint32_t compression = ReadU32(block + 16);
    if (format.bitCount <= 8) {
        uint32_t count = ReadU32(block + 32);
        if (count == 0 || count > (1u << format.bitCount))
            count = 1u << format.bitCount;
        for (uint32_t i = 0; i < count && headerSize + 4 * i + 3 < blockSize; i++) {
            const uint8_t* q = block + headerSize + 4 * i;   // blue, green, red, reserved
            format.palette[i] = ((uint32_t)q[2] << 16) | ((uint32_t)q[1] << 8) | q[0];
        }
    } else if (compression == 3) {   // BI_BITFIELDS: after a 40-byte header, or inside a larger one
        for (int i = 0; i < 3; i++)
            format.masks[i] = ReadU32(block + 40 + 4 * i);
    } else if (format.bitCount == 16) {
        format.masks[0] = 0x7C00; format.masks[1] = 0x03E0; format.masks[2] = 0x001F;
    } else {
        format.masks[0] = 0xFF0000; format.masks[1] = 0x00FF00; format.masks[2] = 0x0000FF;
    }
    return format;
}

// One channel of a bit-field pixel scaled to 0..255.
static uint32_t MaskedChannel(uint32_t pixel, uint32_t mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        shift++;
    uint32_t top = mask >> shift;
    uint32_t value = (pixel & mask) >> shift;
    return (uint32_t)(((uint64_t)value * 255 + top / 2) / top);
}

// One stored pixel as a 0x00RRGGBB colour.
static inline uint32_t DecodePixel(const PixelFormat& format, const uint8_t* row, int x)
{
    switch (format.bitCount) {
    case 1: return format.palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4: return format.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
    case 8: return format.palette[row[x]];
    case 24: row += 3 * x; return ((uint32_t)row[2] << 16) | ((uint32_t)row[1] << 8) | row[0];
    }
    bool plain32 = format.bitCount == 32 && format.masks[0] == 0xFF0000 && format.masks[1] == 0xFF00 &&
                   format.masks[2] == 0xFF;
    uint32_t pixel = format.bitCount == 16 ? ReadU16(row + 2 * x) : ReadU32(row + 4 * x);
    if (plain32)
        return pixel & 0xFFFFFF;
    return (MaskedChannel(pixel, format.masks[0]) << 16) | (MaskedChannel(pixel, format.masks[1]) << 8) |
           MaskedChannel(pixel, format.masks[2]);
}

void DecodeRow(const PixelFormat& format, const uint8_t* row, int width, uint32_t* out)
{
    for (int x = 0; x < width; x++)
        out[x] = DecodePixel(format, row, x);
}

// The rounded average of four colours. Red and blue are summed side by side
// in one word, green in another: four 8-bit values never carry into the
// next channel.
static inline uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
    uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
    return (((redBlue + 0x20002) >> 2) & 0xFF00FF) | (((green + 0x200) >> 2) & 0xFF00);
}

void AverageRowPairs(const uint32_t* row0, const uint32_t* row1, int outWidth, uint32_t* out)
{
    for (int i = 0; i < outWidth; i++)
        out[i] = Average4(row0[2 * i], row0[2 * i + 1], row1[2 * i], row1[2 * i + 1]);
}

// Two neighbouring pixels of a 1-bit row starting at column c, as two bits.
static inline unsigned BitPair(const uint8_t* row, int c)
{
    int bit = c & 7;
    if (bit < 7)
        return (row[c >> 3] >> (6 - bit)) & 3;
    return ((row[c >> 3] & 1u) << 1) | (row[(c >> 3) + 1] >> 7);   // the pair spans two bytes
}

// The blocks that lie wholly inside a 1-, 8- or 24-bit image, averaged
// straight from the stored bytes; returns how many were done.
static int AverageWholeBlocks(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int start,
                              int blocks, uint32_t* out)
{
    switch (format.bitCount) {
    case 1: {
        // Every 2x2 block of a two-colour image is one of 16 patterns.
        uint32_t patterns[16];
        for (unsigned i = 0; i < 16; i++)
            patterns[i] = Average4(format.palette[(i >> 3) & 1], format.palette[(i >> 2) & 1],
                                   format.palette[(i >> 1) & 1], format.palette[i & 1]);
        for (int i = 0; i < blocks; i++) {
            int c = start + 2 * i;
            out[i] = patterns[(BitPair(row0, c) << 2) | BitPair(row1, c)];
        }
        return blocks;
    }
    case 8:
        for (int i = 0; i < blocks; i++) {
            const uint8_t* a = row0 + start + 2 * i;
            const uint8_t* b = row1 + start + 2 * i;
            out[i] = Average4(format.palette[a[0]], format.palette[a[1]], format.palette[b[0]],
                              format.palette[b[1]]);
        }
        return blocks;
    case 24:
        for (int i = 0; i < blocks; i++) {
            const uint8_t* a = row0 + 3 * (start + 2 * i);
            const uint8_t* b = row1 + 3 * (start + 2 * i);
            uint32_t blue = a[0] + a[3] + b[0] + b[3] + 2;
            uint32_t green = a[1] + a[4] + b[1] + b[4] + 2;
            uint32_t red = a[2] + a[5] + b[2] + b[5] + 2;
            out[i] = ((red >> 2) << 16) | ((green >> 2) << 8) | (blue >> 2);
        }
        return blocks;
    }
    return 0;
}

void AverageHalfRow(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int width,
                    int parityX, int outWidth, uint32_t* out)
{
    int whole = row1 ? (width - parityX) / 2 : 0;
    if (whole > outWidth)
        whole = outWidth;
    int done = AverageWholeBlocks(format, row0, row1, parityX, whole, out);
    // The rest, pixel by pixel: image pixels beyond the right or bottom edge
    // count as white.
    for (int i = done; i < outWidth; i++) {
        int c = parityX + 2 * i;
        uint32_t p[4];
        for (int k = 0; k < 4; k++) {
            const uint8_t* row = k < 2 ? row0 : row1;
            int x = c + (k & 1);
            p[k] = row && x < width ? DecodePixel(format, row, x) : White;
        }
        out[i] = Average4(p[0], p[1], p[2], p[3]);
    }
}

// One half-size picture for each parity of the view's origin: a 2x2 block
// starts at an even or odd image column and row.
struct HalfPicture {
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ previous;
    uint32_t* pixels;        // top-down rows of width 0x00RRGGBB words
    int width, height;
    unsigned version;        // the form image version it was made from
};

static HalfPicture Pictures[2][2];

static void ReleasePicture(HalfPicture& p)
{
    if (p.dc) {
        SelectObject(p.dc, p.previous);
        DeleteDC(p.dc);
    }
    if (p.bitmap)
        DeleteObject(p.bitmap);
    p = HalfPicture();
}

void ReleaseHalfViews()
{
    for (auto& pair : Pictures)
        for (auto& p : pair)
            ReleasePicture(p);
}

static bool CreatePicture(HalfPicture& p, HDC compatible, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    p.bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!p.bitmap)
        return false;
    p.dc = CreateCompatibleDC(compatible);
    if (!p.dc) {
        DeleteObject(p.bitmap);
        p.bitmap = NULL;
        return false;
    }
    p.previous = SelectObject(p.dc, p.bitmap);
    p.pixels = (uint32_t*)bits;
    p.width = width;
    p.height = height;
    return true;
}

// Averages the whole form image into the picture for one parity. Image
// pixels beyond the right and bottom edges count as white.
static void FillPicture(HalfPicture& p, const HalfViewImage& image, int parityX, int parityY)
{
    GdiFlush();   // text drawn into the form image must be in its pixels
    PixelFormat format = PixelFormatOf(image.headerBlock, image.headerBlockSize);
    int width = image.width, height = image.height;
    uint32_t stride = (uint32_t)BmpRowStride((uint32_t)width, (uint32_t)format.bitCount);
    bool bottomUp = image.bottomUp;
    const uint8_t* bits = image.bits;
    auto row = [&](int y) -> const uint8_t* {
        if (y >= height)
            return nullptr;
        return bits + (size_t)(bottomUp ? height - 1 - y : y) * stride;
    };
    for (int j = 0; j < p.height; j++) {
        int y = parityY + 2 * j;
        AverageHalfRow(format, row(y), row(y + 1), width, parityX, p.width, p.pixels + (size_t)j * p.width);
    }
    p.version = image.version;
}

HalfViewSource HalfViewFor(const HalfViewImage& image, int offsetX, int offsetY)
{
    HalfViewSource source = {};
    if (!image.bits || !image.headerBlock || image.width <= 0)
        return source;
    int parityX = offsetX & 1, parityY = offsetY & 1;
    HalfPicture& p = Pictures[parityX][parityY];
    int width = (image.width - parityX + 1) / 2;
    int height = (image.height - parityY + 1) / 2;
    if (width <= 0 || height <= 0)
        return source;
    if (p.dc && (p.width != width || p.height != height))
        ReleasePicture(p);
    if (!p.dc) {
        if (!CreatePicture(p, image.dc, width, height))
            return source;
        p.version = image.version - 1;
    }
    if (p.version != image.version)
        FillPicture(p, image, parityX, parityY);
    source.dc = p.dc;
    source.x = (offsetX - parityX) / 2;
    source.y = (offsetY - parityY) / 2;
    source.width = width;
    source.height = height;
    return source;
}

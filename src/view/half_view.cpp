#include "view/half_view.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

#include "view/bmp_format.h"
#include "view/form_image.h"

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

void DecodeRow(const PixelFormat& format, const uint8_t* row, int width, uint32_t* out)
{
    switch (format.bitCount) {
    case 1:
        for (int x = 0; x < width; x++)
            out[x] = format.palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (int x = 0; x < width; x++)
            out[x] = format.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        break;
    case 8:
        for (int x = 0; x < width; x++)
            out[x] = format.palette[row[x]];
        break;
    case 24:
        for (int x = 0; x < width; x++, row += 3)
            out[x] = ((uint32_t)row[2] << 16) | ((uint32_t)row[1] << 8) | row[0];
        break;
    case 16:
    case 32: {
        bool plain32 = format.bitCount == 32 && format.masks[0] == 0xFF0000 &&
                       format.masks[1] == 0xFF00 && format.masks[2] == 0xFF;
        for (int x = 0; x < width; x++) {
            uint32_t pixel = format.bitCount == 16 ? ReadU16(row + 2 * x) : ReadU32(row + 4 * x);
            out[x] = plain32 ? (pixel & 0xFFFFFF)
                             : (MaskedChannel(pixel, format.masks[0]) << 16) |
                                   (MaskedChannel(pixel, format.masks[1]) << 8) |
                                   MaskedChannel(pixel, format.masks[2]);
        }
        break;
    }
    }
}

void AverageRowPairs(const uint32_t* row0, const uint32_t* row1, int outWidth, uint32_t* out)
{
    // Red and blue are summed side by side in one word, green in another:
    // four 8-bit values never carry into the next channel.
    for (int i = 0; i < outWidth; i++) {
        uint32_t a = row0[2 * i], b = row0[2 * i + 1], c = row1[2 * i], d = row1[2 * i + 1];
        uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
        uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
        out[i] = (((redBlue + 0x20002) >> 2) & 0xFF00FF) | (((green + 0x200) >> 2) & 0xFF00);
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

static bool CreatePicture(HalfPicture& p, int width, int height)
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
    p.dc = CreateCompatibleDC(FormImage.hdcMem);
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
static void FillPicture(HalfPicture& p, int parityX, int parityY)
{
    GdiFlush();   // text drawn into the form image must be in its pixels
    PixelFormat format = PixelFormatOf(FormImage.headerBlock, FormImage.headerBlockSize);
    int width = FormImage.width, height = FormImage.height;
    uint32_t stride = (uint32_t)BmpRowStride((uint32_t)width, (uint32_t)format.bitCount);
    bool bottomUp = FormImage.headerCopy.biHeight > 0;
    const uint8_t* bits = (const uint8_t*)FormImage.bits;
    // Room for the row plus the white pixel an odd last block needs.
    std::vector<uint32_t> rows[2] = { std::vector<uint32_t>(width + 2, White),
                                      std::vector<uint32_t>(width + 2, White) };
    for (int j = 0; j < p.height; j++) {
        for (int k = 0; k < 2; k++) {
            int y = parityY + 2 * j + k;
            uint32_t* out = rows[k].data();
            if (y >= height) {
                for (int x = 0; x < width; x++)
                    out[x] = White;
                continue;
            }
            const uint8_t* row = bits + (size_t)(bottomUp ? height - 1 - y : y) * stride;
            DecodeRow(format, row, width, out);
        }
        AverageRowPairs(rows[0].data() + parityX, rows[1].data() + parityX, p.width,
                        p.pixels + (size_t)j * p.width);
    }
    p.version = FormImage.version;
}

HalfViewSource HalfViewFor(int offsetX, int offsetY)
{
    HalfViewSource source = {};
    if (!FormImage.bits || !FormImage.headerBlock || FormImage.width <= 0)
        return source;
    int parityX = offsetX & 1, parityY = offsetY & 1;
    HalfPicture& p = Pictures[parityX][parityY];
    int width = (FormImage.width - parityX + 1) / 2;
    int height = (FormImage.height - parityY + 1) / 2;
    if (width <= 0 || height <= 0)
        return source;
    if (p.dc && (p.width != width || p.height != height))
        ReleasePicture(p);
    if (!p.dc) {
        if (!CreatePicture(p, width, height))
            return source;
        p.version = FormImage.version - 1;
    }
    if (p.version != FormImage.version)
        FillPicture(p, parityX, parityY);
    source.dc = p.dc;
    source.x = (offsetX - parityX) / 2;
    source.y = (offsetY - parityY) / 2;
    source.width = width;
    source.height = height;
    return source;
}

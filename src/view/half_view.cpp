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

// The rounded average of four colours. Red and blue are summed side by side
// in one word, green in another: four 8-bit values never carry into the
// next channel.
static inline uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
    uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
    return (((redBlue + 0x20002) >> 2) & 0xFF00FF) | (((green + 0x200) >> 2) & 0xFF00);
}

// Two neighbouring pixels of a 1-bit row starting at column c, as two bits.
static inline unsigned BitPair(const uint8_t* row, int c)
{
    int bit = c & 7;
    if (bit < 7)
        return (row[c >> 3] >> (6 - bit)) & 3;
    return ((row[c >> 3] & 1u) << 1) | (row[(c >> 3) + 1] >> 7);   // the pair spans two bytes
}

// Blocks of pixels stored as blue, green, red in `Size` bytes.
template <int Size>
static void AverageRgbBlocks(const uint8_t* row0, const uint8_t* row1, int start, int blocks,
                             uint32_t* __restrict out)
{
    for (int i = 0; i < blocks; i++) {
        const uint8_t* a = row0 + Size * (start + 2 * i);
        const uint8_t* b = row1 + Size * (start + 2 * i);
        uint32_t blue = a[0] + a[Size] + b[0] + b[Size] + 2;
        uint32_t green = a[1] + a[Size + 1] + b[1] + b[Size + 1] + 2;
        uint32_t red = a[2] + a[Size + 2] + b[2] + b[Size + 2] + 2;
        out[i] = ((red >> 2) << 16) | ((green >> 2) << 8) | (blue >> 2);
    }
}

// Blocks of a palette picture of one byte a pixel.
static void AverageByteBlocks(const uint32_t* __restrict palette, const uint8_t* row0, const uint8_t* row1, int start,
                              int blocks, uint32_t* __restrict out)
{
    for (int i = 0; i < blocks; i++) {
        const uint8_t* a = row0 + start + 2 * i;
        const uint8_t* b = row1 + start + 2 * i;
        out[i] = Average4(palette[a[0]], palette[a[1]], palette[b[0]], palette[b[1]]);
    }
}

// Blocks of a palette picture of half a byte a pixel.
static void AverageNibbleBlocks(const uint32_t* __restrict palette, const uint8_t* row0, const uint8_t* row1,
                                int start, int blocks, uint32_t* __restrict out)
{
    for (int i = 0; i < blocks; i++) {
        int c = start + 2 * i;
        out[i] = Average4(palette[(row0[c >> 1] >> ((c & 1) ? 0 : 4)) & 15],
                          palette[(row0[(c + 1) >> 1] >> (((c + 1) & 1) ? 0 : 4)) & 15],
                          palette[(row1[c >> 1] >> ((c & 1) ? 0 : 4)) & 15],
                          palette[(row1[(c + 1) >> 1] >> (((c + 1) & 1) ? 0 : 4)) & 15]);
    }
}

// Blocks of a two-colour picture: every 2x2 block is one of 16 patterns.
static void AverageBitBlocks(const uint32_t* palette, const uint8_t* row0, const uint8_t* row1, int start,
                             int blocks, uint32_t* __restrict out)
{
    uint32_t patterns[16];
    for (unsigned i = 0; i < 16; i++)
        patterns[i] = Average4(palette[(i >> 3) & 1], palette[(i >> 2) & 1], palette[(i >> 1) & 1], palette[i & 1]);
    for (int i = 0; i < blocks; i++) {
        int c = start + 2 * i;
        out[i] = patterns[(BitPair(row0, c) << 2) | BitPair(row1, c)];
    }
}

// The blocks that lie wholly inside a 1-, 4-, 8-, 24- or 32-bit image (the
// last with the usual masks), averaged straight from the stored bytes;
// returns how many were done.
static int AverageWholeBlocks(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int start,
                              int blocks, uint32_t* out)
{
    switch (format.bitCount) {
    case 1:
        AverageBitBlocks(format.palette, row0, row1, start, blocks, out);
        return blocks;
    case 4:
        AverageNibbleBlocks(format.palette, row0, row1, start, blocks, out);
        return blocks;
    case 8:
        AverageByteBlocks(format.palette, row0, row1, start, blocks, out);
        return blocks;
    case 24:
        AverageRgbBlocks<3>(row0, row1, start, blocks, out);
        return blocks;
    case 32:
        if (format.masks[0] != 0xFF0000 || format.masks[1] != 0xFF00 || format.masks[2] != 0xFF)
            return 0;
        AverageRgbBlocks<4>(row0, row1, start, blocks, out);
        return blocks;
    }
    return 0;
}

void AverageHalfRow(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int width,
                    int firstColumn, int outWidth, uint32_t* out)
{
    int whole = row1 && width > firstColumn ? (width - firstColumn) / 2 : 0;
    if (whole > outWidth)
        whole = outWidth;
    int done = AverageWholeBlocks(format, row0, row1, firstColumn, whole, out);
    // The blocks with a pixel inside the image, pixel by pixel: image pixels
    // beyond the right or bottom edge count as white. Blocks wholly right of
    // the image are white.
    int inside = width > firstColumn ? (width - firstColumn + 1) / 2 : 0;
    if (inside > outWidth)
        inside = outWidth;
    for (int i = done; i < inside; i++) {
        int c = firstColumn + 2 * i;
        uint32_t p[4];
        for (int k = 0; k < 4; k++) {
            const uint8_t* row = k < 2 ? row0 : row1;
            int x = c + (k & 1);
            p[k] = row && x < width ? DecodePixel(format, row, x) : White;
        }
        out[i] = Average4(p[0], p[1], p[2], p[3]);
    }
    for (int i = done > inside ? done : inside; i < outWidth; i++)
        out[i] = White;
}

// ---- arithmetic of the half-size picture ----

// Division rounding toward minus infinity.
static int FloorHalf(int value)
{
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

HalfViewPlacement HalfViewPlacementFor(int imageWidth, int imageHeight, int offsetX, int offsetY)
{
    HalfViewPlacement p = {};
    p.parityX = offsetX & 1;
    p.parityY = offsetY & 1;
    p.sourceX = FloorHalf(offsetX);
    p.sourceY = FloorHalf(offsetY);
    p.width = imageWidth > p.parityX ? (imageWidth - p.parityX + 1) / 2 : 0;
    p.height = imageHeight > p.parityY ? (imageHeight - p.parityY + 1) / 2 : 0;
    return p;
}

HalfSpan HalfSpanOf(int imageStart, int imageEnd, int parity)
{
    HalfSpan span = { 0, 0 };
    if (imageEnd <= imageStart)
        return span;
    span.start = FloorHalf(imageStart - parity);
    span.end = FloorHalf(imageEnd - 1 - parity) + 1;
    if (span.start < 0)
        span.start = 0;
    if (span.end < span.start)
        span.end = span.start;
    return span;
}

// ---- the half-size picture in tiles ----

// A square of the half-size picture of one offset parity, made when a
// repaint first shows it. Rows from staleTop to staleBottom no longer show
// the form image as it is and are made again before the tile is shown.
struct HalfTile {
    uint32_t* pixels;        // HalfTileSize top-down rows of HalfTileSize 0x00RRGGBB words
    int parityX, parityY;
    int column, row;         // place in the half-size picture, in tiles
    int staleTop, staleBottom;
    unsigned shown;          // the repaint that showed it last
};

static HalfTile* gTiles = nullptr;
static int gTileCount = 0;
static int gTileCapacity = 0;
static unsigned gRepaints = 0;
static unsigned gTilesVersion = 0;    // the form image version the tiles follow
static const uint8_t* TilesBits = nullptr;

void ReleaseHalfViews()
{
    for (int i = 0; i < gTileCount; i++)
        free(gTiles[i].pixels);
    free(gTiles);
    gTiles = nullptr;
    gTileCount = gTileCapacity = 0;
    TilesBits = nullptr;
}

static void MarkStale(HalfTile& tile, int top, int bottom)
{
    if (tile.staleTop >= tile.staleBottom) {
        tile.staleTop = top;
        tile.staleBottom = bottom;
        return;
    }
    if (top < tile.staleTop)
        tile.staleTop = top;
    if (bottom > tile.staleBottom)
        tile.staleBottom = bottom;
}

void HalfViewChanged(const RECT& imageRect)
{
    for (int i = 0; i < gTileCount; i++) {
        HalfTile& tile = gTiles[i];
        HalfSpan across = HalfSpanOf(imageRect.left, imageRect.right, tile.parityX);
        HalfSpan down = HalfSpanOf(imageRect.top, imageRect.bottom, tile.parityY);
        int left = tile.column * HalfTileSize, top = tile.row * HalfTileSize;
        if (across.end <= left || across.start >= left + HalfTileSize || down.end <= top ||
            down.start >= top + HalfTileSize)
            continue;
        MarkStale(tile, (down.start > top ? down.start : top) - top,
                  (down.end < top + HalfTileSize ? down.end : top + HalfTileSize) - top);
    }
}

// Room for the tiles of a view of this size wherever it lies, and a row and
// a column more, so that scrolling back a little finds them still made.
static bool EnsureCapacity(int viewWidth, int viewHeight)
{
    int across = (viewWidth + HalfTileSize - 1) / HalfTileSize + 2;
    int down = (viewHeight + HalfTileSize - 1) / HalfTileSize + 2;
    int wanted = across * down;
    if (wanted <= gTileCapacity)
        return true;
    HalfTile* grown = (HalfTile*)realloc(gTiles, (size_t)wanted * sizeof(HalfTile));
    if (!grown)
        return gTileCapacity > 0;
    gTiles = grown;
    gTileCapacity = wanted;
    return true;
}

// The tile at (column, row) of a parity's picture: one already made, or a
// new one (taking the memory of the tile shown longest ago when all room
// is used). Its rows are all stale when it is new. NULL when no memory is
// left for it.
static HalfTile* TileAt(int parityX, int parityY, int column, int row)
{
    for (int i = 0; i < gTileCount; i++) {
        HalfTile& tile = gTiles[i];
        if (tile.column == column && tile.row == row && tile.parityX == parityX && tile.parityY == parityY)
            return &tile;
    }
    HalfTile* tile = nullptr;
    if (gTileCount < gTileCapacity) {
        uint32_t* pixels = (uint32_t*)malloc((size_t)HalfTileSize * HalfTileSize * 4);
        if (pixels) {
            tile = &gTiles[gTileCount++];
            tile->pixels = pixels;
        }
    }
    if (!tile) {
        for (int i = 0; i < gTileCount; i++)
            if (gTiles[i].shown != gRepaints && (!tile || gTiles[i].shown < tile->shown))
                tile = &gTiles[i];
        if (!tile)
            return nullptr;
    }
    tile->parityX = parityX;
    tile->parityY = parityY;
    tile->column = column;
    tile->row = row;
    tile->staleTop = 0;
    tile->staleBottom = HalfTileSize;
    return tile;
}

// Averages the stale rows of a tile that are in view, rows `top` to
// `bottom`, from the form image; the others stay stale until they are.
static void MakeStaleRows(HalfTile& tile, int top, int bottom, const HalfViewImage& image, const PixelFormat& format,
                          uint32_t stride)
{
    // What is made and what stays stale are each one run of rows.
    int from = tile.staleTop > top ? tile.staleTop : top;
    int to = tile.staleBottom < bottom ? tile.staleBottom : bottom;
    if (from >= to)
        return;
    if (from > tile.staleTop && to < tile.staleBottom)
        from = tile.staleTop;
    int firstColumn = tile.parityX + 2 * HalfTileSize * tile.column;
    for (int j = from; j < to; j++) {
        uint32_t* out = tile.pixels + (size_t)j * HalfTileSize;
        int y = tile.parityY + 2 * (HalfTileSize * tile.row + j);
        if (y >= image.height) {
            for (int i = 0; i < HalfTileSize; i++)
                out[i] = White;
            continue;
        }
        auto stored = [&](int row) {
            return image.bits + (size_t)(image.bottomUp ? image.height - 1 - row : row) * stride;
        };
        AverageHalfRow(format, stored(y), y + 1 < image.height ? stored(y + 1) : nullptr, image.width, firstColumn,
                       HalfTileSize, out);
    }
    if (from == tile.staleTop)
        tile.staleTop = to;
    else
        tile.staleBottom = from;
    if (tile.staleTop >= tile.staleBottom)
        tile.staleTop = tile.staleBottom = 0;
}

bool DrawHalfView(HDC dc, const HalfViewImage& image, int offsetX, int offsetY, int viewWidth, int viewHeight)
{
    if (!image.bits || !image.headerBlock || image.width <= 0 || image.height <= 0)
        return false;
    if (image.bits != TilesBits || image.version != gTilesVersion) {
        // Another picture, or the whole picture changed: every tile is stale.
        for (int i = 0; i < gTileCount; i++)
            MarkStale(gTiles[i], 0, HalfTileSize);
        TilesBits = image.bits;
        gTilesVersion = image.version;
    }
    if (!EnsureCapacity(viewWidth, viewHeight))
        return false;
    HalfViewPlacement p = HalfViewPlacementFor(image.width, image.height, offsetX, offsetY);
    int right = p.sourceX + viewWidth < p.width ? p.sourceX + viewWidth : p.width;
    int bottom = p.sourceY + viewHeight < p.height ? p.sourceY + viewHeight : p.height;
    if (right <= p.sourceX || bottom <= p.sourceY)
        return true;   // no part of the image is in view
    gRepaints++;
    // Read from the headers only when some tile in view has to be made.
    PixelFormat format;
    uint32_t stride = 0;
    bool flushed = false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = HalfTileSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    for (int row = p.sourceY / HalfTileSize; row * HalfTileSize < bottom; row++) {
        for (int column = p.sourceX / HalfTileSize; column * HalfTileSize < right; column++) {
            HalfTile* tile = TileAt(p.parityX, p.parityY, column, row);
            if (!tile)
                return false;
            tile->shown = gRepaints;
            int left = column * HalfTileSize, top = row * HalfTileSize;
            int viewTop = p.sourceY - top > 0 ? p.sourceY - top : 0;
            int viewBottom = bottom - top < HalfTileSize ? bottom - top : HalfTileSize;
            if (tile->staleTop < viewBottom && tile->staleBottom > viewTop) {
                if (!flushed) {
                    GdiFlush();   // text drawn into the form image must be in its pixels
                    format = PixelFormatOf(image.headerBlock, image.headerBlockSize);
                    stride = (uint32_t)BmpRowStride((uint32_t)image.width, (uint32_t)format.bitCount);
                    flushed = true;
                }
                MakeStaleRows(*tile, viewTop, viewBottom, image, format, stride);
            }
            // Only the part inside the half-size picture and down to the
            // view's last row, where the view ends on any device (a printer
            // too); the view paints what lies beyond the picture. Rows and
            // columns before the view's first land before the device's
            // origin, where nothing is drawn.
            int width = right - left < HalfTileSize ? right - left : HalfTileSize;
            int height = viewBottom;
            info.bmiHeader.biHeight = -height;   // top-down: the tile's first rows
            SetDIBitsToDevice(dc, left - p.sourceX, top - p.sourceY, width, height, 0, 0, 0, height,
                              tile->pixels, &info, DIB_RGB_COLORS);
        }
    }
    return true;
}

// The half-size picture of the form image: every screen pixel is the average
// of its 2x2 block of image pixels. It is kept in tiles, made when a
// half-size repaint first shows them and made again where the form image
// changes, so painting and scrolling at half size are a plain copy and an
// edit costs what it changes. Only tiles near the view are kept: memory
// follows the window's size, not the form's.
#ifndef SCRIVELANDER_HALF_VIEW_H
#define SCRIVELANDER_HALF_VIEW_H

#include <windows.h>
#include <stdint.h>

// How the pixels of a form image are stored, enough to read them as colours.
struct PixelFormat {
    int bitCount;                  // 1, 4, 8, 16, 24 or 32
    uint32_t palette[256];         // 0x00RRGGBB, for 8 bits and fewer
    uint32_t masks[3];             // red, green and blue masks, for 16 and 32 bits
};

// The pixel format described by a checked header block.
PixelFormat PixelFormatOf(const uint8_t* headerBlock, uint32_t blockSize);

// One row of the half-size picture of an image `width` pixels wide: block i
// covers image columns firstColumn + 2i and the next, of the stored rows
// row0 and row1. row1 is NULL below the image's last row; pixels beyond the
// image count as white.
void AverageHalfRow(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int width,
                    int firstColumn, int outWidth, uint32_t* out);

// Where the half-size picture for a view origin lies: a 2x2 block starts at
// an even or odd image column and row (the parity of the offsets); the
// view's top-left screen pixel shows the picture's pixel (sourceX, sourceY);
// the picture is width x height (its last column and row may average image
// pixels with the white beyond the edges).
struct HalfViewPlacement {
    int parityX, parityY;
    int sourceX, sourceY;
    int width, height;
};
HalfViewPlacement HalfViewPlacementFor(int imageWidth, int imageHeight, int offsetX, int offsetY);

// The half-size pixels [start, end) of one parity whose blocks take in any
// of the image pixels [imageStart, imageEnd), along one axis.
struct HalfSpan {
    int start, end;
};
HalfSpan HalfSpanOf(int imageStart, int imageEnd, int parity);

// The edge of one tile of the half-size picture, in screen pixels.
const int HalfTileSize = 128;

// The form image the half-size view is made from.
struct HalfViewImage {
    const uint8_t* bits;           // the stored pixel rows
    const uint8_t* headerBlock;    // info header, masks and colour table
    uint32_t headerBlockSize;
    int width, height;             // height is |biHeight|
    bool bottomUp;
    unsigned version;              // changes whenever the whole picture changes
};

// Paints the half-size picture for a view origin into the top-left
// viewWidth x viewHeight pixels of `dc`, as far as the picture reaches.
// False when there is no memory for it; nothing of the image may then show.
bool DrawHalfView(HDC dc, const HalfViewImage& image, int offsetX, int offsetY, int viewWidth, int viewHeight);

// The form image's pixels changed within a rectangle (image coordinates,
// right and bottom exclusive): the tiles over it are made again when shown.
void HalfViewChanged(const RECT& imageRect);

// Frees every tile (before the form image they came from goes, and to make
// room for a new one).
void ReleaseHalfViews();

#endif

// The half-size picture of the form image: every screen pixel is the average
// of its 2x2 block of image pixels. It is made from the form image when a
// half-size repaint first needs it and made again whenever the form image
// changes, so painting and scrolling at half size are a plain copy.
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

// Reads `width` pixels of one stored row as 0x00RRGGBB colours.
void DecodeRow(const PixelFormat& format, const uint8_t* row, int width, uint32_t* out);

// One row of the half-size picture: pixel i is the rounded average of
// row0[2i], row0[2i+1], row1[2i], row1[2i+1] (colours 0x00RRGGBB).
void AverageRowPairs(const uint32_t* row0, const uint32_t* row1, int outWidth, uint32_t* out);

// One row of the half-size picture of an image `width` pixels wide: block i
// covers image columns parityX + 2i and the next, of the stored rows row0
// and row1. row1 is NULL below the image's last row; pixels beyond the image
// count as white.
void AverageHalfRow(const PixelFormat& format, const uint8_t* row0, const uint8_t* row1, int width,
                    int parityX, int outWidth, uint32_t* out);

// Where the half-size picture for a view origin is: copy from `dc` at (x, y);
// the picture is width x height. dc is NULL when none could be made.
struct HalfViewSource {
    HDC dc;
    int x, y;
    int width, height;
};

// The form image a half-size picture is made from.
struct HalfViewImage {
    const uint8_t* bits;           // the stored pixel rows
    const uint8_t* headerBlock;    // info header, masks and colour table
    uint32_t headerBlockSize;
    int width, height;             // height is |biHeight|
    bool bottomUp;
    unsigned version;              // changes whenever the pixels change
    HDC dc;                        // a device context the pictures are made compatible with
};

HalfViewSource HalfViewFor(const HalfViewImage& image, int offsetX, int offsetY);

// Frees every half-size picture (before the form image they came from goes).
void ReleaseHalfViews();

#endif

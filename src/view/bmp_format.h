// What a .bmp file's headers say, checked before any of the current form
// image is given up: a file is either refused with a message or described
// by sizes that are safe to read into a DIB section.
#ifndef SCRIVELANDER_BMP_FORMAT_H
#define SCRIVELANDER_BMP_FORMAT_H

#include <stdint.h>

const uint32_t BmpFileHeaderSize = 14;
const uint32_t BmpInfoHeaderSize = 40;
const uint64_t BmpLargestImage = 512u * 1024u * 1024u;   // bytes of pixel memory

// Little-endian fields at explicit offsets.
uint16_t ReadU16(const uint8_t* p);
uint32_t ReadU32(const uint8_t* p);

struct BmpFileCheck {
    const char* refusal;         // the message to show, or nullptr
    uint32_t headerBlockSize;    // bfOffBits - 14
    uint32_t filePixelBytes;     // file size - bfOffBits
};

// Checks the file's size and its 14-byte file header (`count` bytes of it
// were read).
BmpFileCheck CheckBmpFileHeader(uint64_t fileSize, const uint8_t* header, uint32_t count);

struct BmpImageCheck {
    const char* refusal;         // the message to show, or nullptr
    int32_t width, height;       // height is |biHeight|
    uint32_t imageBytes;         // row stride x height: the DIB section's pixel memory
    uint32_t bytesToRead;        // pixel bytes taken from the file
    bool runLength;              // the pixels are run-length compressed (RLE8, RLE4): bytesToRead
                                 // bytes of the stream are decoded into the imageBytes of the picture
};

// Checks the header block (info header, masks, colour table) against the
// pixel bytes the file holds. Run-length compressed 8- and 4-bit pictures
// are taken when stored bottom row first, as they must be; their stream is
// checked when it is decoded (view/bmp_rle).
BmpImageCheck CheckBmpHeaderBlock(const uint8_t* block, uint32_t blockSize, uint32_t filePixelBytes);

// Bytes of one pixel row, padded to four bytes.
uint64_t BmpRowStride(uint32_t width, uint32_t bitCount);

#endif

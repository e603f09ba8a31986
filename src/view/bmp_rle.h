// The run-length compressed pixels of 8-bit and 4-bit .bmp files (RLE8 and
// RLE4), as scanner software and image tools write them by default. A
// stream is checked whole before any of it is used: a run, a literal run or
// a jump that would land outside the picture, and a stream that ends before
// the picture does, refuse the file.
#ifndef SCRIVELANDER_BMP_RLE_H
#define SCRIVELANDER_BMP_RLE_H

#include <stdint.h>

const uint32_t BmpRle8 = 1;   // biCompression of an 8-bit run-length picture
const uint32_t BmpRle4 = 2;   // and of a 4-bit one

// Decodes `size` bytes of a stream for a picture `width` x `height` pixels
// of `bitCount` 8 (RLE8) or 4 (RLE4) bits, stored bottom row first. With
// `out` NULL it only checks the stream; otherwise it writes the rows
// (bottom row first, `stride` bytes apart, as the DIB section holds them)
// into `out`, which the caller has cleared: pixels the stream jumps over
// keep colour 0. Returns NULL, or the message that tells why the file is
// refused; nothing is read or written outside the stream and the picture.
const char* DecodeBmpRle(const uint8_t* data, uint32_t size, int bitCount, int width, int height, uint8_t* out,
                         uint32_t stride);

// The most bytes of a stream worth reading for such a picture: a stream
// that encodes every pixel literally, with a few markers to spare.
uint64_t BmpRleReadLimit(uint64_t imageBytes, uint32_t rows);

#endif

// What the field finder takes and gives: the stored pixels of a bitmap and
// the fields found on it.
#ifndef SCRIVELANDER_FIELD_TYPES_H
#define SCRIVELANDER_FIELD_TYPES_H

#include <stdint.h>

enum FieldKind { FieldBox, FieldUnderline, FieldComb, FieldCheck };

// Image pixels, rows counted from the top; right and bottom are exclusive.
struct FieldRect {
    int left, top, right, bottom;
};

struct FormField {
    FieldKind kind;
    FieldRect area;   // where the text goes: a box's cell less a printed label at its top
                      // or left; the band above an underline; the span of a comb's cells;
                      // the inside of a check box. Its bottom is just above the bottom rule.
    int cells;        // a comb's number of character cells (2 or more), otherwise 1
};

// The pixels as a DIB stores them.
struct FieldImage {
    const uint8_t* pixels;
    int width, height;
    int bitCount;               // 1, 4, 8, 16, 24 or 32
    int stride;                 // bytes from one stored row to the next
    bool bottomUp;              // the bottom row is stored first (the usual .bmp)
    const uint32_t* palette;    // 0x00RRGGBB, 2^bitCount entries, for 8 bits and fewer
    uint32_t masks[3];          // red, green and blue masks for 16 and 32 bits (all 0: 5-5-5 / 8-8-8)
    int dotsPerInch;            // the scan's resolution; 0 when unknown (guessed from the page's width)
    // When set, rows are read through readRow instead of from `pixels`: the
    // bytes of stored row `storedRow` (0 = the first stored), valid until the
    // next call. A picture read from its file band by band.
    const uint8_t* (*readRow)(void* source, int storedRow);
    void* source;
};

#endif

// What GDI is given to draw an entry. A record's numbers come from a file
// and can hold any 32-bit value; drawn as they are, a font millions of
// pixels tall or a text placed at the far end of the coordinate space can
// bring GDI down. So an entry is drawn with every value inside what a real
// entry can use. The record itself stays as it is stored.
#ifndef SCRIVELANDER_DRAWING_BOUNDS_H
#define SCRIVELANDER_DRAWING_BOUNDS_H

#include <stdint.h>

#include "entries/record_layout.h"

// The tallest font an entry is drawn in, in pixels: the largest size
// Windows' font dialog takes (1638 points) at the 96 pixels per inch the
// program works in.
const int32_t LargestEntryFontHeight = 2184;

// How far outside the picture an anchor is still placed as it is: no text
// of an entry (99 characters, none wider than four times the tallest font)
// reaches the picture from farther, so moving a farther anchor to this
// distance changes no pixel.
const int32_t DrawingReach = 1 << 20;

// The font height (lfHeight) of a record's size: size x -2, at most
// LargestEntryFontHeight either way.
int32_t RecordFontHeight(int32_t size);

// A record's font weight as GDI is given it: 0 to 1000 as it is, anything
// else normal (400).
int32_t RecordFontWeight(int32_t weight);

struct EntryDrawing {
    bool drawn;             // false when the picture has no size
    int32_t fontHeight;     // lfHeight
    int32_t fontWeight;     // lfWeight
    int32_t left;           // where plain text (or a formula without a value) starts
    int32_t x;              // where a formula's value starts, or ends when right-justified
    int32_t y;
    int textLength;         // characters of the text, up to its zero and within its field
};

// How `record`, in a font of `fontHeight` and `fontWeight`, is drawn into a
// picture of `pictureWidth` x `pictureHeight` pixels: the font's height at
// most the picture's height and LargestEntryFontHeight (its sign kept), a
// nonsense weight normal, and the anchor within DrawingReach of the picture.
EntryDrawing BoundEntryDrawing(const EntryRecord& record, int32_t fontHeight, int32_t fontWeight,
                               int32_t pictureWidth, int32_t pictureHeight);

#endif

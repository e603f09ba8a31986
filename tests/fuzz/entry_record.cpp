// The entry record as read from a file, and how it is handed to GDI:
// whatever its 160 bytes hold, the record keeps every byte but the two
// terminators a full text or face name loses, its texts end inside their
// fields, and its drawing stays within what a real entry can use.
//
// Input: the record's 160 bytes (fewer are padded with zeros), then
// optionally the picture's width and height and a font height, 4 bytes
// each, little-endian.
#include <string.h>

#include "entries/drawing_bounds.h"
#include "require.h"

static int32_t Int32At(const uint8_t* p)
{
    return (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t bytes[EntryRecordSize] = {};
    memcpy(bytes, data, size < (size_t)EntryRecordSize ? size : (size_t)EntryRecordSize);
    EntryRecord r = DecodeEntryRecord(bytes);
    Require(memchr(r.text, 0, EntryTextSize) && memchr(r.faceName, 0, FaceNameSize),
            "text and face name end inside their fields");
    uint8_t again[EntryRecordSize];
    EncodeEntryRecord(r, again);
    const int textEnd = RecordOffset::text + EntryTextSize - 1, faceEnd = RecordOffset::faceName + FaceNameSize - 1;
    for (int i = 0; i < EntryRecordSize; i++)
        Require(again[i] == (i == textEnd || i == faceEnd ? 0 : bytes[i]), "the record keeps its bytes");

    const uint8_t* more = data + EntryRecordSize;
    size_t extra = size > (size_t)EntryRecordSize ? size - EntryRecordSize : 0;
    int32_t width = extra >= 8 ? Int32At(more) : 2550;
    int32_t height = extra >= 8 ? Int32At(more + 4) : 3300;
    int32_t fontHeight = extra >= 12 ? Int32At(more + 8) : RecordFontHeight(r.size);

    int32_t recordHeight = RecordFontHeight(r.size);
    Require(recordHeight >= -LargestEntryFontHeight && recordHeight <= LargestEntryFontHeight,
            "a record's font is no taller than a real entry's");
    int32_t weight = RecordFontWeight(r.weight);
    Require(weight >= 0 && weight <= 1000 && (weight == r.weight || weight == 400), "a nonsense weight is normal");

    EntryDrawing d = BoundEntryDrawing(r, fontHeight, r.weight, width, height);
    if (width <= 0 || height <= 0) {
        Require(!d.drawn, "nothing is drawn into a picture without size");
        return 0;
    }
    Require(d.drawn, "an entry is drawn into a picture with a size");
    int64_t limit = height < LargestEntryFontHeight ? height : LargestEntryFontHeight;
    Require(d.fontHeight >= -limit && d.fontHeight <= limit, "the font is no taller than the picture");
    Require((int64_t)d.fontHeight * fontHeight >= 0, "the font height keeps its sign");
    if (fontHeight >= -limit && fontHeight <= limit)
        Require(d.fontHeight == fontHeight, "a font that fits is drawn as it is");
    Require(d.fontWeight == weight, "the weight drawn is the record's, or normal");
    const int64_t reach = DrawingReach;
    int64_t left = r.rightJustified == 1 ? (int64_t)r.x - r.width : r.x;
    int64_t anchors[3][3] = { { left, d.left, width }, { r.x, d.x, width }, { r.y, d.y, height } };
    for (const auto& a : anchors) {
        Require(a[1] >= -reach && a[1] <= a[2] + reach, "the anchor lies within reach of the picture");
        Require(a[1] + reach <= INT32_MAX, "a text's size can be added to the anchor");
        if (a[0] >= -reach && a[0] <= a[2] + reach && a[0] + reach <= INT32_MAX)
            Require(a[1] == a[0], "an anchor within reach is kept");
    }
    Require(d.textLength >= 0 && d.textLength < EntryTextSize && r.text[d.textLength] == 0 &&
                (d.textLength == 0 || memchr(r.text, 0, d.textLength) == NULL),
            "the text drawn is the record's, up to its zero");
    // The text handed to GDI, as a copy of exactly that many characters.
    char shown[EntryTextSize];
    memcpy(shown, r.text, d.textLength);
    shown[d.textLength] = 0;
    return 0;
}

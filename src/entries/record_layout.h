// The 160-byte entry record as it is stored, field by field at explicit
// offsets. Values only: nothing here needs a window, a file or GDI.
#ifndef SCRIVELANDER_RECORD_LAYOUT_H
#define SCRIVELANDER_RECORD_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

const int EntryRecordSize = 160;
const int EntryTextSize = 100;      // at most 99 characters and a zero
const int FaceNameSize = 32;
const int EntryTableSlots = 200;

struct EntryRecord {
    int32_t x;                 // anchor column; 0 marks a free slot
    int32_t y;                 // anchor row
    int32_t width;             // length along the writing direction
    int32_t height;            // extent across it
    char text[EntryTextSize];
    char faceName[FaceNameSize];
    int32_t size;              // lfHeight / -2
    int32_t weight;
    uint8_t pitchAndFamily;
    uint8_t colourIndex;       // into ColourTable
    uint8_t vertical;          // 1: runs upward from (x, y)
    uint8_t rightJustified;    // 1: x is where the text ends
};

// Where each field lies in the stored 160 bytes.
namespace RecordOffset {
const int x = 0, y = 4, width = 8, height = 12, text = 16, faceName = 116, size = 148, weight = 152,
          pitchAndFamily = 156, colourIndex = 157, vertical = 158, rightJustified = 159;
}

static_assert(sizeof(EntryRecord) == EntryRecordSize, "an entry record is 160 bytes");
static_assert(offsetof(EntryRecord, text) == RecordOffset::text, "text at 16");
static_assert(offsetof(EntryRecord, faceName) == RecordOffset::faceName, "faceName at 116");
static_assert(offsetof(EntryRecord, size) == RecordOffset::size, "size at 148");
static_assert(offsetof(EntryRecord, rightJustified) == RecordOffset::rightJustified, "flags end at 159");

// The stored bytes of a record, field by field.
void EncodeEntryRecord(const EntryRecord& record, uint8_t bytes[EntryRecordSize]);

// A record from its stored bytes. A text or face name that fills its whole
// field without a zero is cut one character short, so it always ends inside
// the record.
EntryRecord DecodeEntryRecord(const uint8_t bytes[EntryRecordSize]);

#endif

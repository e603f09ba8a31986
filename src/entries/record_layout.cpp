#include "entries/record_layout.h"

#include <string.h>

static void PutInt32(uint8_t* bytes, int offset, int32_t value)
{
    uint32_t v = (uint32_t)value;
    for (int i = 0; i < 4; i++)
        bytes[offset + i] = (uint8_t)(v >> (8 * i));
}

static int32_t GetInt32(const uint8_t* bytes, int offset)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++)
        v |= (uint32_t)bytes[offset + i] << (8 * i);
    return (int32_t)v;
}

void EncodeEntryRecord(const EntryRecord& r, uint8_t bytes[EntryRecordSize])
{
    memset(bytes, 0, EntryRecordSize);
    PutInt32(bytes, RecordOffset::x, r.x);
    PutInt32(bytes, RecordOffset::y, r.y);
    PutInt32(bytes, RecordOffset::width, r.width);
    PutInt32(bytes, RecordOffset::height, r.height);
    memcpy(bytes + RecordOffset::text, r.text, EntryTextSize);
    memcpy(bytes + RecordOffset::faceName, r.faceName, FaceNameSize);
    PutInt32(bytes, RecordOffset::size, r.size);
    PutInt32(bytes, RecordOffset::weight, r.weight);
    bytes[RecordOffset::pitchAndFamily] = r.pitchAndFamily;
    bytes[RecordOffset::colourIndex] = r.colourIndex;
    bytes[RecordOffset::vertical] = r.vertical;
    bytes[RecordOffset::rightJustified] = r.rightJustified;
}

EntryRecord DecodeEntryRecord(const uint8_t bytes[EntryRecordSize])
{
    EntryRecord r = {};
    r.x = GetInt32(bytes, RecordOffset::x);
    r.y = GetInt32(bytes, RecordOffset::y);
    r.width = GetInt32(bytes, RecordOffset::width);
    r.height = GetInt32(bytes, RecordOffset::height);
    memcpy(r.text, bytes + RecordOffset::text, EntryTextSize);
    r.text[EntryTextSize - 1] = 0;
    memcpy(r.faceName, bytes + RecordOffset::faceName, FaceNameSize);
    r.faceName[FaceNameSize - 1] = 0;
    r.size = GetInt32(bytes, RecordOffset::size);
    r.weight = GetInt32(bytes, RecordOffset::weight);
    r.pitchAndFamily = bytes[RecordOffset::pitchAndFamily];
    r.colourIndex = bytes[RecordOffset::colourIndex];
    r.vertical = bytes[RecordOffset::vertical];
    r.rightJustified = bytes[RecordOffset::rightJustified];
    return r;
}

#include "entries/entry_record.h"

#include <string.h>

#include "view/form_image.h"

EntryRecord EntryTable[EntryTableSlots];

const COLORREF ColourTable[ColourCount] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),
    RGB(128, 0, 128),   RGB(0, 128, 128), RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 0, 0),
    RGB(0, 255, 0),     RGB(255, 255, 0), RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

COLORREF ColourOfIndex(int index)
{
    return index >= 0 && index < ColourCount ? ColourTable[index] : RGB(0, 0, 0);
}

int IndexOfColour(COLORREF colour)
{
    for (int i = 0; i < ColourCount; i++)
        if (ColourTable[i] == colour)
            return i;
    return 0;
}

// ---- the stored layout ----

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

// ---- the entry file ----

int EntryCount = 0;

// The table's records as stored, slot by slot.
static uint8_t TableBytes[EntryTableSlots * EntryRecordSize];

int ReadEntryFile()
{
    memset(EntryTable, 0, sizeof EntryTable);
    memset(TableBytes, 0, sizeof TableBytes);
    EntryCount = 0;
    HANDLE file = CreateFileA(FormImage.entryFilePath, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD size = GetFileSize(file, NULL);
    DWORD records = size == INVALID_FILE_SIZE ? 0 : size / EntryRecordSize;
    if (records > (DWORD)EntryTableSlots)
        records = EntryTableSlots;
    // One read for all records; a short read leaves the rest of the table zero.
    DWORD got = 0;
    if (!ReadFile(file, TableBytes, records * EntryRecordSize, &got, NULL))
        got = 0;
    CloseHandle(file);
    memset(TableBytes + got, 0, records * EntryRecordSize - got);
    for (DWORD i = 0; i < records; i++)
        EntryTable[i] = DecodeEntryRecord(TableBytes + i * EntryRecordSize);
    EntryCount = (int)records;
    return EntryCount;
}

void StoredRecordBytes(int slot, uint8_t bytes[EntryRecordSize])
{
    if (slot < 0 || slot >= EntryTableSlots) {
        memset(bytes, 0, EntryRecordSize);
        return;
    }
    memcpy(bytes, TableBytes + slot * EntryRecordSize, EntryRecordSize);
}

// ---- fonts and colours ----

// The record's four font fields over `font`.
static void PutRecordFont(LOGFONTA& font, const EntryRecord& record)
{
    font.lfHeight = record.size * -2;
    font.lfWeight = record.weight;
    font.lfPitchAndFamily = record.pitchAndFamily;
    memcpy(font.lfFaceName, record.faceName, FaceNameSize);
    font.lfFaceName[FaceNameSize - 1] = 0;
}

static void TurnFont(LOGFONTA& font, const EntryRecord& record)
{
    int angle = record.vertical == 1 ? 900 : 0;   // a quarter turn counter-clockwise
    font.lfEscapement = angle;
    font.lfOrientation = angle;
}

void ApplyRecordFont(const EntryRecord& record)
{
    PutRecordFont(CurrentFont, record);
    CurrentTextColour = ColourOfIndex(record.colourIndex);
}

void UseChosenFont(const LOGFONTA& font, COLORREF colour)
{
    CurrentFont = font;
    CurrentTextColour = colour;
}

void UseTextColour(COLORREF colour)
{
    CurrentTextColour = colour;
}

void TurnCurrentFontFor(const EntryRecord& record)
{
    TurnFont(CurrentFont, record);
}

LOGFONTA RecordDrawingFont(const LOGFONTA& base, const EntryRecord& record)
{
    LOGFONTA font = base;
    PutRecordFont(font, record);
    TurnFont(font, record);
    return font;
}

void StoreRecordFont(EntryRecord& record)
{
    record.size = CurrentFont.lfHeight / -2;
    record.weight = CurrentFont.lfWeight;
    record.pitchAndFamily = CurrentFont.lfPitchAndFamily;
    memset(record.faceName, 0, FaceNameSize);
    size_t length = strnlen(CurrentFont.lfFaceName, FaceNameSize - 1);
    memcpy(record.faceName, CurrentFont.lfFaceName, length);
    record.colourIndex = (uint8_t)IndexOfColour(CurrentTextColour);
}

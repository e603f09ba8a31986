#include "entries/entry_record.h"

#include <stdlib.h>
#include <string.h>

#include "entries/drawing_bounds.h"
#include "entries/formula.h"
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

// ---- the entry file ----

int EntryCount = 0;

// The table's records as stored, slot by slot.
static uint8_t TableBytes[EntryTableSlots * EntryRecordSize];

// Reads the first records of the entry file at `path` (at most the table's
// slots) into `bytes` and decodes them into `table`; both start zeroed.
// Reading needs no more than read access, shared with other readers, so a
// read-only file (a form on a read-only share, an archive) shows its entries.
static int ReadRecords(const char* path, uint8_t* bytes, EntryRecord* table)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NoEntryFile : EntryFileUnreadable;
    }
    DWORD size = GetFileSize(file, NULL);
    DWORD records = size == INVALID_FILE_SIZE ? 0 : size / EntryRecordSize;
    if (records > (DWORD)EntryTableSlots)
        records = EntryTableSlots;
    // One read for all records; a short read leaves the rest of the table zero.
    DWORD got = 0;
    if (!ReadFile(file, bytes, records * EntryRecordSize, &got, NULL))
        got = 0;
    CloseHandle(file);
    memset(bytes + got, 0, records * EntryRecordSize - got);
    for (DWORD i = 0; i < records; i++)
        table[i] = DecodeEntryRecord(bytes + i * EntryRecordSize);
    return (int)records;
}

int ReadEntryFile()
{
    memset(EntryTable, 0, sizeof EntryTable);
    memset(TableBytes, 0, sizeof TableBytes);
    int records = ReadRecords(FormImage.entryFilePath, TableBytes, EntryTable);
    EntryCount = records > 0 ? records : 0;
    return records;
}

int ReadEntriesOf(const char* path, EntryRecord table[EntryTableSlots])
{
    memset(table, 0, EntryTableSlots * sizeof(EntryRecord));
    uint8_t* bytes = (uint8_t*)calloc(EntryTableSlots, EntryRecordSize);
    if (!bytes)
        return EntryFileUnreadable;
    int records = ReadRecords(path, bytes, table);
    free(bytes);
    return records;
}

uint32_t EvaluateFormula(const EntryRecord& record)
{
    return EvaluateFormulaIn(EntryTable, record);
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

// The record's four font fields over `font`, its height and weight bounded
// to what a real entry can use (a record from a file can hold anything).
static void PutRecordFont(LOGFONTA& font, const EntryRecord& record)
{
    font.lfHeight = RecordFontHeight(record.size);
    font.lfWeight = RecordFontWeight(record.weight);
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

#include "entries/entry_record.h"

#include <stdlib.h>
#include <string.h>

#include "base/file_io.h"
#include "entries/drawing_bounds.h"
#include "entries/formula.h"
#include "view/form_image.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

EntryRecord gEntryTable[EntryTableSlots];

// ---- the entry file ----

int gEntryCount = 0;

// The table's records as stored, slot by slot.
static uint8_t gTableBytes[EntryTableSlots * EntryRecordSize];

// Reads the first records of the entry file at `path` (at most the table's
// slots) into `bytes` and decodes them into `table`; both start zeroed.
// Reading needs no more than read access, shared with other readers, so a
// read-only file (a form on a read-only share, an archive) shows its entries.
static int ReadRecords(const char* path, uint8_t* bytes, EntryRecord* table)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return LastOpenFailure() == MissingFile ? NoEntryFile : EntryFileUnreadable;
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
    memset(gEntryTable, 0, sizeof gEntryTable);
    memset(gTableBytes, 0, sizeof gTableBytes);
    int records = ReadRecords(gFormImage.entryFilePath, gTableBytes, gEntryTable);
    gEntryCount = records > 0 ? records : 0;
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

void StoredRecordBytes(int slot, uint8_t bytes[EntryRecordSize])
{
    if (slot < 0 || slot >= EntryTableSlots) {
        memset(bytes, 0, EntryRecordSize);
        return;
    }
    memcpy(bytes, gTableBytes + slot * EntryRecordSize, EntryRecordSize);
}

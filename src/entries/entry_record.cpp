#include "entries/entry_record.h"

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

static HANDLE OpenEntryFile(DWORD disposition)
{
    return CreateFileA(FormImage.entryFilePath, GENERIC_READ | GENERIC_WRITE, 0, NULL, disposition,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

int ReadEntryFile()
{
    memset(EntryTable, 0, sizeof EntryTable);
    HANDLE file = OpenEntryFile(OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD size = GetFileSize(file, NULL);
    DWORD records = size == INVALID_FILE_SIZE ? 0 : size / EntryRecordSize;
    if (records > (DWORD)EntryTableSlots)
        records = EntryTableSlots;
    // One read for all records; a short read leaves the rest of the table zero.
    static uint8_t bytes[EntryTableSlots * EntryRecordSize];
    DWORD got = 0;
    if (!ReadFile(file, bytes, records * EntryRecordSize, &got, NULL))
        got = 0;
    CloseHandle(file);
    memset(bytes + got, 0, records * EntryRecordSize - got);
    for (DWORD i = 0; i < records; i++)
        EntryTable[i] = DecodeEntryRecord(bytes + i * EntryRecordSize);
    return (int)records;
}

uint32_t EvaluateFormula(const EntryRecord& record)
{
    return EvaluateFormulaIn(EntryTable, record);
}

int FirstFreeSlot()
{
    for (int i = 0; i < EntryTableSlots; i++)
        if (EntryTable[i].x == 0)
            return i;
    return EntryTableSlots;
}

bool AppendEntryRecord(int slot)
{
    if (slot < 0 || slot >= EntryTableSlots)
        return false;
    return AppendRecordToFile(EntryTable[slot]);
}

bool AppendRecordToFile(const EntryRecord& record)
{
    // OPEN_ALWAYS opens the file or creates it; an existing file is never
    // emptied by a failed open.
    HANDLE file = OpenEntryFile(OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // The record goes after the last whole record, so a torn tail of an
    // earlier write can't shift it out of step.
    DWORD size = GetFileSize(file, NULL);
    DWORD end = size == INVALID_FILE_SIZE ? 0 : size / EntryRecordSize * EntryRecordSize;
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(record, bytes);
    DWORD written = 0;
    bool ok = size != INVALID_FILE_SIZE && SetFilePointer(file, (LONG)end, NULL, FILE_BEGIN) == end &&
              WriteFile(file, bytes, EntryRecordSize, &written, NULL) && written == (DWORD)EntryRecordSize &&
              SetEndOfFile(file) && FlushFileBuffers(file);
    if (!ok && size != INVALID_FILE_SIZE) {
        // Leave no part of the record behind.
        SetFilePointer(file, (LONG)size, NULL, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
    return ok;
}

static void ShowInMessageBox(const char* text)
{
    MessageBoxA(MainWindow, text, NULL, MB_OK);
}

void (*ShowEntryFileProblem)(const char* text) = ShowInMessageBox;

void ReportAppendFailure(const char* entryText)
{
    // The entry's own text is in the message, so it is never lost unseen.
    char text[PathBufferSize + EntryTextSize + 200];
    wsprintfA(text, "The entry \"%s\" could not be stored in\n%s\n\nThe file may be in use by another program, "
                    "read-only, or on a full disk.",
              entryText, FormImage.entryFilePath);
    ShowEntryFileProblem(text);
}

static void ReportRemoveFailure(const char* reason)
{
    char text[PathBufferSize + 300];
    wsprintfA(text, "The entries could not be changed; %s is as it was.\n\n%s", FormImage.entryFilePath,
              reason);
    ShowEntryFileProblem(text);
}

// The temporary file beside the entry file, so that the rename that
// replaces the entry file never crosses volumes.
static bool TemporaryPathBeside(const char* entryPath, char temporary[PathBufferSize])
{
    const char* slash = strrchr(entryPath, '\\');
    size_t folder = slash ? (size_t)(slash - entryPath + 1) : 0;
    static const char name[] = "SCRV.tmp";
    if (folder + sizeof name > PathBufferSize)
        return false;
    memcpy(temporary, entryPath, folder);
    memcpy(temporary + folder, name, sizeof name);
    return true;
}

// Copies every whole record but `index` from one file to the other.
static bool CopyRecordsExcept(HANDLE from, HANDLE to, int index)
{
    DWORD size = GetFileSize(from, NULL);
    if (size == INVALID_FILE_SIZE)
        return false;
    DWORD records = size / EntryRecordSize;
    uint8_t record[EntryRecordSize];
    for (DWORD i = 0; i < records; i++) {
        DWORD got = 0, written = 0;
        if (!ReadFile(from, record, EntryRecordSize, &got, NULL) || got != (DWORD)EntryRecordSize)
            return false;
        if ((int)i == index)
            continue;
        if (!WriteFile(to, record, EntryRecordSize, &written, NULL) || written != (DWORD)EntryRecordSize)
            return false;
    }
    return FlushFileBuffers(to) != 0;
}

bool RemoveEntryRecord(int index)
{
    char temporary[PathBufferSize];
    if (!TemporaryPathBeside(FormImage.entryFilePath, temporary)) {
        ReportRemoveFailure("Its folder's path is too long.");
        return false;
    }
    HANDLE entries = OpenEntryFile(OPEN_EXISTING);
    if (entries == INVALID_HANDLE_VALUE) {
        ReportRemoveFailure("It is in use by another program, or it can't be opened.");
        return false;
    }
    HANDLE copy = CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (copy == INVALID_HANDLE_VALUE) {
        CloseHandle(entries);
        ReportRemoveFailure("A new copy of it can't be made in its folder.");
        return false;
    }
    bool copied = CopyRecordsExcept(entries, copy, index);
    CloseHandle(entries);
    CloseHandle(copy);
    if (!copied || !MoveFileExA(temporary, FormImage.entryFilePath,
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        ReportRemoveFailure(copied ? "It can't be replaced: it may be in use or read-only."
                                   : "Its new copy could not be written whole.");
        return false;
    }
    return true;
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

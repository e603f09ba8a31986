#include "view/form_fields.h"

#include <new>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>

#include "base/file_io.h"
#include "base/text_chars.h"
#include "fields/field_finder.h"
#include "fields/field_seating.h"
#include "resources/resource.h"

FormFieldsState gFormFields = { {}, -1, false, false, 0 };

FieldImage FieldImageOf(const void* bits, const uint8_t* headerBlock, const PixelFormat& format)
{
    BITMAPINFOHEADER header;
    memcpy(&header, headerBlock, sizeof header);
    FieldImage image = {};
    image.pixels = (const uint8_t*)bits;
    image.width = header.biWidth;
    image.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    image.bitCount = header.biBitCount;
    image.stride = (int)((((int64_t)header.biWidth * header.biBitCount + 31) / 32) * 4);
    image.bottomUp = header.biHeight > 0;
    image.palette = format.palette;
    for (int i = 0; i < 3; i++)
        image.masks[i] = format.masks[i];
    // Pixels per meter to dots per inch: 0.0254 m an inch, rounded.
    image.dotsPerInch = header.biXPelsPerMeter > 0 ? (int)(((int64_t)header.biXPelsPerMeter * 254 + 5000) / 10000) : 0;
    return image;
}

// ---- the search, on a thread of its own ----
// The search reads the form's pixels from its file, a band of rows at a
// time, not from the picture on screen: entries are drawn into that picture
// while the search runs, and a form opened to print onto blanks it. So
// opening waits for nothing, and the search's memory is its own masks and
// one band. A picture whose file holds compressed rows is searched at once
// in the picture, before anything is drawn into it.
static const DWORD SearchBandBytes = 1 << 20;

// The fields of the image; none when there is no room for the finder's
// work: the form simply has no fields.
static std::vector<FormField> FieldsOrNone(const FieldImage& image)
{
    try {
        return FindFormFields(image);
    } catch (const std::bad_alloc&) {
        return std::vector<FormField>();
    }
}

struct FileRows {
    HANDLE file;
    uint32_t pixelsAt;               // the file offset of the first stored row
    int stride, height;
    bool bottomUp;
    uint8_t* band;
    int bandFirst, bandRows;         // stored rows held in `band`
    int nextRows;                    // rows the next read takes: more while the reads run on
    bool unreadable;                 // a read failed
};

// The bytes of a stored row, read with the rows the finder wants next: it
// goes down the page, which is up the file for a bottom-up picture. A read
// that runs on from the last takes twice as many rows as that one, up to a
// band; one elsewhere (a sample, a rule's weight) takes a few.
static const uint8_t* FileRow(void* source, int storedRow)
{
    FileRows& f = *(FileRows*)source;
    if (storedRow >= f.bandFirst && storedRow < f.bandFirst + f.bandRows)
        return f.band + (size_t)(storedRow - f.bandFirst) * f.stride;
    int most = (int)(SearchBandBytes / f.stride);
    most = most < 1 ? 1 : most;
    bool runsOn = f.bandRows > 0 && (f.bottomUp ? storedRow == f.bandFirst - 1 : storedRow == f.bandFirst + f.bandRows);
    int rows = runsOn ? f.nextRows * 2 : 8;
    rows = rows > most ? most : rows;
    f.nextRows = rows;
    int first = f.bottomUp ? storedRow - rows + 1 : storedRow;
    if (first < 0)
        first = 0;
    if (first + rows > f.height)
        rows = f.height - first;
    LARGE_INTEGER at;
    at.QuadPart = f.pixelsAt + (LONGLONG)first * f.stride;
    DWORD want = (DWORD)rows * f.stride, got = 0;
    if (!SetFilePointerEx(f.file, at, NULL, FILE_BEGIN) || !ReadFile(f.file, f.band, want, &got, NULL) || got != want) {
        f.unreadable = true;
        memset(f.band, 0xFF, want);
    }
    f.bandFirst = first;
    f.bandRows = rows;
    return f.band + (size_t)(storedRow - first) * f.stride;
}

std::vector<FormField> FindFieldsInFile(HANDLE file, uint32_t pixelsAt, const FieldImage& layout)
{
    std::vector<FormField> found;
    if (layout.stride <= 0 || layout.height <= 0)
        return found;
    DWORD bandBytes = SearchBandBytes > (DWORD)layout.stride ? SearchBandBytes : (DWORD)layout.stride;
    FileRows rows = { file, pixelsAt, layout.stride, layout.height, layout.bottomUp, (uint8_t*)malloc(bandBytes),
                      0, 0, 8, false };
    if (!rows.band)
        return found;
    FieldImage image = layout;
    image.pixels = NULL;
    image.readRow = FileRow;
    image.source = &rows;
    found = FieldsOrNone(image);
    free(rows.band);
    if (rows.unreadable)
        found.clear();
    return found;
}

struct FieldSearch {
    HANDLE thread;
    unsigned generation;             // of the search running or last run
    HANDLE file;
    uint32_t pixelsAt;
    FieldImage layout;
    PixelFormat format;              // the layout's palette lives here
    std::vector<FormField> found;
};
static FieldSearch gSearch;

static DWORD WINAPI SearchForFields(void*)
{
    gSearch.found = FindFieldsInFile(gSearch.file, gSearch.pixelsAt, gSearch.layout);
    CloseHandle(gSearch.file);
    gSearch.file = INVALID_HANDLE_VALUE;
    PostMessageA(gMainWindow, WM_FIELDS_FOUND, gSearch.generation, 0);
    return 0;
}

// Starts the search in the file; false when it can't (the picture is then
// searched at once).
static bool StartSearch(const char* path, uint32_t pixelsAt, const FieldImage& image, const PixelFormat& format)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    gSearch.file = file;
    gSearch.pixelsAt = pixelsAt;
    gSearch.format = format;
    gSearch.layout = image;
    gSearch.layout.palette = gSearch.format.palette;
    gSearch.found.clear();
    gSearch.thread = CreateThread(NULL, 0, SearchForFields, NULL, 0, NULL);
    if (!gSearch.thread) {
        CloseHandle(file);
        gSearch.file = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

void WaitForFormFields()
{
    if (!gSearch.thread)
        return;
    WaitForSingleObject(gSearch.thread, INFINITE);
    CloseHandle(gSearch.thread);
    gSearch.thread = NULL;
    gFormFields.found.swap(gSearch.found);
    gSearch.found.clear();
}

void OnFormFieldsFound(unsigned generation)
{
    if (generation != gSearch.generation || !gSearch.thread)
        return;   // an earlier form's search, or already taken
    WaitForFormFields();
    if (gFormFields.showFields)
        InvalidateRect(gMainWindow, NULL, FALSE);
}

void FindFormImageFields(const char* path, uint32_t pixelsAt, bool plainRows)
{
    WaitForFormFields();   // an earlier form's search ends; its fields go
    gSearch.generation++;
    gFormFields.found.clear();
    gFormFields.lastVisited = -1;
    gFormFields.dotsPerInch = 0;
    if (!gFormImage.bits || !gFormImage.headerBlock)
        return;
    PixelFormat format = PixelFormatOf(gFormImage.headerBlock, gFormImage.headerBlockSize);
    FieldImage image = FieldImageOf(gFormImage.bits, gFormImage.headerBlock, format);
    gFormFields.dotsPerInch = image.dotsPerInch;
    if (plainRows && StartSearch(path, pixelsAt, image, format))
        return;
    gFormFields.found = FieldsOrNone(image);
}

int FieldAt(int x, int y)
{
    WaitForFormFields();
    for (size_t i = 0; i < gFormFields.found.size(); i++)
        if (FieldHolds(gFormFields.found[i].area, x, y))
            return (int)i;
    return -1;
}

void SetLastVisitedField(int index)
{
    gFormFields.lastVisited = index;
}

void DrawFieldOutlines(HDC dc)
{
    if (gFormFields.showFields)
        WaitForFormFields();
    if (!gFormFields.showFields || gFormFields.found.empty())
        return;
    int scale = gViewState.halfSize ? 2 : 1;
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(150, 190, 255));
    if (!pen)
        return;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const FormField& field : gFormFields.found) {
        int left = (field.area.left - gViewState.offsetX) / scale;
        int top = (field.area.top - gViewState.offsetY) / scale;
        int right = (field.area.right - gViewState.offsetX) / scale;
        int bottom = (field.area.bottom - gViewState.offsetY) / scale;
        if (right < 0 || bottom < 0 || left > gClientSize.cx || top > gClientSize.cy)
            continue;
        Rectangle(dc, left, top, right, bottom);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

// ---- the field settings ----

// Whether `key` is followed by "=1" somewhere in the text.
static bool SettingOn(const char* bytes, int count, const char* key)
{
    size_t length = strlen(key);
    for (int i = 0; i + (int)length + 1 < count; i++)
        if (memcmp(bytes + i, key, length) == 0 && bytes[i + length] == '=')
            return bytes[i + length + 1] == '1';
    return false;
}

// A file saved as UTF-16 (by Notepad, say), with its mark or without:
// every other byte is zero. Its characters are read as their low bytes.
static int Utf16ZeroAt(const unsigned char* bytes, int count)
{
    bool bigEndian = false;
    if (Utf16Marked(bytes, count, &bigEndian))
        return bigEndian ? 0 : 1;
    if (count >= 2 && bytes[1] == 0 && bytes[0] != 0)
        return 1;
    if (count >= 2 && bytes[0] == 0 && bytes[1] != 0)
        return 0;
    return -1;
}

FieldSettings ParseFieldSettings(const char* bytes, int count)
{
    char narrow[FieldSettingsReadLimit];
    int zeroAt = Utf16ZeroAt((const unsigned char*)bytes, count);
    if (zeroAt >= 0) {
        int n = 0;
        for (int i = 1 - zeroAt; i < count && n < (int)sizeof narrow; i += 2)
            narrow[n++] = bytes[i];
        bytes = narrow;
        count = n;
    }
    FieldSettings settings = { SettingOn(bytes, count, "ShowFields"), SettingOn(bytes, count, "SnapToFields") };
    return settings;
}

int FieldSettingsContent(FieldSettings settings, char content[64])
{
    return snprintf(content, 64, "ShowFields=%d\r\nSnapToFields=%d\r\n", settings.showFields ? 1 : 0,
                    settings.snapToFields ? 1 : 0);
}

static void ShowFieldCheckMarks()
{
    CheckMenuItem(gMainMenu, IDM_SHOW_FIELDS, gFormFields.showFields ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(gMainMenu, IDM_SNAP_TO_FIELDS, gFormFields.snapToFields ? MF_CHECKED : MF_UNCHECKED);
}

void ReadFieldSettings()
{
    char path[PathBufferSize];
    if (PathInFolder(gStartupDirectory, FieldSettingsFileName, path)) {
        HANDLE file = OpenForReading(path);
        if (file != INVALID_HANDLE_VALUE) {
            char bytes[FieldSettingsReadLimit];
            DWORD got = 0;
            if (!ReadFile(file, bytes, sizeof bytes, &got, NULL))
                got = 0;
            CloseHandle(file);
            FieldSettings settings = ParseFieldSettings(bytes, (int)got);
            gFormFields.showFields = settings.showFields;
            gFormFields.snapToFields = settings.snapToFields;
        }
    }
    ShowFieldCheckMarks();
}

// Keeps the settings for the next start. A failure is told, as for the
// other settings files: the setting would otherwise be forgotten without a
// word. It holds for this run all the same.
static void WriteFieldSettings(const char* name, bool on)
{
    char path[PathBufferSize], temporary[PathBufferSize];
    char content[64];
    FieldSettings settings = { gFormFields.showFields, gFormFields.snapToFields };
    int count = FieldSettingsContent(settings, content);
    bool fits = PathInFolder(gStartupDirectory, FieldSettingsFileName, path) &&
                PathInFolder(gStartupDirectory, "Scrivelander-fields.tmp", temporary);
    if (fits && WriteFileReplacing(path, temporary, content, (uint32_t)count) == FileReplaced)
        return;
    char text[PathBufferSize + 500];
    snprintf(text, sizeof text,
             "%s can't be kept for the next start: %s\n%s is %s for this run all the same.", name,
             fits ? "the settings file Scrivelander-fields.ini could not be written (the disk may be full, or the "
                    "file read-only or open in another program). The file is as it was."
                  : "the path of the folder Scrivelander was started in is too long for the settings file "
                    "Scrivelander-fields.ini.",
             name, on ? "on" : "off");
    ShowMessage(text, "Settings not saved", MB_OK);
}

void ToggleShowFields()
{
    gFormFields.showFields = !gFormFields.showFields;
    ShowFieldCheckMarks();
    InvalidateRect(gMainWindow, NULL, FALSE);
    WriteFieldSettings("Show fields", gFormFields.showFields);
}

void ToggleSnapToFields()
{
    gFormFields.snapToFields = !gFormFields.snapToFields;
    ShowFieldCheckMarks();
    WriteFieldSettings("Snap to fields", gFormFields.snapToFields);
}

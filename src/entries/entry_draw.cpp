#include "entries/entry_draw.h"

#include <string.h>

#include "entries/formula.h"
#include "view/form_image.h"
#include "view/kept_entries.h"
#include "view/view_state.h"
#include "entries/entry_style.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

bool gAdoptFirstEntryFont = true;

static_assert(KeptLoadEntries == EntryTableSlots && KeptTextSize == EntryTextSize,
              "the kept entries are those of one load");

// What decides the pixels of an entry drawn with its value.
static KeptEntryKey KeyOf(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value)
{
    KeptEntryKey key;
    memset(&key, 0, sizeof key);
    key.font = font;
    key.colour = colour;
    key.x = r.x;
    key.y = r.y;
    key.width = r.width;
    key.value = value;
    key.rightJustified = r.rightJustified;
    memcpy(key.text, r.text, strnlen(r.text, EntryTextSize - 1));
    return key;
}

uint32_t DrawKeptEntry(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, const EntryRecord* table)
{
    uint32_t value = EntryValue(r, table);
    if (!gFormImage.bits) {
        DrawEntryValue(gFormImage.hdcMem, r, font, colour, value, nullptr);
        return value;
    }
    KeptEntryKey key = KeyOf(r, font, colour, value);
    if (PutBackKeptEntry(key))
        return value;
    RowsUnderEntry rows = {};
    RECT bounds;
    DrawEntryValue(gFormImage.hdcMem, r, font, colour, value, &bounds, KeepRowsBeforeText, &rows);
    KeepDrawnEntry(rows, bounds, key);
    return value;
}

uint32_t DrawEntry(int slot)
{
    const EntryRecord& r = gEntryTable[slot];
    TurnCurrentFontFor(r);
    RECT touched;
    uint32_t value = DrawEntryInto(gFormImage.hdcMem, r, gCurrentFont, gCurrentTextColour, gEntryTable, &touched);
    FormImageRectChanged(touched);
    return value;
}

bool LoadFormEntries()
{
    int records = ReadEntryFile();
    BeginKeptEntries();
    if (records == NoEntryFile) {
        if (gFormImage.EntriesOnlyMode)
            ShowMessage("First you have to Open .bmp file\nTo enter or print entries on .bmp file", "Oops", MB_OK);
    } else if (records > 0) {
        // A slot whose x is 0 does not stop the drawing: every record read
        // is drawn.
        for (int i = 0; i < records; i++) {
            const EntryRecord& r = gEntryTable[i];
            DrawKeptEntry(r, RecordDrawingFont(gCurrentFont, r), ColourOfIndex(r.colourIndex), gEntryTable);
        }
        FormImageChanged();
        if (gAdoptFirstEntryFont) {
            ApplyRecordFont(gEntryTable[0]);
            gAdoptFirstEntryFont = false;
        }
        UseTextColour(ColourOfIndex(gEntryTable[records - 1].colourIndex));
        TurnCurrentFontFor(gEntryTable[records - 1]);
    }
    EndKeptEntries();
    InvalidateRect(gMainWindow, NULL, FALSE);
    UpdateWindow(gMainWindow);
    return records != EntryFileUnreadable;
}

void ReportEntriesUnreadable(const char* consequence)
{
    char text[PathBufferSize + 300];
    wsprintfA(text, "The entries of this form can't be read from\n%s\n\nAnother program may have the file open. %s",
              gFormImage.entryFilePath, consequence);
    ShowMessage(text, NULL, MB_OK);
}

// Draws the entries of the form just loaded, telling the user when there
// are some that can't be read.
static void DrawLoadedEntries()
{
    if (!LoadFormEntries())
        ReportEntriesUnreadable("The form shows without them, and it is not printed until they can be read.");
}

bool LoadFormWithEntries(const char* path)
{
    if (!LoadFormImage(path)) {
        if (gFormImage.pictureReadAgain)
            DrawLoadedEntries();
        return false;
    }
    SetScrollLimits(gFormImage.width, gFormImage.height);
    DrawLoadedEntries();
    return true;
}

void ReloadForm()
{
    if (LoadFormWithEntries(gFormImage.formPath))
        return;
    if (!IsWindow(gMainWindow))
        return;   // a resource failure has ended the program
    // The table follows the entry file even when the picture can't.
    if (!gFormImage.pictureReadAgain)
        ReadEntryFile();
    char text[PathBufferSize + 200];
    wsprintfA(text, "The form's picture\n%s\ncould not be read again, so it may not show the entries as they "
                    "are now stored.",
              gFormImage.formPath);
    ShowMessage(text, NULL, MB_OK);
}

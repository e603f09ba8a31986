#include "entries/entry_draw.h"

#include <string.h>

#include "entries/kept_entries.h"
#include "view/form_image.h"
#include "view/view_state.h"

bool AdoptFirstEntryFont = true;

uint32_t DrawEntry(int slot)
{
    const EntryRecord& r = EntryTable[slot];
    TurnCurrentFontFor(r);
    RECT touched;
    uint32_t value = DrawEntryInto(FormImage.hdcMem, r, CurrentFont, CurrentTextColour, EntryTable, &touched);
    FormImageRectChanged(touched);
    return value;
}

bool LoadFormEntries()
{
    int records = ReadEntryFile();
    BeginKeptEntries();
    if (records == NoEntryFile) {
        if (FormImage.EntriesOnlyMode)
            ShowMessage("First you have to Open .bmp file\nTo enter or print entries on .bmp file", "Oops", MB_OK);
    } else if (records > 0) {
        // A slot whose x is 0 does not stop the drawing: every record read
        // is drawn.
        for (int i = 0; i < records; i++) {
            const EntryRecord& r = EntryTable[i];
            DrawKeptEntry(r, RecordDrawingFont(CurrentFont, r), ColourOfIndex(r.colourIndex), EntryTable);
        }
        FormImageChanged();
        if (AdoptFirstEntryFont) {
            ApplyRecordFont(EntryTable[0]);
            AdoptFirstEntryFont = false;
        }
        UseTextColour(ColourOfIndex(EntryTable[records - 1].colourIndex));
        TurnCurrentFontFor(EntryTable[records - 1]);
    }
    EndKeptEntries();
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
    return records != EntryFileUnreadable;
}

void ReportEntriesUnreadable(const char* consequence)
{
    char text[PathBufferSize + 300];
    wsprintfA(text, "The entries of this form can't be read from\n%s\n\nAnother program may have the file open. %s",
              FormImage.entryFilePath, consequence);
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
        if (FormImage.pictureReadAgain)
            DrawLoadedEntries();
        return false;
    }
    SetScrollLimits(FormImage.width, FormImage.height);
    DrawLoadedEntries();
    return true;
}

void ReloadForm()
{
    if (LoadFormWithEntries(FormImage.formPath))
        return;
    if (!IsWindow(MainWindow))
        return;   // a resource failure has ended the program
    // The table follows the entry file even when the picture can't.
    if (!FormImage.pictureReadAgain)
        ReadEntryFile();
    char text[PathBufferSize + 200];
    wsprintfA(text, "The form's picture\n%s\ncould not be read again, so it may not show the entries as they "
                    "are now stored.",
              FormImage.formPath);
    ShowMessage(text, NULL, MB_OK);
}

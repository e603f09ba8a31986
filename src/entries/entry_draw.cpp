#include "entries/entry_draw.h"

#include <string.h>

#include "entries/drawing_bounds.h"
#include "entries/formula.h"
#include "view/form_image.h"
#include "view/view_state.h"

bool AdoptFirstEntryFont = true;

// The size of the picture an entry is drawn into: the bitmap selected into
// a memory device context; on any other device (a printer) the form
// image's, in whose pixels entries are placed.
static SIZE PictureSizeOf(HDC dc)
{
    SIZE size = { FormImage.width, FormImage.height };
    BITMAP bitmap;
    if (GetObjectType(dc) == OBJ_MEMDC &&
        GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bitmap, &bitmap) == (int)sizeof bitmap) {
        size.cx = bitmap.bmWidth;
        size.cy = bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight;
    }
    return size;
}

uint32_t DrawEntryInto(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour,
                       const EntryRecord* table)
{
    return DrawEntryIntoPicture(dc, r, font, colour, table, PictureSizeOf(dc));
}

uint32_t DrawEntryIntoPicture(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour,
                              const EntryRecord* table, SIZE picture)
{
    uint32_t value = r.text[0] == '#' ? EvaluateFormulaIn(table, r) : FormulaError;
    EntryDrawing bounded = BoundEntryDrawing(r, font.lfHeight, font.lfWeight, picture.cx, picture.cy);
    if (!bounded.drawn)
        return value;
    LOGFONTA drawn = font;
    drawn.lfHeight = bounded.fontHeight;
    drawn.lfWeight = bounded.fontWeight;
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    HFONT made = CreateFontIndirectA(&drawn);
    HGDIOBJ previous = SelectObject(dc, made);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    if (value == FormulaError) {
        TextOutA(dc, bounded.left, bounded.y, r.text, bounded.textLength);
    } else {
        // The value, not the formula, ends at x when right-justified.
        char shown[12];
        FormulaValueText(value, shown);
        int length = (int)strlen(shown);
        int position = bounded.x;
        if (r.rightJustified == 1) {
            SIZE extent;
            GetTextExtentPoint32A(dc, shown, length, &extent);
            position -= extent.cx;
        }
        TextOutA(dc, position, bounded.y, shown, length);
    }
    SelectObject(dc, previous);
    DeleteObject(made);
    return value;
}

uint32_t DrawEntry(int slot)
{
    const EntryRecord& r = EntryTable[slot];
    TurnCurrentFontFor(r);
    uint32_t value = DrawEntryInto(FormImage.hdcMem, r, CurrentFont, CurrentTextColour, EntryTable);
    FormImageChanged();
    return value;
}

void LoadFormEntries()
{
    int records = ReadEntryFile();
    if (records < 0) {
        if (FormImage.EntriesOnlyMode)
            ShowMessage("First you have to Open .bmp file\nTo enter or print entries on .bmp file", "Oops", MB_OK);
    } else if (records > 0) {
        // A slot whose x is 0 does not stop the drawing: every record read
        // is drawn.
        for (int i = 0; i < records; i++) {
            const EntryRecord& r = EntryTable[i];
            DrawEntryInto(FormImage.hdcMem, r, RecordDrawingFont(CurrentFont, r), ColourOfIndex(r.colourIndex),
                          EntryTable);
        }
        FormImageChanged();
        if (AdoptFirstEntryFont) {
            ApplyRecordFont(EntryTable[0]);
            AdoptFirstEntryFont = false;
        }
        UseTextColour(ColourOfIndex(EntryTable[records - 1].colourIndex));
        TurnCurrentFontFor(EntryTable[records - 1]);
    }
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
}

void ReloadForm()
{
    if (LoadFormImage(FormImage.formPath)) {
        SetScrollLimits(FormImage.width, FormImage.height);
        LoadFormEntries();
        return;
    }
    if (!IsWindow(MainWindow))
        return;   // a resource failure has ended the program
    // The table follows the entry file even when the picture can't.
    ReadEntryFile();
    char text[PathBufferSize + 200];
    wsprintfA(text, "The form's picture\n%s\ncould not be read again, so it may not show the entries as they "
                    "are now stored.",
              FormImage.formPath);
    ShowMessage(text, NULL, MB_OK);
}

#include "entries/entry_draw.h"

#include <string.h>

#include "entries/formula.h"
#include "shell/main_window.h"
#include "view/form_image.h"

bool AdoptFirstEntryFont = true;

uint32_t DrawEntryInto(HDC dc, const EntryRecord& r, const LOGFONTA& font, COLORREF colour,
                       const EntryRecord* table)
{
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, made);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    int left = r.rightJustified == 1 ? r.x - r.width : r.x;
    uint32_t value = r.text[0] == '#' ? EvaluateFormulaIn(table, r) : FormulaError;
    if (value == FormulaError) {
        TextOutA(dc, left, r.y, r.text, (int)strlen(r.text));
    } else {
        // The value, not the formula, ends at x when right-justified.
        char shown[12];
        FormulaValueText(value, shown);
        int length = (int)strlen(shown);
        int position = r.x;
        if (r.rightJustified == 1) {
            SIZE extent;
            GetTextExtentPoint32A(dc, shown, length, &extent);
            position -= extent.cx;
        }
        TextOutA(dc, position, r.y, shown, length);
    }
    SelectObject(dc, previous);
    DeleteObject(made);
    return value;
}

uint32_t DrawEntry(int slot)
{
    const EntryRecord& r = EntryTable[slot];
    int angle = r.vertical == 1 ? 900 : 0;   // a quarter turn counter-clockwise
    CurrentFont.lfEscapement = angle;
    CurrentFont.lfOrientation = angle;
    uint32_t value = DrawEntryInto(FormImage.hdcMem, r, CurrentFont, CurrentTextColour, EntryTable);
    FormImageChanged();
    return value;
}

// The four font fields that a record carries.
struct RecordFont {
    LONG height, weight;
    BYTE pitchAndFamily;
    char faceName[LF_FACESIZE];
};

static RecordFont RecordFontOf(const LOGFONTA& font)
{
    RecordFont f;
    f.height = font.lfHeight;
    f.weight = font.lfWeight;
    f.pitchAndFamily = font.lfPitchAndFamily;
    memcpy(f.faceName, font.lfFaceName, LF_FACESIZE);
    return f;
}

static void PutRecordFont(LOGFONTA& font, const RecordFont& f)
{
    font.lfHeight = f.height;
    font.lfWeight = f.weight;
    font.lfPitchAndFamily = f.pitchAndFamily;
    memcpy(font.lfFaceName, f.faceName, LF_FACESIZE);
}

void LoadFormEntries()
{
    int records = ReadEntryFile();
    if (records < 0) {
        if (FormImage.EntriesOnlyMode)
            MessageBoxA(MainWindow, "First you have to Open .bmp file\nTo enter or print entries on .bmp file",
                        "Oops", MB_OK);
    } else {
        RecordFont defaultFont = RecordFontOf(CurrentFont);
        for (int i = 0; i < records; i++) {
            ApplyRecordFont(EntryTable[i]);
            DrawEntry(i);
            if (AdoptFirstEntryFont) {
                defaultFont = RecordFontOf(CurrentFont);
                AdoptFirstEntryFont = false;
            }
        }
        PutRecordFont(CurrentFont, defaultFont);
    }
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
}

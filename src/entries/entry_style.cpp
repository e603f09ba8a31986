#include "entries/entry_style.h"

#include <string.h>

#include "entries/drawing_bounds.h"

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

// ---- fonts and colours ----

LOGFONTA EntryStartFont()
{
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = -30;
    font.lfWeight = 400;
    strcpy(font.lfFaceName, "Arial");
    return font;
}

LOGFONTA gCurrentFont = EntryStartFont();
COLORREF gCurrentTextColour = RGB(0, 0, 0);
EntryModeFlags gEntryModes = { 1, 0 };

void UseEntryModes(EntryModeFlags modes)
{
    gEntryModes = modes;
}

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
    PutRecordFont(gCurrentFont, record);
    gCurrentTextColour = ColourOfIndex(record.colourIndex);
}

void UseChosenFont(const LOGFONTA& font, COLORREF colour)
{
    gCurrentFont = font;
    gCurrentTextColour = colour;
}

void UseTextColour(COLORREF colour)
{
    gCurrentTextColour = colour;
}

void TurnCurrentFontFor(const EntryRecord& record)
{
    TurnFont(gCurrentFont, record);
}

LOGFONTA RecordDrawingFont(const LOGFONTA& base, const EntryRecord& record)
{
    LOGFONTA font = base;
    PutRecordFont(font, record);
    TurnFont(font, record);
    return font;
}


#include "output/test_sheet.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

int SheetX(const PrinterGeometry& geometry, const PrinterCalibration& calibration, double millimetres)
{
    return MillimetresToPixels(calibration.offsetX, geometry.logPixelsX) - geometry.physicalOffsetX +
           MillimetresToPixels(millimetres * calibration.scaleX / 100, geometry.logPixelsX);
}

int SheetY(const PrinterGeometry& geometry, const PrinterCalibration& calibration, double millimetres)
{
    return MillimetresToPixels(calibration.offsetY, geometry.logPixelsY) - geometry.physicalOffsetY +
           MillimetresToPixels(millimetres * calibration.scaleY / 100, geometry.logPixelsY);
}

static int FarMark(double paper)
{
    int mark = (int)floor((paper - SheetMargin) / 10) * 10;
    return mark > SheetMargin ? mark : SheetMargin;
}

void SheetCrosshairs(double paperWidth, double paperHeight, POINT millimetres[SheetCrosshairCount])
{
    int right = FarMark(paperWidth), bottom = FarMark(paperHeight);
    millimetres[0] = POINT{ SheetMargin, SheetMargin };
    millimetres[1] = POINT{ right, SheetMargin };
    millimetres[2] = POINT{ SheetMargin, bottom };
    millimetres[3] = POINT{ right, bottom };
}

double TickLength(int millimetre)
{
    return millimetre % 10 == 0 ? 5 : millimetre % 5 == 0 ? 3.5 : 2;
}

static void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, NULL);
    LineTo(dc, x2, y2);
}

static void Text(HDC dc, int x, int y, UINT align, const char* text)
{
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text, (int)strlen(text));
}

// The rulers start at the other ruler's line, so the two don't cross; each
// 10 mm from 20 on is numbered.
static void DrawRulers(HDC dc, const PrinterGeometry& g, const PrinterCalibration& c)
{
    int width = (int)PaperWidth(g), height = (int)PaperHeight(g);
    char number[12];
    Line(dc, SheetX(g, c, RulerLine), SheetY(g, c, RulerLine), SheetX(g, c, width), SheetY(g, c, RulerLine));
    for (int mm = RulerLine; mm <= width; mm++) {
        int x = SheetX(g, c, mm);
        Line(dc, x, SheetY(g, c, RulerLine), x, SheetY(g, c, RulerLine - TickLength(mm)));
        snprintf(number, sizeof number, "%d", mm);
        if (mm % 10 == 0 && mm >= 2 * RulerLine)
            Text(dc, x, SheetY(g, c, RulerLine + 1), TA_CENTER | TA_TOP, number);
    }
    Line(dc, SheetX(g, c, RulerLine), SheetY(g, c, RulerLine), SheetX(g, c, RulerLine), SheetY(g, c, height));
    for (int mm = RulerLine; mm <= height; mm++) {
        int y = SheetY(g, c, mm);
        Line(dc, SheetX(g, c, RulerLine), y, SheetX(g, c, RulerLine - TickLength(mm)), y);
        snprintf(number, sizeof number, "%d", mm);
        if (mm % 10 == 0 && mm >= 2 * RulerLine)
            Text(dc, SheetX(g, c, RulerLine + 1), SheetY(g, c, mm + 0.9), TA_LEFT | TA_BASELINE, number);
    }
}

static void DrawCrosshairs(HDC dc, const PrinterGeometry& g, const PrinterCalibration& c)
{
    POINT marks[SheetCrosshairCount];
    SheetCrosshairs(PaperWidth(g), PaperHeight(g), marks);
    for (const POINT& m : marks) {
        Line(dc, SheetX(g, c, m.x - 5), SheetY(g, c, m.y), SheetX(g, c, m.x + 5), SheetY(g, c, m.y));
        Line(dc, SheetX(g, c, m.x), SheetY(g, c, m.y - 5), SheetX(g, c, m.x), SheetY(g, c, m.y + 5));
        char label[40];
        snprintf(label, sizeof label, "x %d mm, y %d mm", (int)m.x, (int)m.y);
        Text(dc, SheetX(g, c, m.x + 1.5), SheetY(g, c, m.y + 1.5), TA_LEFT | TA_TOP, label);
    }
}

static void DrawHeading(HDC dc, const PrinterGeometry& g, const PrinterCalibration& c, const char* printerName)
{
    CalibrationText shown = CalibrationAsText(c);
    char title[PrinterNameSize + 40], values[200];
    snprintf(title, sizeof title, "Scrivelander calibration sheet for %s", printerName);
    snprintf(values, sizeof values, "Printed with X offset %s mm, Y offset %s mm, scale %s %% across and %s %% down.",
             shown.offsetX, shown.offsetY, shown.scaleX, shown.scaleY);
    const char* lines[] = {
        title,
        values,
        "Each cross should lie as far from the paper's left and top edges as it says, and",
        "each ruler mark as many millimetres as its number. A cross 2 mm too far right needs",
        "an X offset 2 mm smaller; crosses 1 % too close together need a scale 1 % larger.",
    };
    for (int i = 0; i < 5; i++)
        Text(dc, SheetX(g, c, SheetMargin), SheetY(g, c, SheetMargin + 15 + 5 * i), TA_LEFT | TA_TOP, lines[i]);
}

// A bar 100 mm long on a form, printed as forms print: a form of 254 dpi
// holds 1000 pixels in 100 mm, mapped as File > Print maps a form, so the
// bar's printed length shows the scale forms print at.
static void DrawFormScaleBar(HDC dc, const PrinterGeometry& g, const PrinterCalibration& c)
{
    PageMapping mapping;
    if (!MapFormToPage(PrinterResolution(g.physicalWidth), SheetBarFormDpi, &c, g, &mapping))
        return;
    int left = SheetBarStart * 10, row = SheetBarRow * 10;
    int x1 = PageX(mapping, left), x2 = PageX(mapping, left + 1000), y = PageY(mapping, row);
    int tick = MillimetresToPixels(3, g.logPixelsY);
    Line(dc, x1, y, x2, y);
    Line(dc, x1, y - tick, x1, y + tick);
    Line(dc, x2, y - tick, x2, y + tick);
    char label[120];
    snprintf(label, sizeof label, "100 mm of a form as forms print (%d dpi across, %d dpi down)",
             mapping.printerDpiX, mapping.printerDpiY);
    Text(dc, x1, y - tick, TA_LEFT | TA_BOTTOM, label);
}

void DrawTestSheet(HDC printer, const PrinterGeometry& geometry, const PrinterCalibration& calibration,
                   const char* printerName)
{
    int penWidth = MillimetresToPixels(0.2, geometry.logPixelsX);
    HPEN pen = CreatePen(PS_SOLID, penWidth > 1 ? penWidth : 1, RGB(0, 0, 0));
    LOGFONTA description;
    memset(&description, 0, sizeof description);
    description.lfHeight = -MillimetresToPixels(2.5, geometry.logPixelsY);
    description.lfWeight = FW_NORMAL;
    strcpy(description.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&description);
    HGDIOBJ previousPen = SelectObject(printer, pen);
    HGDIOBJ previousFont = SelectObject(printer, font);
    SetBkMode(printer, TRANSPARENT);
    SetTextColor(printer, RGB(0, 0, 0));
    DrawRulers(printer, geometry, calibration);
    DrawCrosshairs(printer, geometry, calibration);
    DrawHeading(printer, geometry, calibration, printerName);
    DrawFormScaleBar(printer, geometry, calibration);
    SelectObject(printer, previousFont);
    SelectObject(printer, previousPen);
    DeleteObject(font);
    DeleteObject(pen);
}

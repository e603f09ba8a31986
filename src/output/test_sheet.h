// The calibration test sheet: millimetre rulers along the paper's top and
// left edges and labelled crosshairs at known distances from its corner.
// The user measures where they landed and types the difference into the
// calibration dialog; printed with a calibration, the marks show whether it
// is right.
#ifndef SCRIVELANDER_TEST_SHEET_H
#define SCRIVELANDER_TEST_SHEET_H

#include <windows.h>

#include "output/calibration.h"
#include "output/print.h"
#include "output/print_page.h"

const int SheetCrosshairCount = 4;
const int SheetMargin = 30;      // millimetres from the paper's edges to the crosshairs
const int RulerLine = 10;        // millimetres from the edge to each ruler's line
// The bar of 100 mm of a form: on a form of 254 dpi (10 pixels a
// millimetre), from 30 mm across, 80 mm down the form.
const int SheetBarFormDpi = 254;
const int SheetBarStart = 30;
const int SheetBarRow = 80;

// Where a point this many millimetres from the paper's left (top) edge is
// drawn: measured from the paper's corner whatever the check box says, then
// moved and stretched by the calibration as a form's page is.
int SheetX(const PrinterGeometry& geometry, const PrinterCalibration& calibration, double millimetres);
int SheetY(const PrinterGeometry& geometry, const PrinterCalibration& calibration, double millimetres);

// The crosshairs' distances from the paper's corner in whole millimetres:
// 30 mm in from the left and top, and the last multiple of 10 mm at least
// 30 mm in from the right and bottom.
void SheetCrosshairs(double paperWidth, double paperHeight, POINT millimetres[SheetCrosshairCount]);

// The length of a ruler's tick: long every 10 mm, middling every 5 mm.
double TickLength(int millimetre);

// Draws the sheet on a page of `printer` (between StartPage and EndPage).
void DrawTestSheet(HDC printer, const PrinterGeometry& geometry, const PrinterCalibration& calibration,
                   const char* printerName);

#endif

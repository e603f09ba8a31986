// One form printed on one page of an open print document: its picture
// stretched from scanner to printer resolution, then each entry drawn as
// text at the printer's own resolution, both placed by the printer's
// calibration. The arithmetic is kept apart from the drawing.
#ifndef SCRIVELANDER_PRINT_PAGE_H
#define SCRIVELANDER_PRINT_PAGE_H

#include <windows.h>

#include "entries/entry_record.h"
#include "output/calibration.h"

// What a printer tells of its page, in device pixels.
struct PrinterGeometry {
    int logPixelsX, logPixelsY;             // device pixels per inch
    int physicalWidth, physicalHeight;      // the paper
    int physicalOffsetX, physicalOffsetY;   // the unprintable margin left and above
};

PrinterGeometry GeometryOf(HDC printer);

// The paper's size in millimetres; 0 for a side the printer does not tell.
double PaperWidth(const PrinterGeometry& geometry);
double PaperHeight(const PrinterGeometry& geometry);

// Millimetres as device pixels at `dpi`, rounded to the nearest.
int MillimetresToPixels(double millimetres, int dpi);

// How form pixels become device pixels. A form coordinate v first scales as
// the picture always has, v x p / s with p and s truncated to whole dots per
// inch; the calibration's scale then stretches that about the form's
// corner, and the corner moves to the origin. Without calibration the
// origin is (0, 0) and the scale 1, so the page is what it always was.
struct PageMapping {
    int printerDpiX, printerDpiY; // p across and down: the same figure, unless the
                                  // calibration prints at the printer's true size
    int scannerDpi;               // s
    int originX, originY;         // device pixels of the form's top-left corner
    double scaleX, scaleY;        // calibration factors, 1 without one
};

// The mapping of a form with these resolutions onto a printer's page;
// `calibration` NULL for none. A calibration that prints at true size
// takes the printer's own dots per inch (LOGPIXELSX, LOGPIXELSY) for p.
// False when the scanner resolution truncates
// to 0 or less (unknown): the page can't be scaled.
bool MapFormToPage(double printerDpi, double scannerDpi, const PrinterCalibration* calibration,
                   const PrinterGeometry& geometry, PageMapping* mapping);

// Where form column x and form row y land on the page.
int PageX(const PageMapping& mapping, int x);
int PageY(const PageMapping& mapping, int y);

// The picture's place on the page: origin and stretched size.
RECT PagePictureRect(const PageMapping& mapping, int width, int height);

// An entry as it is drawn on the page: its anchor mapped, and its width
// such that a right-justified text starts where its left end maps to.
EntryRecord PageEntry(const PageMapping& mapping, const EntryRecord& record);

// The font of an entry on the page: its height (and width, when set)
// scaled by p / s and by the calibration's scale across (along) the
// writing direction. A height that is not 0 stays at least one pixel.
LOGFONTA PageFont(const PageMapping& mapping, const LOGFONTA& font);

// One form's page: its picture without entries, and its entries.
struct FormPage {
    HDC picture;                  // a memory device context holding the picture; NULL: entries only
    int width, height;            // of the picture, in form pixels
    const EntryRecord* entries;   // each slot with text is drawn; NULL: none
    int slots;
    LOGFONTA baseFont;            // for the fields a record does not carry
};

// A form's page: its picture and entries (NULL: none), each entry's
// missing fields from the current font.
FormPage FormPageOf(HDC picture, int width, int height, const EntryRecord* entries);

// Draws the form onto the page of `printer` (between StartPage and EndPage).
void DrawFormPage(HDC printer, const FormPage& form, const PageMapping& mapping);

enum PagePrintResult { PagePrinted, PageNotStarted, PageNotEnded };

// StartPage, the form's page, EndPage, in a document that is open on
// `printer`. With no picture only the entries print (copies onto a
// pre-printed form); with neither the page stays empty. With no mapping (the
// scanner resolution is unknown) the page gets what the window shows, as
// it shows it, unscaled.
PagePrintResult PrintFormPage(HDC printer, const FormPage& form, const PageMapping* mapping);

#endif

// Printing the form with its entries on one page, scaled by printer
// resolution over scanner resolution so the printout keeps the size of the
// scanned paper.
#ifndef SCRIVELANDER_PRINT_H
#define SCRIVELANDER_PRINT_H

#include <windows.h>
#include <stdint.h>

#include "output/calibration.h"
#include "output/print_page.h"

// Dots per inch from the bitmap header's pixels per metre; 0 when unknown.
double ScannerResolution(int32_t pixelsPerMeter);

// Dots per inch of a printer from its page's physical width in device
// pixels: the width of a Letter page is taken as 8.8 inches.
double PrinterResolution(int physicalWidth);

// The name of the printer chosen in the print dialog in this run, or else
// of the default printer. False when there is neither.
bool CurrentPrinterName(char name[PrinterNameSize]);

// That printer's name, and a device context for it (an information context
// when `informationOnly`) with the settings chosen in the dialog. False,
// with nothing to release, when there is no printer or it can't be opened.
// The caller deletes the context.
bool OpenCurrentPrinter(bool informationOnly, char name[PrinterNameSize], HDC* printer);

// ---- the steps of a print, shared by Print and Print all pages ----

// Tells the user the scanner resolution of a form whose header gives
// `pixelsPerMeter`; returns it in dots per inch, 0 when it is unknown.
double ReportScannerResolution(int32_t pixelsPerMeter);

// The print dialog: the chosen printer's device context, which the caller
// deletes; NULL when the dialog was cancelled.
HDC ChoosePrinter();

// What a print needs to know of the chosen printer.
struct PrintSetup {
    double printerDpi;
    PrinterGeometry geometry;
    PrinterCalibration calibration;   // NoCalibration when none is stored
};

// Tells the user the printer's resolution (OK, Cancel) and finds the
// printer's calibration. False when the user cancelled, or the stored
// calibration can't be used (the user has been told).
bool ConfirmPrinter(HDC printer, PrintSetup* setup);

// The mapping of a form of `scannerDpi` onto the printer's page, with the
// calibration. False when the scanner resolution is unknown.
bool MapForPrint(const PrintSetup& setup, double scannerDpi, PageMapping* mapping);

// StartDoc with the print document's description. False, after telling the
// user, when the document could not be started.
bool StartPrintDocument(HDC printer);

// Tells the user that StartPage failed.
void ReportPageNotStarted();

// The start of the commands that print the open form once or many times
// (Print all pages, Print from table): an open edit is ended, and without a
// form the user is told to open one. False when the command goes no further.
bool FormOpenToPrint();

// Command 40011.
void OnPrint();

#endif

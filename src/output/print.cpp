#include "output/print.h"

#include <stdio.h>
#include <string.h>

#include "entries/entry_draw.h"
#include "entries/entry_edit.h"
#include "output/print_page.h"
#include "view/form_image.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"
#include "output/output_globals.h"

static PRINTDLGA StartPrintDialog()
{
    PRINTDLGA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_NOPAGENUMS | PD_NOSELECTION;
    dialog.nCopies = 1;
    return dialog;
}

static DOCINFOA StartDocInfo()
{
    DOCINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpszDocName = "Scrivelander";
    return info;
}

PRINTDLGA gPrintDialog = StartPrintDialog();
DOCINFOA gPrintDocInfo = StartDocInfo();

double ScannerResolution(int32_t pixelsPerMeter)
{
    return pixelsPerMeter / 39.37;
}

double PrinterResolution(int physicalWidth)
{
    return physicalWidth / 8.8;
}

// The device name the print dialog returned, if it returned one.
static bool DialogPrinterName(char name[PrinterNameSize])
{
    name[0] = 0;
    DEVNAMES* names = gPrintDialog.hDevNames ? (DEVNAMES*)GlobalLock(gPrintDialog.hDevNames) : NULL;
    if (names) {
        lstrcpynA(name, (const char*)names + names->wDeviceOffset, PrinterNameSize);
        GlobalUnlock(gPrintDialog.hDevNames);
    }
    return name[0] != 0;
}

bool CurrentPrinterName(char name[PrinterNameSize])
{
    DWORD size = PrinterNameSize;
    if (DialogPrinterName(name))
        return true;
    if (GetDefaultPrinterA(name, &size))
        return name[0] != 0;
    name[0] = 0;
    return false;
}

bool OpenCurrentPrinter(bool informationOnly, char name[PrinterNameSize], HDC* printer)
{
    *printer = NULL;
    bool chosen = DialogPrinterName(name);
    if (!chosen && !CurrentPrinterName(name))
        return false;
    // The dialog's choice comes with the settings made in it (paper size,
    // orientation), which decide the page's geometry.
    DEVMODEA* settings = NULL;
    if (chosen && gPrintDialog.hDevMode)
        settings = (DEVMODEA*)GlobalLock(gPrintDialog.hDevMode);
    *printer = informationOnly ? CreateICA("WINSPOOL", name, NULL, settings)
                               : CreateDCA("WINSPOOL", name, NULL, settings);
    if (settings)
        GlobalUnlock(gPrintDialog.hDevMode);
    return *printer != NULL;
}

static void Inform(const char* format, double value, UINT buttons, int* answer)
{
    char text[80];
    snprintf(text, sizeof text, format, value);
    int result = ShowMessage(text, "Info", buttons);
    if (answer)
        *answer = result;
}

double ReportScannerResolution(int32_t pixelsPerMeter)
{
    double scanner = ScannerResolution(pixelsPerMeter);
    if ((int)scanner > 0) {
        Inform("Scanner resolution was %.0f dpi", scanner, MB_OK, NULL);
        return scanner;
    }
    // A resolution that truncates to nothing can't scale the page.
    ShowMessage("Scanner resolution is unknown,\nso printer output size may not be correct.", NULL,
                MB_OK);
    return 0;
}

// The calibration stored for the printer of this print; false, with the
// message that tells why, when it is there but can't be used.
static bool CalibrationForPrint(const PrinterGeometry& geometry, PrinterCalibration* calibration,
                                char message[CalibrationMessageSize])
{
    *calibration = NoCalibration;
    char name[PrinterNameSize];
    if (!CurrentPrinterName(name))
        return true;
    bool stored = false;
    return StoredCalibration(name, PaperWidth(geometry), PaperHeight(geometry), calibration, &stored, message);
}

HDC ChoosePrinter()
{
    gPrintDialog.hwndOwner = gMainWindow;
    if (!PrintDlgA(&gPrintDialog))
        return NULL;
    HDC printer = gPrintDialog.hDC;
    gPrintDialog.hDC = NULL;
    return printer;
}

bool ConfirmPrinter(HDC printer, PrintSetup* setup)
{
    setup->geometry = GeometryOf(printer);
    // The calibration decides which resolution the message tells: the
    // printer's own at true size, else the page's width over 8.8 inches.
    char problem[CalibrationMessageSize];
    bool usable = CalibrationForPrint(setup->geometry, &setup->calibration, problem);
    setup->printerDpi = PrinterResolution(GetDeviceCaps(printer, PHYSICALWIDTH));
    if (setup->calibration.trueSize && setup->geometry.logPixelsX > 0)
        setup->printerDpi = setup->geometry.logPixelsX;
    int answer = 0;
    Inform("Printer resolution is %.0f dpi\n", setup->printerDpi, MB_OKCANCEL, &answer);
    if (answer != IDOK)
        return false;
    if (!usable)
        ShowMessage(problem, "Print calibration", MB_OK);
    return usable;
}

bool MapForPrint(const PrintSetup& setup, double scannerDpi, PageMapping* mapping)
{
    return MapFormToPage(setup.printerDpi, scannerDpi, &setup.calibration, setup.geometry, mapping);
}

bool StartPrintDocument(HDC printer)
{
    if (StartDocA(printer, &gPrintDocInfo) > 0)
        return true;
    ShowMessage("StartDoc is 0!", NULL, MB_OK);
    return false;
}

void ReportPageNotStarted()
{
    ShowMessage("StartPage is 0!", NULL, MB_OK);
}

// The form as it goes onto the page: its picture read again without
// entries, which are then drawn as text. When the picture can't be read
// again, the form image itself goes, with its entries in its pixels, as a
// form of unknown resolution always does.
static FormPage PageOfForm(bool known, FormPicture* picture)
{
    if (known && gFormImage.hdcMem && LoadFormPicture(picture))
        return FormPageOf(picture->dc, gFormImage.width, gFormImage.height, gEntryTable);
    return FormPageOf(gFormImage.hdcMem, gFormImage.width, gFormImage.height, NULL);
}

// Prints one page on the chosen printer; the printer's device context is
// deleted on every path.
static void PrintOnPrinter(HDC printer, double scannerDpi)
{
    PrintSetup setup;
    if (ConfirmPrinter(printer, &setup) && StartPrintDocument(printer)) {
        PageMapping mapping;
        bool known = MapForPrint(setup, scannerDpi, &mapping);
        FormPicture picture = {};
        PagePrintResult result = PrintFormPage(printer, PageOfForm(known, &picture), known ? &mapping : NULL);
        ReleaseFormPicture(&picture);
        if (result == PageNotStarted)
            ReportPageNotStarted();
        if (result == PagePrinted)
            EndDoc(printer);
        else
            AbortDoc(printer);   // nothing of the page is sent
    }
    DeleteDC(printer);
}

bool FormOpenToPrint()
{
    if (!CancelEntryEdit())
        return false;
    if (!gFormImage.imageLoaded) {
        ShowMessage("There is no form to print. Open a form first.", NULL, MB_OK);
        return false;
    }
    return true;
}

void OnPrint()
{
    if (!CancelEntryEdit())
        return;
    // The form is never printed without entries it has but can't read: in
    // entries-only mode that would be a blank sheet on the pre-printed form.
    if (!LoadFormEntries() && gFormImage.imageLoaded) {
        ReportEntriesUnreadable("Nothing was printed.");
        return;
    }
    double scannerDpi = ReportScannerResolution(gFormImage.headerCopy.biXPelsPerMeter);
    HDC printer = ChoosePrinter();
    if (printer)
        PrintOnPrinter(printer, scannerDpi);
}

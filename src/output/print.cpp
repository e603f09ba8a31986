#include "output/print.h"

#include <stdio.h>

#include "entries/entry_draw.h"
#include "entries/entry_edit.h"
#include "view/form_image.h"
#include "view/view_state.h"

double ScannerResolution(int32_t pixelsPerMeter)
{
    return pixelsPerMeter / 39.37;
}

double PrinterResolution(int physicalWidth)
{
    return physicalWidth / 8.8;
}

static int ScaledSide(int side, int p, int s)
{
    int64_t scaled = (int64_t)side * p / s;
    return scaled > INT32_MAX ? INT32_MAX : (int)scaled;
}

bool PrintedSize(int width, int height, double printerDpi, double scannerDpi, SIZE* size)
{
    int p = (int)printerDpi;
    int s = (int)scannerDpi;
    if (s <= 0)
        return false;
    size->cx = ScaledSide(width, p, s);
    size->cy = ScaledSide(height, p, s);
    return true;
}

static void Inform(const char* format, double value, UINT buttons, int* answer)
{
    char text[80];
    snprintf(text, sizeof text, format, value);
    int result = MessageBoxA(MainWindow, text, "Info", buttons);
    if (answer)
        *answer = result;
}

// Tells the user the scanner resolution; 0 when it is unknown.
static double ReportScannerResolution()
{
    double scanner = ScannerResolution(FormImage.headerCopy.biXPelsPerMeter);
    if ((int)scanner > 0) {
        Inform("Scanner resolution was %.0f dpi", scanner, MB_OK, NULL);
        return scanner;
    }
    // A resolution that truncates to nothing can't scale the page.
    MessageBoxA(MainWindow, "Scanner resolution is unknown,\nso printer output size may not be correct.", NULL,
                MB_OK);
    return 0;
}

static void DrawPage(HDC printer, double printerDpi, double scannerDpi)
{
    if (!FormImage.hdcMem)
        return;   // no form: the page stays empty
    SIZE size;
    if (PrintedSize(FormImage.width, FormImage.height, printerDpi, scannerDpi, &size)) {
        StretchBlt(printer, 0, 0, size.cx, size.cy, FormImage.hdcMem, 0, 0, FormImage.width, FormImage.height,
                   SRCCOPY);
        return;
    }
    // Unknown resolution: the page gets what the window shows, as it shows it.
    DrawView(printer);
}

// Prints one page on the chosen printer; the printer's device context is
// deleted on every path.
static void PrintOnPrinter(HDC printer, double scannerDpi)
{
    double printerDpi = PrinterResolution(GetDeviceCaps(printer, PHYSICALWIDTH));
    int answer = 0;
    Inform("Printer resolution is %.0f dpi\n", printerDpi, MB_OKCANCEL, &answer);
    if (answer != IDOK) {
        DeleteDC(printer);
        return;
    }
    if (StartDocA(printer, &PrintDocInfo) <= 0) {
        MessageBoxA(MainWindow, "StartDoc is 0!", NULL, MB_OK);
        DeleteDC(printer);
        return;
    }
    if (StartPage(printer) <= 0) {
        MessageBoxA(MainWindow, "StartPage is 0!", NULL, MB_OK);
        DeleteDC(printer);
        return;
    }
    DrawPage(printer, printerDpi, scannerDpi);
    if (EndPage(printer) <= 0) {
        DeleteDC(printer);
        return;
    }
    EndDoc(printer);
    DeleteDC(printer);
}

void OnPrint()
{
    if (!CancelEntryEdit())
        return;
    LoadFormEntries();
    double scannerDpi = ReportScannerResolution();
    if (!PrintDlgA(&PrintDialog))
        return;
    HDC printer = PrintDialog.hDC;
    PrintDialog.hDC = NULL;
    if (printer)
        PrintOnPrinter(printer, scannerDpi);
}

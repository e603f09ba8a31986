// Print all pages: every page of the document of the form on screen in one
// print job, each on a sheet of its own, in page order, each printed as the
// Print command prints a form: its picture from its bitmap file, its own
// entries from its own entry file, its own scanner resolution, the same
// blank or ordinary mode and the printer's calibration. The form on screen,
// its entry table and its picture are left alone.
#ifndef SCRIVELANDER_PRINT_PAGES_H
#define SCRIVELANDER_PRINT_PAGES_H

#include <stddef.h>
#include <stdint.h>

// ---- the arithmetic and the texts, free of window calls ----

// The whole dots per inch a page of this resolution is scaled by; 0 when
// it is unknown (the print scale truncates in the same way).
int WholeDpi(int32_t pixelsPerMeter);

// The scanner resolution a page prints at: its own; for a page of unknown
// resolution the first page's, or, when that is unknown too, the
// printer's, so the page prints unscaled, one pixel to one printer dot.
double PageScannerResolution(int32_t pixelsPerMeter, int32_t firstPixelsPerMeter, double printerDpi);

struct PageResolution {
    const char* name;          // the page's file name
    int32_t pixelsPerMeter;
};

// The message that lists the pages (after the first) whose whole dots per
// inch are not the first page's, and says how they print; an empty text
// when every page has the first page's. At most `ListedPages` are named.
const int ListedPages = 20;
void ResolutionNotice(const PageResolution* pages, int count, char* text, size_t size);

// The message that stops the job before anything is sent: `reason` why the
// page at `path` can't be loaded.
void PageRefusal(const char* path, const char* reason, char* text, size_t size);

// Command "Print all pages...".
void OnPrintAllPages();

#endif

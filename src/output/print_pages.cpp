#include "output/print_pages.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/form_pages.h"
#include "entries/entry_record.h"
#include "output/print.h"
#include "view/form_image.h"
#include "view/view_globals.h"

int WholeDpi(int32_t pixelsPerMeter)
{
    int dpi = (int)ScannerResolution(pixelsPerMeter);
    return dpi > 0 ? dpi : 0;
}

double PageScannerResolution(int32_t pixelsPerMeter, int32_t firstPixelsPerMeter, double printerDpi)
{
    if (WholeDpi(pixelsPerMeter) > 0)
        return ScannerResolution(pixelsPerMeter);
    if (WholeDpi(firstPixelsPerMeter) > 0)
        return ScannerResolution(firstPixelsPerMeter);
    return printerDpi;
}

// Adds to the text as far as there is room; the text always ends inside.
static void Append(char* text, size_t size, const char* format, ...)
{
    size_t used = strnlen(text, size);
    if (used + 1 >= size)
        return;
    va_list values;
    va_start(values, format);
    vsnprintf(text + used, size - used, format, values);
    va_end(values);
}

static void AppendDpi(char* text, size_t size, int dpi)
{
    if (dpi > 0)
        Append(text, size, "%d dpi", dpi);
    else
        Append(text, size, "unknown");
}

void ResolutionNotice(const PageResolution* pages, int count, char* text, size_t size)
{
    text[0] = 0;
    int first = count > 0 ? WholeDpi(pages[0].pixelsPerMeter) : 0;
    int listed = 0, unlisted = 0;
    for (int i = 1; i < count; i++) {
        int dpi = WholeDpi(pages[i].pixelsPerMeter);
        if (dpi == first)
            continue;
        if (listed == ListedPages) {
            unlisted++;
            continue;
        }
        if (listed++ == 0) {
            Append(text, size, "These pages have another scanner resolution than the first page, %s (", pages[0].name);
            AppendDpi(text, size, first);
            Append(text, size, "):\n\n");
        }
        Append(text, size, "%s: ", pages[i].name);
        AppendDpi(text, size, dpi);
        Append(text, size, "\n");
    }
    if (listed == 0)
        return;
    if (unlisted > 0)
        Append(text, size, "and %d more\n", unlisted);
    Append(text, size, "\nEach page prints at its own resolution, so it keeps the size of its paper. ");
    if (first > 0)
        Append(text, size, "A page of unknown resolution prints at the first page's.");
    else
        Append(text, size, "A page of unknown resolution prints unscaled, one pixel to one printer dot.");
}

void PageRefusal(const char* path, const char* reason, char* text, size_t size)
{
    text[0] = 0;
    Append(text, size, "This page can't be loaded, so nothing was printed:\n%s\n\n%s", path, reason);
}

// ---- the command ----

// A page of the document: its bitmap file, and its resolution as the check
// before printing found it.
struct DocumentPage {
    char path[PathBufferSize];
    int32_t pixelsPerMeter;
};

// The entries of the page being printed: a table of its own, so the form on
// screen keeps its own.
static EntryRecord gPageEntries[EntryTableSlots];

static const char EntriesUnreadableText[] =
    "Its entry file can't be read: another program may have it open.";
static const char NoMemoryText[] = "There is not enough memory to print every page of this form.";

static void RefusePage(const char* path, const char* reason)
{
    char text[2 * PathBufferSize + 200];
    PageRefusal(path, reason, text, sizeof text);
    ShowMessage(text, NULL, MB_OK);
}

// Whether the entry file beside the page at `path` can be read (it need
// not exist), read into gPageEntries.
static bool ReadPageEntries(const char* path)
{
    char entryPath[PathBufferSize];
    EntryFilePathOf(path, entryPath);
    return ReadEntriesOf(entryPath, gPageEntries) != EntryFileUnreadable;
}

// The pages of the form's document, each checked as an open checks a form,
// entry file included. NULL, after telling the user, when one is refused.
static DocumentPage* CheckedPages(const PageList& list)
{
    DocumentPage* pages = (DocumentPage*)calloc((size_t)list.count, sizeof(DocumentPage));
    if (!pages) {
        ShowMessage(NoMemoryText, NULL, MB_OK);
        return NULL;
    }
    for (int i = 0; i < list.count; i++) {
        const char* refusal = NULL;
        FormFileFacts facts = {};
        if (!PagePathOf(gFormImage.formPath, list.names[i], pages[i].path)) {
            refusal = PagePathTooLongText;
            memcpy(pages[i].path, list.names[i], PathBufferSize);
        } else {
            refusal = ReadFormFile(pages[i].path, false, &facts, NULL);
            if (!refusal && !ReadPageEntries(pages[i].path))
                refusal = EntriesUnreadableText;
        }
        if (refusal) {
            RefusePage(pages[i].path, refusal);
            free(pages);
            return NULL;
        }
        pages[i].pixelsPerMeter = facts.pixelsPerMeter;
    }
    return pages;
}

// Tells the user of pages whose resolution is not the first page's; false
// when the user then cancels.
static bool ResolutionsAccepted(const DocumentPage* pages, int count)
{
    PageResolution* resolutions = (PageResolution*)calloc((size_t)count, sizeof(PageResolution));
    if (!resolutions) {
        ShowMessage(NoMemoryText, NULL, MB_OK);
        return false;
    }
    for (int i = 0; i < count; i++) {
        resolutions[i].name = FileNameOf(pages[i].path);
        resolutions[i].pixelsPerMeter = pages[i].pixelsPerMeter;
    }
    char text[(ListedPages + 2) * (PathBufferSize + 20) + 400];
    ResolutionNotice(resolutions, count, text, sizeof text);
    free(resolutions);
    return !text[0] || ShowMessage(text, "Print all pages", MB_OKCANCEL) == IDOK;
}

// One page onto its own sheet: read again, with its entries, as it is now.
// NULL when it was read (`result` tells how the sheet went); otherwise why
// it could not be.
static const char* PrintDocumentPage(HDC printer, const PrintSetup& setup, const DocumentPage& page,
                                     int32_t firstPixelsPerMeter, PagePrintResult* result)
{
    FormFileFacts facts = {};
    FormPicture picture;
    const char* refusal = ReadFormFile(page.path, gFormImage.blanked, &facts, &picture);
    if (refusal)
        return refusal;
    if (!ReadPageEntries(page.path)) {
        ReleaseFormPicture(&picture);
        return EntriesUnreadableText;
    }
    // A page always has a mapping, unless the printer reports no
    // resolution either: then the sheet stays empty.
    PageMapping mapping;
    bool mapped = MapForPrint(
        setup, PageScannerResolution(facts.pixelsPerMeter, firstPixelsPerMeter, setup.printerDpi), &mapping);
    FormPage form = FormPageOf(mapped ? picture.dc : NULL, facts.width, facts.height, gPageEntries);
    *result = PrintFormPage(printer, form, mapped ? &mapping : NULL);
    ReleaseFormPicture(&picture);
    return NULL;
}

// Every page, one sheet each, in one document; the document is given up at
// the first page that fails, so no part of it is printed.
static void PrintDocument(HDC printer, const PrintSetup& setup, const DocumentPage* pages, int count)
{
    for (int i = 0; i < count; i++) {
        PagePrintResult result = PagePrinted;
        const char* refusal = PrintDocumentPage(printer, setup, pages[i], pages[0].pixelsPerMeter, &result);
        if (refusal || result != PagePrinted) {
            AbortDoc(printer);
            if (result == PageNotStarted)
                ReportPageNotStarted();
            if (refusal) {
                char text[2 * PathBufferSize + 200];
                snprintf(text, sizeof text,
                         "This page could not be read again, so the print job was cancelled:\n%s\n\n%s",
                         pages[i].path, refusal);
                ShowMessage(text, NULL, MB_OK);
            }
            return;
        }
    }
    EndDoc(printer);
}

void OnPrintAllPages()
{
    if (!FormOpenToPrint())
        return;
    PageList list;
    if (!ListDocumentPages(gFormImage.formPath, &list)) {
        ShowMessage(NoMemoryText, NULL, MB_OK);
        return;
    }
    if (list.count == 0)
        ShowMessage("No page of this form is in its folder any more.", NULL, MB_OK);
    DocumentPage* pages = list.count > 0 ? CheckedPages(list) : NULL;
    int count = list.count;
    FreePageList(&list);
    if (!pages)
        return;
    ReportScannerResolution(pages[0].pixelsPerMeter);
    HDC printer = ResolutionsAccepted(pages, count) ? ChoosePrinter() : NULL;
    if (printer) {
        PrintSetup setup;
        if (ConfirmPrinter(printer, &setup) && StartPrintDocument(printer))
            PrintDocument(printer, setup, pages, count);
        DeleteDC(printer);
    }
    free(pages);
}

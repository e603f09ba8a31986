#include "output/print_table.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "entries/entry_record.h"
#include "entries/entry_text.h"
#include "output/csv_code_page.h"
#include "output/print.h"
#include "output/print_pages.h"
#include "output/table_copies.h"
#include "view/form_image.h"
#include "entries/entry_style.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"
#include "output/output_globals.h"

char gTablePath[PathBufferSize] = "";
char gTableTitle[PathBufferSize] = "";
OPENFILENAMEA gTableOpenDialog = OpenDialogOf("Tables (*.csv)\0*.csv\0All files\0*.*\0", "Print from table",
                                              OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, ".csv", gTablePath, gTableTitle);

static const char Caption[] = "Print from table";

void CopiesQuestion(size_t copies, const char* tableName, char* text, size_t size)
{
    snprintf(text, size, "%u copies from %s. Print?", (unsigned)copies, tableName);
}

// The table's bytes; false, after telling the user, when they can't be had.
static bool ReadTableFile(const char* path, char** bytes, size_t* size)
{
    *bytes = NULL;
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ShowMessage("The table can't be opened: it is missing, or another program has it open.", Caption, MB_OK);
        return false;
    }
    LARGE_INTEGER length;
    bool fits = GetFileSizeEx(file, &length) && (uint64_t)length.QuadPart <= CsvFileLimit;
    *bytes = fits ? (char*)malloc((size_t)length.QuadPart + 1) : NULL;
    DWORD got = 0;
    bool read = *bytes && (length.QuadPart == 0 ||
                           (ReadFile(file, *bytes, (DWORD)length.QuadPart, &got, NULL) && got == length.QuadPart));
    CloseHandle(file);
    if (!read) {
        free(*bytes);
        *bytes = NULL;
        ShowMessage(fits ? "The table could not be read." : CsvTooLargeMessage(), Caption, MB_OK);
        return false;
    }
    *size = (size_t)length.QuadPart;
    return true;
}

// A right-justified entry ends at its anchor whatever its text: a filled-in
// text is measured again, in its own font at the form's scale.
static void MeasureFilledTexts(const EntryRecord* entries, EntryRecord* copy, int count)
{
    HDC dc = CreateCompatibleDC(NULL);
    if (!dc)
        return;
    for (int i = 0; i < count; i++) {
        if (copy[i].rightJustified != 1 || copy[i].text[0] == '#' || !IsTemplateText(entries[i].text))
            continue;
        LOGFONTA description = RecordDrawingFont(gCurrentFont, copy[i]);
        HFONT font = CreateFontIndirectA(&description);
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, copy[i].text, (int)strlen(copy[i].text), &extent);
        copy[i].width = extent.cx;
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    DeleteDC(dc);
}

// Every copy in one document; given up at the first sheet that fails, so
// no part of it is printed.
static void PrintCopies(HDC printer, const PrintSetup& setup, const CsvTable& table, HDC picture)
{
    int32_t pixelsPerMeter = gFormImage.headerCopy.biXPelsPerMeter;
    PageMapping mapping;
    if (!MapForPrint(setup, PageScannerResolution(pixelsPerMeter, pixelsPerMeter, setup.printerDpi), &mapping)) {
        AbortDoc(printer);
        ShowMessage("The printer tells no resolution, so nothing was printed.", Caption, MB_OK);
        return;
    }
    EntryRecord* copy = (EntryRecord*)malloc(sizeof(EntryRecord) * EntryTableSlots);
    if (!copy) {
        AbortDoc(printer);
        ShowMessage("There is not enough memory to print the copies.", Caption, MB_OK);
        return;
    }
    for (size_t row = 0; row < CsvRowCount(table); row++) {
        CopyEntries(gEntryTable, gEntryCount, table, row, copy);
        MeasureFilledTexts(gEntryTable, copy, gEntryCount);
        FormPage form = FormPageOf(picture, gFormImage.width, gFormImage.height, copy);
        PagePrintResult result = PrintFormPage(printer, form, &mapping);
        if (result != PagePrinted) {
            AbortDoc(printer);
            free(copy);
            if (result == PageNotStarted)
                ReportPageNotStarted();
            char text[200];
            snprintf(text, sizeof text, "Copy %u of %u could not be printed, so the print job was cancelled.",
                     (unsigned)row + 1, (unsigned)CsvRowCount(table));
            ShowMessage(text, Caption, MB_OK);
            return;
        }
    }
    free(copy);
    if (EndDoc(printer) <= 0)
        ShowMessage("The printer did not take the copies (EndDoc failed).", Caption, MB_OK);
}

// The table read and checked against the form's entries; false, after
// telling the user, when nothing is to be printed.
static bool CheckedTable(CsvTable* table)
{
    char* bytes = NULL;
    size_t size = 0;
    if (!ReadTableFile(gTablePath, &bytes, &size))
        return false;
    char message[CopyMessageSize];
    bool usable = ReadCsvTable(bytes, size, ProgramCodePage(), table, message) && CheckCopies(gEntryTable, gEntryCount, *table, message);
    free(bytes);
    if (!usable) {
        char text[CopyMessageSize + PathBufferSize + 60];
        snprintf(text, sizeof text, "%s\n\n%s\n\nNothing was printed.", gTableTitle, message);
        ShowMessage(text, Caption, MB_OK);
    }
    return usable;
}

void OnPrintFromTable()
{
    if (!FormOpenToPrint())
        return;
    gTableOpenDialog.hwndOwner = gMainWindow;
    if (!GetOpenFileNameA(&gTableOpenDialog))
        return;
    RememberDialogFolder(gTablePath);
    CsvTable table;
    if (!CheckedTable(&table))
        return;
    char question[PathBufferSize + 60];
    CopiesQuestion(CsvRowCount(table), gTableTitle, question, sizeof question);
    if (ShowMessage(question, Caption, MB_OKCANCEL) != IDOK)
        return;
    // The picture is read once for every copy; a blank form prints only the
    // entries, so each copy costs only its text.
    FormPicture picture = {};
    if (!gFormImage.blanked && !LoadFormPicture(&picture)) {
        ShowMessage("The form's picture can't be read again from its file, so nothing was printed.", Caption,
                    MB_OK);
        return;
    }
    HDC printer = ChoosePrinter();
    if (printer) {
        PrintSetup setup;
        if (ConfirmPrinter(printer, &setup) && StartPrintDocument(printer))
            PrintCopies(printer, setup, table, picture.dc);
        DeleteDC(printer);
    }
    ReleaseFormPicture(&picture);
}

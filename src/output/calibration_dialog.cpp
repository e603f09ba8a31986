#include "output/calibration_dialog.h"

#include <stdio.h>
#include <string.h>

#include "entries/entry_edit.h"
#include "output/calibration.h"
#include "output/print.h"
#include "output/print_page.h"
#include "output/test_sheet.h"
#include "resources/resource.h"

static const char Caption[] = "Print calibration";

// The printer the open dialog is about, and its paper.
static char gDialogPrinter[PrinterNameSize];
static PrinterGeometry gDialogPaper;

// The value boxes in the order CheckCalibration names them.
static const int ValueBoxes[4] = { IDC_CAL_OFFSET_X, IDC_CAL_OFFSET_Y, IDC_CAL_SCALE_X, IDC_CAL_SCALE_Y };

static void OnCalibrationDialogInit(HWND dialog, const CalibrationText* text)
{
    SetDlgItemTextA(dialog, IDC_CAL_PRINTER, gDialogPrinter);
    const char* values[4] = { text->offsetX, text->offsetY, text->scaleX, text->scaleY };
    for (int i = 0; i < 4; i++) {
        SendDlgItemMessageA(dialog, ValueBoxes[i], EM_LIMITTEXT, CalibrationFieldSize - 1, 0);
        SetDlgItemTextA(dialog, ValueBoxes[i], values[i]);
    }
    CheckDlgButton(dialog, IDC_CAL_PAPER_CORNER, text->paperCorner ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CAL_TRUE_SIZE, text->trueSize ? BST_CHECKED : BST_UNCHECKED);
}

// The values in the boxes, checked; after a refusal the box at fault has
// the focus with its text selected.
static bool TakeValues(HWND dialog, PrinterCalibration* calibration)
{
    CalibrationText text;
    char* values[4] = { text.offsetX, text.offsetY, text.scaleX, text.scaleY };
    for (int i = 0; i < 4; i++)
        GetDlgItemTextA(dialog, ValueBoxes[i], values[i], CalibrationFieldSize);
    text.paperCorner = IsDlgButtonChecked(dialog, IDC_CAL_PAPER_CORNER) == BST_CHECKED;
    text.trueSize = IsDlgButtonChecked(dialog, IDC_CAL_TRUE_SIZE) == BST_CHECKED;
    char message[CalibrationMessageSize];
    int field = 0;
    if (CheckCalibration(text, PaperWidth(gDialogPaper), PaperHeight(gDialogPaper), calibration, message, &field))
        return true;
    MessageBoxA(dialog, message, Caption, MB_OK);
    HWND box = GetDlgItem(dialog, ValueBoxes[field]);
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    return false;
}

// One page with the test sheet on the dialog's printer; false when any
// step of the document failed (a started document is then abandoned).
static bool PrintTestSheet(const PrinterCalibration& calibration)
{
    char name[PrinterNameSize];
    HDC printer = NULL;
    if (!OpenCurrentPrinter(false, name, &printer))
        return false;
    DOCINFOA document;
    memset(&document, 0, sizeof document);
    document.cbSize = sizeof document;
    document.lpszDocName = "Scrivelander calibration sheet";
    bool printed = false;
    if (StartDocA(printer, &document) > 0) {
        if (StartPage(printer) > 0) {
            DrawTestSheet(printer, GeometryOf(printer), calibration, name);
            printed = EndPage(printer) > 0;
        }
        if (printed)
            printed = EndDoc(printer) > 0;
        else
            AbortDoc(printer);
    }
    DeleteDC(printer);
    return printed;
}

static void OnTestSheet(HWND dialog)
{
    PrinterCalibration calibration;
    if (!TakeValues(dialog, &calibration) || PrintTestSheet(calibration))
        return;
    char message[PrinterNameSize + 100];
    snprintf(message, sizeof message, "The test sheet could not be printed on %s.", gDialogPrinter);
    MessageBoxA(dialog, message, Caption, MB_OK);
}

static void OnCalibrationDialogOk(HWND dialog)
{
    PrinterCalibration calibration;
    if (!TakeValues(dialog, &calibration))
        return;
    if (SaveCalibration(gDialogPrinter, calibration)) {
        EndDialog(dialog, IDOK);
        return;
    }
    char message[PathBufferSize + 200];
    snprintf(message, sizeof message,
             "The calibration could not be saved in %s in the folder Scrivelander was started in (%s). "
             "The file may be open in another program, the folder write-protected, or the file may hold "
             "characters Scrivelander can't keep.",
             CalibrationFileName, gStartupDirectory);
    MessageBoxA(dialog, message, Caption, MB_OK);
}

static INT_PTR CALLBACK CalibrationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnCalibrationDialogInit(dialog, (const CalibrationText*)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CAL_TEST_SHEET: OnTestSheet(dialog); return TRUE;
        case IDOK: OnCalibrationDialogOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void OnPrintCalibration()
{
    if (!CancelEntryEdit())
        return;
    HDC information = NULL;
    if (!OpenCurrentPrinter(true, gDialogPrinter, &information)) {
        char text[PrinterNameSize + 100];
        if (gDialogPrinter[0])
            snprintf(text, sizeof text, "The printer %s can't be reached, so it can't be calibrated now.",
                     gDialogPrinter);
        else
            snprintf(text, sizeof text, "There is no printer to calibrate.");
        ShowMessage(text, Caption, MB_OK);
        return;
    }
    gDialogPaper = GeometryOf(information);
    DeleteDC(information);
    // The file is read whole before anything is saved into it, so a file
    // that can't be read is never replaced.
    CalibrationText stored;
    bool found = false;
    if (!StoredCalibrationText(gDialogPrinter, &stored, &found)) {
        char text[200];
        snprintf(text, sizeof text,
                 "%s can't be read: it may be open in another program, larger than 64 KB, or not text "
                 "of an encoding Scrivelander knows.",
                 CalibrationFileName);
        ShowMessage(text, Caption, MB_OK);
        return;
    }
    DialogBoxParamA(gInstance, "PRINTCALIBRATION", gMainWindow, CalibrationDialogProc, (LPARAM)&stored);
}

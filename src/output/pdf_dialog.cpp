#include "output/pdf_dialog.h"

#include <string.h>

#include "resources/resource.h"
#include "output/output_globals.h"

int gColourMode = 2;

// Keeps the resolution for the next start. A failure is told: the
// resolution would otherwise be forgotten without a word.
static void WriteSettingsFile(HWND dialog)
{
    switch (WriteSettings()) {
    case SettingsWritten:
        return;
    case SettingsPathTooLong:
        MessageBoxA(dialog,
                    "The resolution can't be saved for the next start: the path of the folder "
                    "Scrivelander was started in is too long for the settings file "
                    "Scrivelander.ini.\nThis conversion uses the resolution all the same.",
                    "Settings not saved", MB_OK);
        return;
    case SettingsNotWritten:
        MessageBoxA(dialog,
                    "The resolution can't be saved for the next start: the settings file "
                    "Scrivelander.ini could not be written (the disk may be full, or the file "
                    "read-only or open in another program). The file is as it was.\nThis "
                    "conversion uses the resolution all the same.",
                    "Settings not saved", MB_OK);
        return;
    }
}

// The keyboard starts in the resolution box, its text selected, so typing
// replaces it and Enter converts at once.
static void OnConversionDialogInit(HWND dialog)
{
    CheckRadioButton(dialog, IDC_BLACK_WHITE, IDC_FULL_COLOR, IDC_SHADES_OF_GRAY);
    HWND box = GetDlgItem(dialog, IDC_RESOLUTION);
    SetWindowTextA(box, gResolutionText);
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    gColourMode = 2;
}

// OK: the box gives at most three characters of any kind; an empty box
// keeps the dialog open.
static void OnConversionDialogOk(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_RESOLUTION);
    char text[4] = "";
    GetWindowTextA(box, text, sizeof text);
    SetResolutionText(text);
    if (text[0] == 0) {
        SetFocus(box);
        return;
    }
    WriteSettingsFile(dialog);
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK ConversionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnConversionDialogInit(dialog);
        return FALSE;   // the focus is set already
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BLACK_WHITE: gColourMode = 1; return TRUE;
        case IDC_SHADES_OF_GRAY: gColourMode = 2; return TRUE;
        case IDC_FULL_COLOR: gColourMode = 3; return TRUE;
        case IDOK: OnConversionDialogOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int RunConversionDialog()
{
    return DialogBoxParamA(gInstance, "PDFTOBMP", NULL, ConversionDialogProc, 0) == 1 ? 1 : 0;
}

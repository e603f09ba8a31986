#include "output/pdf_dialog.h"

#include <string.h>

#include "resources/resource.h"

int ColourMode = 2;

// Writes the settings file into the start-up directory, whatever folder an
// open dialog has made current since. A path that doesn't fit, or a file
// that can't be written whole, is reported, since the resolution would
// otherwise be forgotten without a word; the file then stays as it was.
static void SaveResolutionSetting(HWND dialog)
{
    char path[PathBufferSize];
    if (!SettingsFilePath(StartupDirectory, path)) {
        MessageBoxA(dialog,
                    "The resolution can't be saved for the next start: the path of the folder "
                    "Scrivelander was started in is too long for the settings file "
                    "Scrivelander.ini.\nThis conversion uses the resolution all the same.",
                    "Settings not saved", MB_OK);
        return;
    }
    char content[SettingsContentLimit];
    int count = SettingsFileContent(ResolutionText, content);
    if (!WriteSettingsFile(path, content, count)) {
        char text[PathBufferSize + 300];
        wsprintfA(text, "The resolution can't be saved for the next start: the settings file\n%s\ncould not be "
                        "written whole (the folder may be read-only or the disk full), so it stays as it was.\n"
                        "This conversion uses the resolution all the same.",
                  path);
        MessageBoxA(dialog, text, "Settings not saved", MB_OK);
    }
}

static void OnConversionDialogInit(HWND dialog)
{
    CheckRadioButton(dialog, IDC_BLACK_WHITE, IDC_FULL_COLOR, IDC_SHADES_OF_GRAY);
    SetWindowTextA(GetDlgItem(dialog, IDC_RESOLUTION), ResolutionText);
    ColourMode = 2;
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
    SaveResolutionSetting(dialog);
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK ConversionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnConversionDialogInit(dialog);
        return FALSE;   // no initial keyboard focus
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BLACK_WHITE: ColourMode = 1; return TRUE;
        case IDC_SHADES_OF_GRAY: ColourMode = 2; return TRUE;
        case IDC_FULL_COLOR: ColourMode = 3; return TRUE;
        case IDOK: OnConversionDialogOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int RunConversionDialog()
{
    return DialogBoxParamA(Instance, "PDFTOBMP", NULL, ConversionDialogProc, 0) == 1 ? 1 : 0;
}

#include "shell/main_window.h"

#include <string.h>
#include <windowsx.h>

#include "entries/entry_edit.h"
#include "resources/resource.h"
#include "shell/settings.h"
#include "view/form_image.h"
#include "view/view_state.h"

HINSTANCE Instance;
HWND MainWindow;
HMENU MainMenu;
HWND PreviousWindow;
HCURSOR ArrowCursor;
HCURSOR HandCursor;
SIZE WindowSize;
SIZE ClientSize;
char FileTitle[PathBufferSize] = "Scrivelander";
char ChosenPath[PathBufferSize];

OPENFILENAMEA BmpOpenDialog;
OPENFILENAMEA PdfOpenDialog;
PRINTDLGA PrintDialog;
DOCINFOA PrintDocInfo;
CHOOSEFONTA FontDialog;

LOGFONTA CurrentFont;
COLORREF CurrentTextColour;
EntryModeFlags EntryModes = { 1, 0 };

char StartupDirectory[PathBufferSize];
char ResolutionText[5];

// The common dialogs are handed these structures as the 32-bit system lays
// them out.
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA must be the full 88-byte structure");
static_assert(sizeof(PRINTDLGA) == 66, "PRINTDLGA must be the packed 66-byte structure");
static_assert(sizeof(CHOOSEFONTA) == 60, "CHOOSEFONTA must be 60 bytes");
static_assert(sizeof(DOCINFOA) == 20, "DOCINFOA must be 20 bytes");

static void FillOpenDialog(OPENFILENAMEA& dialog, const char* filter, const char* title,
                           DWORD flags, const char* defaultExtension)
{
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = MainWindow;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = ChosenPath;
    dialog.nMaxFile = PathBufferSize;
    dialog.lpstrFileTitle = FileTitle;
    dialog.nMaxFileTitle = PathBufferSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;
    dialog.lpstrDefExt = defaultExtension;
}

// The dialog descriptions are filled once; the dialogs update them in place,
// so each opens with what it returned last time.
static void FillDialogDescriptions()
{
    FillOpenDialog(BmpOpenDialog, " *.bmp\0*.bmp\0", "Open .bmp file", OFN_HIDEREADONLY, ".bmp");
    FillOpenDialog(PdfOpenDialog, " *.pdf\0*.pdf\0", "Open .pdf file",
                   OFN_CREATEPROMPT | OFN_HIDEREADONLY, ".pdf");

    memset(&PrintDialog, 0, sizeof PrintDialog);
    PrintDialog.lStructSize = sizeof PrintDialog;
    PrintDialog.hwndOwner = MainWindow;
    PrintDialog.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_NOPAGENUMS | PD_NOSELECTION;
    PrintDialog.nCopies = 1;

    memset(&PrintDocInfo, 0, sizeof PrintDocInfo);
    PrintDocInfo.cbSize = sizeof PrintDocInfo;
    PrintDocInfo.lpszDocName = "Scrivelander";

    memset(&CurrentFont, 0, sizeof CurrentFont);
    CurrentFont.lfHeight = -30;
    CurrentFont.lfWeight = 400;
    strcpy(CurrentFont.lfFaceName, "Arial");
    CurrentTextColour = 0;

    memset(&FontDialog, 0, sizeof FontDialog);
    FontDialog.lStructSize = sizeof FontDialog;
    FontDialog.hwndOwner = MainWindow;
    FontDialog.lpLogFont = &CurrentFont;
    FontDialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
}

static void ReadSettings()
{
    // A start-up directory too long for its buffer is left empty.
    DWORD length = GetCurrentDirectoryA(PathBufferSize, StartupDirectory);
    if (length == 0 || length >= PathBufferSize)
        StartupDirectory[0] = 0;
    ReadSettingsFile(ResolutionText);
}

static void OnCreate(HWND window)
{
    MainWindow = window;
    ReadSettings();
    ArrowCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    HandCursor = LoadCursorA(NULL, (LPCSTR)IDC_HAND);
    MainMenu = GetMenu(window);
    CheckMenuItem(MainMenu, IDM_LEFT_JUSTIFIED, MF_CHECKED);
    CheckMenuItem(MainMenu, IDM_HORIZONTAL, MF_CHECKED);
    FillDialogDescriptions();
    RECT workArea;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
        WindowSize.cx = workArea.right;
        WindowSize.cy = workArea.bottom;
    } else {
        WindowSize.cx = GetSystemMetrics(SM_CXFULLSCREEN);
        WindowSize.cy = GetSystemMetrics(SM_CYFULLSCREEN);
    }
    FormImage.headerBlock = NULL;
}

// The window can't be resized: every size notification puts it back over
// the work area.
static void OnSize()
{
    MoveWindow(MainWindow, 0, 0, WindowSize.cx, WindowSize.cy, TRUE);
    RECT client;
    GetClientRect(MainWindow, &client);
    ClientSize.cx = client.right;
    ClientSize.cy = client.bottom;
    ShowTitle(FileTitle);
}

void ShowTitle(const char* title)
{
    // Every reload sets the title again; telling the window system about an
    // unchanged title costs about a millisecond, so it is skipped.
    char shown[PathBufferSize];
    if (GetWindowTextA(MainWindow, shown, sizeof shown) > 0 && strcmp(shown, title) == 0)
        return;
    SetWindowTextA(MainWindow, title);
}

static void OnClose()
{
    // However the window is closed, an open edit is ended first, so a picked
    // entry goes back into its entry file.
    if (boxOpen)
        CancelEntryEdit();
    ReleaseFormImage();
    DestroyWindow(MainWindow);
}

static void OnDestroy()
{
    PostQuitMessage(0);
    SetForegroundWindow(PreviousWindow);
}

// The view's drag scrolling first, then the entries' pointer tracking.
static void OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    OnLeftDragMove(wParam, lParam);
    OnPointerMove(wParam, lParam);
}

// The Windows session ends without WM_CLOSE: an open edit is ended so a
// picked entry goes back into its entry file.
static void OnEndSession(WPARAM ending)
{
    if (ending && boxOpen)
        CancelEntryEdit();
}

// The keys of the main window; every other key is swallowed.
static void OnKeyDown(int key)
{
    switch (key) {
    case VK_HOME: OnHomeKey(); break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: OnArrowKey(key); break;
    case VK_OEM_PLUS: ZoomIn(); break;
    case VK_OEM_MINUS: ZoomOut(); break;
    case VK_DELETE: OnDeleteKey(); break;
    case VK_F1: SendMessageA(MainWindow, WM_COMMAND, IDM_HELP_USING, 0); break;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SIZE: OnSize(); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_KEYDOWN: OnKeyDown((int)wParam); return 0;
    case WM_KEYUP: OnKeyUp(); break;
    case WM_COMMAND:
        if ((HWND)lParam == EntryEditBox && EntryEditBox && HIWORD(wParam) == EN_CHANGE) {
            OnEntryTextChanged();
            break;
        }
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(); break;
    case WM_LBUTTONUP: OnLeftButtonUp(); return 0;
    case WM_RBUTTONDOWN: OnEntryPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_RBUTTONUP: OnEntryRelease(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_ENDSESSION: OnEndSession(wParam); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(wParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

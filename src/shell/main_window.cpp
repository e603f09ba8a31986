#include "shell/main_window.h"
#include "shell/shell_globals.h"

#include <string.h>
#include <windowsx.h>

#include "base/settings.h"
#include "entries/entry_edit.h"
#include "entries/entry_hover.h"
#include "entries/field_tab.h"
#include "view/kept_entries.h"
#include "resources/resource.h"
#include "shell/commands.h"
#include "view/form_fields.h"
#include "view/form_image.h"
#include "view/view_state.h"
#include "entries/entry_style.h"
#include "output/output_globals.h"

static CHOOSEFONTA StartFontDialog()
{
    CHOOSEFONTA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.lpLogFont = &gFontDialogChoice;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    return dialog;
}

HWND gPreviousWindow = NULL;
OPENFILENAMEA gBmpOpenDialog =
    OpenDialogOf(" *.bmp\0*.bmp\0", "Open .bmp file", OFN_HIDEREADONLY, ".bmp", gChosenPath, gFileTitle);
CHOOSEFONTA gFontDialog = StartFontDialog();
LOGFONTA gFontDialogChoice = EntryStartFont();

// What is known only once the window exists; every other start value is
// set where the state is defined.
static void OnCreate(HWND window)
{
    RecordMainWindow((HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE), window);
    ReadSettings();
    DragAcceptFiles(window, TRUE);
    ReadFieldSettings();
    InstallFieldKeys();
    CheckMenuItem(gMainMenu, IDM_LEFT_JUSTIFIED, MF_CHECKED);
    CheckMenuItem(gMainMenu, IDM_HORIZONTAL, MF_CHECKED);
    StartDialogsInDocuments();
    gBmpOpenDialog.hwndOwner = window;
    gFontDialog.hwndOwner = window;
    RECT workArea;
    SIZE size = { GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN) };
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
        size.cx = workArea.right;
        size.cy = workArea.bottom;
    }
    RecordWindowSize(size);
}

// The window can't be resized: every size notification puts it back over
// the work area.
static void OnSize()
{
    MoveWindow(gMainWindow, 0, 0, gWindowSize.cx, gWindowSize.cy, TRUE);
    RECT client;
    GetClientRect(gMainWindow, &client);
    SIZE size = { client.right, client.bottom };
    RecordClientSize(size);
    ShowFormTitle();
}

static void OnClose()
{
    // However the window is closed, an open edit is ended first, so a picked
    // entry goes back into its entry file; while it can't, the window stays.
    if (!CancelEntryEdit())
        return;
    ForgetKeptEntries();
    ReleaseFormImage();
    DestroyWindow(gMainWindow);
}

static void OnDestroy()
{
    PostQuitMessage(0);
    SetForegroundWindow(gPreviousWindow);
}

// The view records the pointer once (scrolling when the left button alone
// drags while no entry is typed), then the entries see the move.
static void OnMouseMove(WPARAM keys, LPARAM lParam)
{
    // The view keeps the position as the unsigned words the window reports.
    unsigned x = LOWORD(lParam), y = HIWORD(lParam);
    if (!EntryBoxOpen() && keys == MK_LBUTTON)
        OnLeftDragMove(x, y);
    else
        TrackPointer(x, y);
    OnPointerMove(keys, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

// The Windows session ends without WM_CLOSE and nothing can be asked: a
// picked entry goes back into its entry file, or into a recovery file.
static void OnEndSession(WPARAM ending)
{
    if (ending)
        EndEntryEditAtSessionEnd();
}

// A picked entry held by the right button is out of reach of Delete.
static void OnDelete()
{
    if (!EntryPickHeld())
        OnDeleteKey();
}

// The keys of the main window that move the view or delete; every other
// key is swallowed. The keys of commands (F1, PgDn, PgUp, + and -, Ctrl+Z,
// Ctrl+Y) become commands in the message loop, by the "FORMKEYS" table.
static void OnKeyDown(int key)
{
    switch (key) {
    case VK_HOME: OnHomeKey(); break;
    case VK_TAB: OnTabKey(GetKeyState(VK_SHIFT) < 0); break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: OnArrowKey(key); break;
    case VK_DELETE: OnDelete(); break;
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
        if ((HWND)lParam == EntryBoxWindow() && lParam && HIWORD(wParam) == EN_CHANGE) {
            OnEntryTextChanged();
            break;
        }
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(); break;
    case WM_LBUTTONUP: OnLeftButtonUp(); return 0;
    case WM_RBUTTONDOWN: OnEntryPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_RBUTTONUP: OnRightButtonRelease(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_ENDSESSION: OnEndSession(wParam); return 0;
    case WM_FIELDS_FOUND: OnFormFieldsFound((unsigned)wParam); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(wParam); return 0;
    case WM_DROPFILES: OpenDroppedFile((HDROP)wParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

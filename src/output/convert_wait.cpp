#include "output/convert_wait.h"

#include <stdio.h>

#include "resources/resource.h"
#include "output/output_globals.h"

// Set by the Cancel button of the "Converting" window.
static bool gCancelPressed = false;

static void OnConvertingInit(HWND window, const char* pdfTitle)
{
    char text[PathBufferSize + 64];
    snprintf(text, sizeof text, "Converting %s with Ghostscript...", pdfTitle);
    SetDlgItemTextA(window, IDC_CONVERTING_TEXT, text);
}

// The busy pointer everywhere in the window but over its Cancel button.
static bool OnConvertingCursor(HWND window, HWND under)
{
    if (under == GetDlgItem(window, IDCANCEL))
        return false;
    SetCursor(LoadCursor(NULL, IDC_WAIT));
    SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
    return true;
}

static INT_PTR CALLBACK ConvertingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnConvertingInit(window, (const char*)lParam);
        return TRUE;   // the keyboard goes to Cancel
    case WM_SETCURSOR:
        return OnConvertingCursor(window, (HWND)wParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            gCancelPressed = true;
        return TRUE;
    }
    return FALSE;
}

// Hands on every waiting message. False when one was WM_QUIT, which is
// posted again.
static bool PumpMessages(HWND window)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage((int)message.wParam);
            return false;
        }
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

GhostscriptWaitEnd WaitForGhostscript(HANDLE process, const char* pdfTitle, DWORD limitMs)
{
    gCancelPressed = false;
    HWND window = CreateDialogParamA(gInstance, "CONVERTING", gMainWindow, ConvertingProc, (LPARAM)pdfTitle);
    EnableWindow(gMainWindow, FALSE);
    if (window)
        ShowWindow(window, SW_SHOW);
    HCURSOR before = SetCursor(LoadCursor(NULL, IDC_WAIT));
    DWORD started = GetTickCount();
    GhostscriptWaitEnd end = GhostscriptEnded;
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (!PumpMessages(window) || gCancelPressed) {
            end = GhostscriptCancelled;
            break;
        }
        if (GetTickCount() - started >= limitMs) {
            end = GhostscriptTimedOut;
            break;
        }
    }
    if (end != GhostscriptEnded) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    // The main window is enabled first, so that it takes the activation
    // back when the window over it goes.
    EnableWindow(gMainWindow, TRUE);
    if (window)
        DestroyWindow(window);
    SetCursor(before);
    return end;
}

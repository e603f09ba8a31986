// Every start value of the state in program_state.h.
#include "base/program_state.h"

#include <string.h>

HINSTANCE gInstance = NULL;
HWND gMainWindow = NULL;
HMENU gMainMenu = NULL;
HCURSOR gArrowCursor = NULL;
HCURSOR gHandCursor = NULL;
SIZE gWindowSize = { 0, 0 };
SIZE gClientSize = { 0, 0 };

char gFileTitle[PathBufferSize] = "Scrivelander";
char gChosenPath[PathBufferSize] = "";

// The common dialogs are handed these structures as the 32-bit system lays
// them out. (A 64-bit build, made only to run the tests on a machine that
// can't run 32-bit code, has the 64-bit layouts.)
#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA must be the full 88-byte structure");
static_assert(sizeof(PRINTDLGA) == 66, "PRINTDLGA must be the packed 66-byte structure");
static_assert(sizeof(CHOOSEFONTA) == 60, "CHOOSEFONTA must be 60 bytes");
static_assert(sizeof(DOCINFOA) == 20, "DOCINFOA must be 20 bytes");
#endif

OPENFILENAMEA OpenDialogOf(const char* filter, const char* caption, DWORD flags, const char* defaultExtension,
                           char* path, char* title)
{
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = PathBufferSize;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = PathBufferSize;
    dialog.lpstrTitle = caption;
    dialog.Flags = flags;
    dialog.lpstrDefExt = defaultExtension;
    return dialog;
}

void RecordMainWindow(HINSTANCE instance, HWND window)
{
    gInstance = instance;
    gMainWindow = window;
    gMainMenu = GetMenu(window);
    gArrowCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    gHandCursor = LoadCursorA(NULL, (LPCSTR)IDC_HAND);
}

void RecordWindowSize(SIZE size)
{
    gWindowSize = size;
}

void RecordClientSize(SIZE size)
{
    gClientSize = size;
}

char gStartupDirectory[PathBufferSize] = "";
char gResolutionText[5] = "";

void ShowTitle(const char* title)
{
    // Every reload sets the title again; telling the window system about an
    // unchanged title costs about a millisecond, so it is skipped.
    char shown[PathBufferSize];
    if (GetWindowTextA(gMainWindow, shown, sizeof shown) > 0 && strcmp(shown, title) == 0)
        return;
    SetWindowTextA(gMainWindow, title);
}

int ShowMessage(const char* text, const char* caption, UINT type)
{
    HWND focus = GetFocus();
    int answer = MessageBoxA(gMainWindow, text, caption, type);
    if (focus && IsWindow(focus))
        SetFocus(focus);
    return answer;
}

void ShowInMessageBox(const char* text)
{
    ShowMessage(text, NULL, MB_OK);
}

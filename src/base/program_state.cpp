// Every start value of the state in program_state.h.
#include "base/program_state.h"

#include <string.h>
#include <shlobj.h>

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

char gDialogFolder[PathBufferSize] = "";

void FolderOfPath(const char* path, char folder[PathBufferSize])
{
    size_t length = strnlen(path, PathBufferSize - 1), end = 0;
    for (size_t i = 0; i < length; i++)
        if (path[i] == '\\' || path[i] == '/')
            end = i + 1;
    memcpy(folder, path, end);
    folder[end] = 0;
}

void StartDialogsInDocuments()
{
    char documents[MAX_PATH];
    if (SHGetFolderPathA(NULL, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT, documents) == S_OK)
        lstrcpynA(gDialogFolder, documents, PathBufferSize);
}

void RememberDialogFolder(const char* path)
{
    char full[PathBufferSize], folder[PathBufferSize];
    DWORD length = GetFullPathNameA(path, PathBufferSize, full, NULL);
    if (length == 0 || length >= (DWORD)PathBufferSize)
        return;
    FolderOfPath(full, folder);
    if (folder[0])
        memcpy(gDialogFolder, folder, sizeof folder);
}

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
    dialog.lpstrInitialDir = gDialogFolder;
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

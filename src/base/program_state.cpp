// Every start value of the state in program_state.h.
#include "base/program_state.h"

#include <string.h>
#include <shlobj.h>

HINSTANCE gInstance = NULL;
HWND gMainWindow = NULL;
HMENU gMainMenu = NULL;
HWND gPreviousWindow = NULL;
HCURSOR gArrowCursor = NULL;
HCURSOR gHandCursor = NULL;
SIZE gWindowSize = { 0, 0 };
SIZE gClientSize = { 0, 0 };

char gFileTitle[PathBufferSize] = "Scrivelander";
char gChosenPath[PathBufferSize] = "";
char gTablePath[PathBufferSize] = "";
char gTableTitle[PathBufferSize] = "";

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

static OPENFILENAMEA OpenDialog(const char* filter, const char* title, DWORD flags, const char* defaultExtension)
{
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = gChosenPath;
    dialog.nMaxFile = PathBufferSize;
    dialog.lpstrFileTitle = gFileTitle;
    dialog.nMaxFileTitle = PathBufferSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;
    dialog.lpstrDefExt = defaultExtension;
    dialog.lpstrInitialDir = gDialogFolder;
    return dialog;
}

// The table's dialog chooses into buffers of its own, so the form on screen
// keeps its name and path.
static OPENFILENAMEA TableDialog()
{
    OPENFILENAMEA dialog = OpenDialog("Tables (*.csv)\0*.csv\0All files\0*.*\0", "Print from table",
                                      OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, ".csv");
    dialog.lpstrFile = gTablePath;
    dialog.lpstrFileTitle = gTableTitle;
    return dialog;
}

static PRINTDLGA StartPrintDialog()
{
    PRINTDLGA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_NOPAGENUMS | PD_NOSELECTION;
    dialog.nCopies = 1;
    return dialog;
}

static DOCINFOA StartDocInfo()
{
    DOCINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpszDocName = "Scrivelander";
    return info;
}

static CHOOSEFONTA StartFontDialog()
{
    CHOOSEFONTA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.lpLogFont = &gFontDialogChoice;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    return dialog;
}

static LOGFONTA StartFont()
{
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = -30;
    font.lfWeight = 400;
    strcpy(font.lfFaceName, "Arial");
    return font;
}

OPENFILENAMEA gBmpOpenDialog = OpenDialog(" *.bmp\0*.bmp\0", "Open .bmp file", OFN_HIDEREADONLY, ".bmp");
OPENFILENAMEA gPdfOpenDialog =
    OpenDialog(" *.pdf\0*.pdf\0", "Open .pdf file", OFN_CREATEPROMPT | OFN_HIDEREADONLY, ".pdf");
OPENFILENAMEA gTableOpenDialog = TableDialog();
PRINTDLGA gPrintDialog = StartPrintDialog();
DOCINFOA gPrintDocInfo = StartDocInfo();
CHOOSEFONTA gFontDialog = StartFontDialog();
LOGFONTA gFontDialogChoice = StartFont();

LOGFONTA gCurrentFont = StartFont();
COLORREF gCurrentTextColour = RGB(0, 0, 0);

EntryModeFlags gEntryModes = { 1, 0 };

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

// The program's process-wide state that every folder reads: the main
// window's handles, the chosen file and the settings. Each group says which
// file writes it; every other file only reads it or calls that file's
// functions. State written by a higher folder is listed in that folder's
// chief header, not here.
// All start values are assigned in program_state.cpp; what is known only
// once the window exists (handles, sizes, the start-up folder) is filled in
// by the group's writer when the window is created.
//
// Every process-wide variable is named g-something. This file lists the
// ones every folder reads; each folder lists its own in its chief header:
// view/view_globals.h (the form image, the view, the half-size tiles, the
// kept entries), entries/entries_globals.h (the entry table, the history,
// the edit under way, the font, colour and modes of new entries),
// output/output_globals.h (conversion, printing and their dialogs) and
// shell/shell_globals.h (the form and font dialogs, the window behind ours).
#ifndef SCRIVELANDER_PROGRAM_STATE_H
#define SCRIVELANDER_PROGRAM_STATE_H

#include <windows.h>
#include <commdlg.h>

const int PathBufferSize = 260;

// ---- The main window: written here, by the three functions below, which
// the main window calls (shell/main_window.cpp) as it is created and sized ----
extern HINSTANCE gInstance;
extern HWND gMainWindow;
extern HMENU gMainMenu;
extern HCURSOR gArrowCursor;
extern HCURSOR gHandCursor;
extern SIZE gWindowSize;           // the size forced on the window: the work area's right and bottom
extern SIZE gClientSize;           // right and bottom of the client rectangle at the last WM_SIZE

// The window just created, its menu and the two cursors of the view.
void RecordMainWindow(HINSTANCE instance, HWND window);
// The size the window is kept at (the work area's), and its client area's.
void RecordWindowSize(SIZE size);
void RecordClientSize(SIZE size);

// ---- The chosen file: the one group with two writers, so it stays here
// below both: the two open dialogs are handed these buffers (the Open
// command in shell/, the Convert command in output/, which also empties
// gChosenPath before its page dialog), and at start the form named on the
// command line fills them (shell/commands.cpp). The form
// on screen, which reloads read again, is gFormImage.formPath: a refused or
// cancelled choice here never points changes at another file ----
extern char gFileTitle[PathBufferSize];   // the chosen file's name (the title shows the form on screen)
extern char gChosenPath[PathBufferSize];  // the full path chosen in either open dialog

// The folder the three open dialogs start in when they have no path of
// their own: the user's documents at first, then the folder of the file
// last chosen or opened; never the start-up folder, which holds settings.
// Written by StartDialogsInDocuments and RememberDialogFolder only.
extern char gDialogFolder[PathBufferSize];

// At start: the user's documents folder (My Documents), when there is one.
void StartDialogsInDocuments();

// After a file was chosen or opened: its folder, from its full path.
void RememberDialogFolder(const char* path);

// The folder part of a path, its last separator included ("C:orms"
// of "C:orms.bmp"); empty when the path names no folder.
void FolderOfPath(const char* path, char folder[PathBufferSize]);

// ---- Settings: written by base/settings.cpp ----
extern char gStartupDirectory[PathBufferSize];
extern char gResolutionText[5];    // up to four characters, empty when the settings file gave none

// Shows `title` in the main window's title bar (the file title, or a formula).
void ShowTitle(const char* title);

// The description of an open dialog that chooses into `path` and `title`
// (PathBufferSize characters each); its owner is set where it is shown.
OPENFILENAMEA OpenDialogOf(const char* filter, const char* caption, DWORD flags, const char* defaultExtension,
                           char* path, char* title);

// A message box on the main window, with `type`'s buttons. When it closes
// the keyboard focus goes back to the window that had it, such as the edit
// box of an entry being typed (the system gives it to the main window).
int ShowMessage(const char* text, const char* caption, UINT type);

// ShowMessage with an OK button and no caption: how a problem is told by
// default where tests put a function of their own to catch it.
void ShowInMessageBox(const char* text);

#endif

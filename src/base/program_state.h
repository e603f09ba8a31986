// The program's process-wide state that every folder reads: the main
// window's handles and buffers, the dialog descriptions, the font, colour
// and modes of new entries, and the settings. Each group says which file
// writes it; every other file only reads it or calls that file's functions.
// All start values are assigned in program_state.cpp; what is known only
// once the window exists (handles, sizes, the start-up folder) is filled in
// by the group's writer when the window is created.
//
// Every process-wide variable is named g-something. This file lists the
// ones every folder reads; each folder lists its own in its chief header:
// view/view_globals.h (the form image, the view, the half-size tiles, the
// kept entries), entries/entries_globals.h (the entry table, the history,
// the edit under way) and output/output_globals.h (conversion and
// printing).
#ifndef SCRIVELANDER_PROGRAM_STATE_H
#define SCRIVELANDER_PROGRAM_STATE_H

#include <windows.h>
#include <commdlg.h>

const int PathBufferSize = 260;

// ---- The main window: written by shell/main_window.cpp ----
extern HINSTANCE gInstance;
extern HWND gMainWindow;
extern HMENU gMainMenu;
extern HWND gPreviousWindow;       // the window behind ours at start, brought forward at the end
extern HCURSOR gArrowCursor;
extern HCURSOR gHandCursor;
extern SIZE gWindowSize;           // the size forced on the window: the work area's right and bottom
extern SIZE gClientSize;           // right and bottom of the client rectangle at the last WM_SIZE

// ---- The chosen file: written by the two open dialogs, which are handed
// these buffers (the Open command in shell/, the Convert command in
// output/, which also empties gChosenPath before its page dialog), and at
// start by the form named on the command line (shell/commands.cpp). The form
// on screen, which reloads read again, is gFormImage.formPath: a refused or
// cancelled choice here never points changes at another file ----
extern char gFileTitle[PathBufferSize];   // the chosen file's name (the title shows the form on screen)
extern char gChosenPath[PathBufferSize];  // the full path chosen in either open dialog

// ---- The table chosen for copies: written by the table's open dialog
// (output/print_table.cpp) ----
extern char gTablePath[PathBufferSize];
extern char gTableTitle[PathBufferSize];

// ---- Dialog descriptions: filled here, given their owner window by
// shell/main_window.cpp; the common dialogs update them in place, so each
// opens with what it returned last time ----
extern OPENFILENAMEA gBmpOpenDialog;
extern OPENFILENAMEA gPdfOpenDialog;
extern OPENFILENAMEA gTableOpenDialog;   // Print from table: its own buffers, never the form's

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
extern PRINTDLGA gPrintDialog;
extern DOCINFOA gPrintDocInfo;
extern CHOOSEFONTA gFontDialog;
extern LOGFONTA gFontDialogChoice;  // the font dialog's LOGFONT: opened on gCurrentFont, read back on OK

// ---- The font and text colour of new entries: written by
// entries/entry_style.cpp ----
extern LOGFONTA gCurrentFont;
extern COLORREF gCurrentTextColour;

// ---- How new entries are placed: written by the mode commands
// (shell/commands.cpp) ----
struct EntryModeFlags {
    int leftJustified;   // 1 at start; 0 means right-justified
    int verticalText;    // 0 at start
};
extern EntryModeFlags gEntryModes;

// ---- Settings: written by base/settings.cpp ----
extern char gStartupDirectory[PathBufferSize];
extern char gResolutionText[5];    // up to four characters, empty when the settings file gave none

// Shows `title` in the main window's title bar (the file title, or a formula).
void ShowTitle(const char* title);

// A message box on the main window, with `type`'s buttons. When it closes
// the keyboard focus goes back to the window that had it, such as the edit
// box of an entry being typed (the system gives it to the main window).
int ShowMessage(const char* text, const char* caption, UINT type);

// ShowMessage with an OK button and no caption: how a problem is told by
// default where tests put a function of their own to catch it.
void ShowInMessageBox(const char* text);

#endif

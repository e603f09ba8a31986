// The main window: its process-wide state, the five common-dialog
// descriptions other parts of the program use, and the settings read at
// start-up. Only the shell writes these; the other folders read them.
#ifndef SCRIVELANDER_MAIN_WINDOW_H
#define SCRIVELANDER_MAIN_WINDOW_H

#include <windows.h>
#include <commdlg.h>

const int PathBufferSize = 260;

extern HINSTANCE Instance;
extern HWND MainWindow;
extern HMENU MainMenu;
extern HWND PreviousWindow;       // the window behind ours at start, brought forward at the end
extern HCURSOR ArrowCursor;
extern HCURSOR HandCursor;
extern SIZE WindowSize;           // the size forced on the window: the work area's right and bottom
extern SIZE ClientSize;           // right and bottom of the client rectangle at the last WM_SIZE
extern char FileTitle[PathBufferSize];   // the chosen file's name; also the window title
extern char ChosenPath[PathBufferSize];  // the full path chosen in either open dialog

extern OPENFILENAMEA BmpOpenDialog;
extern OPENFILENAMEA PdfOpenDialog;
extern PRINTDLGA PrintDialog;
extern DOCINFOA PrintDocInfo;
extern CHOOSEFONTA FontDialog;

// The font and text colour of new entries.
extern LOGFONTA CurrentFont;
extern COLORREF CurrentTextColour;

// How new entries are placed: left- or right-justified, horizontal or vertical.
struct EntryModeFlags {
    int leftJustified;   // 1 at start; 0 means right-justified
    int verticalText;    // 0 at start
};
extern EntryModeFlags EntryModes;

// Settings, read once at start-up.
extern char StartupDirectory[PathBufferSize];
extern char ResolutionText[5];    // up to four digits, empty when the settings file gave none

// Shows `title` in the window's title bar (the file title, or a formula).
void ShowTitle(const char* title);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The command dispatch of WM_COMMAND (shell/commands.cpp).
void OnCommand(int id);

#endif

// The menu commands: one call per command id.
#include "shell/commands.h"

#include <string.h>

#include "base/form_pages.h"
#include "entries/entry_changes.h"
#include "entries/entry_edit.h"
#include "output/calibration_dialog.h"
#include "output/convert.h"
#include "output/pdf_save.h"
#include "output/print.h"
#include "output/print_pages.h"
#include "output/print_table.h"
#include "resources/resource.h"
#include "shell/command_line.h"
#include "shell/help_texts.h"
#include "shell/shell_globals.h"
#include "view/form_fields.h"
#include "view/form_image.h"
#include "view/view_state.h"
#include "entries/entry_style.h"
#include "view/view_globals.h"

// Both Open commands: 40040 shows the form with its entries, 40041 blanks
// it. A cancelled dialog still leaves the size and mode chosen. An entry
// being edited is ended first; if a picked entry can't go back into its
// file, nothing else happens, so it can never land in another form's file.
static bool StartOpen(bool entriesOnly)
{
    if (!CancelEntryEdit())
        return false;
    if (!entriesOnly)
        StartAtHalfSize();
    SetEntriesOnlyMode(entriesOnly);
    return true;
}

// What follows once gChosenPath and gFileTitle name the form.
static void OpenChosenForm()
{
    ResetViewOrigin();
    UseTextColour(RGB(0, 0, 0));
    RememberDialogFolder(gChosenPath);
    OpenForm(gChosenPath);
}

static void OnOpenForm(bool entriesOnly)
{
    if (!StartOpen(entriesOnly) || !GetOpenFileNameA(&gBmpOpenDialog))
        return;
    OpenChosenForm();
}

// Opens a form chosen without the dialog, as if the dialog had chosen it.
static void OpenNamedForm(const char* path, const char* title)
{
    memcpy(gChosenPath, path, strlen(path) + 1);
    memcpy(gFileTitle, title, strlen(title) + 1);
    OpenChosenForm();
}

// After a command's dialogs, message boxes and outside programs, the
// keyboard is the program's again, whatever window had it last: the entry
// box while an entry is open, else the main window. So the next key works
// without a click.
static void TakeKeyboardBack()
{
    // A command handled inside a message box or dialog (the main window is
    // disabled while it is open) leaves the keyboard to that box.
    if (!IsWindow(gMainWindow) || !IsWindowEnabled(gMainWindow))
        return;
    SetForegroundWindow(gMainWindow);
    SetFocus(EntryBoxOpen() ? EntryBoxWindow() : gMainWindow);
}

// Opens a form named without a dialog (the command line, a drop). A PDF is
// converted first (or found converted), then its page 1 opens.
static void OpenNamedFile(char path[PathBufferSize], char title[PathBufferSize])
{
    if (StartOpen(false)) {
        char page[PathBufferSize];
        if (!IsPdfName(path))
            OpenNamedForm(path, title);
        else if (ConvertPdfInOneStep(path, page))
            OpenNamedForm(page, FileNameOf(page));
    }
    TakeKeyboardBack();
}

void OpenFormFromCommandLine(const char* arguments)
{
    char path[PathBufferSize], title[PathBufferSize];
    if (FormNamedOnCommandLine(arguments, path, title))
        OpenNamedFile(path, title);
}

void OpenDroppedFile(HDROP drop)
{
    char path[PathBufferSize] = "";
    UINT files = DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    UINT length = files > 0 ? DragQueryFileA(drop, 0, path, PathBufferSize) : 0;
    DragFinish(drop);
    if (files != 1) {
        ShowMessage("Drop one form or PDF at a time.", NULL, MB_OK);
        return;
    }
    if (length == 0 || length >= (UINT)PathBufferSize) {
        ShowMessage("The path of the file dropped is too long to open.", NULL, MB_OK);
        return;
    }
    char title[PathBufferSize];
    lstrcpynA(title, FileNameOf(path), PathBufferSize);
    OpenNamedFile(path, title);
}

// The neighbouring page of the form on screen, if there is one. A page whose
// path can't be kept is named to the user.
static bool NeighbourPageOf(PageStep step, char path[PathBufferSize], char title[PathBufferSize])
{
    PageList pages;
    if (!gFormImage.imageLoaded || !ListDocumentPages(gFormImage.formPath, &pages))
        return false;
    int i = NeighbourPage(pages, FileNameOf(gFormImage.formPath), step);
    bool found = i >= 0 && PagePathOf(gFormImage.formPath, pages.names[i], path);
    if (found) {
        memcpy(title, pages.names[i], PathBufferSize);
    } else if (i >= 0) {
        char text[PathBufferSize + 200];
        wsprintfA(text, "The page %s can't be opened.\n%s", pages.names[i], PagePathTooLongText);
        ShowMessage(text, NULL, MB_OK);
    }
    FreePageList(&pages);
    return found;
}

// Next page (Page Down) and Previous page (Page Up): the neighbouring page
// of the form's document opens as the Open command opens a form, in the
// same blank or ordinary mode and at the same zoom. On the last (first)
// page nothing happens.
static void OnPageCommand(PageStep step)
{
    char path[PathBufferSize], title[PathBufferSize];
    if (NeighbourPageOf(step, path, title) && CancelEntryEdit())
        OpenNamedForm(path, title);
}

// Convert .pdf to .bmp: Ghostscript makes the pages, then the user picks
// one, as with the first Open command. Its own dialogs leave an entry being
// typed alone, and give the keyboard back to it.
static void OnConvert()
{
    HWND focus = GetFocus();
    if (ConvertPdf())
        OnOpenForm(false);
    else if (focus && IsWindow(focus))
        SetFocus(focus);
}

// ---- the mode, font and help commands ----

ModeOutcome ModesAfterCommand(EntryModeFlags modes, int id)
{
    ModeOutcome outcome = { false, modes };
    switch (id) {
    case IDM_LEFT_JUSTIFIED:
        outcome.modes.leftJustified = 1;
        break;
    case IDM_RIGHT_JUSTIFIED:
        if (modes.verticalText)
            outcome.refused = true;
        else
            outcome.modes.leftJustified = 0;
        break;
    case IDM_HORIZONTAL:
        outcome.modes.verticalText = 0;
        break;
    case IDM_VERTICAL:
        if (!modes.leftJustified)
            outcome.refused = true;
        else
            outcome.modes.verticalText = 1;
        break;
    }
    return outcome;
}

COLORREF TextColourAfterFontChoice(int formBitCount, COLORREF current, COLORREF chosen)
{
    return formBitCount > 1 ? chosen : current;
}

// Each mode shows as a check mark on one item of its pair.
static void ShowModeChecks(EntryModeFlags modes)
{
    CheckMenuItem(gMainMenu, IDM_LEFT_JUSTIFIED, modes.leftJustified ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(gMainMenu, IDM_RIGHT_JUSTIFIED, modes.leftJustified ? MF_UNCHECKED : MF_CHECKED);
    CheckMenuItem(gMainMenu, IDM_HORIZONTAL, modes.verticalText ? MF_UNCHECKED : MF_CHECKED);
    CheckMenuItem(gMainMenu, IDM_VERTICAL, modes.verticalText ? MF_CHECKED : MF_UNCHECKED);
}

// An open edit is left alone: it picks the new mode up at its next step.
static void OnModeCommand(int id)
{
    ModeOutcome outcome = ModesAfterCommand(gEntryModes, id);
    if (outcome.refused) {
        ShowMessage("I didn't write any right-justified vertical entry routines.", "Sorry", MB_OK);
        return;
    }
    UseEntryModes(outcome.modes);
    ShowModeChecks(gEntryModes);
}

// The dialog opens on gCurrentFont and keeps its colour for next time; the
// chosen font and colour are those of new entries. Entries already stored
// keep their own font.
static void OnFont()
{
    if (!CancelEntryEdit())
        return;
    gFontDialogChoice = gCurrentFont;
    if (!ChooseFontA(&gFontDialog))
        return;
    UseChosenFont(gFontDialogChoice, TextColourAfterFontChoice(gFormImage.headerCopy.biBitCount,
                                                              gCurrentTextColour, gFontDialog.rgbColors));
    InvalidateRect(gMainWindow, NULL, TRUE);
}

// A help box: `text` under `caption`, with only an OK button. The keyboard
// focus goes back where it was when the box closes.
static void OnHelpBox(const char* caption, const char* text)
{
    if (CancelEntryEdit())
        ShowMessage(text, caption, MB_OK);
}

static void OnExit()
{
    if (CancelEntryEdit())
        SendMessageA(gMainWindow, WM_CLOSE, 0, 0);
}

void OnCommand(int id)
{
    switch (id) {
    case IDM_CONVERT_PDF: OnConvert(); break;
    case IDM_OPEN_BMP: OnOpenForm(false); break;
    case IDM_OPEN_ORIGINAL: OnOpenForm(true); break;
    case IDM_PRINT: OnPrint(); break;
    case IDM_EXIT: OnExit(); break;
    case IDM_ZOOM_IN: ZoomIn(); break;
    case IDM_ZOOM_OUT: ZoomOut(); break;
    case IDM_LEFT_JUSTIFIED: OnModeCommand(id); break;
    case IDM_RIGHT_JUSTIFIED: OnModeCommand(id); break;
    case IDM_HORIZONTAL: OnModeCommand(id); break;
    case IDM_VERTICAL: OnModeCommand(id); break;
    case IDM_FONT: OnFont(); break;
    case IDM_HELP_USING: OnHelpBox("Help", UsageText); break;
    case IDM_HELP_GHOSTSCRIPT: OnHelpBox("GhostScript", GhostscriptText); break;
    case IDM_HELP_ADVANCED: OnHelpBox("Advanced", AdvancedText); break;
    case IDM_HELP_FORMULAS: OnHelpBox("Formula Help", FormulaText); break;
    case IDM_HELP_ABOUT: OnHelpBox("Scrivelander", AboutText); break;
    case IDM_EDIT_HELP: OnHelpBox("Edit Help", EditHelpText); break;
    case IDM_HELP_FILLING_FIELDS: OnHelpBox("Filling fields", FillingFieldsText); break;
    case IDM_UNDO: OnUndoCommand(); break;
    case IDM_REDO: OnRedoCommand(); break;
    case IDM_SHOW_FIELDS: ToggleShowFields(); break;
    case IDM_SNAP_TO_FIELDS: ToggleSnapToFields(); break;
    case IDM_PRINT_CALIBRATION: OnPrintCalibration(); break;
    case IDM_NEXT_PAGE: OnPageCommand(NextPage); break;
    case IDM_PREVIOUS_PAGE: OnPageCommand(PreviousPage); break;
    case IDM_PRINT_ALL_PAGES: OnPrintAllPages(); break;
    case IDM_PRINT_FROM_TABLE: OnPrintFromTable(); break;
    case IDM_SAVE_AS_PDF: OnSaveAsPdf(); break;
    }
    // Every command, whatever it did, disarms the right button: a placement
    // needs a press after the last command. (The entry box's notifications
    // come as command 0 and leave the keyboard where it is.)
    DisarmRightButton();
    if (id != 0)
        TakeKeyboardBack();
}

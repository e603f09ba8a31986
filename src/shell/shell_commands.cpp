// The mode, font and help commands.
#include "shell/shell_commands.h"

#include "entries/entry_edit.h"
#include "resources/resource.h"
#include "view/form_image.h"
#include "entries/entry_style.h"
#include "view/view_globals.h"

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
void OnModeCommand(int id)
{
    ModeOutcome outcome = ModesAfterCommand(gEntryModes, id);
    if (outcome.refused) {
        ShowMessage("I didn't write any right-justified vertical entry routines.", "Sorry", MB_OK);
        return;
    }
    gEntryModes = outcome.modes;
    ShowModeChecks(gEntryModes);
}

// The dialog opens on gCurrentFont and keeps its colour for next time; the
// chosen font and colour are those of new entries. Entries already stored
// keep their own font.
void OnFont()
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

void OnHelpBox(const char* caption, const char* text)
{
    if (CancelEntryEdit())
        ShowMessage(text, caption, MB_OK);
}

// Deleting the entry under the pointer, and showing a formula in the title
// bar while the pointer rests on it.
#include "entries/entry_hover.h"

#include "entries/entry_changes.h"
#include "entries/entry_geometry.h"
#include "view/form_image.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

// Set when the pointer came onto an entry from outside all entries; the
// title is then left alone until the pointer is over no entry.
static bool gHoverLatched = false;

void OnHover()
{
    if (gEntryModes.verticalText == 1)
        return;
    int slot = HoverHit(gViewState.offsetX + gViewState.pointerX, gViewState.offsetY + gViewState.pointerY);
    if (slot >= 0) {
        if (!gHoverLatched) {
            gHoverLatched = true;
            if (gEntryTable[slot].text[0] == '#')
                ShowTitle(gEntryTable[slot].text);
        }
        return;
    }
    if (gHoverLatched)
        ShowFormTitle();
    gHoverLatched = false;
}

void OnDeleteKey()
{
    if (gHoverLatched) {
        gHoverLatched = false;
        ShowFormTitle();
    }
    if (gEntryCount == 0)
        return;
    int slot = HitTestEntries(gViewState.offsetX + gViewState.pointerX, gViewState.offsetY + gViewState.pointerY);
    if (slot >= 0)
        DeleteEntry(slot);
}

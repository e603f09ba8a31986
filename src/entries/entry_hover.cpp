// Deleting the entry under the pointer, and showing a formula in the title
// bar while the pointer rests on it.
#include "entries/entry_hover.h"

#include "entries/entry_changes.h"
#include "entries/entry_geometry.h"
#include "view/form_image.h"

// Set when the pointer came onto an entry from outside all entries; the
// title is then left alone until the pointer is over no entry.
static bool hoverLatched = false;

void OnHover()
{
    if (EntryModes.verticalText == 1)
        return;
    int slot = HoverHit(ViewState.offsetX + ViewState.pointerX, ViewState.offsetY + ViewState.pointerY);
    if (slot >= 0) {
        if (!hoverLatched) {
            hoverLatched = true;
            if (EntryTable[slot].text[0] == '#')
                ShowTitle(EntryTable[slot].text);
        }
        return;
    }
    if (hoverLatched)
        ShowFormTitle();
    hoverLatched = false;
}

void OnDeleteKey()
{
    if (hoverLatched) {
        hoverLatched = false;
        ShowFormTitle();
    }
    if (EntryCount == 0)
        return;
    int slot = HitTestEntries(ViewState.offsetX + ViewState.pointerX, ViewState.offsetY + ViewState.pointerY);
    if (slot >= 0)
        DeleteEntry(slot);
}

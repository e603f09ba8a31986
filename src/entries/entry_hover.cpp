// Deleting the entry under the pointer, and showing a formula in the title
// bar while the pointer rests on it.
#include "entries/entry_edit.h"
#include "shell/main_window.h"

// Set when the pointer came onto an entry from outside all entries; the
// title is then left alone until the pointer is over no entry.
static bool hoverLatched = false;

int HoverHitIn(const EntryRecord* table, int px, int py)
{
    for (int i = 0; i < EntryTableSlots && table[i].x != 0; i++) {
        const EntryRecord& r = table[i];
        int left = r.rightJustified ? r.x - r.width : r.x;
        if (left < px && px < left + r.width && r.y < py && py < r.y + r.height)
            return i;
    }
    return -1;
}

void OnHover()
{
    if (EntryModes.verticalText == 1)
        return;
    int slot = HoverHitIn(EntryTable, ViewState.offsetX + ViewState.pointerX, ViewState.offsetY + ViewState.pointerY);
    if (slot >= 0) {
        if (!hoverLatched) {
            hoverLatched = true;
            if (EntryTable[slot].text[0] == '#')
                ShowTitle(EntryTable[slot].text);
        }
        return;
    }
    if (hoverLatched)
        ShowTitle(FileTitle);
    hoverLatched = false;
}

void OnDeleteKey()
{
    if (hoverLatched) {
        hoverLatched = false;
        ShowTitle(FileTitle);
    }
    if (EntryTable[0].x == 0)
        return;
    int slot = HitTestEntries(ViewState.offsetX + ViewState.pointerX, ViewState.offsetY + ViewState.pointerY);
    if (slot >= 0)
        RemoveEntryRecord(slot);
}

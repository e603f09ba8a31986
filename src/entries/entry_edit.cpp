#include "entries/entry_edit.h"

#include "view/view_state.h"

bool rightButtonArmed = false;
bool boxOpen = false;

void CancelEntryEdit()
{
    boxOpen = false;
}

void OnPointerMove(WPARAM wParam, LPARAM lParam)
{
    // Read as unsigned words, as the left-button drag reads them.
    int scale = ViewState.halfSize ? 2 : 1;
    ViewState.pointerX = LOWORD(lParam) * scale;
    ViewState.pointerY = HIWORD(lParam) * scale;
}

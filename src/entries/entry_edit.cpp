#include "entries/entry_edit.h"

bool rightButtonArmed = false;
bool boxOpen = false;

void CancelEntryEdit()
{
    boxOpen = false;
}

// Filling a form's found fields: Tab from field to field, an entry seated to
// fit its field (a comb a character to a cell, an "X" in a check box), and
// Snap to fields. The edit itself is entries/entry_edit's: this file hands
// it the seat of the field, and the box hands its Tab and its characters
// back up here.
#ifndef SCRIVELANDER_FIELD_TAB_H
#define SCRIVELANDER_FIELD_TAB_H

// At start: the entry box hands its Tab and characters to this file.
void InstallFieldKeys();

// Tab (Shift+Tab: `backward`) in the main window with no entry open: opens
// the next (previous) found field after the last one visited, the first at
// the start. Nothing happens when the form has no fields.
void OnTabKey(bool backward);

// The right button's release: with Snap to fields on, a release for a new
// entry inside a field opens that field as Tab does (the entry already in
// it is picked up; an empty one is seated). Otherwise as always.
void OnRightButtonRelease(int wx, int wy);

#endif

// Deleting the entry under the pointer, and showing a formula in the title
// bar while the pointer rests on it.
#ifndef SCRIVELANDER_ENTRY_HOVER_H
#define SCRIVELANDER_ENTRY_HOVER_H

// The Delete key: the entry under the last pointer position leaves the
// entry file, and the form is reloaded without it.
void OnDeleteKey();

// A pointer move while no entry is being placed: a formula entry that the
// pointer comes onto shows its formula in the title.
void OnHover();

#endif

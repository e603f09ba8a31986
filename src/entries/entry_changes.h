// Every change the user makes to the entries: it is made in the entry file
// (entries/entry_file), kept for undo and redo (entries/entry_history), and
// followed by reading the file again, so the table and the picture show the
// file as it is. A change names the record it acts on by its bytes and its
// place in the file, and is refused when the file holds something else there.
#ifndef SCRIVELANDER_ENTRY_CHANGES_H
#define SCRIVELANDER_ENTRY_CHANGES_H

#include "entries/entry_record.h"

// Opens the form at `path` with its entries. A form that loads starts a
// history of its own, and the user is offered the entries kept in its
// recovery file back. A form whose entries would be written into its own
// picture is refused. False when the file was refused: the form on screen, and
// the entry file that changes go to, stay as they were.
bool OpenForm(const char* path);

// The Delete key: takes the entry of a table slot out of the entry file.
void DeleteEntry(int slot);

// The release on a picked entry: takes its records (the bytes read into the
// table, at positions `slots`: one, or the cells of a comb) out of the entry
// file at `path` while they are edited, in one replacement. The records go
// first into the recovery file beside the entry file (`keptAt` receives
// where), so that at every moment, through a crash or a power cut, they are
// in one of the two files. Their changes up to EndEditStep make one step.
// False, with the user told, when either file could not be changed; both are
// then as they were.
bool TakeOutEntries(const char* path, const int* slots, const uint8_t* records, int count, uint32_t* keptAt);

// Stores `count` records (a comb's cells, or one entry) after the last one
// of the entry file at `path`, the file of the form on screen (an edit ends
// before another form opens), in one replacement: all of them or none. Shows
// them. False, with the entry's text in a message, when the file can't take
// them.
bool StoreEntries(const char* path, const uint8_t* records, int count, const char* entryText);

// An edit has ended: what it changed is one step.
void EndEditStep();

// Windows is ending and nothing can be asked: picked records go back into
// their entry file if they can, and otherwise stay in the recovery file
// beside it, where their pick-up put them at `keptAt`.
void SaveEntriesAtSessionEnd(const char* path, const uint8_t* records, int count, uint32_t keptAt);

// Puts the entry file back as it was before the last change, or as it was
// after the change undone last. Refused, with a message, when the file is
// no longer as that change left it.
void UndoEntryChange();
void RedoEntryChange();

#endif

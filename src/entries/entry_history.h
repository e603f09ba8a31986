// The changes made to the open form's entry file, for undo and redo: each
// step keeps the file's whole content before and after it. The bookkeeping
// here is a function of values; entries/entry_changes.cpp makes the steps
// and applies them to the file.
#ifndef SCRIVELANDER_ENTRY_HISTORY_H
#define SCRIVELANDER_ENTRY_HISTORY_H

#include "entries/entry_file.h"
#include "entries/entries_globals.h"

// A change the program made to the entry file, with its content before and
// after; both become the history's (the caller's are emptied). On its own
// it is one step; while grouping it joins the step being made. A step that
// leaves the file as it was is not kept. Keeping a step drops the steps
// that were undone, and the oldest ones beyond the limits.
void KeepChange(EntryHistory& history, EntryFileBytes& before, EntryFileBytes& after);

// From a pick-up to its commit, every change makes one step.
void BeginGroup(EntryHistory& history);
void EndGroup(EntryHistory& history);

// The step that undo or redo would apply; -1 when there is none.
int StepToUndo(const EntryHistory& history);
int StepToRedo(const EntryHistory& history);

// After the file was given a step's before (undo) or after (redo).
void StepUndone(EntryHistory& history);
void StepRedone(EntryHistory& history);

// Drops every step: another form was opened.
void ForgetHistory(EntryHistory& history);

// The bytes all kept steps hold.
uint32_t HistoryBytes(const EntryHistory& history);

#endif

// The changes made to the open form's entry file, for undo and redo: each
// step keeps the file's whole content before and after it. The bookkeeping
// here is a function of values; entries/entry_changes.cpp makes the steps
// and applies them to the file.
#ifndef SCRIVELANDER_ENTRY_HISTORY_H
#define SCRIVELANDER_ENTRY_HISTORY_H

#include "entries/entry_file.h"

const int HistoryLimit = 100;
// The oldest steps go sooner when the entry file is huge (an ordinary file
// of 200 records keeps all 100 steps in a quarter of this).
const uint32_t HistoryByteLimit = 32 * 1024 * 1024;

struct HistoryStep {
    EntryFileBytes before;
    EntryFileBytes after;
};

struct EntryHistoryFields {
    HistoryStep steps[HistoryLimit];   // oldest first
    int count;                         // steps kept
    int applied;                       // steps[0 .. applied) are in the file: undo takes applied - 1
    int made;                          // steps ever kept: tells a caller whether its change became one
    bool grouping;                     // an entry is picked up: its changes make one step
    bool pending;                      // `open` holds the changes of the step being made
    HistoryStep open;
};

// The open form's history: written by entries/entry_changes.cpp.
extern EntryHistoryFields EntryHistory;

// A change the program made to the entry file, with its content before and
// after; both become the history's (the caller's are emptied). On its own
// it is one step; while grouping it joins the step being made. A step that
// leaves the file as it was is not kept. Keeping a step drops the steps
// that were undone, and the oldest ones beyond the limits.
void KeepChange(EntryHistoryFields& history, EntryFileBytes& before, EntryFileBytes& after);

// From a pick-up to its commit, every change makes one step.
void BeginGroup(EntryHistoryFields& history);
void EndGroup(EntryHistoryFields& history);

// The step that undo or redo would apply; -1 when there is none.
int StepToUndo(const EntryHistoryFields& history);
int StepToRedo(const EntryHistoryFields& history);

// After the file was given a step's before (undo) or after (redo).
void StepUndone(EntryHistoryFields& history);
void StepRedone(EntryHistoryFields& history);

// Drops every step: another form was opened.
void ForgetHistory(EntryHistoryFields& history);

// The bytes all kept steps hold.
uint32_t HistoryBytes(const EntryHistoryFields& history);

#endif

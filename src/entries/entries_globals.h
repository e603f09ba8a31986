// The entries' process-wide state, grouped by the file that writes it.
// Only that file writes a group; every other file reads it or calls the
// owner's functions. The state a single file keeps to itself is static
// there and is named at the end.
#ifndef SCRIVELANDER_ENTRIES_GLOBALS_H
#define SCRIVELANDER_ENTRIES_GLOBALS_H

#include <windows.h>
#include <stdint.h>

#include "base/program_state.h"
#include "entries/record_layout.h"

// ---- Written by entries/entry_record.cpp ----
// The open form's entries: slot i holds record i of its entry file. Scans
// (hit tests, formula references) stop at the first slot whose x is 0.
extern EntryRecord gEntryTable[EntryTableSlots];
// How many slots the last ReadEntryFile filled: the file's records, at most
// 200. A new entry is stored as record gEntryCount and so shows in that slot.
extern int gEntryCount;

// ---- Written by entries/entry_style.cpp, through its functions (the Font
// and mode commands call them) ----
// The font and text colour of new entries.
extern LOGFONTA gCurrentFont;
extern COLORREF gCurrentTextColour;
// How new entries are placed.
struct EntryModeFlags {
    int leftJustified;   // 1 at start; 0 means right-justified
    int verticalText;    // 0 at start
};
extern EntryModeFlags gEntryModes;

// ---- Written by entries/entry_changes.cpp ----
// The whole content of an entry file, or the fact that there is none.
struct EntryFileBytes {
    bool exists;
    uint32_t size;
    uint8_t* data;   // `size` bytes on the heap; NULL when size is 0
};

const int HistoryLimit = 100;
// The oldest steps go sooner when the entry file is huge (an ordinary file
// of 200 records keeps all 100 steps in a quarter of this).
const uint32_t HistoryByteLimit = 32 * 1024 * 1024;

struct HistoryStep {
    EntryFileBytes before;
    EntryFileBytes after;
};

struct EntryHistory {
    HistoryStep steps[HistoryLimit];   // oldest first
    int count;                         // steps kept
    int applied;                       // steps[0 .. applied) are in the file: undo takes applied - 1
    int made;                          // steps ever kept: tells a caller whether its change became one
    bool grouping;                     // an entry is picked up: its changes make one step
    bool pending;                      // `open` holds the changes of the step being made
    HistoryStep open;
};

// The open form's undo and redo history.
extern EntryHistory gEntryHistory;

// ---- Written by entries/entry_draw.cpp ----
// Set at start; the first load of the run that draws an entry makes that
// entry's font the default font and clears it.
extern bool gAdoptFirstEntryFont;

// ---- Written by entries/entry_file.cpp (and by tests) ----
// Shows a problem with the entry file to the user: a message box on the
// main window. Tests put their own function here.
extern void (*gShowEntryFileProblem)(const char* text);

// ---- Declared with the code that owns it ----
// entries/formula.h: gEvaluationCount, the evaluations of formula texts
//   since the last top-level evaluation began, written by
//   entries/formula.cpp (the formula code builds without Windows, for the
//   fuzz targets); and static there, gLabelIndex, the labels of the table
//   being evaluated.

// ---- Kept inside their owner file (static there) ----
// entries/entry_edit.cpp: gEdit, the placement or edit under way (read
//   through EntryBoxOpen, EntryBoxWindow, EntryPickHeld, EditedField).
// entries/entry_record.cpp: gTableBytes, the table's records as stored.
// entries/entry_hover.cpp: gHoverLatched, whether the hover shows a formula.
// entries/entry_changes.cpp: gPictureLossTold, whether a deleted picture
//   was told.

#endif

// The output's process-wide state (conversion and printing), grouped by
// the file that writes it. Only that file writes a group; every other file
// reads it or calls the owner's functions. The state a single file keeps
// to itself is static there and is named at the end.
#ifndef SCRIVELANDER_OUTPUT_GLOBALS_H
#define SCRIVELANDER_OUTPUT_GLOBALS_H

#include "base/program_state.h"

// ---- Written by output/convert.cpp ----
// Where Ghostscript is looked for. The three strings begin with the same
// folder, so each carries the version ("9.05" at start) at a fixed place:
// characters 22 to 25 of the directory and program paths, and 23 to 26 of
// the command line, which starts with a double quote so that the blank in
// "Program Files" does not split the program path. The search changes all
// three together; the version it ends on stays for the rest of the run.
struct GhostscriptLocator {
    char directory[PathBufferSize];
    char program[PathBufferSize];
    char commandLine[PathBufferSize];   // rebuilt after CommandLineBaseLength by each conversion
};
extern GhostscriptLocator gGhostscript;

// The open dialog of the conversion; the common dialog updates it in
// place, so it opens with what it returned last time.
extern OPENFILENAMEA gPdfOpenDialog;

// ---- Written by output/print.cpp ----
// The print dialog keeps the user's printer choice between prints.
extern PRINTDLGA gPrintDialog;
extern DOCINFOA gPrintDocInfo;

// ---- Written by output/print_table.cpp: the table chosen for copies, in
// buffers of its own, so the form on screen keeps its name and path ----
extern char gTablePath[PathBufferSize];
extern char gTableTitle[PathBufferSize];
extern OPENFILENAMEA gTableOpenDialog;

// ---- Written by output/pdf_dialog.cpp ----
// 1 "Black & White", 2 "Shades of Gray", 3 "Full Color"; 2 whenever the
// dialog opens.
extern int gColourMode;

// ---- Kept inside their owner file (static there) ----
// output/print_pages.cpp: gPageEntries, the entries of a page being printed.
// output/convert_wait.cpp: gCancelPressed, the conversion's Cancel.
// output/calibration_dialog.cpp: gDialogPrinter, gDialogPaper, the printer
//   the calibration dialog is open for.
// output/calibration.cpp: gWideText, the calibration file's text as UTF-16
//   between its encoding and the code page.

#endif

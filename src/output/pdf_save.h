// Save as PDF: the document of the form on screen as one PDF file, a page
// for each of its pages in page order (the one form when it has no pages),
// each at its picture's own size at its resolution, the picture at its own
// depth and the entries as text in their own embedded fonts, placed where
// the program draws them. In the mode "To print entries on Original form"
// the pictures are left out. Calibration and print scaling don't apply:
// the file is at true size. It is written to a temporary file beside the
// target, which then takes the target's place; the form, its pages and
// their entry files are only read.
#ifndef SCRIVELANDER_PDF_SAVE_H
#define SCRIVELANDER_PDF_SAVE_H

#include <windows.h>
#include <stdint.h>

#include "base/file_io.h"
#include "base/program_state.h"

// ---- the arithmetic and the texts, free of window calls ----

// The resolution a page of unknown resolution is saved at.
const int UnknownPageDpi = 300;

// The dots per inch a page is saved at: its own to the nearest whole dot,
// or UnknownPageDpi when the program knows none (as printing finds it).
double SavedPageDpi(int32_t pixelsPerMeter);

// The name proposed for the PDF: the form's file name (without its folder)
// with its extension replaced by "pdf". False when it would not fit.
bool ProposedPdfName(const char* formPath, char name[PathBufferSize]);

// Why a target can't be written, in a sentence for the user, from the
// outcome of the writing and the system's error.
const char* SaveFailureReason(ReplaceOutcome outcome, DWORD error);

// ---- the saving ----

// Writes the pages at `pagePaths` (each a form's bitmap file, its entries
// read from its own entry file) as one PDF at `target`, the pictures left
// out when `blank`, each entry's missing font fields taken from `baseFont`.
// NULL when the file was saved; otherwise why not, in a sentence for the
// user, with the target as it was; `failedPage` then names the page at
// fault (empty when it was the target).
const char* SavePdfFile(const char* target, const char* const* pagePaths, int count, bool blank,
                        const LOGFONTA& baseFont, char failedPage[PathBufferSize]);

// Command "Save as PDF...".
void OnSaveAsPdf();

#endif

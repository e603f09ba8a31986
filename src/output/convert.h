// Converting a PDF into one .bmp per page with Ghostscript's console program
// gswin32c, found under C:\Program Files\gs by stepping its version upward
// from 9.05. Once Ghostscript has made the pages, the command goes on to the
// .bmp open dialog, so the user can pick a page.
#ifndef SCRIVELANDER_CONVERT_H
#define SCRIVELANDER_CONVERT_H

#include "base/program_state.h"
#include "output/output_globals.h"

const int VersionField = 22;              // in directory and program
const int CommandLineVersionField = 23;   // after the opening quote
const int CommandLineBaseLength = 69;     // "\"C:\\...\\gswin32c\" -dBATCH -dNOPAUSE -sDEVICE="
const char GhostscriptPattern[] = "C:\\Program Files\\gs\\gs*";

GhostscriptLocator InitialGhostscriptLocator();

// The version of a locator as text, such as "9.05".
void LocatorVersion(const GhostscriptLocator& locator, char version[5]);

// Steps the version of all three strings: the last minor digit first, a
// carry into the first minor digit, and from there into the major digit.
// Returns false and changes nothing at 9.99, past which the major digit
// would leave the digits.
bool StepGhostscriptVersion(GhostscriptLocator& locator);

enum LocateResult { GhostscriptFound, GhostscriptNotYet, GhostscriptSearchEnded };

// One step of the search, given whether the locator's directory exists as
// a directory: found; or stepped to the next version; or ended at 9.99.
LocateResult LocateStep(GhostscriptLocator& locator, bool directoryExists);

// The Ghostscript device of a colour mode of the conversion dialog:
// 1 "bmpmono", 2 "bmpgray", 3 "bmp16m"; NULL for any other mode.
const char* DeviceOfColourMode(int colourMode);

// The stem of the page files: a PDF's name up to its first "." (all of it
// when it has none). Returns its length.
int StemLength(const char* fileTitle);

// Rewrites the command line after its base: the device, " -r" and up to
// three characters of the resolution text, the output pattern with the
// quoted stem and "%d.bmp", and the quoted PDF name. Returns false, leaving
// the line as it was, when the result would not fit its 260 bytes or the
// colour mode is unknown.
bool BuildGhostscriptCommandLine(char commandLine[PathBufferSize], int colourMode,
                                 const char* resolutionText, const char* fileTitle);

// How many characters the stem and the PDF's name may have together in a
// line with this device and resolution text (for the refusal message).
int CommandLineRoom(int colourMode, const char* resolutionText);

// Command 40034, "Convert .pdf to .bmp", up to the end of Ghostscript: it
// runs in the PDF's folder and is waited for (output/convert_wait.h).
// Returns true when it made the pages, so the caller opens the page dialog;
// false when the command ended with a message (a failed conversion is told,
// with Ghostscript's exit code and the pages made) or was cancelled.
bool ConvertPdf();

// ---- a PDF opened in one step (its name on the command line) ----

const int GrayColourMode = 2;   // "Shades of Gray"

// Whether a path names a PDF: it ends in ".pdf", in any case.
bool IsPdfName(const char* path);

// The resolution a PDF opened in one step is converted at: the one last
// used (the settings' text, when it is a number), else 300.
void OneStepResolution(const char* lastUsed, char resolution[5]);

// Converts the PDF at `path` (a full path) as the command does, without its
// dialogs: in gray, at OneStepResolution, asking before pages that hold
// entries are written over. When its pages are all newer than the PDF and
// page 1 has that resolution, nothing is converted again. True with the
// path of page 1 in `firstPage`; false after the user was told why (or
// cancelled).
bool ConvertPdfInOneStep(const char* path, char firstPage[PathBufferSize]);

#endif

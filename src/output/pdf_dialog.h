// The conversion dialog "PDFTOBMP": the colour mode of the pages to make and
// the printer resolution they are rendered at. OK remembers the resolution
// in the settings file in the start-up directory, which the next start reads.
#ifndef SCRIVELANDER_PDF_DIALOG_H
#define SCRIVELANDER_PDF_DIALOG_H

#include "shell/main_window.h"

// 1 "Black & White", 2 "Shades of Gray", 3 "Full Color"; 2 whenever the
// dialog opens.
extern int ColourMode;

// Shows the dialog. Returns 1 for OK, with ResolutionText and ColourMode set
// and the settings file written; 0 for Cancel, with nothing changed.
int RunConversionDialog();

// ---- the settings file, free of window calls ----

const char SettingsKey[] = "PrinterResolution=";
const int SettingsKeyLength = 18;
const int SettingsContentLimit = SettingsKeyLength + 3;

// The settings file's full path: the start-up directory, "\" and its name.
// Returns false when the start-up directory is unknown (empty) or the path
// would not fit its 260 bytes.
bool SettingsFilePath(const char* startupDirectory, char path[PathBufferSize]);

// The settings file's bytes for a resolution text of up to three characters:
// "PrinterResolution=" and the text, no line end, no terminating zero.
// Returns their number, 18 + n.
int SettingsFileContent(const char* resolutionText, char content[SettingsContentLimit]);

#endif

// The conversion dialog "PDFTOBMP": the colour mode of the pages to make and
// the printer resolution they are rendered at. OK remembers the resolution
// in the settings file in the start-up directory, which the next start reads.
#ifndef SCRIVELANDER_PDF_DIALOG_H
#define SCRIVELANDER_PDF_DIALOG_H

#include "base/settings.h"

// 1 "Black & White", 2 "Shades of Gray", 3 "Full Color"; 2 whenever the
// dialog opens.
extern int ColourMode;

// Shows the dialog. Returns 1 for OK, with ResolutionText and ColourMode set
// and the settings file written; 0 for Cancel, with nothing changed.
int RunConversionDialog();

#endif

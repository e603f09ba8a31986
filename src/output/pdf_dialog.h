// The conversion dialog "PDFTOBMP": the colour mode of the pages to make and
// the printer resolution they are rendered at. OK remembers the resolution
// in the settings file in the start-up directory, which the next start reads.
#ifndef SCRIVELANDER_PDF_DIALOG_H
#define SCRIVELANDER_PDF_DIALOG_H

#include "base/settings.h"
#include "output/output_globals.h"

// Shows the dialog. Returns 1 for OK, with gResolutionText and gColourMode set
// and the settings file written; 0 for Cancel, with nothing changed.
int RunConversionDialog();

#endif

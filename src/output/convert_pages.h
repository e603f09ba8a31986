// The pages a conversion writes: Ghostscript names them after the PDF's
// stem and the page number from 1, with no leading zeros (Document1.bmp,
// Document2.bmp, ...), in the PDF's folder. Before a conversion the pages
// already there are noted, to ask before replacing those that hold entries;
// after it, the pages it made are counted against that note.
#ifndef SCRIVELANDER_CONVERT_PAGES_H
#define SCRIVELANDER_CONVERT_PAGES_H

#include "base/program_state.h"

// Whether `name` (without its folder) is a page a conversion with this
// stem writes: the stem, a page number from 1 with no leading zero, ".bmp".
// Letters compare as Windows compares file names, without regard to case.
bool IsConvertedPageName(const char* stem, int stemLength, const char* name);

// Writes the names, one after another with ", " between them, into `text`
// of `room` bytes. Names that don't fit are left out and counted at the end
// (" and 3 more"), so the text always ends within the room (at least 16).
void JoinPageNames(const char* const* names, int count, char* text, int room);

// One page of the folder: its name and when it was last written.
struct ConvertedPage {
    char name[PathBufferSize];
    FILETIME written;
    bool holdsEntries;   // its entry file has at least one record
};

struct ConvertedPages {
    ConvertedPage* pages;
    int count;
};

// The pages in `folder` (ending in "\\") now that a conversion with this
// stem writes. False (with nothing listed) when there is no memory for the
// list or the paths would not fit.
bool ListConvertedPages(const char* folder, const char* stem, int stemLength, ConvertedPages* list);
void FreeConvertedPages(ConvertedPages* list);

// How many pages of `after` are new or written again since `before`.
int PagesMadeSince(const ConvertedPages& before, const ConvertedPages& after);

#endif

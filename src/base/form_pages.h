// The pages of a document: the bitmaps of one folder whose names differ
// only in the decimal number right before ".bmp", as a conversion writes
// them (Document1.bmp, Document2.bmp, ...; my.form3.bmp, my.form4.bmp). A
// name with no number there has no other pages. The name arithmetic is
// kept apart from the listing of the folder, as functions of values.
//
// Names are compared as Windows compares file names, without regard to
// case (of the 26 letters): "scan1.BMP" and "Scan2.bmp" are pages of one
// document. A number's leading zeros don't count: page009 comes before
// page010, and page2 and page02 are the same page number, told apart by
// their names.
#ifndef SCRIVELANDER_FORM_PAGES_H
#define SCRIVELANDER_FORM_PAGES_H

#include "base/program_state.h"

// Where the page number of a file name (without its folder) stands:
// "my.form3.bmp" has the stem "my.form" (7 characters) and the digits "3".
struct PageNumberPlace {
    bool numbered;     // decimal digits stand right before the closing ".bmp"
    int stemLength;    // characters before the digits
    int digitCount;    // the digits, leading zeros included
};

PageNumberPlace FindPageNumber(const char* name);

// The file name within a path: what follows the last '\', '/' or ':'.
const char* FileNameOf(const char* path);

// Whether the file `name` is a page of the document of the page `form`
// (both names without their folder): both numbered, with the same stem.
bool SameDocument(const char* form, const char* name);

// The page order of two pages of one document: by the value of their
// numbers, then by their names. Negative, 0 (the same page) or positive.
int ComparePages(const char* a, const char* b);

// File names (without folder), kept in page order by SortPages.
struct PageList {
    char (*names)[PathBufferSize];
    int count;
    int room;
};

// Adds a name to the list. False when there is no memory for it.
bool AddPage(PageList* pages, const char* name);
void SortPages(PageList* pages);
void FreePageList(PageList* pages);

enum PageStep { NextPage = 1, PreviousPage = -1 };

// The index of the page that follows (`step` NextPage) or precedes the
// page named `form` among `pages`, sorted: the nearest in page order, so a
// missing page is passed over. `form` need not be among them. -1 when there
// is none, or `form` has no number.
int NeighbourPage(const PageList& pages, const char* form, PageStep step);

// The path of the page `name` beside the form at `formPath`: the form's
// folder, then the name. False when it would not fit in a path buffer.
bool PagePathOf(const char* formPath, const char* name, char pagePath[PathBufferSize]);

// Why a page can't be opened when PagePathOf has no room for it.
extern const char PagePathTooLongText[];

// The pages of the document of the form at `formPath`, in page order:
// every file of its folder (found with FindFirstFileA, folders left out)
// that is a page of it. A form without a number is its document's only
// page. False when the list can't be made (no memory; the user is not told).
bool ListDocumentPages(const char* formPath, PageList* pages);

#endif

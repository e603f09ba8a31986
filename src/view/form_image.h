// The form image: the opened bitmap in a DIB section selected into a memory
// device context. Entries are drawn into it; the view copies from it; the
// printout stretches it.
#ifndef SCRIVELANDER_FORM_IMAGE_H
#define SCRIVELANDER_FORM_IMAGE_H

#include <windows.h>
#include <stdint.h>

#include "base/program_state.h"
#include "view/view_globals.h"

// Reads the bitmap at `path` into the form image (the first load, and every
// reload after the entries change), records `path` as the form on screen
// with its entry file's path and sets the window's title to its name. The
// file is only read, shared with other readers. Returns true when the form
// image holds the picture; false when the file was refused or the platform
// could not make the picture (a DIB section, its device context). Then the
// previous picture, form path, entry file path and title stay as they were
// and the user has been told why, a file that can't be opened (missing, a
// folder, a device, held by another program) named with its reason; only a
// reload (`path` is gFormImage.formPath) that can't open the file leaves the
// telling to its caller. A large
// picture on screen is let go when the new one
// can't be made beside it; if the new one can't be made even then, the
// previous picture is read again from its file (pictureReadAgain is set:
// its entries must be drawn again), or, when it can't be, no form shows.
bool LoadFormImage(const char* path);

// The title of the main window: the name of the form on screen, or
// "Scrivelander" before the first form opens. A refused open or page move
// never changes it, whatever the open dialog chose.
const char* FormTitle();
void ShowFormTitle();

// Releases the DIB section, memory device context and header block.
void ReleaseFormImage();

// A second picture of the form as its bitmap file holds it, without the
// entries drawn into the form image (blank when the form image was loaded
// blank, in entries-only mode): the printout draws the entries itself.
// The form image and the window are left alone.
struct FormPicture {
    HDC dc;                // memory device context with the picture selected
    HBITMAP bitmap;
    HGDIOBJ previous;
};

// Reads the picture from the file the form image was loaded from. False,
// with nothing to release, when there is no form or the file can't be read
// again or no longer holds the picture that was loaded.
bool LoadFormPicture(FormPicture* picture);
void ReleaseFormPicture(FormPicture* picture);

// What the headers of a form's bitmap file tell.
struct FormFileFacts {
    int width, height;          // height is |biHeight|
    int32_t pixelsPerMeter;     // biXPelsPerMeter: the scanner resolution, 0 when unknown
};

// Reads the bitmap file at `path` with the checks of a load, leaving the
// form image and the window alone (another page of the form's document,
// for printing): its headers into `facts`, and when `picture` is not NULL
// its pixels into a picture of its own, blanked when `blank`, which the
// caller releases. NULL when the file was read; otherwise why not, in a
// sentence for the user, with nothing to release.
const char* ReadFormFile(const char* path, bool blank, FormFileFacts* facts, FormPicture* picture);

// Tells the view that the pixels of the form image changed, so no copy of
// the old picture is shown again: all of them (a load), or those within a
// rectangle (an entry drawn; image coordinates, right and bottom exclusive).
void FormImageChanged();
void FormImageRectChanged(const RECT& rect);

// The entry file beside a form: the path with its last three characters
// replaced by "dta" (C:\forms\1040.bmp gives C:\forms\1040.dta).
void EntryFilePathOf(const char* path, char entryPath[PathBufferSize]);

// Whether loads blank the picture so only the entries show and print:
// set by "To print entries on Original form", cleared by the other Open.
void SetEntriesOnlyMode(bool entriesOnly);

#endif

// The view's process-wide state, grouped by the file that writes it. Only
// that file writes a group; every other file reads it or calls the owner's
// functions. The state a single file keeps to itself is static there and
// is named at the end.
#ifndef SCRIVELANDER_VIEW_GLOBALS_H
#define SCRIVELANDER_VIEW_GLOBALS_H

#include <windows.h>
#include <stdint.h>
#include <vector>

#include "base/program_state.h"
#include "fields/field_types.h"

// ---- Written by view/form_image.cpp ----
// The form image: the picture on screen, with its entries drawn in.
// The opened bitmap in a DIB section selected into a memory device context.
struct FormImage {
    BITMAPFILEHEADER fileHeader;
    uint8_t* headerBlock;            // info header, masks and colour table as stored in the file
    uint32_t headerBlockSize;
    BITMAPINFOHEADER headerCopy;     // the first 40 bytes of the header block
    HBITMAP hBitmap;                 // the DIB section holding the pixels
    void* bits;                      // its pixel memory
    uint32_t imageBytes;             // size of that memory: row stride x height
    HDC hdcMem;                      // memory device context with hBitmap selected
    HGDIOBJ previousBitmap;          // what hdcMem held before hBitmap
    int width, height;               // height is |biHeight|
    int pixelByteCount;              // file size - bfOffBits
    bool resourcesHeld;              // hdcMem and hBitmap exist and must be released
    bool imageLoaded;                // some load has passed the header check
    bool EntriesOnlyMode;            // the picture is blanked so only entries show and print
    bool blanked;                    // the picture held was blanked when it was loaded
    bool pictureReadAgain;           // the last load let the picture on screen go for room and read it
                                     // again from its file: its entries must be drawn again
    unsigned version;                // changes whenever all the pixels may have changed
    char formPath[PathBufferSize];   // the bitmap on screen: every reload reads it again
    char entryFilePath[PathBufferSize];
};
extern FormImage gFormImage;
// Shows why a form was not loaded: a message box on the main window with
// no caption of its own. Tests put their own function here.
extern void (*gShowLoadMessage)(const char* text);

// ---- Written by view/view_state.cpp ----
// The view: which part of the form image the window shows.
struct ViewState {
    int offsetX, offsetY;        // the image pixel at the client area's top-left corner
    int halfSize;                // 1: two image pixels per screen pixel; 0: one
    int keyStep;                 // arrow-key step in full-size image pixels
    int keyLimitX, keyLimitY;    // largest offsets the keys reach
    int dragLimitX, dragLimitY;  // largest offsets a drag reaches
    int dragAnchorX, dragAnchorY;  // dragAnchorX -1: no drag under way
    int pointerX, pointerY;      // last pointer position in image scale
};
extern ViewState gViewState;

// ---- Written by view/form_fields.cpp ----
// The fields found on the form on screen, in reading order, and the two
// field settings of the Edit menu.
struct FormFieldsState {
    std::vector<FormField> found;   // found when a form or page opens (taken from its search by
                                    // WaitForFormFields); kept over its reloads
    int lastVisited;                // the field Tab last opened; -1: none since the open
    bool showFields;                // "Show fields": faint outlines on the window
    bool snapToFields;              // "Snap to fields": a placement inside a field is seated
    int dotsPerInch;                // the form's stated resolution; 0 when unknown
};
extern FormFieldsState gFormFields;

// ---- Kept inside their owner file (static there) ----
// view/half_view.cpp: gTiles, gTileCount, gTileCapacity, gRepaints,
//   gTilesVersion: the half-size tiles of the form image, made as they are
//   first shown.
// view/form_fields.cpp: gSearch: the search for the fields of the form just
//   opened, on its own thread, and what it found until it is taken.
// view/kept_entries.cpp: gKept, gKeptCount, gKeptBytes, gSearchFrom,
//   gPutBackCount, gKeptHeaders, gKeptHeadersSize, gKeptBits, gKeptSmoothing,
//   gTouchSink: the entries kept as the pixels they were drawn as.

#endif

// The fields found on the form on screen: found once in the picture's own
// pixels when a form or page is opened (not at the reloads that follow every
// entry change), kept until the next one, never stored. Also the two field
// settings, "Show fields" and "Snap to fields", kept in a settings file of
// their own.
#ifndef SCRIVELANDER_FORM_FIELDS_H
#define SCRIVELANDER_FORM_FIELDS_H

#include <windows.h>
#include <stdint.h>
#include <vector>

#include "fields/field_types.h"
#include "view/half_view.h"
#include "view/view_globals.h"

// The pixels of a DIB as the field finder reads them: `bits` laid out as
// `headerBlock` (a bitmap's info header, masks and colour table) says, and
// with `format`'s palette and masks (which must outlive the result). The
// resolution comes from biXPelsPerMeter. A top-down run-length header is
// never seen here: the form image holds plain rows.
FieldImage FieldImageOf(const void* bits, const uint8_t* headerBlock, const PixelFormat& format);

// A form or page was just read into the form image from `path`, its first
// stored row at file offset `pixelsAt` (before it is blanked or any entry is
// drawn): Tab starts again at the first field. The fields are searched on a
// thread of their own, in the file's rows, when its rows are plain (not
// compressed); otherwise at once, in the picture.
void FindFormImageFields(const char* path, uint32_t pixelsAt, bool plainRows);

// The fields of a picture whose stored rows are in `file` from offset
// `pixelsAt`, laid out as `layout` says (its pixels are not used), read a
// band of rows at a time. None when a read fails (the file changed).
std::vector<FormField> FindFieldsInFile(HANDLE file, uint32_t pixelsAt, const FieldImage& layout);

// Posted to the main window when a search ends, with its number in wParam;
// the window hands that number to OnFormFieldsFound.
const UINT WM_FIELDS_FOUND = WM_APP + 1;
void OnFormFieldsFound(unsigned generation);

// Waits for a search still running and takes its fields: what needs the
// fields (Tab, Snap, the outlines of Show fields) calls it first.
void WaitForFormFields();

// The index of the first field whose area holds the image point; -1 when
// none does.
int FieldAt(int x, int y);

// Tab visited field `index` (-1: start again at the first).
void SetLastVisitedField(int index);

// Faint outlines of the fields on the window, over the view just drawn
// (never into the form image) when "Show fields" is on.
void DrawFieldOutlines(HDC dc);

// ---- the field settings ----

const char FieldSettingsFileName[] = "Scrivelander-fields.ini";

// The file's text: "ShowFields=0/1" and "SnapToFields=0/1" lines, in its
// first 256 bytes. Reading takes a missing key, or a file that isn't there,
// as off; a file saved as UTF-16 (either byte order, with its mark or
// without) is read as its characters.
const int FieldSettingsReadLimit = 256;
struct FieldSettings {
    bool showFields, snapToFields;
};
FieldSettings ParseFieldSettings(const char* bytes, int count);
int FieldSettingsContent(FieldSettings settings, char content[64]);

// At start: reads the file in the start-up folder and shows the check marks.
void ReadFieldSettings();
// The Edit menu's two items: each turns its setting over, shows its check
// mark and writes the file (a file that can't be written is said, and
// leaves the setting for this run only).
void ToggleShowFields();
void ToggleSnapToFields();

#endif

// The field finder: where the fields of a plain scanned form are, found in
// its pixels. Values in, rectangles out: the caller hands over the stored
// pixels of a bitmap (as a DIB keeps them) and gets the writable areas of
// the form's boxes, underlines, combs and check boxes in reading order.
// Nothing here touches a window, a device context or a file.
//
// Working memory is one bit per pixel of the page (the ink mask) plus a few
// rows and the lists of rules and fields; the source pixels are read once.
#ifndef SCRIVELANDER_FIELD_FINDER_H
#define SCRIVELANDER_FIELD_FINDER_H

#include <vector>

#include "fields/field_types.h"

// The fields of the form on `image`, in reading order. An image it cannot
// read (no pixels, an unknown bit count) has no fields.
std::vector<FormField> FindFormFields(const FieldImage& image);

// Rows top to bottom, left to right within a row: fields whose middles share
// a line of text are one row.
void OrderFieldsForReading(std::vector<FormField>& fields);

#endif

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

#include "fields/field_model.h"
#include "fields/field_types.h"

// The fields of the form on `image`, in reading order. An image it cannot
// read (no pixels, an unknown bit count) has no fields.
std::vector<FormField> FindFormFields(const FieldImage& image);

// An area the finder weighed: its place on the page, its measures and its
// score (kept when above 0).
struct FieldCandidate {
    FormField field;
    float features[FieldFeatureCount];
    double score;
};

// As FindFormFields, but weighed by `model` (none: every candidate is kept),
// and telling every candidate it weighed when `weighed` is given. For
// measuring and training the scorer.
std::vector<FormField> FindFormFieldsWith(const FieldImage& image, const FieldModel* model,
                                          std::vector<FieldCandidate>* weighed);

// Rows top to bottom, left to right within a row: fields whose middles share
// a line of text are one row.
void OrderFieldsForReading(std::vector<FormField>& fields);

#endif

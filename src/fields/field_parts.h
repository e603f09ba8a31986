// The finder's working parts, shared by its files: the ink mask, the rules
// found in it, and the page's sizes in pixels.
#ifndef SCRIVELANDER_FIELD_PARTS_H
#define SCRIVELANDER_FIELD_PARTS_H

#include <stddef.h>
#include <stdint.h>
#include <vector>

#include "fields/field_types.h"

// One bit per pixel, set where there is ink; rows from the top, bit x%64 of
// word x/64 is column x. Bits past the width are always clear.
struct InkMask {
    std::vector<uint64_t> bits;
    int width, height, words;   // words per row
};

inline const uint64_t* MaskRow(const InkMask& m, int y) { return &m.bits[(size_t)y * m.words]; }
inline bool MaskAt(const InkMask& m, int x, int y)
{
    if (x < 0 || y < 0 || x >= m.width || y >= m.height)
        return false;
    return (MaskRow(m, y)[x >> 6] >> (x & 63)) & 1;
}
// Set pixels of row y in [x0, x1).
int MaskCount(const InkMask& m, int y, int x0, int x1);
// The first run of set bits at or after x in a row: [start, end). False when none.
inline bool NextRun(const uint64_t* row, int words, int width, int x, int& start, int& end)
{
    if (x >= width)
        return false;
    int w = x >> 6;
    uint64_t v = row[w] & (~0ull << (x & 63));
    while (!v && ++w < words)
        v = row[w];
    if (!v)
        return false;
    start = w * 64 + __builtin_ctzll(v);
    if (start >= width)
        return false;
    v = ~row[w] & (~0ull << (start & 63));
    while (!v && ++w < words)
        v = ~row[w];
    end = v ? w * 64 + __builtin_ctzll(v) : width;
    if (end > width)
        end = width;
    return true;
}
// Set pixels of column x in rows [y0, y1).
int ColumnCount(const InkMask& m, int x, int y0, int y1);
// The share of the rows and of the columns of the area, less `inset` all
// round, that hold any ink: hatching reaches every row and every column, a
// label only its own line, a printed + or $ only its own corner.
void InkSpread(const InkMask& m, const FieldRect& a, int inset, float& rows, float& columns);

// Takes out of `fields` those marked in `gone`, keeping the others' order.
void DropMarked(std::vector<FormField>& fields, const std::vector<bool>& gone);

// Sizes of the page's printed things in pixels at its resolution.
struct PageScale {
    int dpi;
    int Points(double pt) const { int v = (int)(pt * dpi / 72.0 + 0.5); return v < 1 ? 1 : v; }
};

// How dark the paper is and where ink starts, from a sample of the pixels.
struct InkLevels {
    int paper;       // luminance 0..255 of the bare paper
    int faint;       // below this a pixel is ink for rules and marks
    int tint;        // from here up to faint a pixel is a light tint
};

InkLevels MeasureInkLevels(const FieldImage& image);
// Packs the image into the mask (rows from the top) and clears lone specks.
// Pixels of a light tint (from tintBelow up to faintBelow) are ink only
// within tintReach pixels of the bare paper.
void PackInkMask(const FieldImage& image, int faintBelow, int tintBelow, int tintReach, InkMask& mask);
// ORs blocks of factor x factor pixels into one, in place: a fine scan is
// read at about 150 dpi, where its rules and boxes are still whole.
// Returns the factor (1: unchanged).
int ReduceMask(InkMask& mask, int factor);
// The ink down column x of the source over rows [y0, y1) (from the top), in
// pixels of full black on the paper: a rule's weight, however blurred.
double ColumnDarkness(const FieldImage& image, int paper, int x, int y0, int y1);

// The page's turn: rules run along y = y0 + x * slope. Found from the long
// horizontal runs of ink; 0 for a page without rules.
double EstimateSlope(const InkMask& mask, const PageScale& scale);
// Shears the mask so that rules along `slope` become level and upright.
void LevelMask(InkMask& mask, double slope);
// Where a point of the levelled mask lies on the page as scanned.
void UnlevelPoint(const InkMask& mask, double slope, double x, double y, double& ox, double& oy);

// A printed rule: level (across) or upright (along columns). For a level
// rule `at0..at1` are its rows and `from..to` its columns; for an upright
// one the other way round. Ends exclusive.
struct Rule {
    int from, to;        // along the rule
    int at0, at1;        // across it: its thickness
    float fill;          // ink in its runs / length of the runs (dotted rules are low)
    float weight;        // level rules: points of full black across it, 0 when not weighed
};

// The level rules (lines = rows) and upright rules (lines = columns) of the mask.
void FindRules(const InkMask& mask, const PageScale& scale, std::vector<Rule>& level, std::vector<Rule>& upright);

// Small empty squares and circles, as fields of kind FieldCheck (area = inside).
// Square shapes that fail a test of a box go to `doubtful`, for the scorer.
void FindCheckBoxes(const InkMask& mask, const PageScale& scale, std::vector<FormField>& out,
                    std::vector<FormField>& doubtful);

// Boxes, underlines and combs built from the rules.
// `usualWeight` is the weight of most of the page's solid rules (0: unknown);
// an underline is drawn at about that weight, a section's divider is not.
void FindRuledFields(const InkMask& mask, const PageScale& scale, const std::vector<Rule>& level,
                     const std::vector<Rule>& upright, double usualWeight, std::vector<FormField>& out,
                     std::vector<FormField>& doubtful);

// The measures the scorer weighs, FieldFeatureCount of them for each
// candidate in turn, taken in the mask (levelled, read at about 150 dpi).
// The first `sure` candidates passed the finder's own tests; the others are
// areas those tests turned down.
void CandidateFeatures(const InkMask& mask, const PageScale& scale, const std::vector<FormField>& candidates,
                       size_t sure, std::vector<float>& out);

#endif

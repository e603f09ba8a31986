// Measures of each candidate area that tell a field from a look-alike (the
// hole of a letter, a heading's box, a bar of a section), and the learned
// trees that weigh them. Sizes are in points, ink as a share of the pixels
// looked at, so a measure means the same at every resolution.
#include "fields/field_model.h"
#include "fields/field_parts.h"

#include <math.h>
#include <algorithm>

namespace {

struct Box {
    int left, top, right, bottom;
};

// The share of set pixels in a rectangle of the mask (clipped to the page);
// 0 for a rectangle off the page.
float InkShare(const InkMask& m, Box b)
{
    b.left = std::max(b.left, 0), b.top = std::max(b.top, 0);
    b.right = std::min(b.right, m.width), b.bottom = std::min(b.bottom, m.height);
    if (b.left >= b.right || b.top >= b.bottom)
        return 0.0f;
    long long n = 0;
    for (int y = b.top; y < b.bottom; y++)
        n += MaskCount(m, y, b.left, b.right);
    return (float)((double)n / ((double)(b.right - b.left) * (b.bottom - b.top)));
}

// The darkest of `depth` rows (level side) or columns (upright side) just
// outside a side of the area: how much of that side is drawn.
float LevelSide(const InkMask& m, int y0, int y1, int left, int right)
{
    float best = 0.0f;
    for (int y = y0; y < y1; y++)
        best = std::max(best, InkShare(m, { left, y, right, y + 1 }));
    return best;
}

float UprightSide(const InkMask& m, int x0, int x1, int top, int bottom)
{
    float best = 0.0f;
    for (int x = x0; x < x1; x++)
        best = std::max(best, InkShare(m, { x, top, x + 1, bottom }));
    return best;
}

// Changes from paper to ink along the area's middle row, per inch: printed
// text inside an area makes many.
float InkChanges(const InkMask& m, const FieldRect& a, int dpi)
{
    int y = (a.top + a.bottom) / 2, changes = 0;
    bool was = false;
    for (int x = a.left; x < a.right; x++) {
        bool is = MaskAt(m, x, y);
        changes += is && !was;
        was = is;
    }
    return (float)(changes * (double)dpi / std::max(1, a.right - a.left));
}

// How thick the rule just under the area is, in rows: the longest run of
// ink down from its bottom at five places across it (the middle one).
int RuleUnder(const InkMask& m, const FieldRect& a, int reach)
{
    int runs[5];
    for (int i = 0; i < 5; i++) {
        int x = a.left + (a.right - a.left) * (2 * i + 1) / 10, y = a.bottom;
        while (y < a.bottom + reach && !MaskAt(m, x, y))
            y++;
        int from = y;
        while (y < a.bottom + 4 * reach && MaskAt(m, x, y))
            y++;
        runs[i] = y - from;
    }
    std::sort(runs, runs + 5);
    return runs[2];
}

// Rows clear of ink above the area, across its middle half, up to `most`.
int ClearAbove(const InkMask& m, const FieldRect& a, int most)
{
    int x0 = a.left + (a.right - a.left) / 4, x1 = a.right - (a.right - a.left) / 4, n = 0;
    while (n < most && a.top - 1 - n >= 0 && MaskCount(m, a.top - 1 - n, x0, std::max(x0 + 1, x1)) == 0)
        n++;
    return n;
}

bool Near(int a, int b, int slack) { return abs(a - b) <= slack; }

// Ink over the whole page, from every eighth row.
float PageInk(const InkMask& m)
{
    long long n = 0, rows = 0;
    for (int y = 0; y < m.height; y += 8, rows++)
        n += MaskCount(m, y, 0, m.width);
    return rows ? (float)((double)n / ((double)rows * m.width)) : 0.0f;
}

}  // namespace

void CandidateFeatures(const InkMask& mask, const PageScale& scale, const std::vector<FormField>& candidates,
                       size_t sure, std::vector<float>& out)
{
    size_t count = candidates.size();
    out.assign(count * FieldFeatureCount, 0.0f);
    double pt = 72.0 / scale.dpi;
    int edge = std::max(2, scale.Points(1.5)), label = scale.Points(36), line = scale.Points(12);
    float pageInk = PageInk(mask);
    for (size_t i = 0; i < count; i++) {
        const FormField& c = candidates[i];
        const FieldRect& a = c.area;
        float* f = &out[i * FieldFeatureCount];
        int w = std::max(1, a.right - a.left), h = std::max(1, a.bottom - a.top);
        f[c.kind] = 1.0f;                                     // 0..3: box, underline, comb, check
        f[4] = (float)(w * pt);
        f[5] = (float)(h * pt);
        f[6] = (float)log((double)w / h);
        f[7] = (float)c.cells;
        f[8] = InkShare(mask, { a.left, a.top, a.right, a.bottom });
        f[9] = LevelSide(mask, a.top - edge, a.top, a.left, a.right);
        f[10] = LevelSide(mask, a.bottom, a.bottom + edge, a.left, a.right);
        f[11] = UprightSide(mask, a.left - edge, a.left, a.top, a.bottom);
        f[12] = UprightSide(mask, a.right, a.right + edge, a.top, a.bottom);
        f[13] = InkShare(mask, { a.left - edge - label, a.top, a.left - edge, a.bottom });
        f[14] = InkShare(mask, { a.left, a.top - edge - line, a.right, a.top - edge });
        f[15] = InkShare(mask, { a.right + edge, a.top, a.right + edge + label, a.bottom });
        f[16] = InkShare(mask, { a.left, a.bottom + edge, a.right, a.bottom + edge + line });
        int ring = std::max(edge, std::min(w, h) / 2);
        f[26] = InkShare(mask, { a.left - edge - ring, a.top - edge - ring, a.right + edge + ring, a.top - edge }) * 0.5f +
                InkShare(mask, { a.left - edge - ring, a.bottom + edge, a.right + edge + ring, a.bottom + edge + ring }) * 0.5f;
        f[24] = InkChanges(mask, a, scale.dpi);
        int alike = 0, row = 0, column = 0, overlaps = 0;
        for (size_t k = 0; k < count; k++) {
            if (k == i)
                continue;
            const FieldRect& b = candidates[k].area;
            int bw = b.right - b.left, bh = b.bottom - b.top;
            bool same = candidates[k].kind == c.kind && Near(bw, w, w / 8 + 2) && Near(bh, h, h / 8 + 2);
            alike += same;
            row += same && Near(b.top + b.bottom, a.top + a.bottom, h);
            column += Near(b.left, a.left, 3) || Near(b.right, a.right, 3);
            overlaps += std::min(a.right, b.right) > std::max(a.left, b.left) &&
                        std::min(a.bottom, b.bottom) > std::max(a.top, b.top);
        }
        f[17] = (float)log1p(alike);
        f[18] = (float)row;
        f[19] = (float)column;
        f[20] = (float)((a.left + a.right) * 0.5 / mask.width);
        f[21] = (float)((a.top + a.bottom) * 0.5 / mask.height);
        f[22] = (float)log1p((double)count);
        f[23] = (float)overlaps;
        f[25] = pageInk;
        f[27] = (float)(std::min(w, h) * pt);
        f[28] = i < sure ? 1.0f : 0.0f;
        f[29] = (float)w / mask.width;
        f[30] = (float)(RuleUnder(mask, a, edge + 1) * pt);
        f[31] = (float)(ClearAbove(mask, a, scale.Points(24)) * pt);
        InkSpread(mask, a, std::max(1, scale.Points(1)), f[32], f[33]);
    }
}

double FieldModelScore(const FieldModel& model, const float* features)
{
    double sum = model.bias;
    for (int t = 0; t < model.trees; t++) {
        int n = model.roots[t];
        while (model.feature[n] >= 0)
            n = (double)features[model.feature[n]] <= model.threshold[n] ? model.left[n] : model.right[n];
        sum += model.value[n];
    }
    return sum;
}

// The finder's order of work: read the page into the ink mask, take out its
// turn, find the rules, build the fields from them and find the check boxes,
// settle the overlaps, and hand the areas back in the page's own pixels.
#include "fields/field_finder.h"
#include "fields/field_parts.h"

#include <math.h>
#include <algorithm>

void DropMarked(std::vector<FormField>& fields, const std::vector<bool>& gone)
{
    std::vector<FormField> kept;
    for (size_t i = 0; i < fields.size(); i++)
        if (!gone[i])
            kept.push_back(fields[i]);
    fields.swap(kept);
}

namespace {

bool Readable(const FieldImage& image)
{
    if ((!image.pixels && !image.readRow) || image.width <= 0 || image.height <= 0)
        return false;
    int bits = image.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    return image.stride >= ((int64_t)image.width * bits + 7) / 8;
}

// Without a stated resolution, the page is taken to be a letter or A4 sheet.
int Resolution(const FieldImage& image)
{
    if (image.dotsPerInch >= 50 && image.dotsPerInch <= 2400)
        return image.dotsPerInch;
    int across = std::min(image.width, image.height);
    return std::max(50, (int)lround(across / 8.4));
}

long long Area(const FieldRect& r)
{
    return (long long)(r.right - r.left) * (r.bottom - r.top);
}

long long Overlap(const FieldRect& a, const FieldRect& b)
{
    int w = std::min(a.right, b.right) - std::max(a.left, b.left);
    int h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? (long long)w * h : 0;
}

// Two areas describe the same place when they share seven tenths of the
// smaller one.
bool SamePlace(const FieldRect& a, const FieldRect& b)
{
    return Overlap(a, b) * 10 >= std::min(Area(a), Area(b)) * 7;
}

// Each solid level rule's weight, read from the source across its middle at
// a few places along it (the median, so a crossing rule or a letter touching
// it does not count); returns the weight of most of the rules: a form has
// more field rules than section dividers.
double WeighRules(const FieldImage& image, int paper, const InkMask& mask, double slope, int factor, int dpi,
                  std::vector<Rule>& level)
{
    std::vector<std::pair<double, int>> weights;   // weight, length
    for (Rule& r : level) {
        if (r.fill < 0.85f)
            continue;
        std::vector<double> samples;
        int length = r.to - r.from;
        for (int i = 1; i <= 9; i++) {
            double x = r.from + length * i / 10.0, y = (r.at0 + r.at1) * 0.5, ox = x, oy = y;
            if (slope != 0.0)
                UnlevelPoint(mask, slope, x, y, ox, oy);
            int reach = ((r.at1 - r.at0) * factor) / 2 + 2 * factor + 1;
            int sx = (int)(ox * factor), sy = (int)(oy * factor);
            samples.push_back(ColumnDarkness(image, paper, sx, sy - reach, sy + reach + 1));
        }
        std::sort(samples.begin(), samples.end());
        r.weight = (float)(samples[samples.size() / 2] * 72.0 / dpi);
        weights.push_back({ r.weight, length });
    }
    if (weights.empty())
        return 0.0;
    std::sort(weights.begin(), weights.end());
    return weights[weights.size() / 2].first;
}

// Three or more equal check boxes in a row, close together, are the cells
// of a comb printed as separate boxes; so are two that share their middle
// wall (the two digits of a month or a day). With `walls`, every cell shares
// its wall with the next.
void CombsOfSquares(std::vector<FormField>& checks, std::vector<FormField>& out, bool walls = false)
{
    // Top to bottom, then left to right along each row: boxes whose tops lie
    // within two pixels of the row's first are one row.
    std::sort(checks.begin(), checks.end(), [](const FormField& a, const FormField& b) {
        return a.area.top != b.area.top ? a.area.top < b.area.top : a.area.left < b.area.left;
    });
    for (size_t b = 0; b < checks.size();) {
        size_t e = b + 1;
        while (e < checks.size() && checks[e].area.top - checks[b].area.top <= 2)
            e++;
        std::sort(checks.begin() + b, checks.begin() + e,
                  [](const FormField& x, const FormField& y) { return x.area.left < y.area.left; });
        b = e;
    }
    std::vector<bool> used(checks.size(), false);
    for (size_t i = 0; i < checks.size(); i++) {
        if (used[i])
            continue;
        std::vector<size_t> row = { i };
        const FieldRect& first = checks[i].area;
        int side = first.right - first.left;
        for (size_t k = i + 1; k < checks.size(); k++) {
            const FieldRect& q = checks[k].area;
            const FieldRect& p = checks[row.back()].area;
            if (!used[k] && abs(q.top - first.top) <= 2 && abs(q.right - q.left - side) <= 2 && q.left > p.right &&
                q.left - p.right <= (walls ? std::max(3, side / 4) : side / 2 + 3))
                row.push_back(k);
        }
        bool pair = row.size() == 2 && checks[row[1]].area.left - first.right <= std::max(3, side / 4);
        if (row.size() >= 3 || pair) {
            FieldRect span = first;
            for (size_t k : row) {
                used[k] = true;
                span.right = checks[k].area.right;
                span.bottom = std::max(span.bottom, checks[k].area.bottom);
            }
            out.push_back({ FieldComb, span, (int)row.size() });
        }
    }
    DropMarked(checks, used);
}

// Cells of a grid about as wide as tall and a line of print high, side by
// side, each turned down for the faint letter printed in it as a guide
// ("D D / M M"): the cells of a comb, whose groups the guides name.
void CombsOfGuidedCells(const PageScale& scale, std::vector<FormField>& doubtful, std::vector<FormField>& out)
{
    std::vector<FormField> cells, rest;
    for (const FormField& f : doubtful) {
        int w = f.area.right - f.area.left, h = f.area.bottom - f.area.top;
        bool square = f.kind == FieldBox && h >= scale.Points(8) && h <= scale.Points(20) && abs(w - h) * 3 <= h;
        (square ? cells : rest).push_back(f);
    }
    CombsOfSquares(cells, out, true);
    rest.insert(rest.end(), cells.begin(), cells.end());
    doubtful.swap(rest);
}

// The rest of a cell beside a check box, closed on one side by the box
// itself, is where the box's label goes: no field. (Wider than the box and
// not much taller, so the cells of a comb taken for a box stay.)
void DropBesideChecks(const std::vector<FormField>& checks, const PageScale& scale, std::vector<FormField>& cells)
{
    int gap = scale.Points(3);
    std::vector<bool> gone(cells.size(), false);
    for (size_t i = 0; i < cells.size(); i++) {
        const FieldRect& c = cells[i].area;
        for (size_t k = 0; k < checks.size() && !gone[i] && cells[i].kind == FieldBox; k++) {
            const FieldRect& b = checks[k].area;
            int side = b.bottom - b.top;
            bool beside = (c.left >= b.right && c.left - b.right <= gap) || (b.left >= c.right && b.left - c.right <= gap);
            gone[i] = beside && c.top < b.bottom && b.top < c.bottom && c.bottom - c.top <= 3 * side + scale.Points(4) &&
                      (c.right - c.left) * 2 > 3 * (b.right - b.left);
        }
    }
    DropMarked(cells, gone);
}

// One field where two finds describe the same place: a box inside a double
// border, a cell that is also a check box. The first `sure` fields passed
// the finder's own tests; one of the others stands only where it is mostly
// clear of every field kept.
void SettleOverlaps(std::vector<FormField>& fields, size_t sure)
{
    auto before = [](const FormField& a, const FormField& b) {
        if (a.kind == FieldCheck || b.kind == FieldCheck)
            return (a.kind == FieldCheck) > (b.kind == FieldCheck);
        return Area(a.area) > Area(b.area);
    };
    std::stable_sort(fields.begin(), fields.begin() + sure, before);
    std::stable_sort(fields.begin() + sure, fields.end(), before);
    std::vector<FormField> kept;
    for (size_t i = 0; i < fields.size(); i++) {
        const FormField& f = fields[i];
        bool same = false;
        for (const FormField& k : kept) {
            if (SamePlace(f.area, k.area) || (i >= sure && Overlap(f.area, k.area) * 10 >= Area(f.area) * 3))
                same = true;
        }
        if (!same)
            kept.push_back(f);
    }
    fields.swap(kept);
}

bool Writable(FieldKind kind) { return kind == FieldBox || kind == FieldUnderline; }

// An amount printed as two cells, its whole units and a narrow cell for the
// cents just right of it on the same line (split by a short divider or a
// small gap), is one field: the amount is typed once and ends in the cents.
// A cents cell with no right side of its own is found as the line under
// it, lower than the whole units' box: its top may lie down to their middle.
// (A comb cut in groups stays in its groups: a separator typed between
// them is passed over, as the user expects of a date or a number.)
bool CentsOf(const FormField& whole, const FormField& cents, const PageScale& scale)
{
    const FieldRect& a = whole.area;
    const FieldRect& c = cents.area;
    int h = a.bottom - a.top, slack = std::max(2, h / 8), w = c.right - c.left;
    return Writable(whole.kind) && Writable(cents.kind) && c.left >= a.right - 1 &&
           c.left - a.right <= scale.Points(6) && c.top >= a.top - slack && c.top <= (a.top + a.bottom) / 2 &&
           abs(c.bottom - a.bottom) <= slack &&
           w >= scale.Points(8) && w <= scale.Points(28) && a.right - a.left >= 2 * w;
}

void JoinCentsToAmounts(std::vector<FormField>& fields, const PageScale& scale)
{
    std::sort(fields.begin(), fields.end(), [](const FormField& a, const FormField& b) {
        return a.area.left < b.area.left;
    });
    std::vector<bool> gone(fields.size(), false);
    for (size_t i = 0; i < fields.size(); i++) {
        FormField& whole = fields[i];
        for (size_t k = i + 1; !gone[i] && k < fields.size() && fields[k].area.left <= whole.area.right + scale.Points(6);
             k++) {
            if (gone[k] || !CentsOf(whole, fields[k], scale))
                continue;
            whole.area.right = fields[k].area.right;
            whole.area.top = std::min(whole.area.top, fields[k].area.top);
            whole.area.bottom = std::max(whole.area.bottom, fields[k].area.bottom);
            gone[k] = true;
            break;
        }
    }
    DropMarked(fields, gone);
}

// The areas the finder's tests turned down, each once and only where no
// candidate already stands.
void AddDoubtful(const std::vector<FormField>& doubtful, std::vector<FormField>& candidates)
{
    for (const FormField& d : doubtful) {
        bool same = false;
        for (size_t k = 0; k < candidates.size() && !same; k++)
            same = SamePlace(d.area, candidates[k].area);
        if (!same)
            candidates.push_back(d);
    }
}

// Where an area of the levelled mask read at 1/factor lies on the page.
FieldRect OnPage(const FieldRect& at, const InkMask& mask, double slope, int factor, const FieldImage& image)
{
    FieldRect r = at;
    if (slope != 0.0) {
        double x, y;
        UnlevelPoint(mask, slope, (r.left + r.right) * 0.5, (r.top + r.bottom) * 0.5, x, y);
        int dx = (int)lround(x - (r.left + r.right) * 0.5), dy = (int)lround(y - (r.top + r.bottom) * 0.5);
        r.left += dx, r.right += dx, r.top += dy, r.bottom += dy;
    }
    r.left *= factor, r.top *= factor, r.right *= factor, r.bottom *= factor;
    r.left = std::max(0, r.left), r.top = std::max(0, r.top);
    r.right = std::min(image.width, r.right), r.bottom = std::min(image.height, r.bottom);
    return r;
}

}  // namespace

std::vector<FormField> FindFormFieldsWith(const FieldImage& image, const FieldModel* model,
                                          std::vector<FieldCandidate>* weighed)
{
    std::vector<FormField> fields;
    if (!Readable(image))
        return fields;
    PageScale scale = { Resolution(image) };
    InkLevels levels = MeasureInkLevels(image);
    InkMask mask;
    PackInkMask(image, levels.faint, levels.tint, scale.Points(1.2), mask);
    int factor = ReduceMask(mask, scale.dpi >= 225 ? (scale.dpi + 75) / 150 : 1);
    scale.dpi = (scale.dpi + factor / 2) / factor;
    double slope = EstimateSlope(mask, scale);
    // Below a twentieth of a degree the turn moves a rule less than a pixel
    // or two across the page: not worth the shears.
    if (fabs(slope) < 0.0009)
        slope = 0.0;
    if (slope != 0.0)
        LevelMask(mask, slope);

    std::vector<Rule> level, upright;
    FindRules(mask, scale, level, upright);
    std::vector<FormField> checks, doubtful;
    FindCheckBoxes(mask, scale, checks, doubtful);
    double usualWeight = WeighRules(image, levels.paper, mask, slope, factor, Resolution(image), level);
    std::vector<FormField> candidates;
    FindRuledFields(mask, scale, level, upright, usualWeight, candidates, doubtful);
    CombsOfSquares(checks, candidates);
    CombsOfGuidedCells(scale, doubtful, candidates);
    DropBesideChecks(checks, scale, candidates);
    DropBesideChecks(checks, scale, doubtful);
    candidates.insert(candidates.end(), checks.begin(), checks.end());
    size_t sure = candidates.size();
    AddDoubtful(doubtful, candidates);

    std::vector<float> features;
    CandidateFeatures(mask, scale, candidates, sure, features);
    size_t sureKept = 0;
    for (size_t i = 0; i < candidates.size(); i++) {
        const float* f = &features[i * FieldFeatureCount];
        double score = model ? FieldModelScore(*model, f) : 1.0;
        if (!model || score > (i < sure ? model->sureCut : model->doubtCut)) {
            fields.push_back(candidates[i]);
            sureKept += i < sure;
        }
        if (weighed) {
            FieldCandidate c = { candidates[i], {}, score };
            c.field.area = OnPage(c.field.area, mask, slope, factor, image);
            std::copy(f, f + FieldFeatureCount, c.features);
            weighed->push_back(c);
        }
    }
    SettleOverlaps(fields, sureKept);
    JoinCentsToAmounts(fields, scale);
    for (FormField& f : fields)
        f.area = OnPage(f.area, mask, slope, factor, image);
    OrderFieldsForReading(fields);
    return fields;
}

std::vector<FormField> FindFormFields(const FieldImage& image)
{
    return FindFormFieldsWith(image, &kFieldModel, NULL);
}

void OrderFieldsForReading(std::vector<FormField>& fields)
{
    std::sort(fields.begin(), fields.end(), [](const FormField& a, const FormField& b) {
        if (a.area.top + a.area.bottom != b.area.top + b.area.bottom)
            return a.area.top + a.area.bottom < b.area.top + b.area.bottom;
        return a.area.left < b.area.left;
    });
    // Walk down the fields; a field whose middle lies within the first
    // field of the current row belongs to that row.
    size_t i = 0;
    while (i < fields.size()) {
        const FieldRect first = fields[i].area;
        size_t k = i + 1;
        while (k < fields.size()) {
            int middle = (fields[k].area.top + fields[k].area.bottom) / 2;
            if (middle < first.top || middle >= first.bottom)
                break;
            k++;
        }
        std::sort(fields.begin() + i, fields.begin() + k,
                  [](const FormField& a, const FormField& b) { return a.area.left < b.area.left; });
        i = k;
    }
}

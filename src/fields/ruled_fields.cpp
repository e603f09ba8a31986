// Boxes, underlines and combs, built from the rules themselves rather than
// from enclosed white regions, because many cells are not closed: cents
// cells open to the margin, rows with no sides, names with no left border.
//
// Every level rule is the bottom of the cells above it. Its length is cut
// into stretches, each under the nearest rule above that covers it (a rule
// can be one field's underline and the next row's top), and a stretch is cut
// again by the upright rules that span its band. A band closed at both sides
// is a box: a field when its largest band of rows free of text is at least
// half its height, or when all its print is a small label at its left. An
// open band, or a rule with nothing above it, is an underline: the rows just
// above the rule up to the first print. Ticks standing on a field's bottom
// rule at an even pitch make it a comb, and so do three or more equal narrow
// boxes side by side.
#include "fields/field_parts.h"

#include <algorithm>

namespace {

struct Stretch {
    int from, to;
    int top;                    // index of the rule above, -1 when none
    bool closedFrom, closedTo;  // an end where a nearer rule above begins: the side of a box within
};

struct Cell {
    int x0, x1;         // inside the sides
    int top, bottom;    // rows between the rules
    bool closedLeft, closedRight;
    int topRule, bottomRule;
};

struct Sizes {
    int margin, shortestBand, underlineHeight, leastFree, leastLine, narrowest, shortestLine, sideReach;
    int feet;         // how near the rule a label's feet stand
    int lineHeight;   // the most of an underline's band that is its field
    int shortDotted;  // a dotted leader is at least this long
};

bool RowHasText(const InkMask& mask, int y, int x0, int x1)
{
    return MaskCount(mask, y, x0, x1) >= 2 + (x1 - x0) / 200;
}

// Rows free of print just above `bottom`, going up to `limit`.
int FreeRowsAbove(const InkMask& mask, int x0, int x1, int bottom, int limit)
{
    int y = bottom - 1;
    while (y >= limit && !RowHasText(mask, y, x0, x1))
        y--;
    return bottom - 1 - y;
}

// Runs of ticks at an even pitch standing on the rule under [x0, x1). A
// heavier or taller tick parts groups of cells (a number printed as 9, 2 and 4 digits):
// each group is a comb of its own (two cells are a comb too: a month, a day),
// or a box when it is a single cell.
struct Comb {
    int from, to, cells, tallest;
};

std::vector<Comb> FindCombs(const InkMask& mask, const PageScale& scale, const Cell& cell)
{
    std::vector<Comb> combs;
    int y = cell.bottom - 1 - std::max(1, scale.Points(0.7));
    int widest = scale.Points(2.5) + 2, lowest = std::max(3, scale.Points(2));
    if (y <= cell.top)
        return combs;
    std::vector<int> at, heights, widths;
    if (cell.closedLeft)
        at.push_back(cell.x0 - 1), heights.push_back(cell.bottom - cell.top), widths.push_back(widest);
    int x = cell.x0 + 1;
    while (x < cell.x1 - 1) {
        if (!MaskAt(mask, x, y)) {
            x++;
            continue;
        }
        int start = x;
        while (x < cell.x1 - 1 && MaskAt(mask, x, y))
            x++;
        if (x - start > widest)
            continue;
        // Follow the tick up while it stays upright: the hatching of a
        // crossed-out cell also stands on the rule, but slants.
        int middle = (start + x) / 2, top = y;
        while (top - 1 > cell.top) {
            int a = middle + 1, b = middle - 1;
            for (int k = middle - 1; k <= middle + 1; k++)
                if (MaskAt(mask, k, top - 1))
                    a = std::min(a, k), b = std::max(b, k);
            if (a > b)
                break;
            while (MaskAt(mask, a - 1, top - 1) && middle - a < widest)
                a--;
            while (MaskAt(mask, b + 1, top - 1) && b - middle < widest)
                b++;
            if (abs(a + b - (start + x - 1)) > 3)   // its middle moved more than a pixel and a half
                break;
            top--;
        }
        int height = cell.bottom - top;
        if (height >= lowest) {
            at.push_back(middle);
            heights.push_back(height);
            // A tick cut by the stretch's end is a side whose width is unknown.
            bool cut = start <= cell.x0 + 1 || x >= cell.x1 - 1;
            widths.push_back(cut ? widest : x - start);
        }
    }
    if (cell.closedRight)
        at.push_back(cell.x1), heights.push_back(cell.bottom - cell.top), widths.push_back(widest);
    // The usual tick: the median width and height.
    auto share = [](std::vector<int> v, int percent) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 1 : v[v.size() * percent / 100];
    };
    int usualWidth = share(widths, 50), usualHeight = share(heights, 50);
    auto heavy = [&](size_t i) { return widths[i] >= 2 * usualWidth + 1 || heights[i] * 10 >= usualHeight * 15; };
    for (size_t i = 0; i + 1 < at.size();) {
        int pitch = at[i + 1] - at[i];
        size_t k = i + 1;
        if (pitch >= scale.Points(5) && pitch <= scale.Points(30))
            while (k + 1 < at.size() && abs(at[k + 1] - at[k] - pitch) <= std::max(2, pitch / 5))
                k++;
        if (k - i < 2) {
            i++;
            continue;
        }
        for (size_t g = i; g < k;) {
            size_t e = g + 1;
            while (e < k && !heavy(e))
                e++;
            int tallest = 0;
            for (size_t j = g; j <= e; j++)
                tallest = std::max(tallest, heights[j]);
            combs.push_back({ at[g] + 1, at[e], (int)(e - g), tallest });
            g = e;
        }
        i = k;
    }
    return combs;
}

void AddField(std::vector<FormField>& out, FieldKind kind, int left, int top, int right, int bottom, int cells)
{
    if (right > left && bottom > top)
        out.push_back({ kind, { left, top, right, bottom }, cells });
}

// A group of three or more cells is a comb, one character to a cell, and so
// are two cells of a character's size (a month, a day); else it is a box.
void AddComb(std::vector<FormField>& out, const PageScale& scale, const Comb& comb, int top, int bottom)
{
    bool cells = comb.cells >= 3 || (comb.cells == 2 && comb.to - comb.from <= 2 * scale.Points(20));
    AddField(out, cells ? FieldComb : FieldBox, comb.from, top, comb.to, bottom, cells ? comb.cells : 1);
}

// A side hangs from the rule's end at x: ink down from below the rule for
// `length` rows in one of the columns x-reach..x+reach, and none above the
// rule there (a corner, where a crossing rule runs on up).
bool HangsDown(const InkMask& mask, const Rule& rule, int x, int length, int reach)
{
    for (int cx = x - reach; cx <= x + reach; cx++)
        if (ColumnCount(mask, cx, rule.at1, rule.at1 + length) >= length)
            for (int ux = x - reach; ux <= x + reach; ux++)
                if (ColumnCount(mask, ux, rule.at0 - length, rule.at0) >= length / 2)
                    return false;
    for (int cx = x - reach; cx <= x + reach; cx++)
        if (ColumnCount(mask, cx, rule.at1, rule.at1 + length) >= length)
            return true;
    return false;
}

// Upright rules hang from the rule under [x0, x1): it is the top of boxes
// below, and the open band above it is the gap between two tables or above
// one, not a place to write.

bool TopOfBoxes(const InkMask& mask, const std::vector<Rule>& upright, const Rule& rule, int x0, int x1, int reach)
{
    // Both ends turn down, however short the sides: a row of small boxes.
    if (HangsDown(mask, rule, x0, 2 * reach, reach / 2) && HangsDown(mask, rule, x1 - 1, 2 * reach, reach / 2))
        return true;
    for (const Rule& u : upright)
        if (u.at0 >= x0 - reach && u.at1 <= x1 + reach && u.from <= rule.at1 + reach && u.from >= rule.at0 - reach &&
            u.to > rule.at1 + 2 * reach)
            return true;
    return false;
}

// A cell hatched across, ink in nearly every row and column of it: a place
// the form says not to write.
bool Hatched(const InkMask& mask, const Sizes& s, const Cell& c)
{
    float rows, columns;
    InkSpread(mask, { c.x0, c.top, c.x1, c.bottom }, s.margin + 1, rows, columns);
    return rows >= 0.9f && columns >= 0.9f;
}

// The width of a small label at the left of a cell ("+", "$", a boxed
// letter), the columns right of it free from top to bottom; -1 if the print
// in the cell is not such a label.
int SmallLabelAtLeft(const InkMask& mask, int x0, int y0, int x1, int y1)
{
    int height = y1 - y0, width = x1 - x0;
    int words = (width + 63) / 64;
    std::vector<uint64_t> seen(words, 0);
    for (int y = y0; y < y1; y++) {
        const uint64_t* row = MaskRow(mask, y);
        for (int i = 0; i < words; i++) {
            int x = x0 + i * 64;
            int w = x >> 6, shift = x & 63;
            uint64_t v = row[w] >> shift;
            if (shift && w + 1 < mask.words)
                v |= row[w + 1] << (64 - shift);
            seen[i] |= v;
        }
    }
    auto inked = [&](int i) { return i < width && ((seen[i >> 6] >> (i & 63)) & 1); };
    int first = 0;
    while (first < width && !inked(first))
        first++;
    int labelEnd = first, gapLimit = std::max(3, height / 2);
    for (int i = first; i < width;) {
        if (inked(i)) {
            labelEnd = ++i;
            continue;
        }
        int j = i;
        while (j < width && !inked(j))
            j++;
        if (j - i >= gapLimit)
            break;
        i = j;
    }
    for (int i = labelEnd; i < width; i++)
        if (inked(i))
            return -1;
    int label = labelEnd;
    if (label > height * 3 / 2 || label * 3 > width || width - label < width / 2)
        return -1;
    return label;
}

// The field of a cell, if it has one: its largest band of rows free of print
// when that is half its height, or all but a small label at its left where
// that is more.
bool BoxField(const InkMask& mask, const Sizes& s, const Cell& c, int leastFree, FormField& field)
{
    int x0 = c.x0 + s.margin, x1 = c.x1 - s.margin;
    int y0 = c.top + s.margin, y1 = c.bottom - s.margin;
    int height = y1 - y0;
    if (height < s.leastFree || x1 - x0 < s.narrowest)
        return false;
    int bestFrom = 0, bestLength = 0, runFrom = y0;
    for (int y = y0; y <= y1; y++) {
        if (y == y1 || RowHasText(mask, y, x0, x1)) {
            if (y - runFrom > bestLength)
                bestLength = y - runFrom, bestFrom = runFrom;
            runFrom = y + 1;
        }
    }
    // A sliver between rules that stop short of each other is no place to write.
    if ((x1 - x0) * 3 < height && x1 - x0 < s.underlineHeight * 3 / 2)
        return false;
    // The space right of a small label at the left ("+", "$", a boxed
    // letter), unless the rows clear of print over or under it are more.
    int label = bestLength < height ? SmallLabelAtLeft(mask, x0, y0, x1, y1) : -1;
    bool rows = bestLength * 2 >= height && bestLength >= leastFree;
    if (label >= 0 && (!rows || (x1 - x0 - label) * (long long)height > (long long)(x1 - x0) * bestLength)) {
        field = { FieldBox, { x0 + label + s.margin, y0, c.x1, y1 }, 1 };
        return true;
    }
    if (rows)
        field = { FieldBox, { c.x0, bestFrom, c.x1, bestFrom + bestLength }, 1 };
    return rows;
}

// Two or more short underlines of one length in a row, close together
// ("__ __ / __ __", the last four digits of a number): a comb of that many
// cells, each too short to be a field of its own. `order` lists the level
// rules top to bottom.
void CombsOfShortRules(const InkMask& mask, const Sizes& s, const std::vector<Rule>& level,
                       const std::vector<int>& order, std::vector<FormField>& out)
{
    std::vector<const Rule*> shorts;
    for (int i : order) {
        const Rule& r = level[i];
        int length = r.to - r.from;
        if (r.fill >= 0.85f && length < s.shortestLine && length >= s.narrowest)
            shorts.push_back(&r);
    }
    std::sort(shorts.begin(), shorts.end(), [](const Rule* a, const Rule* b) {
        return a->at0 != b->at0 ? a->at0 < b->at0 : a->from < b->from;
    });
    std::vector<bool> used(shorts.size(), false);
    for (size_t i = 0; i < shorts.size(); i++) {
        if (used[i])
            continue;
        const Rule& first = *shorts[i];
        int length = first.to - first.from;
        std::vector<size_t> row = { i };
        for (size_t k = i + 1; k < shorts.size() && shorts[k]->at0 <= first.at0 + 1; k++) {
            const Rule& q = *shorts[k];
            const Rule& p = *shorts[row.back()];
            int gap = q.from - p.to;
            if (!used[k] && gap > 0 && gap <= std::max(3, length / 2) && abs(q.to - q.from - length) <= std::max(2, length / 5))
                row.push_back(k);
        }
        if (row.size() < 2)
            continue;
        const Rule& last = *shorts[row.back()];
        int bottom = std::min(first.at0, last.at0);
        int top = bottom - s.margin - FreeRowsAbove(mask, first.from, last.to, bottom - s.margin, bottom - s.lineHeight);
        if (bottom - s.margin - top < s.leastLine)
            continue;
        for (size_t k : row)
            used[k] = true;
        AddField(out, FieldComb, first.from, top, last.to, bottom - s.margin, (int)row.size());
    }
}

// Underlines a little longer than a short rule, two or more alike in a row
// close together, are the cells of a comb as well: a scan's blur lengthens
// each dash of a "__ __ __ __" by a pixel or two at both ends.
void CombsOfDashes(const PageScale& scale, std::vector<FormField>& out)
{
    std::vector<size_t> dashes;
    for (size_t i = 0; i < out.size(); i++)
        if (out[i].kind == FieldUnderline && out[i].area.right - out[i].area.left < scale.Points(20))
            dashes.push_back(i);
    std::sort(dashes.begin(), dashes.end(), [&](size_t a, size_t b) { return out[a].area.left < out[b].area.left; });
    std::vector<bool> gone(out.size(), false);
    std::vector<FormField> combs;
    for (size_t i = 0; i < dashes.size(); i++) {
        if (gone[dashes[i]])
            continue;
        FieldRect span = out[dashes[i]].area;
        int length = span.right - span.left, cells = 1;
        std::vector<size_t> row = { dashes[i] };
        for (size_t k = i + 1; k < dashes.size(); k++) {
            const FieldRect& q = out[dashes[k]].area;
            int gap = q.left - span.right;
            if (gone[dashes[k]] || abs(q.bottom - span.bottom) > 2 || gap <= 0 || gap > std::max(3, length / 2) ||
                abs(q.right - q.left - length) > std::max(2, length / 5))
                continue;
            row.push_back(dashes[k]);
            span.right = q.right, span.top = std::min(span.top, q.top), cells++;
        }
        if (cells < 2)
            continue;
        for (size_t k : row)
            gone[k] = true;
        combs.push_back({ FieldComb, span, cells });
    }
    DropMarked(out, gone);
    out.insert(out.end(), combs.begin(), combs.end());
}

}  // namespace

void FindRuledFields(const InkMask& mask, const PageScale& scale, const std::vector<Rule>& level,
                     const std::vector<Rule>& upright, double usualWeight, std::vector<FormField>& out,
                     std::vector<FormField>& doubtful)
{
    Sizes s;
    s.margin = std::max(1, scale.Points(0.6));
    s.shortestBand = scale.Points(5);
    s.underlineHeight = scale.Points(20);
    s.leastFree = scale.Points(6);
    s.leastLine = scale.Points(8);
    s.narrowest = scale.Points(5);
    s.shortestLine = scale.Points(14);
    s.sideReach = scale.Points(2);
    s.feet = scale.Points(2.5);
    s.lineHeight = scale.Points(14);
    s.shortDotted = scale.Points(36);

    std::vector<int> order(level.size());
    for (size_t i = 0; i < order.size(); i++)
        order[i] = (int)i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return level[a].at0 < level[b].at0; });

    struct Boxed {
        FormField field;
        int topRule, bottomRule;
    };
    std::vector<Boxed> boxes;
    for (size_t ob = 0; ob < order.size(); ob++) {
        const Rule& bottom = level[order[ob]];
        // Cut the rule into stretches under the nearest rule above.
        std::vector<Stretch> open = { { bottom.from, bottom.to, -1, false, false } }, stretches;
        for (int oa = (int)ob - 1; oa >= 0 && !open.empty(); oa--) {
            const Rule& above = level[order[oa]];
            if (above.at1 > bottom.at0 - s.shortestBand)
                continue;
            std::vector<Stretch> left;
            for (const Stretch& piece : open) {
                int a = std::max(piece.from, above.from), b = std::min(piece.to, above.to);
                if (b - a < s.narrowest) {
                    left.push_back(piece);
                    continue;
                }
                stretches.push_back({ a, b, order[oa], piece.closedFrom && a == piece.from, piece.closedTo && b == piece.to });
                if (a - piece.from >= s.narrowest)
                    left.push_back({ piece.from, a, -1, piece.closedFrom, true });
                if (piece.to - b >= s.narrowest)
                    left.push_back({ b, piece.to, -1, true, piece.closedTo });
            }
            open.swap(left);
        }
        for (const Stretch& piece : open)
            stretches.push_back(piece);

        std::vector<Cell> lines;   // stretches of this rule written on as underlines
        // A solid rule much lighter or much heavier than most parts sections,
        // and so does a long one a little heavier; a short one a little
        // heavier is an underline drawn heavier than the boxes around it.
        bool longRule = (bottom.to - bottom.from) * 2 >= mask.width;
        bool divider = usualWeight > 0 && bottom.fill >= 0.85f && bottom.weight > 0 &&
                       (bottom.weight < usualWeight * 0.55 || bottom.weight > usualWeight * 2.0 ||
                        (longRule && bottom.weight > usualWeight * 1.35));
        // A rule across most of the page under anything but another such rule
        // (a row of a table without sides) parts the page, too.
        auto acrossPage = [&](const Rule& r) { return (r.to - r.from) * 10 >= mask.width * 7; };
        // Unless a label stands right before it on its line ("Style of
        // Case: ____"): an underline run on to the margin.
        bool labelled = false;
        for (int x = std::max(0, bottom.from - 3 * s.feet); x < bottom.from - 1 && !labelled; x++)
            labelled = ColumnCount(mask, x, bottom.at0 - s.leastLine, bottom.at0 - s.margin) > 0;
        // The band just above the rule, for the scorer to weigh where these
        // rules say no.
        auto doubt = [&](int x0, int x1, int limit) {
            if (x1 - x0 >= s.shortestLine)
                AddField(doubtful, FieldUnderline, x0 + s.margin, std::max(limit, bottom.at0 - s.lineHeight),
                         x1 - s.margin, bottom.at0 - s.margin, 1);
        };
        auto underline = [&](int x0, int x1, int limit, int topRule) {
            if (TopOfBoxes(mask, upright, bottom, x0, x1, s.sideReach)) {
                doubt(x0, x1, limit);
                return;
            }
            // Ticks on an open rule: a comb with no top.
            int reach = std::max(limit, bottom.at0 - s.underlineHeight);
            std::vector<Comb> combs = FindCombs(mask, scale, { x0, x1, reach, bottom.at0, false, false, -1, order[ob] });
            for (const Comb& comb : combs)
                AddComb(out, scale, comb, std::max(reach, bottom.at0 - comb.tallest - s.margin), bottom.at0 - s.margin);
            if (!combs.empty())
                return;
            if (divider || (acrossPage(bottom) && !labelled && (topRule < 0 || !acrossPage(level[topRule])))) {
                doubt(x0, x1, limit);
                return;
            }
            int ceiling = std::max(limit, bottom.at0 - s.underlineHeight);
            int free = FreeRowsAbove(mask, x0 + s.margin, x1 - s.margin, bottom.at0 - s.margin, ceiling);
            // (A stretch of a solid rule too short to write on may join the
            // next: the rule ran on under a rule above that ended.)
            if (free >= s.leastLine) {
                if (x1 - x0 >= s.shortestLine || bottom.fill >= 0.85f)
                    lines.push_back({ x0, x1, bottom.at0 - s.margin - free, bottom.at0, false, false, -1, order[ob] });
                return;
            }
            // A label standing on the rule ("Name ____", its feet on the
            // rule): the stretches of columns clear of print just above it.
            int y0 = bottom.at0 - s.margin - s.leastLine, y1 = bottom.at0 - s.margin;
            int runFrom = x0;
            for (int x = x0; x <= x1; x++) {
                bool inked = x < x1 && ColumnCount(mask, x, y0, y1) > 0;
                if (x < x1 && !inked)
                    continue;
                // The print before the stretch stands on the rule: a line of
                // print above the rule, its feet clear of it, is a row of
                // text (a question, a note), and what follows it no field.
                bool standing = runFrom == x0;
                for (int k = std::max(x0, runFrom - s.shortestLine / 2); k < runFrom && !standing; k++)
                    standing = ColumnCount(mask, k, bottom.at0 - s.margin - s.feet, bottom.at0 - s.margin + 1) > 0;
                if (x - runFrom >= s.shortestLine && standing) {
                    int a = runFrom + s.margin, b = x - s.margin;
                    int f = FreeRowsAbove(mask, a, b, bottom.at0 - s.margin, ceiling);
                    if (f >= s.leastLine)
                        lines.push_back({ a, b, bottom.at0 - s.margin - f, bottom.at0, false, false, -1, order[ob] });
                }
                runFrom = x + 1;
            }
        };
        for (const Stretch& st : stretches) {
            int bandBottom = bottom.at0;
            if (st.top < 0) {
                underline(st.from, st.to, 0, -1);
                continue;
            }
            const Rule& top = level[st.top];
            int bandTop = top.at1, height = bandBottom - bandTop;
            int reach = std::max(s.sideReach, height / 5);
            // The upright rules that span the band split it into cells.
            std::vector<const Rule*> sides;
            for (const Rule& u : upright)
                if (u.at1 > st.from - s.sideReach && u.at0 < st.to + s.sideReach &&
                    u.from <= bandTop + reach && u.to >= bandBottom - reach)
                    sides.push_back(&u);
            std::sort(sides.begin(), sides.end(), [](const Rule* a, const Rule* b) { return a->at0 < b->at0; });
            int x = st.from;
            bool closed = st.closedFrom;
            std::vector<Cell> cells;
            for (size_t i = 0; i <= sides.size(); i++) {
                int end = i < sides.size() ? sides[i]->at0 : st.to;
                bool closes = i < sides.size() || st.closedTo;
                if (end - x >= s.narrowest)
                    cells.push_back({ x, end, bandTop, bandBottom, closed, closes, st.top, order[ob] });
                if (i < sides.size()) {
                    x = std::max(x, sides[i]->at1);
                    closed = true;
                }
            }
            for (const Cell& c : cells) {
                std::vector<Comb> combs = FindCombs(mask, scale, c);
                bool box = c.closedLeft && c.closedRight;
                for (const Comb& comb : combs) {
                    // A comb fills its box, unless the box is much taller than its ticks.
                    bool fills = box && (c.bottom - c.top) * 2 <= comb.tallest * 5;
                    int combTop = fills ? c.top + s.margin : std::max(c.top + s.margin, c.bottom - comb.tallest - s.margin);
                    AddComb(out, scale, comb, combTop, c.bottom - s.margin);
                }
                if (!combs.empty())
                    continue;
                if (box) {
                    FormField f;
                    if (BoxField(mask, s, c, s.leastFree, f))
                        boxes.push_back({ f, c.topRule, c.bottomRule });
                    else if (c.bottom - c.top >= s.leastFree && c.x1 - c.x0 >= s.narrowest && !Hatched(mask, s, c))
                        AddField(doubtful, FieldBox, c.x0, c.top + s.margin, c.x1, c.bottom - s.margin, 1);
                    continue;
                }
                underline(c.x0, c.x1, c.top + s.margin, c.topRule);
            }
        }
        // Pieces of one rule side by side are one underline: the rule ran on
        // under rules above it that changed.
        std::sort(lines.begin(), lines.end(), [](const Cell& a, const Cell& b) { return a.x0 < b.x0; });
        for (size_t i = 0; i < lines.size();) {
            Cell joined = lines[i];
            size_t k = i + 1;
            while (k < lines.size() && lines[k].x0 - joined.x1 <= s.sideReach) {
                joined.x1 = std::max(joined.x1, lines[k].x1);
                joined.top = std::max(joined.top, lines[k].top);
                k++;
            }
            if (joined.x1 - joined.x0 < s.shortestLine) {
                i = k;
                continue;
            }
            // A short stretch of a broken rule is the tops or feet of a line
            // of print, where a dotted leader runs on for a while.
            if (bottom.fill < 0.85f && joined.x1 - joined.x0 < s.shortDotted) {
                AddField(doubtful, FieldUnderline, joined.x0, std::max(joined.top, joined.bottom - s.lineHeight),
                         joined.x1, joined.bottom, 1);
                i = k;
                continue;
            }
            // A line of handwriting or type fits in the lowest rows of the
            // free band; above them is the space between rows, not the field.
            AddField(out, FieldUnderline, joined.x0, std::max(joined.top, joined.bottom - s.lineHeight), joined.x1,
                     joined.bottom, 1);
            i = k;
        }
    }

    CombsOfShortRules(mask, s, level, order, out);
    CombsOfDashes(scale, out);

    // Two or more equal narrow boxes side by side between the same rules
    // are one comb (digits printed as closed boxes). A pair must be of a
    // character's size and share its middle wall, as the two digits of a month do.
    std::sort(boxes.begin(), boxes.end(), [](const Boxed& a, const Boxed& b) {
        if (a.bottomRule != b.bottomRule)
            return a.bottomRule < b.bottomRule;
        return a.field.area.left < b.field.area.left;
    });
    for (size_t i = 0; i < boxes.size();) {
        const FieldRect& r = boxes[i].field.area;
        int w = r.right - r.left, h = r.bottom - r.top;
        size_t k = i + 1;
        while (k < boxes.size() && boxes[k].bottomRule == boxes[i].bottomRule && boxes[k].topRule == boxes[i].topRule) {
            const FieldRect& q = boxes[k].field.area;
            const FieldRect& p = boxes[k - 1].field.area;
            int qw = q.right - q.left;
            if (q.left - p.right > w / 2 || abs(qw - w) > std::max(2, w / 5) || w > h * 2)
                break;
            k++;
        }
        bool pair = k - i == 2 && w * 2 <= h * 3 && h <= 2 * w && w <= scale.Points(20) && h <= scale.Points(24) &&
                    boxes[i + 1].field.area.left - r.right <= std::max(2, w / 5);
        if (k - i >= 3 || pair) {
            FieldRect span = r;
            for (size_t j = i; j < k; j++) {
                span.top = std::min(span.top, boxes[j].field.area.top);
                span.bottom = std::max(span.bottom, boxes[j].field.area.bottom);
                span.right = boxes[j].field.area.right;
            }
            out.push_back({ FieldComb, span, (int)(k - i) });
        } else {
            for (size_t j = i; j < k; j++)
                (boxes[j].field.area.right - boxes[j].field.area.left >= s.shortestLine * 2 / 3 ? out : doubtful)
                    .push_back(boxes[j].field);
        }
        i = k;
    }
}

// Check boxes: small empty squares (and the round ones of a choice). Each
// short run of ink with clear pixels above it may be the top of one; the box
// is then tested where it stands, side by side and corner by corner, never as
// a connected blob, since a scanned box may blur into a rule beside it or sit
// a point from its label.
#include "fields/field_parts.h"

#include <math.h>
#include <stdlib.h>
#include <algorithm>

namespace {

struct Shape {
    int left, top, right, bottom;   // outer edges, exclusive right and bottom
    int stroke;                     // of the top and left sides
    int strokeRight, strokeBottom;  // heavier where the box casts a shadow
};

// Ink, then clear, then ink down column x from row y; the end of the second ink.
bool ProfileDown(const InkMask& m, int x, int y, int longest, int& stroke1, int& inside, int& end)
{
    int limit = y + longest, k = y;
    while (k < limit && MaskAt(m, x, k))
        k++;
    stroke1 = k - y;
    int clear = k;
    while (k < limit && !MaskAt(m, x, k))
        k++;
    inside = k - clear;
    if (k >= limit || !inside)
        return false;
    int from = k;
    while (k < limit + 3 && MaskAt(m, x, k))
        k++;
    // Ink running on well past a box's bottom side is a rule the box sits
    // on: its bottom side is taken to be as heavy as its top.
    auto runsPast = [&](int row) { return MaskCount(m, row, x - longest, x + longest) >= 2 * longest * 9 / 10; };
    if (k - from > 2 * stroke1 + 2 || (k - from > stroke1 + 2 && runsPast(from + stroke1 + 2)))
        k = from + stroke1;
    // A rule the bottom side runs into, running past the box both ways: the
    // box ends where the rule starts.
    for (int r = from + 1; r < k; r++)
        if (runsPast(r)) {
            k = r;
            break;
        }
    end = k;
    return true;
}

// Clear from x going `step`, then ink: the outer edge of that ink.
int EdgeAcross(const InkMask& m, int x, int y, int step, int longest)
{
    int k = x, n = 0;
    while (n < longest && !MaskAt(m, k, y))
        k += step, n++;
    if (n >= longest)
        return -1;
    while (n < longest + 3 && MaskAt(m, k, y))
        k += step, n++;
    return step > 0 ? k : k + 1;
}

int InkIn(const InkMask& m, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; y++)
        n += MaskCount(m, y, x0, x1);
    return n;
}

bool Square(const InkMask& m, const Shape& s)
{
    int w = s.right - s.left, h = s.bottom - s.top, t = s.stroke;
    int best[4] = { 0, 0, 0, 0 };
    for (int d = 0; d < t + 1; d++) {
        best[0] = std::max(best[0], MaskCount(m, s.top + d, s.left, s.right));
        best[1] = std::max(best[1], MaskCount(m, s.bottom - 1 - d, s.left, s.right));
        best[2] = std::max(best[2], ColumnCount(m, s.left + d, s.top, s.bottom));
        best[3] = std::max(best[3], ColumnCount(m, s.right - 1 - d, s.top, s.bottom));
    }
    // Its corners are square: ink at each, where a letter o is round.
    int reach = t + 1;
    bool corners = InkIn(m, s.left, s.top, s.left + reach, s.top + reach) > 0 &&
                   InkIn(m, s.right - reach, s.top, s.right, s.top + reach) > 0 &&
                   InkIn(m, s.left, s.bottom - reach, s.left + reach, s.bottom) > 0 &&
                   InkIn(m, s.right - reach, s.bottom - reach, s.right, s.bottom) > 0;
    return corners && best[0] * 10 >= w * 8 && best[1] * 10 >= w * 8 && best[2] * 10 >= h * 8 && best[3] * 10 >= h * 8;
}

bool Circle(const InkMask& m, const Shape& s)
{
    double cx = (s.left + s.right - 1) * 0.5, cy = (s.top + s.bottom - 1) * 0.5;
    double r = (s.right - s.left + s.bottom - s.top) * 0.25 - s.stroke * 0.5;
    int onRing = 0, samples = 32;
    for (int i = 0; i < samples; i++) {
        double a = i * 6.283185307179586 / samples;
        int x = (int)lround(cx + r * cos(a)), y = (int)lround(cy + r * sin(a));
        bool ink = false;
        for (int dy = -1; dy <= 1 && !ink; dy++)
            for (int dx = -1; dx <= 1 && !ink; dx++)
                ink = MaskAt(m, x + dx, y + dy);
        onRing += ink;
    }
    // The corners of the bounding square are clear, or it would be a square.
    int t = s.stroke;
    bool cornersClear = !MaskAt(m, s.left + t / 2, s.top + t / 2) && !MaskAt(m, s.right - 1 - t / 2, s.bottom - 1 - t / 2);
    return onRing * 10 >= samples * 9 && cornersClear;
}

// Clear columns on both sides: a round box stands apart, a letter o in a
// word does not.
bool Apart(const InkMask& m, const Shape& s, int gap)
{
    int ink = 0;
    for (int k = 1; k <= gap; k++)
        ink += ColumnCount(m, s.left - k, s.top, s.bottom) + ColumnCount(m, s.right - 1 + k, s.top, s.bottom);
    return ink <= 1;
}

// The ink met going from (x, y) in steps of (dx, dy): first clear, then ink.
int StrokeFrom(const InkMask& m, int x, int y, int dx, int dy, int longest)
{
    int n = 0;
    while (n < longest && !MaskAt(m, x, y))
        x += dx, y += dy, n++;
    int stroke = 0;
    while (n < longest && MaskAt(m, x, y))
        x += dx, y += dy, n++, stroke++;
    return stroke;
}

// The weight of each side, top, bottom, left and right: the least of three
// neighbouring crossings, so a speck of the scan on a side does not count.
void SideWeights(const InkMask& m, const Shape& s, int sides[4])
{
    int midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2, d = (s.bottom - s.top) / 2;
    for (int i = 0; i < 4; i++)
        sides[i] = d;
    for (int k = -1; k <= 1; k++) {
        sides[0] = std::min(sides[0], StrokeFrom(m, midX + k, s.top, 0, 1, d));
        sides[1] = std::min(sides[1], StrokeFrom(m, midX + k, s.bottom - 1, 0, -1, d));
        sides[2] = std::min(sides[2], StrokeFrom(m, s.left, midY + k, 1, 0, d));
        sides[3] = std::min(sides[3], StrokeFrom(m, s.right - 1, midY + k, -1, 0, d));
    }
}

// A box is drawn with a light line all round; a letter's bowl is heavier,
// and a letter O is heavier at its sides than at its top. A box may cast a
// shadow: its right and bottom sides heavier, but alike, and its top and left
// light and even. Sets the shape's right and bottom strokes.
bool LightEvenLine(const InkMask& m, Shape& s)
{
    int sides[4];
    SideWeights(m, s, sides);
    int h = s.bottom - s.top;
    int thinnest = *std::min_element(sides, sides + 4), thickest = *std::max_element(sides, sides + 4);
    s.strokeBottom = std::max(s.stroke, sides[1]), s.strokeRight = std::max(s.stroke, sides[3]);
    if (thinnest > 0 && thickest <= 2 * thinnest + 1 && thickest * 4 <= h + 1)
        return true;
    int light = std::min(sides[0], sides[2]), lightMax = std::max(sides[0], sides[2]);
    int heavy = std::min(sides[1], sides[3]), heavyMax = std::max(sides[1], sides[3]);
    if (light <= 0 || lightMax > 2 * light + 1 || heavy <= lightMax || heavyMax > heavy + 1 + heavy / 2 ||
        heavyMax * 3 > h + 1)
        return false;
    return true;
}

// The clear run through x along row y, stopping at ink either side.
int ClearSpan(const InkMask& m, int x, int y, int longest)
{
    if (MaskAt(m, x, y))
        return 0;
    int a = x, b = x;
    while (x - a < longest && !MaskAt(m, a - 1, y))
        a--;
    while (b - x < longest && !MaskAt(m, b + 1, y))
        b++;
    return b - a + 1;
}

// The clear span across the middle of a box, and the clear run down it.
void Hole(const InkMask& m, const Shape& s, int& middle, int& down)
{
    int midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2;
    middle = ClearSpan(m, midX, midY, s.right - s.left);
    down = 0;
    if (!MaskAt(m, midX, midY)) {
        int a = midY, b = midY;
        while (a > s.top && !MaskAt(m, midX, a - 1))
            a--;
        while (b < s.bottom - 1 && !MaskAt(m, midX, b + 1))
            b++;
        down = b - a + 1;
    }
}

// A box's inside is square: just under its top and just over its bottom it
// is as wide as in its middle, where the hole of a letter o or e narrows;
bool SquareInside(const InkMask& m, const Shape& s)
{
    int sides[4];
    SideWeights(m, s, sides);
    int midX = (s.left + s.right) / 2, w = s.right - s.left;
    int middle, down;
    Hole(m, s, middle, down);
    int high = ClearSpan(m, midX, s.top + sides[0] + 1, w), low = ClearSpan(m, midX, s.bottom - 2 - sides[1], w);
    int slack = std::max(2, middle / 4);
    // and it is most of the box: a heavy letter's hole is small for its size.
    return middle * 9 >= w * 4 && down * 9 >= (s.bottom - s.top) * 4 && high >= middle - slack && low >= middle - slack;
}

bool Outline(const InkMask& m, const Shape& s, bool round)
{
    int w = s.right - s.left, h = s.bottom - s.top;
    // The ink just outside: a label may stand close at one side, but the box
    // is not a cell of a grid.
    // A rule running past it on both sides, just above or below, is one it
    // sits on or under (a column of boxes between a table's rules), as long
    // as its own sides stop short of it, where a cell's run on with clear
    // between them; the top of a box in the next row, right under the rule,
    // runs across. A scan may leave the side lying on the rule heavier than
    // the box's stroke, so the rule is looked for a few rows on.
    auto ruleBeside = [&](int y, int step) {
        auto runsPast = [&](int row) { return MaskCount(m, row, s.left - w, s.right + w) * 10 >= 3 * w * 9; };
        for (int k = 0; k < s.stroke + 2 && !runsPast(y); k++)
            y += step;
        if (!runsPast(y))
            return false;
        for (int k = 1; k <= std::max(3, s.stroke + 1) && runsPast(y + step); k++)
            y += step;
        for (int k = 1; k <= 3; k++) {
            int row = y + k * step;
            if (!MaskAt(m, s.left + s.stroke / 2, row) || !MaskAt(m, s.right - 1 - s.stroke / 2, row) ||
                MaskAt(m, (s.left + s.right) / 2, row))
                return true;
        }
        return false;
    };
    int above = ruleBeside(s.top - 2, -1) ? 0 : MaskCount(m, s.top - 2, s.left, s.right);
    int below = ruleBeside(s.bottom + 1, 1) ? 0 : MaskCount(m, s.bottom + 1, s.left, s.right);
    int around = above + below + ColumnCount(m, s.left - 2, s.top, s.bottom) + ColumnCount(m, s.right + 1, s.top, s.bottom);
    if (around * 3 > 2 * (w + h))
        return false;
    // Empty inside, but for a few specks of the scan; a round box is looked
    // into only within its middle square. A scan may leave a side heavier
    // than the stroke the box was found by: in a box whose hole is half its
    // width and height, where a bold letter's is less, the inside starts past
    // its sides as they are.
    int inset[4];   // top, bottom, left, right
    if (round) {
        std::fill(inset, inset + 4, (w + 2) / 4);
    } else {
        int sides[4] = { 0, 0, 0, 0 }, middle, down;
        Hole(m, s, middle, down);
        if (middle * 2 >= w && down * 2 >= h)
            SideWeights(m, s, sides);
        inset[0] = std::max(s.stroke, sides[0]) + 1, inset[1] = std::max(s.strokeBottom, sides[1]) + 1;
        inset[2] = std::max(s.stroke, sides[2]) + 1, inset[3] = std::max(s.strokeRight, sides[3]) + 1;
    }
    int inside = InkIn(m, s.left + inset[2], s.top + inset[0], s.right - inset[3], s.bottom - inset[1]);
    return inside <= std::max(2, w * h / 50);
}

// A drawn circle has one weight all round.
bool EvenRing(const InkMask& m, const Shape& s)
{
    int sides[4];
    SideWeights(m, s, sides);
    int thinnest = *std::min_element(sides, sides + 4), thickest = *std::max_element(sides, sides + 4);
    return thinnest > 0 && thickest <= thinnest + thinnest / 2;
}

// Nothing printed just before it on its line: a choice starts its label.
bool ClearBefore(const InkMask& m, const Shape& s, int distance)
{
    int ink = 0;
    for (int k = 2; k <= distance + 1; k++)   // past a ragged edge of the scan
        ink += ColumnCount(m, s.left - k, s.top, s.bottom);
    return ink <= 1 + (s.bottom - s.top) / 3;
}

}  // namespace

void FindCheckBoxes(const InkMask& mask, const PageScale& scale, std::vector<FormField>& out,
                    std::vector<FormField>& doubtful)
{
    int least = scale.Points(6.5), most = scale.Points(18);
    std::vector<FormField> found;
    for (int y = 1; y < mask.height - least; y++) {
        const uint64_t* row = MaskRow(mask, y);
        int start, end;
        for (int x = 0; NextRun(row, mask.words, mask.width, x, start, end); x = end + 1) {
            if (end - start > most + 2 || MaskCount(mask, y - 1, start, end) > (end - start) / 3)
                continue;
            int middle = (start + end) / 2;
            int stroke, inside, bottom;
            if (!ProfileDown(mask, middle, y, most + 2, stroke, inside, bottom))
                continue;
            int height = bottom - y;
            // Clear for two fifths of its height at least: a box casting a
            // shadow, blurred by a scan, keeps no more than that.
            if (height < least || height > most || inside * 5 < height * 2)
                continue;
            int midRow = y + height / 2;
            int right = EdgeAcross(mask, middle, midRow, 1, most);
            int left = EdgeAcross(mask, middle, midRow, -1, most);
            int width = right - left;
            if (left < 0 || right < 0 || abs(width - height) > std::max(2, height / 8))
                continue;
            int t = std::max(1, std::min(stroke, height / 4));
            Shape s = { left, y, right, bottom, t, t, t };
            FormField box = { FieldCheck, { left + t, y + t, right - s.strokeRight, bottom - s.strokeBottom }, 1 };
            // Nothing printed right against its left side, as there is in a word.
            // A shape with four straight sides that fails a later test is
            // left to the scorer; the holes of hatching have none.
            bool sides = Square(mask, s);
            if (!LightEvenLine(mask, s) || !ClearBefore(mask, s, std::max(2, scale.Points(1.2)))) {
                if (sides)
                    doubtful.push_back(box);
                continue;
            }
            bool square = sides && SquareInside(mask, s);
            bool round = !square && (end - start) * 10 < width * 7 && Circle(mask, s);
            if (round && (!Apart(mask, s, std::max(2, scale.Points(1.2))) || !EvenRing(mask, s) ||
                          !ClearBefore(mask, s, width / 2)))
                continue;
            if ((square || round) && Outline(mask, s, round))
                found.push_back(box);
            else if (sides)
                doubtful.push_back(box);
        }
    }
    for (const FormField& f : found) {
        bool seen = false;
        for (const FormField& g : out)
            if (g.kind == FieldCheck && abs(g.area.left - f.area.left) <= 2 && abs(g.area.top - f.area.top) <= 2)
                seen = true;
        if (!seen)
            out.push_back(f);
    }
}

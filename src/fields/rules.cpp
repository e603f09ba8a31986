// Printed rules: long, thin stretches of ink, level or upright. Each line of
// the mask (a row, or a column read through 64 x 64 transposed blocks) gives
// its runs of ink with small gaps bridged, so dotted leaders count; runs that
// touch from one line to the next make one rule. A rule is thin on average
// along its length, and the lines just beside it are mostly clear, so the
// feet of a line of text are no rule.
#include "fields/field_parts.h"

#include <algorithm>

namespace {

struct Piece {
    int from, to, part;
};

struct Part {
    int parent;
    int from, to, first, last;
    long long runLength, ink;
};

struct Sweep {
    int gap, shortest, touch;
    std::vector<Part> parts;
    std::vector<Piece> previous, current;
    int previousLine = -2;

    int Root(int p)
    {
        while (parts[p].parent != p) {
            parts[p].parent = parts[parts[p].parent].parent;
            p = parts[p].parent;
        }
        return p;
    }

    void Join(int a, int b)
    {
        a = Root(a), b = Root(b);
        if (a == b)
            return;
        if (a > b)
            std::swap(a, b);
        Part& p = parts[a];
        const Part& q = parts[b];
        p.from = std::min(p.from, q.from);
        p.to = std::max(p.to, q.to);
        p.first = std::min(p.first, q.first);
        p.last = std::max(p.last, q.last);
        p.runLength += q.runLength;
        p.ink += q.ink;
        parts[b].parent = a;
    }

    void AddRun(int line, int from, int to, int ink)
    {
        int id = (int)parts.size();
        parts.push_back({ id, from, to, line, line, to - from, ink });
        current.push_back({ from, to, id });
    }

    // The runs of one line: raw runs of ink, joined across gaps of `gap`.
    void Line(int line, const uint64_t* bits, int words, int length)
    {
        current.clear();
        int x = 0, runFrom = -1, runTo = -1, ink = 0;
        while (x < length) {
            int w = x >> 6;
            uint64_t v = bits[w] & (~0ull << (x & 63));
            while (!v && ++w < words)
                v = bits[w];
            if (!v)
                break;
            int start = w * 64 + __builtin_ctzll(v);
            if (start >= length)
                break;
            v = ~bits[w] & (~0ull << (start & 63));
            while (!v && ++w < words)
                v = ~bits[w];
            int end = v ? std::min(w * 64 + __builtin_ctzll(v), length) : length;
            if (runFrom >= 0 && start - runTo <= gap) {
                runTo = end;
                ink += end - start;
            } else {
                if (runFrom >= 0 && runTo - runFrom >= shortest)
                    AddRun(line, runFrom, runTo, ink);
                runFrom = start, runTo = end, ink = end - start;
            }
            x = end + 1;
        }
        if (runFrom >= 0 && runTo - runFrom >= shortest)
            AddRun(line, runFrom, runTo, ink);
        if (previousLine == line - 1) {
            size_t i = 0;
            for (const Piece& c : current) {
                while (i < previous.size() && previous[i].to + touch <= c.from)
                    i++;
                for (size_t k = i; k < previous.size() && previous[k].from < c.to + touch; k++)
                    Join(previous[k].part, c.part);
            }
        }
        previous.swap(current);
        previousLine = line;
    }
};

void Transpose64(uint64_t a[64])
{
    static const uint64_t masks[6] = { 0xFFFFFFFF00000000ull, 0xFFFF0000FFFF0000ull, 0xFF00FF00FF00FF00ull,
                                       0xF0F0F0F0F0F0F0F0ull, 0xCCCCCCCCCCCCCCCCull, 0xAAAAAAAAAAAAAAAAull };
    for (int level = 0, j = 32; j; level++, j >>= 1) {
        uint64_t m = masks[level];
        for (int k = 0; k < 64; k++) {
            if (k & j)
                continue;
            uint64_t t = (a[k] ^ (a[k | j] << j)) & m;
            a[k] ^= t;
            a[k | j] ^= t >> j;
        }
    }
}

struct RuleLimits {
    int shortest, thickest, thickestDotted, beside;
};

// Keeps the parts that are rules: long, thin, and clear on both sides.
void KeepRules(Sweep& sweep, const RuleLimits& limits, bool level, const InkMask& mask, std::vector<Rule>& out)
{
    for (size_t i = 0; i < sweep.parts.size(); i++) {
        const Part& p = sweep.parts[i];
        if (p.parent != (int)i)
            continue;
        int length = p.to - p.from;
        if (length < limits.shortest)
            continue;
        double thickness = (double)p.runLength / length;
        double fill = (double)p.ink / p.runLength;
        // Its rows are those where it runs along most of its length: print
        // or the top of a box touching it joins the part but is no rule, and
        // is left out of its thickness and fill.
        int first = p.first, last = p.last, least = (int)(length * fill / 2);
        auto along = [&](int at) { return level ? MaskCount(mask, at, p.from, p.to) : ColumnCount(mask, at, p.from, p.to); };
        while (first < last && along(first) < least)
            first++;
        while (last > first && along(last) < least)
            last--;
        int depth = last - first + 1;
        if (first != p.first || last != p.last) {
            int ink = 0;
            for (int at = first; at <= last; at++)
                ink += along(at);
            double coreFill = (double)ink / ((last - first + 1) * (double)length);
            // Only a solid core is a rule with print touching it; a line
            // of text has no solid rows.
            if (coreFill >= 0.9) {
                thickness = last - first + 1;
                fill = std::min(1.0, coreFill);
            } else {
                first = p.first, last = p.last;
            }
        }
        if (thickness > limits.thickest)
            continue;
        // A heavy rule is solid; only a light one may be dotted. A dotted
        // one is a few rows deep (a label beside it aside), where the tops or
        // feet of a line of print, broken in the same way, run down into its
        // letters.
        if ((thickness > limits.thickestDotted || depth > limits.thickestDotted) && fill < 0.9)
            continue;
        int before = first - limits.beside, after = last + limits.beside;
        int inkBefore = level ? MaskCount(mask, before, p.from, p.to) : ColumnCount(mask, before, p.from, p.to);
        int inkAfter = level ? MaskCount(mask, after, p.from, p.to) : ColumnCount(mask, after, p.from, p.to);
        // A solid rule may have print or a parallel rule (a double border)
        // close beside it, but not broken ink all along it. A dotted one,
        // which the tops or feet of a line of text also look like, has clear
        // lines on both sides.
        auto broken = [&](int ink) { return ink * 10 > length * 4 && ink * 100 < length * 85; };
        auto clear = [&](int ink) { return ink * 100 <= length * 12; };
        if (fill >= 0.85 ? broken(inkBefore) || broken(inkAfter) : !clear(inkBefore) || !clear(inkAfter))
            continue;
        out.push_back({ p.from, p.to, first, last + 1, (float)fill, 0.0f });
    }
}

}  // namespace

void FindRules(const InkMask& mask, const PageScale& scale, std::vector<Rule>& level, std::vector<Rule>& upright)
{
    RuleLimits limits = { scale.Points(8), scale.Points(6) + 1, scale.Points(2.2) + 1, std::max(2, scale.Points(0.8)) };

    Sweep rows;
    rows.gap = scale.Points(2.5);
    rows.shortest = limits.shortest;
    rows.touch = 1;
    for (int y = 0; y < mask.height; y++)
        rows.Line(y, MaskRow(mask, y), mask.words, mask.width);
    level.clear();
    KeepRules(rows, limits, true, mask, level);

    // Columns, read 64 at a time through transposed blocks.
    Sweep columns;
    columns.gap = scale.Points(1.5);
    columns.shortest = limits.shortest;
    columns.touch = 1;
    int heightWords = (mask.height + 63) / 64;
    std::vector<uint64_t> strip((size_t)64 * heightWords);
    uint64_t block[64];
    for (int s = 0; s < mask.words; s++) {
        for (int r = 0; r < heightWords; r++) {
            for (int i = 0; i < 64; i++) {
                int y = r * 64 + i;
                block[i] = y < mask.height ? MaskRow(mask, y)[s] : 0;
            }
            Transpose64(block);
            for (int k = 0; k < 64; k++)
                strip[(size_t)k * heightWords + r] = block[k];
        }
        for (int k = 0; k < 64 && s * 64 + k < mask.width; k++)
            columns.Line(s * 64 + k, &strip[(size_t)k * heightWords], heightWords, mask.height);
    }
    // Upright rules are longer than the stems of all but display type.
    limits.shortest = scale.Points(12);
    upright.clear();
    KeepRules(columns, limits, false, mask, upright);
}

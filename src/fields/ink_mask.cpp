// The ink mask: the page read once into one bit per pixel, at a threshold
// faint enough for beige combs and gray rules, with lone specks of a scan
// cleared; and the page's small turn measured and taken out by two shears.
#include "fields/field_parts.h"

#include <math.h>
#include <string.h>
#include <algorithm>

int MaskCount(const InkMask& m, int y, int x0, int x1)
{
    if (y < 0 || y >= m.height)
        return 0;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m.width);
    if (x0 >= x1)
        return 0;
    const uint64_t* row = MaskRow(m, y);
    int w0 = x0 >> 6, w1 = (x1 - 1) >> 6;
    uint64_t first = ~0ull << (x0 & 63);
    uint64_t last = (x1 & 63) ? (~0ull >> (64 - (x1 & 63))) : ~0ull;
    if (w0 == w1)
        return __builtin_popcountll(row[w0] & first & last);
    int n = __builtin_popcountll(row[w0] & first) + __builtin_popcountll(row[w1] & last);
    for (int w = w0 + 1; w < w1; w++)
        n += __builtin_popcountll(row[w]);
    return n;
}

int ColumnCount(const InkMask& m, int x, int y0, int y1)
{
    if (x < 0 || x >= m.width)
        return 0;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, m.height);
    int n = 0;
    for (int y = y0; y < y1; y++)
        n += (MaskRow(m, y)[x >> 6] >> (x & 63)) & 1;
    return n;
}

void InkSpread(const InkMask& m, const FieldRect& a, int inset, float& rows, float& columns)
{
    int x0 = a.left + inset, x1 = a.right - inset, y0 = a.top + inset, y1 = a.bottom - inset;
    rows = columns = 0.0f;
    if (x0 >= x1 || y0 >= y1)
        return;
    int inked = 0;
    for (int y = y0; y < y1; y++)
        inked += MaskCount(m, y, x0, x1) > 0;
    rows = (float)inked / (y1 - y0);
    inked = 0;
    for (int x = x0; x < x1; x++)
        inked += ColumnCount(m, x, y0, y1) > 0;
    columns = (float)inked / (x1 - x0);
}

static inline int Luminance(uint32_t r, uint32_t g, uint32_t b)
{
    return (int)((r * 77 + g * 150 + b * 29) >> 8);
}

static inline int PaletteLuminance(const FieldImage& image, unsigned index)
{
    if (!image.palette)
        return index ? 255 : 0;
    uint32_t c = image.palette[index];
    return Luminance((c >> 16) & 255, (c >> 8) & 255, c & 255);
}

// A channel of a 16- or 32-bit pixel scaled to 0..255.
struct ChannelMask {
    uint32_t mask;
    int shift;
    uint32_t top;
};

static ChannelMask MakeChannel(uint32_t mask)
{
    ChannelMask c = { mask, 0, 1 };
    if (!mask)
        return c;
    while (!((mask >> c.shift) & 1))
        c.shift++;
    c.top = mask >> c.shift;
    return c;
}

static inline uint32_t Channel(const ChannelMask& c, uint32_t v)
{
    return c.mask ? ((v & c.mask) >> c.shift) * 255 / c.top : 0;
}

struct PixelReader {
    ChannelMask red, green, blue;
    int paletteLum[256];
};

static void MakeReader(const FieldImage& image, PixelReader& reader)
{
    uint32_t r = image.masks[0], g = image.masks[1], b = image.masks[2];
    if (!r && !g && !b) {
        if (image.bitCount == 16)
            r = 0x7C00, g = 0x03E0, b = 0x001F;
        else
            r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;
    }
    reader.red = MakeChannel(r);
    reader.green = MakeChannel(g);
    reader.blue = MakeChannel(b);
    int colours = image.bitCount <= 8 ? 1 << image.bitCount : 0;
    for (int i = 0; i < 256; i++)
        reader.paletteLum[i] = i < colours ? PaletteLuminance(image, i) : 255;
}

static const uint8_t* StoredRow(const FieldImage& image, int y)
{
    int stored = image.bottomUp ? image.height - 1 - y : y;
    if (image.readRow)
        return image.readRow(image.source, stored);
    return image.pixels + (size_t)stored * image.stride;
}

static inline int ReadLuminance(const FieldImage& image, const PixelReader& reader, const uint8_t* row, int x)
{
    switch (image.bitCount) {
    case 1: return reader.paletteLum[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4: return reader.paletteLum[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
    case 8: return reader.paletteLum[row[x]];
    case 16: {
        uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        return Luminance(Channel(reader.red, v), Channel(reader.green, v), Channel(reader.blue, v));
    }
    case 24: return Luminance(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: {
        const uint8_t* p = row + 4 * x;
        uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
        return Luminance(Channel(reader.red, v), Channel(reader.green, v), Channel(reader.blue, v));
    }
    }
}

double ColumnDarkness(const FieldImage& image, int paper, int x, int y0, int y1)
{
    if (x < 0 || x >= image.width || paper <= 0)
        return 0.0;
    PixelReader reader;
    MakeReader(image, reader);
    int sum = 0;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); y++)
        sum += std::max(0, paper - ReadLuminance(image, reader, StoredRow(image, y), x));
    return (double)sum / paper;
}

// The paper is what most of the page is: the luminance three in ten sampled
// pixels are darker than. Ink starts a little below it, so a gray or beige
// rule counts while the grain of a scanned sheet does not.
InkLevels MeasureInkLevels(const FieldImage& image)
{
    PixelReader reader;
    MakeReader(image, reader);
    int histogram[256] = {};
    int n = 0;
    int rowStep = std::max(1, image.height / 200), colStep = std::max(1, image.width / 300);
    for (int y = rowStep / 2; y < image.height; y += rowStep) {
        const uint8_t* row = StoredRow(image, y);
        for (int x = colStep / 2; x < image.width; x += colStep) {
            histogram[ReadLuminance(image, reader, row, x)]++;
            n++;
        }
    }
    InkLevels levels = { 255, 235, 175 };
    int seen = 0, wanted = n * 3 / 4;
    for (int v = 0; v < 256; v++) {
        seen += histogram[v];
        if (seen > wanted) {
            levels.paper = v;
            break;
        }
    }
    levels.faint = std::max(96, levels.paper - std::max(18, levels.paper / 12));
    levels.tint = std::max(64, levels.paper - 80);
    return levels;
}

// Clears set pixels that have no set neighbour: the speckle of a scan.
static void ClearSpecks(InkMask& mask)
{
    int n = mask.words;
    std::vector<uint64_t> above(n, 0), current(n);
    for (int y = 0; y < mask.height; y++) {
        uint64_t* row = &mask.bits[(size_t)y * n];
        memcpy(current.data(), row, n * sizeof(uint64_t));
        const uint64_t* below = y + 1 < mask.height ? row + n : nullptr;
        for (int w = 0; w < n; w++) {
            uint64_t c = current[w];
            if (!c)
                continue;
            uint64_t vertical = above[w] | (below ? below[w] : 0);
            uint64_t leftCarry = w > 0 ? ((current[w - 1] | above[w - 1] | (below ? below[w - 1] : 0)) >> 63) : 0;
            uint64_t rightCarry = w + 1 < n ? ((current[w + 1] | above[w + 1] | (below ? below[w + 1] : 0)) << 63) : 0;
            uint64_t all = vertical | c;
            uint64_t neighbours = vertical | (all << 1) | leftCarry | (all >> 1) | rightCarry;
            row[w] = c & neighbours;
        }
        above.swap(current);
    }
}

// Whether all `count` bytes (a multiple of 8) are at least `least` (128 or
// more), eight at a time: paper, where no channel is dark, is passed over
// without working out any pixel's luminance.
static bool AllBytesAtLeast(const uint8_t* p, int count, int least)
{
    if (least < 128)
        return false;
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7Full, high = 0x8080808080808080ull;
    const uint64_t add = 0x0101010101010101ull * (uint64_t)(256 - least);
    for (int i = 0; i < count; i += 8) {
        uint64_t v;
        memcpy(&v, p + i, 8);
        // A byte is at least `least` when its top bit is set and its low
        // seven bits carry into the top bit once 256 - least is added.
        if ((v & ((v & low7) + add) & high) != high)
            return false;
    }
    return true;
}

// Bits of `v` moved one pixel right and left within a row of words, ORed in.
static void SpreadRow(const uint64_t* in, uint64_t* out, int words)
{
    for (int w = 0; w < words; w++) {
        uint64_t v = in[w];
        uint64_t right = (v << 1) | (w > 0 ? in[w - 1] >> 63 : 0);
        uint64_t left = (v >> 1) | (w + 1 < words ? in[w + 1] << 63 : 0);
        out[w] = v | right | left;
    }
}

// Sets every bit within `reach` pixels (across and down) of a set bit.
static void Spread(std::vector<uint64_t>& bits, int words, int height, int reach)
{
    std::vector<uint64_t> row(words);
    for (int k = 0; k < reach; k++)
        for (int y = 0; y < height; y++) {
            uint64_t* r = &bits[(size_t)y * words];
            SpreadRow(r, row.data(), words);
            std::copy(row.begin(), row.end(), r);
        }
    std::vector<uint64_t> out(bits.size());
    for (int y = 0; y < height; y++)
        for (int d = -reach; d <= reach; d++) {
            int from = y + d;
            if (from < 0 || from >= height)
                continue;
            for (int w = 0; w < words; w++)
                out[(size_t)y * words + w] |= bits[(size_t)from * words + w];
        }
    bits.swap(out);
}

// A light tint (a gray panel, a shaded cell) is ink only at its edges, where
// it meets the bare paper: a white box on a tinted panel is then a box drawn
// in outline, and a shaded bar the frame of one. Print darker than the tint,
// and pale rules, which meet the paper all along, stay whole.
static void OutlineTints(InkMask& mask, const std::vector<uint64_t>& dark, int reach)
{
    int words = mask.words, height = mask.height;
    // The paper: clear pixels whose four neighbours are clear too (a speck
    // of the scan's grain inside a tint is no paper).
    std::vector<uint64_t> paper(mask.bits.size());
    uint64_t lastWord = (mask.width & 63) ? (1ull << (mask.width & 63)) - 1 : ~0ull;
    for (int y = 0; y < height; y++) {
        const uint64_t* r = &mask.bits[(size_t)y * words];
        std::vector<uint64_t> grown(words);
        SpreadRow(r, grown.data(), words);
        for (int w = 0; w < words; w++) {
            uint64_t inked = grown[w];
            if (y > 0)
                inked |= r[w - words];
            if (y + 1 < height)
                inked |= r[w + words];
            paper[(size_t)y * words + w] = ~inked & (w + 1 == words ? lastWord : ~0ull);
        }
    }
    Spread(paper, words, height, reach);
    for (size_t i = 0; i < mask.bits.size(); i++)
        mask.bits[i] &= dark[i] | paper[i];
}

void PackInkMask(const FieldImage& image, int faintBelow, int tintBelow, int tintReach, InkMask& mask)
{
    mask.width = image.width;
    mask.height = image.height;
    mask.words = (image.width + 63) / 64;
    mask.bits.assign((size_t)mask.words * image.height, 0);
    std::vector<uint64_t> dark(mask.bits.size(), 0);
    bool tinted = false;
    PixelReader reader;
    MakeReader(image, reader);
    bool ink[256], deep[256];
    for (int i = 0; i < 256; i++) {
        ink[i] = reader.paletteLum[i] < faintBelow;
        deep[i] = reader.paletteLum[i] < tintBelow;
    }
    // At one bit a pixel a stored byte is eight pixels, the leftmost in its
    // top bit: its eight mask bits, the leftmost lowest, for every byte.
    uint8_t inkOfByte[256];
    for (int b = 0; b < 256; b++) {
        inkOfByte[b] = 0;
        for (int i = 0; i < 8; i++)
            inkOfByte[b] |= (uint8_t)(ink[(b >> (7 - i)) & 1] << i);
    }
    const uint32_t limit = (uint32_t)faintBelow * 256, deepLimit = (uint32_t)tintBelow * 256;
    for (int y = 0; y < image.height; y++) {
        const uint8_t* row = StoredRow(image, y);
        uint64_t* out = &mask.bits[(size_t)y * mask.words];
        uint64_t* outDark = &dark[(size_t)y * mask.words];
        for (int w = 0; w < mask.words; w++) {
            int x0 = w * 64, count = std::min(64, image.width - x0);
            uint64_t bits = 0, darkBits = 0;
            if (image.bitCount == 24) {
                const uint8_t* p = row + 3 * x0;
                if (!(count == 64 && AllBytesAtLeast(p, 192, faintBelow)))
                    for (int i = 0; i < count; i++, p += 3) {
                        uint32_t lum = p[2] * 77u + p[1] * 150u + p[0] * 29u;
                        bits |= (uint64_t)(lum < limit) << i;
                        darkBits |= (uint64_t)(lum < deepLimit) << i;
                    }
            } else if (image.bitCount == 8) {
                const uint8_t* p = row + x0;
                for (int i = 0; i < count; i++) {
                    bits |= (uint64_t)ink[p[i]] << i;
                    darkBits |= (uint64_t)deep[p[i]] << i;
                }
            } else if (image.bitCount == 1) {
                const uint8_t* p = row + x0 / 8;
                for (int k = 0; k < (count + 7) / 8; k++)
                    bits |= (uint64_t)inkOfByte[p[k]] << (8 * k);
                if (count < 64)
                    bits &= (1ull << count) - 1;
                darkBits = bits;
            } else if (image.bitCount <= 4) {
                for (int i = 0; i < count; i++) {
                    int x = x0 + i;
                    unsigned index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                    bits |= (uint64_t)ink[index] << i;
                    darkBits |= (uint64_t)deep[index] << i;
                }
            } else {
                for (int i = 0; i < count; i++) {
                    int lum = ReadLuminance(image, reader, row, x0 + i);
                    bits |= (uint64_t)(lum < faintBelow) << i;
                    darkBits |= (uint64_t)(lum < tintBelow) << i;
                }
            }
            out[w] = bits;
            outDark[w] = darkBits;
            tinted |= (bits & ~darkBits) != 0;
        }
    }
    if (tinted && tintReach > 0)
        OutlineTints(mask, dark, tintReach);
    ClearSpecks(mask);
}

// ---- A fine scan read at a coarser pitch ----

int ReduceMask(InkMask& mask, int factor)
{
    if (factor < 2)
        return 1;
    int width = (mask.width + factor - 1) / factor, height = (mask.height + factor - 1) / factor;
    int words = (width + 63) / 64;
    std::vector<uint64_t> merged(mask.words), out(words);
    for (int y = 0; y < height; y++) {
        std::fill(merged.begin(), merged.end(), 0);
        for (int k = 0; k < factor && y * factor + k < mask.height; k++) {
            const uint64_t* row = &mask.bits[(size_t)(y * factor + k) * mask.words];
            for (int w = 0; w < mask.words; w++)
                merged[w] |= row[w];
        }
        std::fill(out.begin(), out.end(), 0);
        for (int w = 0; w < mask.words; w++) {
            uint64_t v = merged[w];
            while (v) {
                int x = (w * 64 + __builtin_ctzll(v)) / factor;
                out[x >> 6] |= 1ull << (x & 63);
                // Skip the rest of this block of `factor` pixels.
                int next = (x + 1) * factor - w * 64;
                v = next >= 64 ? 0 : v & (~0ull << next);
            }
        }
        // Row y of the coarse mask ends before row y * factor of the fine one
        // starts, for every row after the first, which was read already.
        std::copy(out.begin(), out.end(), mask.bits.begin() + (size_t)y * words);
    }
    mask.width = width;
    mask.height = height;
    mask.words = words;
    mask.bits.resize((size_t)words * height);
    return factor;
}

// ---- The page's turn ----

struct LongRun {
    float middle;
    int row, length;
};

double EstimateSlope(const InkMask& mask, const PageScale& scale)
{
    // Pieces of a turned rule are long in every row it crosses: at 1 degree a
    // hairline still gives runs of 57 pixels.
    int shortest = std::max(16, scale.dpi / 5);
    std::vector<LongRun> runs;
    for (int y = 0; y < mask.height; y++) {
        const uint64_t* row = MaskRow(mask, y);
        int x = 0;
        while (x < mask.width) {
            int w = x >> 6;
            uint64_t v = row[w] & (~0ull << (x & 63));
            while (!v && ++w < mask.words)
                v = row[w];
            if (!v)
                break;
            int start = w * 64 + __builtin_ctzll(v);
            v = ~row[w] & (~0ull << (start & 63));
            while (!v && ++w < mask.words)
                v = ~row[w];
            int end = v ? std::min(w * 64 + __builtin_ctzll(v), mask.width) : mask.width;
            // Long runs vote in pieces, so that a turned rule spreads over
            // several rows' bins and a level one stays in one.
            for (int from = start; end - start >= shortest && from < end; from += shortest) {
                int to = std::min(end, from + shortest);
                runs.push_back({ (from + to) * 0.5f - mask.width * 0.5f, y, to - from });
            }
            x = end + 1;
        }
    }
    if (runs.size() < 4)
        return 0.0;
    if (runs.size() > 100000) {
        size_t step = runs.size() / 100000 + 1, k = 0;
        for (size_t i = 0; i < runs.size(); i += step)
            runs[k++] = runs[i];
        runs.resize(k);
    }
    int margin = (int)(mask.width * 0.03) + 2;
    std::vector<double> bins(mask.height + 2 * margin);
    auto score = [&](double slope) {
        std::fill(bins.begin(), bins.end(), 0.0);
        for (const LongRun& r : runs) {
            int b = (int)lround(r.row - r.middle * slope) + margin;
            if (b >= 0 && b < (int)bins.size())
                bins[b] += r.length;
        }
        double s = 0;
        for (double v : bins)
            s += v * v;
        return s;
    };
    const double degree = 3.141592653589793 / 180.0;
    double best = 0.0, bestScore = score(0.0);
    for (double a = -1.5; a <= 1.5001; a += 0.05) {
        double s = score(tan(a * degree));
        if (s > bestScore * 1.0001)
            bestScore = s, best = a;
    }
    double coarse = best;
    for (double a = coarse - 0.05; a <= coarse + 0.0501; a += 0.01) {
        double s = score(tan(a * degree));
        if (s > bestScore * 1.0001)
            bestScore = s, best = a;
    }
    return tan(best * degree);
}

// Moves a row's bits `dx` columns to the right (left when negative).
static void ShiftRow(uint64_t* row, int words, int width, int dx, std::vector<uint64_t>& scratch)
{
    scratch.assign(words, 0);
    int whole = dx >= 0 ? dx >> 6 : -((-dx + 63) >> 6);
    int part = dx - whole * 64;
    for (int w = 0; w < words; w++) {
        uint64_t v = row[w];
        if (!v)
            continue;
        int t = w + whole;
        if (t >= 0 && t < words)
            scratch[t] |= v << part;
        if (part && t + 1 >= 0 && t + 1 < words)
            scratch[t + 1] |= v >> (64 - part);
    }
    if (width & 63)
        scratch[words - 1] &= ~0ull >> (64 - (width & 63));
    memcpy(row, scratch.data(), words * sizeof(uint64_t));
}

void LevelMask(InkMask& mask, double slope)
{
    int n = mask.words, h = mask.height;
    // Columns of 64 pixels move up or down so that rules become level.
    for (int w = 0; w < n; w++) {
        int dy = -(int)lround((w * 64 + 32 - mask.width * 0.5) * slope);
        if (!dy)
            continue;
        if (dy > 0) {
            for (int y = h - 1; y >= 0; y--)
                mask.bits[(size_t)y * n + w] = y - dy >= 0 ? mask.bits[(size_t)(y - dy) * n + w] : 0;
        } else {
            for (int y = 0; y < h; y++)
                mask.bits[(size_t)y * n + w] = y - dy < h ? mask.bits[(size_t)(y - dy) * n + w] : 0;
        }
    }
    // Rows move sideways so that upright rules stand straight.
    std::vector<uint64_t> scratch;
    for (int y = 0; y < h; y++) {
        int dx = (int)lround((y - h * 0.5) * slope);
        if (dx)
            ShiftRow(&mask.bits[(size_t)y * n], n, mask.width, dx, scratch);
    }
}

void UnlevelPoint(const InkMask& mask, double slope, double x, double y, double& ox, double& oy)
{
    double sheared = x - (y - mask.height * 0.5) * slope;
    ox = sheared;
    oy = y + (sheared - mask.width * 0.5) * slope;
}

#include <gtest/gtest.h>
#include <math.h>
#include <algorithm>
#include <stdint.h>
#include <string>
#include <vector>

#include "fields/field_finder.h"
#include "view/form_fields.h"

// A small synthetic form, drawn in points (1/72 inch) from its top-left
// corner as filled rectangles of ink, then rendered as a scan would give it.
struct Mark {
    double x0, y0, x1, y1;
    uint8_t gray;
};

struct Sketch {
    double width, height;   // points
    std::vector<Mark> marks;
};

static void Ink(Sketch& s, double x0, double y0, double x1, double y1, uint8_t gray = 0)
{
    s.marks.push_back({ x0, y0, x1, y1, gray });
}

// A level rule whose top is at y.
static void Rule(Sketch& s, double x0, double x1, double y, double weight = 0.75, uint8_t gray = 0)
{
    Ink(s, x0, y, x1, y + weight, gray);
}

static void Upright(Sketch& s, double x, double y0, double y1, double weight = 0.75, uint8_t gray = 0)
{
    Ink(s, x, y0, x + weight, y1, gray);
}

static void Frame(Sketch& s, double x0, double y0, double x1, double y1, double weight = 0.75, uint8_t gray = 0)
{
    Rule(s, x0, x1, y0, weight, gray);
    Rule(s, x0, x1, y1 - weight, weight, gray);
    Upright(s, x0, y0, y1, weight, gray);
    Upright(s, x1 - weight, y0, y1, weight, gray);
}

// A line of text standing on `baseline`: stems and bars the size of a font
// of `size` points, in words of five letters.
static double Words(Sketch& s, double x, double baseline, double width, double size = 9)
{
    double stem = size * 0.1, advance = size * 0.55;
    int i = 0;
    for (; x + advance <= width + 1e-9; i++) {
        if (i % 6 == 5) {
            x += advance;
            continue;
        }
        double tall = i % 3 == 0 ? size * 0.72 : size * 0.5;
        Ink(s, x, baseline - tall, x + stem, baseline);
        if (i % 2)
            Ink(s, x, baseline - size * 0.5, x + size * 0.4, baseline - size * 0.5 + stem);
        else
            Ink(s, x, baseline - stem, x + size * 0.4, baseline);
        x += advance;
    }
    return x;
}

static void Dots(Sketch& s, double x0, double x1, double y, double period = 3)
{
    for (double x = x0; x + 1 <= x1; x += period)
        Ink(s, x, y, x + 1, y + 1);
}

struct Scan {
    int dpi = 150;
    double turn = 0;          // degrees, clockwise
    bool specks = false;      // lone specks and a slight blur
    int bitCount = 8;         // 8 (gray palette) or 24
};

struct Picture {
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette;
    FieldImage image;
};

static uint32_t NextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Renders the sketch: every pixel takes the darkest mark its middle falls in,
// turned about the page's middle; stored bottom row first, as a .bmp is.
static Picture Render(const Sketch& sketch, const Scan& scan)
{
    double k = scan.dpi / 72.0;
    int w = (int)lround(sketch.width * k), h = (int)lround(sketch.height * k);
    std::vector<uint8_t> gray((size_t)w * h, 255);
    double t = scan.turn * 3.141592653589793 / 180.0, c = cos(t), sn = sin(t);
    double cx = w / 2.0, cy = h / 2.0;
    for (const Mark& m : sketch.marks) {
        double xs[4] = { m.x0 * k, m.x1 * k, m.x0 * k, m.x1 * k }, ys[4] = { m.y0 * k, m.y0 * k, m.y1 * k, m.y1 * k };
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (int i = 0; i < 4; i++) {
            double x = cx + (xs[i] - cx) * c - (ys[i] - cy) * sn, y = cy + (xs[i] - cx) * sn + (ys[i] - cy) * c;
            left = fmin(left, x), right = fmax(right, x), top = fmin(top, y), bottom = fmax(bottom, y);
        }
        for (int y = std::max(0, (int)top - 1); y < std::min(h, (int)bottom + 2); y++)
            for (int x = std::max(0, (int)left - 1); x < std::min(w, (int)right + 2); x++) {
                // The share of the pixel the mark covers, from 4 x 4 samples,
                // so that a thin rule keeps its weight wherever it falls.
                int covered = 0;
                for (int sy = 0; sy < 4; sy++)
                    for (int sx = 0; sx < 4; sx++) {
                        double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
                        double ux = cx + px * c + py * sn, uy = cy - px * sn + py * c;
                        covered += ux >= m.x0 * k && ux < m.x1 * k && uy >= m.y0 * k && uy < m.y1 * k;
                    }
                if (covered) {
                    uint8_t& g = gray[(size_t)y * w + x];
                    g = std::min(g, (uint8_t)(255 - (255 - m.gray) * covered / 16));
                }
            }
    }
    if (scan.specks) {
        std::vector<uint8_t> blurred(gray);
        for (int y = 1; y + 1 < h; y++)
            for (int x = 1; x + 1 < w; x++) {
                int sum = 4 * gray[(size_t)y * w + x] + gray[(size_t)y * w + x - 1] + gray[(size_t)y * w + x + 1] +
                          gray[(size_t)(y - 1) * w + x] + gray[(size_t)(y + 1) * w + x];
                blurred[(size_t)y * w + x] = (uint8_t)(sum / 8);
            }
        gray.swap(blurred);
        uint32_t state = 12345;
        for (size_t i = 0; i < gray.size(); i++)
            if (NextRandom(state) % 200 == 0)
                gray[i] = (uint8_t)(90 + NextRandom(state) % 100);
    }
    Picture p;
    int bytes = scan.bitCount / 8;
    int stride = (w * bytes + 3) & ~3;
    p.pixels.assign((size_t)stride * h, 0);
    for (int y = 0; y < h; y++) {
        uint8_t* row = &p.pixels[(size_t)(h - 1 - y) * stride];
        for (int x = 0; x < w; x++)
            for (int b = 0; b < bytes; b++)
                row[x * bytes + b] = gray[(size_t)y * w + x];
    }
    for (uint32_t v = 0; v < 256; v++)
        p.palette.push_back(v * 0x010101u);
    p.image = FieldImage();
    p.image.pixels = p.pixels.data();
    p.image.width = w;
    p.image.height = h;
    p.image.bitCount = scan.bitCount;
    p.image.stride = stride;
    p.image.bottomUp = true;
    p.image.palette = p.palette.data();
    p.image.dotsPerInch = scan.dpi;
    return p;
}

// Where a field is expected, in points: its middle must lie within.
struct Want {
    FieldKind kind;
    double x0, y0, x1, y1;
    int cells;
};

static std::string Describe(const std::vector<FormField>& found)
{
    std::string text;
    for (const FormField& f : found)
        text += "  kind " + std::to_string(f.kind) + " [" + std::to_string(f.area.left) + ", " + std::to_string(f.area.top) +
                ", " + std::to_string(f.area.right) + ", " + std::to_string(f.area.bottom) + "] cells " +
                std::to_string(f.cells) + "\n";
    return text;
}

// Every wanted field is found once, of its kind, and nothing else is found.
static void ExpectFields(const Sketch& sketch, const Scan& scan, const std::vector<Want>& wants)
{
    Picture p = Render(sketch, scan);
    std::vector<FormField> found = FindFormFields(p.image);
    SCOPED_TRACE("found:\n" + Describe(found));
    EXPECT_EQ(found.size(), wants.size());
    double k = scan.dpi / 72.0, t = scan.turn * 3.141592653589793 / 180.0;
    double cx = p.image.width / 2.0, cy = p.image.height / 2.0;
    for (const Want& want : wants) {
        int hits = 0;
        for (const FormField& f : found) {
            // The find's middle, turned back onto the page as drawn.
            double mx = (f.area.left + f.area.right) / 2.0 - cx, my = (f.area.top + f.area.bottom) / 2.0 - cy;
            double x = (cx + mx * cos(t) + my * sin(t)) / k, y = (cy - mx * sin(t) + my * cos(t)) / k;
            if (x >= want.x0 && x <= want.x1 && y >= want.y0 && y <= want.y1 && f.kind == want.kind &&
                (want.kind != FieldComb || f.cells == want.cells))
                hits++;
        }
        EXPECT_EQ(hits, 1) << "wanted kind " << want.kind << " in [" << want.x0 << ", " << want.y0 << ", " << want.x1
                           << ", " << want.y1 << "] pt";
    }
}

// ---- The forms ----

static Sketch Page() { return Sketch{ 300, 220, {} }; }

static Sketch BoxForm()
{
    Sketch s = Page();
    Frame(s, 40, 60, 260, 90);
    return s;
}

static Sketch UnderlineForm()
{
    Sketch s = Page();
    double x = Words(s, 40, 100, 70);
    Rule(s, x + 4, 260, 100);
    return s;
}

// Eight cells on an open rule; `taller` ticks (every fourth) part groups.
static Sketch CombForm(bool grouped = false)
{
    Sketch s = Page();
    Rule(s, 60, 60 + 8 * 14, 100);
    for (int i = 0; i <= 8; i++) {
        bool tall = i == 0 || i == 8 || (grouped && i % 4 == 0);
        Upright(s, 60 + i * 14 - (i == 8 ? 0.75 : 0), tall ? 88 : 94, 100.5);
    }
    return s;
}

static Sketch CheckForm()
{
    Sketch s = Page();
    Frame(s, 40, 80, 49, 89, 0.6);
    Words(s, 53, 88, 120);
    return s;
}

static Sketch LabelledBoxForm()
{
    Sketch s = Page();
    Frame(s, 40, 60, 260, 110);
    Words(s, 43, 70, 110, 7);
    return s;
}

static Sketch ParagraphForm()
{
    Sketch s = Page();
    for (int line = 0; line < 8; line++)
        Words(s, 30, 40 + line * 12, 270, 9);
    return s;
}

// A table of two columns and three rows under a row of headings.
static Sketch TableForm()
{
    Sketch s = Page();
    double top = 40, row = 24;
    for (int r = 0; r <= 4; r++)
        Rule(s, 30, 270, top + r * row);
    for (double x : { 30.0, 150.0, 269.25 })
        Upright(s, x, top, top + 4 * row + 0.75);
    Words(s, 36, top + 16, 120);
    Words(s, 156, top + 16, 240);
    return s;
}

static Sketch DottedForm()
{
    Sketch s = Page();
    double x = Words(s, 40, 100, 70);
    Dots(s, x + 3, 260, 99);
    return s;
}

// Digits printed as closed boxes side by side, `side` points wide and `tall` high.
static Sketch DigitBoxForm(int count = 6, double side = 14, double tall = 16)
{
    Sketch s = Page();
    for (int i = 0; i < count; i++)
        Frame(s, 60 + i * side, 80, 60 + i * side + side + 0.75, 80 + tall);
    return s;
}

// A date on an open rule: month and day of two cells, a year of four, the
// groups parted by taller ticks.
static Sketch DateCombForm()
{
    Sketch s = Page();
    Rule(s, 60, 60 + 8 * 14, 100);
    for (int i = 0; i <= 8; i++) {
        bool tall = i == 0 || i == 2 || i == 4 || i == 8;
        Upright(s, 60 + i * 14 - (i == 8 ? 0.75 : 0), tall ? 88 : 94, 100.5);
    }
    return s;
}

// A form printed in gray, with a heavy black rule that parts two sections:
// the underlines are the gray rules, the heavy rule is none.
static Sketch GrayForm()
{
    Sketch s = Page();
    Rule(s, 20, 280, 40, 2.5);
    Words(s, 30, 60, 120, 10);
    double x = Words(s, 30, 90, 70);
    Rule(s, x + 4, 200, 90, 0.75, 150);
    Rule(s, 30, 200, 120, 0.75, 150);
    Frame(s, 30, 140, 150, 170, 0.75, 150);
    Frame(s, 170, 140, 270, 170, 0.75, 150);
    return s;
}

// A form, how it is scanned, and the fields it holds.
struct Case {
    const char* name;
    Sketch sketch;
    Scan scan;
    std::vector<Want> wants;
};

TEST(FieldFinder, FindsEachKindOfFieldOnSmallForms)
{
    const Case cases[] = {
        { "box", BoxForm(), {}, { { FieldBox, 41, 61, 259, 89, 1 } } },
        { "underline", UnderlineForm(), {}, { { FieldUnderline, 80, 86, 260, 100, 1 } } },
        { "comb", CombForm(), {}, { { FieldComb, 60, 88, 172, 100, 8 } } },
        { "comb in two groups", CombForm(true), {}, { { FieldComb, 60, 88, 116, 100, 4 }, { FieldComb, 116, 88, 172, 100, 4 } } },
        { "check box", CheckForm(), {}, { { FieldCheck, 40, 80, 49, 89, 1 } } },
        { "label in a box", LabelledBoxForm(), {}, { { FieldBox, 41, 72, 259, 109, 1 } } },
        { "paragraph", ParagraphForm(), {}, {} },
        { "table", TableForm(), {},
          { { FieldBox, 31, 64, 150, 88, 1 }, { FieldBox, 151, 64, 269, 88, 1 }, { FieldBox, 31, 88, 150, 112, 1 },
            { FieldBox, 151, 88, 269, 112, 1 }, { FieldBox, 31, 112, 150, 136, 1 }, { FieldBox, 151, 112, 269, 136, 1 } } },
        { "dotted leader", DottedForm(), {}, { { FieldUnderline, 80, 86, 260, 99, 1 } } },
        { "digit boxes", DigitBoxForm(), {}, { { FieldComb, 60, 80, 145, 96, 6 } } },
        { "two digit boxes sharing a wall", DigitBoxForm(2), {}, { { FieldComb, 60, 80, 89, 96, 2 } } },
        { "two small digit boxes", DigitBoxForm(2, 9, 9), {}, { { FieldComb, 60, 80, 79, 89, 2 } } },
        { "date of 2, 2 and 4 cells on a rule", DateCombForm(), {},
          { { FieldComb, 60, 88, 88, 100, 2 }, { FieldComb, 88, 88, 116, 100, 2 }, { FieldComb, 116, 88, 172, 100, 4 } } },
        { "gray rules and a section rule", GrayForm(), {},
          { { FieldUnderline, 80, 78, 200, 90, 1 }, { FieldUnderline, 30, 100, 200, 120, 1 },
            { FieldBox, 31, 141, 149, 169, 1 }, { FieldBox, 171, 141, 269, 169, 1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFields(c.sketch, c.scan, c.wants);
    }
}

TEST(FieldFinder, ScansThatAreTurnedSpeckledColouredOrFine)
{
    struct Case {
        const char* name;
        Scan scan;
    };
    const Case cases[] = {
        { "turned one degree", { 150, 1.0, false, 8 } },
        { "turned back 0.6 degrees and speckled", { 150, -0.6, true, 8 } },
        { "24 bits at 100 dpi", { 100, 0.0, false, 24 } },
        { "300 dpi turned 0.4 degrees, speckled", { 300, 0.4, true, 8 } },
        { "600 dpi, 24 bits", { 600, 0.0, false, 24 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFields(GrayForm(), c.scan,
                     { { FieldUnderline, 80, 78, 200, 90, 1 }, { FieldUnderline, 30, 100, 200, 120, 1 },
                       { FieldBox, 31, 141, 149, 169, 1 }, { FieldBox, 171, 141, 269, 169, 1 } });
        ExpectFields(CombForm(), c.scan, { { FieldComb, 60, 88, 172, 100, 8 } });
        ExpectFields(CheckForm(), c.scan, { { FieldCheck, 40, 80, 49, 89, 1 } });
    }
}

TEST(FieldFinder, AnImageItCannotReadHasNoFields)
{
    uint8_t pixels[16] = {};
    FieldImage image = {};
    image.pixels = pixels;
    image.width = 4;
    image.height = 4;
    image.stride = 4;
    image.bitCount = 7;
    EXPECT_TRUE(FindFormFields(image).empty());
    image.bitCount = 8;
    image.stride = 2;
    EXPECT_TRUE(FindFormFields(image).empty());
    image.pixels = nullptr;
    image.stride = 4;
    EXPECT_TRUE(FindFormFields(image).empty());
}

TEST(FieldFinder, ReadingOrderIsRowsTopToBottomThenLeftToRight)
{
    auto field = [](int left, int top, int right, int bottom) { return FormField{ FieldBox, { left, top, right, bottom }, 1 }; };
    // Two fields of the first row, the right one a little higher; then a
    // lower row of two, given in scrambled order.
    std::vector<FormField> fields = { field(300, 205, 400, 225), field(10, 100, 200, 120), field(210, 96, 290, 118),
                                      field(10, 200, 200, 220) };
    OrderFieldsForReading(fields);
    const int lefts[] = { 10, 210, 10, 300 };
    const int tops[] = { 100, 96, 200, 205 };
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fields[i].area.left, lefts[i]);
        EXPECT_EQ(fields[i].area.top, tops[i]);
    }
}

// ---- Forms unlike the ones the finder was first made on ----

// A check box that casts a shadow: light top and left, heavier right and bottom.
static Sketch ShadowedCheckForm()
{
    Sketch s = Page();
    Frame(s, 40, 80, 49, 89, 0.5);
    Ink(s, 48.5, 81, 50.2, 90.2);
    Ink(s, 41, 88.5, 50.2, 90.2);
    Words(s, 54, 88, 120);
    return s;
}

// Small check boxes with a deep shadow as a blurred scan leaves them at 150
// dpi, one character a pixel: the inside is well under half the height.
static Sketch DeepShadowCheckForm()
{
    static const char* const rows[] = {
        ".....#############.....", "....################...", "....#################..",
        "....###.#.###########..", "...####.........#####..", "....###........######..",
        "...####.........#####..", "....###.........#####..", "...####........######..",
        "...####.........#####..", "...####........######..", "....###........######..",
        "...##################..", "...##################..", "....#################..",
        "....#################..", ".....###############...", ".......##.####.####....",
    };
    Sketch s = Page();
    const double px = 72.0 / 150;
    for (int box = 0; box < 3; box++) {   // a column of choices, one under the other
        int top = 180 + 24 * box;
        for (int r = 0; r < (int)(sizeof rows / sizeof rows[0]); r++)
            for (int c = 0; rows[r][c]; c++)
                if (rows[r][c] == '#')
                    Ink(s, (100 + c) * px, (top + r) * px, (101 + c) * px, (top + 1 + r) * px);
        Words(s, (100 + 26) * px, (top + 16) * px, 60);
    }
    return s;
}

// A column of check boxes in a table, one to a row, as a blurred scan leaves
// them at 150 dpi: each box lies on the rule of its row, and the next row's
// box starts just under that rule; its sides are heavier than its top, and
// its bottom side `bottom` pixels deep.
static Sketch BoxesOnRulesForm(int bottom)
{
    Sketch s = Page();
    const double px = 72.0 / 150;
    auto pixels = [&](int x0, int y0, int x1, int y1) { Ink(s, x0 * px, y0 * px, x1 * px, y1 * px); };
    for (int box = 0; box <= 3; box++) {
        int top = 180 + 25 * box;
        pixels(84, top, 625, top + 3);   // the row's rule, three pixels deep
        if (box == 3)
            break;
        int y = top + 5, x = 210;        // the box: 22 by 20 pixels
        pixels(x, y, x + 22, y + 3);
        pixels(x, y + 3, x + 5, y + 20 - bottom);
        pixels(x + 17, y + 3, x + 22, y + 20 - bottom);
        pixels(x, y + 20 - bottom, x + 22, y + 20);
        Words(s, 44, (top + 19) * px, 84);
    }
    return s;
}

// A row of three cells between rules, the middle one hatched across: the
// form's way of saying "nothing here".
static Sketch HatchedCellForm()
{
    Sketch s = Page();
    Rule(s, 40, 280, 60, 1.0);
    Rule(s, 40, 280, 85, 1.0);
    for (int i = 0; i <= 3; i++)
        Upright(s, 40 + i * 80, 60, 85.5, 1.0);
    for (double x = 120 - 25; x < 200; x += 6)   // lines falling to the right
        for (double d = 0; d < 25; d += 0.25)
            if (x + d > 121 && x + d < 199 && d > 0.6 && d < 24.4)
                Ink(s, x + d, 60 + d, x + d + 0.35, 60 + d + 0.35);
    return s;
}

// An amount in two cells side by side: the whole units, and the cents in a
// narrow cell after a divider.
// An amount's cell and, after its divider, the cents, with no right side of
// their own: the rules above and below run on past the divider.
static Sketch OpenCentsForm()
{
    Sketch s = Page();
    Words(s, 20, 80, 50);
    Rule(s, 60, 200, 60, 1.0);
    Rule(s, 60, 200, 84, 1.0);
    Upright(s, 60, 60, 85, 1.0);
    Upright(s, 180, 60, 85, 1.0);
    return s;
}

static Sketch AmountCellsForm()
{
    Sketch s = Page();
    Words(s, 20, 75, 30);
    Frame(s, 60, 60, 180, 80, 1.0);
    Frame(s, 180, 60, 200, 80, 1.0);
    Words(s, 20, 115, 30);
    Frame(s, 60, 100, 180, 120, 1.0);
    Frame(s, 183, 100, 203, 120, 1.0);
    return s;
}

// The letters "of" of a line of small print as a blurred scan leaves them at
// 150 dpi, one character a pixel: the o runs into the f, and its hole looks
// like the inside of a box with a shadow.
static Sketch BlurredLettersForm()
{
    static const char* const rows[] = {
        "....................####....", "..................#######...", "..................#######...",
        "..................######....", "..................####......", "......#######....#######....",
        ".....#########..#########...", "....#####################...", "...#####################....",
        "...#####....#####.####......", "...####.....#####.####......", "...####......####.####......",
        "...####......####.####......", "...####......####.####......", "...#####....#####.####......",
        "...#####...######.####......", "....############..####......", ".....##########...####......",
        "......########....####......", ".......######......##.......",
    };
    Sketch s = Page();
    const double px = 72.0 / 150;
    for (int r = 0; r < 20; r++)
        for (int c = 0; rows[r][c]; c++)
            if (rows[r][c] == '#')
                Ink(s, (200 + c) * px, (180 + r) * px, (201 + c) * px, (181 + r) * px);
    return s;
}

// White boxes on a gray panel, with no border of their own, under a label.
static Sketch TintedPanelForm()
{
    Sketch s = Page();
    const uint8_t tint = 215;
    Ink(s, 20, 40, 280, 60, tint);
    Ink(s, 20, 90, 280, 110, tint);
    Ink(s, 20, 60, 40, 90, tint);
    Ink(s, 150, 60, 170, 90, tint);
    Ink(s, 270, 60, 280, 90, tint);
    Words(s, 40, 55, 140, 7);
    return s;
}

// A column of amounts: boxes between rules, each with a cents part after it
// where "00" is printed standing on the rule below.
static Sketch AmountColumnForm()
{
    Sketch s = Page();
    for (int r = 0; r <= 3; r++)
        Rule(s, 60, 210, 60 + r * 20, 1.5);
    Upright(s, 60, 60, 121.5, 1.5);
    Upright(s, 180, 60, 121.5, 1.5);
    for (int r = 1; r <= 3; r++) {
        Frame(s, 184, 60 + r * 20 - 9, 190, 60 + r * 20, 1.4);
        Frame(s, 192, 60 + r * 20 - 9, 198, 60 + r * 20, 1.4);
    }
    return s;
}

// A row of a table with no right side: a question printed in it, its feet
// clear of the rule under it; the row's empty end is no field.
static Sketch QuestionRowForm()
{
    Sketch s = Page();
    Rule(s, 20, 280, 60);
    Rule(s, 20, 280, 90);
    Upright(s, 20, 60, 90.75);
    Words(s, 30, 85, 160);
    return s;
}

// "Last 4 digits: __ __ __ __": four short underlines, one to a digit. As a
// scan leaves them, each dash is a little longer than a short rule.
static Sketch ShortUnderlinesForm(double dash = 12, double pitch = 16)
{
    Sketch s = Page();
    double x = Words(s, 30, 90, 90);
    for (int i = 0; i < 4; i++)
        Rule(s, x + 6 + i * pitch, x + 6 + dash + i * pitch, 90);
    return s;
}

// "Style of Case: ______" with the line run on to the right margin, under a
// row of two shorter underlines, labelled or (`close`) side by side a few
// points apart.
static Sketch LabelledLongLineForm(bool close = false)
{
    Sketch s = Page();
    if (close) {
        Rule(s, 40, 150, 60);
        Rule(s, 158, 285, 60);
    } else {
        double x = Words(s, 20, 60, 60);
        Rule(s, x + 2, 140, 60);
        x = Words(s, 150, 60, 190);
        Rule(s, x + 2, 285, 60);
    }
    double x = Words(s, 20, 90, 60);
    Rule(s, x + 1, 285, 90);
    return s;
}

// Boxes over an underline a little heavier than their sides, across a third
// of the page: the underline is a field, not the end of a section.
static Sketch HeavyUnderlineForm()
{
    Sketch s = Page();
    Frame(s, 30, 30, 150, 55, 1.0);
    Frame(s, 170, 30, 270, 55, 1.0);
    Frame(s, 30, 130, 150, 155, 1.0);
    double x = Words(s, 30, 90, 50);
    Rule(s, x + 4, x + 110, 90, 1.5);
    return s;
}

// A table with a column of check boxes, one to a row, each box nearly as
// tall as its row: the rest of the cell either side of a box is where its
// label would go, no field.
static Sketch CheckColumnForm()
{
    Sketch s = Page();
    for (int r = 0; r <= 3; r++)
        Rule(s, 30, 270, 60 + r * 14);
    for (double x : { 30.0, 150.0, 190.0, 270.0 })
        Upright(s, x, 60, 102.75);
    for (int r = 0; r < 3; r++)
        Frame(s, 165, 62 + r * 14, 175, 72.5 + r * 14);
    return s;
}

// An amount's cell with a small "+" printed at its bottom left: the amount
// is written right of the sign, over the cell's whole height.
static Sketch SignedAmountForm()
{
    Sketch s = Page();
    Frame(s, 60, 60, 180, 86, 1.0);
    Ink(s, 63, 78.5, 70, 79.5);
    Ink(s, 66, 75.5, 67, 82.5);
    return s;
}

// "D D / M M / Y Y Y Y": cells sharing their walls, a faint letter in each
// as a guide, a slash between the groups.
static Sketch GuidedDateForm()
{
    Sketch s = Page();
    double x = Words(s, 20, 70, 50);
    const int groups[] = { 2, 2, 4 };
    x = 60;
    for (int g = 0; g < 3; g++) {
        for (int c = 0; c < groups[g]; c++, x += 12) {
            Frame(s, x, 60, x + 12.75, 72.5);
            Ink(s, x + 4, 63, x + 5, 70, 185);   // the guide, a light D, M or Y
            Ink(s, x + 4, 63, x + 8, 64, 185);
            Ink(s, x + 4, 69, x + 8, 70, 185);
        }
        if (g < 2)
            Ink(s, x + 2.5, 62, x + 3.5, 71);   // the slash
        x += 6;
    }
    return s;
}

TEST(FieldFinder, MissesAndFalseFindsOfFormsNeverSeen)
{
    const Scan scanned = { 150, 0.4, true, 8 };
    const Case cases[] = {
        { "a check box with a shadow", ShadowedCheckForm(), {}, { { FieldCheck, 40, 80, 50, 90, 1 } } },
        { "a check box with a shadow, scanned", ShadowedCheckForm(), scanned, { { FieldCheck, 40, 80, 50, 90, 1 } } },
        { "an amount's whole units and its cents in cells side by side", AmountCellsForm(), {},
          { { FieldBox, 60, 60, 200, 80, 1 }, { FieldBox, 60, 100, 203, 120, 1 } } },
        { "an amount's whole units and cents with no right side", OpenCentsForm(), {},
          { { FieldBox, 120, 66, 140, 78, 1 } } },
        { "the hole of an o blurred into the f beside it", BlurredLettersForm(), {}, {} },
        { "white boxes on a tinted panel", TintedPanelForm(), {},
          { { FieldBox, 40, 60, 150, 90, 1 }, { FieldBox, 170, 60, 270, 90, 1 } } },
        { "white boxes on a tinted panel, scanned", TintedPanelForm(), scanned,
          { { FieldBox, 40, 60, 150, 90, 1 }, { FieldBox, 170, 60, 270, 90, 1 } } },
        { "the empty end of a row holding a question", QuestionRowForm(), {}, {} },
        { "a dotted leader after its label, scanned", DottedForm(), scanned, { { FieldUnderline, 80, 86, 260, 99, 1 } } },
        { "an underline's field is the line above it, not the space up to the print above",
          UnderlineForm(), {}, { { FieldUnderline, 80, 90, 260, 100, 1 } } },
        { "short underlines side by side", ShortUnderlinesForm(), {}, { { FieldComb, 120, 78, 190, 90, 4 } } },
        { "dashes a little longer than a short rule side by side", ShortUnderlinesForm(15, 19), {},
          { { FieldComb, 120, 78, 200, 90, 4 } } },
        { "a line after its label run on to the margin", LabelledLongLineForm(), {},
          { { FieldUnderline, 62, 45, 140, 60, 1 }, { FieldUnderline, 192, 45, 285, 60, 1 },
            { FieldUnderline, 62, 75, 285, 90, 1 } } },
        { "a heavy underline among hairline boxes", HeavyUnderlineForm(), {},
          { { FieldBox, 31, 31, 149, 54, 1 }, { FieldBox, 171, 31, 269, 54, 1 }, { FieldBox, 31, 131, 149, 154, 1 },
            { FieldUnderline, 84, 78, 190, 90, 1 } } },
        { "a column of check boxes in a table", CheckColumnForm(), {},
          { { FieldBox, 31, 61, 149, 73, 1 }, { FieldCheck, 166, 63, 175, 72, 1 }, { FieldBox, 191, 61, 269, 73, 1 },
            { FieldBox, 31, 75, 149, 87, 1 }, { FieldCheck, 166, 77, 175, 86, 1 }, { FieldBox, 191, 75, 269, 87, 1 },
            { FieldBox, 31, 89, 149, 101, 1 }, { FieldCheck, 166, 91, 175, 100, 1 }, { FieldBox, 191, 89, 269, 101, 1 } } },
        { "an amount after a small sign at the bottom of its cell", SignedAmountForm(), {},
          { { FieldBox, 100, 70, 150, 80, 1 } } },
        { "amounts with cents printed on the rule, scanned", AmountColumnForm(), scanned,
          { { FieldBox, 61, 61, 180, 80, 1 }, { FieldBox, 61, 81, 180, 100, 1 }, { FieldBox, 61, 101, 180, 120, 1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFields(c.sketch, c.scan, c.wants);
    }
}

// The middle of a field found on a page drawn at `dpi`, in the page's points.
static void MiddleInPoints(const FormField& f, int dpi, double& x, double& y)
{
    x = (f.area.left + f.area.right) / 2.0 * 72.0 / dpi;
    y = (f.area.top + f.area.bottom) / 2.0 * 72.0 / dpi;
}

// A check box whose shadow, blurred by a scan, leaves less than half of it
// clear passes the finder's own tests: the scorer then weighs it with the
// boxes it has learned from, which is the corpus's business, not this one's.
TEST(FieldFinder, ACheckBoxWithADeepShadowPassesTheFindersTests)
{
    Picture p = Render(DeepShadowCheckForm(), {});
    std::vector<FieldCandidate> weighed;
    FindFormFieldsWith(p.image, NULL, &weighed);
    for (int box = 0; box < 3; box++) {
        int passed = 0;
        for (const FieldCandidate& c : weighed) {
            double mx, my;
            MiddleInPoints(c.field, 150, mx, my);
            passed += c.field.kind == FieldCheck && c.features[28] == 1.0f && mx >= 48 && mx <= 58 &&
                      my >= 86 + box * 11.5 && my <= 96 + box * 11.5;
        }
        EXPECT_EQ(passed, 1) << "box " << box;
    }
}

// Boxes whose sides the scan left heavier, lying on a table's rules, pass the
// finder's own tests as the same boxes do when printed clean.
TEST(FieldFinder, CheckBoxesOnATablesRulesPassTheFindersTests)
{
    for (int bottom : { 3, 2 }) {   // a bottom side and the rule under it as deep as two tops, or less
        Picture p = Render(BoxesOnRulesForm(bottom), {});
        std::vector<FieldCandidate> weighed;
        FindFormFieldsWith(p.image, NULL, &weighed);
        const double px = 72.0 / 150;
        for (int box = 0; box < 3; box++) {
            double top = (180 + 25 * box + 5) * px, left = 210 * px;
            int passed = 0;
            for (const FieldCandidate& c : weighed) {
                double mx, my;
                MiddleInPoints(c.field, 150, mx, my);
                passed += c.field.kind == FieldCheck && c.features[28] == 1.0f && mx >= left &&
                          mx <= left + 22 * px && my >= top && my <= top + 20 * px;
            }
            EXPECT_EQ(passed, 1) << "box " << box << ", bottom side " << bottom << " pixels";
        }
    }
}

// A date in cells with a guide letter in each is three combs, one to a
// group, among the finds the scorer weighs.
TEST(FieldFinder, ADateInGuidedCellsPassesTheFindersTestsAsCombs)
{
    Picture p = Render(GuidedDateForm(), {});
    std::vector<FieldCandidate> weighed;
    FindFormFieldsWith(p.image, NULL, &weighed);
    struct Group { double x0, x1; int cells; };
    for (const Group& g : { Group{ 66, 78, 2 }, Group{ 96, 108, 2 }, Group{ 138, 150, 4 } }) {
        int passed = 0;
        for (const FieldCandidate& c : weighed) {
            double mx, my;
            MiddleInPoints(c.field, 150, mx, my);
            passed += c.field.kind == FieldComb && c.field.cells == g.cells && c.features[28] == 1.0f && mx >= g.x0 &&
                      mx <= g.x1 && my >= 62 && my <= 71;
        }
        EXPECT_EQ(passed, 1) << "the group at " << g.x0 << " pt";
    }
}

// A line under two lines that end a few points apart runs on under the gap:
// it is one candidate, not a piece under each.
TEST(FieldFinder, ALineUnderTwoLinesAFewPointsApartIsOneCandidate)
{
    Picture p = Render(LabelledLongLineForm(true), {});
    std::vector<FieldCandidate> weighed;
    FindFormFieldsWith(p.image, NULL, &weighed);
    int pieces = 0, whole = 0;
    for (const FieldCandidate& c : weighed) {
        double mx, my;
        MiddleInPoints(c.field, 150, mx, my);
        if (my < 75 || my > 90)
            continue;
        pieces++;
        whole += c.field.area.left * 72.0 / 150 < 70 && c.field.area.right * 72.0 / 150 > 280;
    }
    EXPECT_EQ(pieces, 1);
    EXPECT_EQ(whole, 1);
}

// A hatched cell is no place to write: it is not even put to the scorer,
// which has seen hatching on one form of the corpus only.
TEST(FieldFinder, AHatchedCellIsNoCandidate)
{
    Picture p = Render(HatchedCellForm(), {});
    std::vector<FieldCandidate> weighed;
    FindFormFieldsWith(p.image, NULL, &weighed);
    int empty = 0;
    for (const FieldCandidate& c : weighed) {
        double mx, my;
        MiddleInPoints(c.field, 150, mx, my);
        EXPECT_FALSE(mx > 120 && mx < 200 && my > 60 && my < 85) << "a candidate in the hatched cell";
        empty += (mx < 120 || mx > 200) && my > 60 && my < 85;
    }
    EXPECT_EQ(empty, 2);
}

// The scorer's table scores candidates of the corpus as the training tool
// scored them when it wrote the table (both are rewritten together).
TEST(FieldFinder, TheScorersTableAgreesWithTheTrainingTool)
{
    struct Case {
        float features[FieldFeatureCount];
        double score;
    };
    static const Case cases[] = {
#include "field_model_cases.inc"
    };
    for (const Case& c : cases)
        EXPECT_NEAR(FieldModelScore(kFieldModel, c.features), c.score, 1e-6 * (1 + fabs(c.score)));
}

// A picture read a row at a time (as the search reads a form's file) gives
// the same fields as the picture in memory. The reader hands out one buffer,
// overwritten at every call, so a row kept past the next read would show.
struct OneRowAtATime {
    const FieldImage* picture;
    std::vector<uint8_t> row;
    int reads;
};

static const uint8_t* ReadOneRow(void* source, int storedRow)
{
    OneRowAtATime& r = *(OneRowAtATime*)source;
    const uint8_t* from = r.picture->pixels + (size_t)storedRow * r.picture->stride;
    r.row.assign(from, from + r.picture->stride);
    r.reads++;
    return r.row.data();
}

TEST(FieldFinder, APictureReadRowByRowHasTheSameFields)
{
    const struct {
        Sketch sketch;
        Scan scan;
    } cases[] = {
        { GrayForm(), { 150, 0.0, false, 8 } },
        { TableForm(), { 300, 0.4, true, 24 } },
        { CombForm(), { 100, 0.0, false, 8 } },
    };
    for (const auto& c : cases) {
        Picture p = Render(c.sketch, c.scan);
        std::vector<FormField> inMemory = FindFormFields(p.image);
        OneRowAtATime reader = { &p.image, {}, 0 };
        FieldImage rows = p.image;
        rows.pixels = NULL;
        rows.readRow = ReadOneRow;
        rows.source = &reader;
        std::vector<FormField> read = FindFormFields(rows);
        EXPECT_GT(reader.reads, 0);
        EXPECT_FALSE(inMemory.empty());
        EXPECT_EQ(Describe(read), Describe(inMemory));
    }
}

// The search of a form opened on screen reads its rows from the file, a band
// at a time: the same fields whichever way up the rows are stored, and none
// from a file cut short.
TEST(FieldFinder, AFormsFileReadBandByBandHasTheSameFields)
{
    Picture p = Render(TableForm(), { 300, 0.4, true, 8 });
    std::string inMemory = Describe(FindFormFields(p.image));
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "fld", 0, path);
    const uint32_t at = 100;
    size_t bytes = (size_t)p.image.stride * p.image.height;
    for (int way = 0; way < 3; way++) {
        bool topDown = way == 1, cut = way == 2;
        std::vector<uint8_t> file(at, 0x5A);
        for (int r = 0; r < p.image.height; r++) {
            int from = topDown ? p.image.height - 1 - r : r;
            const uint8_t* row = p.image.pixels + (size_t)from * p.image.stride;
            file.insert(file.end(), row, row + p.image.stride);
        }
        if (cut)
            file.resize(at + bytes / 2);
        HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD wrote = 0;
        WriteFile(h, file.data(), (DWORD)file.size(), &wrote, NULL);
        FieldImage layout = p.image;
        layout.pixels = NULL;
        layout.bottomUp = !topDown;
        std::string read = Describe(FindFieldsInFile(h, at, layout));
        CloseHandle(h);
        EXPECT_EQ(read, cut ? std::string() : inMemory) << (topDown ? "top-down" : cut ? "cut short" : "bottom-up");
    }
    DeleteFileA(path);
    EXPECT_FALSE(inMemory.empty());
}

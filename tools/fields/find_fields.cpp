// find_fields: runs the field finder on a .bmp, natively, for `make fields`.
//
//     find_fields FORM.bmp [OUT.json] [--repeat N] [--model FILE | --all] [--candidates FILE]
//
// Writes the fields found as JSON, [[left, top, right, bottom, "kind"], ...]
// in image pixels from the top-left corner (to OUT.json, or to standard
// output), and prints to standard error the page's size and the finder's
// time per page (the best of N runs).
//
// --model FILE weighs the candidates with the trees in FILE (as train.py
// writes them) instead of the program's own; --cuts SURE DOUBTFUL keeps
// candidates above other scores than the model's; --all keeps every candidate.
// --candidates FILE writes every candidate weighed, a line each: left, top,
// right, bottom, kind, cells, score, then its measures, separated by tabs.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <vector>

#include "fields/field_finder.h"

static uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
static uint16_t U16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

static bool ReadFile(const char* path, std::vector<uint8_t>& data)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    data.resize(size > 0 ? size : 0);
    bool ok = size > 0 && fread(data.data(), 1, size, f) == (size_t)size;
    fclose(f);
    return ok;
}

// A model as train.py writes it: "trees T nodes N bias B cuts S D roots R...", then a line
// per node: feature threshold left right value.
struct LoadedModel {
    std::vector<int32_t> roots, left, right;
    std::vector<int16_t> feature;
    std::vector<double> threshold, value;
    FieldModel model;
};

static bool LoadModel(const char* path, LoadedModel& m)
{
    FILE* f = fopen(path, "r");
    if (!f)
        return false;
    int trees = 0, nodes = 0;
    double bias = 0;
    double sureCut = 0, doubtCut = 0;
    bool ok = fscanf(f, "trees %d nodes %d bias %lf cuts %lf %lf roots", &trees, &nodes, &bias, &sureCut, &doubtCut) == 5 &&
              trees >= 0 && nodes >= 0;
    for (int t = 0; ok && t < trees; t++) {
        int r;
        ok = fscanf(f, "%d", &r) == 1;
        m.roots.push_back(r);
    }
    for (int n = 0; ok && n < nodes; n++) {
        int feature, left, right;
        double threshold, value;
        ok = fscanf(f, "%d %lf %d %d %lf", &feature, &threshold, &left, &right, &value) == 5;
        m.feature.push_back((int16_t)feature), m.threshold.push_back(threshold), m.left.push_back(left);
        m.right.push_back(right), m.value.push_back(value);
    }
    fclose(f);
    m.model = { trees, m.roots.data(), m.feature.data(), m.threshold.data(), m.left.data(), m.right.data(),
                m.value.data(), bias, sureCut, doubtCut };
    return ok;
}

static const char* KindName(FieldKind kind)
{
    switch (kind) {
    case FieldBox: return "box";
    case FieldUnderline: return "underline";
    case FieldComb: return "comb";
    default: return "check";
    }
}

int main(int argc, char** argv)
{
    const char* in = nullptr;
    const char* out = nullptr;
    int repeat = 1;
    const FieldModel* model = &kFieldModel;
    LoadedModel loaded;
    const char* candidatesPath = nullptr;
    double cuts[2] = { 1e9, 1e9 };   // the model's own
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--model") && i + 1 < argc) {
            if (!LoadModel(argv[++i], loaded)) {
                fprintf(stderr, "%s: not a model\n", argv[i]);
                return 2;
            }
            model = &loaded.model;
        } else if (!strcmp(argv[i], "--cuts") && i + 2 < argc) {
            cuts[0] = atof(argv[++i]);
            cuts[1] = atof(argv[++i]);
        } else if (!strcmp(argv[i], "--all"))
            model = nullptr;
        else if (!strcmp(argv[i], "--candidates") && i + 1 < argc)
            candidatesPath = argv[++i];
        else if (!in)
            in = argv[i];
        else
            out = argv[i];
    }
    if (!in) {
        fprintf(stderr, "usage: find_fields FORM.bmp [OUT.json] [--repeat N]\n");
        return 2;
    }
    std::vector<uint8_t> file;
    if (!ReadFile(in, file) || file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
        fprintf(stderr, "%s: not a .bmp file\n", in);
        return 1;
    }
    uint32_t offBits = U32(&file[10]), infoSize = U32(&file[14]);
    const uint8_t* info = &file[14];
    int32_t width = (int32_t)U32(info + 4), height = (int32_t)U32(info + 8);
    int bitCount = U16(info + 14);
    uint32_t compression = U32(info + 16);
    uint32_t pelsPerMeter = U32(info + 24), used = U32(info + 32);
    FieldImage image = {};
    image.width = width;
    image.height = height < 0 ? -height : height;
    image.bottomUp = height > 0;
    image.bitCount = bitCount;
    image.stride = (int)(((int64_t)width * bitCount + 31) / 32 * 4);
    image.dotsPerInch = (int)(pelsPerMeter * 0.0254 + 0.5);
    size_t tableAt = 14 + infoSize;
    if (compression == 3) {
        const uint8_t* m = infoSize >= 52 ? info + 40 : &file[tableAt];
        for (int i = 0; i < 3; i++)
            image.masks[i] = U32(m + 4 * i);
        if (infoSize < 52)
            tableAt += 12;
    }
    std::vector<uint32_t> palette(256, 0);
    if (bitCount <= 8) {
        uint32_t colours = used ? used : 1u << bitCount;
        for (uint32_t i = 0; i < colours && i < 256 && tableAt + 4 * i + 4 <= file.size(); i++)
            palette[i] = U32(&file[tableAt + 4 * i]) & 0xFFFFFF;
        image.palette = palette.data();
    }
    if (offBits + (uint64_t)image.stride * image.height > file.size()) {
        fprintf(stderr, "%s: pixels missing\n", in);
        return 1;
    }
    image.pixels = &file[offBits];

    FieldModel cut;
    if (model && cuts[0] < 1e9) {
        cut = *model;
        cut.sureCut = cuts[0], cut.doubtCut = cuts[1];
        model = &cut;
    }
    std::vector<FormField> fields;
    std::vector<FieldCandidate> weighed;
    double best = 1e30;
    for (int r = 0; r < (repeat > 0 ? repeat : 1); r++) {
        auto t0 = std::chrono::steady_clock::now();
        weighed.clear();
        fields = FindFormFieldsWith(image, model, candidatesPath ? &weighed : nullptr);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (ms < best)
            best = ms;
    }
    fprintf(stderr, "%s: %dx%d %d-bit %d dpi, %zu fields, %.1f ms (%.2f ns per pixel)\n", in, image.width, image.height,
            bitCount, image.dotsPerInch, fields.size(), best, best * 1e6 / ((double)image.width * image.height));

    if (candidatesPath) {
        FILE* c = fopen(candidatesPath, "w");
        if (!c) {
            fprintf(stderr, "%s: cannot write\n", candidatesPath);
            return 1;
        }
        for (const FieldCandidate& w : weighed) {
            const FieldRect& a = w.field.area;
            fprintf(c, "%d\t%d\t%d\t%d\t%s\t%d\t%.9g", a.left, a.top, a.right, a.bottom, KindName(w.field.kind),
                    w.field.cells, w.score);
            for (int k = 0; k < FieldFeatureCount; k++)
                fprintf(c, "\t%.9g", w.features[k]);
            fputc('\n', c);
        }
        fclose(c);
    }
    std::string json = "[";
    for (size_t i = 0; i < fields.size(); i++) {
        const FieldRect& a = fields[i].area;
        char item[128];
        snprintf(item, sizeof item, "%s[%d, %d, %d, %d, \"%s\", %d]", i ? ",\n " : "", a.left, a.top, a.right, a.bottom,
                 KindName(fields[i].kind), fields[i].cells);
        json += item;
    }
    json += "]\n";
    FILE* f = out ? fopen(out, "w") : stdout;
    if (!f) {
        fprintf(stderr, "%s: cannot write\n", out);
        return 1;
    }
    fputs(json.c_str(), f);
    if (out)
        fclose(f);
    return 0;
}

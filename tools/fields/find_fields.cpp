// find_fields: runs the field finder on a .bmp, natively, for `make fields`.
//
//     find_fields FORM.bmp [OUT.json] [--repeat N]
//
// Writes the fields found as JSON, [[left, top, right, bottom, "kind"], ...]
// in image pixels from the top-left corner (to OUT.json, or to standard
// output), and prints to standard error the page's size and the finder's
// time per page (the best of N runs).
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
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = atoi(argv[++i]);
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

    std::vector<FormField> fields;
    double best = 1e30;
    for (int r = 0; r < (repeat > 0 ? repeat : 1); r++) {
        auto t0 = std::chrono::steady_clock::now();
        fields = FindFormFields(image);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (ms < best)
            best = ms;
    }
    fprintf(stderr, "%s: %dx%d %d-bit %d dpi, %zu fields, %.1f ms (%.2f ns per pixel)\n", in, image.width, image.height,
            bitCount, image.dotsPerInch, fields.size(), best, best * 1e6 / ((double)image.width * image.height));

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

#include "output/pdf_writer.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <zlib.h>

// A number as the file writes it: at most three decimals, no trailing zeros.
static std::string Number(double value)
{
    char text[40];
    snprintf(text, sizeof text, "%.3f", value);
    char* end = text + strlen(text);
    while (end[-1] == '0')
        *--end = 0;
    if (end[-1] == '.')
        *--end = 0;
    if (strcmp(text, "-0") == 0)
        return "0";
    return text;
}

static std::string Whole(int64_t value)
{
    char text[24];
    snprintf(text, sizeof text, "%lld", (long long)value);
    return text;
}

void PdfBegin(PdfOutput& out)
{
    out.pending.clear();
    out.written = 0;
    out.offsets.assign(1, 0);
    out.pages.clear();
    // The second line's bytes above 127 tell transfer programs the file is binary.
    out.pending += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    out.catalog = PdfNewObject(out);
    out.pageTree = PdfNewObject(out);
}

int PdfNewObject(PdfOutput& out)
{
    out.offsets.push_back(0);
    return (int)out.offsets.size() - 1;
}

uint64_t PdfPosition(const PdfOutput& out)
{
    return out.written + out.pending.size();
}

void PdfTakePending(PdfOutput& out, std::string* bytes)
{
    out.written += out.pending.size();
    bytes->swap(out.pending);
    out.pending.clear();
}

static void StartObject(PdfOutput& out, int number)
{
    out.offsets[number] = PdfPosition(out);
    out.pending += Whole(number) + " 0 obj\n";
}

static void EndObject(PdfOutput& out)
{
    out.pending += "endobj\n";
}

static void WriteObject(PdfOutput& out, int number, const std::string& body)
{
    StartObject(out, number);
    out.pending += body;
    out.pending += "\n";
    EndObject(out);
}

// ---- compression straight into the pending bytes ----

struct Deflating {
    z_stream stream;
    bool ok;
};

static bool StartDeflating(Deflating& d, int level, int strategy = Z_DEFAULT_STRATEGY)
{
    memset(&d.stream, 0, sizeof d.stream);
    d.ok = deflateInit2(&d.stream, level, Z_DEFLATED, 15, 8, strategy) == Z_OK;
    return d.ok;
}

// Compresses `length` bytes onto the end of `out` (`finish`: the last of them).
static void Deflate(Deflating& d, std::string& out, const void* data, size_t length, bool finish)
{
    d.stream.next_in = (Bytef*)data;
    d.stream.avail_in = (uInt)length;
    int flush = finish ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
        size_t room = deflateBound(&d.stream, d.stream.avail_in) + 64;
        size_t at = out.size();
        out.resize(at + room);
        d.stream.next_out = (Bytef*)&out[at];
        d.stream.avail_out = (uInt)room;
        int result = deflate(&d.stream, flush);
        out.resize(at + room - d.stream.avail_out);
        if (result == Z_STREAM_END || (result == Z_OK && !finish && d.stream.avail_in == 0))
            return;
        if (result != Z_OK && result != Z_BUF_ERROR) {
            d.ok = false;
            return;
        }
    }
}

static bool EndDeflating(Deflating& d)
{
    deflateEnd(&d.stream);
    return d.ok;
}

// The stream's dictionary with its length as the object `lengthObject`,
// written after the stream once the compressed length is known.
static void StartStream(PdfOutput& out, int number, const std::string& dictionary, int lengthObject)
{
    StartObject(out, number);
    out.pending += "<<" + dictionary + " /Filter /FlateDecode /Length " + Whole(lengthObject) + " 0 R>>\nstream\n";
}

static void EndStream(PdfOutput& out, uint64_t streamStart, int lengthObject)
{
    uint64_t length = PdfPosition(out) - streamStart;
    out.pending += "\nendstream\n";
    EndObject(out);
    WriteObject(out, lengthObject, Whole((int64_t)length));
}

bool PdfWriteStream(PdfOutput& out, int number, const std::string& dictionary, const void* data, size_t length)
{
    int lengthObject = PdfNewObject(out);
    Deflating d;
    if (!StartDeflating(d, Z_DEFAULT_COMPRESSION))
        return false;
    StartStream(out, number, dictionary, lengthObject);
    uint64_t start = PdfPosition(out);
    Deflate(d, out.pending, data, length, true);
    EndStream(out, start, lengthObject);
    return EndDeflating(d);
}

void PdfFinish(PdfOutput& out)
{
    std::string kids;
    for (size_t i = 0; i < out.pages.size(); i++)
        kids += (i ? " " : "") + Whole(out.pages[i]) + " 0 R";
    WriteObject(out, out.pageTree,
                "<</Type /Pages /Kids [" + kids + "] /Count " + Whole((int64_t)out.pages.size()) + ">>");
    WriteObject(out, out.catalog, "<</Type /Catalog /Pages " + Whole(out.pageTree) + " 0 R>>");
    uint64_t table = PdfPosition(out);
    size_t count = out.offsets.size();
    out.pending += "xref\n0 " + Whole((int64_t)count) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < count; i++) {
        char entry[24];
        snprintf(entry, sizeof entry, "%010llu 00000 n \n", (unsigned long long)out.offsets[i]);
        out.pending += entry;
    }
    out.pending += "trailer\n<</Size " + Whole((int64_t)count) + " /Root " + Whole(out.catalog) +
                   " 0 R>>\nstartxref\n" + Whole((int64_t)table) + "\n%%EOF\n";
}

// ---- pictures ----

static uint8_t Red(uint32_t rgb) { return (uint8_t)(rgb >> 16); }
static uint8_t Green(uint32_t rgb) { return (uint8_t)(rgb >> 8); }
static uint8_t Blue(uint32_t rgb) { return (uint8_t)rgb; }

// Whether the palette is the gray ramp of its depth (or, for 1 bit, that
// ramp upside down: white first).
static bool GrayRamp(const PdfPicture& p, bool inverted)
{
    int levels = 1 << p.bitCount;
    if (p.paletteCount != levels)
        return false;
    for (int i = 0; i < levels; i++) {
        int level = (inverted ? levels - 1 - i : i) * 255 / (levels - 1);
        uint32_t c = p.palette[i];
        if (Red(c) != level || Green(c) != level || Blue(c) != level)
            return false;
    }
    return true;
}

PdfImageForm PdfImageFormOf(const PdfPicture& p)
{
    PdfImageForm form = {};
    if (p.bitCount <= 8) {
        form.bitsPerComponent = p.bitCount;
        form.rowBytes = (p.width * p.bitCount + 7) / 8;
        if (GrayRamp(p, false))
            form.space = PdfGray;
        else if (p.bitCount == 1 && GrayRamp(p, true)) {
            form.space = PdfGray;
            form.inverted = true;
        } else
            form.space = PdfIndexed;
        return form;
    }
    form.space = PdfRgb;
    form.bitsPerComponent = 8;
    form.rowBytes = p.width * 3;
    return form;
}

// A colour part under `mask` of a pixel value, as 0 to 255.
static uint8_t MaskedPart(uint32_t value, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        shift++;
    uint32_t top = mask >> shift;
    return (uint8_t)((((value & mask) >> shift) * 255 + top / 2) / top);
}

static void MaskedRow(const uint8_t* in, int width, int bytes, const uint32_t masks[3], uint8_t* out)
{
    for (int x = 0; x < width; x++, in += bytes) {
        uint32_t value = bytes == 2 ? (uint32_t)(in[0] | in[1] << 8)
                                    : (uint32_t)(in[0] | in[1] << 8 | in[2] << 16 | (uint32_t)in[3] << 24);
        for (int c = 0; c < 3; c++)
            *out++ = MaskedPart(value, masks[c]);
    }
}

void PdfImageRow(const PdfPicture& p, const PdfImageForm& form, int row, uint8_t* out)
{
    int stored = p.topDown ? row : p.height - 1 - row;
    const uint8_t* in = p.bits + (size_t)stored * p.stride;
    if (p.bitCount <= 8) {
        memcpy(out, in, form.rowBytes);
        // The bits past the last pixel are the picture's padding: kept clean.
        int spare = form.rowBytes * 8 - p.width * p.bitCount;
        if (spare)
            out[form.rowBytes - 1] &= (uint8_t)(0xFF << spare);
        return;
    }
    if (p.bitCount == 24) {
        for (int x = 0; x < p.width; x++, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        return;
    }
    static const uint32_t Masks16[3] = { 0x7C00, 0x03E0, 0x001F };
    static const uint32_t Masks32[3] = { 0xFF0000, 0x00FF00, 0x0000FF };
    const uint32_t* masks = p.masks[0] | p.masks[1] | p.masks[2] ? p.masks : p.bitCount == 16 ? Masks16 : Masks32;
    MaskedRow(in, p.width, p.bitCount / 8, masks, out);
}

static std::string HexPalette(const PdfPicture& p)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string hex = "<";
    for (int i = 0; i < p.paletteCount; i++) {
        uint8_t parts[3] = { Red(p.palette[i]), Green(p.palette[i]), Blue(p.palette[i]) };
        for (uint8_t part : parts) {
            hex += Digits[part >> 4];
            hex += Digits[part & 15];
        }
    }
    return hex + ">";
}

static std::string ImageDictionary(const PdfPicture& p, const PdfImageForm& form)
{
    std::string d = "/Type /XObject /Subtype /Image /Width " + Whole(p.width) + " /Height " + Whole(p.height) +
                    " /BitsPerComponent " + Whole(form.bitsPerComponent) + " /ColorSpace ";
    if (form.space == PdfGray)
        d += "/DeviceGray";
    else if (form.space == PdfRgb)
        d += "/DeviceRGB";
    else
        d += "[/Indexed /DeviceRGB " + Whole(p.paletteCount > 0 ? p.paletteCount - 1 : 0) + " " + HexPalette(p) + "]";
    if (form.inverted)
        d += " /Decode [1 0]";
    return d;
}

bool PdfWriteImage(PdfOutput& out, int number, const PdfPicture& picture, int level)
{
    PdfImageForm form = PdfImageFormOf(picture);
    std::vector<uint8_t> row;
    try {
        row.resize((size_t)form.rowBytes + 1);
    } catch (...) {
        return false;
    }
    int lengthObject = PdfNewObject(out);
    Deflating d;
    // RGB rows of a scan are long runs of the paper's colour: run-length
    // matching finds them as well as a full search, several times faster.
    if (!StartDeflating(d, level, form.space == PdfRgb ? Z_RLE : Z_DEFAULT_STRATEGY))
        return false;
    StartStream(out, number, ImageDictionary(picture, form), lengthObject);
    uint64_t start = PdfPosition(out);
    for (int y = 0; y < picture.height && d.ok; y++) {
        PdfImageRow(picture, form, y, row.data());
        Deflate(d, out.pending, row.data(), form.rowBytes, y == picture.height - 1);
    }
    if (picture.height == 0)
        Deflate(d, out.pending, row.data(), 0, true);
    EndStream(out, start, lengthObject);
    return EndDeflating(d);
}

// ---- fonts ----

std::string PdfNameOf(const char* text)
{
    std::string name;
    for (const char* c = text; *c; c++)
        if ((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9'))
            name += *c;
    return name.empty() ? "Font" : name;
}

// The codes of an entry's text: 32 to 255 (a control character draws nothing).
const int FirstCode = 32, LastCode = 255;

bool PdfWriteFont(PdfOutput& out, int number, const PdfFont& font)
{
    int descriptor = PdfNewObject(out);
    int file = font.file ? PdfNewObject(out) : 0;
    std::string widths;
    for (int c = FirstCode; c <= LastCode; c++)
        widths += (c > FirstCode ? " " : "") + Whole(font.widths[c]);
    WriteObject(out, number,
                "<</Type /Font /Subtype /TrueType /BaseFont /" + font.name + " /FirstChar " + Whole(FirstCode) +
                    " /LastChar " + Whole(LastCode) + " /Widths [" + widths + "] /Encoding /WinAnsiEncoding" +
                    " /FontDescriptor " + Whole(descriptor) + " 0 R>>");
    // Flags: nonsymbolic (32), italic (64).
    std::string d = "<</Type /FontDescriptor /FontName /" + font.name + " /Flags " + Whole(font.italic ? 96 : 32) +
                    " /FontBBox [" + Whole(font.box[0]) + " " + Whole(font.box[1]) + " " + Whole(font.box[2]) +
                    " " + Whole(font.box[3]) + "] /ItalicAngle " + Whole(font.italicAngle) + " /Ascent " +
                    Whole(font.ascent) + " /Descent " + Whole(font.descent) + " /CapHeight " +
                    Whole(font.capHeight) + " /StemV " + Whole(font.stemV);
    if (file)
        d += " /FontFile2 " + Whole(file) + " 0 R";
    WriteObject(out, descriptor, d + ">>");
    return !file || PdfWriteStream(out, file, "/Length1 " + Whole((int64_t)font.fileSize), font.file, font.fileSize);
}

// ---- pages ----

std::string PdfString(const char* text, int length)
{
    std::string s = "(";
    for (int i = 0; i < length; i++) {
        uint8_t c = (uint8_t)text[i];
        if (c == '(' || c == ')' || c == '\\') {
            s += '\\';
            s += (char)c;
        } else if (c < 32 || c > 126) {
            char octal[8];
            snprintf(octal, sizeof octal, "\\%03o", c);
            s += octal;
        } else
            s += (char)c;
    }
    return s + ")";
}

static std::string ColourOperands(uint32_t colour)
{
    return Number(Red(colour) / 255.0) + " " + Number(Green(colour) / 255.0) + " " + Number(Blue(colour) / 255.0);
}

void PdfAppendText(std::string& content, int pictureHeight, const PdfTextRun& run)
{
    if (run.length <= 0 || run.size <= 0)
        return;
    double y = pictureHeight - run.y;
    std::string matrix = run.turned ? "0 1 -1 0 " : "1 0 0 1 ";
    content += "BT\n/F" + Whole(run.font) + " " + Number(run.size) + " Tf\n" + ColourOperands(run.colour) + " rg\n" +
               matrix + Number(run.x) + " " + Number(y) + " Tm\n[";
    // After each character the pen moves by the font's width; the number
    // after it (in 1000ths of the em, subtracted) makes that move the
    // platform's advance.
    for (int i = 0; i < run.length; i++) {
        content += PdfString(run.text + i, 1);
        if (i + 1 < run.length) {
            double adjust = run.widths[(uint8_t)run.text[i]] - run.advances[i] * 1000.0 / run.size;
            if (fabs(adjust) >= 0.0005)
                content += Number(adjust);
        }
    }
    content += "] TJ\nET\n";
}

std::string PdfPageContentStart(double dpi, int width, int height, int image)
{
    // One unit a pixel, to nine digits, so text and picture are placed in
    // whole pixels as the program places them.
    char matrix[120];
    double scale = 72.0 / dpi;
    snprintf(matrix, sizeof matrix, "q\n%.9g 0 0 %.9g 0 0 cm\n", scale, scale);
    std::string content = matrix;
    if (image)
        content += "q\n" + Whole(width) + " 0 0 " + Whole(height) + " 0 0 cm\n/Im" + Whole(image) + " Do\nQ\n";
    return content;
}

const char* PdfPageContentEnd()
{
    return "Q\n";
}

double PdfPagePoints(int pixels, double dpi)
{
    return pixels * 72.0 / dpi;
}

bool PdfWritePage(PdfOutput& out, const PdfPage& page, const std::string& content)
{
    int pageObject = PdfNewObject(out);
    int contents = PdfNewObject(out);
    if (!PdfWriteStream(out, contents, "", content.data(), content.size()))
        return false;
    std::string resources = "<<";
    if (page.image)
        resources += "/XObject <</Im" + Whole(page.image) + " " + Whole(page.image) + " 0 R>> ";
    if (!page.fonts.empty()) {
        resources += "/Font <<";
        for (int font : page.fonts)
            resources += "/F" + Whole(font) + " " + Whole(font) + " 0 R ";
        resources += ">> ";
    }
    resources += "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]>>";
    WriteObject(out, pageObject,
                "<</Type /Page /Parent " + Whole(out.pageTree) + " 0 R /MediaBox [0 0 " +
                    Number(PdfPagePoints(page.width, page.dpi)) + " " + Number(PdfPagePoints(page.height, page.dpi)) +
                    "] /Resources " + resources + " /Contents " + Whole(contents) + " 0 R>>");
    out.pages.push_back(pageObject);
    return true;
}

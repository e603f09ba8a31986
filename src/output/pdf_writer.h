// The PDF file a form is saved as, as functions of values: numbered objects
// with a cross-reference table, a page per form at its picture's own size,
// the picture as an image at its own depth, the entries as text in
// embedded TrueType fonts, every stream compressed with Flate (zlib).
// Nothing here needs a window, a file or GDI: the bytes are made into
// `PdfOutput::pending`, which the caller writes out whenever it likes (page
// by page), so a document of many pages never sits in memory whole.
#ifndef SCRIVELANDER_PDF_WRITER_H
#define SCRIVELANDER_PDF_WRITER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct PdfOutput {
    std::string pending;             // bytes made, not yet written out
    uint64_t written;                // bytes written out before `pending`
    std::vector<uint64_t> offsets;   // where each object starts, by number; [0] unused
    std::vector<int> pages;          // the page objects, in page order
    int catalog, pageTree;           // objects 1 and 2
};

// The file's header; reserves the catalog and the page tree.
void PdfBegin(PdfOutput& out);

// A new object number, its place filled in by PdfStartObject.
int PdfNewObject(PdfOutput& out);

// Where the next byte made will stand in the file.
uint64_t PdfPosition(const PdfOutput& out);

// Hands the bytes made so far to the caller: they are counted as written.
void PdfTakePending(PdfOutput& out, std::string* bytes);

// A stream object `number` holding `length` bytes compressed, with
// `dictionary` (entries without << >>) before its /Length and /Filter.
// False when there is no memory for the compression.
bool PdfWriteStream(PdfOutput& out, int number, const std::string& dictionary, const void* data, size_t length);

// The page tree, the catalog, the cross-reference table and the trailer.
void PdfFinish(PdfOutput& out);

// ---- pictures ----

// A picture as a device-independent bitmap holds it.
struct PdfPicture {
    int width, height;
    int bitCount;               // 1, 4, 8, 16, 24 or 32
    const uint8_t* bits;        // the rows as stored, each `stride` bytes
    int stride;
    bool topDown;               // the first row stored is the top one
    uint32_t palette[256];      // 0x00RRGGBB, for 1, 4 and 8 bits
    int paletteCount;
    uint32_t masks[3];          // red, green and blue of 16 and 32 bits; all 0: 5-5-5 and 8-8-8
};

enum PdfColourSpace { PdfGray, PdfIndexed, PdfRgb };

// How a picture goes into the file: a palette that is the gray ramp of its
// depth stays gray at that depth (a 1-bit picture whose first colour is
// white is inverted by its decode array); another palette stays indexed;
// 16, 24 and 32 bits become 8-bit RGB.
struct PdfImageForm {
    PdfColourSpace space;
    int bitsPerComponent;
    bool inverted;              // 1 bit: index 0 is white
    int rowBytes;               // of one row in the file
};

PdfImageForm PdfImageFormOf(const PdfPicture& picture);

// Row `row` (0 the top) of the picture as the file holds it, into
// `form.rowBytes` bytes.
void PdfImageRow(const PdfPicture& picture, const PdfImageForm& form, int row, uint8_t* out);

// The image object `number`: the picture compressed row by row at zlib
// level `level` (RGB with run-length matching), its length in an object of
// its own. False when there is
// no memory for the compression.
bool PdfWriteImage(PdfOutput& out, int number, const PdfPicture& picture, int level);

// ---- fonts ----

// A TrueType font as a simple font with the Windows (WinAnsi) encoding,
// which the entries' 8-bit text is in.
struct PdfFont {
    std::string name;            // letters and digits only (PdfNameOf)
    const uint8_t* file;         // the font file, embedded as it is; NULL: not embedded
    size_t fileSize;
    uint16_t widths[256];        // advance of each code in 1000ths of the em
    bool italic;
    int box[4];                  // the font's bounding box, in 1000ths of the em
    int italicAngle;             // degrees
    int ascent, descent, capHeight, stemV;
};

// A name for the file: the letters and digits of `text` (a face name).
std::string PdfNameOf(const char* text);

// The font object `number` with its descriptor and its embedded file.
// False when there is no memory for the compression.
bool PdfWriteFont(PdfOutput& out, int number, const PdfFont& font);

// ---- pages ----

// A PDF string of 8-bit text: ( ) and \ escaped, bytes outside printable
// ASCII as octal escapes.
std::string PdfString(const char* text, int length);

// One entry's text on a page whose units are the picture's pixels, y down
// from its top.
struct PdfTextRun {
    int font;                    // the font's object number; its resource is /F<number>
    double size;                 // the em, in pixels
    double x, y;                 // the start of the baseline
    bool turned;                 // a quarter turn: the text runs upward
    uint32_t colour;             // 0x00RRGGBB
    const char* text;
    int length;
    const int* advances;         // pixels from each character to the next, as the platform placed them
    const uint16_t* widths;      // the font's widths (PdfFont::widths)
};

// Adds the text to a page's content: the font, the colour, the text matrix,
// and each character placed at its advance, so the text lies where the
// platform draws it, pixel for pixel, whatever the font's own widths.
void PdfAppendText(std::string& content, int pictureHeight, const PdfTextRun& run);

// The start of a page's content: pixels as units, y up from the bottom,
// and the picture (`image` 0: none) filling the page.
std::string PdfPageContentStart(double dpi, int width, int height, int image);

// The end of a page's content.
const char* PdfPageContentEnd();

// The size of a side of the page in points: `pixels` at `dpi`.
double PdfPagePoints(int pixels, double dpi);

struct PdfPage {
    int width, height;           // of the picture, in pixels
    double dpi;
    int image;                   // the picture's image object; 0: none
    std::vector<int> fonts;      // the font objects its text uses
};

// The page's object and its compressed content; the page goes last in the
// page order. False when there is no memory for the compression.
bool PdfWritePage(PdfOutput& out, const PdfPage& page, const std::string& content);

#endif

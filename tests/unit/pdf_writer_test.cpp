// The PDF a form is saved as, made from values: its objects are where its
// cross-reference table says, its pictures keep their depth and their
// pixels, its text keeps the platform's advances.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "output/pdf_writer.h"

namespace {

// The whole file made, as a string.
std::string Whole(PdfOutput& out)
{
    std::string bytes;
    PdfTakePending(out, &bytes);
    return bytes;
}

// The decompressed stream of object `number`.
std::string StreamOf(const std::string& file, int number)
{
    std::string head = "\n" + std::to_string(number) + " 0 obj\n";
    size_t at = file.find(head);
    size_t start = file.find("stream\n", at) + 7;
    size_t end = file.find("\nendstream", start);
    std::string out(1 << 20, '\0');
    uLongf length = (uLongf)out.size();
    EXPECT_EQ(Z_OK, uncompress((Bytef*)&out[0], &length, (const Bytef*)file.data() + start, (uLong)(end - start)));
    out.resize(length);
    return out;
}

PdfPicture Picture(int width, int height, int bitCount, const std::vector<uint8_t>& bits, bool topDown)
{
    PdfPicture p = {};
    p.width = width;
    p.height = height;
    p.bitCount = bitCount;
    p.bits = bits.data();
    p.stride = (width * bitCount + 31) / 32 * 4;
    p.topDown = topDown;
    return p;
}

TEST(PdfWriter, EveryObjectStandsWhereTheCrossReferenceTableSays)
{
    PdfOutput out;
    PdfBegin(out);
    std::vector<uint8_t> bits(8, 0xFF);
    PdfPicture picture = Picture(3, 2, 24, bits, false);
    int image = PdfNewObject(out);
    ASSERT_TRUE(PdfWriteImage(out, image, picture, 6));
    std::string written;
    PdfTakePending(out, &written);   // written out page by page: offsets still count from the start
    PdfFont font = {};
    font.name = PdfNameOf("Liberation Sans");
    int fontObject = PdfNewObject(out);
    ASSERT_TRUE(PdfWriteFont(out, fontObject, font));
    PdfPage page = { 300, 200, 150, image, { fontObject } };
    std::string content = PdfPageContentStart(150, 300, 200, image) + PdfPageContentEnd();
    ASSERT_TRUE(PdfWritePage(out, page, content));
    PdfFinish(out);
    std::string file = written + Whole(out);

    ASSERT_EQ(0u, file.find("%PDF-1.4\n"));
    size_t startxref = file.rfind("startxref\n");
    size_t table = strtoull(file.c_str() + startxref + 10, NULL, 10);
    ASSERT_EQ(0u, file.compare(table, 5, "xref\n"));
    int count = 0;
    sscanf(file.c_str() + table + 5, "0 %d", &count);
    EXPECT_EQ((int)out.offsets.size(), count);
    size_t entries = file.find('\n', table + 5) + 1;
    EXPECT_EQ(0u, file.compare(entries, 20, "0000000000 65535 f \n"));
    for (int n = 1; n < count; n++) {
        SCOPED_TRACE(n);
        std::string entry = file.substr(entries + 20 * n, 20);
        ASSERT_EQ(" 00000 n \n", entry.substr(10));
        std::string head = std::to_string(n) + " 0 obj\n";
        EXPECT_EQ(0, file.compare(strtoull(entry.c_str(), NULL, 10), head.size(), head));
    }
    EXPECT_NE(std::string::npos, file.find("/Size " + std::to_string(count) + " /Root 1 0 R"));
    EXPECT_NE(std::string::npos, file.find("/MediaBox [0 0 144 96]"));   // 300 x 200 pixels at 150 dpi
    EXPECT_NE(std::string::npos, file.find("/BaseFont /LiberationSans"));
    EXPECT_NE(std::string::npos, file.find("/Encoding /WinAnsiEncoding"));
}

TEST(PdfWriter, PicturesKeepTheirDepthAndTheirPixelsTopRowFirst)
{
    // Two rows, bottom row stored first unless top-down.
    struct Case {
        const char* name;
        int width, bitCount;
        std::vector<uint8_t> bits;
        std::vector<uint32_t> palette;
        bool topDown;
        PdfColourSpace space;
        int bitsPerComponent;
        bool inverted;
        std::string rows;   // as the file holds them, top row first
    } cases[] = {
        { "1 bit, black first", 10, 1, { 0x0F, 0xFF, 0, 0, 0xF0, 0x3F, 0, 0 }, { 0x000000, 0xFFFFFF }, false,
          PdfGray, 1, false, std::string("\xF0\x00\x0F\xC0", 4) },
        { "1 bit, white first: inverted", 8, 1, { 0x81, 0, 0, 0, 0x7E, 0, 0, 0 }, { 0xFFFFFF, 0x000000 }, true,
          PdfGray, 1, true, std::string("\x81\x7E", 2) },
        { "4-bit gray ramp", 2, 4, { 0x0F, 0, 0, 0, 0x84, 0, 0, 0 }, {}, true, PdfGray, 4, false,
          std::string("\x0F\x84", 2) },
        { "8-bit colour palette stays indexed", 2, 8, { 1, 0, 0, 0, 0, 1, 0, 0 }, { 0xFF0000, 0x00FF00 }, false,
          PdfIndexed, 8, false, std::string("\x00\x01\x01\x00", 4) },
        { "24 bits become RGB", 1, 24, { 1, 2, 3, 0, 4, 5, 6, 0 }, {}, false, PdfRgb, 8, false,
          std::string("\x06\x05\x04\x03\x02\x01", 6) },
        { "16 bits (5-5-5) become RGB", 1, 16, { 0x1F, 0x7C, 0, 0, 0xE0, 0x03, 0, 0 }, {}, true, PdfRgb, 8, false,
          std::string("\xFF\x00\xFF\x00\xFF\x00", 6) },
        { "32 bits become RGB", 1, 32, { 10, 20, 30, 99, 40, 50, 60, 99 }, {}, true, PdfRgb, 8, false,
          std::string("\x1E\x14\x0A\x3C\x32\x28", 6) },
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bitCount == 4)
            for (int i = 0; i < 16; i++)
                c.palette.push_back(0x111111u * i);
        PdfPicture p = Picture(c.width, 2, c.bitCount, c.bits, c.topDown);
        p.paletteCount = (int)c.palette.size();
        for (size_t i = 0; i < c.palette.size(); i++)
            p.palette[i] = c.palette[i];
        PdfImageForm form = PdfImageFormOf(p);
        EXPECT_EQ(c.space, form.space);
        EXPECT_EQ(c.bitsPerComponent, form.bitsPerComponent);
        EXPECT_EQ(c.inverted, form.inverted);
        PdfOutput out;
        PdfBegin(out);
        int image = PdfNewObject(out);
        ASSERT_TRUE(PdfWriteImage(out, image, p, 6));
        std::string file = Whole(out);
        EXPECT_EQ(c.rows, StreamOf(file, image));
        EXPECT_EQ(c.inverted, file.find("/Decode [1 0]") != std::string::npos);
        EXPECT_EQ(c.space == PdfIndexed, file.find("/Indexed /DeviceRGB 1 <FF000000FF00>") != std::string::npos);
    }
}

TEST(PdfWriter, TextMovesByThePlatformsAdvancesNotTheFontsWidths)
{
    uint16_t widths[256] = {};
    widths['A'] = 600;
    widths['('] = 300;
    int advances[3] = { 7, 3, 5 };   // pixels, at an em of 10
    PdfTextRun run = {};
    run.font = 7;
    run.size = 10;
    run.x = 20;
    run.y = 30;
    run.colour = 0xFF0000;
    run.text = "A(\xE9";
    run.length = 3;
    run.advances = advances;
    run.widths = widths;
    std::string content;
    PdfAppendText(content, 100, run);
    // A is 6 pixels wide in the font and advances 7: -100; ( is 3 and 3: none.
    EXPECT_EQ("BT\n/F7 10 Tf\n1 0 0 rg\n1 0 0 1 20 70 Tm\n[(A)-100(\\()(\\351)] TJ\nET\n", content);
    run.turned = true;
    content.clear();
    PdfAppendText(content, 100, run);
    EXPECT_NE(std::string::npos, content.find("0 1 -1 0 20 70 Tm"));
}

}  // namespace

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "view/bmp_format.h"
#include "view/form_image.h"

TEST(EntryFilePath, LastThreeCharactersBecomeDta)
{
    const char* cases[][2] = {
        { "C:\\forms\\1040.bmp", "C:\\forms\\1040.dta" },
        { "scan.BMP", "scan.dta" },
        { "x.jpeg", "x.jdta" },
        { "ab", "dta" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        char path[PathBufferSize];
        EntryFilePathOf(c[0], path);
        EXPECT_STREQ(c[1], path);
    }
    std::string longest(PathBufferSize - 1, 'a');
    char path[PathBufferSize];
    EntryFilePathOf(longest.c_str(), path);
    EXPECT_EQ(longest.substr(0, PathBufferSize - 4) + "dta", std::string(path));
}

// A file header and info header as a .bmp file starts.
static std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                                uint32_t colours = 0, uint32_t extraHeader = 0, uint32_t headerSize = 40)
{
    uint32_t paletteBytes = 4 * (colours ? colours : (bits <= 8 ? 1u << bits : 0));
    uint32_t offBits = 14 + headerSize + extraHeader + paletteBytes;
    std::vector<uint8_t> b(offBits, 0);
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i)); };
    auto put16 = [&](size_t at, uint16_t v) { b[at] = (uint8_t)v; b[at + 1] = (uint8_t)(v >> 8); };
    b[0] = 'B'; b[1] = 'M';
    put32(10, offBits);
    put32(14, headerSize);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)height);
    put16(26, 1);
    put16(28, bits);
    put32(30, compression);
    put32(46, colours);
    return b;
}

static uint32_t Stride(int width, int bits) { return (uint32_t)BmpRowStride((uint32_t)width, (uint32_t)bits); }

struct HeaderCase {
    const char* name;
    std::vector<uint8_t> headers;
    uint64_t pixelBytes;        // pixel bytes after the headers
    const char* refusal;        // nullptr: accepted
};

static const char* Check(const HeaderCase& c, BmpImageCheck* image)
{
    uint64_t fileSize = c.headers.size() + c.pixelBytes;
    uint32_t count = c.headers.size() < 14 ? (uint32_t)c.headers.size() : 14;
    BmpFileCheck file = CheckBmpFileHeader(fileSize, c.headers.data(), count);
    if (file.refusal)
        return file.refusal;
    // The header block may run past what the test wrote when bfOffBits lies.
    std::vector<uint8_t> block(file.headerBlockSize, 0);
    for (size_t i = 0; i < block.size() && 14 + i < c.headers.size(); i++)
        block[i] = c.headers[14 + i];
    *image = CheckBmpHeaderBlock(block.data(), file.headerBlockSize, file.filePixelBytes);
    return image->refusal;
}

TEST(BmpHeaders, AcceptsEveryUncompressedDepthBothWaysUp)
{
    struct Case { int bits; uint32_t compression; uint32_t extra; int height; } cases[] = {
        { 1, 0, 0, 30 }, { 4, 0, 0, 30 }, { 8, 0, 0, -30 }, { 16, 0, 0, 30 }, { 16, 3, 12, -30 },
        { 24, 0, 0, 30 }, { 24, 0, 0, -30 }, { 32, 0, 0, 30 }, { 32, 3, 12, 30 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, height " << c.height);
        HeaderCase h = { "", Bmp(33, c.height, (uint16_t)c.bits, c.compression, 0, c.extra), 0, nullptr };
        h.pixelBytes = (uint64_t)Stride(33, c.bits) * 30;
        BmpImageCheck image = {};
        EXPECT_EQ(nullptr, Check(h, &image));
        EXPECT_EQ(33, image.width);
        EXPECT_EQ(30, image.height);
        EXPECT_EQ(h.pixelBytes, image.imageBytes);
        EXPECT_EQ(h.pixelBytes, image.bytesToRead);
    }
}

TEST(BmpHeaders, RefusesDamagedAndUnknownFilesWithAMessage)
{
    auto withOffBits = [](std::vector<uint8_t> b, uint32_t off) {
        for (int i = 0; i < 4; i++) b.at(10 + i) = (uint8_t)(off >> (8 * i));
        return b;
    };
    auto withU32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i));
        return b;
    };
    std::vector<uint8_t> text = { 'H', 'e', 'l', 'l', 'o', ' ', 'f', 'o', 'r', 'm' };
    std::vector<uint8_t> eight = Bmp(10, 10, 8);
    uint32_t eightPixels = Stride(10, 8) * 10;
    HeaderCase cases[] = {
        { "empty file", {}, 0, "File size was 0" },
        { "text file", text, 0, "Not a .bmp file" },
        { "one byte", { 'B' }, 0, "Not a .bmp file" },
        { "shorter than the file header", { 'B', 'M', 0, 0, 0 }, 0, "shorter than its headers" },
        { "shorter than the info header", std::vector<uint8_t>(eight.begin(), eight.begin() + 30), 0,
          "shorter than its headers" },
        { "pixels inside the headers", withOffBits(eight, 40), eightPixels, "start inside its headers" },
        { "pixels past the end", withOffBits(eight, 100000), eightPixels, "start past its end" },
        { "palette cut short", withOffBits(eight, 14 + 40 + 100), eightPixels, "too short for its colours" },
        { "masks missing", withOffBits(Bmp(10, 10, 32, 3, 0, 12), 54), 400, "too short for its colours" },
        { "header size larger than the block", withU32(Bmp(4, 4, 24), 14, 124), 48, "too short" },
        { "core header", withU32(Bmp(4, 4, 24), 14, 12), 48, "can't be opened" },
        { "run-length compression", Bmp(10, 10, 8, 1), 50, "can't be opened" },
        { "jpeg inside", Bmp(10, 10, 24, 4), 50, "can't be opened" },
        { "2 bits per pixel", Bmp(10, 10, 2), 50, "can't be opened" },
        { "too many colours", Bmp(10, 10, 4, 0, 17), 50, "can't be opened" },
        { "zero width", Bmp(0, 10, 24), 0, "has no size" },
        { "negative width", Bmp(-5, 10, 24), 0, "has no size" },
        { "zero height", Bmp(10, 0, 24), 0, "has no size" },
        { "absurd size", Bmp(100000, 100000, 24), 100, "too large" },
        { "pixel data cut short", eight, eightPixels - Stride(10, 8), "ends before its picture" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpImageCheck image = {};
        const char* refusal = Check(c, &image);
        ASSERT_NE(nullptr, refusal);
        EXPECT_NE(nullptr, strstr(refusal, c.refusal)) << refusal;
    }
}

TEST(BmpHeaders, PixelDataIsCutToThePicture)
{
    // Missing padding of the last row is tolerated; surplus bytes are not read.
    std::vector<uint8_t> b = Bmp(5, 4, 24);   // stride 16, rows of 15 bytes
    HeaderCase shortPadding = { "", b, 16 * 3 + 15, nullptr };
    BmpImageCheck image = {};
    EXPECT_EQ(nullptr, Check(shortPadding, &image));
    EXPECT_EQ(64u, image.imageBytes);
    EXPECT_EQ(63u, image.bytesToRead);

    HeaderCase longer = { "", b, 64 + 5000, nullptr };
    EXPECT_EQ(nullptr, Check(longer, &image));
    EXPECT_EQ(64u, image.bytesToRead);
}

// A form file on disk for the loads below: a white 24-bit picture with a
// black first row.
class FormFile : public testing::Test {
protected:
    char path[MAX_PATH];

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(path, "%sscrv-picture-%lu-%lu.bmp", temp, GetCurrentProcessId(), GetTickCount());
        Write(40, 20);
    }

    void TearDown() override
    {
        SetEntriesOnlyMode(false);
        ReleaseFormImage();
        DeleteFileA(path);
    }

    void Write(int width, int height)
    {
        std::vector<uint8_t> bytes = Bmp(width, -height, 24);
        uint32_t stride = Stride(width, 24);
        std::vector<uint8_t> pixels(stride * height, 0xFF);
        memset(pixels.data(), 0, stride);   // top-down: the first row is the top one
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(file);
    }

    static COLORREF At(HDC dc, int x, int y)
    {
        GdiFlush();
        return GetPixel(dc, x, y) & 0xFFFFFF;
    }
};

TEST_F(FormFile, ThePrintedPictureIsTheFileWithoutWhatWasDrawnIntoTheFormImage)
{
    ASSERT_TRUE(LoadFormImage(path));
    PatBlt(FormImage.hdcMem, 0, 10, 40, 10, BLACKNESS);   // an entry drawn into the form image
    FormPicture picture;
    ASSERT_TRUE(LoadFormPicture(&picture));
    EXPECT_EQ(0u, At(picture.dc, 5, 0));
    EXPECT_EQ(0xFFFFFFu, At(picture.dc, 5, 15));
    EXPECT_EQ(0u, At(FormImage.hdcMem, 5, 15));   // the form image is left as it was
    ReleaseFormPicture(&picture);
    EXPECT_EQ(NULL, picture.dc);
    ReleaseFormPicture(&picture);   // releasing twice does nothing
}

TEST_F(FormFile, ABlankFormPrintsBlank)
{
    SetEntriesOnlyMode(true);
    ASSERT_TRUE(LoadFormImage(path));
    // Blank as loaded: switching the mode afterwards changes nothing until a reload.
    SetEntriesOnlyMode(false);
    FormPicture picture;
    ASSERT_TRUE(LoadFormPicture(&picture));
    EXPECT_EQ(0xFFFFFFu, At(picture.dc, 5, 0));
    ReleaseFormPicture(&picture);
}

TEST_F(FormFile, NoPictureWhenTheFileNoLongerHoldsTheOneLoaded)
{
    FormPicture picture;
    EXPECT_FALSE(LoadFormPicture(&picture));   // no form yet
    EXPECT_EQ(NULL, picture.dc);
    ASSERT_TRUE(LoadFormImage(path));
    Write(41, 20);   // another picture under the same name
    EXPECT_FALSE(LoadFormPicture(&picture));
    EXPECT_EQ(NULL, picture.dc);
    DeleteFileA(path);
    EXPECT_FALSE(LoadFormPicture(&picture));
}

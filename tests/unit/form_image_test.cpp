#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "view/bmp_format.h"
#include "view/form_fields.h"
#include "view/form_image.h"
#include "view/view_globals.h"

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
    if (compression == 3) {   // usable bit-field masks, after the header or inside it
        uint32_t masks[2][3] = { { 0x7C00, 0x03E0, 0x001F }, { 0xFF0000, 0x00FF00, 0x0000FF } };
        for (int i = 0; i < 3; i++)
            put32(14 + 40 + 4 * i, masks[bits == 32][i]);
    }
    return b;
}

// The same with other bit-field masks.
static std::vector<uint8_t> WithMasks(std::vector<uint8_t> b, uint32_t red, uint32_t green, uint32_t blue)
{
    uint32_t masks[3] = { red, green, blue };
    for (int m = 0; m < 3; m++)
        for (int i = 0; i < 4; i++)
            b.at(14 + 40 + 4 * m + i) = (uint8_t)(masks[m] >> (8 * i));
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
        { "run-length stored top row first", Bmp(10, -10, 8, 1), 50, "can't be opened" },
        { "RLE4 on an 8-bit picture", Bmp(10, 10, 8, 2), 50, "can't be opened" },
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

TEST(BmpHeaders, BitFieldMasksMustBeThreeSeparateColours)
{
    // The 40-byte header has its masks after it; the V4 and V5 headers hold
    // them inside, at the same place.
    struct Case { const char* name; int bits; uint32_t headerSize, extra; uint32_t r, g, b; bool accepted; } cases[] = {
        { "16-bit 5-6-5", 16, 40, 12, 0xF800, 0x07E0, 0x001F, true },
        { "32-bit V4", 32, 108, 0, 0xFF0000, 0xFF00, 0xFF, true },
        { "disjoint, not contiguous", 32, 40, 12, 0x050505, 0x0A0A0A, 0x303030, true },
        { "16-bit blue mask 0", 16, 40, 12, 0x7C00, 0x03E0, 0, false },
        { "32-bit red mask 0", 32, 40, 12, 0, 0xFF00, 0xFF, false },
        { "16-bit V4 green mask 0", 16, 108, 0, 0x7C00, 0, 0x1F, false },
        { "32-bit V5 all masks 0", 32, 124, 0, 0, 0, 0, false },
        { "red and green overlap", 16, 40, 12, 0x7C00, 0x07E0, 0x001F, false },
        { "32-bit V5 green and blue overlap", 32, 124, 0, 0xFF0000, 0xFF00, 0x1FF, false },
        { "all three the same", 32, 40, 12, 0xFF, 0xFF, 0xFF, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeaderCase h = { "", WithMasks(Bmp(3, 2, (uint16_t)c.bits, 3, 0, c.extra, c.headerSize), c.r, c.g, c.b),
                         (uint64_t)Stride(3, c.bits) * 2, nullptr };
        BmpImageCheck image = {};
        const char* refusal = Check(h, &image);
        if (c.accepted) {
            EXPECT_EQ(nullptr, refusal) << refusal;
        } else {
            ASSERT_NE(nullptr, refusal);
            EXPECT_STREQ("This .bmp file is damaged: its colour masks are empty or overlap.", refusal);
        }
    }
}

TEST(BmpHeaders, SizesPastWhatADibSectionHoldsAreTooLarge)
{
    // The platform makes a DIB section only while width x bits + 31 fits in
    // a signed 32-bit number (measured under Wine: the widest of each depth
    // below opens, one pixel more does not), and the picture is refused
    // above 512 MB.
    struct Case { int32_t width, height; int bits; bool accepted; } cases[] = {
        { 2147483616, 1, 1, true },  { 2147483617, 1, 1, false }, { 2147483647, 1, 1, false },
        { 536870904, 1, 4, true },   { 536870905, 1, 4, false },
        { 268435452, 1, 8, true },   { 268435453, 1, 8, false },
        { 536870911, 1, 8, false },  { 536870912, 1, 8, false },
        { 134217726, 1, 16, true },  { 134217727, 1, 16, false },
        { 89478484, 1, 24, true },   { 89478485, 1, 24, false },
        { 67108863, 1, 32, true },   { 67108864, 1, 32, false },  { 0x40000001, 1, 32, false },
        { 1, 134217728, 32, true },  { 1, 134217729, 32, false }, { 1, 0x40000001, 32, false },
        { 1, -134217729, 32, false }, { 0x8001, 0x8001, 32, false }, { 23168, -23168, 8, true }, { 23172, -23172, 8, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at " << c.bits << " bits");
        uint64_t rows = (uint64_t)(c.height < 0 ? -(int64_t)c.height : c.height);
        // The file holds every pixel byte; only its size is needed here.
        HeaderCase h = { "", Bmp(c.width, c.height, (uint16_t)c.bits), BmpRowStride((uint32_t)c.width, (uint32_t)c.bits) * rows,
                         nullptr };
        if (h.pixelBytes + h.headers.size() > 0xFFFFFFFFull)
            h.pixelBytes = 0xFFFFFFFFull - h.headers.size();
        BmpImageCheck image = {};
        const char* refusal = Check(h, &image);
        if (c.accepted) {
            EXPECT_EQ(nullptr, refusal) << refusal;
            EXPECT_EQ(BmpRowStride((uint32_t)c.width, (uint32_t)c.bits) * rows, image.imageBytes);
        } else {
            ASSERT_NE(nullptr, refusal);
            EXPECT_STREQ("This .bmp file is too large to open.", refusal);
        }
    }
}

// ---- loading into the form image ----

static std::string TemporaryFile(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// An 8-bit grey .bmp file whose every pixel is `shade`.
static std::string GreyForm(const char* name, int width, int height, uint8_t shade)
{
    std::vector<uint8_t> b = Bmp(width, height, 8);
    for (int i = 0; i < 256; i++)
        b[54 + 4 * i] = b[54 + 4 * i + 1] = b[54 + 4 * i + 2] = (uint8_t)i;
    b.insert(b.end(), (size_t)Stride(width, 8) * height, shade);
    std::string path = TemporaryFile(name);
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
    return path;
}

// Takes every free stretch of address space of a megabyte or more, and
// gives it back at the end.
// Takes every free stretch of a 32-bit process's address space. A 64-bit
// build (made only to run the tests where 32-bit code can't run) has far
// too much to take: the tests that need it are skipped there.
#ifdef _WIN64
#define SKIP_WITHOUT_A_32_BIT_ADDRESS_SPACE() GTEST_SKIP() << "a 64-bit process's address space can't be filled"
#else
#define SKIP_WITHOUT_A_32_BIT_ADDRESS_SPACE() (void)0
#endif
struct AddressSpaceTaken {
    std::vector<void*> taken;
    AddressSpaceTaken()
    {
        for (SIZE_T size = (SIZE_T)256 << 20; size >= (SIZE_T)1 << 20; size /= 2)
            while (void* p = VirtualAlloc(NULL, size, MEM_RESERVE, PAGE_NOACCESS))
                taken.push_back(p);
    }
    ~AddressSpaceTaken()
    {
        for (void* p : taken)
            VirtualFree(p, 0, MEM_RELEASE);
    }
};

static std::vector<std::string> Shown;
static void Remember(const char* text)
{
    Shown.push_back(text);
}

TEST(FormImageLoad, APictureThePlatformCantMakeLeavesThePreviousFormInPlace)
{
    SKIP_WITHOUT_A_32_BIT_ADDRESS_SPACE();
    gShowLoadMessage = Remember;
    std::string small = GreyForm("scrv-small.bmp", 40, 30, 77);
    std::string large = GreyForm("scrv-large.bmp", 3000, 3000, 200);
    ASSERT_TRUE(LoadFormImage(small.c_str()));
    HBITMAP before = gFormImage.hBitmap;

    // With every free stretch of address space of a megabyte or more taken,
    // no DIB section of 9 MB can be made.
    bool loaded;
    {
        AddressSpaceTaken full;
        loaded = LoadFormImage(large.c_str());
    }

    EXPECT_FALSE(loaded);
    EXPECT_EQ(std::vector<std::string>{ "Can't get hBitmap!" }, Shown);
    EXPECT_EQ(before, gFormImage.hBitmap);
    EXPECT_EQ(40, gFormImage.width);
    EXPECT_EQ(RGB(77, 77, 77), GetPixel(gFormImage.hdcMem, 5, 5));

    // With room again, the same file opens.
    EXPECT_TRUE(LoadFormImage(large.c_str()));
    EXPECT_EQ(3000, gFormImage.width);
    EXPECT_EQ(RGB(200, 200, 200), GetPixel(gFormImage.hdcMem, 2999, 2999));
    ReleaseFormImage();
    DeleteFileA(small.c_str());
    DeleteFileA(large.c_str());
}

// An 8-bit .bmp file of `width` x `height` pixels, every one of the colour
// `shade` grey: its pixels are all index 0, left a hole the file system
// does not store, so large forms cost nothing to make.
static std::string SparseForm(const char* name, int width, int height, uint8_t shade)
{
    std::vector<uint8_t> b = Bmp(width, height, 8);
    b[54] = b[55] = b[56] = shade;
    std::string path = TemporaryFile(name);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, b.data(), (DWORD)b.size(), &written, NULL);
    LONG high = 0;
    SetFilePointer(file, (LONG)(b.size() + (size_t)Stride(width, 8) * height), &high, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    return path;
}

// Two large pictures may not fit in a 32-bit process at once: the one on
// screen makes room for the next, and comes back from its file when the
// next can't be made even then.
TEST(FormImageLoad, ALargePictureMakesRoomForTheNextAndComesBackWhenThatFails)
{
    SKIP_WITHOUT_A_32_BIT_ADDRESS_SPACE();
    gShowLoadMessage = Remember;
    Shown.clear();
    std::string first = SparseForm("scrv-large-1.bmp", 8192, 8200, 77);     // 64 MB and more
    std::string second = SparseForm("scrv-large-2.bmp", 8192, 8200, 200);   // as large
    std::string larger = SparseForm("scrv-large-3.bmp", 8192, 9000, 150);
    ASSERT_TRUE(LoadFormImage(first.c_str()));
    {
        AddressSpaceTaken full;
        EXPECT_TRUE(LoadFormImage(second.c_str()));
        EXPECT_EQ(std::vector<std::string>{}, Shown);
        EXPECT_FALSE(gFormImage.pictureReadAgain);
        EXPECT_EQ(RGB(200, 200, 200), GetPixel(gFormImage.hdcMem, 8191, 8199));

        EXPECT_FALSE(LoadFormImage(larger.c_str()));
        EXPECT_EQ(std::vector<std::string>{ "Can't get hBitmap!" }, Shown);
        EXPECT_TRUE(gFormImage.pictureReadAgain);   // its entries are for the caller to draw
        ASSERT_NE(nullptr, gFormImage.hBitmap);
        EXPECT_EQ(8200, gFormImage.height);
        EXPECT_EQ(RGB(200, 200, 200), GetPixel(gFormImage.hdcMem, 8191, 8199));
        EXPECT_STREQ(second.c_str(), gFormImage.formPath);

        // Its file gone, it can't come back: no form shows, and the next
        // load has the room.
        DeleteFileA(second.c_str());
        Shown.clear();
        EXPECT_FALSE(LoadFormImage(larger.c_str()));
        EXPECT_EQ(std::vector<std::string>{ "Can't get hBitmap!" }, Shown);
        EXPECT_FALSE(gFormImage.pictureReadAgain);
        EXPECT_EQ(nullptr, gFormImage.hBitmap);
        EXPECT_EQ(nullptr, gFormImage.bits);
        EXPECT_TRUE(LoadFormImage(first.c_str()));
        EXPECT_EQ(RGB(77, 77, 77), GetPixel(gFormImage.hdcMem, 0, 0));
    }
    ReleaseFormImage();
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    DeleteFileA(larger.c_str());
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

    void Write(int width, int height, const char* to = NULL)
    {
        std::vector<uint8_t> bytes = Bmp(width, -height, 24);
        uint32_t stride = Stride(width, 24);
        std::vector<uint8_t> pixels(stride * height, 0xFF);
        memset(pixels.data(), 0, stride);   // top-down: the first row is the top one
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        // A writer that shares nothing waits until the search for the fields
        // of a form just opened has read the file.
        WaitForFormFields();
        HANDLE file = CreateFileA(to ? to : path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
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
    PatBlt(gFormImage.hdcMem, 0, 10, 40, 10, BLACKNESS);   // an entry drawn into the form image
    FormPicture picture;
    ASSERT_TRUE(LoadFormPicture(&picture));
    EXPECT_EQ(0u, At(picture.dc, 5, 0));
    EXPECT_EQ(0xFFFFFFu, At(picture.dc, 5, 15));
    EXPECT_EQ(0u, At(gFormImage.hdcMem, 5, 15));   // the form image is left as it was
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

TEST_F(FormFile, AnotherPageIsReadWithoutTouchingTheFormImage)
{
    ASSERT_TRUE(LoadFormImage(path));
    HBITMAP shown = gFormImage.hBitmap;
    char other[MAX_PATH];
    wsprintfA(other, "%s2.bmp", path);
    Write(30, 10, other);
    FormFileFacts facts = {};
    FormPicture picture;
    ASSERT_EQ(nullptr, ReadFormFile(other, false, &facts, &picture));
    EXPECT_EQ(30, facts.width);
    EXPECT_EQ(10, facts.height);
    EXPECT_EQ(0, facts.pixelsPerMeter);
    EXPECT_EQ(0u, At(picture.dc, 5, 0));
    EXPECT_EQ(0xFFFFFFu, At(picture.dc, 5, 5));
    ReleaseFormPicture(&picture);
    // Blank, as in entries-only mode; the headers alone without a picture.
    ASSERT_EQ(nullptr, ReadFormFile(other, true, &facts, &picture));
    EXPECT_EQ(0xFFFFFFu, At(picture.dc, 5, 0));
    ReleaseFormPicture(&picture);
    EXPECT_EQ(nullptr, ReadFormFile(other, false, &facts, NULL));
    EXPECT_EQ(shown, gFormImage.hBitmap);
    EXPECT_EQ(40, gFormImage.width);
    EXPECT_STREQ(path, gFormImage.formPath);
    // Refused as an open refuses it, with the reason in words.
    WaitForFormFields();
    HANDLE file = CreateFileA(other, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, "not a bitmap", 12, &written, NULL);
    CloseHandle(file);
    EXPECT_STREQ("Not a .bmp file", ReadFormFile(other, false, &facts, &picture));
    EXPECT_EQ(NULL, picture.dc);
    DeleteFileA(other);
    EXPECT_STREQ("The file can't be opened: it is missing, or another program has it open.",
                 ReadFormFile(other, false, &facts, &picture));
}

// A form's file that can't be opened is named to the user with the reason,
// and the form on screen, its entry file and its title stay; a file that
// can be read (another program reading it too, a read-only file) opens.
TEST_F(FormFile, AFileThatCantBeOpenedIsNamedWithTheReason)
{
    gShowLoadMessage = Remember;
    char folder[MAX_PATH], missing[MAX_PATH], held[MAX_PATH], shared[MAX_PATH], readOnly[MAX_PATH];
    wsprintfA(folder, "%s.folder", path);
    wsprintfA(missing, "%s.missing.bmp", path);
    wsprintfA(held, "%s.held.bmp", path);
    wsprintfA(shared, "%s.shared.bmp", path);
    wsprintfA(readOnly, "%s.read-only.bmp", path);
    CreateDirectoryA(folder, NULL);
    Write(40, 20, held);
    Write(40, 20, shared);
    Write(40, 20, readOnly);
    SetFileAttributesA(readOnly, FILE_ATTRIBUTE_READONLY);
    HANDLE holding = CreateFileA(held, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE reading = CreateFileA(shared, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    struct Case {
        const char* file;
        const char* reason;   // NULL: it opens
    } cases[] = {
        { missing, "There is no such file." },
        { folder, "It is a folder, not a .bmp file." },
        { held, "Another program has it open." },
        { "CON", "It is a device, not a .bmp file." },
        { shared, NULL },
        { readOnly, NULL },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(LoadFormImage(path));
        char entryPath[PathBufferSize];
        lstrcpyA(entryPath, gFormImage.entryFilePath);
        Shown.clear();
        EXPECT_EQ(c.reason == NULL, LoadFormImage(c.file));
        if (c.reason) {
            ASSERT_EQ(1u, Shown.size());
            EXPECT_NE(std::string::npos, Shown[0].find(c.file)) << Shown[0];
            EXPECT_NE(std::string::npos, Shown[0].find(c.reason)) << Shown[0];
            EXPECT_STREQ(path, gFormImage.formPath);
            EXPECT_STREQ(entryPath, gFormImage.entryFilePath);
            EXPECT_STREQ(strrchr(path, '\\') + 1, FormTitle());
        } else {
            EXPECT_EQ(std::vector<std::string>{}, Shown);
            EXPECT_STREQ(c.file, gFormImage.formPath);
            EXPECT_STREQ(strrchr(c.file, '\\') + 1, FormTitle());
            FormPicture picture;   // and it prints
            EXPECT_TRUE(LoadFormPicture(&picture));
            ReleaseFormPicture(&picture);
        }
    }
    CloseHandle(holding);
    CloseHandle(reading);
    SetFileAttributesA(readOnly, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(readOnly);
    DeleteFileA(shared);
    DeleteFileA(held);
    RemoveDirectoryA(folder);
}

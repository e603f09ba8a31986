#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "base/program_state.h"
#include "output/calibration.h"

TEST(CalibrationNumbers, ReadsDecimalsWithEitherPointAndRefusesTheRest)
{
    const struct { const char* text; bool ok; double value; } cases[] = {
        { "5", true, 5 }, { "-3", true, -3 }, { "+2", true, 2 }, { "2.5", true, 2.5 }, { "-0,75", true, -0.75 },
        { " 98.5 ", true, 98.5 }, { ".5", true, 0.5 }, { "7.", true, 7 }, { "0", true, 0 },
        { "", false, 0 }, { "  ", false, 0 }, { "-", false, 0 }, { ".", false, 0 }, { "abc", false, 0 },
        { "5mm", false, 0 }, { "1e3", false, 0 }, { "--2", false, 0 }, { "1.2.3", false, 0 },
        { "1,2.3", false, 0 }, { "2 5", false, 0 }, { "3-", false, 0 }, { "0x10", false, 0 },
        { "1234567890123456789012345678901234", false, 0 },   // longer than a box holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double value = -99;
        EXPECT_EQ(c.ok, ParseCalibrationNumber(c.text, &value));
        if (c.ok) {
            EXPECT_DOUBLE_EQ(c.value, value);
        }
    }
}

TEST(CalibrationNumbers, AreWrittenWithAtMostTwoDecimalsAndNoTrailingZeros)
{
    const struct { double value; const char* text; } cases[] = {
        { 5, "5" }, { -3, "-3" }, { 98.5, "98.5" }, { 0.25, "0.25" }, { 100, "100" }, { 1.005001, "1.01" },
        { -0.001, "0" }, { 0, "0" }, { 12.3456, "12.35" }, { 200, "200" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char text[CalibrationFieldSize];
        FormatCalibrationNumber(c.value, text);
        EXPECT_STREQ(c.text, text);
    }
}

static CalibrationText Typed(const char* x, const char* y, const char* sx, const char* sy, bool corner = false)
{
    CalibrationText text = {};
    strcpy(text.offsetX, x);
    strcpy(text.offsetY, y);
    strcpy(text.scaleX, sx);
    strcpy(text.scaleY, sy);
    text.paperCorner = corner;
    return text;
}

TEST(CalibrationCheck, TakesGoodValues)
{
    PrinterCalibration calibration = {};
    char message[CalibrationMessageSize];
    ASSERT_TRUE(CheckCalibration(Typed("5", "-3", "98", "101.5", true), 210, 297, &calibration, message, NULL));
    EXPECT_DOUBLE_EQ(5, calibration.offsetX);
    EXPECT_DOUBLE_EQ(-3, calibration.offsetY);
    EXPECT_DOUBLE_EQ(98, calibration.scaleX);
    EXPECT_DOUBLE_EQ(101.5, calibration.scaleY);
    EXPECT_TRUE(calibration.paperCorner);
    // The limits themselves are allowed; an unknown paper does not limit offsets.
    EXPECT_TRUE(CheckCalibration(Typed("-209.99", "296", "50", "200"), 210, 297, &calibration, message, NULL));
    EXPECT_TRUE(CheckCalibration(Typed("900", "-900", "100", "100"), 0, 0, &calibration, message, NULL));
}

TEST(CalibrationCheck, RefusesBadValuesSayingWhichAndWhy)
{
    const struct { CalibrationText text; int field; const char* message; } cases[] = {
        { Typed("abc", "0", "100", "100"), 0,
          "The X offset must be a number of millimetres, such as 2.5 or -3.\n\"abc\" is not a number." },
        { Typed("0", "", "100", "100"), 1, "The Y offset must be a number of millimetres, such as 2.5 or -3." },
        { Typed("0", "0", "1e2", "100"), 2,
          "The horizontal scale must be a percentage from 50 to 200, such as 98.5.\n\"1e2\" is not a number." },
        { Typed("0", "0", "0", "100"), 2, "The horizontal scale is 0 %; it must be from 50 to 200 %." },
        { Typed("0", "0", "49.99", "100"), 2, "The horizontal scale is 49.99 %; it must be from 50 to 200 %." },
        { Typed("0", "0", "100", "200.5"), 3, "The vertical scale is 200.5 %; it must be from 50 to 200 %." },
        { Typed("0", "0", "100", "-100"), 3, "The vertical scale is -100 %; it must be from 50 to 200 %." },
        { Typed("210", "0", "100", "100"), 0, "The X offset of 210 mm is beyond the paper, which is 210 mm wide." },
        { Typed("0", "-300", "100", "100"), 1,
          "The Y offset of -300 mm is beyond the paper, which is 297 mm high." },
        // The first value at fault is the one reported.
        { Typed("x", "y", "0", "0"), 0,
          "The X offset must be a number of millimetres, such as 2.5 or -3.\n\"x\" is not a number." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        PrinterCalibration calibration = NoCalibration;
        calibration.offsetX = 77;
        char message[CalibrationMessageSize];
        int field = -1;
        EXPECT_FALSE(CheckCalibration(c.text, 210, 297, &calibration, message, &field));
        EXPECT_STREQ(c.message, message);
        EXPECT_EQ(c.field, field);
        EXPECT_EQ(77, calibration.offsetX);   // nothing is taken from refused values
    }
}

static const char TwoPrinters[] =
    "; my printers\r\n"
    "[Office Laser]\r\n"
    "OffsetX=1.5\r\n"
    "ScaleY=99\r\n"
    "\r\n"
    "[Cheques [tray 2]]\r\n"
    "  offsetx = -2 \r\n"
    "OffsetY=4\n"
    "ScaleX=101\n"
    "ScaleY=102\n"
    "PaperCorner=1\n"
    "Colour=blue\n";

TEST(CalibrationFile, FindsAPrintersSectionWhateverTheCaseAndLineEnds)
{
    const struct { const char* printer; bool found; CalibrationText text; } cases[] = {
        { "Office Laser", true, Typed("1.5", "0", "100", "99") },
        { "office laser", true, Typed("1.5", "0", "100", "99") },
        { "Cheques [tray 2]", true, Typed("-2", "4", "101", "102", true) },
        { "Office", false, Typed("0", "0", "100", "100") },
        { "", false, Typed("0", "0", "100", "100") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printer);
        CalibrationText text;
        EXPECT_EQ(c.found, FindPrinterSection(TwoPrinters, (int)strlen(TwoPrinters), c.printer, &text));
        EXPECT_STREQ(c.text.offsetX, text.offsetX);
        EXPECT_STREQ(c.text.offsetY, text.offsetY);
        EXPECT_STREQ(c.text.scaleX, text.scaleX);
        EXPECT_STREQ(c.text.scaleY, text.scaleY);
        EXPECT_EQ(c.text.paperCorner, text.paperCorner);
    }
    // A bad stored value comes back as it stands, for the check to refuse.
    const char bad[] = "[P]\nScaleX=abc\n";
    CalibrationText text;
    ASSERT_TRUE(FindPrinterSection(bad, (int)strlen(bad), "P", &text));
    EXPECT_STREQ("abc", text.scaleX);
}

static std::string With(const std::string& file, const char* printer, const PrinterCalibration& calibration,
                        int capacity = 4096)
{
    std::string out(capacity, '#');
    int length = WithPrinterSection(file.data(), (int)file.size(), printer, calibration, &out[0], capacity);
    return length < 0 ? "(does not fit)" : out.substr(0, length);
}

TEST(CalibrationFile, SavingRewritesOnlyThatPrintersSection)
{
    PrinterCalibration moved = { 5, -3, 98, 100.25, true, false };
    const std::string section = "OffsetX=5\r\nOffsetY=-3\r\nScaleX=98\r\nScaleY=100.25\r\nPaperCorner=1\r\n";
    const std::string laser = "[Office Laser]\r\nOffsetX=1.5\r\nScaleY=99\r\n\r\n";
    const std::string cheques = "[Cheques [tray 2]]\r\n  offsetx = -2 \r\nOffsetY=4\nScaleX=101\nScaleY=102\n"
                                "PaperCorner=1\nColour=blue\n";
    const std::string file = "; my printers\r\n" + laser + cheques;
    const struct { const char* name; std::string before; const char* printer; std::string after; } cases[] = {
        { "a section in the middle", file, "OFFICE LASER",
          "; my printers\r\n[OFFICE LASER]\r\n" + section + cheques },
        { "the last section", file, "Cheques [tray 2]", "; my printers\r\n" + laser + "[Cheques [tray 2]]\r\n" + section },
        { "a new printer", file, "New", file + "[New]\r\n" + section },
        { "a file without a last line end", "[A]\r\nOffsetX=1", "B",
          "[A]\r\nOffsetX=1\r\n[B]\r\n" + section },
        { "a new file", "", "ScrivelanderPDF",
          "; Scrivelander printer calibration, one section per printer.\r\n"
          "; OffsetX and OffsetY: millimetres; right and down are positive.\r\n"
          "; ScaleX and ScaleY: percent across and down the page.\r\n"
          "; PaperCorner: 1 starts the page at the paper's corner, 0 at the printable area's.\r\n"
          "[ScrivelanderPDF]\r\n" + section },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string after = With(c.before, c.printer, moved);
        EXPECT_EQ(c.after, after);
        // What was saved reads back as it was meant.
        CalibrationText text;
        ASSERT_TRUE(FindPrinterSection(after.data(), (int)after.size(), c.printer, &text));
        EXPECT_STREQ("5", text.offsetX);
        EXPECT_STREQ("100.25", text.scaleY);
        EXPECT_TRUE(text.paperCorner);
    }
}

TEST(CalibrationFile, ATextThatWouldNotFitIsRefused)
{
    std::string file(100, ';');
    file += "\r\n";
    PrinterCalibration none = NoCalibration;
    int needed = (int)With(file, "P", none).size();
    EXPECT_EQ(needed, (int)With(file, "P", none, needed).size());
    EXPECT_EQ("(does not fit)", With(file, "P", none, needed - 1));
    EXPECT_EQ("(does not fit)", With("", std::string(PrinterNameSize + 300, 'n').c_str(), none));
}

// The calibration file in a folder of its own, standing in for the start-up
// folder.
class CalibrationFolder : public testing::Test {
protected:
    char saved[PathBufferSize];
    std::string file;

    void SetUp() override
    {
        strcpy(saved, gStartupDirectory);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(gStartupDirectory, "%sscrv-calibration-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(gStartupDirectory, NULL);
        file = std::string(gStartupDirectory) + "\\Scrivelander-calibration.ini";
    }

    void TearDown() override
    {
        DeleteFileA(file.c_str());
        RemoveDirectoryA(gStartupDirectory);
        strcpy(gStartupDirectory, saved);
    }

    // The file's bytes exactly as stored, and written as a user's editor would.
    std::string Bytes()
    {
        HANDLE in = CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        char back[4096];
        DWORD got = 0;
        ReadFile(in, back, sizeof back, &got, NULL);
        CloseHandle(in);
        return std::string(back, got);
    }

    void Write(const std::string& bytes)
    {
        HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(out, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(out);
    }

    std::string Content()
    {
        static char content[CalibrationFileLimit];
        int length = 0;
        EXPECT_EQ(CalibrationFileLoaded, ReadCalibrationFile(content, &length));
        return std::string(content, length);
    }
};

TEST_F(CalibrationFolder, SavedPrintersReadBackAndKeepEachOther)
{
    PrinterCalibration first = { 5, -3, 98, 100, false, false }, second = { 0, 1, 100, 101, true, false };
    char content[64];
    int length = 7;
    EXPECT_EQ(CalibrationFileMissing, ReadCalibrationFile(content, &length));
    EXPECT_EQ(0, length);
    ASSERT_TRUE(SaveCalibration("First", first));
    ASSERT_TRUE(SaveCalibration("Second", second));
    ASSERT_TRUE(SaveCalibration("First", second));
    std::string text = Content();
    EXPECT_NE(std::string::npos, text.find("[First]\r\nOffsetX=0\r\nOffsetY=1\r\nScaleX=100\r\nScaleY=101\r\n"
                                           "PaperCorner=1\r\n[Second]\r\n"));
    PrinterCalibration read;
    bool stored = false;
    char message[CalibrationMessageSize];
    ASSERT_TRUE(StoredCalibration("second", 210, 297, &read, &stored, message));
    EXPECT_TRUE(stored);
    EXPECT_DOUBLE_EQ(101, read.scaleY);
    ASSERT_TRUE(StoredCalibration("Third", 210, 297, &read, &stored, message));
    EXPECT_FALSE(stored);
    EXPECT_DOUBLE_EQ(100, read.scaleX);
}

TEST_F(CalibrationFolder, AFileHeldOpenIsNeitherReadNorReplaced)
{
    ASSERT_TRUE(SaveCalibration("First", NoCalibration));
    std::string before = Content();
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(SaveCalibration("Second", NoCalibration));
    PrinterCalibration read;
    bool stored = true;
    char message[CalibrationMessageSize];
    EXPECT_FALSE(StoredCalibration("First", 210, 297, &read, &stored, message));
    EXPECT_STREQ("The printer calibration in Scrivelander-calibration.ini can't be read: the file may be open in "
                 "another program, or larger than 64 KB.",
                 message);
    CloseHandle(held);
    EXPECT_EQ(before, Content());
}

TEST_F(CalibrationFolder, AStoredValueThatIsNotValidStopsThePrintWithAMessage)
{
    Write("[Laser]\r\nScaleX=abc\r\n[Wide]\r\nOffsetX=250\r\n");
    PrinterCalibration read;
    bool stored = true;
    char message[CalibrationMessageSize];
    EXPECT_FALSE(StoredCalibration("Laser", 210, 297, &read, &stored, message));
    EXPECT_FALSE(stored);
    EXPECT_STREQ("The calibration of the printer \"Laser\" in Scrivelander-calibration.ini is not valid:\n"
                 "The horizontal scale must be a percentage from 50 to 200, such as 98.5.\n\"abc\" is not a number.\n"
                 "Correct it with Print calibration... in the File menu.",
                 message);
    // An offset fine on wide paper is beyond a narrower sheet.
    EXPECT_TRUE(StoredCalibration("Wide", 420, 297, &read, &stored, message));
    EXPECT_FALSE(StoredCalibration("Wide", 210, 297, &read, &stored, message));
}

// The bytes of `text` (ASCII) as an editor saves it in each encoding.
static std::string Stored(const std::string& text, CalibrationEncoding encoding)
{
    std::string out;
    if (encoding == CalibrationUtf16Le || encoding == CalibrationUtf16Be) {
        bool little = encoding == CalibrationUtf16Le;
        out = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char c : text) {
            out += little ? c : '\0';
            out += little ? '\0' : c;
        }
        return out;
    }
    return (encoding == CalibrationUtf8Mark ? "\xEF\xBB\xBF" : "") + text;
}

TEST_F(CalibrationFolder, NotepadsEncodingsAndLineEndsAreReadAndKeptWhenSaving)
{
    const struct { const char* name; CalibrationEncoding encoding; const char* lineEnd; } cases[] = {
        { "UTF-16, CR LF", CalibrationUtf16Le, "\r\n" },
        { "UTF-16 big-endian", CalibrationUtf16Be, "\r\n" },
        { "UTF-8 with its mark", CalibrationUtf8Mark, "\n" },
        { "CR only", CalibrationAnsi, "\r" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string e = c.lineEnd;
        std::string text = "; mine" + e + "[Other]" + e + "ScaleX=99" + e + "[Laser]" + e + "; measured in May" + e +
                           "OffsetX=1.5" + e + "ScaleY=97" + e;
        Write(Stored(text, c.encoding));

        PrinterCalibration read;
        bool stored = false;
        char message[CalibrationMessageSize];
        ASSERT_TRUE(StoredCalibration("Laser", 210, 297, &read, &stored, message));
        EXPECT_TRUE(stored);
        EXPECT_DOUBLE_EQ(1.5, read.offsetX);
        EXPECT_DOUBLE_EQ(97, read.scaleY);

        // Saved in the encoding and line ends it had; the section keeps its
        // comment, and the other printer stays as it was.
        PrinterCalibration moved = { 2, 0, 100, 98, false, false };
        ASSERT_TRUE(SaveCalibration("Laser", moved));
        std::string expected = "; mine" + e + "[Other]" + e + "ScaleX=99" + e + "[Laser]" + e + "; measured in May" +
                               e + "OffsetX=2" + e + "OffsetY=0" + e + "ScaleX=100" + e + "ScaleY=98" + e +
                               "PaperCorner=0" + e;
        EXPECT_EQ(Stored(expected, c.encoding), Bytes());
    }
}

TEST_F(CalibrationFolder, AFileWithCharactersTheProgramCantHoldIsNotWrittenBack)
{
    // UTF-16 holding a character outside the code page (a CJK comment).
    std::string bytes = std::string("\xFF\xFE", 2) + std::string(";\0 \0\x2C\x67\r\0\n\0[\0P\0]\0\r\0\n\0", 18);
    Write(bytes);
    EXPECT_FALSE(SaveCalibration("P", NoCalibration));
    EXPECT_EQ(bytes, Bytes());
}

TEST(CalibrationFile, TrueSizeIsStoredOnlyWhenOn)
{
    PrinterCalibration on = { 0, 0, 100, 100, false, true };
    std::string saved = With("", "P", on);
    EXPECT_NE(std::string::npos, saved.find("PaperCorner=0\r\nTrueSize=1\r\n"));
    CalibrationText text;
    ASSERT_TRUE(FindPrinterSection(saved.data(), (int)saved.size(), "P", &text));
    EXPECT_TRUE(text.trueSize);
    // Turned off, the section is as a copy of the program without it writes.
    std::string off = With(saved, "P", NoCalibration);
    EXPECT_EQ(std::string::npos, off.find("TrueSize"));
    ASSERT_TRUE(FindPrinterSection(off.data(), (int)off.size(), "P", &text));
    EXPECT_FALSE(text.trueSize);
}

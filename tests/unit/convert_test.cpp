#include <gtest/gtest.h>
#include <string.h>
#include <set>
#include <string>

#include "output/convert.h"
#include "output/convert_pages.h"
#include "output/pdf_dialog.h"

static const std::string Base905 = "\"C:\\Program Files\\gs\\gs9.05\\bin\\gswin32c\" -dBATCH -dNOPAUSE -sDEVICE=";

static std::string Version(const GhostscriptLocator& locator)
{
    char version[5];
    LocatorVersion(locator, version);
    return version;
}

// ---- the command line ----

struct LineCase {
    int colourMode;
    const char* resolution;
    const char* fileTitle;
    const char* tail;   // everything after "-sDEVICE="
};

TEST(GhostscriptCommandLine, PiecesFollowTheBaseInOrder)
{
    const LineCase cases[] = {
        { 2, "600", "Document.pdf", "bmpgray -r600 -sOutputFile=\"Document\"%d.bmp \"Document.pdf\"" },
        { 1, "300", "Document.pdf", "bmpmono -r300 -sOutputFile=\"Document\"%d.bmp \"Document.pdf\"" },
        { 3, "72", "Document.pdf", "bmp16m -r72 -sOutputFile=\"Document\"%d.bmp \"Document.pdf\"" },
        // The stem ends at the first point.
        { 2, "600", "my.form.final.pdf", "bmpgray -r600 -sOutputFile=\"my\"%d.bmp \"my.form.final.pdf\"" },
        // Blanks stay inside the quotes.
        { 2, "600", "tax form 2023.pdf",
          "bmpgray -r600 -sOutputFile=\"tax form 2023\"%d.bmp \"tax form 2023.pdf\"" },
        // A name beginning with "." has an empty stem: pages 1.bmp, 2.bmp, ...
        { 2, "600", ".pdf", "bmpgray -r600 -sOutputFile=\"\"%d.bmp \".pdf\"" },
        { 2, "600", ".hidden.pdf", "bmpgray -r600 -sOutputFile=\"\"%d.bmp \".hidden.pdf\"" },
        // A name without a point is its own stem.
        { 2, "600", "scan", "bmpgray -r600 -sOutputFile=\"scan\"%d.bmp \"scan\"" },
        // Resolution texts of one to four characters: at most three are carried.
        { 2, "6", "a.pdf", "bmpgray -r6 -sOutputFile=\"a\"%d.bmp \"a.pdf\"" },
        { 2, "72", "a.pdf", "bmpgray -r72 -sOutputFile=\"a\"%d.bmp \"a.pdf\"" },
        { 2, "abc", "a.pdf", "bmpgray -rabc -sOutputFile=\"a\"%d.bmp \"a.pdf\"" },
        { 2, "1200", "a.pdf", "bmpgray -r120 -sOutputFile=\"a\"%d.bmp \"a.pdf\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fileTitle) + " / " + c.resolution);
        GhostscriptLocator locator = InitialGhostscriptLocator();
        ASSERT_TRUE(BuildGhostscriptCommandLine(locator.commandLine, c.colourMode, c.resolution, c.fileTitle));
        EXPECT_EQ(Base905 + c.tail, std::string(locator.commandLine));
    }
}

TEST(GhostscriptCommandLine, TheDocumentExampleHasTheQuotedProgramPath)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    ASSERT_TRUE(BuildGhostscriptCommandLine(locator.commandLine, 2, "600", "Document.pdf"));
    EXPECT_STREQ("\"C:\\Program Files\\gs\\gs9.05\\bin\\gswin32c\" -dBATCH -dNOPAUSE -sDEVICE=bmpgray -r600 "
                 "-sOutputFile=\"Document\"%d.bmp \"Document.pdf\"",
                 locator.commandLine);
    EXPECT_EQ(127u, strlen(locator.commandLine));   // the unquoted line's 125 and two quotes
}

TEST(GhostscriptCommandLine, EachBuildReplacesThePreviousTail)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    ASSERT_TRUE(BuildGhostscriptCommandLine(locator.commandLine, 3, "600", "a rather long name.pdf"));
    ASSERT_TRUE(BuildGhostscriptCommandLine(locator.commandLine, 1, "72", "b.pdf"));
    EXPECT_EQ(Base905 + "bmpmono -r72 -sOutputFile=\"b\"%d.bmp \"b.pdf\"", std::string(locator.commandLine));
}

// The line holds 259 characters and its terminating zero: with bmpmono and a
// three-character resolution the stem and the name may have 152 together.
TEST(GhostscriptCommandLine, ALineLongerThan259CharactersIsRefused)
{
    EXPECT_EQ(152, CommandLineRoom(1, "600"));
    EXPECT_EQ(153, CommandLineRoom(3, "600"));
    EXPECT_EQ(154, CommandLineRoom(2, "6"));
    struct { std::string title; int colourMode; const char* resolution; bool fits; } cases[] = {
        { std::string(72, 'n') + ".pdf", 1, "600", true },     // 72 + 76 = 148
        { std::string(74, 'n') + ".pdf", 1, "600", true },     // 74 + 78 = 152: exactly 259 characters
        { std::string(75, 'n') + ".pdf", 1, "600", false },    // 154
        { "n." + std::string(149, 'x'), 1, "600", true },       // 1 + 151 = 152
        { "n." + std::string(150, 'x'), 1, "600", false },      // 153
        { "n." + std::string(150, 'x'), 3, "600", true },       // bmp16m is one shorter
        { "n." + std::string(150, 'x'), 1, "60", true },        // so is a two-character resolution
        { std::string(259, 'n'), 2, "600", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        GhostscriptLocator locator = InitialGhostscriptLocator();
        locator.commandLine[PathBufferSize - 1] = 'x';   // shows any write at the end
        char before[PathBufferSize];
        memcpy(before, locator.commandLine, sizeof before);
        bool built = BuildGhostscriptCommandLine(locator.commandLine, c.colourMode, c.resolution, c.title.c_str());
        EXPECT_EQ(c.fits, built);
        if (built) {
            EXPECT_LE(strlen(locator.commandLine), 259u);
            EXPECT_EQ('"', locator.commandLine[strlen(locator.commandLine) - 1]);
        } else {
            EXPECT_EQ(0, memcmp(before, locator.commandLine, sizeof before));
        }
    }
}

TEST(GhostscriptCommandLine, AnUnknownColourModeIsRefused)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    EXPECT_FALSE(BuildGhostscriptCommandLine(locator.commandLine, 0, "600", "a.pdf"));
    EXPECT_FALSE(BuildGhostscriptCommandLine(locator.commandLine, 4, "600", "a.pdf"));
    EXPECT_EQ(Base905, std::string(locator.commandLine));
}

// ---- the version search ----

TEST(GhostscriptVersion, StepsTheMinorDigitsAndCarries)
{
    const struct { const char* from; const char* to; } cases[] = {
        { "9.05", "9.06" }, { "9.08", "9.09" }, { "9.09", "9.10" }, { "9.10", "9.11" },
        { "9.19", "9.20" }, { "9.89", "9.90" }, { "9.98", "9.99" },
        { "8.99", "9.00" },   // the carry into the major digit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        GhostscriptLocator locator = InitialGhostscriptLocator();
        // Put the starting version into all three strings by hand.
        for (char* text : { locator.directory, locator.program }) {
            text[VersionField] = c.from[0];
            text[VersionField + 2] = c.from[2];
            text[VersionField + 3] = c.from[3];
        }
        locator.commandLine[CommandLineVersionField] = c.from[0];
        locator.commandLine[CommandLineVersionField + 2] = c.from[2];
        locator.commandLine[CommandLineVersionField + 3] = c.from[3];
        ASSERT_TRUE(StepGhostscriptVersion(locator));
        EXPECT_EQ(c.to, Version(locator));
    }
}

TEST(GhostscriptVersion, AllThreeStringsNameTheSameVersion)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    for (int i = 0; i < 5; i++)
        ASSERT_TRUE(StepGhostscriptVersion(locator));
    EXPECT_STREQ("C:\\Program Files\\gs\\gs9.10", locator.directory);
    EXPECT_STREQ("C:\\Program Files\\gs\\gs9.10\\bin\\gswin32c.exe", locator.program);
    EXPECT_STREQ("\"C:\\Program Files\\gs\\gs9.10\\bin\\gswin32c\" -dBATCH -dNOPAUSE -sDEVICE=",
                 locator.commandLine);
}

TEST(GhostscriptVersion, StopsAt999)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    int steps = 0;
    while (StepGhostscriptVersion(locator))
        steps++;
    EXPECT_EQ(94, steps);   // 9.05 to 9.99: 95 versions to test
    EXPECT_EQ("9.99", Version(locator));
    EXPECT_STREQ("C:\\Program Files\\gs\\gs9.99\\bin\\gswin32c.exe", locator.program);
}

// Runs the search over a set of existing versions; returns the version it
// ends on and counts the steps.
static std::string Search(GhostscriptLocator& locator, const std::set<std::string>& installed, int* tests,
                          LocateResult* ending)
{
    *tests = 0;
    for (;;) {
        (*tests)++;
        LocateResult result = LocateStep(locator, installed.count(Version(locator)) > 0);
        if (result != GhostscriptNotYet) {
            *ending = result;
            return Version(locator);
        }
        if (*tests > 1000)
            return "runaway";
    }
}

TEST(GhostscriptVersion, TheSearchFindsTheFirstInstalledVersionFrom905)
{
    const struct { std::set<std::string> installed; const char* found; int tests; LocateResult ending; } cases[] = {
        { { "9.05" }, "9.05", 1, GhostscriptFound },
        { { "9.10" }, "9.10", 6, GhostscriptFound },          // five steps
        { { "9.10", "9.56" }, "9.10", 6, GhostscriptFound },
        { { "9.99" }, "9.99", 95, GhostscriptFound },
        { {}, "9.99", 95, GhostscriptSearchEnded },
        { { "9.5", "10.01", "9.04" }, "9.99", 95, GhostscriptSearchEnded },   // never matched
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.found);
        GhostscriptLocator locator = InitialGhostscriptLocator();
        int tests = 0;
        LocateResult ending;
        EXPECT_EQ(c.found, Search(locator, c.installed, &tests, &ending));
        EXPECT_EQ(c.tests, tests);
        EXPECT_EQ(c.ending, ending);
    }
}

TEST(GhostscriptVersion, ASecondSearchStartsWhereTheFirstEnded)
{
    GhostscriptLocator locator = InitialGhostscriptLocator();
    int tests = 0;
    LocateResult ending;
    ASSERT_EQ("9.10", Search(locator, { "9.10" }, &tests, &ending));
    // An older version installed since is not looked at again.
    EXPECT_EQ("9.10", Search(locator, { "9.07", "9.10" }, &tests, &ending));
    EXPECT_EQ(1, tests);
    // After an ended search the next one tests 9.99 once and ends again.
    GhostscriptLocator ended = InitialGhostscriptLocator();
    Search(ended, {}, &tests, &ending);
    EXPECT_EQ("9.99", Search(ended, {}, &tests, &ending));
    EXPECT_EQ(1, tests);
    EXPECT_EQ(GhostscriptSearchEnded, ending);
}

// ---- the settings file ----

TEST(SettingsFileWriting, ContentIsTheKeyAndUpToThreeCharacters)
{
    const struct { const char* text; int n; const char* content; } cases[] = {
        { "600", 3, "PrinterResolution=600" },
        { "72", 2, "PrinterResolution=72" },
        { "6", 1, "PrinterResolution=6" },
        { "abc", 3, "PrinterResolution=abc" },
        { "1200", 3, "PrinterResolution=120" },
        { "", 0, "PrinterResolution=" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char content[SettingsContentLimit + 4];
        memset(content, '#', sizeof content);
        int count = SettingsFileContent(c.text, content);
        EXPECT_EQ(18 + c.n, count);
        EXPECT_EQ(std::string(c.content), std::string(content, count));
        EXPECT_EQ('#', content[SettingsContentLimit]);
    }
}

TEST(SettingsFileWriting, PathIsInTheStartUpDirectory)
{
    char path[PathBufferSize];
    ASSERT_TRUE(SettingsFilePath("C:\\forms", path));
    EXPECT_STREQ("C:\\forms\\Scrivelander.ini", path);
    ASSERT_TRUE(SettingsFilePath("C:\\", path));
    EXPECT_STREQ("C:\\Scrivelander.ini", path);
}

TEST(SettingsFileWriting, APathThatDoesNotFitOrAnUnknownDirectoryIsRefused)
{
    // "\Scrivelander.ini" is 17 characters: a 242-character directory fills
    // the 259 characters of a path exactly.
    const struct { std::string directory; bool fits; } cases[] = {
        { "C:\\" + std::string(239, 'd'), true },
        { "C:\\" + std::string(240, 'd'), false },
        { "C:\\" + std::string(255, 'd'), false },
        { "", false },   // start-up found the directory too long and kept none
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directory.size());
        char path[PathBufferSize + 8];
        memset(path, '#', sizeof path);
        EXPECT_EQ(c.fits, SettingsFilePath(c.directory.c_str(), path));
        if (c.fits) {
            EXPECT_EQ(259u, strlen(path));
        }
        EXPECT_EQ('#', path[PathBufferSize]);
    }
}

// ---- the pages a conversion writes ----

struct PageNameCase {
    const char* pdfTitle;
    const char* name;
    bool written;
};

TEST(ConvertedPages, NamesAreTheStemAPageNumberFromOneAndBmp)
{
    const PageNameCase cases[] = {
        { "Document.pdf", "Document1.bmp", true },
        { "Document.pdf", "Document17.bmp", true },
        { "Document.pdf", "document2.BMP", true },          // Windows ignores case
        { "Document.pdf", "Document01.bmp", false },        // Ghostscript writes no leading zero
        { "Document.pdf", "Document0.bmp", false },
        { "Document.pdf", "Document.bmp", false },
        { "Document.pdf", "Document1.bmp.txt", false },
        { "Document.pdf", "Document1.dta", false },
        { "Document.pdf", "Documents1.bmp", false },
        { "Document.pdf", "Docu1.bmp", false },
        { "my.form.final.pdf", "my3.bmp", true },            // the stem ends at the first point
        { "my.form.final.pdf", "my.form3.bmp", false },
        { ".hidden.pdf", "1.bmp", true },                    // an empty stem
        { ".hidden.pdf", "a1.bmp", false },
        { "tax form 2023.pdf", "tax form 20231.bmp", true },
    };
    for (const PageNameCase& c : cases) {
        SCOPED_TRACE(std::string(c.pdfTitle) + " / " + c.name);
        EXPECT_EQ(IsConvertedPageName(c.pdfTitle, StemLength(c.pdfTitle), c.name), c.written);
    }
}

struct JoinCase {
    int count;
    int room;
    const char* text;
};

TEST(ConvertedPages, NamesAreJoinedAndThoseLeftOutCounted)
{
    const char* names[] = { "Document1.bmp", "Document2.bmp", "Document3.bmp" };
    const JoinCase cases[] = {
        { 0, 100, "" },
        { 1, 100, "Document1.bmp" },
        { 3, 100, "Document1.bmp, Document2.bmp, Document3.bmp" },
        // Too little room for all: those that fit, and how many more.
        { 3, 44, "Document1.bmp, Document2.bmp, Document3.bmp" },   // just fits
        { 3, 43, "Document1.bmp and 2 more" },
        { 3, 16, " and 3 more" },
    };
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " names in " << c.room);
        char text[200];
        memset(text, 'x', sizeof text);
        JoinPageNames(names, c.count, text, c.room);
        EXPECT_STREQ(text, c.text);
        EXPECT_LT((int)strlen(text), c.room);
    }
}

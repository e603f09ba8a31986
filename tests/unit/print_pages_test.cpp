#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "output/print_pages.h"

TEST(PrintAllPages, APageOfUnknownResolutionPrintsAtTheFirstPagesOrUnscaled)
{
    struct Case {
        int32_t page, first;
        double printed;
    } cases[] = {
        { 11811, 11811, 11811 / 39.37 },   // its own
        { 5906, 11811, 5906 / 39.37 },     // its own, though the first page's differs
        { 0, 11811, 11811 / 39.37 },       // unknown: the first page's
        { 39, 11811, 11811 / 39.37 },      // truncates to 0 dpi: unknown
        { 0, 0, 282 },                     // both unknown: the printer's
        { -11811, 0, 282 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.page << " after " << c.first);
        EXPECT_DOUBLE_EQ(c.printed, PageScannerResolution(c.page, c.first, 282));
    }
    EXPECT_EQ(300, WholeDpi(11811));
    EXPECT_EQ(95, WholeDpi(3779));
    EXPECT_EQ(0, WholeDpi(39));
    EXPECT_EQ(0, WholeDpi(-11811));
}

static std::string Notice(const std::vector<PageResolution>& pages, size_t size = 8192)
{
    std::vector<char> text(size, 'x');
    ResolutionNotice(pages.data(), (int)pages.size(), text.data(), size);
    return text.data();
}

TEST(PrintAllPages, TheNoticeListsThePagesThatDifferFromTheFirst)
{
    EXPECT_EQ("", Notice({}));
    EXPECT_EQ("", Notice({ { "D1.bmp", 11811 } }));
    // Pages scaled by the same whole dpi agree; 11800 is 299.7 dpi, scaled by 299.
    EXPECT_EQ("", Notice({ { "D1.bmp", 11811 }, { "D2.bmp", 11812 }, { "D3.bmp", 11830 } }));
    EXPECT_EQ("These pages have another scanner resolution than the first page, D1.bmp (300 dpi):\n\n"
              "D2.bmp: 150 dpi\n"
              "D4.bmp: unknown\n"
              "D5.bmp: 299 dpi\n"
              "\nEach page prints at its own resolution, so it keeps the size of its paper. "
              "A page of unknown resolution prints at the first page's.",
              Notice({ { "D1.bmp", 11811 }, { "D2.bmp", 5906 }, { "D3.bmp", 11811 }, { "D4.bmp", 0 },
                       { "D5.bmp", 11800 } }));
    // After a first page of unknown resolution, unknown ones are like it.
    EXPECT_EQ("These pages have another scanner resolution than the first page, D1.bmp (unknown):\n\n"
              "D3.bmp: 600 dpi\n"
              "\nEach page prints at its own resolution, so it keeps the size of its paper. "
              "A page of unknown resolution prints unscaled, one pixel to one printer dot.",
              Notice({ { "D1.bmp", 0 }, { "D2.bmp", 0 }, { "D3.bmp", 23622 } }));
}

TEST(PrintAllPages, ALongNoticeNamesTwentyPagesAndStaysInItsBuffer)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 30; i++)
        names.push_back("D" + std::to_string(i) + ".bmp");
    std::vector<PageResolution> pages;
    for (int i = 0; i < 30; i++)
        pages.push_back({ names[i].c_str(), i == 0 ? 11811 : 0 });
    std::string text = Notice(pages);
    EXPECT_NE(std::string::npos, text.find("D21.bmp: unknown\nand 9 more\n\n")) << text;
    EXPECT_EQ(std::string::npos, text.find("D22.bmp")) << text;
    for (size_t size : { 1, 2, 50, 200 }) {
        SCOPED_TRACE(size);
        std::string cut = Notice(pages, size);
        EXPECT_EQ(size - 1, cut.size());
        EXPECT_EQ(text.substr(0, size - 1), cut);
    }
}

TEST(PrintAllPages, ARefusedPageIsNamed)
{
    char text[400];
    PageRefusal("C:\\forms\\D2.bmp", "Not a .bmp file", text, sizeof text);
    EXPECT_STREQ("This page can't be loaded, so nothing was printed:\nC:\\forms\\D2.bmp\n\nNot a .bmp file", text);
}

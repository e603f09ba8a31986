#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "shell/help_texts.h"

static std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0, end;
    while ((end = text.find(separator, start)) != std::string::npos) {
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

struct HelpTextCase {
    const char* name;
    const char* text;
    size_t paragraphs;
};

static const HelpTextCase Texts[] = {
    { "usage", UsageText, 8 },
    { "Ghostscript", GhostscriptText, 3 },
    { "advanced", AdvancedText, 7 },
    { "formula", FormulaText, 6 },
    { "about", AboutText, 1 },
    { "edit", EditHelpText, 2 },
    { "filling fields", FillingFieldsText, 6 },
};

// A message box shows each line as given: a stray blank line, a line feed at
// the end or a character outside plain ASCII would show.
TEST(HelpTexts, ParagraphsAreSeparatedByOneEmptyLineAndNothingTrails)
{
    for (const HelpTextCase& c : Texts) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        std::vector<std::string> paragraphs = Split(text, "\n\n");
        EXPECT_EQ(c.paragraphs, paragraphs.size());
        for (const std::string& paragraph : paragraphs) {
            EXPECT_FALSE(paragraph.empty());
            EXPECT_NE('\n', paragraph.front());
            EXPECT_NE('\n', paragraph.back());
        }
        for (const std::string& line : Split(text, "\n")) {
            if (!line.empty()) {
                EXPECT_NE(' ', line.back()) << line;
            }
        }
        for (char ch : text)
            EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << (int)(unsigned char)ch;
    }
}

TEST(HelpTexts, FormulaConditionsAreIndentedByTwoBlanks)
{
    std::vector<std::string> lines = Split(Split(FormulaText, "\n\n")[4], "\n");
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ("BUT, the formula will still be displayed if it:", lines[0]);
    for (size_t i = 1; i < lines.size(); i++) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(0u, lines[i].find("  "));
        EXPECT_NE(' ', lines[i][2]);
    }
}

TEST(HelpTexts, GhostscriptAddressIsOneLineOfItsOwn)
{
    std::vector<std::string> lines = Split(Split(GhostscriptText, "\n\n")[1], "\n");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("Get the free GhostScript at:", lines[0]);
    EXPECT_EQ(0u, lines[1].find("https://"));
    EXPECT_EQ(std::string::npos, lines[1].find(' '));
}

TEST(HelpTexts, AboutIsVersionDateAndTwoCreditLines)
{
    std::vector<std::string> lines = Split(AboutText, "\n");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Version 2.96", lines[0]);
    EXPECT_EQ("Mar 16, 2012", lines[1]);
    EXPECT_FALSE(lines[2].empty());
    EXPECT_FALSE(lines[3].empty());
}

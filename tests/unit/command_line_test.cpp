#include <gtest/gtest.h>
#include <string>

#include "shell/command_line.h"

struct ArgumentCase {
    const char* arguments;
    FormArgumentKind kind;
    std::string path;
};

TEST(CommandLine, OneFormPathIsTakenWithTheUsualQuotingRules)
{
    const ArgumentCase cases[] = {
        { "", NoFormArgument, "" },
        { "   \t ", NoFormArgument, "" },
        { "\"\"", NoFormArgument, "" },
        { "C:\\forms\\1040.bmp", OneFormArgument, "C:\\forms\\1040.bmp" },
        { "  form.bmp\t", OneFormArgument, "form.bmp" },
        { "\"C:\\My Forms\\1040.bmp\"", OneFormArgument, "C:\\My Forms\\1040.bmp" },
        { "\"C:\\My Forms\"\\1040.bmp", OneFormArgument, "C:\\My Forms\\1040.bmp" },   // quotes a part
        { "\"C:\\My Forms\\1040.bmp", OneFormArgument, "C:\\My Forms\\1040.bmp" },    // never closed
        { "\"\\\\server\\share\\a b.bmp\"", OneFormArgument, "\\\\server\\share\\a b.bmp" },
        { "a\\\\\\\"b", OneFormArgument, "a\\\"b" },      // 2n+1 backslashes: n and a quote
        { "\"a\\\\\" ", OneFormArgument, "a\\" },         // 2n backslashes: n, and the quote closes
        { "\"say \"\"hi\"\"\"", OneFormArgument, "say \"hi\"" },
        { "C:\\My Forms\\1040.bmp", TooManyArguments, "" },   // blanks, no quotes
        { "one.bmp two.bmp", TooManyArguments, "" },
        { "\"a b.bmp\" \"\"", TooManyArguments, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        FormArgument form = ParseFormArgument(c.arguments);
        EXPECT_EQ(c.kind, form.kind);
        EXPECT_EQ(c.path, std::string(form.path));
    }
}

TEST(CommandLine, APathLongerThanTheBufferIsRefusedNotCut)
{
    const std::string longest = "C:\\" + std::string(PathBufferSize - 1 - 3 - 4, 'f') + ".bmp";
    ASSERT_EQ((size_t)PathBufferSize - 1, longest.size());
    FormArgument fits = ParseFormArgument(longest.c_str());
    EXPECT_EQ(OneFormArgument, fits.kind);
    EXPECT_EQ(longest, std::string(fits.path));

    const std::string quoted = "\"" + longest + "\"";
    EXPECT_EQ(longest, std::string(ParseFormArgument(quoted.c_str()).path));

    for (const std::string& tooLong : { "C:\\f" + longest, "\"" + longest + "x\"",
                                        "C:\\" + std::string(40000, 'f') + ".bmp" }) {
        SCOPED_TRACE(tooLong.size());
        FormArgument form = ParseFormArgument(tooLong.c_str());
        EXPECT_EQ(FormPathTooLong, form.kind);
        EXPECT_EQ("", std::string(form.path));
    }
}

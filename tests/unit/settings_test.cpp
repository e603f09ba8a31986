#include <gtest/gtest.h>
#include <string>

#include "base/settings.h"

struct ResolutionCase {
    std::string bytes;
    std::string text;
};

TEST(SettingsFile, ResolutionTextIsTheDigitRunAfterTheFirstEquals)
{
    const std::string fifty(50, 'x');
    const ResolutionCase cases[] = {
        { "PrinterResolution=600", "600" },
        { "PrinterResolution=1200", "1200" },
        { "PrinterResolution=12345", "1234" },     // at most four digits
        { "Resolution=300", "300" },               // the key is not compared
        { "PrinterResolution=6x0", "6" },          // a non-digit ends the text
        { "PrinterResolution=x60", "" },
        { "PrinterResolution=", "" },
        { "PrinterResolution600", "" },            // no "="
        { "", "" },
        { "a=1=2", "1" },                          // the first "=" counts
        { fifty + "=600", "" },                    // past the first 50 bytes
        { std::string(49, 'x') + "=600", "" },     // "=" is byte 50, its digits beyond
        { std::string(48, 'x') + "=600", "6" },    // only digits within the 50 bytes
        { std::string("P=3\0" "00", 6), "3" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        char text[5] = { 'z', 'z', 'z', 'z', 'z' };
        ParseResolutionText(c.bytes.data(), (int)c.bytes.size(), text);
        EXPECT_EQ(c.text, std::string(text));
    }
}

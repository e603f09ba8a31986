#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
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

static std::string FileText(const std::string& path)
{
    std::string text;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return "(missing)";
    char buffer[256];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, got);
    fclose(f);
    return text;
}

TEST(SettingsFile, AFailedWriteLeavesTheFileAsItWas)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string dir = std::string(folder) + "scrv-settings-write";
    CreateDirectoryA(dir.c_str(), NULL);
    std::string ini = dir + "\\Scrivelander.ini", temporary = dir + "\\Scrivelander.tmp";
    RemoveDirectoryA(temporary.c_str());
    DeleteFileA(temporary.c_str());
    strcpy(gStartupDirectory, dir.c_str());

    SetResolutionText("300");
    EXPECT_EQ(SettingsWritten, WriteSettings());
    EXPECT_EQ("PrinterResolution=300", FileText(ini));

    // The temporary file's name taken by a folder: nothing can be written,
    // and the file keeps its bytes instead of being cut short.
    CreateDirectoryA(temporary.c_str(), NULL);
    SetResolutionText("600");
    EXPECT_EQ(SettingsNotWritten, WriteSettings());
    EXPECT_EQ("PrinterResolution=300", FileText(ini));
    RemoveDirectoryA(temporary.c_str());

    EXPECT_EQ(SettingsWritten, WriteSettings());
    EXPECT_EQ("PrinterResolution=600", FileText(ini));
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
    gStartupDirectory[0] = 0;
}

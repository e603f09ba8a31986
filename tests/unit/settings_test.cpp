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

// What another program or the folder does to the settings file while it is
// written: it gets the new content whole, or keeps its own, and no
// temporary file is left behind.
TEST(SettingsFileWriting, TheFileIsReplacedWholeOrLeftAsItWas)
{
    char temp[MAX_PATH], folder[MAX_PATH], path[MAX_PATH], temporary[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    wsprintfA(folder, "%sscrv-settings-%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(folder, NULL);
    wsprintfA(path, "%s\\Scrivelander.ini", folder);
    wsprintfA(temporary, "%s\\Scrivelander.tmp", folder);
    const std::string old = "PrinterResolution=300", now = "PrinterResolution=600";
    struct Case {
        const char* what;
        bool held;             // another program has the file open without sharing
        bool temporaryTaken;   // a folder has the temporary file's name
    } cases[] = {
        { "nothing in the way", false, false },
        { "held by another program", true, false },
        { "the temporary name taken", false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD n;
        WriteFile(f, old.data(), (DWORD)old.size(), &n, NULL);
        CloseHandle(f);
        HANDLE held = c.held ? CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : INVALID_HANDLE_VALUE;
        if (c.temporaryTaken)
            CreateDirectoryA(temporary, NULL);
        bool written = WriteSettingsFile(path, now.data(), (int)now.size());
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        RemoveDirectoryA(temporary);
        char bytes[64] = "";
        f = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        ReadFile(f, bytes, sizeof bytes - 1, &n, NULL);
        CloseHandle(f);
        bool clear = !c.held && !c.temporaryTaken;
        EXPECT_EQ(clear, written);
        EXPECT_EQ(clear ? now : old, std::string(bytes, n));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(temporary));
    }
    DeleteFileA(path);
    RemoveDirectoryA(folder);
}

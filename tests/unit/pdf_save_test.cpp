// Saving a form as a PDF file: a save that can't be made is refused with
// its reason and leaves the file that was there, the form and its entry
// file exactly as they were.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "entries/record_layout.h"
#include "output/pdf_save.h"

namespace {

std::string Folder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "scrv-pdf-save\\";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(none)";
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        s[at + i] = (char)(v >> (8 * i));
}

// A white 1-bit form of 64 x 32 pixels at 300 dpi.
std::string SmallForm()
{
    const int width = 64, height = 32, stride = 8;
    std::string s(14 + 40 + 8 + stride * height, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 2, (uint32_t)s.size());
    Put32(s, 10, 14 + 40 + 8);
    Put32(s, 14, 40);
    Put32(s, 18, width);
    Put32(s, 22, height);
    s[26] = 1;
    s[28] = 1;
    Put32(s, 38, 11811);
    Put32(s, 42, 11811);
    Put32(s, 58, 0x00FFFFFF);   // colour 1: white
    memset(&s[62], 0xFF, stride * height);
    return s;
}

std::string OneEntry()
{
    EntryRecord r = {};
    r.x = 5;
    r.y = 5;
    r.width = 40;
    r.height = 10;
    strcpy(r.text, "Saved");
    strcpy(r.faceName, "Arial");
    r.size = 5;
    r.weight = 400;
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(r, bytes);
    return std::string((const char*)bytes, EntryRecordSize);
}

TEST(PdfSave, ASaveThatCantBeMadeIsRefusedAndLeavesEveryFileAsItWas)
{
    std::string folder = Folder();
    std::string form = folder + "form.bmp", entries = folder + "form.dta", old = folder + "old.pdf";
    WriteBytes(form, SmallForm());
    WriteBytes(entries, OneEntry());
    const std::string oldBytes = "%PDF-1.4 the file that was there\n";
    LOGFONTA base = {};
    strcpy(base.lfFaceName, "Arial");
    const char* pages[1] = { form.c_str() };
    struct Case {
        const char* name;
        std::string target;
        const char* held;      // a file another program holds meanwhile
        const char* reason;
        bool pageNamed;
    } cases[] = {
        { "a folder that is not there", folder + "gone\\x.pdf", NULL, "Its folder is not there any more.", false },
        { "a target held open", old, "target", "Another program has it open.", false },
        { "an entry file held open", old, "entries", "Its entry file can't be read", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(old, oldBytes);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.held)
            held = CreateFileA(strcmp(c.held, "target") == 0 ? old.c_str() : entries.c_str(), GENERIC_READ, 0,
                               NULL, OPEN_EXISTING, 0, NULL);
        char failedPage[PathBufferSize];
        const char* reason = SavePdfFile(c.target.c_str(), pages, 1, false, base, failedPage);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        ASSERT_NE(nullptr, reason);
        EXPECT_EQ(0, strncmp(reason, c.reason, strlen(c.reason))) << reason;
        EXPECT_EQ(c.pageNamed ? form : std::string(), std::string(failedPage));
        EXPECT_EQ(oldBytes, ReadBytes(old));
        EXPECT_EQ(SmallForm(), ReadBytes(form));
        EXPECT_EQ(OneEntry(), ReadBytes(entries));
        EXPECT_EQ("(none)", ReadBytes(folder + "SCRVPDF.tmp"));
    }
    // And saved when nothing is in the way: the old file replaced.
    char failedPage[PathBufferSize];
    EXPECT_EQ(nullptr, SavePdfFile(old.c_str(), pages, 1, false, base, failedPage));
    std::string saved = ReadBytes(old);
    EXPECT_EQ(0u, saved.find("%PDF-1.4\n"));
    EXPECT_EQ(saved.size() - 6, saved.rfind("%%EOF\n"));
    EXPECT_NE(std::string::npos, saved.find("/FontFile2"));
    EXPECT_NE(std::string::npos, saved.find("/MediaBox [0 0 15.36 7.68]"));   // 64 x 32 pixels at 300 dpi
    DeleteFileA(old.c_str());
    DeleteFileA(form.c_str());
    DeleteFileA(entries.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

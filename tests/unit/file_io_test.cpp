#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "base/file_io.h"
#include "base/program_state.h"

TEST(JoinPath, AFolderAndANameMakeOnePathWithOneSeparator)
{
    const struct {
        const char* folder;
        int folderLength;   // -1: the whole folder
        const char* name;
        const char* path;
    } cases[] = {
        { "C:\\forms", -1, "Scrivelander.ini", "C:\\forms\\Scrivelander.ini" },
        { "C:\\", -1, "Scrivelander.ini", "C:\\Scrivelander.ini" },      // a root already ends in one
        { "Z:/tmp/", -1, "Doc2.bmp", "Z:/tmp/Doc2.bmp" },
        { "C:", -1, "Doc2.bmp", "C:Doc2.bmp" },                          // the drive's current folder
        { "C:\\forms\\Doc1.bmp", 9, "Doc2.bmp", "C:\\forms\\Doc2.bmp" },   // a path's folder part
        { "Doc1.bmp", 0, "Doc2.bmp", "Doc2.bmp" },                       // no folder: the name alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        char path[PathBufferSize];
        size_t length = c.folderLength < 0 ? strlen(c.folder) : (size_t)c.folderLength;
        ASSERT_TRUE(JoinPath(c.folder, length, c.name, path));
        EXPECT_STREQ(c.path, path);
    }
}

TEST(JoinPath, APathLongerThan259CharactersOrWithoutFolderIsRefusedUntouched)
{
    // "C:\" and 245 characters, "\" and a 10-character name: 259 in all.
    const std::string folder = "C:\\" + std::string(245, 'f');
    const struct { std::string folder, name; bool fits; } cases[] = {
        { folder, "Entry1.dta", true },
        { folder, "Entry10.dta", false },
        { folder + "\\", "Entry1.dta", true },     // its own separator counts once
        { folder + "\\", "Entry10.dta", false },
        { "", "Scrivelander.ini", false },          // an unknown folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.size());
        char path[PathBufferSize + 8];
        memset(path, '#', sizeof path);
        EXPECT_EQ(c.fits, PathInFolder(c.folder.c_str(), c.name.c_str(), path));
        if (c.fits) {
            EXPECT_EQ(259u, strlen(path));
        } else {
            EXPECT_EQ('#', path[0]);
        }
        EXPECT_EQ('#', path[PathBufferSize]);
    }
}

TEST(OpenFailure, OnlyAMissingFileOrFolderIsMissing)
{
    const struct { DWORD error; OpenFailure failure; } cases[] = {
        { ERROR_FILE_NOT_FOUND, MissingFile },
        { ERROR_PATH_NOT_FOUND, MissingFile },
        { ERROR_SHARING_VIOLATION, UnopenableFile },
        { ERROR_LOCK_VIOLATION, UnopenableFile },
        { ERROR_ACCESS_DENIED, UnopenableFile },
        { ERROR_INVALID_NAME, UnopenableFile },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(c.failure, OpenFailureOf(c.error));
    }
}

// A folder of its own for the files of one test.
class FileFolder : public testing::Test {
protected:
    char folder[MAX_PATH];

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(folder, "%sscrv-file-io-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(folder, NULL);
    }

    void TearDown() override
    {
        for (const char* name : { "form.dta", "SCRV.tmp" }) {
            std::string path = In(name);
            if (!DeleteFileA(path.c_str()))
                RemoveDirectoryA(path.c_str());
        }
        RemoveDirectoryA(folder);
    }

    std::string In(const char* name) { return std::string(folder) + "\\" + name; }

    void Write(const std::string& path, const std::string& bytes)
    {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(f);
    }

    std::string Read(const std::string& path)
    {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (f == INVALID_HANDLE_VALUE)
            return "(missing)";
        char buffer[256];
        DWORD got = 0;
        ReadFile(f, buffer, sizeof buffer, &got, NULL);
        CloseHandle(f);
        return std::string(buffer, got);
    }
};

TEST_F(FileFolder, AnOpenTellsAMissingFileFromOneHeldElsewhere)
{
    std::string path = In("form.dta");
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenExclusively(path.c_str(), GENERIC_READ, OPEN_EXISTING));
    EXPECT_EQ(MissingFile, LastOpenFailure());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForReading(In("no folder\\form.dta").c_str()));
    EXPECT_EQ(MissingFile, LastOpenFailure());

    Write(path, "entries");
    HANDLE held = OpenExclusively(path.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    // Held without sharing: no other open gets it, not even for reading.
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForReading(path.c_str()));
    EXPECT_EQ(UnopenableFile, LastOpenFailure());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenExclusively(path.c_str(), GENERIC_READ, OPEN_EXISTING));
    EXPECT_EQ(UnopenableFile, LastOpenFailure());
    CloseHandle(held);

    // Readers share it with each other, and keep a writer out.
    HANDLE reader = OpenForReading(path.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    HANDLE another = OpenForReading(path.c_str());
    EXPECT_NE(INVALID_HANDLE_VALUE, another);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenExclusively(path.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    CloseHandle(another);
    CloseHandle(reader);
}

TEST_F(FileFolder, AFileHeldWhileItIsWrittenAnewIsReplacedAndLetGo)
{
    std::string path = In("form.dta"), temporary = In("SCRV.tmp");
    Write(path, "old bytes");
    HANDLE held = OpenExclusively(path.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(FileReplaced, WriteFileReplacing(path.c_str(), temporary.c_str(), "new bytes", 9, held));
    EXPECT_EQ("new bytes", Read(path));
    EXPECT_EQ("(missing)", Read(temporary));
    // The held handle was closed: the file opens exclusively again.
    HANDLE again = OpenExclusively(path.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, again);
    CloseHandle(again);
}

TEST_F(FileFolder, AWriteThatFailsLeavesTheFileAsItWasAndNoTemporaryBehind)
{
    std::string path = In("form.dta"), temporary = In("SCRV.tmp");
    Write(path, "old bytes");

    // The temporary's name taken by a folder: no copy can be made.
    CreateDirectoryA(temporary.c_str(), NULL);
    HANDLE held = OpenExclusively(path.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(TemporaryNotMade, WriteFileReplacing(path.c_str(), temporary.c_str(), "new bytes", 9, held));
    EXPECT_EQ("old bytes", Read(path));   // readable again: the held handle was closed
    RemoveDirectoryA(temporary.c_str());

    // The file's own name taken by a folder: the copy can't take its place,
    // and goes.
    DeleteFileA(path.c_str());
    CreateDirectoryA(path.c_str(), NULL);
    EXPECT_EQ(FileNotReplaced, WriteFileReplacing(path.c_str(), temporary.c_str(), "new bytes", 9));
    EXPECT_EQ("(missing)", Read(temporary));
    RemoveDirectoryA(path.c_str());
}

TEST(DialogFolder, IsThePathUpToItsLastSeparator)
{
    struct Case { const char* path; const char* folder; } cases[] = {
        { "C:\\forms\\1040.bmp", "C:\\forms\\" },
        { "Z:\\home\\me\\scans/page1.bmp", "Z:\\home\\me\\scans/" },
        { "C:\\claim.pdf", "C:\\" },
        { "claim.bmp", "" },   // no folder: the dialogs keep the one they had
    };
    for (const Case& c : cases) {
        char folder[PathBufferSize];
        FolderOfPath(c.path, folder);
        EXPECT_STREQ(c.folder, folder) << c.path;
    }
}

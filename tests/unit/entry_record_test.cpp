#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "entries/entry_record.h"
#include "shell/main_window.h"
#include "view/form_image.h"

static EntryRecord SampleRecord()
{
    EntryRecord r = {};
    r.x = 400; r.y = -380; r.width = 0x01020304; r.height = 33;
    strcpy(r.text, "#3=#2+7/2");
    strcpy(r.faceName, "Liberation Serif");
    r.size = 15; r.weight = 700; r.pitchAndFamily = 0x22; r.colourIndex = 9; r.vertical = 1; r.rightJustified = 1;
    return r;
}

TEST(EntryRecordLayout, FieldsLieAtTheirOffsetsLittleEndian)
{
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(SampleRecord(), bytes);
    EXPECT_EQ(0x90, bytes[0]); EXPECT_EQ(0x01, bytes[1]);                     // x 400
    EXPECT_EQ(0x84, bytes[4]); EXPECT_EQ(0xFF, bytes[7]);                     // y -380
    EXPECT_EQ(0x04, bytes[8]); EXPECT_EQ(0x01, bytes[11]);                    // width
    EXPECT_EQ(33, bytes[12]);
    EXPECT_EQ(0, memcmp(bytes + 16, "#3=#2+7/2", 10));
    EXPECT_EQ(0, bytes[16 + 99]);
    EXPECT_EQ(0, memcmp(bytes + 116, "Liberation Serif", 17));
    EXPECT_EQ(15, bytes[148]);
    EXPECT_EQ(0xBC, bytes[152]); EXPECT_EQ(0x02, bytes[153]);                 // weight 700
    EXPECT_EQ(0x22, bytes[156]);
    EXPECT_EQ(9, bytes[157]);
    EXPECT_EQ(1, bytes[158]);
    EXPECT_EQ(1, bytes[159]);

    EntryRecord back = DecodeEntryRecord(bytes);
    uint8_t again[EntryRecordSize];
    EncodeEntryRecord(back, again);
    EXPECT_EQ(0, memcmp(bytes, again, EntryRecordSize));
}

TEST(EntryRecordLayout, NinetyNineCharactersEndAtOffset115)
{
    EntryRecord r = {};
    memset(r.text, 'a', 99);
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(r, bytes);
    EXPECT_EQ('a', bytes[114]);
    EXPECT_EQ(0, bytes[115]);
}

TEST(EntryRecordLayout, UnterminatedTextAndFaceNameStayInsideTheRecord)
{
    uint8_t bytes[EntryRecordSize];
    memset(bytes, 'z', sizeof bytes);
    EntryRecord r = DecodeEntryRecord(bytes);
    EXPECT_EQ(99u, strlen(r.text));
    EXPECT_EQ(31u, strlen(r.faceName));
}

TEST(Colours, IndicesFollowTheTableWithoutBlue)
{
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(0));
    EXPECT_EQ(RGB(255, 255, 0), ColourOfIndex(11));
    EXPECT_EQ(RGB(255, 0, 255), ColourOfIndex(12));
    EXPECT_EQ(RGB(255, 255, 255), ColourOfIndex(14));
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(15));
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(255));
    EXPECT_EQ(9, IndexOfColour(RGB(255, 0, 0)));
    EXPECT_EQ(13, IndexOfColour(RGB(0, 255, 255)));
    EXPECT_EQ(0, IndexOfColour(RGB(0, 0, 255)));   // blue is not in the table
    for (int i = 0; i < ColourCount; i++)
        EXPECT_EQ(i, IndexOfColour(ColourOfIndex(i)));
}

TEST(RecordFont, HeightIsStoredHalvedAndComesBackDoubled)
{
    const int cases[][3] = { { -30, 15, -30 }, { -31, 15, -30 }, { 25, -12, 24 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        CurrentFont = LOGFONTA();
        CurrentFont.lfHeight = c[0];
        CurrentFont.lfWeight = 700;
        CurrentFont.lfItalic = 1;
        CurrentFont.lfPitchAndFamily = 0x31;
        strcpy(CurrentFont.lfFaceName, "Liberation Mono");
        CurrentTextColour = RGB(0, 0, 255);
        EntryRecord r = {};
        StoreRecordFont(r);
        EXPECT_EQ(c[1], r.size);
        EXPECT_EQ(0, r.colourIndex);   // blue is stored as black
        CurrentFont = LOGFONTA();
        CurrentFont.lfItalic = 1;
        ApplyRecordFont(r);
        EXPECT_EQ(c[2], CurrentFont.lfHeight);
        EXPECT_EQ(700, CurrentFont.lfWeight);
        EXPECT_EQ(0x31, CurrentFont.lfPitchAndFamily);
        EXPECT_STREQ("Liberation Mono", CurrentFont.lfFaceName);
        EXPECT_EQ(1, CurrentFont.lfItalic);   // fields a record doesn't carry are kept
        EXPECT_EQ(RGB(0, 0, 0), CurrentTextColour);
    }
}

// ---- the entry file ----

// Messages the entry file operations would show, caught instead of shown.
static std::vector<std::string> Shown;
static void CatchMessage(const char* text) { Shown.push_back(text); }

class EntryFile : public testing::Test {
protected:
    char folder[MAX_PATH];

    void SetUp() override
    {
        ShowEntryFileProblem = CatchMessage;
        Shown.clear();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(folder, "%sscrv-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(folder, NULL);
        wsprintfA(FormImage.entryFilePath, "%s\\form.dta", folder);
    }

    void TearDown() override
    {
        DeleteFileA(FormImage.entryFilePath);
        char other[MAX_PATH];
        wsprintfA(other, "%s\\SCRV.tmp", folder);
        DeleteFileA(other);
        RemoveDirectoryA(other);
        RemoveDirectoryA(folder);
    }

    static std::vector<uint8_t> Records(int count, int extraBytes = 0)
    {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < count; i++) {
            EntryRecord r = {};
            r.x = 100 + i;
            r.y = i;
            wsprintfA(r.text, "entry %d", i);
            uint8_t b[EntryRecordSize];
            EncodeEntryRecord(r, b);
            bytes.insert(bytes.end(), b, b + EntryRecordSize);
        }
        bytes.insert(bytes.end(), extraBytes, 0x5A);
        return bytes;
    }

    void Write(const std::vector<uint8_t>& bytes)
    {
        HANDLE f = CreateFileA(FormImage.entryFilePath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written;
        WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(f);
    }

    std::vector<uint8_t> Read()
    {
        std::vector<uint8_t> bytes;
        HANDLE f = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (f == INVALID_HANDLE_VALUE)
            return bytes;
        bytes.resize(GetFileSize(f, NULL));
        DWORD got;
        ReadFile(f, bytes.data(), (DWORD)bytes.size(), &got, NULL);
        CloseHandle(f);
        return bytes;
    }

    static std::vector<uint8_t> Without(std::vector<uint8_t> bytes, int index)
    {
        bytes.erase(bytes.begin() + index * EntryRecordSize, bytes.begin() + (index + 1) * EntryRecordSize);
        return bytes;
    }
};

TEST_F(EntryFile, ReadsWholeRecordsOnly)
{
    EXPECT_EQ(-1, ReadEntryFile());   // missing
    Write({});
    EXPECT_EQ(0, ReadEntryFile());
    Write(Records(2, 30));            // 350 bytes: two records
    EXPECT_EQ(2, ReadEntryFile());
    EXPECT_EQ(101, EntryTable[1].x);
    EXPECT_STREQ("entry 1", EntryTable[1].text);
    EXPECT_EQ(0, EntryTable[2].x);
    EXPECT_EQ(2, FirstFreeSlot());
}

TEST_F(EntryFile, AFileHeldOpenElsewhereReadsAsMissing)
{
    Write(Records(3));
    HANDLE held = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(-1, ReadEntryFile());
    EXPECT_EQ(0, EntryTable[0].x);
    CloseHandle(held);
    EXPECT_EQ(3, ReadEntryFile());
}

TEST_F(EntryFile, OverTwoHundredRecordsFillTheTableAndStayInTheFile)
{
    std::vector<uint8_t> all = Records(230);
    Write(all);
    EXPECT_EQ(EntryTableSlots, ReadEntryFile());
    EXPECT_EQ(100 + 199, EntryTable[EntryTableSlots - 1].x);
    EXPECT_EQ(EntryTableSlots, FirstFreeSlot());
    EXPECT_FALSE(AppendEntryRecord(EntryTableSlots));   // no slot past 199
    ASSERT_TRUE(RemoveEntryRecord(5));
    EXPECT_EQ(Without(all, 5), Read());                 // records 200 to 229 kept
}

TEST_F(EntryFile, AppendAddsOneRecordAfterTheLastWholeOne)
{
    EXPECT_EQ(-1, ReadEntryFile());
    EntryTable[0] = SampleRecord();
    ASSERT_TRUE(AppendEntryRecord(0));   // creates the file
    EXPECT_EQ(EntryRecordSize, (int)Read().size());
    Write(Records(2, 30));
    ASSERT_TRUE(AppendEntryRecord(0));
    std::vector<uint8_t> bytes = Read();
    ASSERT_EQ(3 * EntryRecordSize, (int)bytes.size());
    EXPECT_EQ(0, memcmp(bytes.data() + 2 * EntryRecordSize + 16, "#3=#2+7/2", 10));
}

TEST_F(EntryFile, AppendToAFileHeldElsewhereFailsAndChangesNothing)
{
    std::vector<uint8_t> all = Records(2);
    Write(all);
    HANDLE held = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EntryTable[0] = SampleRecord();
    EXPECT_FALSE(AppendEntryRecord(0));
    CloseHandle(held);
    EXPECT_EQ(all, Read());
}

TEST_F(EntryFile, RemovalKeepsTheOtherRecordsInOrder)
{
    for (int index : { 0, 1, 2 }) {
        SCOPED_TRACE(index);
        std::vector<uint8_t> all = Records(3, 30);
        Write(all);
        ASSERT_TRUE(RemoveEntryRecord(index));
        EXPECT_EQ(Without(Records(3), index), Read());
    }
    Write(Records(1));
    ASSERT_TRUE(RemoveEntryRecord(0));
    EXPECT_EQ(0u, Read().size());   // the file stays, empty
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((std::string(folder) + "\\SCRV.tmp").c_str()));
}

TEST_F(EntryFile, FailedRemovalLeavesTheFileByteForByte)
{
    std::vector<uint8_t> all = Records(3, 30);
    Write(all);
    // The entry file is held open by another program.
    HANDLE held = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_FALSE(RemoveEntryRecord(1));
    CloseHandle(held);
    EXPECT_EQ(all, Read());
    EXPECT_EQ(1u, Shown.size());
    // The temporary file can't be made: its name is taken by a folder.
    std::string temporary = std::string(folder) + "\\SCRV.tmp";
    CreateDirectoryA(temporary.c_str(), NULL);
    EXPECT_FALSE(RemoveEntryRecord(1));
    RemoveDirectoryA(temporary.c_str());
    EXPECT_EQ(all, Read());
    EXPECT_EQ(2u, Shown.size());
}

// A folder that can't be written (prepared by the test runner, which makes
// it immutable on the Linux side: root ignores permission bits).
TEST(EntryFileReadOnlyFolder, FailedRemovalLeavesTheFileByteForByte)
{
    const char* folder = getenv("SCRV_READONLY_FOLDER");
    if (!folder || !*folder)
        GTEST_SKIP() << "no read-only folder prepared";
    ShowEntryFileProblem = CatchMessage;
    Shown.clear();
    wsprintfA(FormImage.entryFilePath, "%s\\form.dta", folder);
    std::vector<uint8_t> before;
    HANDLE f = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    before.resize(GetFileSize(f, NULL));
    DWORD got;
    ReadFile(f, before.data(), (DWORD)before.size(), &got, NULL);
    CloseHandle(f);
    ASSERT_EQ(3 * EntryRecordSize, (int)before.size());

    EXPECT_FALSE(RemoveEntryRecord(1));

    std::vector<uint8_t> after(before.size() + 1);
    f = CreateFileA(FormImage.entryFilePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ReadFile(f, after.data(), (DWORD)after.size(), &got, NULL);
    CloseHandle(f);
    after.resize(got);
    EXPECT_EQ(before, after);
    EXPECT_EQ(1u, Shown.size());
}

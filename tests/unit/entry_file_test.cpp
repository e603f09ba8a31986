#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "entries/entry_file.h"
#include "view/form_image.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

typedef std::vector<uint8_t> Bytes;

// `count` records numbered from `first`, and a torn tail of `extraBytes`.
static Bytes Records(int count, int extraBytes = 0, int first = 0)
{
    Bytes bytes;
    for (int i = first; i < first + count; i++) {
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

static Bytes Without(Bytes bytes, int index)
{
    bytes.erase(bytes.begin() + index * EntryRecordSize, bytes.begin() + (index + 1) * EntryRecordSize);
    return bytes;
}

static Bytes RecordOf(const Bytes& file, int index)
{
    return Bytes(file.begin() + index * EntryRecordSize, file.begin() + (index + 1) * EntryRecordSize);
}

// A view of test bytes as file content (not owned).
static EntryFileBytes Content(const Bytes& bytes)
{
    EntryFileBytes content = { true, (uint32_t)bytes.size(), (uint8_t*)bytes.data() };
    return content;
}

static const EntryFileBytes NoFile = { false, 0, NULL };

static Bytes Taken(EntryFileBytes& bytes)
{
    Bytes out(bytes.data, bytes.data + bytes.size);
    FreeEntryFileBytes(bytes);
    return out;
}

// ---- the changes, as functions of values ----

TEST(EntryFileChange, RemovalNamesTheRecordByItsBytesAndItsPlace)
{
    const Bytes file = Records(3, 30);   // a torn tail of 30 bytes
    const Bytes record1 = RecordOf(file, 1);
    struct Case {
        const char* what;
        int index;
        Bytes record;
        EntryChangeOutcome outcome;
    } cases[] = {
        { "the record at its place", 1, record1, ChangeMade },
        { "another record at that place", 1, RecordOf(file, 2), RecordNotThere },
        { "the record, but elsewhere", 0, record1, RecordNotThere },
        { "a place past the last record", 3, record1, RecordNotThere },
        { "no place", -1, record1, RecordNotThere },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryFileChange change = { RemoveRecordChange, c.index, c.record.data(), NULL, NULL };
        EntryFileBytes after;
        EXPECT_EQ(c.outcome, PlanEntryFileChange(Content(file), change, after));
        if (c.outcome == ChangeMade) {
            EXPECT_TRUE(after.exists);
            EXPECT_EQ(Without(file, 1), Taken(after));   // in order, the torn tail kept last
        } else {
            EXPECT_EQ(NULL, after.data);
        }
    }
    EntryFileChange change = { RemoveRecordChange, 0, record1.data(), NULL, NULL };
    EntryFileBytes after;
    EXPECT_EQ(RecordNotThere, PlanEntryFileChange(NoFile, change, after));
}

TEST(EntryFileChange, AppendGoesAfterTheLastWholeRecord)
{
    const Bytes record = Records(1, 0, 7);
    struct Case {
        const char* what;
        EntryFileBytes current;
        Bytes expected;
    };
    Bytes two = Records(2, 30), empty;
    Bytes twoAndNew = Records(2);
    twoAndNew.insert(twoAndNew.end(), record.begin(), record.end());
    twoAndNew.insert(twoAndNew.end(), two.end() - 30, two.end());   // the torn tail stays last
    Case cases[] = {
        { "no entry file yet", NoFile, record },
        { "an empty file", Content(empty), record },
        { "two records and a torn tail", Content(two), twoAndNew },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryFileChange change = { AppendRecordChange, 0, record.data(), NULL, NULL };
        EntryFileBytes after;
        ASSERT_EQ(ChangeMade, PlanEntryFileChange(c.current, change, after));
        EXPECT_TRUE(after.exists);
        EXPECT_EQ(c.expected, Taken(after));
    }
}

// The cells of a comb are taken out and stored together: all of them or
// none, in one change.
TEST(EntryFileChange, SeveralRecordsAreTakenOutOrAddedTogether)
{
    const Bytes file = Records(3, 30);
    Bytes picked = RecordOf(file, 2), twice = RecordOf(file, 2), wrong = RecordOf(file, 2);
    const Bytes first = RecordOf(file, 0), second = RecordOf(file, 1), third = RecordOf(file, 2);
    picked.insert(picked.end(), first.begin(), first.end());
    twice.insert(twice.end(), third.begin(), third.end());
    wrong.insert(wrong.end(), second.begin(), second.end());
    struct Case {
        const char* what;
        int indexes[2];
        const Bytes* records;
        EntryChangeOutcome outcome;
    } cases[] = {
        { "two places, in any order", { 2, 0 }, &picked, ChangeMade },
        { "one place twice", { 2, 2 }, &twice, RecordNotThere },
        { "one of them not at its place", { 2, 0 }, &wrong, RecordNotThere },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryFileChange change = { RemoveRecordChange, c.indexes[0], c.records->data(), NULL, NULL, 2, c.indexes };
        EntryFileBytes after;
        EXPECT_EQ(c.outcome, PlanEntryFileChange(Content(file), change, after));
        if (c.outcome == ChangeMade) {
            Bytes left = RecordOf(file, 1);
            left.insert(left.end(), file.end() - 30, file.end());   // the torn tail kept last
            EXPECT_EQ(left, Taken(after));
        }
    }
    // Added back together, after the last whole record.
    EntryFileChange add = { AppendRecordChange, 0, picked.data(), NULL, NULL, 2 };
    EntryFileBytes after;
    ASSERT_EQ(ChangeMade, PlanEntryFileChange(Content(file), add, after));
    Bytes expected(file.begin(), file.end() - 30);
    expected.insert(expected.end(), picked.begin(), picked.end());
    expected.insert(expected.end(), file.end() - 30, file.end());
    EXPECT_EQ(expected, Taken(after));
}

TEST(EntryFileChange, RestoreNeedsTheFileAsTheStepLeftIt)
{
    Bytes one = Records(1), two = Records(2), empty;
    struct Case {
        const char* what;
        EntryFileBytes current, expected, content;
        EntryChangeOutcome outcome;
    } cases[] = {
        { "as expected", Content(two), Content(two), Content(one), ChangeMade },
        { "changed since", Content(one), Content(two), Content(one), ChangedElsewhere },
        { "an empty file is not a missing one", Content(empty), NoFile, Content(one), ChangedElsewhere },
        { "back to no file", Content(one), Content(one), NoFile, ChangeMade },
        { "from no file", NoFile, NoFile, Content(one), ChangeMade },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryFileChange change = { RestoreChange, 0, NULL, &c.expected, &c.content };
        EntryFileBytes after;
        ASSERT_EQ(c.outcome, PlanEntryFileChange(c.current, change, after));
        if (c.outcome == ChangeMade) {
            EXPECT_EQ(c.content.exists, after.exists);
            EXPECT_TRUE(SameEntryFileBytes(c.content, after));
        }
        FreeEntryFileBytes(after);
    }
}

TEST(EntryFileChange, RecoveryAddsTheRecordsTheFileLacks)
{
    const Bytes file = Records(2, 30), recovered = Records(3, 0, 1);   // records 1..3; the file holds 0, 1
    Bytes tornRecovery = recovered;
    tornRecovery.insert(tornRecovery.end(), 40, 0x33);
    Bytes expected = Records(4, 30), none;   // the file's torn tail stays last
    // Records that can't be entries around a sound one: only that one goes in.
    Bytes damaged = Records(4, 0, 1);
    auto put = [&](int record, int offset, uint32_t value) { memcpy(&damaged[record * EntryRecordSize + offset], &value, 4); };
    put(0, RecordOffset::x, 0x80000000u);            // x = -2^31
    put(1, RecordOffset::size, 0x7FFFFFFFu);         // a font 2^31-1 tall
    damaged[2 * EntryRecordSize + RecordOffset::text] = 0x01;   // unreadable text
    Bytes withDamaged = file;
    withDamaged.resize(withDamaged.size() - 30);
    withDamaged.insert(withDamaged.end(), damaged.begin() + 3 * EntryRecordSize, damaged.end());
    withDamaged.insert(withDamaged.end(), 30, 0x5A);
    struct Case {
        const char* what;
        EntryFileBytes current, content;
        Bytes after;
    } cases[] = {
        { "no entry file yet", NoFile, Content(recovered), recovered },
        { "a record already put back is not added twice", Content(file), Content(recovered), expected },
        { "a torn record of the recovery file is left out", Content(file), Content(tornRecovery), expected },
        { "nothing to recover", Content(file), Content(none), file },
        { "records that can't be entries are left out", Content(file), Content(damaged), withDamaged },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryFileChange change = { RecoverChange, 0, NULL, NULL, &c.content };
        EntryFileBytes after;
        ASSERT_EQ(ChangeMade, PlanEntryFileChange(c.current, change, after));
        EXPECT_EQ(c.after, Taken(after));
    }
}

TEST(EntryFileChange, EveryRefusalTellsWhy)
{
    for (int outcome = RecordNotThere; outcome <= NotReplaced; outcome++) {
        SCOPED_TRACE(outcome);
        EXPECT_GT(strlen(RefusalReason((EntryChangeOutcome)outcome)), 10u);
    }
}

TEST(RecoveryFile, LiesBesideTheEntryFile)
{
    char path[PathBufferSize];
    ASSERT_TRUE(RecoveryPathOf("C:\\forms\\1040.dta", path));
    EXPECT_STREQ("C:\\forms\\1040.dta.recovered", path);
    std::string longest(PathBufferSize - 11, 'a');
    EXPECT_TRUE(RecoveryPathOf(longest.c_str(), path));
    EXPECT_EQ(PathBufferSize - 1, (int)strlen(path));
    longest += "a";
    EXPECT_FALSE(RecoveryPathOf(longest.c_str(), path));
}

// ---- on disk ----

class EntryFileOnDisk : public testing::Test {
protected:
    char folder[MAX_PATH];
    char temporary[MAX_PATH];

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(folder, "%sscrv-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(folder, NULL);
        wsprintfA(gFormImage.entryFilePath, "%s\\form.dta", folder);
        wsprintfA(temporary, "%s\\SCRV.tmp", folder);
    }

    void TearDown() override
    {
        char recovery[PathBufferSize];
        if (RecoveryPathOf(gFormImage.entryFilePath, recovery))
            DeleteFileA(recovery);
        DeleteFileA(gFormImage.entryFilePath);
        DeleteFileA(temporary);
        RemoveDirectoryA(temporary);
        RemoveDirectoryA(folder);
    }

    const char* Path() const { return gFormImage.entryFilePath; }

    void Write(const Bytes& bytes, const char* path = NULL)
    {
        HANDLE f = CreateFileA(path ? path : Path(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written;
        WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(f);
    }

    Bytes Read(const char* path = NULL)
    {
        Bytes bytes;
        HANDLE f = CreateFileA(path ? path : Path(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (f == INVALID_HANDLE_VALUE)
            return bytes;
        bytes.resize(GetFileSize(f, NULL));
        DWORD got;
        ReadFile(f, bytes.data(), (DWORD)bytes.size(), &got, NULL);
        CloseHandle(f);
        return bytes;
    }

    bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

    // Another program has the entry file open.
    HANDLE Hold() { return CreateFileA(Path(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL); }

    EntryChangeOutcome Remove(int index, const Bytes& record)
    {
        EntryFileChange change = { RemoveRecordChange, index, record.data(), NULL, NULL };
        return ChangeEntryFile(Path(), change, NULL, NULL);
    }

    EntryChangeOutcome Append(const Bytes& record, Bytes* before = NULL, Bytes* after = NULL)
    {
        EntryFileChange change = { AppendRecordChange, 0, record.data(), NULL, NULL };
        EntryFileBytes b = {}, a = {};
        EntryChangeOutcome outcome = ChangeEntryFile(Path(), change, &b, &a);
        if (before)
            *before = Taken(b);
        if (after)
            *after = Taken(a);
        FreeEntryFileBytes(b);
        FreeEntryFileBytes(a);
        return outcome;
    }
};

TEST_F(EntryFileOnDisk, TheTableReadsWholeRecordsOnly)
{
    EXPECT_EQ(NoEntryFile, ReadEntryFile());
    EXPECT_EQ(0, gEntryCount);
    Write({});
    EXPECT_EQ(0, ReadEntryFile());
    Bytes file = Records(2, 30);      // 350 bytes: two records
    Write(file);
    EXPECT_EQ(2, ReadEntryFile());
    EXPECT_EQ(2, gEntryCount);
    EXPECT_EQ(101, gEntryTable[1].x);
    EXPECT_STREQ("entry 1", gEntryTable[1].text);
    EXPECT_EQ(0, gEntryTable[2].x);
    uint8_t stored[EntryRecordSize];
    StoredRecordBytes(1, stored);
    EXPECT_EQ(RecordOf(file, 1), Bytes(stored, stored + EntryRecordSize));
}

TEST_F(EntryFileOnDisk, TheTableKeepsTheBytesAsStored)
{
    // A text that fills its field without a zero is cut in the table, but the
    // record is still named by what the file holds.
    Bytes file(EntryRecordSize, 'z');
    Write(file);
    ASSERT_EQ(1, ReadEntryFile());
    uint8_t stored[EntryRecordSize];
    StoredRecordBytes(0, stored);
    EXPECT_EQ(file, Bytes(stored, stored + EntryRecordSize));
    EXPECT_EQ(ChangeMade, Remove(0, file));
    EXPECT_EQ(Bytes(), Read());
}

TEST_F(EntryFileOnDisk, ReadingSharesTheFileWithOtherReadersOnly)
{
    // How another program has the entry file open, and what the table reads.
    struct Case {
        const char* name;
        DWORD access, share;
        int read;
    } cases[] = {
        { "a reader sharing reading", GENERIC_READ, FILE_SHARE_READ, 3 },
        { "a reader sharing everything", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 3 },
        { "a reader sharing nothing", GENERIC_READ, 0, EntryFileUnreadable },
        { "a writer sharing reading", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, EntryFileUnreadable },
    };
    Write(Records(3));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE held = CreateFileA(Path(), c.access, c.share, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_EQ(c.read, ReadEntryFile());
        EXPECT_EQ(c.read > 0 ? 102 : 0, gEntryTable[2].x);
        CloseHandle(held);
    }
    EXPECT_EQ(3, ReadEntryFile());
}

TEST_F(EntryFileOnDisk, AnotherFormsEntriesGoIntoATableOfTheirOwn)
{
    static EntryRecord table[EntryTableSlots];
    Write(Records(3));
    ASSERT_EQ(3, ReadEntryFile());
    char other[MAX_PATH];
    wsprintfA(other, "%s\\other.dta", folder);
    EXPECT_EQ(NoEntryFile, ReadEntriesOf(other, table));
    EXPECT_EQ(0, table[0].x);
    Write(Records(230), other);
    EXPECT_EQ(EntryTableSlots, ReadEntriesOf(other, table));
    EXPECT_EQ(100 + 199, table[EntryTableSlots - 1].x);
    EXPECT_STREQ("entry 0", table[0].text);
    // A file held open elsewhere is told apart from a missing one.
    HANDLE held = CreateFileA(other, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(EntryFileUnreadable, ReadEntriesOf(other, table));
    EXPECT_EQ(0, table[0].x);
    CloseHandle(held);
    // The open form's table is left as it was.
    EXPECT_EQ(3, gEntryCount);
    EXPECT_STREQ("entry 2", gEntryTable[2].text);
    DeleteFileA(other);
}

TEST_F(EntryFileOnDisk, OverTwoHundredRecordsFillTheTableAndStayInTheFile)
{
    Bytes all = Records(230);
    Write(all);
    EXPECT_EQ(EntryTableSlots, ReadEntryFile());
    EXPECT_EQ(100 + 199, gEntryTable[EntryTableSlots - 1].x);
    ASSERT_EQ(ChangeMade, Remove(5, RecordOf(all, 5)));
    EXPECT_EQ(Without(all, 5), Read());   // records 200 to 229 kept
}

TEST_F(EntryFileOnDisk, AppendCreatesTheFileAndAddsAfterTheLastWholeRecord)
{
    Bytes record = Records(1, 0, 9), before, after;
    ASSERT_EQ(ChangeMade, Append(record, &before, &after));
    EXPECT_EQ(record, Read());
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(record, after);
    Write(Records(2, 30));
    ASSERT_EQ(ChangeMade, Append(record, &before, &after));
    EXPECT_EQ(Records(2, 30), before);
    Bytes expected = Records(2);
    expected.insert(expected.end(), record.begin(), record.end());
    expected.insert(expected.end(), 30, 0x5A);   // the torn tail stays last
    EXPECT_EQ(expected, Read());
    EXPECT_EQ(expected, after);
    EXPECT_FALSE(Exists(temporary));
}

TEST_F(EntryFileOnDisk, RemovalKeepsTheOtherRecordsInOrder)
{
    for (int index : { 0, 1, 2 }) {
        SCOPED_TRACE(index);
        Bytes all = Records(3, 30);
        Write(all);
        ASSERT_EQ(ChangeMade, Remove(index, RecordOf(all, index)));
        EXPECT_EQ(Without(all, index), Read());   // the torn tail too
    }
    Write(Records(1));
    ASSERT_EQ(ChangeMade, Remove(0, Records(1)));
    EXPECT_EQ(0u, Read().size());   // the file stays, empty
    EXPECT_TRUE(Exists(Path()));
    EXPECT_FALSE(Exists(temporary));
}

TEST_F(EntryFileOnDisk, ARefusedOrFailedChangeLeavesTheFileByteForByte)
{
    Bytes all = Records(3, 30);
    Write(all);
    // Another record at that place: the file changed since it was read.
    EXPECT_EQ(RecordNotThere, Remove(1, RecordOf(all, 2)));
    EXPECT_EQ(all, Read());
    // The entry file is held open by another program.
    HANDLE held = Hold();
    EXPECT_EQ(FileInUse, Remove(1, RecordOf(all, 1)));
    EXPECT_EQ(FileInUse, Append(Records(1, 0, 5)));
    CloseHandle(held);
    EXPECT_EQ(all, Read());
    // The temporary file can't be made: its name is taken by a folder.
    CreateDirectoryA(temporary, NULL);
    EXPECT_EQ(CopyNotMade, Remove(1, RecordOf(all, 1)));
    EXPECT_EQ(CopyNotMade, Append(Records(1, 0, 5)));
    RemoveDirectoryA(temporary);
    EXPECT_EQ(all, Read());
}

TEST_F(EntryFileOnDisk, RestoreGoesBackToNoFileAndForwardAgain)
{
    Bytes one = Records(1);
    Write(one);
    EntryFileBytes expected = Content(one);
    EntryFileChange undo = { RestoreChange, 0, NULL, &expected, &NoFile };
    ASSERT_EQ(ChangeMade, ChangeEntryFile(Path(), undo, NULL, NULL));
    EXPECT_FALSE(Exists(Path()));
    EntryFileChange redo = { RestoreChange, 0, NULL, &NoFile, &expected };
    ASSERT_EQ(ChangeMade, ChangeEntryFile(Path(), redo, NULL, NULL));
    EXPECT_EQ(one, Read());
    Write(Records(2));   // changed by another program
    EXPECT_EQ(ChangedElsewhere, ChangeEntryFile(Path(), undo, NULL, NULL));
    EXPECT_EQ(Records(2), Read());
}

TEST_F(EntryFileOnDisk, TheRecoveryFileCollectsRecords)
{
    char recovery[PathBufferSize];
    ASSERT_TRUE(RecoveryPathOf(Path(), recovery));
    Bytes first = Records(1, 0, 1), second = Records(1, 0, 2);
    ASSERT_TRUE(AppendToRecoveryFile(Path(), first.data()));
    ASSERT_TRUE(AppendToRecoveryFile(Path(), second.data()));
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(both, Read(recovery));
    EXPECT_FALSE(Exists(Path()));
}

TEST_F(EntryFileOnDisk, TenMegabytesOfRandomBytesAreAnsweredForAtOnce)
{
    char recovery[PathBufferSize];
    ASSERT_TRUE(RecoveryPathOf(Path(), recovery));
    Bytes noise(10 * 1024 * 1024 + 77);
    uint32_t seed = 12345;
    for (uint8_t& b : noise) {
        seed = seed * 1103515245u + 12345u;
        b = (uint8_t)(seed >> 16);
    }
    Bytes survivor = Records(1, 0, 7);
    std::copy(survivor.begin(), survivor.end(), noise.begin() + 5000 * EntryRecordSize);
    Write(noise, recovery);
    DWORD start = GetTickCount();
    EntryFileBytes sound;
    uint32_t passedOver = 0;
    ASSERT_EQ(ChangeMade, ReadRecoveryFile(Path(), sound, passedOver));
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(survivor, Taken(sound));
    EXPECT_EQ(10u * 1024 * 1024 / EntryRecordSize - 1, passedOver);
    EXPECT_LT(took, 1000u);   // a linear read of 10 MB; quadratic work would take minutes
}

TEST_F(EntryFileOnDisk, APickedCopyIsTakenBackOnlyWhileItIsTheRecoveryFilesLast)
{
    char recovery[PathBufferSize];
    ASSERT_TRUE(RecoveryPathOf(Path(), recovery));
    Bytes first = Records(1, 0, 1), second = Records(1, 0, 2);
    Write(Bytes(30, 0x77), recovery);                    // a record torn by a crash is written over
    uint32_t atFirst = 99, atSecond = 99;
    ASSERT_TRUE(AppendToRecoveryFile(Path(), first.data(), &atFirst));
    ASSERT_TRUE(AppendToRecoveryFile(Path(), second.data(), &atSecond));
    EXPECT_EQ(0u, atFirst);
    EXPECT_EQ((uint32_t)EntryRecordSize, atSecond);
    TakeBackFromRecoveryFile(Path(), first.data(), atFirst);    // not the last: stays
    TakeBackFromRecoveryFile(Path(), first.data(), atSecond);   // another record there: stays
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(both, Read(recovery));
    TakeBackFromRecoveryFile(Path(), second.data(), atSecond);
    EXPECT_EQ(first, Read(recovery));
    TakeBackFromRecoveryFile(Path(), first.data(), atFirst);
    EXPECT_FALSE(Exists(recovery));
}

TEST_F(EntryFileOnDisk, NoFileEntriesAreWrittenToIsThePicture)
{
    struct Case {
        const char* picture;   // the form's file name
        const char* clash;     // the file of the entries that is the picture; "" for none
    } cases[] = {
        { "form.bmp", "" },
        { "picture.dta", "picture.dta" },      // its own entry file
        { "PICTURE.DTA", "PICTURE.dta" },      // the same name in other letters
        { "SCRV.tmp", "SCRV.tmp" },            // the temporary file of every change
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        char form[PathBufferSize], entryPath[PathBufferSize], clash[PathBufferSize] = "", expected[PathBufferSize];
        wsprintfA(form, "%s\\%s", folder, c.picture);
        Write(Records(1), form);
        EntryFilePathOf(form, entryPath);
        EXPECT_EQ(c.clash[0] != 0, EntryFileIsPicture(form, entryPath, clash));
        if (c.clash[0]) {
            wsprintfA(expected, "%s\\%s", folder, c.clash);
            EXPECT_STREQ(expected, clash);
        }
        DeleteFileA(form);
    }
}

TEST_F(EntryFileOnDisk, AnEntryFileLinkedToThePictureIsThePicture)
{
    char form[PathBufferSize], entryPath[PathBufferSize], clash[PathBufferSize], dotted[PathBufferSize];
    wsprintfA(form, "%s\\form.bmp", folder);
    EntryFilePathOf(form, entryPath);
    wsprintfA(dotted, "%s\\.\\FORM.BMP", folder);
    Write(Records(1), form);
    EXPECT_TRUE(SameFile(form, dotted));
    Write(Records(1));                                   // an entry file of its own
    EXPECT_FALSE(EntryFileIsPicture(form, entryPath, clash));
    DeleteFileA(entryPath);
    if (!CreateHardLinkA(entryPath, form, NULL)) {
        DeleteFileA(form);
        GTEST_SKIP() << "no hard links here";
    }
    EXPECT_TRUE(EntryFileIsPicture(form, entryPath, clash));
    EXPECT_STREQ(entryPath, clash);
    DeleteFileA(form);
}

// A folder that can't be written (prepared by the test runner, which makes
// it immutable on the Linux side: root ignores permission bits).
TEST(EntryFileReadOnlyFolder, FailedRemovalLeavesTheFileByteForByte)
{
    const char* folder = getenv("SCRV_READONLY_FOLDER");
    if (!folder || !*folder)
        GTEST_SKIP() << "no read-only folder prepared";
    char path[PathBufferSize];
    wsprintfA(path, "%s\\form.dta", folder);
    Bytes before;
    HANDLE f = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    before.resize(GetFileSize(f, NULL));
    DWORD got;
    ReadFile(f, before.data(), (DWORD)before.size(), &got, NULL);
    CloseHandle(f);
    ASSERT_EQ(3 * EntryRecordSize, (int)before.size());

    EntryFileChange change = { RemoveRecordChange, 1, before.data() + EntryRecordSize, NULL, NULL };
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, NULL, NULL);
    EXPECT_NE(ChangeMade, outcome);

    Bytes after(before.size() + 1);
    f = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ReadFile(f, after.data(), (DWORD)after.size(), &got, NULL);
    CloseHandle(f);
    after.resize(got);
    EXPECT_EQ(before, after);
}

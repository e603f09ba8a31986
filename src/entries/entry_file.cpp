#include "entries/entry_file.h"

#include <stdlib.h>
#include <string.h>
#include <winternl.h>

#include "base/file_io.h"
#include "base/form_pages.h"
#include "entries/drawing_bounds.h"
#include "entries/entries_globals.h"

void FreeEntryFileBytes(EntryFileBytes& bytes)
{
    free(bytes.data);
    bytes.data = NULL;
    bytes.size = 0;
    bytes.exists = false;
}

bool SameEntryFileBytes(const EntryFileBytes& a, const EntryFileBytes& b)
{
    if (a.exists != b.exists)
        return false;
    if (!a.exists)
        return true;
    return a.size == b.size && (a.size == 0 || memcmp(a.data, b.data, a.size) == 0);
}

// An existing file's content of `size` bytes, not yet filled in.
static bool Allocate(EntryFileBytes& bytes, uint32_t size)
{
    bytes.exists = true;
    bytes.size = size;
    bytes.data = size ? (uint8_t*)malloc(size) : NULL;
    return size == 0 || bytes.data != NULL;
}

static void CopyInto(uint8_t* to, const uint8_t* from, uint32_t count)
{
    if (count)
        memcpy(to, from, count);
}

// ---- the changes, as functions of values ----

// The bytes of a file's whole records. What follows them, a record torn
// short (by another program, or one still being written), is its tail: no
// change drops it, it stays the file's last bytes.
static uint32_t WholeBytes(const EntryFileBytes& bytes)
{
    return bytes.exists ? bytes.size / EntryRecordSize * EntryRecordSize : 0;
}

// Whether record `i` of the file is one of the `count` positions.
static bool Removed(const int* indexes, int count, uint32_t i)
{
    for (int k = 0; k < count; k++)
        if ((uint32_t)indexes[k] == i)
            return true;
    return false;
}

// Takes out the records at `indexes` (each once), which must hold `records`.
static EntryChangeOutcome PlanRemoval(const EntryFileBytes& current, const int* indexes, int count,
                                      const uint8_t* records, EntryFileBytes& after)
{
    uint32_t whole = WholeBytes(current), held = whole / EntryRecordSize;
    if (count < 1 || (uint32_t)count > held)
        return RecordNotThere;
    for (int k = 0; k < count; k++) {
        if (indexes[k] < 0 || (uint32_t)indexes[k] >= held || Removed(indexes, k, (uint32_t)indexes[k]) ||
            memcmp(current.data + (uint32_t)indexes[k] * EntryRecordSize, records + k * EntryRecordSize,
                   EntryRecordSize) != 0)
            return RecordNotThere;
    }
    if (!Allocate(after, current.size - (uint32_t)count * EntryRecordSize))
        return NotEnoughMemory;
    uint32_t end = 0;
    for (uint32_t i = 0; i < held; i++) {
        if (!Removed(indexes, count, i)) {
            memcpy(after.data + end, current.data + i * EntryRecordSize, EntryRecordSize);
            end += EntryRecordSize;
        }
    }
    CopyInto(after.data + end, current.data + whole, current.size - whole);
    return ChangeMade;
}

// `after` as the file's whole records with room for up to `added` bytes of
// records after them; FinishWithTail ends it.
static EntryChangeOutcome StartWithRecords(const EntryFileBytes& current, uint32_t added, EntryFileBytes& after)
{
    uint32_t size = current.exists ? current.size : 0;
    if (size + added > MaxEntryFileBytes)
        return FileTooLarge;
    if (!Allocate(after, size + added))
        return NotEnoughMemory;
    CopyInto(after.data, current.data, WholeBytes(current));
    return ChangeMade;
}

// The records added end at `end`; the file's tail follows them.
static void FinishWithTail(const EntryFileBytes& current, uint32_t end, EntryFileBytes& after)
{
    uint32_t whole = WholeBytes(current), tail = current.exists ? current.size - whole : 0;
    CopyInto(after.data + end, current.data + whole, tail);
    after.size = end + tail;
}

static EntryChangeOutcome PlanAppend(const EntryFileBytes& current, const uint8_t* records, int count,
                                     EntryFileBytes& after)
{
    if (count < 1 || count > EntryTableSlots)
        return RecordNotThere;
    uint32_t added = (uint32_t)count * EntryRecordSize;
    EntryChangeOutcome outcome = StartWithRecords(current, added, after);
    if (outcome != ChangeMade)
        return outcome;
    uint32_t whole = WholeBytes(current);
    memcpy(after.data + whole, records, added);
    FinishWithTail(current, whole + added, after);
    return ChangeMade;
}

static EntryChangeOutcome PlanRestore(const EntryFileBytes& current, const EntryFileBytes& expected,
                                      const EntryFileBytes& content, EntryFileBytes& after)
{
    if (!SameEntryFileBytes(current, expected))
        return ChangedElsewhere;
    if (!content.exists)
        return ChangeMade;   // there was no entry file: `after` says so
    if (!Allocate(after, content.size))
        return NotEnoughMemory;
    CopyInto(after.data, content.data, content.size);
    return ChangeMade;
}

// ---- what can be an entry ----

static int32_t Int32At(const uint8_t* bytes, int offset)
{
    return (int32_t)((uint32_t)bytes[offset] | (uint32_t)bytes[offset + 1] << 8 | (uint32_t)bytes[offset + 2] << 16 |
                     (uint32_t)bytes[offset + 3] << 24);
}

static bool Within(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

// Characters up to a zero inside the field, none of them a control
// character (a tab is taken: a pasted text may hold one); their number, or
// -1 when the field is not such a text.
static int ReadableLength(const uint8_t* field, int size)
{
    for (int i = 0; i < size; i++) {
        if (field[i] == 0)
            return i;
        if ((field[i] < 0x20 && field[i] != '\t') || field[i] == 0x7F)
            return -1;
    }
    return -1;
}

// A record the program can show and pick up is never passed over: the
// bounds are those of what can be reached on a picture at all. A weight,
// colour or flag out of range is drawn as normal, black, level and left
// (drawing_bounds.h), so it is no reason to leave an entry out.
bool IsSoundEntryRecord(const uint8_t bytes[EntryRecordSize])
{
    int32_t x = Int32At(bytes, RecordOffset::x);
    return x != 0 && Within(x, -DrawingReach, DrawingReach) &&
           Within(Int32At(bytes, RecordOffset::y), -DrawingReach, DrawingReach) &&
           Within(Int32At(bytes, RecordOffset::size), -DrawingReach, DrawingReach) &&
           ReadableLength(bytes + RecordOffset::text, EntryTextSize) > 0 &&
           ReadableLength(bytes + RecordOffset::faceName, FaceNameSize) >= 0;
}

uint32_t KeepSoundRecords(const uint8_t* records, uint32_t count, EntryFileBytes& sound, uint32_t room)
{
    uint32_t passedOver = 0;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* record = records + i * EntryRecordSize;
        if (IsSoundEntryRecord(record) && sound.size + EntryRecordSize <= room) {
            memcpy(sound.data + sound.size, record, EntryRecordSize);
            sound.size += EntryRecordSize;
        } else {
            passedOver++;
        }
    }
    return passedOver;
}

// ---- recovered records, each once ----

static uint32_t HashOfRecord(const uint8_t* record)
{
    uint32_t hash = 2166136261u;   // FNV-1a
    for (int i = 0; i < EntryRecordSize; i++)
        hash = (hash ^ record[i]) * 16777619u;
    return hash;
}

// The records already in `after`, as an open-addressed table of their
// numbers plus one (0: an empty slot): finding one is a look at a few
// slots, however many records there are.
struct RecordSet {
    uint32_t* slots;
    uint32_t mask;
};

static bool MakeRecordSet(RecordSet& set, uint32_t records)
{
    uint32_t size = 16;
    while (size < 2 * records)
        size *= 2;
    set.slots = (uint32_t*)calloc(size, sizeof(uint32_t));
    set.mask = size - 1;
    return set.slots != NULL;
}

// Adds record `number` of `records` unless an equal one is in the set;
// false when it is.
static bool AddNewRecord(RecordSet& set, const uint8_t* records, uint32_t number)
{
    const uint8_t* record = records + number * EntryRecordSize;
    for (uint32_t at = HashOfRecord(record) & set.mask;; at = (at + 1) & set.mask) {
        if (set.slots[at] == 0) {
            set.slots[at] = number + 1;
            return true;
        }
        if (memcmp(records + (set.slots[at] - 1) * EntryRecordSize, record, EntryRecordSize) == 0)
            return false;
    }
}

// Recovered records go after the file's own, each once (a record the file
// already holds was put back before the copy beside it could go), and only
// those that can be entries.
static EntryChangeOutcome PlanRecovery(const EntryFileBytes& current, const EntryFileBytes& recovered,
                                       EntryFileBytes& after)
{
    uint32_t added = WholeBytes(recovered);
    EntryChangeOutcome outcome = StartWithRecords(current, added, after);
    if (outcome != ChangeMade)
        return outcome;
    uint32_t end = WholeBytes(current);
    RecordSet set;
    if (!MakeRecordSet(set, (end + added) / EntryRecordSize))
        return NotEnoughMemory;
    for (uint32_t number = 0; number < end / EntryRecordSize; number++)
        AddNewRecord(set, after.data, number);
    for (uint32_t at = 0; at < added; at += EntryRecordSize) {
        if (!IsSoundEntryRecord(recovered.data + at))
            continue;
        memcpy(after.data + end, recovered.data + at, EntryRecordSize);
        if (AddNewRecord(set, after.data, end / EntryRecordSize))
            end += EntryRecordSize;
    }
    free(set.slots);
    FinishWithTail(current, end, after);
    return ChangeMade;
}

EntryChangeOutcome PlanEntryFileChange(const EntryFileBytes& current, const EntryFileChange& change,
                                       EntryFileBytes& after)
{
    after = EntryFileBytes();
    EntryChangeOutcome outcome = RecordNotThere;
    switch (change.kind) {
    case RemoveRecordChange:
        // One record at `index`, or several at `indexes`.
        outcome = PlanRemoval(current, change.indexes ? change.indexes : &change.index,
                              change.indexes ? change.count : 1, change.record, after);
        break;
    case AppendRecordChange: outcome = PlanAppend(current, change.record, change.count, after); break;
    case RestoreChange: outcome = PlanRestore(current, *change.expected, *change.content, after); break;
    case RecoverChange: outcome = PlanRecovery(current, *change.content, after); break;
    }
    if (outcome != ChangeMade)
        FreeEntryFileBytes(after);
    return outcome;
}

// ---- on disk ----

// The temporary file beside the entry file, so that the rename that
// replaces the entry file never crosses volumes.
static bool TemporaryPathBeside(const char* entryPath, char temporary[PathBufferSize])
{
    return PagePathOf(entryPath, "SCRV.tmp", temporary);
}

static EntryChangeOutcome ReadWholeFile(HANDLE file, EntryFileBytes& bytes)
{
    DWORD size = GetFileSize(file, NULL);
    if (size == INVALID_FILE_SIZE)
        return FileUnreadable;
    if (size > MaxEntryFileBytes)
        return FileTooLarge;
    if (!Allocate(bytes, size)) {
        FreeEntryFileBytes(bytes);
        return NotEnoughMemory;
    }
    DWORD got = 0;
    if (size && (!ReadFile(file, bytes.data, size, &got, NULL) || got != size)) {
        FreeEntryFileBytes(bytes);
        return FileUnreadable;
    }
    return ChangeMade;
}

// The new content goes to the temporary file, which then takes the entry
// file's place; `held`, the entry file held open since it was read, is
// closed in between.
static EntryChangeOutcome WriteInPlace(const char* path, const char* temporary, const EntryFileBytes& content,
                                       HANDLE held)
{
    switch (WriteFileReplacing(path, temporary, content.data, content.size, held)) {
    case FileReplaced: return ChangeMade;
    case TemporaryNotMade: return CopyNotMade;
    case TemporaryNotWritten: return CopyNotWritten;
    case NoRoomOnDisk: return DiskFull;
    case FileNotReplaced: return NotReplaced;
    }
    return NotReplaced;
}

// Content that says there is no entry file (an undo back to before the
// first entry) removes it.
static EntryChangeOutcome RemoveEntryFile(const char* path)
{
    return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND ? ChangeMade : NotReplaced;
}

static void HandOver(EntryFileBytes& bytes, EntryFileBytes* to)
{
    if (to) {
        *to = bytes;
        bytes = EntryFileBytes();
    } else {
        FreeEntryFileBytes(bytes);
    }
}

static bool IsReadOnlyFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

EntryChangeOutcome ChangeEntryFile(const char* path, const EntryFileChange& change, EntryFileBytes* before,
                                   EntryFileBytes* after)
{
    char temporary[PathBufferSize];
    if (!TemporaryPathBeside(path, temporary))
        return PathTooLong;
    EntryFileBytes current = EntryFileBytes();
    // Held without sharing from the check until its replacement is ready,
    // so no other program changes it in between.
    HANDLE file = OpenExclusively(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        if (LastOpenFailure() != MissingFile)
            return IsReadOnlyFile(path) ? FileReadOnly : FileInUse;
    } else {
        EntryChangeOutcome read = ReadWholeFile(file, current);
        if (read != ChangeMade) {
            CloseHandle(file);
            return read;
        }
    }
    EntryFileBytes next = EntryFileBytes();
    EntryChangeOutcome outcome = PlanEntryFileChange(current, change, next);
    if (outcome == ChangeMade && next.exists) {
        outcome = WriteInPlace(path, temporary, next, file);
    } else {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (outcome == ChangeMade)
            outcome = RemoveEntryFile(path);
    }
    if (outcome != ChangeMade) {
        FreeEntryFileBytes(current);
        FreeEntryFileBytes(next);
        return outcome;
    }
    HandOver(current, before);
    HandOver(next, after);
    return ChangeMade;
}

// ---- telling the user ----

const char* RefusalReason(EntryChangeOutcome outcome)
{
    switch (outcome) {
    case ChangeMade: return "";
    case RecordNotThere:
        return "The entry is no longer at its place in the file; another program may have changed it.\n"
               "The form now shows the file as it is.";
    case ChangedElsewhere: return "It was changed by another program since then.";
    case FileInUse: return "It is in use by another program, or it can't be opened.";
    case FileReadOnly: return "It is read-only: its entries can be shown and printed, but not changed.";
    case FileUnreadable: return "It could not be read whole.";
    case FileTooLarge: return "It is too large to be an entry file.";
    case NotEnoughMemory: return "There is not enough memory to change it.";
    case PathTooLong:
        return "Its folder's path is too long: a path holds at most 259 characters, and there is no room left for "
               "the temporary file SCRV.tmp that every change is written to first.";
    case CopyNotMade: return "A new copy of it can't be made in its folder.";
    case CopyNotWritten: return "Its new copy could not be written whole.";
    case DiskFull: return "Its disk is full: there is no room left for its new copy.";
    case NotReplaced: return "It can't be replaced: it may be in use or read-only.";
    }
    return "";
}

void (*gShowEntryFileProblem)(const char* text) = ShowInMessageBox;

// The reason a read-only entry file gives, naming it: "form.dta is read-only".
static void ReadOnlyReason(const char* path, char reason[PathBufferSize + 100])
{
    wsprintfA(reason, "%s is read-only: its entries can be shown and printed, but not changed.", FileNameOf(path));
}

void ReportStoreFailure(const char* entryText, const char* path, EntryChangeOutcome outcome)
{
    // What the file system doesn't tell apart gets the usual guesses; a
    // reason the program knows is named.
    bool known = outcome != FileInUse && outcome != CopyNotMade && outcome != CopyNotWritten && outcome != NotReplaced;
    const char* reason = known ? RefusalReason(outcome)
                               : "The file may be in use by another program, read-only, or on a full disk.";
    // The entry's own text is in the message, so it is never lost unseen.
    char readOnly[PathBufferSize + 100];
    if (IsReadOnlyFile(path)) {
        ReadOnlyReason(path, readOnly);
        reason = readOnly;
    }
    char text[2 * PathBufferSize + EntryTextSize + 300];
    wsprintfA(text, "The entry \"%s\" could not be stored in\n%s\n\n%s", entryText, path, reason);
    gShowEntryFileProblem(text);
}

void ReportChangeRefused(EntryChangeOutcome outcome, const char* path)
{
    char reason[PathBufferSize + 100];
    if (outcome == FileReadOnly)
        ReadOnlyReason(path, reason);
    else
        lstrcpynA(reason, RefusalReason(outcome), sizeof reason);
    char text[2 * PathBufferSize + 300];
    wsprintfA(text, "The entries could not be changed; %s is as it was.\n\n%s", path, reason);
    gShowEntryFileProblem(text);
}

// ---- the recovery file ----

bool RecoveryPathOf(const char* entryPath, char recoveryPath[PathBufferSize])
{
    static const char suffix[] = ".recovered";
    size_t length = strnlen(entryPath, PathBufferSize);
    if (length + sizeof suffix > PathBufferSize)
        return false;
    memcpy(recoveryPath, entryPath, length);
    memcpy(recoveryPath + length, suffix, sizeof suffix);
    return true;
}

RecoveryCopyProblem RecoveryCopyProblemOf(DWORD attributes, DWORD error)
{
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RecoveryIsFolder;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return RecoveryReadOnly;
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return RecoveryInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return RecoveryDiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return attributes == INVALID_FILE_ATTRIBUTES ? RecoveryFolderUnwritable : RecoveryNotWritten;
    }
    return RecoveryNotWritten;
}

const char* RecoveryCopyReason(RecoveryCopyProblem problem)
{
    switch (problem) {
    case RecoveryCopyKept: return "";
    case RecoveryPathTooLong:
        return "its path would be longer than 259 characters. Move the form to a folder with a shorter path.";
    case RecoveryIsFolder: return "a folder of that name is in its place. Rename or remove that folder.";
    case RecoveryReadOnly: return "that file is read-only. Clear its read-only attribute, or remove it.";
    case RecoveryInUse: return "another program has that file open. Close that program.";
    case RecoveryFolderUnwritable:
        return "the folder is read-only. Copy the form and its entry file to a folder you can write to.";
    case RecoveryDiskFull: return "the disk is full. Make room on it.";
    case RecoveryNotWritten: return "that file can't be written. The disk may be failing or full.";
    }
    return "";
}

static bool Refused(RecoveryCopyProblem* problem, RecoveryCopyProblem value)
{
    if (problem)
        *problem = value;
    return value == RecoveryCopyKept;
}

bool AppendToRecoveryFile(const char* entryPath, const uint8_t* records, uint32_t* at, int count,
                          RecoveryCopyProblem* problem)
{
    if (count < 1 || count > EntryTableSlots)
        return Refused(problem, RecoveryNotWritten);
    DWORD length = (DWORD)count * EntryRecordSize;
    char path[PathBufferSize];
    if (!RecoveryPathOf(entryPath, path))
        return Refused(problem, RecoveryPathTooLong);
    HANDLE file = OpenExclusively(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return Refused(problem, RecoveryCopyProblemOf(GetFileAttributesA(path), error));
    }
    // After the last whole record: a torn one, cut short by a crash, is
    // written over.
    DWORD size = GetFileSize(file, NULL);
    DWORD end = size == INVALID_FILE_SIZE ? 0 : size / EntryRecordSize * EntryRecordSize;
    DWORD written = 0;
    bool ok = size != INVALID_FILE_SIZE && SetFilePointer(file, (LONG)end, NULL, FILE_BEGIN) == end &&
              WriteFile(file, records, length, &written, NULL) && written == length &&
              SetEndOfFile(file) && FlushFileBuffers(file);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    // A copy that can't be written (a full disk) leaves no file made for it:
    // an empty one would be offered back at every open.
    if (!ok && size == 0)
        DeleteFileA(path);
    if (!ok)
        return Refused(problem, error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? RecoveryDiskFull
                                                                                             : RecoveryNotWritten);
    if (at)
        *at = end;
    return Refused(problem, RecoveryCopyKept);
}

void TakeBackFromRecoveryFile(const char* entryPath, const uint8_t* records, uint32_t at, int count)
{
    char path[PathBufferSize];
    if (count < 1 || count > EntryTableSlots || !RecoveryPathOf(entryPath, path))
        return;
    HANDLE file = OpenExclusively(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static uint8_t last[EntryTableSlots * EntryRecordSize];
    DWORD length = (DWORD)count * EntryRecordSize, got = 0;
    bool ours = GetFileSize(file, NULL) == at + length && SetFilePointer(file, (LONG)at, NULL, FILE_BEGIN) == at &&
                ReadFile(file, last, length, &got, NULL) && got == length && memcmp(last, records, length) == 0;
    if (ours && at > 0)
        ours = SetFilePointer(file, (LONG)at, NULL, FILE_BEGIN) == at && SetEndOfFile(file) && FlushFileBuffers(file);
    CloseHandle(file);
    if (ours && at == 0)
        DeleteFileA(path);
}

// Reads up to `limit` bytes of `file` a piece at a time, keeping its sound
// whole records in `recovered` (room for MaxEntryFileBytes) and counting the
// others; the bytes past `limit` are counted without being read.
static EntryChangeOutcome ScanRecoveryFile(HANDLE file, DWORD size, EntryFileBytes& recovered, uint32_t& passedOver)
{
    const DWORD piece = 1024 * EntryRecordSize;   // 160 KB
    DWORD scanned = size < MaxRecoveryScanBytes ? size : MaxRecoveryScanBytes;
    scanned = scanned / EntryRecordSize * EntryRecordSize;
    passedOver = (size / EntryRecordSize) - (scanned / EntryRecordSize);
    uint8_t* buffer = (uint8_t*)malloc(piece);
    if (!buffer || !Allocate(recovered, MaxEntryFileBytes)) {
        free(buffer);
        FreeEntryFileBytes(recovered);
        return NotEnoughMemory;
    }
    recovered.size = 0;
    for (DWORD done = 0; done < scanned;) {
        DWORD want = scanned - done < piece ? scanned - done : piece, got = 0;
        if (!ReadFile(file, buffer, want, &got, NULL) || got != want) {
            free(buffer);
            FreeEntryFileBytes(recovered);
            return FileUnreadable;
        }
        passedOver += KeepSoundRecords(buffer, got / EntryRecordSize, recovered, MaxEntryFileBytes);
        done += got;
    }
    free(buffer);
    return ChangeMade;
}

EntryChangeOutcome ReadRecoveryFile(const char* entryPath, EntryFileBytes& recovered, uint32_t& passedOver)
{
    recovered = EntryFileBytes();
    passedOver = 0;
    char path[PathBufferSize];
    if (!RecoveryPathOf(entryPath, path))
        return PathTooLong;
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return LastOpenFailure() == MissingFile ? ChangeMade : FileInUse;
    DWORD size = GetFileSize(file, NULL);
    EntryChangeOutcome outcome = size == INVALID_FILE_SIZE ? FileUnreadable
                                                           : ScanRecoveryFile(file, size, recovered, passedOver);
    CloseHandle(file);
    return outcome;
}

// ---- the files entries are written to ----

static bool FullPathOf(const char* path, char full[PathBufferSize])
{
    DWORD length = GetFullPathNameA(path, PathBufferSize, full, NULL);
    return length > 0 && length < (DWORD)PathBufferSize;
}

static bool SameLettersInAnyCase(const char* a, const char* b)
{
    for (; *a && *b; a++, b++) {
        char x = *a >= 'a' && *a <= 'z' ? *a - 32 : *a;
        char y = *b >= 'a' && *b <= 'z' ? *b - 32 : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

// The number of an existing file on its volume, and the path of its volume;
// opened for no access, so another program holding it without sharing
// doesn't hide it. The volume is told by its path, not by its serial
// number: asking for that makes Wine try to read the disk device itself,
// and say so on the terminal.
struct FileIdentity {
    LARGE_INTEGER number;
    char volume[PathBufferSize];
};

static bool FileIdentityOf(const char* path, FileIdentity* identity)
{
    if (!GetVolumePathNameA(path, identity->volume, PathBufferSize))
        return false;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    IO_STATUS_BLOCK status;
    const FILE_INFORMATION_CLASS FileInternalInformationClass = (FILE_INFORMATION_CLASS)6;
    bool known = NtQueryInformationFile(file, &status, &identity->number, sizeof identity->number,
                                        FileInternalInformationClass) == 0;
    CloseHandle(file);
    return known;
}

bool SamePath(const char* a, const char* b)
{
    char fullA[PathBufferSize], fullB[PathBufferSize];
    return FullPathOf(a, fullA) && FullPathOf(b, fullB) && SameLettersInAnyCase(fullA, fullB);
}

bool SameFile(const char* a, const char* b)
{
    if (SamePath(a, b))
        return true;
    FileIdentity x, y;
    return FileIdentityOf(a, &x) && FileIdentityOf(b, &y) && x.number.QuadPart == y.number.QuadPart &&
           SameLettersInAnyCase(x.volume, y.volume);
}

bool EntryFileIsPicture(const char* formPath, const char* entryPath, char clash[PathBufferSize])
{
    char temporary[PathBufferSize], recovery[PathBufferSize];
    const char* written[3] = { entryPath, TemporaryPathBeside(entryPath, temporary) ? temporary : NULL,
                               RecoveryPathOf(entryPath, recovery) ? recovery : NULL };
    for (const char* path : written) {
        if (path && SameFile(formPath, path)) {
            lstrcpynA(clash, path, PathBufferSize);
            return true;
        }
    }
    return false;
}

// The entry file as a whole, and the one way it is changed: its content is
// read with the file held open, checked against what the change was meant
// for, and the new content goes to a temporary file beside it that replaces
// it in one step. A change that can't be made leaves the file byte for byte
// as it was.
#ifndef SCRIVELANDER_ENTRY_FILE_H
#define SCRIVELANDER_ENTRY_FILE_H

#include <stdint.h>

#include "entries/entry_record.h"
#include "entries/entries_globals.h"

// Far more than the 200 records a form shows; a longer file is not changed.
const uint32_t MaxEntryFileBytes = 1024 * 1024;

void FreeEntryFileBytes(EntryFileBytes& bytes);
bool SameEntryFileBytes(const EntryFileBytes& a, const EntryFileBytes& b);

// What a change does to the file.
enum EntryChangeKind {
    RemoveRecordChange,    // take out the `count` records at `record`, from positions `index` (one) or `indexes`
    AppendRecordChange,    // add the `count` records at `record` after the last whole record
    RestoreChange,         // the file holds `expected`: give it `content` (undo, redo)
    RecoverChange,         // add the whole records of `content` that the file doesn't hold yet
};

struct EntryFileChange {
    EntryChangeKind kind;
    int index;
    const uint8_t* record;              // EntryRecordSize bytes each, `count` of them
    const EntryFileBytes* expected;
    const EntryFileBytes* content;
    int count = 1;                      // records at `record`
    const int* indexes = nullptr;       // a removal of several: their positions, each once
};

enum EntryChangeOutcome {
    ChangeMade,
    RecordNotThere,        // the file no longer holds that record at that place
    ChangedElsewhere,      // the file is not as the step left it
    FileInUse,             // it can't be opened: another program has it, or it is locked
    FileReadOnly,          // it can't be opened for writing: it is read-only
    FileUnreadable,
    FileTooLarge,
    NotEnoughMemory,
    PathTooLong,
    CopyNotMade,           // the temporary file can't be created
    CopyNotWritten,
    DiskFull,              // the new copy can't be written: the disk is full
    NotReplaced,           // the temporary file can't take the entry file's place
};

// What the file's content becomes with the change, as a function of its
// content now: `after` (allocated; the caller frees it) and ChangeMade, or
// why the change can't be made (`after` is then empty). A torn record at
// the end of the file (less than 160 bytes: another program's, perhaps
// still being written) is kept as the file's last bytes by every change.
EntryChangeOutcome PlanEntryFileChange(const EntryFileBytes& current, const EntryFileChange& change,
                                       EntryFileBytes& after);

// Makes the change to the entry file at `path`. When it was made, `before`
// and `after` (either may be NULL) receive the content before and after it,
// which the caller then owns.
EntryChangeOutcome ChangeEntryFile(const char* path, const EntryFileChange& change, EntryFileBytes* before,
                                   EntryFileBytes* after);

// Whether 160 stored bytes can be an entry: an anchor (x not 0, which marks
// a free slot) and a font size within DrawingReach, a text of 1 to 99
// characters and a face name, each ended by its zero and free of control
// characters. A recovery file's other records are never put back: they are
// damage, or not entries (random bytes pass all of this about once in 2^33).
bool IsSoundEntryRecord(const uint8_t bytes[EntryRecordSize]);

// Appends the sound records among `count` whole records to `sound` while
// it stays within `room` bytes (its data has that room); returns the number
// left out.
uint32_t KeepSoundRecords(const uint8_t* records, uint32_t count, EntryFileBytes& sound, uint32_t room);

// Why a change was not made, in a sentence for the user.
const char* RefusalReason(EntryChangeOutcome outcome);

// The message telling that an entry, whose text it shows, could not be
// stored, and why.
void ReportStoreFailure(const char* entryText, const char* path, EntryChangeOutcome outcome);

// The message telling that the entry file at `path` was left as it was.
void ReportChangeRefused(EntryChangeOutcome outcome, const char* path);

// ---- the recovery file: entries kept beside the entry file as plain
// records (form.dta.recovered) while they are out of it: a picked entry
// from its pick-up until it is stored again, and one that could not be put
// back when Windows ended ----

// False when the name would not fit a path.
bool RecoveryPathOf(const char* entryPath, char recoveryPath[PathBufferSize]);

// Why the recovery file can't be written, or removed.
enum RecoveryCopyProblem {
    RecoveryCopyKept,            // no problem
    RecoveryPathTooLong,
    RecoveryIsFolder,            // a folder of that name is in its place
    RecoveryReadOnly,
    RecoveryInUse,               // another program has it open
    RecoveryFolderUnwritable,    // it isn't there, and can't be made
    RecoveryDiskFull,
    RecoveryNotWritten,
};

// The problem from the file's attributes (INVALID_FILE_ATTRIBUTES when it
// isn't there) and the error of the failed open, write or delete.
RecoveryCopyProblem RecoveryCopyProblemOf(DWORD attributes, DWORD error);

// The problem, and what to do about it, as the end of a sentence.
const char* RecoveryCopyReason(RecoveryCopyProblem problem);

// Adds `count` records (one write) after the last whole record of the
// recovery file, creating it if needed, and makes sure they are on the
// disk. `at` (may be NULL) receives where the first was put; `problem` (may
// be NULL) why they could not be.
bool AppendToRecoveryFile(const char* entryPath, const uint8_t* records, uint32_t* at = NULL, int count = 1,
                          RecoveryCopyProblem* problem = NULL);

// Takes back the records that AppendToRecoveryFile put at `at`: when the
// file still ends with them there, they are cut off, and a file left empty
// goes. Anything else in the file stays.
void TakeBackFromRecoveryFile(const char* entryPath, const uint8_t* records, uint32_t at, int count = 1);

// How much of a recovery file is read: far more than any crash leaves
// there. Whole records past it are counted, not read.
const uint32_t MaxRecoveryScanBytes = 16 * 1024 * 1024;

// The records of the recovery file that can be entries (`exists` false when
// there is none), at most MaxEntryFileBytes of them; the file is read a
// piece at a time, once, so any file is answered for at once. `passedOver`
// receives the number of whole records left out: those that can't be
// entries, and those past the limits.
EntryChangeOutcome ReadRecoveryFile(const char* entryPath, EntryFileBytes& recovered, uint32_t& passedOver);

// ---- the files entries are written to are never the form's picture ----

// Whether two paths name one file: the same full path, letters in either
// case, or, when both exist, one file of one volume (a link, a short name).
bool SameFile(const char* a, const char* b);

// Whether two paths are one full path, letters in either case.
bool SamePath(const char* a, const char* b);

// Whether one of the files that the entries of the form at `formPath` are
// written to (its entry file `entryPath`, the temporary file beside it, the
// recovery file) is the form's picture itself: that path into `clash`.
bool EntryFileIsPicture(const char* formPath, const char* entryPath, char clash[PathBufferSize]);

#endif

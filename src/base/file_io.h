// The file operations every folder does the same way: joining a folder and a
// file name, opening a file that no other program may touch meanwhile,
// telling a missing file from one that is there but can't be opened, and
// writing a file anew through a temporary file that then takes its place.
#ifndef SCRIVELANDER_FILE_IO_H
#define SCRIVELANDER_FILE_IO_H

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#include "base/program_state.h"

// ---- paths ----

// The path of the file `name` in a folder: the first `folderLength`
// characters of `folder`, a "\" unless they are none or already end in "\",
// "/" or ":", then `name`. False, with `path` untouched, when the whole
// would not fit a path buffer: a path holds at most 259 characters.
bool JoinPath(const char* folder, size_t folderLength, const char* name, char path[PathBufferSize]);

// The same for a whole folder string; false also when the folder is
// unknown (empty).
bool PathInFolder(const char* folder, const char* name, char path[PathBufferSize]);

// ---- opening ----

// Opens a file with no sharing: until it is closed no other program (nor
// another open of this one) reads or writes it. `creation` is
// OPEN_EXISTING, OPEN_ALWAYS or CREATE_ALWAYS. INVALID_HANDLE_VALUE when it
// can't be opened; LastOpenFailure then tells why.
HANDLE OpenExclusively(const char* path, DWORD access, DWORD creation);

// Opens an existing file for reading, shared with other readers only: a
// read-only file opens, one being written by another program doesn't.
HANDLE OpenForReading(const char* path);

// Why a file could not be opened.
enum OpenFailure {
    MissingFile,      // there is no such file, or no such folder
    UnopenableFile    // it is there but can't be had: in use, locked, access denied
};

// Why, from the system's error code of the failed open.
OpenFailure OpenFailureOf(DWORD error);

// Why the open just made failed: OpenFailureOf(GetLastError()).
OpenFailure LastOpenFailure();

// ---- writing a file anew ----

enum ReplaceOutcome {
    FileReplaced,          // the file holds the new bytes
    TemporaryNotMade,      // the temporary file could not be created
    TemporaryNotWritten,   // a write or the flush failed
    NoRoomOnDisk,          // a write failed because the disk is full
    FileNotReplaced        // the temporary could not take the file's place
};

// Writes `length` bytes to `temporary` (made anew beside `path`, opened
// exclusively), checks that every byte was written and flushed, and then
// lets it take the place of `path` in one step. On any failure the temporary
// is deleted and `path` is left exactly as it was.
//
// `held` is the file at `path` when the caller holds it open, exclusively,
// so that no other program changes it between its reading and its
// replacement: it is closed once the temporary is written (or could not be),
// right before the temporary takes its place. INVALID_HANDLE_VALUE when
// nothing is held.
ReplaceOutcome WriteFileReplacing(const char* path, const char* temporary, const void* bytes, uint32_t length,
                                  HANDLE held = INVALID_HANDLE_VALUE);

// ---- writing a file anew, piece by piece ----
// The same steps for a file made a piece at a time (a PDF of many pages),
// so it never has to sit in memory whole.

struct ReplacingFile {
    HANDLE copy;     // the temporary, open exclusively
    DWORD error;     // the system's error of the first step that failed; ERROR_SUCCESS while none has
};

// Makes `temporary` anew. TemporaryNotMade (with `error`) when it can't be;
// otherwise FileReplaced, and the caller must call FinishReplacing.
ReplaceOutcome StartReplacing(const char* temporary, ReplacingFile* file);

// Appends bytes to the temporary; false (then and after) once a write failed.
bool WriteReplacing(ReplacingFile* file, const void* bytes, uint32_t length);

// Flushes and closes the temporary, closes `held`, then lets the temporary
// take the place of `path`, as WriteFileReplacing does. When a write
// failed, or the caller gives up (`abandon`), the temporary is deleted and
// `path` is left as it was. `error` tells the system's reason of a failure.
ReplaceOutcome FinishReplacing(const char* path, const char* temporary, ReplacingFile* file, bool abandon,
                               HANDLE held = INVALID_HANDLE_VALUE);

#endif

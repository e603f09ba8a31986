// Small file operations every folder uses the same way.
#ifndef SCRIVELANDER_FILE_IO_H
#define SCRIVELANDER_FILE_IO_H

#include <windows.h>
#include <stdint.h>

enum ReplaceOutcome {
    FileReplaced,          // the file holds the new bytes
    TemporaryNotMade,      // the temporary file could not be created
    TemporaryNotWritten,   // a write or the flush failed (a full disk)
    FileNotReplaced        // the temporary could not take the file's place
};

// Writes `length` bytes to `temporary` (made anew beside `path`), checks
// that every byte was written and flushed, and then lets it take the place
// of `path` in one step. On any failure the temporary is deleted and
// `path` is left exactly as it was.
ReplaceOutcome WriteFileReplacing(const char* path, const char* temporary, const void* bytes, uint32_t length);

#endif

#include "base/file_io.h"

ReplaceOutcome WriteFileReplacing(const char* path, const char* temporary, const void* bytes, uint32_t length)
{
    HANDLE copy = CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (copy == INVALID_HANDLE_VALUE)
        return TemporaryNotMade;
    DWORD written = 0;
    bool whole = (length == 0 || (WriteFile(copy, bytes, length, &written, NULL) && written == length)) &&
                 FlushFileBuffers(copy);
    whole = CloseHandle(copy) && whole;
    if (!whole) {
        DeleteFileA(temporary);
        return TemporaryNotWritten;
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return FileNotReplaced;
    }
    return FileReplaced;
}

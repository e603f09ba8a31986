#include "base/file_io.h"

#include <string.h>

bool JoinPath(const char* folder, size_t folderLength, const char* name, char path[PathBufferSize])
{
    char last = folderLength ? folder[folderLength - 1] : 0;
    bool separator = folderLength && last != '\\' && last != '/' && last != ':';
    size_t length = strlen(name);
    size_t total = folderLength + (separator ? 1 : 0) + length;
    if (total >= (size_t)PathBufferSize)
        return false;
    memmove(path, folder, folderLength);
    if (separator)
        path[folderLength] = '\\';
    memcpy(path + folderLength + (separator ? 1 : 0), name, length + 1);
    return true;
}

bool PathInFolder(const char* folder, const char* name, char path[PathBufferSize])
{
    size_t length = strnlen(folder, PathBufferSize);
    return length > 0 && JoinPath(folder, length, name, path);
}

HANDLE OpenExclusively(const char* path, DWORD access, DWORD creation)
{
    return CreateFileA(path, access, 0, NULL, creation, FILE_ATTRIBUTE_NORMAL, NULL);
}

HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

OpenFailure OpenFailureOf(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? MissingFile : UnopenableFile;
}

OpenFailure LastOpenFailure()
{
    return OpenFailureOf(GetLastError());
}

// The new content in `temporary`, every byte written and flushed; a copy
// that can't be written whole is deleted.
static ReplaceOutcome WriteTemporaryFile(const char* temporary, const void* bytes, uint32_t length)
{
    HANDLE copy = OpenExclusively(temporary, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    if (copy == INVALID_HANDLE_VALUE)
        return TemporaryNotMade;
    DWORD written = 0;
    bool whole = (length == 0 || (WriteFile(copy, bytes, length, &written, NULL) && written == length)) &&
                 FlushFileBuffers(copy);
    DWORD error = whole ? ERROR_SUCCESS : GetLastError();
    whole = CloseHandle(copy) && whole;
    if (!whole) {
        DeleteFileA(temporary);
        return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? NoRoomOnDisk : TemporaryNotWritten;
    }
    return FileReplaced;
}

ReplaceOutcome WriteFileReplacing(const char* path, const char* temporary, const void* bytes, uint32_t length,
                                  HANDLE held)
{
    ReplaceOutcome outcome = WriteTemporaryFile(temporary, bytes, length);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (outcome != FileReplaced)
        return outcome;
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return FileNotReplaced;
    }
    return FileReplaced;
}

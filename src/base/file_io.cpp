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

ReplaceOutcome StartReplacing(const char* temporary, ReplacingFile* file)
{
    file->copy = OpenExclusively(temporary, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    file->error = file->copy == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    return file->copy == INVALID_HANDLE_VALUE ? TemporaryNotMade : FileReplaced;
}

bool WriteReplacing(ReplacingFile* file, const void* bytes, uint32_t length)
{
    if (file->error != ERROR_SUCCESS)
        return false;
    DWORD written = 0;
    if (length == 0 || (WriteFile(file->copy, bytes, length, &written, NULL) && written == length))
        return true;
    file->error = GetLastError();
    if (file->error == ERROR_SUCCESS)
        file->error = ERROR_WRITE_FAULT;
    return false;
}

ReplaceOutcome FinishReplacing(const char* path, const char* temporary, ReplacingFile* file, bool abandon,
                               HANDLE held)
{
    if (file->error == ERROR_SUCCESS && !FlushFileBuffers(file->copy))
        file->error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    if (!CloseHandle(file->copy) && file->error == ERROR_SUCCESS)
        file->error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    file->copy = INVALID_HANDLE_VALUE;
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (abandon || file->error != ERROR_SUCCESS) {
        DeleteFileA(temporary);
        if (abandon)
            return TemporaryNotWritten;
        return file->error == ERROR_DISK_FULL || file->error == ERROR_HANDLE_DISK_FULL ? NoRoomOnDisk
                                                                                     : TemporaryNotWritten;
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        file->error = GetLastError();
        DeleteFileA(temporary);
        return FileNotReplaced;
    }
    return FileReplaced;
}

ReplaceOutcome WriteFileReplacing(const char* path, const char* temporary, const void* bytes, uint32_t length,
                                  HANDLE held)
{
    ReplacingFile file;
    if (StartReplacing(temporary, &file) != FileReplaced) {
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        return TemporaryNotMade;
    }
    WriteReplacing(&file, bytes, length);
    return FinishReplacing(path, temporary, &file, false, held);
}

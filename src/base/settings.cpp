#include "base/settings.h"

#include <string.h>

#include "base/file_io.h"

void ParseResolutionText(const char* bytes, int count, char text[5])
{
    for (int i = 0; i < 5; i++)
        text[i] = 0;
    if (count > SettingsReadLimit)
        count = SettingsReadLimit;
    int equals = -1;
    for (int i = 0; i < count && equals < 0; i++)
        if (bytes[i] == '=')
            equals = i;
    if (equals < 0)
        return;
    // Each digit keeps its position among the four bytes after "="; a
    // non-digit leaves its position empty, which ends the text there.
    for (int i = 0; i < 4 && equals + 1 + i < count; i++) {
        char c = bytes[equals + 1 + i];
        if (c >= '0' && c <= '9')
            text[i] = c;
    }
    for (int i = 0; i < 4; i++)
        if (text[i] == 0) {
            for (int j = i; j < 4; j++)
                text[j] = 0;
            break;
        }
}

bool SettingsFilePath(const char* startupDirectory, char path[PathBufferSize])
{
    return PathInFolder(startupDirectory, SettingsFileName, path);
}

int SettingsFileContent(const char* resolutionText, char content[SettingsContentLimit])
{
    memcpy(content, SettingsKey, SettingsKeyLength);
    int n = 0;
    while (n < 3 && resolutionText[n]) {
        content[SettingsKeyLength + n] = resolutionText[n];
        n++;
    }
    return SettingsKeyLength + n;
}

void ReadSettingsFile(char text[5])
{
    text[0] = 0;
    HANDLE file = OpenExclusively(SettingsFileName, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char bytes[SettingsReadLimit];
    DWORD got = 0;
    if (!ReadFile(file, bytes, sizeof bytes, &got, NULL))
        got = 0;
    CloseHandle(file);
    ParseResolutionText(bytes, (int)got, text);
}

void ReadSettings()
{
    // A start-up directory too long for its buffer is left empty.
    DWORD length = GetCurrentDirectoryA(PathBufferSize, gStartupDirectory);
    if (length == 0 || length >= PathBufferSize)
        gStartupDirectory[0] = 0;
    ReadSettingsFile(gResolutionText);
}

void SetResolutionText(const char* text)
{
    size_t length = strnlen(text, sizeof gResolutionText - 1);
    memcpy(gResolutionText, text, length);
    gResolutionText[length] = 0;
}

SettingsWrite WriteSettings()
{
    char path[PathBufferSize], temporary[PathBufferSize];
    if (!SettingsFilePath(gStartupDirectory, path) || !PathInFolder(gStartupDirectory, "Scrivelander.tmp", temporary))
        return SettingsPathTooLong;
    char content[SettingsContentLimit];
    int count = SettingsFileContent(gResolutionText, content);
    return WriteFileReplacing(path, temporary, content, (uint32_t)count) == FileReplaced ? SettingsWritten
                                                                                          : SettingsNotWritten;
}

#include "shell/settings.h"

#include <windows.h>

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

void ReadSettingsFile(char text[5])
{
    text[0] = 0;
    HANDLE file = CreateFileA(SettingsFileName, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char bytes[SettingsReadLimit];
    DWORD got = 0;
    if (!ReadFile(file, bytes, sizeof bytes, &got, NULL))
        got = 0;
    CloseHandle(file);
    ParseResolutionText(bytes, (int)got, text);
}

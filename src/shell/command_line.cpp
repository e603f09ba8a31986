#include "shell/command_line.h"

#include <string.h>

#include "base/text_chars.h"

// One character of an argument: written while there is room, always
// counted, so an argument too long for the buffer is known as such.
static void Put(char* out, size_t room, size_t* n, char c)
{
    if (*n < room)
        out[*n] = c;
    (*n)++;
}

// Reads one argument from `p` into `out` (up to `room` bytes); returns where
// the next argument may start, and the argument's full length in `length`.
static const char* ReadArgument(const char* p, char* out, size_t room, size_t* length)
{
    size_t n = 0;
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
        size_t backslashes = 0;
        while (p[backslashes] == '\\')
            backslashes++;
        if (p[backslashes] != '"') {
            for (size_t i = 0; i < backslashes; i++)
                Put(out, room, &n, '\\');
            p += backslashes;
            if (backslashes == 0)
                Put(out, room, &n, *p++);
            continue;
        }
        for (size_t i = 0; i < backslashes / 2; i++)
            Put(out, room, &n, '\\');
        p += backslashes;
        if (backslashes % 2 == 1) {
            Put(out, room, &n, '"');
            p++;
        } else if (quoted && p[1] == '"') {
            Put(out, room, &n, '"');
            p += 2;
        } else {
            quoted = !quoted;
            p++;
        }
    }
    *length = n;
    return p;
}

static const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p))
        p++;
    return p;
}

FormArgument ParseFormArgument(const char* arguments)
{
    FormArgument result = {};
    const char* p = SkipBlanks(arguments ? arguments : "");
    if (!*p)
        return result;
    size_t length = 0;
    p = SkipBlanks(ReadArgument(p, result.path, PathBufferSize - 1, &length));
    if (*p) {
        result.path[0] = 0;
        result.kind = TooManyArguments;
    } else if (length >= (size_t)PathBufferSize) {
        result.path[0] = 0;
        result.kind = FormPathTooLong;
    } else {
        result.path[length] = 0;
        result.kind = length > 0 ? OneFormArgument : NoFormArgument;
    }
    return result;
}

static const char TooManyText[] =
    "Scrivelander opens one form at a time. A path with blanks in it goes in double quotes:\n\n"
    "Scrivelander.exe \"C:\\My Forms\\1040.bmp\"";
static const char TooLongText[] =
    "This form's path is longer than the 259 characters Scrivelander can keep, so the form was not opened.\n\n"
    "Move the form to a folder with a shorter path and open it from there.";

bool FormNamedOnCommandLine(const char* arguments, char path[PathBufferSize], char title[PathBufferSize])
{
    FormArgument form = ParseFormArgument(arguments);
    if (form.kind == TooManyArguments)
        ShowMessage(TooManyText, NULL, MB_OK);
    if (form.kind == FormPathTooLong)
        ShowMessage(TooLongText, NULL, MB_OK);
    if (form.kind != OneFormArgument)
        return false;
    // The full path, as the dialog gives it: later reloads of the form must
    // not depend on the current folder.
    char* name = NULL;
    DWORD length = GetFullPathNameA(form.path, PathBufferSize, path, &name);
    if (length >= (DWORD)PathBufferSize) {
        ShowMessage(TooLongText, NULL, MB_OK);
        return false;
    }
    if (length == 0)
        return false;
    const char* shown = name ? name : path;
    memcpy(title, shown, strlen(shown) + 1);
    return true;
}

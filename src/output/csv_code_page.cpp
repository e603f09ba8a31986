#include "output/csv_code_page.h"

#include <windows.h>
#include <stdint.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// No character is swapped for a look-alike or a question mark: a character
// the code page lacks fails the value.
static bool FromUtf16(const char16_t* text, size_t length, std::string* out)
{
    if (length == 0)
        return true;
    if (length > (size_t)INT32_MAX / 4)
        return false;
    const wchar_t* wide = (const wchar_t*)text;
    bool utf8 = GetACP() == CP_UTF8;   // then every character has a place, and no default character is taken
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? NULL : &usedDefault;
    int count = WideCharToMultiByte(CP_ACP, flags, wide, (int)length, NULL, 0, NULL, used);
    if (count <= 0 || usedDefault)
        return false;
    size_t at = out->size();
    out->resize(at + (size_t)count);
    return WideCharToMultiByte(CP_ACP, flags, wide, (int)length, &(*out)[at], count, NULL, used) == count &&
           !usedDefault;
}

static void FoldCase(std::string* name)
{
    if (!name->empty())
        CharUpperBuffA(&(*name)[0], (DWORD)name->size());
}

CsvCodePage ProgramCodePage()
{
    CsvCodePage codePage = { FromUtf16, FoldCase, GetACP() == CP_UTF8 };
    return codePage;
}

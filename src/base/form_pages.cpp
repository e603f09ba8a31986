#include "base/form_pages.h"

#include <stdlib.h>
#include <string.h>

#include "base/file_io.h"

const char PagePathTooLongText[] = "Its path would be longer than the 259 characters Scrivelander can keep.";

static char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Compares `count` characters without regard to the case of letters.
static int CompareFolded(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        char x = Folded(a[i]), y = Folded(b[i]);
        if (x != y)
            return (unsigned char)x < (unsigned char)y ? -1 : 1;
        if (!x)
            return 0;
    }
    return 0;
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

PageNumberPlace FindPageNumber(const char* name)
{
    PageNumberPlace place = {};
    size_t length = strlen(name);
    if (length < 4 || CompareFolded(name + length - 4, ".bmp", 4) != 0)
        return place;
    size_t end = length - 4, start = end;
    while (start > 0 && IsDigit(name[start - 1]))
        start--;
    if (start == end)
        return place;
    place.numbered = true;
    place.stemLength = (int)start;
    place.digitCount = (int)(end - start);
    return place;
}

const char* FileNameOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

bool SameDocument(const char* form, const char* name)
{
    PageNumberPlace a = FindPageNumber(form), b = FindPageNumber(name);
    return a.numbered && b.numbered && a.stemLength == b.stemLength &&
           CompareFolded(form, name, (size_t)a.stemLength) == 0;
}

// The digits of a page number without its leading zeros (none left for 0).
static const char* SignificantDigits(const char* name, PageNumberPlace place, int* count)
{
    const char* digits = name + place.stemLength;
    int n = place.digitCount;
    while (n > 0 && *digits == '0') {
        digits++;
        n--;
    }
    *count = n;
    return digits;
}

int ComparePages(const char* a, const char* b)
{
    PageNumberPlace pa = FindPageNumber(a), pb = FindPageNumber(b);
    int na = 0, nb = 0;
    const char* da = SignificantDigits(a, pa, &na);
    const char* db = SignificantDigits(b, pb, &nb);
    // However many digits, a longer number is the larger one.
    if (na != nb)
        return na < nb ? -1 : 1;
    int byValue = memcmp(da, db, (size_t)na);
    if (byValue != 0)
        return byValue;
    return CompareFolded(a, b, (size_t)-1);
}

bool AddPage(PageList* pages, const char* name)
{
    if (pages->count == pages->room) {
        int room = pages->room ? 2 * pages->room : 16;
        void* grown = realloc(pages->names, (size_t)room * PathBufferSize);
        if (!grown)
            return false;
        pages->names = (char(*)[PathBufferSize])grown;
        pages->room = room;
    }
    size_t length = strnlen(name, PathBufferSize - 1);
    memcpy(pages->names[pages->count], name, length);
    pages->names[pages->count][length] = 0;
    pages->count++;
    return true;
}

static int ComparePageEntries(const void* a, const void* b)
{
    return ComparePages((const char*)a, (const char*)b);
}

void SortPages(PageList* pages)
{
    if (pages->count > 1)
        qsort(pages->names, (size_t)pages->count, PathBufferSize, ComparePageEntries);
}

void FreePageList(PageList* pages)
{
    free(pages->names);
    memset(pages, 0, sizeof *pages);
}

int NeighbourPage(const PageList& pages, const char* form, PageStep step)
{
    if (!FindPageNumber(form).numbered)
        return -1;
    int found = -1;
    for (int i = 0; i < pages.count; i++) {
        int order = ComparePages(pages.names[i], form);
        if (step == NextPage && order > 0)
            return i;   // the list is in page order: the first one after
        if (step == PreviousPage && order < 0)
            found = i;  // ... and the last one before
    }
    return found;
}

bool PagePathOf(const char* formPath, const char* name, char pagePath[PathBufferSize])
{
    return JoinPath(formPath, (size_t)(FileNameOf(formPath) - formPath), name, pagePath);
}

bool ListDocumentPages(const char* formPath, PageList* pages)
{
    memset(pages, 0, sizeof *pages);
    const char* form = FileNameOf(formPath);
    if (!FindPageNumber(form).numbered)
        return AddPage(pages, form);
    // Every file of the folder, each then checked by name: a pattern would
    // also match the short names Windows gives long ones.
    char pattern[PathBufferSize];
    if (!PagePathOf(formPath, "*", pattern))
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool listed = true;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && SameDocument(form, found.cFileName))
            listed = AddPage(pages, found.cFileName);
    } while (listed && FindNextFileA(search, &found));
    FindClose(search);
    if (!listed) {
        FreePageList(pages);
        return false;
    }
    SortPages(pages);
    return true;
}

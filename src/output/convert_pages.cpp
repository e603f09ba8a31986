#include "output/convert_pages.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/file_io.h"
#include "base/form_pages.h"
#include "entries/record_layout.h"
#include "view/form_image.h"

static char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

static bool SameFolded(const char* a, const char* b, int count)
{
    for (int i = 0; i < count; i++)
        if (Folded(a[i]) != Folded(b[i]) || !a[i])
            return false;
    return true;
}

bool IsConvertedPageName(const char* stem, int stemLength, const char* name)
{
    if ((int)strlen(name) < stemLength || !SameFolded(stem, name, stemLength))
        return false;
    const char* digits = name + stemLength;
    if (*digits < '1' || *digits > '9')
        return false;
    const char* end = digits;
    while (*end >= '0' && *end <= '9')
        end++;
    return strlen(end) == 4 && SameFolded(end, ".bmp", 4);
}

void JoinPageNames(const char* const* names, int count, char* text, int room)
{
    int all = 0;
    for (int i = 0; i < count; i++)
        all += (int)strlen(names[i]) + (i ? 2 : 0);
    // When not all fit, room is kept for the count of those left out.
    int limit = all < room ? room : room - (int)sizeof " and 99999 more";
    int used = 0, shown = 0;
    text[0] = 0;
    for (; shown < count; shown++) {
        int length = (int)strlen(names[shown]) + (shown ? 2 : 0);
        if (used + length >= limit)
            break;
        used += snprintf(text + used, room - used, "%s%s", shown ? ", " : "", names[shown]);
    }
    if (shown < count)
        snprintf(text + used, room - used, " and %d more", count - shown);
}

void FreeConvertedPages(ConvertedPages* list)
{
    free(list->pages);
    list->pages = NULL;
    list->count = 0;
}

// Adds the page `name` of the folder with when it was written and whether
// its entry file holds entries. A page that went in between is left out.
static bool AddConvertedPage(ConvertedPages* list, const char* folder, const char* name)
{
    char path[PathBufferSize], entryPath[PathBufferSize];
    WIN32_FILE_ATTRIBUTE_DATA page, entries;
    if (!JoinPath(folder, strlen(folder), name, path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &page))
        return true;
    ConvertedPage* grown = (ConvertedPage*)realloc(list->pages, (list->count + 1) * sizeof *grown);
    if (!grown)
        return false;
    list->pages = grown;
    ConvertedPage& added = list->pages[list->count++];
    memset(&added, 0, sizeof added);
    strcpy(added.name, name);
    added.written = page.ftLastWriteTime;
    EntryFilePathOf(path, entryPath);
    added.holdsEntries = GetFileAttributesExA(entryPath, GetFileExInfoStandard, &entries) &&
                         (entries.nFileSizeHigh != 0 || entries.nFileSizeLow >= EntryRecordSize);
    return true;
}

bool ListConvertedPages(const char* folder, const char* stem, int stemLength, ConvertedPages* list)
{
    memset(list, 0, sizeof *list);
    // The document's pages, of which those Ghostscript writes: the folder
    // and page 1's name lead to them.
    char firstName[PathBufferSize], firstPage[PathBufferSize];
    PageList pages;
    if (snprintf(firstName, sizeof firstName, "%.*s1.bmp", stemLength, stem) >= (int)sizeof firstName ||
        !JoinPath(folder, strlen(folder), firstName, firstPage) || !ListDocumentPages(firstPage, &pages))
        return false;
    bool listed = true;
    for (int i = 0; i < pages.count && listed; i++)
        if (IsConvertedPageName(stem, stemLength, pages.names[i]))
            listed = AddConvertedPage(list, folder, pages.names[i]);
    FreePageList(&pages);
    if (!listed)
        FreeConvertedPages(list);
    return listed;
}

int PagesMadeSince(const ConvertedPages& before, const ConvertedPages& after)
{
    int made = 0;
    for (int i = 0; i < after.count; i++) {
        bool unchanged = false;
        for (int j = 0; j < before.count && !unchanged; j++)
            unchanged = strcmp(after.pages[i].name, before.pages[j].name) == 0 &&
                        CompareFileTime(&after.pages[i].written, &before.pages[j].written) == 0;
        made += unchanged ? 0 : 1;
    }
    return made;
}

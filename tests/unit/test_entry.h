// An entry as the program stores a plain one: at (x, y), Arial of the given
// height, normal weight, black, horizontal and left-justified. Tests and
// the bench set the fields their case is about.
#ifndef SCRIVELANDER_TEST_ENTRY_H
#define SCRIVELANDER_TEST_ENTRY_H

#include <string.h>

#include "entries/entry_record.h"

inline EntryRecord TestEntry(int x, int y, const char* text, int size = 15)
{
    EntryRecord r = {};
    r.x = x;
    r.y = y;
    memcpy(r.text, text, strnlen(text, EntryTextSize - 1));
    strcpy(r.faceName, "Arial");
    r.size = size;
    r.weight = 400;
    return r;
}

#endif

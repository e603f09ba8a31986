// Characters as the program's readers of typed and stored text see them.
#ifndef SCRIVELANDER_TEXT_CHARS_H
#define SCRIVELANDER_TEXT_CHARS_H

#include <stddef.h>

// A space or a tab: what separates a command line's arguments and what is
// trimmed around a table's values.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Whether a file's bytes start with a UTF-16 byte-order mark (FF FE, or
// FE FF for the big-endian order, which `bigEndian` then says).
inline bool Utf16Marked(const unsigned char* bytes, size_t count, bool* bigEndian)
{
    if (count < 2 || !((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return false;
    *bigEndian = bytes[0] == 0xFE;
    return true;
}

// The UTF-16 code unit stored in the two bytes at `p`.
inline unsigned Utf16Unit(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (unsigned)(p[0] << 8 | p[1]) : (unsigned)(p[1] << 8 | p[0]);
}

#endif

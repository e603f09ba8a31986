// Characters as the program's readers of typed and stored text see them.
#ifndef SCRIVELANDER_TEXT_CHARS_H
#define SCRIVELANDER_TEXT_CHARS_H

// A space or a tab: what separates a command line's arguments and what is
// trimmed around a table's values.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

#endif

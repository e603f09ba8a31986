#include "output/table_copies.h"

#include <stdio.h>
#include <string.h>
#include <string>

// The placeholder that begins at text[at] ("{" up to the next "}", with no
// "{" between them): its name's place. False when none begins there.
static bool PlaceholderAt(const char* text, size_t at, size_t* nameStart, size_t* nameLength)
{
    if (text[at] != '{')
        return false;
    const char* close = strchr(text + at + 1, '}');
    const char* open = strchr(text + at + 1, '{');
    if (!close || (open && open < close))
        return false;
    *nameStart = at + 1;
    *nameLength = (size_t)(close - text) - at - 1;
    return true;
}

bool IsTemplateText(const char* text)
{
    size_t start, length;
    for (size_t i = 0; text[i]; i++)
        if (PlaceholderAt(text, i, &start, &length))
            return true;
    return false;
}

bool FillPlaceholders(const char* text, const CsvTable& table, size_t row, char out[EntryTextSize],
                      char message[CopyMessageSize])
{
    std::string filled;
    int longest = -1;   // the column whose value is longest: the one to name when the text is too long
    for (size_t i = 0; text[i];) {
        size_t start, length;
        if (!PlaceholderAt(text, i, &start, &length)) {
            filled += text[i++];
            continue;
        }
        int column = CsvColumnNamed(table, text + start, length);
        if (column < 0) {
            std::string names;
            for (size_t c = 0; c < table.columns.size() && names.size() < 300; c++)
                names += (c ? ", " : "") + table.columns[c];
            snprintf(message, CopyMessageSize,
                     "The entry \"%s\" names the column \"%.*s\", which the table doesn't have.\n"
                     "The table's columns are: %s.",
                     text, (int)length, text + start, names.c_str());
            return false;
        }
        const std::string& value = table.rows[row][(size_t)column];
        if (longest < 0 || value.size() > table.rows[row][(size_t)longest].size())
            longest = column;
        filled += value;
        i = start + length + 1;
    }
    if (filled.size() > (size_t)EntryTextSize - 1) {
        snprintf(message, CopyMessageSize,
                 "Row %d, column \"%.60s\": the entry \"%s\" would be %d characters long with this row's values; "
                 "an entry holds at most 99.",
                 (int)row + 2, table.columns[(size_t)longest].c_str(), text, (int)filled.size());
        return false;
    }
    memcpy(out, filled.c_str(), filled.size() + 1);
    return true;
}

bool CheckCopies(const EntryRecord* entries, int count, const CsvTable& table, char message[CopyMessageSize])
{
    char filled[EntryTextSize];
    for (int i = 0; i < count && i < EntryTableSlots; i++) {
        if (!IsTemplateText(entries[i].text))
            continue;
        for (size_t row = 0; row < table.rows.size(); row++)
            if (!FillPlaceholders(entries[i].text, table, row, filled, message))
                return false;
    }
    message[0] = 0;
    return true;
}

void CopyEntries(const EntryRecord* entries, int count, const CsvTable& table, size_t row,
                 EntryRecord copy[EntryTableSlots])
{
    char message[CopyMessageSize];
    memset(copy, 0, sizeof(EntryRecord) * EntryTableSlots);
    for (int i = 0; i < count && i < EntryTableSlots; i++) {
        copy[i] = entries[i];
        if (IsTemplateText(entries[i].text) && !FillPlaceholders(entries[i].text, table, row, copy[i].text, message))
            copy[i].text[0] = 0;
    }
}

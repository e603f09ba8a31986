#include "output/table_copies.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

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

// The column each placeholder of `text` names, in order. False, with the
// message, when one names no column of the table.
static bool PlaceholderColumns(const char* text, const CsvTable& table, std::vector<int>* columns,
                               char message[CopyMessageSize])
{
    columns->clear();
    for (size_t i = 0; text[i];) {
        size_t start, length;
        if (!PlaceholderAt(text, i, &start, &length)) {
            i++;
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
        columns->push_back(column);
        i = start + length + 1;
    }
    return true;
}

// `text` filled in for `row` from the columns its placeholders name.
static bool FillFromColumns(const char* text, const std::vector<int>& columns, const CsvTable& table, size_t row,
                            char out[EntryTextSize], char message[CopyMessageSize])
{
    size_t length = 0, placeholder = 0;
    int longest = -1;   // the column whose value is longest: the one to name when the text is too long
    auto append = [&](const char* part, size_t size) {
        if (length + size < (size_t)EntryTextSize)
            memcpy(out + length, part, size);
        length += size;
    };
    for (size_t i = 0; text[i];) {
        size_t start, nameLength;
        if (!PlaceholderAt(text, i, &start, &nameLength)) {
            append(text + i++, 1);
            continue;
        }
        int column = columns[placeholder++];
        std::string_view value = CsvValue(table, row, (size_t)column);
        if (longest < 0 || value.size() > CsvValue(table, row, (size_t)longest).size())
            longest = column;
        append(value.data(), value.size());
        i = start + nameLength + 1;
    }
    if (length > (size_t)EntryTextSize - 1) {
        snprintf(message, CopyMessageSize,
                 "Row %d, column \"%.60s\": the entry \"%s\" would be %d characters long with this row's values; "
                 "an entry holds at most 99.",
                 (int)row + 2, table.columns[(size_t)longest].c_str(), text, (int)length);
        return false;
    }
    out[length] = 0;
    return true;
}

bool FillPlaceholders(const char* text, const CsvTable& table, size_t row, char out[EntryTextSize],
                      char message[CopyMessageSize])
{
    std::vector<int> columns;
    return PlaceholderColumns(text, table, &columns, message) &&
           FillFromColumns(text, columns, table, row, out, message);
}

// Each entry's placeholders are looked up once, not once a row: a table
// may have thousands of rows and columns.
bool CheckCopies(const EntryRecord* entries, int count, const CsvTable& table, char message[CopyMessageSize])
{
    char filled[EntryTextSize];
    std::vector<int> columns;
    for (int i = 0; i < count && i < EntryTableSlots; i++) {
        if (!IsTemplateText(entries[i].text))
            continue;
        if (!PlaceholderColumns(entries[i].text, table, &columns, message))
            return false;
        for (size_t row = 0; row < CsvRowCount(table); row++)
            if (!FillFromColumns(entries[i].text, columns, table, row, filled, message))
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

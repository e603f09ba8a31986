#include "output/csv_table.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "base/text_chars.h"

// The separator the header line holds most of, outside quotes; a comma when
// it holds none (a table of one column).
static char SeparatorOf(const char* bytes, size_t size)
{
    size_t counts[3] = {};
    const char separators[3] = { ',', ';', '\t' };
    bool quoted = false;
    for (size_t i = 0; i < size; i++) {
        char c = bytes[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            for (int k = 0; k < 3; k++)
                if (c == separators[k])
                    counts[k]++;
    }
    int best = 0;
    for (int k = 1; k < 3; k++)
        if (counts[k] > counts[best])
            best = k;
    return separators[best];
}

// Whether every byte sequence is UTF-8 and some byte is not ASCII: such a
// file was saved as UTF-8, whatever else it could be.
static bool SavedAsUtf8(const char* bytes, size_t size)
{
    bool wide = false;
    for (size_t i = 0; i < size && !wide; i++)
        wide = (unsigned char)bytes[i] >= 0x80;
    return wide && size < (size_t)INT32_MAX &&
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)size, NULL, 0) > 0;
}

// A UTF-8 value in the program's code page; false when a character has no
// place in it.
static bool Utf8AsText(const std::string& value, std::string* text)
{
    if (value.empty()) {
        text->clear();
        return true;
    }
    int count = MultiByteToWideChar(CP_UTF8, 0, value.data(), (int)value.size(), NULL, 0);
    std::wstring wide((size_t)count, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, value.data(), (int)value.size(), &wide[0], count);
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, NULL, 0, NULL, &usedDefault);
    text->assign((size_t)length, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, &(*text)[0], length, NULL, &usedDefault);
    return !usedDefault;
}

static std::string Trimmed(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        begin++;
    while (end > begin && IsBlank(s[end - 1]))
        end--;
    return s.substr(begin, end - begin);
}

// Splits the bytes into rows of raw fields. False when a quoted field is
// never closed; `openRow` then tells the row it began in (the header is
// row 1).
static bool SplitRows(const char* bytes, size_t size, char separator, std::vector<std::vector<std::string>>* rows,
                      int* openRow)
{
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, fieldQuoted = false, rowHasText = false;
    size_t i = 0;
    auto endRow = [&]() {
        row.push_back(field);
        if (rowHasText || row.size() > 1)
            rows->push_back(row);
        row.clear();
        field.clear();
        fieldQuoted = rowHasText = false;
    };
    while (i < size) {
        char c = bytes[i];
        if (quoted) {
            if (c == '"' && i + 1 < size && bytes[i + 1] == '"') {
                field += '"';
                i += 2;
                continue;
            }
            if (c == '"')
                quoted = false;
            else
                field += c;
            i++;
            continue;
        }
        if (c == '"' && !fieldQuoted && Trimmed(field).empty()) {
            // A quote opens a field (blanks before it are passed over).
            field.clear();
            quoted = fieldQuoted = rowHasText = true;
            *openRow = (int)rows->size() + 1;
        } else if (c == separator) {
            row.push_back(field);
            field.clear();
            fieldQuoted = false;
            rowHasText = true;
        } else if (c == '\r' || c == '\n') {
            endRow();
            if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n')
                i++;
        } else {
            field += c;
            rowHasText = true;
        }
        i++;
    }
    if (quoted)
        return false;
    if (rowHasText || !field.empty() || !row.empty())
        endRow();
    return true;
}

bool ReadCsvTable(const char* bytes, size_t size, CsvTable* table, char message[CsvMessageSize])
{
    table->columns.clear();
    table->rows.clear();
    message[0] = 0;
    if (size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        bytes += 3;
        size -= 3;
    }
    bool utf8 = SavedAsUtf8(bytes, size);
    std::vector<std::vector<std::string>> rows;
    int openRow = 0;
    if (!SplitRows(bytes, size, SeparatorOf(bytes, size), &rows, &openRow)) {
        snprintf(message, CsvMessageSize, "The table ends inside a quoted value that begins in row %d.", openRow);
        return false;
    }
    if (rows.empty()) {
        snprintf(message, CsvMessageSize, "The table is empty: its first row must name the columns.");
        return false;
    }
    for (size_t r = 0; r < rows.size(); r++) {
        for (size_t c = 0; c < rows[r].size(); c++) {
            std::string& value = rows[r][c];
            if (utf8 && !Utf8AsText(value, &value)) {
                const std::string column = r == 0 || c >= rows[0].size() ? std::string() : Trimmed(rows[0][c]);
                snprintf(message, CsvMessageSize,
                         "Row %d, column \"%.60s\", holds a character that can't be printed here (it is not in "
                         "the code page of Windows' language settings).",
                         (int)r + 1, column.c_str());
                return false;
            }
        }
    }
    for (const std::string& name : rows[0])
        table->columns.push_back(Trimmed(name));
    for (size_t r = 1; r < rows.size(); r++) {
        if (rows[r].size() > table->columns.size()) {
            snprintf(message, CsvMessageSize, "Row %d has %d values, more than the %d columns the first row names.",
                     (int)r + 1, (int)rows[r].size(), (int)table->columns.size());
            return false;
        }
        rows[r].resize(table->columns.size());
        table->rows.push_back(rows[r]);
    }
    if (table->rows.empty()) {
        snprintf(message, CsvMessageSize, "The table has no rows below the names of its columns: nothing to print.");
        return false;
    }
    return true;
}

int CsvColumnNamed(const CsvTable& table, const char* name, size_t length)
{
    std::string wanted = Trimmed(std::string(name, length));
    for (size_t i = 0; i < table.columns.size(); i++)
        if (table.columns[i].size() == wanted.size() &&
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, table.columns[i].data(), (int)wanted.size(),
                           wanted.data(), (int)wanted.size()) == CSTR_EQUAL)
            return (int)i;
    return -1;
}

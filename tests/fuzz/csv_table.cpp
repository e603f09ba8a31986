// The table reader of Print from table, on any bytes: it ends, holds memory
// in proportion to the bytes, and a table it reads keeps its promises (names
// within the limit and none twice, no NUL in a value, every copy's values
// inside the text). Written back as UTF-8 CSV, every value quoted, a table
// reads again as the same table.
//
// Input: the table's bytes. The code page is Latin-1 (a character past
// U+00FF has no place in it), its case rule ASCII's.
#include <ctype.h>
#include <algorithm>
#include <string.h>

#include "output/csv_table.h"
#include "require.h"

static bool Latin1(const char16_t* text, size_t length, std::string* out)
{
    for (size_t i = 0; i < length; i++) {
        if (text[i] > 0xFF)
            return false;
        *out += (char)text[i];
    }
    return true;
}

static void AsciiUpper(std::string* name)
{
    for (char& c : *name)
        c = (char)toupper((unsigned char)c);
}

static const CsvCodePage CodePage = { Latin1, AsciiUpper, false };

static void AppendQuoted(std::string_view value, std::string* out)
{
    *out += '"';
    for (char c : value) {
        unsigned char b = (unsigned char)c;
        if (c == '"')
            *out += "\"\"";
        else if (b < 0x80)
            *out += c;
        else {
            *out += (char)(0xC0 | b >> 6);
            *out += (char)(0x80 | (b & 0x3F));
        }
    }
    *out += '"';
}

// The table as UTF-8 CSV with a byte-order mark, every value quoted.
static std::string Written(const CsvTable& t)
{
    std::string out = "\xEF\xBB\xBF";
    for (size_t c = 0; c < t.columns.size(); c++) {
        out += c ? "," : "";
        AppendQuoted(t.columns[c], &out);
    }
    for (size_t r = 0; r < CsvRowCount(t); r++) {
        out += "\n";
        for (size_t c = 0; c < t.columns.size(); c++) {
            out += c ? "," : "";
            AppendQuoted(CsvValue(t, r, c), &out);
        }
    }
    return out + "\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CsvTable t;
    char message[CsvMessageSize];
    memset(message, 'x', sizeof message);
    bool read = ReadCsvTable((const char*)data, size, CodePage, &t, message);
    Require(memchr(message, 0, sizeof message) != NULL, "the message ends inside its buffer");
    Require(t.peakBytes <= 8 * size + 200 * CsvColumnLimit + 4096, "memory grows with the bytes only");
    if (!read) {
        Require(message[0] != 0, "a refused table says why");
        return 0;
    }
    Require(message[0] == 0, "a table read has no message");
    size_t columns = t.columns.size(), rows = CsvRowCount(t);
    Require(columns >= 1 && columns <= CsvColumnLimit, "the names are within the limit");
    Require(rows >= 1 && rows <= CsvRowLimit, "the copies are within the limit");
    std::vector<std::string> keys = t.columnKeys;
    std::sort(keys.begin(), keys.end());
    for (size_t k = 1; k < keys.size(); k++)
        Require(keys[k].empty() || keys[k] != keys[k - 1], "no name is given twice");
    for (size_t r = 0; r < rows; r++)
        for (size_t c = 0; c < columns; c++) {
            std::string_view value = CsvValue(t, r, c);
            const char* text = t.text.data();
            Require(value.empty() || (value.data() >= text && value.data() + value.size() <= text + t.text.size()),
                    "a value lies inside the text");
            Require(value.find('\0') == std::string_view::npos, "no value holds a NUL");
        }

    std::string again = Written(t);
    CsvTable u;
    Require(ReadCsvTable(again.data(), again.size(), CodePage, &u, message), "the table written back reads");
    Require(u.columns == t.columns && CsvRowCount(u) == rows, "it reads with the same names and copies");
    for (size_t r = 0; r < rows; r++)
        for (size_t c = 0; c < columns; c++)
            Require(CsvValue(u, r, c) == CsvValue(t, r, c), "and the same values");
    return 0;
}

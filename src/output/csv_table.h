// A table of copies as spreadsheets save it (CSV): the first row names the
// columns, every other row is one copy. Fields are quoted as RFC 4180 says
// (a quoted field may hold the separator, doubled quotes and line breaks);
// the separator is a comma, a semicolon or a tab, whichever the header line
// holds most of. Entirely empty lines are passed over.
//
// The text is UTF-8 (with or without its byte-order mark; without it, only
// when all of the table is UTF-8), UTF-16 in either byte order (by its mark,
// or by the zero bytes of its ASCII characters), or else the program's code
// page. A table that mixes UTF-8 with bytes that aren't is refused, naming
// the row, rather than read as the code page and printed garbled.
//
// The reader needs no window or file: what it takes from Windows (the code
// page) comes in a CsvCodePage, so it runs under the fuzzer too. Its
// memory grows with the file's size, not with rows times columns: every
// value sits in one buffer, and the values a short row leaves out are not
// stored at all.
#ifndef SCRIVELANDER_CSV_TABLE_H
#define SCRIVELANDER_CSV_TABLE_H

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <string_view>
#include <vector>

const int CsvMessageSize = 400;
// What a table may hold; a larger one is refused, never cut.
const size_t CsvFileLimit = 16u << 20;
const size_t CsvColumnLimit = 1000;
const size_t CsvRowLimit = 100000;   // copies, the row of names not counted

// The program's code page, as the reader needs it.
struct CsvCodePage {
    // Appends UTF-16 text, in the code page, to `out`; false when a
    // character has no place in it.
    bool (*fromUtf16)(const char16_t* text, size_t length, std::string* out);
    // A column's name as names are compared: in one case.
    void (*foldCase)(std::string* name);
    // The code page is UTF-8 itself, so bytes that aren't UTF-8 can't be
    // read as it.
    bool isUtf8;
};

struct CsvTable {
    std::vector<std::string> columns;      // the header's names, blanks around them removed
    std::vector<std::string> columnKeys;   // the same names as compared (foldCase)
    void (*foldCase)(std::string* name);
    std::string text;                      // every value of every copy, one after another
    std::vector<uint32_t> valueEnds;       // where each stored value ends in `text`
    std::vector<uint32_t> rowEnds;         // for each copy, the end of its values in `valueEnds`
    size_t peakBytes;                      // the most memory reading it held at once
};

// Reads a table from its file's bytes, every value in the program's code
// page. True when it can be used; otherwise false with the message that
// tells why and what to change. Rows are named as a spreadsheet numbers
// them: the header is row 1.
bool ReadCsvTable(const char* bytes, size_t size, const CsvCodePage& codePage, CsvTable* table,
                  char message[CsvMessageSize]);

// "The table is larger than 16 MB, ...": also for a file too large to read.
const char* CsvTooLargeMessage();

// How many copies (rows below the names) the table holds.
size_t CsvRowCount(const CsvTable& table);

// The value of `column` in copy `row` (0 is the first row below the names);
// empty where the row leaves it out.
std::string_view CsvValue(const CsvTable& table, size_t row, size_t column);

// The column a placeholder names: compared without regard to case, blanks
// around the name left out. -1 when the table has none of that name.
int CsvColumnNamed(const CsvTable& table, const char* name, size_t length);

#endif

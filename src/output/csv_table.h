// A table of copies as spreadsheets save it (CSV): the first row names the
// columns, every other row is one copy. Fields are quoted as RFC 4180 says
// (a quoted field may hold the separator, doubled quotes and line breaks);
// the separator is a comma, a semicolon or a tab, whichever the header line
// holds most of; the text is UTF-8 (with or without its byte-order mark) or
// the program's code page. Entirely empty lines are passed over.
#ifndef SCRIVELANDER_CSV_TABLE_H
#define SCRIVELANDER_CSV_TABLE_H

#include <stddef.h>
#include <string>
#include <vector>

const int CsvMessageSize = 400;
const size_t CsvFileLimit = 16u << 20;   // a larger table is refused, not cut

struct CsvTable {
    std::vector<std::string> columns;             // the header's names, blanks around them removed
    std::vector<std::vector<std::string>> rows;   // the copies; a short row is filled with empty values
};

// Reads a table from its file's bytes, every value in the program's code
// page. True when it can be used; otherwise false with the message that
// tells why. Rows are named as a spreadsheet numbers them: the header is
// row 1.
bool ReadCsvTable(const char* bytes, size_t size, CsvTable* table, char message[CsvMessageSize]);

// The column a placeholder names: compared without regard to case, blanks
// around the name left out. -1 when the table has none of that name.
int CsvColumnNamed(const CsvTable& table, const char* name, size_t length);

#endif

#include "output/csv_table.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>

#include "base/text_chars.h"
#include "output/csv_encoding.h"

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

static std::string Trimmed(std::string_view s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        begin++;
    while (end > begin && IsBlank(s[end - 1]))
        end--;
    return std::string(s.substr(begin, end - begin));
}

// One reading: the table being filled and where the reader is in it.
struct CsvReader {
    const CsvCodePage* codePage;
    const char* encoding;   // what the values are to be turned from ("UTF-8", "UTF-16"); NULL: kept as they are
    CsvTable* table;
    char* message;
    std::u16string wide;    // one value on its way into the code page
    size_t row;             // the spreadsheet's number of the row being read (1: the names)
    size_t values;          // the row's values so far
    size_t rowValues;       // where the row's values begin in valueEnds
    size_t rowText;         // where the row's text begins
};

// "column "Name"", or "column 3" where the column has no name yet.
static void ColumnLabel(const CsvReader& r, size_t column, char* label, size_t size)
{
    const std::vector<std::string>& names = r.table->columns;
    if (r.row > 1 && column < names.size() && !names[column].empty())
        snprintf(label, size, "column \"%.60s\"", names[column].c_str());
    else
        snprintf(label, size, "column %u", (unsigned)column + 1);
}

static bool RefuseValue(CsvReader& r, const char* problem, const char* fix)
{
    char label[80];
    ColumnLabel(r, r.values, label, sizeof label);
    snprintf(r.message, CsvMessageSize, "Row %u, %s, %s. %s", (unsigned)r.row, label, problem, fix);
    return false;
}

// The value that begins at text[start], turned from UTF-8 into the code
// page in place; false, with the message, when it can't be.
static bool ValueInCodePage(CsvReader& r, size_t start)
{
    std::string& text = r.table->text;
    const unsigned char* p = (const unsigned char*)text.data() + start;
    size_t length = text.size() - start;
    size_t i = 0;
    while (i < length && p[i] < 0x80)
        i++;
    if (i == length)
        return true;   // ASCII is the same in every code page
    r.wide.clear();
    if (!Utf8AsUtf16(text.data() + start, length, &r.wide)) {
        char problem[80];
        snprintf(problem, sizeof problem, "holds bytes that aren't %s text", r.encoding);
        return RefuseValue(r, problem,
                           "Save the table again from the spreadsheet as CSV UTF-8, or type that value again.");
    }
    text.resize(start);
    if (!r.codePage->fromUtf16(r.wide.data(), r.wide.size(), &text))
        return RefuseValue(r,
                           "holds a character that can't be printed here (it is not in the code page of Windows' "
                           "language settings)",
                           "Replace that character in the table.");
    return true;
}

// The end of the value that begins at text[start].
static bool EndValue(CsvReader& r, size_t start)
{
    CsvTable& t = *r.table;
    bool header = r.row == 1;
    if (header && r.values >= CsvColumnLimit) {
        snprintf(r.message, CsvMessageSize,
                 "The first row names more than %u columns, more than Scrivelander reads. Remove the columns no "
                 "entry names, and save the table again.",
                 (unsigned)CsvColumnLimit);
        return false;
    }
    if (!header && r.values >= t.columns.size()) {
        t.text.resize(start);   // a value past the last column: only counted, for the message
        r.values++;
        return true;
    }
    if (memchr(t.text.data() + start, 0, t.text.size() - start))
        return RefuseValue(r, "holds a zero byte (NUL), which no text holds",
                           "Save the table again from the spreadsheet as CSV, or type that value again.");
    if (r.encoding && !ValueInCodePage(r, start))
        return false;
    t.valueEnds.push_back((uint32_t)t.text.size());
    r.values++;
    return true;
}

// The header's values become the names of the columns; two columns may
// not have one name, or a placeholder could mean either.
static bool TakeNames(CsvReader& r)
{
    CsvTable& t = *r.table;
    size_t begin = 0;
    for (uint32_t end : t.valueEnds) {
        t.columns.push_back(Trimmed(std::string_view(t.text).substr(begin, end - begin)));
        std::string key = t.columns.back();
        if (r.codePage->foldCase)
            r.codePage->foldCase(&key);
        t.columnKeys.push_back(key);
        begin = end;
    }
    t.text.clear();
    t.valueEnds.clear();
    std::vector<uint32_t> order(t.columns.size());
    for (size_t i = 0; i < order.size(); i++)
        order[i] = (uint32_t)i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return t.columnKeys[a] < t.columnKeys[b]; });
    for (size_t i = 1; i < order.size(); i++) {
        uint32_t first = order[i - 1], second = order[i];
        // Columns without a name can't be named by a placeholder: spreadsheets leave them at the end of a row.
        if (t.columnKeys[first] == t.columnKeys[second] && !t.columnKeys[first].empty()) {
            snprintf(r.message, CsvMessageSize,
                     "The first row names the column \"%.60s\" twice (columns %u and %u). Give each column a name "
                     "of its own.",
                     t.columns[second].c_str(), (unsigned)first + 1, (unsigned)second + 1);
            return false;
        }
    }
    return true;
}

// The end of a row. A row without any text or separator is passed over;
// the empty values at the end of a copy are not kept.
static bool EndRow(CsvReader& r, bool rowHasText)
{
    CsvTable& t = *r.table;
    if (!rowHasText && r.values <= 1) {
        t.text.resize(r.rowText);
        t.valueEnds.resize(r.rowValues);
    } else if (r.row == 1) {
        if (!TakeNames(r))
            return false;
        r.row++;
    } else {
        if (r.values > t.columns.size()) {
            snprintf(r.message, CsvMessageSize,
                     "Row %u has %u values, more than the %u columns the first row names. Name every column in "
                     "the first row, or remove the extra values.",
                     (unsigned)r.row, (unsigned)r.values, (unsigned)t.columns.size());
            return false;
        }
        while (t.valueEnds.size() > r.rowValues &&
               t.valueEnds.back() == (t.valueEnds.size() > 1 ? t.valueEnds[t.valueEnds.size() - 2] : 0))
            t.valueEnds.pop_back();
        t.text.resize(t.valueEnds.empty() ? 0 : t.valueEnds.back());
        if (t.rowEnds.size() == CsvRowLimit) {
            snprintf(r.message, CsvMessageSize,
                     "The table has more than %u rows of copies, more than Scrivelander prints from one table. "
                     "Split it into smaller tables.",
                     (unsigned)CsvRowLimit);
            return false;
        }
        t.rowEnds.push_back((uint32_t)t.valueEnds.size());
        r.row++;
    }
    r.values = 0;
    r.rowValues = t.valueEnds.size();
    r.rowText = t.text.size();
    return true;
}

// Splits the bytes into rows of values, in one pass: a quoted value is
// copied run by run up to its next quote, so a value of quotes costs no
// more than any other.
static bool ReadRows(CsvReader& r, const char* bytes, size_t size)
{
    std::string& text = r.table->text;
    text.reserve(size);   // values are never longer than the bytes they come from
    const char separator = SeparatorOf(bytes, size);
    bool quoted = false, valueQuoted = false, valueBlank = true, rowHasText = false;
    size_t openRow = 0, start = 0;
    for (size_t i = 0; i < size;) {
        char c = bytes[i];
        if (quoted) {
            const char* quote = (const char*)memchr(bytes + i, '"', size - i);
            size_t run = quote ? (size_t)(quote - (bytes + i)) : size - i;
            text.append(bytes + i, run);
            i += run;
            if (!quote)
                break;
            if (i + 1 < size && bytes[i + 1] == '"') {
                text += '"';
                i += 2;
            } else {
                quoted = false;
                i++;
            }
            continue;
        }
        if (c == '"' && !valueQuoted && valueBlank) {
            // A quote opens a value (blanks before it are passed over).
            text.resize(start);
            quoted = valueQuoted = rowHasText = true;
            openRow = r.row;
        } else if (c == separator || c == '\r' || c == '\n') {
            if (!EndValue(r, start))
                return false;
            valueQuoted = false;
            valueBlank = true;
            if (c == separator) {
                rowHasText = true;
            } else {
                if (!EndRow(r, rowHasText))
                    return false;
                rowHasText = false;
                if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n')
                    i++;
            }
            start = text.size();
        } else {
            text += c;
            rowHasText = true;
            valueBlank = valueBlank && IsBlank(c);
        }
        i++;
    }
    if (quoted) {
        snprintf(r.message, CsvMessageSize,
                 "The table ends inside a quoted value that begins in row %u. Close that value with a quote mark.",
                 (unsigned)openRow);
        return false;
    }
    if (rowHasText || r.values > 0)
        return EndValue(r, start) && EndRow(r, true);
    return true;
}

const char* CsvTooLargeMessage()
{
    return "The table is larger than 16 MB, more than Scrivelander reads. Split it into smaller tables.";
}

bool ReadCsvTable(const char* bytes, size_t size, const CsvCodePage& codePage, CsvTable* table,
                  char message[CsvMessageSize])
{
    *table = CsvTable();
    table->foldCase = codePage.foldCase;
    message[0] = 0;
    if (size > CsvFileLimit) {
        snprintf(message, CsvMessageSize, "%s", CsvTooLargeMessage());
        return false;
    }
    std::string recoded;
    CsvReader r = {};
    r.codePage = &codePage;
    r.encoding = CsvEncodingOf(&bytes, &size, codePage.isUtf8, &recoded);
    r.table = table;
    r.message = message;
    r.row = 1;
    bool read = ReadRows(r, bytes, size);
    table->peakBytes = recoded.capacity() + table->text.capacity() + r.wide.capacity() * sizeof(char16_t) +
                       (table->valueEnds.capacity() + table->rowEnds.capacity()) * sizeof(uint32_t);
    for (size_t c = 0; c < table->columns.size(); c++)
        table->peakBytes += table->columns[c].capacity() + table->columnKeys[c].capacity() + 2 * sizeof(std::string);
    if (!read)
        return false;
    if (r.row == 1) {
        snprintf(message, CsvMessageSize, "The table is empty: its first row must name the columns.");
        return false;
    }
    if (table->rowEnds.empty()) {
        snprintf(message, CsvMessageSize, "The table has no rows below the names of its columns: nothing to print.");
        return false;
    }
    return true;
}

size_t CsvRowCount(const CsvTable& table)
{
    return table.rowEnds.size();
}

std::string_view CsvValue(const CsvTable& table, size_t row, size_t column)
{
    size_t first = row == 0 ? 0 : table.rowEnds[row - 1];
    size_t value = first + column;
    if (value >= table.rowEnds[row])
        return std::string_view();
    size_t begin = value == 0 ? 0 : table.valueEnds[value - 1];
    return std::string_view(table.text).substr(begin, table.valueEnds[value] - begin);
}

int CsvColumnNamed(const CsvTable& table, const char* name, size_t length)
{
    std::string wanted = Trimmed(std::string_view(name, length));
    if (table.foldCase)
        table.foldCase(&wanted);
    for (size_t i = 0; i < table.columnKeys.size(); i++)
        if (table.columnKeys[i] == wanted)
            return (int)i;
    return -1;
}

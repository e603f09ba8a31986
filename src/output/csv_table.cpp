#include "output/csv_table.h"

#include <algorithm>
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

// The length (1 to 4) of the UTF-8 sequence at p, with its character; 0
// when the bytes there aren't UTF-8 (a stray or missing continuation byte,
// an overlong form, a surrogate, or past U+10FFFF).
static size_t Utf8At(const unsigned char* p, size_t left, uint32_t* code)
{
    unsigned char lead = p[0];
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || left < length)
        return 0;
    unsigned char low = 0x80, high = 0xBF;   // the second byte's range
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (p[1] < low || p[1] > high)
        return 0;
    uint32_t c = lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; k++) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[k] & 0x3F);
    }
    *code = c;
    return length;
}

// What the bytes of a table without a byte-order mark say of UTF-8: whether
// some character is UTF-8 beyond ASCII, and whether some bytes aren't UTF-8.
static void ScanUtf8(const char* bytes, size_t size, bool* someUtf8, bool* someNot)
{
    *someUtf8 = *someNot = false;
    const unsigned char* p = (const unsigned char*)bytes;
    for (size_t i = 0; i < size && !(*someUtf8 && *someNot);) {
        uint32_t code;
        size_t length = p[i] < 0x80 ? 1 : Utf8At(p + i, size - i, &code);
        if (length > 1)
            *someUtf8 = true;
        else if (length == 0)
            *someNot = true;
        i += length ? length : 1;
    }
}

// Whether bytes without a byte-order mark are UTF-16: ASCII characters saved
// so have a zero byte beside each, after it (little-endian) or before it.
static bool LooksUtf16(const char* bytes, size_t size, bool* bigEndian)
{
    size_t units = std::min(size / 2, (size_t)256), little = 0, big = 0;
    for (size_t k = 0; k < units; k++) {
        bool first = bytes[2 * k] != 0, second = bytes[2 * k + 1] != 0;
        little += first && !second;
        big += !first && second;
    }
    *bigEndian = big > little;
    return units > 0 && std::max(little, big) * 4 >= units * 3;
}

// UTF-16 as UTF-8, so one reader serves both. What isn't UTF-16 (a lone
// surrogate, an odd last byte) becomes the byte 0xFF, which UTF-8 never
// holds, so the value that holds it is refused by name.
static void Utf16AsUtf8(const char* bytes, size_t size, bool bigEndian, std::string* out)
{
    const unsigned char* p = (const unsigned char*)bytes;
    size_t units = size / 2;
    out->reserve(units * 3 + 1);
    auto unit = [&](size_t k) -> uint32_t {
        return bigEndian ? (uint32_t)(p[2 * k] << 8 | p[2 * k + 1]) : (uint32_t)(p[2 * k + 1] << 8 | p[2 * k]);
    };
    for (size_t k = 0; k < units; k++) {
        uint32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDFFF) {
            uint32_t next = k + 1 < units ? unit(k + 1) : 0;
            if (c >= 0xDC00 || next < 0xDC00 || next > 0xDFFF) {
                *out += '\xFF';
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            k++;
        }
        if (c < 0x80) {
            *out += (char)c;
        } else if (c < 0x800) {
            *out += (char)(0xC0 | c >> 6);
            *out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out += (char)(0xE0 | c >> 12);
            *out += (char)(0x80 | (c >> 6 & 0x3F));
            *out += (char)(0x80 | (c & 0x3F));
        } else {
            *out += (char)(0xF0 | c >> 18);
            *out += (char)(0x80 | (c >> 12 & 0x3F));
            *out += (char)(0x80 | (c >> 6 & 0x3F));
            *out += (char)(0x80 | (c & 0x3F));
        }
    }
    if (size % 2)
        *out += '\xFF';
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
    for (i = 0; i < length;) {
        uint32_t code;
        size_t step = Utf8At(p + i, length - i, &code);
        if (step == 0) {
            char problem[80];
            snprintf(problem, sizeof problem, "holds bytes that aren't %s text", r.encoding);
            return RefuseValue(r, problem, "Save the table again from the spreadsheet as CSV UTF-8, or type that value again.");
        }
        if (code >= 0x10000) {
            r.wide += (char16_t)(0xD800 + ((code - 0x10000) >> 10));
            r.wide += (char16_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            r.wide += (char16_t)code;
        }
        i += step;
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

// How the values are to be read: from UTF-8 (encoding "UTF-8"), from
// UTF-16 turned into UTF-8 in `recoded`, or as they are (NULL).
static const char* EncodingOf(const char** bytes, size_t* size, const CsvCodePage& codePage, std::string* recoded)
{
    bool bigEndian = false;
    bool marked16 = *size >= 2 && ((unsigned char)(*bytes)[0] == 0xFF && (unsigned char)(*bytes)[1] == 0xFE);
    bool markedBig16 = *size >= 2 && ((unsigned char)(*bytes)[0] == 0xFE && (unsigned char)(*bytes)[1] == 0xFF);
    if (marked16 || markedBig16 || LooksUtf16(*bytes, *size, &bigEndian)) {
        size_t mark = marked16 || markedBig16 ? 2 : 0;
        Utf16AsUtf8(*bytes + mark, *size - mark, markedBig16 || (!marked16 && bigEndian), recoded);
        *bytes = recoded->data();
        *size = recoded->size();
        return "UTF-16";
    }
    if (*size >= 3 && memcmp(*bytes, "\xEF\xBB\xBF", 3) == 0) {
        *bytes += 3;
        *size -= 3;
        return "UTF-8";
    }
    // Without a mark, a table is UTF-8 when it holds UTF-8 beyond ASCII.
    // Bytes that aren't UTF-8 beside it are refused where they are, rather
    // than the whole table read as the code page and printed garbled.
    bool someUtf8, someNot;
    ScanUtf8(*bytes, *size, &someUtf8, &someNot);
    return someUtf8 || (someNot && codePage.isUtf8) ? "UTF-8" : NULL;
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
    r.encoding = EncodingOf(&bytes, &size, codePage, &recoded);
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

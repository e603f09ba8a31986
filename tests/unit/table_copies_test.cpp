#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <chrono>
#include <string>
#include <vector>

#include "entries/formula.h"
#include "output/csv_code_page.h"
#include "output/csv_table.h"
#include "output/print_table.h"
#include "output/table_copies.h"
#include "test_entry.h"

using namespace std::string_literals;

typedef std::vector<std::vector<std::string>> Rows;

struct CsvCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> columns;
    Rows rows;
};

static bool Read(const std::string& bytes, CsvTable* table, char message[CsvMessageSize])
{
    return ReadCsvTable(bytes.data(), bytes.size(), ProgramCodePage(), table, message);
}

// The copies as a spreadsheet shows them: every row as wide as the names.
static Rows RowsOf(const CsvTable& table)
{
    Rows rows;
    for (size_t r = 0; r < CsvRowCount(table); r++) {
        rows.emplace_back();
        for (size_t c = 0; c < table.columns.size(); c++)
            rows.back().emplace_back(CsvValue(table, r, c));
    }
    return rows;
}

TEST(CsvTable, ReadsWhatSpreadsheetsWrite)
{
    const CsvCase cases[] = {
        { "commas, CR LF", "Name,Amount\r\nAnna,5\r\nBob,7\r\n", { "Name", "Amount" }, { { "Anna", "5" }, { "Bob", "7" } } },
        { "LF and no last line end", "Name,Amount\nAnna,5", { "Name", "Amount" }, { { "Anna", "5" } } },
        { "an empty last line", "A\n1\n\n", { "A" }, { { "1" } } },
        { "quotes, doubled quotes, separators and line breaks inside",
          "Name,Note\n\"Smith, Anna\",\"said \"\"hi\"\"\nthen left\"\n", { "Name", "Note" },
          { { "Smith, Anna", "said \"hi\"\nthen left" } } },
        { "semicolons", "Name;Amount\nAnna;5,50\n", { "Name", "Amount" }, { { "Anna", "5,50" } } },
        { "tabs", "Name\tAmount\nAnna, Jr.\t5\n", { "Name", "Amount" }, { { "Anna, Jr.", "5" } } },
        { "a byte-order mark and blanks round the names", "\xEF\xBB\xBF Name , Amount\nAnna,5\n",
          { "Name", "Amount" }, { { "Anna", "5" } } },
        { "a short row is filled", "A,B,C\n1\n", { "A", "B", "C" }, { { "1", "", "" } } },
        { "UTF-8 that the code page holds", "Name\nJos\xC3\xA9\n", { "Name" }, { { "Jos\xE9" } } },
        { "the code page itself", "Name\nJos\xE9\n", { "Name" }, { { "Jos\xE9" } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        char message[CsvMessageSize];
        ASSERT_TRUE(Read(c.bytes, &table, message)) << message;
        EXPECT_EQ(c.columns, table.columns);
        EXPECT_EQ(c.rows, RowsOf(table));
    }
}

TEST(CsvTable, RefusesWhatCantBePrintedNamingTheRow)
{
    const struct { const char* name; std::string bytes; std::string message; } cases[] = {
        { "a ragged row", "A,B\n1,2\n1,2,3\n",
          "Row 3 has 3 values, more than the 2 columns the first row names. Name every column in the first row, or "
          "remove the extra values." },
        { "no rows", "A,B\r\n", "The table has no rows below the names of its columns: nothing to print." },
        { "nothing", "", "The table is empty: its first row must name the columns." },
        { "UTF-8 the code page can't hold", "Name\nAnna\n\xE4\xB8\xAD\n",
          "Row 3, column \"Name\", holds a character that can't be printed here (it is not in the code page of "
          "Windows' language settings). Replace that character in the table." },
        { "an open quote", "A\n\"never closed\n",
          "The table ends inside a quoted value that begins in row 2. Close that value with a quote mark." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        char message[CsvMessageSize];
        EXPECT_FALSE(Read(c.bytes, &table, message));
        EXPECT_EQ(c.message, message);
    }
}

// UTF-16 bytes of `text`, in either byte order, with or without the mark.
static std::string Utf16(const std::u16string& text, bool bigEndian, bool marked)
{
    std::string bytes;
    for (char16_t unit : (marked ? u"\xFEFF" : u"") + text) {
        char low = (char)(unit & 0xFF), high = (char)(unit >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

static std::string Names(size_t count)
{
    std::string names;
    for (size_t c = 1; c <= count; c++)
        names += "c" + std::to_string(c) + (c < count ? "," : "\n");
    return names;
}

// Tables that a careless reader prints garbled, cuts short or trips over:
// each is read exactly, or refused with a message that names where and what.
TEST(CsvTable, HostileTablesAreReadWhole_OrRefusedByName)
{
    const std::u16string accented = u"Name,Town\r\nJos\u00E9,Z\u00FCrich\r\n";
    const Rows accentedRows = { { "Jos\xE9", "Z\xFCrich" } };
    const std::string quotes(1000, '"');
    std::vector<std::string> thousandColumns(1000);
    thousandColumns[0] = "1";
    const struct { const char* name; std::string bytes; Rows rows; std::string message; } cases[] = {
        { "UTF-8 with one sequence that isn't", "Name,Town\nJos\xC3\xA9,\xC3\xA9t\xC3\xA9\nAnna,Br\xFCgge\n", {},
          "Row 3, column \"Town\", holds bytes that aren't UTF-8 text. Save the table again from the spreadsheet "
          "as CSV UTF-8, or type that value again." },
        { "marked UTF-8 with a byte that isn't", "\xEF\xBB\xBFName\nAnna\nJos\xE9\n", {},
          "Row 3, column \"Name\", holds bytes that aren't UTF-8 text." },
        { "the code page, no UTF-8 in it", "Name,Town\nJos\xE9,Z\xFCrich\n", accentedRows, "" },
        { "a NUL byte", "Name,Amount\nAnna,5\nBob,7\0" "8\n"s, {},
          "Row 3, column \"Amount\", holds a zero byte (NUL), which no text holds." },
        { "a NUL byte in the names", "Name,Am\0unt\nAnna,5\n"s, {}, "Row 1, column 2, holds a zero byte" },
        { "UTF-16 little-endian, marked", Utf16(accented, false, true), accentedRows, "" },
        { "UTF-16 little-endian, unmarked", Utf16(accented, false, false), accentedRows, "" },
        { "UTF-16 big-endian, marked", Utf16(accented, true, true), accentedRows, "" },
        { "UTF-16 big-endian, unmarked", Utf16(accented, true, false), accentedRows, "" },
        { "UTF-16 with a lone surrogate", Utf16(u"Name\nAnna\nB\xD800" "b\n", false, true), {},
          "Row 3, column \"Name\", holds bytes that aren't UTF-16 text." },
        { "UTF-16 cut in the middle of a character", Utf16(u"Name\nAnna\n", false, true) + "B", {},
          "Row 3, column \"Name\", holds bytes that aren't UTF-16 text." },
        { "UTF-16 with a NUL", Utf16(u"Name\nAn\0na\n"s, false, true), {},
          "Row 2, column \"Name\", holds a zero byte (NUL)" },
        { "1,000 columns", Names(1000) + "1\n", { thousandColumns }, "" },
        { "1,001 columns", Names(1001) + "1\n", {},
          "The first row names more than 1000 columns, more than Scrivelander reads. Remove the columns no entry "
          "names, and save the table again." },
        { "a name twice, in another case", "Name,Amount, name \nAnna,5,6\n", {},
          "The first row names the column \"name\" twice (columns 1 and 3). Give each column a name of its own." },
        { "columns without names at the end", "Name,,\nAnna,,\n", { { "Anna", "", "" } }, "" },
        { "a value of quotes", "A,B\n\"" + quotes + quotes + "\",x" + quotes + "\n", { { quotes, "x" + quotes } }, "" },
        { "larger than 16 MB", std::string(CsvFileLimit + 1, 'a'), {}, CsvTooLargeMessage() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        char message[CsvMessageSize];
        bool read = Read(c.bytes, &table, message);
        if (c.message.empty()) {
            ASSERT_TRUE(read) << message;
            EXPECT_EQ(c.rows, RowsOf(table));
        } else {
            EXPECT_FALSE(read);
            EXPECT_EQ(c.message, std::string(message).substr(0, c.message.size()));
        }
    }
}

// The hostile tables at full size: each is read or refused in well under a
// second, holding memory in proportion to its size (the reader counts what
// it holds). Other readers took gigabytes, or never ended.
TEST(CsvTable, HostileTablesTakeTimeAndMemoryInProportionToTheirSize)
{
    std::string shortRows, fullRows;
    for (int r = 0; r < 1000000; r++)
        shortRows += "1\n";
    for (int k = 0; k < 1000; k++)
        fullRows += "a,";
    fullRows.back() = '\n';
    std::string full = Names(1000);
    while (full.size() + fullRows.size() <= CsvFileLimit)
        full += fullRows;
    const std::string doubled(2 * 524288, '"');
    std::string scattered = "x";   // a value that doesn't begin with a quote: every quote in it is a character
    for (int k = 0; k < 524288; k++)
        scattered += "\"a";
    const struct { const char* name; std::string bytes; bool read; } cases[] = {
        { "10,000 columns x 1,000,000 short rows", Names(10000) + shortRows, false },
        { "1,000 columns x 50,000 short rows", Names(1000) + shortRows.substr(0, 100000), true },
        { "1 column x 1,000,000 rows", "c1\n" + shortRows, false },
        { "a quoted value of 524,288 quote marks", "A\n\"" + doubled + "\"\n", true },
        { "a value of 524,288 quote marks among letters", "A\n" + scattered + "\n", true },
        { "1,000 columns, every value filled, 16 MB", full, true },
    };
    std::vector<EntryRecord> entries(EntryTableSlots);
    entries[0] = TestEntry(10, 10, "{c1000}");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        char message[CopyMessageSize];
        auto begin = std::chrono::steady_clock::now();
        bool read = Read(c.bytes, &table, message) &&
                    (table.columns.size() < 1000 || CheckCopies(entries.data(), 1, table, message));
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        printf("%-46s %9u bytes  %7.1f ms  %8u bytes held  %s\n", c.name, (unsigned)c.bytes.size(), seconds * 1000,
               (unsigned)table.peakBytes, read ? "read" : message);
        EXPECT_EQ(c.read, read) << message;
        EXPECT_LT(seconds, 2.0);
        EXPECT_LE(table.peakBytes, 8 * c.bytes.size() + (1u << 20));
    }
}

static CsvTable Table(const char* text)
{
    CsvTable table;
    char message[CsvMessageSize];
    EXPECT_TRUE(Read(text, &table, message)) << message;
    return table;
}

TEST(TableCopies, PlaceholdersTakeTheRowsValues)
{
    CsvTable table = Table("First,Last,Quantity\nAnna,Smith,5\nBob,Jones,12\n");
    const struct { const char* text; size_t row; const char* filled; } cases[] = {
        { "{First}", 0, "Anna" },
        { "Dear {First} {Last}", 1, "Dear Bob Jones" },
        { "#1={ quantity }", 1, "#1=12" },   // names without regard to case or blanks
        { "no placeholder", 0, "no placeholder" },
        { "{ opens {First}", 0, "{ opens Anna" },   // a brace without its pair stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char out[EntryTextSize], message[CopyMessageSize];
        ASSERT_TRUE(FillPlaceholders(c.text, table, c.row, out, message)) << message;
        EXPECT_STREQ(c.filled, out);
    }
    EXPECT_TRUE(IsTemplateText("Dear {First}"));
    EXPECT_FALSE(IsTemplateText("#3=#1*#2"));
}

TEST(TableCopies, EveryCopyIsCheckedBeforeAnythingPrints)
{
    CsvTable table = Table(("Name,Address\nAnna,Short\nBob," + std::string(96, 'x') + "\n").c_str());
    std::vector<EntryRecord> entries(EntryTableSlots);
    entries[0] = TestEntry(10, 10, "{Name}");
    entries[1] = TestEntry(10, 50, "To {Nmae}");
    char message[CopyMessageSize];
    EXPECT_FALSE(CheckCopies(entries.data(), 2, table, message));
    EXPECT_STREQ("The entry \"To {Nmae}\" names the column \"Nmae\", which the table doesn't have.\n"
                 "The table's columns are: Name, Address.",
                 message);
    entries[1] = TestEntry(10, 50, "At {Address}.");
    EXPECT_FALSE(CheckCopies(entries.data(), 2, table, message));
    EXPECT_STREQ("Row 3, column \"Address\": the entry \"At {Address}.\" would be 100 characters long with this "
                 "row's values; an entry holds at most 99.",
                 message);
    entries[1] = TestEntry(10, 50, "{Address}");
    EXPECT_TRUE(CheckCopies(entries.data(), 2, table, message)) << message;
}

TEST(TableCopies, FormulasAreWorkedOutForEachCopy)
{
    CsvTable table = Table("Quantity,Price\n5,3\n2,10\n");
    std::vector<EntryRecord> entries(EntryTableSlots);
    entries[0] = TestEntry(10, 10, "#1={Quantity}");
    entries[1] = TestEntry(10, 50, "#2={Price}");
    entries[2] = TestEntry(10, 90, "#3=#1*#2");
    entries[3] = TestEntry(10, 130, "plain");
    const uint32_t totals[] = { 15, 20 };
    for (size_t row = 0; row < 2; row++) {
        SCOPED_TRACE(row);
        std::vector<EntryRecord> copy(EntryTableSlots);
        CopyEntries(entries.data(), 4, table, row, copy.data());
        EXPECT_EQ(totals[row], EvaluateFormulaIn(copy.data(), copy[2]));
        EXPECT_STREQ("plain", copy[3].text);
        EXPECT_EQ(0, copy[4].x);
    }
    // The stored entries are left as they are.
    EXPECT_STREQ("#1={Quantity}", entries[0].text);
    char question[100];
    CopiesQuestion(2, "people.csv", question, sizeof question);
    EXPECT_STREQ("2 copies from people.csv. Print?", question);
}

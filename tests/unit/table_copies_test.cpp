#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "entries/formula.h"
#include "output/csv_table.h"
#include "output/print_table.h"
#include "output/table_copies.h"
#include "test_entry.h"

typedef std::vector<std::vector<std::string>> Rows;

struct CsvCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> columns;
    Rows rows;
};

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
        ASSERT_TRUE(ReadCsvTable(c.bytes.data(), c.bytes.size(), &table, message)) << message;
        EXPECT_EQ(c.columns, table.columns);
        EXPECT_EQ(c.rows, table.rows);
    }
}

TEST(CsvTable, RefusesWhatCantBePrintedNamingTheRow)
{
    const struct { const char* name; std::string bytes; std::string message; } cases[] = {
        { "a ragged row", "A,B\n1,2\n1,2,3\n", "Row 3 has 3 values, more than the 2 columns the first row names." },
        { "no rows", "A,B\r\n", "The table has no rows below the names of its columns: nothing to print." },
        { "nothing", "", "The table is empty: its first row must name the columns." },
        { "UTF-8 the code page can't hold", "Name\nAnna\n\xE4\xB8\xAD\n",
          "Row 3, column \"Name\", holds a character that can't be printed here (it is not in the code page of "
          "Windows' language settings)." },
        { "an open quote", "A\n\"never closed\n", "The table ends inside a quoted value that begins in row 2." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        char message[CsvMessageSize];
        EXPECT_FALSE(ReadCsvTable(c.bytes.data(), c.bytes.size(), &table, message));
        EXPECT_EQ(c.message, message);
    }
}

static CsvTable Table(const char* text)
{
    CsvTable table;
    char message[CsvMessageSize];
    EXPECT_TRUE(ReadCsvTable(text, strlen(text), &table, message)) << message;
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

// Copies from a table: an entry whose text holds "{Column}" is a template
// entry; each copy replaces every placeholder by the value of that column
// in its row of the table. The entry file is never changed: copies are
// made in memory for printing.
#ifndef SCRIVELANDER_TABLE_COPIES_H
#define SCRIVELANDER_TABLE_COPIES_H

#include <stddef.h>

#include "entries/record_layout.h"
#include "output/csv_table.h"

const int CopyMessageSize = 600;

// Whether a text holds a placeholder: "{", a name, "}".
bool IsTemplateText(const char* text);

// `text` for row `row` of the table (0 is the first row below the names):
// each placeholder replaced by the row's value of its column. False, with
// the message, when a placeholder names no column of the table or the text
// would be longer than the 99 characters an entry holds.
bool FillPlaceholders(const char* text, const CsvTable& table, size_t row, char out[EntryTextSize],
                      char message[CopyMessageSize]);

// Checks every template entry of `entries` (the first `count`) against
// every row, so nothing is printed unless every copy can be. False, with
// the message that names the entry, row and column at fault.
bool CheckCopies(const EntryRecord* entries, int count, const CsvTable& table, char message[CopyMessageSize]);

// The entries of one copy: `entries` (the first `count`; the other slots
// are left empty) with the placeholders filled in for `row`. The caller
// has checked them. Formulas in the copy are then worked out among the
// copy's own entries: "#1={Quantity}" is 5 in a row whose quantity is 5.
void CopyEntries(const EntryRecord* entries, int count, const CsvTable& table, size_t row,
                 EntryRecord copy[EntryTableSlots]);

#endif

// Print from table: one print job of the form on screen with one sheet per
// row of a table (CSV), each sheet printed as File > Print prints the form,
// with the entries' placeholders filled in from the row. Everything is
// checked before the print dialog opens; nothing is written anywhere.
#ifndef SCRIVELANDER_PRINT_TABLE_H
#define SCRIVELANDER_PRINT_TABLE_H

#include <stddef.h>

// "N copies from NAME.csv. Print?"
void CopiesQuestion(size_t copies, const char* tableName, char* text, size_t size);

// Command "Print from table...".
void OnPrintFromTable();

#endif

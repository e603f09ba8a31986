// The program's code page as the table reader needs it: the code page of
// Windows' language settings for programs that aren't Unicode, with its
// rules of case.
#ifndef SCRIVELANDER_CSV_CODE_PAGE_H
#define SCRIVELANDER_CSV_CODE_PAGE_H

#include "output/csv_table.h"

CsvCodePage ProgramCodePage();

#endif

// Formula entries: "#label=expression", evaluated strictly from left to
// right in unsigned 32-bit arithmetic, referring to other formula entries
// by their labels.
#ifndef SCRIVELANDER_FORMULA_H
#define SCRIVELANDER_FORMULA_H

#include <stdint.h>

#include "entries/record_layout.h"

// No value: the formula is shown as its own text.
const uint32_t FormulaError = 4294967295u;

// Evaluations of formula texts since the last top-level evaluation began;
// more than this many fail, which ends every chain that loops.
const int EvaluationLimit = 100;
extern int gEvaluationCount;   // written by entries/formula.cpp only

// The value of a formula record over the entries of `table` (scanned from
// slot 0 to the first free slot), or FormulaError. Reads the table only.
uint32_t EvaluateFormulaIn(const EntryRecord* table, const EntryRecord& record);

// A value as the signed decimal it is drawn as: 3000000000 gives
// "-1294967296". `text` holds at least 12 characters.
void FormulaValueText(uint32_t value, char text[12]);

#endif

// A second reading of the formula rules, written from the rules alone and
// sharing nothing with the program's evaluator: the slow, literal version
// the evaluator's values and evaluation counts are checked against.
#ifndef SCRIVELANDER_FORMULA_REFERENCE_H
#define SCRIVELANDER_FORMULA_REFERENCE_H

#include <stdint.h>

#include "entries/record_layout.h"

// The value of the formula `record` over the 200 slots of `table`, or
// 4294967295 when it has none; `evaluations` gets how many formula texts
// were evaluated on the way.
uint32_t ReferenceFormulaValue(const EntryRecord* table, const EntryRecord& record, int* evaluations);

#endif

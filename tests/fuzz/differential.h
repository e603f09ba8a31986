// The formula evaluator against its literal reference, entry by entry.
#ifndef SCRIVELANDER_DIFFERENTIAL_H
#define SCRIVELANDER_DIFFERENTIAL_H

#include "entries/record_layout.h"

struct Agreement {
    int formulas;        // entries evaluated
    int withValue;       // of them, those with a value
    bool agree;          // every value and evaluation count the same
};

// Evaluates every formula entry of the first `entries` slots (as drawing
// does, past free slots too) with the program's evaluator and with the
// reference; on the first difference prints the table and the entry.
Agreement CompareEvaluators(const EntryRecord* table, int entries);

#endif

#include "differential.h"

#include <stdio.h>
#include <string.h>

#include "entries/formula.h"
#include "formula_reference.h"
#include "random_tables.h"

Agreement CompareEvaluators(const EntryRecord* table, int entries)
{
    Agreement a = { 0, 0, true };
    for (int slot = 0; slot < entries; slot++) {
        const EntryRecord& r = table[slot];
        if (r.text[0] != '#')
            continue;
        uint32_t value = EvaluateFormulaIn(table, r);
        int count = gEvaluationCount;
        int expectedCount = 0;
        uint32_t expected = ReferenceFormulaValue(table, r, &expectedCount);
        a.formulas++;
        a.withValue += expected != FormulaError;
        char shown[12];
        FormulaValueText(value, shown);
        if (value != expected || count != expectedCount || strlen(shown) > 11 || count < 1 ||
            count > EvaluationLimit + 1) {
            fprintf(stderr, "slot %d \"%s\": evaluator %u after %d evaluations, reference %u after %d\n", slot,
                    r.text, value, count, expected, expectedCount);
            PrintTable(table, entries);
            a.agree = false;
            return a;
        }
    }
    return a;
}

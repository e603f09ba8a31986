// The formula evaluator against the literal reference on random tables
// made from the fuzzer's bytes: labels that references find, numbers near
// every limit, operators inside labels, chains near the evaluation limit,
// loops and free slots.
#include "differential.h"
#include "random_tables.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static EntryRecord table[EntryTableSlots];
    Chooser chooser = BytesChooser(data, size);
    int entries = RandomTable(chooser, table);
    Require(CompareEvaluators(table, entries).agree, "the evaluator agrees with the reference");
    return 0;
}

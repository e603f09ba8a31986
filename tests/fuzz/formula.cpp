// The formula evaluator on any table a file can hold: it always ends, never
// reads outside the table or a text, stays within the evaluation limit and
// agrees with the literal reference.
//
// Input: the texts of the entries, one a line, in slot order (each cut to
// 99 characters as a record holds it); an empty line is a free slot
// (x = 0), which ends every search for a referenced entry. Only the first
// 64 lines are read: the reference is slow on long chains, and full tables
// and chains up to the evaluation limit are the differential target's.
#include <string.h>

#include "differential.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static EntryRecord table[EntryTableSlots];
    memset(table, 0, sizeof table);
    int entries = 0;
    size_t start = 0;
    const int Lines = 64;
    while (start < size && entries < Lines) {
        const uint8_t* end = (const uint8_t*)memchr(data + start, '\n', size - start);
        size_t length = (end ? (size_t)(end - data) : size) - start;
        EntryRecord& r = table[entries];
        memcpy(r.text, data + start, length < (size_t)EntryTextSize - 1 ? length : EntryTextSize - 1);
        r.x = length ? entries + 1 : 0;
        entries++;
        start += length + 1;
    }
    Require(CompareEvaluators(table, entries).agree, "the evaluator agrees with the reference");
    return 0;
}

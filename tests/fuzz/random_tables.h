// Random tables of formula entries for the differential check: labels from
// a small alphabet so that references find their entries, numbers near
// every limit, operators in labels, chains, loops and free slots. The
// choices come from the fuzzer's bytes or from a seeded generator.
#ifndef SCRIVELANDER_RANDOM_TABLES_H
#define SCRIVELANDER_RANDOM_TABLES_H

#include <stddef.h>
#include <stdint.h>

#include "entries/record_layout.h"

struct Chooser {
    const uint8_t* data;   // the fuzzer's bytes, or NULL for the generator
    size_t size, at;
    uint64_t state;        // the generator's state
};

Chooser BytesChooser(const uint8_t* data, size_t size);
Chooser SeededChooser(uint64_t seed);

// A number from 0 to n - 1 (0 once the fuzzer's bytes run out).
uint32_t Choose(Chooser& chooser, uint32_t n);

// Fills all 200 slots (unused ones zero) and returns how many entries it
// made: every slot before that count holds an entry, some with x = 0.
int RandomTable(Chooser& chooser, EntryRecord table[EntryTableSlots]);

// Prints a table's entries, for a failure's report.
void PrintTable(const EntryRecord* table, int entries);

#endif

// Entries as stored: the table of the open form's entries (160-byte
// records, record_layout.h) and the entry file beside the form.
#ifndef SCRIVELANDER_ENTRY_RECORD_H
#define SCRIVELANDER_ENTRY_RECORD_H

#include <windows.h>
#include <stdint.h>

#include "base/program_state.h"
#include "entries/record_layout.h"
#include "entries/entries_globals.h"

// What a read of an entry file gives instead of a number of records: there
// is none, or it can't be read (another program holds it open without
// sharing it, or memory is short). Reading needs only read access.
const int NoEntryFile = -1, EntryFileUnreadable = -2;

// Empties the table and reads the entry file into it: the first 200 records
// (records after them stay in the file but not in the table). Returns the
// number read, or NoEntryFile or EntryFileUnreadable (the table stays
// empty). The table follows the file: it is read again after every change.
int ReadEntryFile();

// Reads the entry file at `path` into a table of the caller's own, as
// ReadEntryFile reads the open form's.
int ReadEntriesOf(const char* path, EntryRecord table[EntryTableSlots]);

// The 160 bytes of a slot exactly as they were read from the entry file, so
// a change can check that the file still holds that record at that place.
void StoredRecordBytes(int slot, uint8_t bytes[EntryRecordSize]);

#endif

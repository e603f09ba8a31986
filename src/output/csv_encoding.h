// What a table's bytes are: UTF-8, UTF-16 in either byte order, or the
// program's code page; and UTF-8 taken apart into UTF-16 for Windows'
// conversion. No Windows call: the fuzzer runs it too.
#ifndef SCRIVELANDER_CSV_ENCODING_H
#define SCRIVELANDER_CSV_ENCODING_H

#include <stddef.h>
#include <string>

// How a table's values are to be read: from UTF-8 ("UTF-8"), from UTF-16
// ("UTF-16", turned into UTF-8 in `recoded`, which `bytes` then points
// into), or as they are (NULL: the code page). A byte-order mark is passed
// over. Without a mark, UTF-16 is known by the zero bytes beside its ASCII
// characters, and a table is UTF-8 when it holds UTF-8 beyond ASCII; bytes
// that aren't UTF-8 beside it are then refused where they are, rather than
// the whole table read as the code page and printed garbled. Where the code
// page is UTF-8 itself, bytes that aren't UTF-8 are always refused.
const char* CsvEncodingOf(const char** bytes, size_t* size, bool codePageIsUtf8, std::string* recoded);

// UTF-8 as UTF-16, appended to `out`; false when some bytes aren't UTF-8
// (a stray or missing continuation byte, an overlong form, a surrogate, or
// past U+10FFFF).
bool Utf8AsUtf16(const char* text, size_t length, std::u16string* out);

#endif

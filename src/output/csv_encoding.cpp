#include "output/csv_encoding.h"

#include <algorithm>
#include <stdint.h>
#include <string.h>

#include "base/text_chars.h"

// The length (1 to 4) of the UTF-8 sequence at p, with its character; 0
// when the bytes there aren't UTF-8 (a stray or missing continuation byte,
// an overlong form, a surrogate, or past U+10FFFF).
static size_t Utf8At(const unsigned char* p, size_t left, uint32_t* code)
{
    unsigned char lead = p[0];
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || left < length)
        return 0;
    unsigned char low = 0x80, high = 0xBF;   // the second byte's range
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (p[1] < low || p[1] > high)
        return 0;
    uint32_t c = lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; k++) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[k] & 0x3F);
    }
    *code = c;
    return length;
}

// What the bytes of a table without a byte-order mark say of UTF-8: whether
// some character is UTF-8 beyond ASCII, and whether some bytes aren't UTF-8.
static void ScanUtf8(const char* bytes, size_t size, bool* someUtf8, bool* someNot)
{
    *someUtf8 = *someNot = false;
    const unsigned char* p = (const unsigned char*)bytes;
    for (size_t i = 0; i < size && !(*someUtf8 && *someNot);) {
        uint32_t code;
        size_t length = p[i] < 0x80 ? 1 : Utf8At(p + i, size - i, &code);
        if (length > 1)
            *someUtf8 = true;
        else if (length == 0)
            *someNot = true;
        i += length ? length : 1;
    }
}

// Whether bytes without a byte-order mark are UTF-16: ASCII characters saved
// so have a zero byte beside each, after it (little-endian) or before it.
static bool LooksUtf16(const char* bytes, size_t size, bool* bigEndian)
{
    size_t units = std::min(size / 2, (size_t)256), little = 0, big = 0;
    for (size_t k = 0; k < units; k++) {
        bool first = bytes[2 * k] != 0, second = bytes[2 * k + 1] != 0;
        little += first && !second;
        big += !first && second;
    }
    *bigEndian = big > little;
    return units > 0 && std::max(little, big) * 4 >= units * 3;
}

// UTF-16 as UTF-8, so one reader serves both. What isn't UTF-16 (a lone
// surrogate, an odd last byte) becomes the byte 0xFF, which UTF-8 never
// holds, so the value that holds it is refused by name.
static void Utf16AsUtf8(const char* bytes, size_t size, bool bigEndian, std::string* out)
{
    const unsigned char* p = (const unsigned char*)bytes;
    size_t units = size / 2;
    out->reserve(units * 3 + 1);
    auto unit = [&](size_t k) -> uint32_t { return Utf16Unit(p + 2 * k, bigEndian); };
    for (size_t k = 0; k < units; k++) {
        uint32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDFFF) {
            uint32_t next = k + 1 < units ? unit(k + 1) : 0;
            if (c >= 0xDC00 || next < 0xDC00 || next > 0xDFFF) {
                *out += '\xFF';
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            k++;
        }
        if (c < 0x80) {
            *out += (char)c;
        } else if (c < 0x800) {
            *out += (char)(0xC0 | c >> 6);
            *out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out += (char)(0xE0 | c >> 12);
            *out += (char)(0x80 | (c >> 6 & 0x3F));
            *out += (char)(0x80 | (c & 0x3F));
        } else {
            *out += (char)(0xF0 | c >> 18);
            *out += (char)(0x80 | (c >> 12 & 0x3F));
            *out += (char)(0x80 | (c >> 6 & 0x3F));
            *out += (char)(0x80 | (c & 0x3F));
        }
    }
    if (size % 2)
        *out += '\xFF';
}

const char* CsvEncodingOf(const char** bytes, size_t* size, bool codePageIsUtf8, std::string* recoded)
{
    bool bigEndian = false;
    bool marked = Utf16Marked((const unsigned char*)*bytes, *size, &bigEndian);
    if (marked || LooksUtf16(*bytes, *size, &bigEndian)) {
        size_t mark = marked ? 2 : 0;
        Utf16AsUtf8(*bytes + mark, *size - mark, bigEndian, recoded);
        *bytes = recoded->data();
        *size = recoded->size();
        return "UTF-16";
    }
    if (*size >= 3 && memcmp(*bytes, "\xEF\xBB\xBF", 3) == 0) {
        *bytes += 3;
        *size -= 3;
        return "UTF-8";
    }
    bool someUtf8, someNot;
    ScanUtf8(*bytes, *size, &someUtf8, &someNot);
    return someUtf8 || (someNot && codePageIsUtf8) ? "UTF-8" : NULL;
}

bool Utf8AsUtf16(const char* text, size_t length, std::u16string* out)
{
    const unsigned char* p = (const unsigned char*)text;
    for (size_t i = 0; i < length;) {
        uint32_t code;
        size_t step = Utf8At(p + i, length - i, &code);
        if (step == 0)
            return false;
        if (code >= 0x10000) {
            *out += (char16_t)(0xD800 + ((code - 0x10000) >> 10));
            *out += (char16_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            *out += (char16_t)code;
        }
        i += step;
    }
    return true;
}

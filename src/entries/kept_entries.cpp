#include "entries/kept_entries.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_text.h"
#include "entries/formula.h"
#include "view/bmp_format.h"
#include "view/form_image.h"

RowBytes RowBytesOf(int left, int right, int bitCount)
{
    RowBytes bytes = {};
    if (right <= left)
        return bytes;
    bytes.start = (uint32_t)((uint64_t)left * bitCount / 8);
    bytes.count = (uint32_t)(((uint64_t)right * bitCount + 7) / 8) - bytes.start;
    return bytes;
}

bool RectWithin(const RECT& inner, const RECT& outer)
{
    return IsRectEmpty(&inner) || (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                              inner.bottom <= outer.bottom);
}

RECT ClippedTo(const RECT& r, int width, int height)
{
    RECT picture = { 0, 0, width, height }, c;
    IntersectRect(&c, &r, &picture);   // all 0 when they don't meet
    return c;
}

// Everything that decides the pixels an entry's text gives over given
// pixels. Compared byte for byte, so it is filled from zero.
struct KeptEntryKey {
    LOGFONTA font;
    COLORREF colour;
    int32_t x, y, width;
    uint32_t value;
    uint8_t rightJustified;
    char text[EntryTextSize];
};

// A row of the pixels under a kept entry as they were before it was drawn:
// one value over the whole row (a unit, the pixel or for fewer than 8 bits
// a byte), as under most entries, which sit on the form's blank paper; or
// the row's bytes.
struct KeptRow {
    uint32_t value;
    int32_t stored;       // where the row's bytes are kept; -1 when it is one value
};

struct KeptEntry {
    KeptEntryKey key;
    uint32_t hash;
    RECT rect;            // the pixels the text touched, inside the picture
    RowBytes bytes;       // the bytes of each row that hold them
    int unit;             // bytes of one pixel, 1 below 8 bits
    KeptRow* rows;        // before the drawing
    uint8_t* before;      // the bytes of the rows kept as bytes
    uint8_t* after;       // every row after the drawing
    size_t size;          // bytes of memory held
    bool used;            // drawn by the load under way
};

// Two loads' worth: the previous load's and the one under way.
const int KeptEntrySlots = 2 * EntryTableSlots;
// More than 200 entries of ordinary size need; beyond it entries are drawn.
const size_t KeptBytesLimit = (size_t)16 << 20;

static KeptEntry Kept[KeptEntrySlots];
static int KeptCount = 0;
static size_t KeptBytes = 0;
static int SearchFrom = 0;          // where the next entry is likely kept
static int PutBackCount = 0;        // entries of the load under way put back

// What the kept pixels were drawn over and with: the picture's headers and
// memory, and the system's text smoothing.
static uint8_t* KeptHeaders = nullptr;
static uint32_t KeptHeadersSize = 0;
static const void* KeptBits = nullptr;
static UINT KeptSmoothing[4];

static void Forget(KeptEntry& k)
{
    KeptBytes -= k.size;
    free(k.rows);
    free(k.before);
    free(k.after);
    k.rows = nullptr;
    k.before = k.after = nullptr;
    k.size = 0;
}

void ForgetKeptEntries()
{
    for (int i = 0; i < KeptCount; i++)
        Forget(Kept[i]);
    KeptCount = 0;
    KeptBytes = 0;
    free(KeptHeaders);
    KeptHeaders = nullptr;
    KeptHeadersSize = 0;
    KeptBits = nullptr;
}

static void ReadSmoothing(UINT smoothing[4])
{
    const UINT actions[4] = { SPI_GETFONTSMOOTHING, SPI_GETFONTSMOOTHINGTYPE, SPI_GETFONTSMOOTHINGCONTRAST,
                              SPI_GETFONTSMOOTHINGORIENTATION };
    for (int i = 0; i < 4; i++) {
        smoothing[i] = 0;
        SystemParametersInfoA(actions[i], 0, &smoothing[i], 0);
    }
}

void BeginKeptEntries()
{
    SearchFrom = 0;
    PutBackCount = 0;
    UINT smoothing[4];
    ReadSmoothing(smoothing);
    bool samePicture = KeptHeaders && KeptBits == FormImage.bits && KeptHeadersSize == FormImage.headerBlockSize &&
                       memcmp(KeptHeaders, FormImage.headerBlock, KeptHeadersSize) == 0 &&
                       memcmp(KeptSmoothing, smoothing, sizeof smoothing) == 0;
    if (!samePicture) {
        ForgetKeptEntries();
        if (!FormImage.bits || !FormImage.headerBlock)
            return;
        KeptHeaders = (uint8_t*)malloc(FormImage.headerBlockSize);
        if (KeptHeaders) {
            memcpy(KeptHeaders, FormImage.headerBlock, FormImage.headerBlockSize);
            KeptHeadersSize = FormImage.headerBlockSize;
            KeptBits = FormImage.bits;
            memcpy(KeptSmoothing, smoothing, sizeof smoothing);
        }
    }
    for (int i = 0; i < KeptCount; i++)
        Kept[i].used = false;
}

int EndKeptEntries()
{
    int count = 0;
    for (int i = 0; i < KeptCount; i++) {
        if (Kept[i].used)
            Kept[count++] = Kept[i];
        else
            Forget(Kept[i]);
    }
    KeptCount = count;
    int putBack = PutBackCount;
    PutBackCount = 0;
    return putBack;
}

static KeptEntryKey KeyOf(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value)
{
    KeptEntryKey key;
    memset(&key, 0, sizeof key);
    key.font = font;
    key.colour = colour;
    key.x = r.x;
    key.y = r.y;
    key.width = r.width;
    key.value = value;
    key.rightJustified = r.rightJustified;
    memcpy(key.text, r.text, strnlen(r.text, EntryTextSize - 1));
    return key;
}

static uint32_t HashOf(const KeptEntryKey& key)
{
    uint32_t hash = 2166136261u;
    const uint8_t* p = (const uint8_t*)&key;
    for (size_t i = 0; i < sizeof key; i++)
        hash = (hash ^ p[i]) * 16777619u;
    return hash;
}

// The stored bytes of image row y (0 at the top) from the byte `start`.
static uint8_t* ImageRow(int y, uint32_t start)
{
    uint32_t stride = (uint32_t)BmpRowStride((uint32_t)FormImage.width, FormImage.headerCopy.biBitCount);
    bool bottomUp = FormImage.headerCopy.biHeight > 0;
    return (uint8_t*)FormImage.bits + (size_t)(bottomUp ? FormImage.height - 1 - y : y) * stride + start;
}

static uint32_t UnitAt(const uint8_t* p, int unit)
{
    uint32_t value = p[0];
    for (int i = 1; i < unit; i++)
        value |= (uint32_t)p[i] << (8 * i);
    return value;
}

static uint32_t Word(const uint8_t* p)
{
    uint32_t w;
    memcpy(&w, p, 4);
    return w;
}

// Whether n bytes are the same, compared a word at a time (the C library's
// memcmp goes byte by byte).
static bool SameBytes(const uint8_t* a, const uint8_t* b, uint32_t n)
{
    uint32_t i = 0;
    for (; i + 16 <= n; i += 16)
        if ((Word(a + i) ^ Word(b + i)) | (Word(a + i + 4) ^ Word(b + i + 4)) |
            (Word(a + i + 8) ^ Word(b + i + 8)) | (Word(a + i + 12) ^ Word(b + i + 12)))
            return false;
    for (; i < n; i++)
        if (a[i] != b[i])
            return false;
    return true;
}

// Twelve bytes of one unit's value repeated, as three words: every row of
// 1-, 2-, 3- or 4-byte units repeats every 12 bytes.
struct Period {
    uint32_t words[3];
};

static Period PeriodOf(uint32_t value, int unit)
{
    switch (unit) {
    case 1: value = (value & 0xFF) * 0x01010101u; return Period{ { value, value, value } };
    case 2: value = (value & 0xFFFF) * 0x00010001u; return Period{ { value, value, value } };
    case 3:
        value &= 0xFFFFFF;
        return Period{ { value | (value << 24), (value >> 8) | (value << 16), (value >> 16) | (value << 8) } };
    }
    return Period{ { value, value, value } };
}

// Whether n bytes repeat the period.
static bool OneValue(const uint8_t* p, const Period& period, uint32_t n)
{
    uint32_t w0 = period.words[0], w1 = period.words[1], w2 = period.words[2];
    uint32_t i = 0;
    for (; i + 12 <= n; i += 12)
        if ((Word(p + i) ^ w0) | (Word(p + i + 4) ^ w1) | (Word(p + i + 8) ^ w2))
            return false;
    for (; i < n; i++)
        if (p[i] != (uint8_t)(period.words[(i % 12) / 4] >> (8 * (i % 4))))
            return false;
    return true;
}

// One read in each cache line of n bytes, to have them on their way.
static uint8_t Touch(const uint8_t* p, uint32_t n)
{
    uint8_t sum = p[n - 1];
    for (uint32_t i = 0; i < n; i += 64)
        sum += p[i];
    return sum;
}
static volatile uint8_t TouchSink;

// Puts a kept entry's pixels back if the picture holds, where its text
// goes, what it held when the entry was drawn.
static bool PutBack(const KeptEntry& k)
{
    GdiFlush();   // what GDI drew before lands in the pixels
    int rows = k.rect.bottom - k.rect.top;
    uint32_t count = k.bytes.count;
    // The rows lie far apart in memory: each row's cache lines are read a
    // few rows ahead of its comparison, so they arrive together rather than
    // one after another.
    const int Ahead = 6;
    uint8_t touched = 0;
    for (int j = 0; j < Ahead && j < rows; j++)
        touched += Touch(ImageRow(k.rect.top + j, k.bytes.start), count);
    for (int j = 0; j < rows; j++) {
        if (j + Ahead < rows)
            touched += Touch(ImageRow(k.rect.top + j + Ahead, k.bytes.start), count);
        const KeptRow& row = k.rows[j];
        const uint8_t* now = ImageRow(k.rect.top + j, k.bytes.start);
        if (row.stored >= 0 ? !SameBytes(now, k.before + row.stored, count)
                            : !OneValue(now, PeriodOf(row.value, k.unit), count))
            return false;
    }
    TouchSink = touched;
    for (int j = 0; j < rows; j++)
        memcpy(ImageRow(k.rect.top + j, k.bytes.start), k.after + (size_t)j * count, count);
    return true;
}

static KeptEntry* FindKept(const KeptEntryKey& key, uint32_t hash)
{
    for (int n = 0; n < KeptCount; n++) {
        int i = (SearchFrom + n) % KeptCount;
        KeptEntry& k = Kept[i];
        if (!k.used && k.hash == hash && memcmp(&k.key, &key, sizeof key) == 0 && PutBack(k)) {
            SearchFrom = i + 1;
            return &k;
        }
    }
    return nullptr;
}

static void CopyRows(const RECT& rect, RowBytes bytes, uint8_t* to)
{
    for (int y = rect.top; y < rect.bottom; y++, to += bytes.count)
        memcpy(to, ImageRow(y, bytes.start), bytes.count);
}


// The pixels that differ between two copies of the rows of `reach`.
static RECT ChangedWithin(const RECT& reach, RowBytes bytes, int bitCount, const uint8_t* before,
                          const uint8_t* after)
{
    RECT changed = {};
    for (int j = 0; j < reach.bottom - reach.top; j++) {
        const uint8_t* b = before + (size_t)j * bytes.count;
        const uint8_t* a = after + (size_t)j * bytes.count;
        uint32_t first = 0, last = bytes.count;
        while (first < last && a[first] == b[first])
            first++;
        if (first == last)
            continue;
        while (a[last - 1] == b[last - 1])
            last--;
        int left = (int)((uint64_t)(bytes.start + first) * 8 / bitCount);
        int right = (int)(((uint64_t)(bytes.start + last) * 8 + bitCount - 1) / bitCount);
        RECT row = { left, reach.top + j, right, reach.top + j + 1 };
        UnionRect(&changed, &changed, &row);
    }
    return changed;
}

// Keeps the rows of `rect` (within `reach`, whose rows before and after the
// drawing are given) as a kept entry; false when there is no memory.
static bool Keep(KeptEntry& k, const RECT& rect, const RECT& reach, RowBytes reachBytes, const uint8_t* before,
                 const uint8_t* after)
{
    int bitCount = FormImage.headerCopy.biBitCount;
    k.rect = rect;
    k.bytes = RowBytesOf(rect.left, rect.right, bitCount);
    k.unit = bitCount >= 8 ? bitCount / 8 : 1;
    k.rows = nullptr;
    k.before = k.after = nullptr;
    k.size = 0;
    int rows = rect.bottom - rect.top;
    uint32_t count = k.bytes.count;
    if (rows <= 0 || count == 0)
        return true;
    k.rows = (KeptRow*)malloc((size_t)rows * sizeof(KeptRow));
    k.after = (uint8_t*)malloc((size_t)rows * count);
    // Rows of one value keep no bytes; the others are gathered here first.
    uint8_t* gathered = (uint8_t*)malloc((size_t)rows * count);
    if (!k.rows || !k.after || !gathered) {
        free(gathered);
        Forget(k);
        return false;
    }
    uint32_t skip = k.bytes.start - reachBytes.start;
    size_t stored = 0;
    for (int j = 0; j < rows; j++) {
        size_t at = (size_t)(rect.top - reach.top + j) * reachBytes.count + skip;
        const uint8_t* b = before + at;
        memcpy(k.after + (size_t)j * count, after + at, count);
        uint32_t value = UnitAt(b, k.unit);
        bool one = count % (uint32_t)k.unit == 0 && OneValue(b, PeriodOf(value, k.unit), count);
        k.rows[j].value = value;
        k.rows[j].stored = one ? -1 : (int32_t)stored;
        if (!one) {
            memcpy(gathered + stored, b, count);
            stored += count;
        }
    }
    if (stored) {
        k.before = (uint8_t*)realloc(gathered, stored);
        if (!k.before) {
            free(gathered);
            Forget(k);
            return false;
        }
    } else {
        free(gathered);
    }
    k.size = (size_t)rows * (sizeof(KeptRow) + count) + stored;
    return true;
}

// The rows of the picture under an entry's reach before its text is
// drawn, when there is room to keep them, with room for the same rows
// after it.
struct RowsUnderEntry {
    bool room;
    RECT reach;
    RowBytes bytes;
    size_t size;          // of the rows once
    uint8_t* before;      // 2 x size bytes: before, then after
};

static void CopyRowsBeforeText(const RECT& reach, void* context)
{
    RowsUnderEntry& rows = *(RowsUnderEntry*)context;
    rows.reach = ClippedTo(reach, FormImage.width, FormImage.height);
    rows.bytes = RowBytesOf(rows.reach.left, rows.reach.right, FormImage.headerCopy.biBitCount);
    rows.size = (size_t)rows.bytes.count * (size_t)(rows.reach.bottom - rows.reach.top);
    rows.room = KeptHeaders && KeptCount < KeptEntrySlots && KeptBytes + 4 * rows.size <= KeptBytesLimit;
    rows.before = rows.room && rows.size ? (uint8_t*)malloc(2 * rows.size) : nullptr;
    if (rows.before) {
        GdiFlush();   // what GDI drew before lands in the pixels
        CopyRows(rows.reach, rows.bytes, rows.before);
    }
}

// Draws the entry and keeps the pixels it touched, when they lie where its
// text can reach and there is room for them.
static void DrawAndKeep(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value,
                        const KeptEntryKey& key, uint32_t hash)
{
    RowsUnderEntry rows = {};
    RECT bounds;
    DrawEntryValue(FormImage.hdcMem, r, font, colour, value, &bounds, CopyRowsBeforeText, &rows);
    if (!rows.room || (rows.size && !rows.before)) {
        free(rows.before);
        return;
    }
    // What the text touched: what the platform saw drawn, and every pixel
    // it changed.
    RECT touched = ClippedTo(bounds, FormImage.width, FormImage.height);
    const RECT& reach = rows.reach;
    uint8_t* before = rows.before;
    uint8_t* after = before + rows.size;
    if (rows.size) {
        GdiFlush();
        CopyRows(reach, rows.bytes, after);
        RECT changed = ChangedWithin(reach, rows.bytes, FormImage.headerCopy.biBitCount, before, after);
        UnionRect(&touched, &touched, &changed);
    }
    KeptEntry& k = Kept[KeptCount];
    if (RectWithin(touched, reach) && Keep(k, touched, reach, rows.bytes, before, after)) {
        k.key = key;
        k.hash = hash;
        k.used = true;
        KeptBytes += k.size;
        KeptCount++;
    }
    free(before);
}

uint32_t DrawKeptEntry(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, const EntryRecord* table)
{
    uint32_t value = EntryValue(r, table);
    if (!FormImage.bits) {
        DrawEntryValue(FormImage.hdcMem, r, font, colour, value, nullptr);
        return value;
    }
    KeptEntryKey key = KeyOf(r, font, colour, value);
    uint32_t hash = HashOf(key);
    KeptEntry* k = FindKept(key, hash);
    if (k) {
        k->used = true;
        PutBackCount++;
        return value;
    }
    DrawAndKeep(r, font, colour, value, key, hash);
    return value;
}

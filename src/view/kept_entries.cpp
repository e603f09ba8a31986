#include "view/kept_entries.h"

#include <stdlib.h>
#include <string.h>

#include "view/bmp_format.h"
#include "view/form_image.h"
#include "view/view_globals.h"

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
const int KeptEntrySlots = 2 * KeptLoadEntries;
// More than 200 entries of ordinary size need; beyond it entries are drawn.
const size_t KeptBytesLimit = (size_t)16 << 20;

static KeptEntry gKept[KeptEntrySlots];
static int gKeptCount = 0;
static size_t gKeptBytes = 0;
static int gSearchFrom = 0;          // where the next entry is likely kept
static int gPutBackCount = 0;        // entries of the load under way put back

// What the kept pixels were drawn over and with: the picture's headers and
// memory, and the system's text smoothing.
static uint8_t* gKeptHeaders = nullptr;
static uint32_t gKeptHeadersSize = 0;
static const void* gKeptBits = nullptr;
static UINT gKeptSmoothing[4];

static void Forget(KeptEntry& k)
{
    gKeptBytes -= k.size;
    free(k.rows);
    free(k.before);
    free(k.after);
    k.rows = nullptr;
    k.before = k.after = nullptr;
    k.size = 0;
}

void ForgetKeptEntries()
{
    for (int i = 0; i < gKeptCount; i++)
        Forget(gKept[i]);
    gKeptCount = 0;
    gKeptBytes = 0;
    free(gKeptHeaders);
    gKeptHeaders = nullptr;
    gKeptHeadersSize = 0;
    gKeptBits = nullptr;
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
    gSearchFrom = 0;
    gPutBackCount = 0;
    UINT smoothing[4];
    ReadSmoothing(smoothing);
    bool samePicture = gKeptHeaders && gKeptBits == gFormImage.bits && gKeptHeadersSize == gFormImage.headerBlockSize &&
                       memcmp(gKeptHeaders, gFormImage.headerBlock, gKeptHeadersSize) == 0 &&
                       memcmp(gKeptSmoothing, smoothing, sizeof smoothing) == 0;
    if (!samePicture) {
        ForgetKeptEntries();
        if (!gFormImage.bits || !gFormImage.headerBlock)
            return;
        gKeptHeaders = (uint8_t*)malloc(gFormImage.headerBlockSize);
        if (gKeptHeaders) {
            memcpy(gKeptHeaders, gFormImage.headerBlock, gFormImage.headerBlockSize);
            gKeptHeadersSize = gFormImage.headerBlockSize;
            gKeptBits = gFormImage.bits;
            memcpy(gKeptSmoothing, smoothing, sizeof smoothing);
        }
    }
    for (int i = 0; i < gKeptCount; i++)
        gKept[i].used = false;
}

int EndKeptEntries()
{
    int count = 0;
    for (int i = 0; i < gKeptCount; i++) {
        if (gKept[i].used)
            gKept[count++] = gKept[i];
        else
            Forget(gKept[i]);
    }
    gKeptCount = count;
    int putBack = gPutBackCount;
    gPutBackCount = 0;
    return putBack;
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
    uint32_t stride = (uint32_t)BmpRowStride((uint32_t)gFormImage.width, gFormImage.headerCopy.biBitCount);
    bool bottomUp = gFormImage.headerCopy.biHeight > 0;
    return (uint8_t*)gFormImage.bits + (size_t)(bottomUp ? gFormImage.height - 1 - y : y) * stride + start;
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
static volatile uint8_t gTouchSink;

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
    gTouchSink = touched;
    for (int j = 0; j < rows; j++)
        memcpy(ImageRow(k.rect.top + j, k.bytes.start), k.after + (size_t)j * count, count);
    return true;
}

static KeptEntry* FindKept(const KeptEntryKey& key, uint32_t hash)
{
    for (int n = 0; n < gKeptCount; n++) {
        int i = (gSearchFrom + n) % gKeptCount;
        KeptEntry& k = gKept[i];
        if (!k.used && k.hash == hash && memcmp(&k.key, &key, sizeof key) == 0 && PutBack(k)) {
            gSearchFrom = i + 1;
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
    int bitCount = gFormImage.headerCopy.biBitCount;
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

void KeepRowsBeforeText(const RECT& reach, void* context)
{
    RowsUnderEntry& rows = *(RowsUnderEntry*)context;
    rows.reach = ClippedTo(reach, gFormImage.width, gFormImage.height);
    rows.bytes = RowBytesOf(rows.reach.left, rows.reach.right, gFormImage.headerCopy.biBitCount);
    rows.size = (size_t)rows.bytes.count * (size_t)(rows.reach.bottom - rows.reach.top);
    rows.room = gKeptHeaders && gKeptCount < KeptEntrySlots && gKeptBytes + 4 * rows.size <= KeptBytesLimit;
    rows.before = rows.room && rows.size ? (uint8_t*)malloc(2 * rows.size) : nullptr;
    if (rows.before) {
        GdiFlush();   // what GDI drew before lands in the pixels
        CopyRows(rows.reach, rows.bytes, rows.before);
    }
}

void KeepDrawnEntry(RowsUnderEntry& rows, const RECT& bounds, const KeptEntryKey& key)
{
    if (!rows.room || (rows.size && !rows.before)) {
        free(rows.before);
        return;
    }
    // What the text touched: what the platform saw drawn, and every pixel
    // it changed.
    RECT touched = ClippedTo(bounds, gFormImage.width, gFormImage.height);
    const RECT& reach = rows.reach;
    uint8_t* before = rows.before;
    uint8_t* after = before + rows.size;
    if (rows.size) {
        GdiFlush();
        CopyRows(reach, rows.bytes, after);
        RECT changed = ChangedWithin(reach, rows.bytes, gFormImage.headerCopy.biBitCount, before, after);
        UnionRect(&touched, &touched, &changed);
    }
    KeptEntry& k = gKept[gKeptCount];
    if (RectWithin(touched, reach) && Keep(k, touched, reach, rows.bytes, before, after)) {
        k.key = key;
        k.hash = HashOf(key);
        k.used = true;
        gKeptBytes += k.size;
        gKeptCount++;
    }
    free(before);
}

bool PutBackKeptEntry(const KeptEntryKey& key)
{
    if (!gFormImage.bits)
        return false;
    KeptEntry* k = FindKept(key, HashOf(key));
    if (!k)
        return false;
    k->used = true;
    gPutBackCount++;
    return true;
}

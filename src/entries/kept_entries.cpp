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

static bool IsEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

bool RectWithin(const RECT& inner, const RECT& outer)
{
    return IsEmpty(inner) || (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                              inner.bottom <= outer.bottom);
}

RECT ClippedTo(const RECT& r, int width, int height)
{
    RECT c = { r.left < 0 ? 0 : r.left, r.top < 0 ? 0 : r.top, r.right > width ? width : r.right,
               r.bottom > height ? height : r.bottom };
    if (IsEmpty(c))
        c = RECT{};
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

struct KeptEntry {
    KeptEntryKey key;
    uint32_t hash;
    RECT rect;            // the pixels the text touched, inside the picture
    RowBytes bytes;       // the bytes of each row that hold them
    uint8_t* pixels;      // those rows before the drawing, then after it
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
    KeptBytes -= 2 * (size_t)k.bytes.count * (size_t)(k.rect.bottom - k.rect.top);
    free(k.pixels);
    k.pixels = nullptr;
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

// Puts a kept entry's pixels back if the picture holds, where its text
// goes, what it held when the entry was drawn.
static bool PutBack(const KeptEntry& k)
{
    GdiFlush();   // what GDI drew before lands in the pixels
    int rows = k.rect.bottom - k.rect.top;
    const uint8_t* before = k.pixels;
    const uint8_t* after = k.pixels + (size_t)rows * k.bytes.count;
    for (int j = 0; j < rows; j++)
        if (memcmp(ImageRow(k.rect.top + j, k.bytes.start), before + (size_t)j * k.bytes.count, k.bytes.count) != 0)
            return false;
    for (int j = 0; j < rows; j++)
        memcpy(ImageRow(k.rect.top + j, k.bytes.start), after + (size_t)j * k.bytes.count, k.bytes.count);
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

// Draws the entry and keeps the pixels it touched, when they lie where its
// text can reach and there is room for them.
static void DrawAndKeep(const EntryRecord& r, const LOGFONTA& font, COLORREF colour, uint32_t value,
                        const KeptEntryKey& key, uint32_t hash)
{
    int bitCount = FormImage.headerCopy.biBitCount;
    RECT reach = ClippedTo(EntryReach(FormImage.hdcMem, r, font, value), FormImage.width, FormImage.height);
    RowBytes reachBytes = RowBytesOf(reach.left, reach.right, bitCount);
    size_t reachSize = (size_t)reachBytes.count * (size_t)(reach.bottom - reach.top);
    bool room = KeptHeaders && KeptCount < KeptEntrySlots && KeptBytes + 3 * reachSize <= KeptBytesLimit;
    uint8_t* before = room && reachSize ? (uint8_t*)malloc(reachSize) : nullptr;
    if (before) {
        GdiFlush();   // what GDI drew before lands in the pixels
        CopyRows(reach, reachBytes, before);
    }
    RECT touched;
    DrawEntryValue(FormImage.hdcMem, r, font, colour, value, &touched);
    touched = ClippedTo(touched, FormImage.width, FormImage.height);
    if (!room || (reachSize && !before) || !RectWithin(touched, reach)) {
        free(before);
        return;
    }
    KeptEntry& k = Kept[KeptCount];
    k.key = key;
    k.hash = hash;
    k.rect = touched;
    k.bytes = RowBytesOf(touched.left, touched.right, bitCount);
    k.pixels = nullptr;
    k.used = true;
    int rows = touched.bottom - touched.top;
    size_t size = (size_t)k.bytes.count * (size_t)rows;
    if (size) {
        k.pixels = (uint8_t*)malloc(2 * size);
        if (!k.pixels) {
            free(before);
            return;
        }
        GdiFlush();
        uint32_t skip = k.bytes.start - reachBytes.start;
        for (int j = 0; j < rows; j++)
            memcpy(k.pixels + (size_t)j * k.bytes.count,
                   before + (size_t)(touched.top - reach.top + j) * reachBytes.count + skip, k.bytes.count);
        CopyRows(touched, k.bytes, k.pixels + size);
    }
    free(before);
    KeptBytes += 2 * size;
    KeptCount++;
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

#include "random_tables.h"

#include <stdio.h>
#include <string.h>
#include <string>

Chooser BytesChooser(const uint8_t* data, size_t size)
{
    Chooser c = { data, size, 0, 0 };
    return c;
}

Chooser SeededChooser(uint64_t seed)
{
    Chooser c = { NULL, 0, 0, seed };
    return c;
}

uint32_t Choose(Chooser& c, uint32_t n)
{
    if (n <= 1)
        return 0;
    uint32_t raw = 0;
    if (c.data) {
        // One byte for small choices, two for larger ones.
        int bytes = n <= 256 ? 1 : 2;
        for (int i = 0; i < bytes && c.at < c.size; i++)
            raw = (raw << 8) | c.data[c.at++];
    } else {
        // splitmix64
        uint64_t z = (c.state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        raw = (uint32_t)((z ^ (z >> 31)) >> 16);
    }
    return raw % n;
}

static const char* const Labels[] = {
    "", "1", "2", "3", "12", "a", "b", "x", "a+1", "1-", "+", " ", "1 ", "a*b", "2/", ",", "#", "1#", "10", "01",
};
const uint32_t LabelCount = sizeof Labels / sizeof Labels[0];

static const char* const Numbers[] = {
    "0", "1", "2", "3", "7", "10", "99", "100", "1,000", "1,5", "46340", "46341", "65535", "65536", "2147483647",
    "2147483648", "3000000000", "1294967294", "1294967295", "4294967294", "4294967295", "4294967296",
    "99999999999", "007", "5,,", "0,0",
};
const uint32_t NumberCount = sizeof Numbers / sizeof Numbers[0];

static const char Operators[] = "+-*/";
static const char Others[] = " .=,abc#";

static std::string Expression(Chooser& c, const EntryRecord* table, int made)
{
    std::string e;
    uint32_t tokens = Choose(c, 9);
    for (uint32_t t = 0; t < tokens; t++) {
        switch (Choose(c, 8)) {
        case 0: case 1:
            e += Numbers[Choose(c, NumberCount)];
            break;
        case 2: case 3: {
            // Mostly a label some entry has, followed at once by an operator
            // or the end, as a reference must be to match.
            e += '#';
            if (made > 0 && Choose(c, 4) != 0) {
                const char* text = table[Choose(c, (uint32_t)made)].text;
                const char* equals = strchr(text, '=');
                if (text[0] == '#')
                    e.append(text + 1, equals ? (size_t)(equals - text - 1) : strlen(text + 1));
            } else {
                e += Labels[Choose(c, LabelCount)];
            }
            break;
        }
        case 4: case 5: case 6:
            e += Operators[Choose(c, 4)];
            break;
        default:
            e += Others[Choose(c, sizeof Others - 1)];
            break;
        }
    }
    return e;
}

static void PutText(EntryRecord& r, const std::string& text)
{
    memset(r.text, 0, sizeof r.text);
    memcpy(r.text, text.data(), text.size() < EntryTextSize - 1 ? text.size() : EntryTextSize - 1);
}

// #1=1 and #k=#j+1 (j = k - 1) up to #last: near the limit of evaluations.
static int Chain(EntryRecord* table, int last)
{
    PutText(table[0], "#1=1");
    table[0].x = 1;
    for (int k = 2; k <= last && k <= EntryTableSlots; k++) {
        PutText(table[k - 1], "#" + std::to_string(k) + "=#" + std::to_string(k - 1) + "+1");
        table[k - 1].x = k;
    }
    return last < EntryTableSlots ? last : EntryTableSlots;
}

int RandomTable(Chooser& c, EntryRecord table[EntryTableSlots])
{
    memset(table, 0, sizeof(EntryRecord) * EntryTableSlots);
    uint32_t shape = Choose(c, 64);
    if (shape == 0)
        return Chain(table, 95 + (int)Choose(c, 10));
    int entries = shape == 1 ? EntryTableSlots : 1 + (int)Choose(c, 12);
    for (int slot = 0; slot < entries; slot++) {
        EntryRecord& r = table[slot];
        r.x = Choose(c, 25) == 0 ? 0 : 1 + slot;   // now and then a free slot
        std::string label = Labels[Choose(c, LabelCount)];
        switch (Choose(c, 10)) {
        case 0:
            PutText(r, "Total " + Expression(c, table, slot));
            break;
        case 1:
            PutText(r, "#" + label + Expression(c, table, slot));   // perhaps no '='
            break;
        case 2:
            PutText(r, "#" + label + "=");
            break;
        default:
            PutText(r, "#" + label + "=" + Expression(c, table, slot));
            break;
        }
    }
    return entries;
}

void PrintTable(const EntryRecord* table, int entries)
{
    for (int slot = 0; slot < entries; slot++)
        fprintf(stderr, "  slot %d, x %d: \"%s\"\n", slot, table[slot].x, table[slot].text);
}

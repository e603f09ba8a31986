#include "entries/formula.h"

#include <stdio.h>
#include <string.h>

int gEvaluationCount = 0;

namespace {

// The candidates a reference may name: formula entries up to the first free
// slot, grouped by the first character of their label so that a reference
// compares only the entries that can match it. Each group keeps slot order.
struct LabelIndex {
    const EntryRecord* table;
    int16_t first[256];             // first slot of each group, -1 when none
    int16_t next[EntryTableSlots];  // the following slot of the same group
};

void BuildLabelIndex(LabelIndex& index, const EntryRecord* table)
{
    index.table = table;
    int16_t last[256];
    for (int c = 0; c < 256; c++)
        index.first[c] = last[c] = -1;
    for (int slot = 0; slot < EntryTableSlots && table[slot].x != 0; slot++) {
        if (table[slot].text[0] != '#')
            continue;
        unsigned char c = (unsigned char)table[slot].text[1];
        index.next[slot] = -1;
        if (last[c] < 0)
            index.first[c] = (int16_t)slot;
        else
            index.next[last[c]] = (int16_t)slot;
        last[c] = (int16_t)slot;
    }
}

bool IsOperator(char c)
{
    return c == '+' || c == '-' || c == '*' || c == '/';
}

// Compares the reference's characters (after its '#') with a candidate's
// characters after its leading '#'. Returns the length of the reference on
// a match, -1 otherwise.
int MatchReference(const char* reference, const char* candidate)
{
    for (int k = 0;; k++) {
        char f = reference[k], c = candidate[k];
        if (f == 0)
            return c == '=' ? k : -1;
        if (f != c)
            return IsOperator(f) && c == '=' ? k : -1;
    }
}

// The first slot whose entry the reference names, or -1; `length` gets how
// many of the reference's characters it covers.
int FindReferencedSlot(const LabelIndex& index, const char* reference, int* length)
{
    unsigned char f = (unsigned char)reference[0];
    int found = -1;
    for (int slot = f ? index.first[f] : -1; slot >= 0; slot = index.next[slot]) {
        int n = MatchReference(reference, index.table[slot].text + 1);
        if (n >= 0) {
            found = slot;
            *length = n;
            break;
        }
    }
    // A candidate whose label is empty ("#=...") matches a reference that
    // ends or meets an operator at once.
    if (f == 0 || IsOperator((char)f)) {
        int slot = index.first[(unsigned char)'='];
        if (slot >= 0 && (found < 0 || slot < found)) {
            found = slot;
            *length = 0;
        }
    }
    return found;
}

struct Operand {
    bool pending;       // an operator waits for its right operand
    char op;
    uint32_t left;
};

// Applies operand r to the running value; false when the formula fails.
bool Apply(uint32_t& value, Operand& state, uint32_t r)
{
    if (!state.pending) {
        value = r;
        return true;
    }
    uint32_t a = state.left;
    uint32_t result = 0;
    switch (state.op) {
    case '+': {
        uint64_t sum = (uint64_t)a + r;
        if (sum >= FormulaError)
            return false;
        result = (uint32_t)sum;
        break;
    }
    case '-':
        if (r > a)
            return false;
        result = a - r;
        break;
    case '*': {
        int64_t product = (int64_t)(int32_t)a * (int32_t)r;
        if (product < INT32_MIN || product > INT32_MAX)
            return false;
        result = (uint32_t)(int32_t)product;
        break;
    }
    case '/':
        if (r == 0)
            return false;
        result = a / r;
        break;
    }
    if (result == FormulaError)
        return false;
    value = result;
    state.pending = false;
    return true;
}

uint32_t EvaluateText(const LabelIndex& index, const char* text)
{
    if (++gEvaluationCount > EvaluationLimit)
        return FormulaError;
    const char* equals = strchr(text, '=');
    if (!equals || !equals[1])
        return FormulaError;
    uint32_t value = FormulaError;
    Operand state = { false, 0, 0 };
    const char* p = equals + 1;
    while (*p) {
        if (*p >= '0' && *p <= '9') {
            uint32_t number = 0;
            for (; (*p >= '0' && *p <= '9') || *p == ','; p++)
                if (*p != ',')
                    number = number * 10 + (uint32_t)(*p - '0');
            if (!Apply(value, state, number))
                return FormulaError;
        } else if (*p == '#') {
            int length = 0;
            int slot = FindReferencedSlot(index, p + 1, &length);
            if (slot < 0)
                return FormulaError;
            uint32_t referenced = EvaluateText(index, index.table[slot].text);
            if (referenced == FormulaError || !Apply(value, state, referenced))
                return FormulaError;
            p += 1 + length;
        } else if (IsOperator(*p)) {
            state.pending = true;
            state.op = *p;
            state.left = value;
            p++;
        } else {
            p++;
        }
    }
    return value;
}

}  // namespace

// The labels of the table being evaluated, made anew for each evaluation.
static LabelIndex gLabelIndex;

uint32_t EvaluateFormulaIn(const EntryRecord* table, const EntryRecord& record)
{
    gEvaluationCount = 0;
    BuildLabelIndex(gLabelIndex, table);
    return EvaluateText(gLabelIndex, record.text);
}

void FormulaValueText(uint32_t value, char text[12])
{
    snprintf(text, 12, "%ld", (long)(int32_t)value);
}

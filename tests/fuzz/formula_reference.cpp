#include "formula_reference.h"

// Each step below is one sentence of the rules, in their order, with no
// index, no early grouping and no shared helper: the evaluator in the
// program may be clever, this one may not.

namespace {

const uint32_t NoValue = 4294967295u;
const int MostEvaluations = 100;
const int Slots = 200;

struct Evaluation {
    const EntryRecord* table;
    int count;   // formula texts evaluated so far
};

bool IsOperatorCharacter(char c)
{
    return c == '+' || c == '-' || c == '*' || c == '/';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The referenced entry: the candidates are the entries from slot 0 up to
// the first free slot, in slot order, whose text begins with '#'. The
// reference's characters after its '#' are `name`; `covered` gets how many
// of them the reference takes. Returns the slot, or -1 when none matches.
int ReferencedSlot(const EntryRecord* table, const char* name, int* covered)
{
    for (int slot = 0; slot < Slots; slot++) {
        const EntryRecord& candidate = table[slot];
        if (candidate.x == 0)
            return -1;
        if (candidate.text[0] != '#')
            continue;
        const char* label = candidate.text + 1;
        for (int k = 0;; k++) {
            if (name[k] == '\0') {
                // The formula's text has ended here.
                if (label[k] == '=') {
                    *covered = k;
                    return slot;
                }
                break;
            }
            if (name[k] != label[k]) {
                if (IsOperatorCharacter(name[k]) && label[k] == '=') {
                    *covered = k;
                    return slot;
                }
                break;
            }
        }
    }
    return -1;
}

struct Running {
    uint32_t value;
    bool operatorPending;
    char pendingOperator;
    uint32_t leftOperand;
};

// Applies operand r; false when the whole formula has no value.
bool ApplyOperand(Running& run, uint32_t r)
{
    if (!run.operatorPending) {
        run.value = r;
        return true;
    }
    uint32_t left = run.leftOperand;
    uint32_t result;
    if (run.pendingOperator == '+') {
        uint64_t exact = (uint64_t)left + (uint64_t)r;
        if (exact >= 4294967295ull)
            return false;
        result = (uint32_t)exact;
    } else if (run.pendingOperator == '-') {
        if (r > left)
            return false;
        result = left - r;
    } else if (run.pendingOperator == '*') {
        int64_t exact = (int64_t)(int32_t)left * (int64_t)(int32_t)r;
        if (exact < -2147483648ll || exact > 2147483647ll)
            return false;
        result = (uint32_t)(int32_t)exact;
    } else {
        if (r == 0)
            return false;
        result = left / r;
    }
    if (result == NoValue)
        return false;
    run.value = result;
    run.operatorPending = false;
    return true;
}

uint32_t EvaluateText(Evaluation& evaluation, const char* text)
{
    evaluation.count += 1;
    if (evaluation.count > MostEvaluations)
        return NoValue;
    int equals = -1;
    for (int i = 0; text[i] != '\0'; i++) {
        if (text[i] == '=') {
            equals = i;
            break;
        }
    }
    if (equals < 0 || text[equals + 1] == '\0')
        return NoValue;
    Running run = { NoValue, false, 0, 0 };
    int i = equals + 1;
    while (text[i] != '\0') {
        char c = text[i];
        if (IsDigit(c)) {
            uint32_t number = 0;
            while (IsDigit(text[i]) || text[i] == ',') {
                if (IsDigit(text[i]))
                    number = number * 10u + (uint32_t)(text[i] - '0');
                i++;
            }
            if (!ApplyOperand(run, number))
                return NoValue;
        } else if (c == '#') {
            int covered = 0;
            int slot = ReferencedSlot(evaluation.table, text + i + 1, &covered);
            if (slot < 0)
                return NoValue;
            uint32_t referenced = EvaluateText(evaluation, evaluation.table[slot].text);
            if (referenced == NoValue)
                return NoValue;
            if (!ApplyOperand(run, referenced))
                return NoValue;
            i = i + 1 + covered;
        } else if (IsOperatorCharacter(c)) {
            run.operatorPending = true;
            run.pendingOperator = c;
            run.leftOperand = run.value;
            i++;
        } else {
            i++;
        }
    }
    return run.value;
}

}  // namespace

uint32_t ReferenceFormulaValue(const EntryRecord* table, const EntryRecord& record, int* evaluations)
{
    Evaluation evaluation = { table, 0 };
    uint32_t value = EvaluateText(evaluation, record.text);
    *evaluations = evaluation.count;
    return value;
}

#include "entries/entry_history.h"
#include "entries/entries_globals.h"

#include <string.h>

EntryHistory gEntryHistory = {};

static void FreeStep(HistoryStep& step)
{
    FreeEntryFileBytes(step.before);
    FreeEntryFileBytes(step.after);
}

static void DropOldest(EntryHistory& h)
{
    FreeStep(h.steps[0]);
    memmove(&h.steps[0], &h.steps[1], (h.count - 1) * sizeof h.steps[0]);
    h.steps[h.count - 1] = HistoryStep();
    h.count--;
    h.applied--;
}

uint32_t HistoryBytes(const EntryHistory& h)
{
    uint32_t total = 0;
    for (int i = 0; i < h.count; i++)
        total += h.steps[i].before.size + h.steps[i].after.size;
    return total;
}

static void KeepOpenStep(EntryHistory& h)
{
    h.pending = false;
    HistoryStep step = h.open;
    h.open = HistoryStep();
    if (SameEntryFileBytes(step.before, step.after)) {
        FreeStep(step);
        return;
    }
    // A new step ends the way back to the steps that were undone.
    while (h.count > h.applied)
        FreeStep(h.steps[--h.count]);
    if (h.count == HistoryLimit)
        DropOldest(h);
    h.steps[h.count++] = step;
    h.applied = h.count;
    h.made++;
    while (h.count > 1 && HistoryBytes(h) > HistoryByteLimit)
        DropOldest(h);
}

void KeepChange(EntryHistory& h, EntryFileBytes& before, EntryFileBytes& after)
{
    if (!h.pending) {
        h.open.before = before;
        h.pending = true;
    } else {
        FreeEntryFileBytes(before);   // the step began earlier
    }
    FreeEntryFileBytes(h.open.after);
    h.open.after = after;
    before = EntryFileBytes();
    after = EntryFileBytes();
    if (!h.grouping)
        KeepOpenStep(h);
}

void BeginGroup(EntryHistory& h)
{
    h.grouping = true;
}

void EndGroup(EntryHistory& h)
{
    h.grouping = false;
    if (h.pending)
        KeepOpenStep(h);
}

int StepToUndo(const EntryHistory& h)
{
    return h.applied > 0 ? h.applied - 1 : -1;
}

int StepToRedo(const EntryHistory& h)
{
    return h.applied < h.count ? h.applied : -1;
}

void StepUndone(EntryHistory& h)
{
    if (h.applied > 0)
        h.applied--;
}

void StepRedone(EntryHistory& h)
{
    if (h.applied < h.count)
        h.applied++;
}

void ForgetHistory(EntryHistory& h)
{
    for (int i = 0; i < h.count; i++)
        FreeStep(h.steps[i]);
    FreeStep(h.open);
    int made = h.made;
    h = EntryHistory();
    h.made = made;
}

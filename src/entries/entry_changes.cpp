#include "entries/entry_changes.h"

#include <string.h>

#include "entries/entry_draw.h"
#include "entries/entry_file.h"
#include "entries/entry_history.h"
#include "entries/formula.h"
#include "entries/kept_entries.h"
#include "view/form_image.h"
#include "view/view_state.h"

// Entries saved beside the form's entry file when Windows ended.
static void ReportRecoveredEntries()
{
    char recovery[PathBufferSize];
    if (!RecoveryPathOf(FormImage.entryFilePath, recovery) || GetFileAttributesA(recovery) == INVALID_FILE_ATTRIBUTES)
        return;
    char text[3 * PathBufferSize];
    wsprintfA(text, "When Windows ended, an entry of this form could not be put back into\n%s\n\n"
                    "It was saved in\n%s\n\nThat file holds entry records as the entry file does; "
                    "Scrivelander leaves it as it is.",
              FormImage.entryFilePath, recovery);
    ShowMessage(text, NULL, MB_OK);
}

bool OpenForm(const char* path)
{
    // The entries kept as pixels are for the form on screen; their memory
    // goes to the new picture.
    ForgetKeptEntries();
    if (!LoadFormWithEntries(path))
        return false;
    ForgetHistory(EntryHistory);
    ReportRecoveredEntries();
    return true;
}

static bool TakeOut(const char* path, int slot, const uint8_t* record)
{
    EntryFileChange change = { RemoveRecordChange, slot, record, NULL, NULL };
    EntryFileBytes before = {}, after = {};
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, &before, &after);
    if (outcome != ChangeMade) {
        // The table showed something the file no longer holds: show the file.
        if (outcome == RecordNotThere)
            ReloadForm();
        ReportChangeRefused(outcome, path);
        return false;
    }
    KeepChange(EntryHistory, before, after);
    ReloadForm();
    return true;
}

void DeleteEntry(int slot)
{
    uint8_t record[EntryRecordSize];
    StoredRecordBytes(slot, record);
    TakeOut(FormImage.entryFilePath, slot, record);
}

bool TakeOutEntry(const char* path, int slot, const uint8_t record[EntryRecordSize])
{
    BeginGroup(EntryHistory);
    if (TakeOut(path, slot, record))
        return true;
    EndGroup(EntryHistory);
    return false;
}

void EndEditStep()
{
    EndGroup(EntryHistory);
}

bool StoreEntry(const char* path, const uint8_t record[EntryRecordSize], const char* entryText)
{
    EntryFileChange change = { AppendRecordChange, 0, record, NULL, NULL };
    EntryFileBytes before = {}, after = {};
    if (ChangeEntryFile(path, change, &before, &after) != ChangeMade) {
        ReportStoreFailure(entryText, path);
        return false;
    }
    int index = (int)(after.size / EntryRecordSize) - 1;
    if (strcmp(path, FormImage.entryFilePath) != 0) {
        // Not the form on screen (it can't be, but its table and history
        // are not this file's either).
        FreeEntryFileBytes(before);
        FreeEntryFileBytes(after);
        return true;
    }
    KeepChange(EntryHistory, before, after);
    // The new record shows in the slot of its number. When the file held
    // what the table did, reading it again and drawing the one entry is
    // enough; a formula's value changes others, and anything else means the
    // whole form is loaded again.
    bool inStep = index == EntryCount && index < EntryTableSlots && ReadEntryFile() == index + 1;
    if (inStep && EntryValue(EntryTable[index], EntryTable) == FormulaError)
        DrawEntry(index);
    else
        ReloadForm();
    if (index >= EntryTableSlots)
        ShowEntryFileProblem("This form holds more than 200 entries. The entry is stored in its file,\n"
                             "but only the first 200 entries are shown.");
    return true;
}

void SaveEntryAtSessionEnd(const char* path, const uint8_t record[EntryRecordSize])
{
    EntryFileChange change = { AppendRecordChange, 0, record, NULL, NULL };
    if (ChangeEntryFile(path, change, NULL, NULL) != ChangeMade)
        AppendToRecoveryFile(path, record);
}

static void ReportHistoryRefused(bool undo, const char* path)
{
    char text[PathBufferSize + 200];
    wsprintfA(text, "The change can't be %s, because another program has changed\n%s\nsince. Nothing was written.",
              undo ? "undone" : "redone", path);
    ShowEntryFileProblem(text);
}

// Gives the entry file the content on the other side of a step, if it still
// holds the content on this side.
static void ApplyStep(bool undo)
{
    int i = undo ? StepToUndo(EntryHistory) : StepToRedo(EntryHistory);
    if (i < 0)
        return;
    const HistoryStep& step = EntryHistory.steps[i];
    EntryFileChange change = { RestoreChange, 0, NULL, undo ? &step.after : &step.before,
                               undo ? &step.before : &step.after };
    const char* path = FormImage.entryFilePath;
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, NULL, NULL);
    if (outcome == ChangedElsewhere) {
        ReloadForm();
        ReportHistoryRefused(undo, path);
        return;
    }
    if (outcome != ChangeMade) {
        ReportChangeRefused(outcome, path);
        return;
    }
    if (undo)
        StepUndone(EntryHistory);
    else
        StepRedone(EntryHistory);
    ReloadForm();
}

void UndoEntryChange()
{
    ApplyStep(true);
}

void RedoEntryChange()
{
    ApplyStep(false);
}

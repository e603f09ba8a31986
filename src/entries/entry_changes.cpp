#include "entries/entry_changes.h"

#include <stdio.h>

#include "base/form_pages.h"
#include "entries/entry_draw.h"
#include "entries/entry_file.h"
#include "entries/entry_history.h"
#include "entries/formula.h"
#include "view/kept_entries.h"
#include "view/form_image.h"
#include "view/view_state.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

// Whether the user was told that the picture on screen has lost its file.
static bool gPictureLossTold = false;

// Recovery files that stayed after they were offered in this run (their
// entries put back, but the file can't be removed; or it can't be read):
// each is offered once a run, not at every open of its form.
static const int RememberedRecoveryFiles = 8;
static char gRecoveryFilesOffered[RememberedRecoveryFiles][PathBufferSize];
static int gNextRecoveryFileOffered = 0;

static bool OfferedBefore(const char* recovery)
{
    for (const char* offered : gRecoveryFilesOffered)
        if (offered[0] && SamePath(offered, recovery))
            return true;
    return false;
}

static void RememberOffered(const char* recovery)
{
    lstrcpynA(gRecoveryFilesOffered[gNextRecoveryFileOffered], recovery, PathBufferSize);
    gNextRecoveryFileOffered = (gNextRecoveryFileOffered + 1) % RememberedRecoveryFiles;
}

// The texts of the first recovered records, one a line, for the offer.
static void RecoveredTexts(const EntryFileBytes& recovered, char* out, size_t room)
{
    const uint32_t shown = 5;
    uint32_t count = recovered.size / EntryRecordSize;
    size_t used = 0;
    out[0] = 0;
    for (uint32_t i = 0; i < count && i < shown && used < room; i++) {
        EntryRecord r = DecodeEntryRecord(recovered.data + i * EntryRecordSize);
        r.text[EntryTextSize - 1] = 0;
        used += (size_t)snprintf(out + used, room - used, "    \"%s\"\n", r.text);
    }
    if (count > shown && used < room)
        snprintf(out + used, room - used, "    and %u more\n", (unsigned)(count - shown));
}

// Why the recovery file can't be written or removed, from the error of
// the call that just failed.
static const char* RecoveryProblemNow(const char* recovery)
{
    DWORD error = GetLastError();
    return RecoveryCopyReason(RecoveryCopyProblemOf(GetFileAttributesA(recovery), error));
}

// Puts the recovered records into the form's entry file as one step that
// undo takes back, and lets the recovery file go. One that can't go is
// said, and not offered again in this run.
static void PutBackRecovered(const EntryFileBytes& recovered, const char* recovery)
{
    const char* path = gFormImage.entryFilePath;
    EntryFileChange change = { RecoverChange, 0, NULL, NULL, &recovered };
    EntryFileBytes before = {}, after = {};
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, &before, &after);
    if (outcome != ChangeMade) {
        ReportChangeRefused(outcome, path);
        return;
    }
    bool removed = DeleteFileA(recovery) != 0;
    const char* reason = removed ? "" : RecoveryProblemNow(recovery);
    KeepChange(gEntryHistory, before, after);
    ReloadForm();
    if (removed)
        return;
    RememberOffered(recovery);
    char text[PathBufferSize + 400];
    snprintf(text, sizeof text, "The entries are back in the form, but the file they were kept in,\n%s\ncan't be "
             "removed: %s\n\nIt is not offered again while Scrivelander runs.", recovery, reason);
    ShowMessage(text, NULL, MB_OK);
}

// A recovery file with nothing that can be put back: it can't be read, or
// none of its records can be an entry. Said once a run; the file stays.
static void ReportRecoveryUnusable(const char* recovery, EntryChangeOutcome read, uint32_t passedOver)
{
    char why[300];
    if (read == FileInUse)
        snprintf(why, sizeof why, "it can't be read: %s", RecoveryProblemNow(recovery));
    else if (read != ChangeMade)
        snprintf(why, sizeof why, "it can't be read: %s", RefusalReason(read));
    else if (passedOver > 0)
        snprintf(why, sizeof why, "none of its %u records can be an entry: it is damaged, or not Scrivelander's.",
                 (unsigned)passedOver);
    else
        snprintf(why, sizeof why, "it holds no entries.");
    char text[PathBufferSize + sizeof why + 200];
    snprintf(text, sizeof text, "Entries of this form were kept in\n%s\nwhen Scrivelander or Windows ended during "
             "an edit, but %s\n\nScrivelander leaves that file as it is.", recovery, why);
    ShowMessage(text, NULL, MB_OK);
    RememberOffered(recovery);
}

// Entries kept beside the form's entry file while they were out of it, when
// the program or Windows ended: the user is offered them back, by their
// texts; records that can't be entries are passed over, and counted. No
// leaves the recovery file as it is, to be offered again.
static void OfferRecoveredEntries()
{
    char recovery[PathBufferSize];
    if (!RecoveryPathOf(gFormImage.entryFilePath, recovery) ||
        GetFileAttributesA(recovery) == INVALID_FILE_ATTRIBUTES || OfferedBefore(recovery))
        return;
    EntryFileBytes recovered = {};
    uint32_t passedOver = 0;
    EntryChangeOutcome read = ReadRecoveryFile(gFormImage.entryFilePath, recovered, passedOver);
    if (read != ChangeMade || recovered.size < EntryRecordSize) {
        ReportRecoveryUnusable(recovery, read, passedOver);
        FreeEntryFileBytes(recovered);
        return;
    }
    char texts[6 * (EntryTextSize + 8) + 40];
    RecoveredTexts(recovered, texts, sizeof texts);
    char skipped[200] = "";
    if (passedOver > 0)
        snprintf(skipped, sizeof skipped, "%u other records in that file can't be entries (it is damaged) and are "
                 "passed over.\n", (unsigned)passedOver);
    char text[3 * PathBufferSize + sizeof texts + sizeof skipped + 400];
    snprintf(text, sizeof text, "When Scrivelander or Windows ended, entries of this form were out of\n%s\n"
             "being moved or edited. They were kept in\n%s\n\n%s%s\nPut them back into the form?\n\n"
             "No leaves them in that file; they are offered again at the next open.",
             gFormImage.entryFilePath, recovery, texts, skipped);
    if (ShowMessage(text, NULL, MB_YESNO) == IDYES)
        PutBackRecovered(recovered, recovery);
    FreeEntryFileBytes(recovered);
}

// An entry file of more than 200 records: the form shows and prints the
// first 200. Said once, when the form is opened.
static void ReportRecordsPastTheTable()
{
    WIN32_FILE_ATTRIBUTE_DATA facts;
    if (!GetFileAttributesExA(gFormImage.entryFilePath, GetFileExInfoStandard, &facts))
        return;
    uint64_t records = (((uint64_t)facts.nFileSizeHigh << 32) | facts.nFileSizeLow) / EntryRecordSize;
    if (records <= (uint64_t)EntryTableSlots)
        return;
    char text[PathBufferSize + 300];
    wsprintfA(text, "The entry file\n%s\nholds %lu entries, more than the 200 a form can show. Only the first 200 "
                    "are shown and printed; the others stay in the file as they are.",
              gFormImage.entryFilePath, (unsigned long)records);
    ShowMessage(text, NULL, MB_OK);
}

// A form whose entries would be written into its own picture (picture.dta
// is its own entry file) is not opened: the first entry would damage it.
static bool RefusedAsItsOwnEntryFile(const char* path)
{
    char entryPath[PathBufferSize], clash[PathBufferSize];
    EntryFilePathOf(path, entryPath);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || !EntryFileIsPicture(path, entryPath, clash))
        return false;
    char text[3 * PathBufferSize];
    wsprintfA(text, "The form\n%s\ncan't be opened: its entries would be written into\n%s\nwhich is the picture "
                    "itself.\n\nGive the picture a name that ends in .bmp and open it again.",
              path, clash);
    ShowMessage(text, NULL, MB_OK);
    return true;
}

bool OpenForm(const char* path)
{
    if (RefusedAsItsOwnEntryFile(path))
        return false;
    // The entries kept as pixels are for the form on screen; their memory
    // goes to the new picture.
    ForgetKeptEntries();
    if (!LoadFormWithEntries(path))
        return false;
    ForgetHistory(gEntryHistory);
    gPictureLossTold = false;
    OfferRecoveredEntries();
    ReportRecordsPastTheTable();
    return true;
}

static bool TakeOut(const char* path, const int* slots, const uint8_t* records, int count)
{
    EntryFileChange change = { RemoveRecordChange, slots[0], records, NULL, NULL, count, slots };
    EntryFileBytes before = {}, after = {};
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, &before, &after);
    if (outcome != ChangeMade) {
        // The table showed something the file no longer holds: show the file.
        if (outcome == RecordNotThere)
            ReloadForm();
        ReportChangeRefused(outcome, path);
        return false;
    }
    KeepChange(gEntryHistory, before, after);
    ReloadForm();
    return true;
}

void DeleteEntry(int slot)
{
    uint8_t record[EntryRecordSize];
    StoredRecordBytes(slot, record);
    TakeOut(gFormImage.entryFilePath, &slot, record, 1);
}

bool TakeOutEntries(const char* path, const int* slots, const uint8_t* records, int count, uint32_t* keptAt)
{
    RecoveryCopyProblem problem = RecoveryCopyKept;
    if (!AppendToRecoveryFile(path, records, keptAt, count, &problem)) {
        char text[2 * PathBufferSize + 400];
        wsprintfA(text, "The entry can't be moved or edited. While it is out of\n%s\na copy of it is kept beside "
                        "that file as %s.recovered, and that copy can't be written: %s",
                  path, FileNameOf(path), RecoveryCopyReason(problem));
        gShowEntryFileProblem(text);
        return false;
    }
    BeginGroup(gEntryHistory);
    if (TakeOut(path, slots, records, count))
        return true;
    EndGroup(gEntryHistory);
    TakeBackFromRecoveryFile(path, records, *keptAt, count);
    return false;
}

void EndEditStep()
{
    EndGroup(gEntryHistory);
}

// The picture on screen no longer has its file (deleted, moved or renamed
// while the form is open): the entries still go into its entry file, and
// the user is told so once.
static void ReportPictureWithoutFile()
{
    if (GetFileAttributesA(gFormImage.formPath) != INVALID_FILE_ATTRIBUTES) {
        gPictureLossTold = false;
        return;
    }
    if (gPictureLossTold)
        return;
    gPictureLossTold = true;
    char text[2 * PathBufferSize + 300];
    wsprintfA(text, "The picture of this form,\n%s\nno longer has its file: it was deleted, moved or renamed. "
                    "The entry is stored in\n%s\nbut the form can't be opened or printed again until the "
                    "picture is back.",
              gFormImage.formPath, gFormImage.entryFilePath);
    gShowEntryFileProblem(text);
}

bool StoreEntries(const char* path, const uint8_t* records, int count, const char* entryText)
{
    EntryFileChange change = { AppendRecordChange, 0, records, NULL, NULL, count };
    EntryFileBytes before = {}, after = {};
    EntryChangeOutcome outcome = ChangeEntryFile(path, change, &before, &after);
    if (outcome != ChangeMade) {
        ReportStoreFailure(entryText, path, outcome);
        return false;
    }
    int index = (int)(after.size / EntryRecordSize) - 1;
    KeepChange(gEntryHistory, before, after);
    // The new record shows in the slot of its number. When the file held
    // what the table did, reading it again and drawing the one entry is
    // enough; a formula's value changes others, and anything else (several
    // records among them) means the whole form is loaded again.
    bool inStep = count == 1 && index == gEntryCount && index < EntryTableSlots && ReadEntryFile() == index + 1;
    if (inStep && EntryValue(gEntryTable[index], gEntryTable) == FormulaError) {
        DrawEntry(index);
        ReportPictureWithoutFile();   // a reload would have found it out
    } else {
        ReloadForm();
    }
    if (index >= EntryTableSlots)
        gShowEntryFileProblem("This form holds more than 200 entries. The entry is stored in its file,\n"
                             "but only the first 200 entries are shown.");
    return true;
}

void SaveEntriesAtSessionEnd(const char* path, const uint8_t* records, int count, uint32_t keptAt)
{
    EntryFileChange change = { AppendRecordChange, 0, records, NULL, NULL, count };
    if (ChangeEntryFile(path, change, NULL, NULL) == ChangeMade)
        TakeBackFromRecoveryFile(path, records, keptAt, count);
}

static void ReportHistoryRefused(bool undo, const char* path)
{
    char text[PathBufferSize + 200];
    wsprintfA(text, "The change can't be %s, because another program has changed\n%s\nsince. Nothing was written.",
              undo ? "undone" : "redone", path);
    gShowEntryFileProblem(text);
}

// Gives the entry file the content on the other side of a step, if it still
// holds the content on this side.
static void ApplyStep(bool undo)
{
    int i = undo ? StepToUndo(gEntryHistory) : StepToRedo(gEntryHistory);
    if (i < 0)
        return;
    const HistoryStep& step = gEntryHistory.steps[i];
    EntryFileChange change = { RestoreChange, 0, NULL, undo ? &step.after : &step.before,
                               undo ? &step.before : &step.after };
    const char* path = gFormImage.entryFilePath;
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
        StepUndone(gEntryHistory);
    else
        StepRedone(gEntryHistory);
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

#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_changes.h"
#include "fields/field_seating.h"
#include "view/view_state.h"
#include "entries/entry_draw.h"
#include "entries/entry_file.h"
#include "entries/entry_history.h"
#include "entries/entry_hover.h"
#include "view/form_image.h"
#include "entries/entry_style.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

// The placement or edit under way.
struct EntryEdit {
    int pickedSlot = -1;        // the (first) picked entry's slot; -1: a new entry
    int pickedCount = 0;        // the picked records: one entry, or the cells of a comb
    int pickedSlots[EntryTableSlots] = {};
    EntryRecord pickedRecord = {};   // the first picked entry as it stood at the press
    uint8_t pickedBytes[EntryTableSlots][EntryRecordSize] = {};   // ...all of them as the entry file held them
    uint32_t keptAt = 0;                         // where their copy lies in the recovery file
    char entryFile[PathBufferSize] = {};         // the entry file the edit belongs to, from the release
    COLORREF pickedColour = 0;
    bool editLeftJustified = true;
    int anchorX = 0, anchorY = 0;    // window point of the release
    int pressX = 0, pressY = 0;      // window point of the press
    bool dragged = false;            // the pointer went past the drag distance since the press
    TEXTMETRICA markMetrics = {};    // of the view font at the press
    char typedText[EntryTextSize] = {};
    int typedLength = 0;
    SIZE typedExtent = {};           // of typedText in the view font
    bool keepInPlace = false;        // a picked entry goes back where it was
    bool committing = false;         // a commit is under way further up the stack
    WNDPROC boxProcedure = nullptr;
    // A right-button press has been seen since the last menu command and
    // since the box last took the focus; only then does a release open the box.
    bool rightButtonArmed = false;
    bool boxOpen = false;      // the box exists and has the keyboard focus
    HWND box = NULL;          // the hidden edit box while boxOpen
    EntryBoxKeys keys = {};
    // The found field the edit was opened in (by Tab, or a snapped
    // placement); its field is -1 when none. A new entry there is seated:
    // its own height, horizontal, and stored at the seat's image point.
    EntrySeat seat;
    LONG fittedHeight = 0;         // the seated entry's lfHeight; 0: the current font's
    bool seated = false;           // stored at the seat (a comb: a character to a cell)
    bool keepAnchor = false;       // a picked entry edited in place keeps its own x and y
};
static EntryEdit gEdit;

const int BoxTextLimit = 100;

bool EntryBoxOpen()
{
    return gEdit.boxOpen;
}

HWND EntryBoxWindow()
{
    return gEdit.box;
}

void DisarmRightButton()
{
    gEdit.rightButtonArmed = false;
}

void SetEntryBoxKeys(EntryBoxKeys keys)
{
    gEdit.keys = keys;
}

int EditedField()
{
    return gEdit.boxOpen ? gEdit.seat.field : -1;
}

bool NewEntryRelease()
{
    return !gEdit.boxOpen && gFormImage.imageLoaded && gEdit.rightButtonArmed && gEdit.pickedSlot < 0;
}

// ---- drawing on the window ----

static bool PickedVertical()
{
    if (gEdit.pickedSlot >= 0)
        return gEdit.pickedRecord.vertical != 0;
    return !gEdit.seated && gEntryModes.verticalText == 1;   // fields open horizontally
}

// The font of the entry being typed: the current one, at its fitted height
// when it is seated in a field.
static LOGFONTA EditFont()
{
    LOGFONTA font = gCurrentFont;
    if (gEdit.fittedHeight)
        font.lfHeight = gEdit.fittedHeight;
    return font;
}

static PlacementVariant CurrentVariant()
{
    return VariantOf(gEdit.editLeftJustified, PickedVertical());
}

static HFONT MakeViewFont(int escapement)
{
    LOGFONTA font = EditFont();
    font.lfHeight = ViewFontHeight(font.lfHeight, gViewState.halfSize);
    font.lfEscapement = font.lfOrientation = escapement;
    return CreateFontIndirectA(&font);
}

static HFONT MakeVariantFont(PlacementVariant variant)
{
    return MakeViewFont(variant == VerticalVariant ? 900 : 0);
}

static void DrawMark(HDC dc, PlacementVariant variant, int px, int py)
{
    POINT p[4];
    MarkPoints(variant, px, py, gEdit.markMetrics.tmMaxCharWidth, gEdit.markMetrics.tmHeight, p);
    MoveToEx(dc, p[0].x, p[0].y, NULL);
    for (int i = 1; i < 4; i++)
        LineTo(dc, p[i].x, p[i].y);
}

static void ReadMarkMetrics(HDC dc)
{
    HFONT font = MakeViewFont(0);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextMetricsA(dc, &gEdit.markMetrics);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// ---- the press, the drag and the release ----

// The window point of an image point in the view of this moment.
static POINT WindowPointOf(int x, int y)
{
    int scale = gViewState.halfSize ? 2 : 1;
    POINT p = { (x - gViewState.offsetX) / scale, (y - gViewState.offsetY) / scale };
    return p;
}

// The entries in `slots` (one, or a comb's cells) are picked up to be moved
// or edited: the first one's font and colour become the current ones.
// Returns where its anchor is on the window.
static POINT PickEntries(const int* slots, int count)
{
    ShowFormTitle();
    gEdit.pickedSlot = slots[0];
    gEdit.pickedCount = count;
    for (int i = 0; i < count; i++) {
        gEdit.pickedSlots[i] = slots[i];
        StoredRecordBytes(slots[i], gEdit.pickedBytes[i]);
    }
    gEdit.pickedRecord = gEntryTable[slots[0]];
    ApplyRecordFont(gEdit.pickedRecord);
    gEdit.pickedColour = gCurrentTextColour;
    gEdit.editLeftJustified = gEdit.pickedRecord.rightJustified != 1;
    return WindowPointOf(gEdit.pickedRecord.x, gEdit.pickedRecord.y);
}

void OnEntryPress(int wx, int wy)
{
    gEdit.rightButtonArmed = true;
    if (gEdit.boxOpen || !gFormImage.imageLoaded)
        return;
    gEdit.pickedSlot = -1;
    gEdit.pickedCount = 0;
    gEdit.pressX = wx;
    gEdit.pressY = wy;
    gEdit.dragged = false;
    gEdit.editLeftJustified = gEntryModes.leftJustified != 0;
    int slot = HitTestEntries(gViewState.offsetX + gViewState.pointerX, gViewState.offsetY + gViewState.pointerY);
    POINT mark = { wx, wy };
    if (slot >= 0)
        mark = PickEntries(&slot, 1);
    HDC dc = GetDC(gMainWindow);
    ReadMarkMetrics(dc);
    DrawMark(dc, CurrentVariant(), mark.x, mark.y);
    ReleaseDC(gMainWindow, dc);
}

// Whether the pointer is past the system's drag distance from the press.
static bool PastDragDistance(int x, int y)
{
    return MovedPastDrag(x - gEdit.pressX, y - gEdit.pressY, GetSystemMetrics(SM_CXDRAG),
                         GetSystemMetrics(SM_CYDRAG));
}

static void OnEntryDrag(int x, int y)
{
    if (!gFormImage.imageLoaded)
        return;
    if (PastDragDistance(x, y))
        gEdit.dragged = true;
    HDC dc = GetDC(gMainWindow);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), x, y);
    ReleaseDC(gMainWindow, dc);
}

bool EntryPickHeld()
{
    return !gEdit.boxOpen && gEdit.pickedSlot >= 0 && gEdit.rightButtonArmed && GetKeyState(VK_RBUTTON) < 0;
}

void OnPointerMove(WPARAM keys, int x, int y)
{
    if (gEdit.boxOpen)
        return;
    if (keys == MK_RBUTTON)
        OnEntryDrag(x, y);
    else
        OnHover();
}

static LRESULT CALLBACK EntryBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the hidden box at the anchor, gives it the focus and shows the
// caret; `text` (may be empty) is put into it and echoed.
static void OpenEntryBox(const char* text)
{
    gEdit.box = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 100, gClientSize.cx, 100, gMainWindow, NULL,
                                   gInstance, NULL);
    gEdit.boxProcedure = (WNDPROC)SetWindowLongPtrA(gEdit.box, GWLP_WNDPROC, (LONG_PTR)EntryBoxProc);
    SendMessageA(gEdit.box, EM_LIMITTEXT, BoxTextLimit, 0);
    SetFocus(gEdit.box);
    gEdit.rightButtonArmed = false;
    int h = abs((int)ViewFontHeight(EditFont().lfHeight, gViewState.halfSize));
    RECT caret = CaretAtRelease(CurrentVariant(), gEdit.anchorX, gEdit.anchorY, h);
    CreateCaret(gMainWindow, NULL, caret.right - caret.left, caret.bottom - caret.top);
    SetCaretPos(caret.left, caret.top);
    ShowCaret(gMainWindow);
    if (text[0]) {
        SendMessageA(gEdit.box, WM_SETTEXT, 0, (LPARAM)text);
        SendMessageA(gEdit.box, WM_KEYDOWN, VK_END, 0);
    }
}

// Ends the edit state after the box is gone.
static void EndEdit()
{
    gEdit.typedText[0] = 0;
    gEdit.typedLength = 0;
    gEdit.pickedSlot = -1;
    gEdit.pickedCount = 0;
    gEdit.box = NULL;
    gEdit.boxOpen = false;
    gEdit.seat = EntrySeat();
    gEdit.fittedHeight = 0;
    gEdit.seated = false;
    gEdit.keepAnchor = false;
    EndEditStep();
}

static void CloseEntryBox()
{
    if (gEdit.box)
        SendMessageA(gEdit.box, WM_CLOSE, 0, 0);
    DestroyCaret();
}

static void RepaintWindow()
{
    InvalidateRect(gMainWindow, NULL, FALSE);
    UpdateWindow(gMainWindow);
}

// Opens the box for the new or picked entry with its anchor at window
// point (wx, wy); a picked entry's box holds `pickedText`.
static void BeginEdit(int wx, int wy, const char* pickedText)
{
    if (gEdit.pickedSlot < 0 && gEntryCount >= EntryTableSlots) {
        gEdit.rightButtonArmed = false;
        ShowMessage("This form already holds 200 entries, as many as it can.\n"
                    "Delete one before placing another.", NULL, MB_OK);
        return;
    }
    gEdit.anchorX = wx;
    gEdit.anchorY = wy;
    memcpy(gEdit.entryFile, gFormImage.entryFilePath, PathBufferSize);
    // Open from here on: a message box of the reload below must not let
    // another release start a second edit.
    gEdit.boxOpen = true;
    if (gEdit.pickedSlot >= 0) {
        // Until the box echoes it, the text is the entry's own: an edit
        // ended before that puts the entry back whole.
        lstrcpynA(gEdit.typedText, pickedText, EntryTextSize);
        if (!TakeOutEntries(gEdit.entryFile, gEdit.pickedSlots, gEdit.pickedBytes[0], gEdit.pickedCount,
                            &gEdit.keptAt)) {
            // The entry file was left as it was (the user has been told):
            // the entry stays where it is, and nothing is edited.
            EndEdit();
            gEdit.rightButtonArmed = false;
            RepaintWindow();
            return;
        }
        if (!gEdit.boxOpen || !IsWindow(gMainWindow))
            return;   // the edit was ended while the form was loaded again
        UseTextColour(gEdit.pickedColour);
    }
    OpenEntryBox(gEdit.pickedSlot >= 0 ? pickedText : "");
}

void OnEntryRelease(int wx, int wy)
{
    if (gEdit.boxOpen || !gFormImage.imageLoaded || !gEdit.rightButtonArmed)
        return;
    if (gEdit.pickedSlot >= 0 && !gEdit.dragged && !PastDragDistance(wx, wy)) {
        // A click on an entry, not a drag: it is edited where it stands.
        gEdit.keepAnchor = true;
        POINT at = WindowPointOf(gEdit.pickedRecord.x, gEdit.pickedRecord.y);
        wx = at.x;
        wy = at.y;
    }
    BeginEdit(wx, wy, gEdit.pickedRecord.text);
}

// Draws the view with the insertion mark at window point `at`.
static void ShowMarkAt(POINT at)
{
    HDC dc = GetDC(gMainWindow);
    ReadMarkMetrics(dc);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), at.x, at.y);
    ReleaseDC(gMainWindow, dc);
}

void BeginSeatedEdit(const EntrySeat& seat)
{
    gEdit.pickedSlot = -1;
    gEdit.pickedCount = 0;
    gEdit.seat = seat;
    gEdit.seated = true;
    gEdit.fittedHeight = seat.fontHeight;
    gEdit.editLeftJustified = !seat.rightJustified;
    POINT anchor = WindowPointOf(seat.x, seat.y);
    ShowMarkAt(anchor);
    BeginEdit(anchor.x, anchor.y, "");
}

// The text of a comb's entries in `slots`, joined cell by cell; false when
// it would not fit a box.
static bool CombTextOf(const FieldRect& area, int cells, const int* slots, int count, char text[EntryTextSize])
{
    static int cellOf[EntryTableSlots];
    static const char* texts[EntryTableSlots];
    for (int i = 0; i < count; i++) {
        const EntryRecord& r = gEntryTable[slots[i]];
        int cell = CombCellOf(area, cells, r.x + r.width / 2);
        cellOf[i] = cell < 0 ? 0 : cell;
        texts[i] = r.text;
    }
    return JoinCombTexts(cellOf, texts, count, text, EntryTextSize);
}

void BeginFieldPick(const EntrySeat& seat, const int* slots, int count)
{
    char text[EntryTextSize];
    bool comb = seat.kind == FieldComb && count >= 1 && count <= EntryTableSlots &&
                CombTextOf(seat.area, seat.cells, slots, count, text);
    if (!comb)
        count = 1;   // one entry, picked up and edited in place
    POINT anchor = PickEntries(slots, count);
    gEdit.seat = seat;
    gEdit.keepAnchor = true;
    if (comb) {
        // Stored again one character to a cell, at the height they had.
        gEdit.seated = true;
        gEdit.seat.y = gEdit.pickedRecord.y;
        anchor = WindowPointOf(seat.x, gEdit.seat.y);
    } else {
        lstrcpynA(text, gEdit.pickedRecord.text, EntryTextSize);
    }
    ShowMarkAt(anchor);
    BeginEdit(anchor.x, anchor.y, text);
}

// ---- the echo ----

// Moves the caret to the box's insertion point, measured in the echo's
// font, which `dc` holds: Left, Right, Home and End move it as they move
// the place where typing goes in.
static void PlaceEntryCaret(HDC dc, PlacementVariant variant)
{
    DWORD start = 0;
    SendMessageA(gEdit.box, EM_GETSEL, (WPARAM)&start, 0);
    int count = (int)start < gEdit.typedLength ? (int)start : gEdit.typedLength;
    SIZE before = {};
    GetTextExtentPoint32A(dc, gEdit.typedText, count, &before);
    POINT caret = CaretAtInsertion(variant, gEdit.anchorX, gEdit.anchorY, gEdit.typedExtent.cx, before.cx);
    SetCaretPos(caret.x, caret.y);
}

static void MoveEntryCaret()
{
    if (!gEdit.boxOpen || !gEdit.box)
        return;
    PlacementVariant variant = CurrentVariant();
    HDC dc = GetDC(gMainWindow);
    HFONT font = MakeVariantFont(variant);
    HGDIOBJ previous = SelectObject(dc, font);
    PlaceEntryCaret(dc, variant);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(gMainWindow, dc);
}

// A seated text wider than its field is made smaller to fit it (a new
// entry in a box or on a line).
static void FitTypedTextToWidth()
{
    if (gEdit.seated && gEdit.pickedSlot < 0 && ShrinksToWidth(gEdit.seat))
        gEdit.fittedHeight = HeightFittingWidth(gEdit.seat, gCurrentFont, gEdit.typedText);
}

void OnEntryTextChanged()
{
    if (!gEdit.boxOpen || !gEdit.box)
        return;
    HideCaret(gMainWindow);
    gEdit.typedLength = GetWindowTextA(gEdit.box, gEdit.typedText, EntryTextSize);
    gEdit.typedText[gEdit.typedLength] = 0;
    FitTypedTextToWidth();
    HDC dc = GetDC(gMainWindow);
    DrawView(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, gCurrentTextColour);
    PlacementVariant variant = CurrentVariant();
    HFONT font = MakeVariantFont(variant);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, gEdit.typedText, gEdit.typedLength, &gEdit.typedExtent);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    int ax = gEdit.anchorX, ay = gEdit.anchorY, cx = gEdit.typedExtent.cx;
    POINT origin = EchoOrigin(variant, ax, ay, cx);
    TextOutA(dc, origin.x, origin.y, gEdit.typedText, gEdit.typedLength);
    PlaceEntryCaret(dc, variant);
    DrawMark(dc, variant, ax, ay);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(gMainWindow, dc);
    ShowCaret(gMainWindow);
}

// ---- ending an edit ----

// The typed text's extent in the view font of this moment: the zoom may
// have changed since the last echo, and the record's size is scaled by the
// zoom of this moment.
static void MeasureTypedText()
{
    FitTypedTextToWidth();
    HDC dc = GetDC(gMainWindow);
    HFONT font = MakeVariantFont(CurrentVariant());
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, gEdit.typedText, (int)strlen(gEdit.typedText), &gEdit.typedExtent);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(gMainWindow, dc);
}

// A number typed into one of a column of amounts ends at the field's right
// margin, as the printed amounts do.
static void SeatAmountAtTheRight()
{
    if (gEdit.seated && gEdit.pickedSlot < 0 && gEdit.seat.amountColumn && gEdit.editLeftJustified &&
        LooksLikeAmount(gEdit.typedText)) {
        gEdit.editLeftJustified = false;
        gEdit.seat.x = gEdit.seat.rightX;
    }
}

// The stored bytes of the entry the commit stores.
static void CommittedBytes(uint8_t bytes[EntryRecordSize])
{
    SeatAmountAtTheRight();
    MeasureTypedText();
    NewEntryInput in = { gEdit.typedText, gEdit.typedExtent, gEdit.anchorX, gEdit.anchorY,
                         gEdit.editLeftJustified, gEntryModes.verticalText };
    ViewState view = gViewState;
    if (gEdit.seated) {
        // Measured at full size, as it was fitted to its field: the half-size
        // font's rounding would make it wider than the field.
        in.verticalText = 0;
        in.extent = FullSizeExtent(EditFont(), gEdit.typedText);
        view = InitialViewState();
        view.halfSize = 0;
    }
    EntryRecord r = NewEntryRecord(in, view, EditFont(), gCurrentTextColour);
    if (gEdit.seated) {
        r.x = gEdit.seat.x;   // the seat itself, not its window point rounded at half size
        r.y = gEdit.seat.y;
        if (gEdit.pickedSlot < 0 && ShrinksToWidth(gEdit.seat) && gEdit.seat.cellHeight > in.extent.cy)
            r.y += gEdit.seat.cellHeight - in.extent.cy;   // made smaller: still on the bottom rule
    }
    if (gEdit.keepAnchor && gEdit.pickedSlot >= 0) {
        r.x = gEdit.pickedRecord.x;
        r.y = gEdit.pickedRecord.y;
    }
    if (gEdit.pickedSlot >= 0) {
        // A moved entry keeps its look; its text is what the box holds now,
        // measured as for a new entry.
        EntryRecord moved = gEdit.pickedRecord;
        moved.x = r.x;
        moved.y = r.y;
        memcpy(moved.text, r.text, EntryTextSize);
        moved.width = r.width;
        moved.height = r.height;
        r = moved;
    }
    // Column 0 would read as a free slot and hide every later entry.
    if (r.x == 0)
        r.x = 1;
    EncodeEntryRecord(r, bytes);
}

// A comb's text is stored a character to a cell, all the records in one
// replacement of the entry file: all of them or none.
static bool StoreCombCharacters()
{
    static uint8_t records[EntryTableSlots][EntryRecordSize];
    int count = CombRecords(gEdit.seat, EditFont(), gCurrentTextColour, gEdit.typedText, records);
    return count == 0 || StoreEntries(gEdit.entryFile, records[0], count, gEdit.typedText);
}

// Stores what the box holds; an empty box stores nothing (for a picked
// entry, which is out of its file, that deletes it). Put back, picked
// entries go back as they were, byte for byte, whatever the box holds.
static bool StoreTypedEntry()
{
    if (gEdit.pickedSlot >= 0 && gEdit.keepInPlace)
        return StoreEntries(gEdit.entryFile, gEdit.pickedBytes[0], gEdit.pickedCount, gEdit.pickedRecord.text);
    if (!gEdit.typedText[0])
        return true;
    if (gEdit.seated && gEdit.seat.kind == FieldComb)
        return StoreCombCharacters();
    uint8_t bytes[EntryRecordSize];
    CommittedBytes(bytes);
    return StoreEntries(gEdit.entryFile, bytes, 1, gEdit.typedText);
}

bool CommitEntryEdit()
{
    if (gEdit.committing)
        return false;   // this edit is already being ended
    gEdit.committing = true;
    bool stored = StoreTypedEntry();
    gEdit.committing = false;
    if (!stored) {
        // The edit goes on with the text as typed, so nothing is lost: the
        // user can try again once the file is free, or press Esc.
        if (gEdit.box)
            SetFocus(gEdit.box);
        UpdateWindow(gMainWindow);
        OnEntryTextChanged();
        return false;
    }
    // The picked entry is back in its file (or was emptied, and so deleted):
    // its copy beside the file goes.
    if (gEdit.pickedSlot >= 0)
        TakeBackFromRecoveryFile(gEdit.entryFile, gEdit.pickedBytes[0], gEdit.keptAt, gEdit.pickedCount);
    CloseEntryBox();
    SetFocus(gMainWindow);
    RepaintWindow();
    EndEdit();
    return true;
}

bool CancelEntryEdit()
{
    if (!gEdit.boxOpen)
        return true;
    if (gEdit.pickedSlot >= 0) {
        gEdit.keepInPlace = true;
        bool back = CommitEntryEdit();
        gEdit.keepInPlace = false;
        return back;
    }
    CloseEntryBox();
    HDC dc = GetDC(gMainWindow);
    DrawView(dc);
    ReleaseDC(gMainWindow, dc);
    SetFocus(gMainWindow);
    EndEdit();
    return true;
}

void EndEntryEditAtSessionEnd()
{
    if (!gEdit.boxOpen)
        return;
    if (gEdit.pickedSlot >= 0 && gEdit.typedText[0])
        SaveEntriesAtSessionEnd(gEdit.entryFile, gEdit.pickedBytes[0], gEdit.pickedCount, gEdit.keptAt);
    else if (gEdit.pickedSlot >= 0)   // emptied: deleted
        TakeBackFromRecoveryFile(gEdit.entryFile, gEdit.pickedBytes[0], gEdit.keptAt, gEdit.pickedCount);
    CloseEntryBox();
    EndEdit();
}

void OnUndoCommand()
{
    if (EntryPickHeld())
        return;
    if (!gEdit.boxOpen) {
        UndoEntryChange();
        return;
    }
    // During an edit, undo ends it as Esc does; a moved entry then goes
    // back to its own place in the file, not to the end.
    bool picked = gEdit.pickedSlot >= 0;
    int made = gEntryHistory.made;
    if (CancelEntryEdit() && picked && gEntryHistory.made != made)
        UndoEntryChange();
}

void OnRedoCommand()
{
    if (!EntryPickHeld() && CancelEntryEdit())
        RedoEntryChange();
}

// The box's keys: Enter stores, Tab stores and goes on (the field code
// decides where), Esc abandons a new entry or puts a picked one back. The
// characters go first to the field code (a check box, a comb). Everything
// else is the box's own business.
static LRESULT CALLBACK EntryBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC own = gEdit.boxProcedure;
    if (message == WM_KEYDOWN && gEdit.boxOpen) {
        switch (wParam) {
        case VK_RETURN:
            CommitEntryEdit();
            return 0;
        case VK_TAB:
            if (gEdit.keys.tab)
                gEdit.keys.tab(GetKeyState(VK_SHIFT) < 0);
            else
                CommitEntryEdit();
            return 0;
        case VK_ESCAPE:
            CancelEntryEdit();
            return 0;
        }
        LRESULT result = CallWindowProcA(own, box, message, wParam, lParam);
        MoveEntryCaret();
        return result;
    }
    if (message == WM_CHAR && gEdit.boxOpen && gEdit.keys.character && gEdit.keys.character((char)wParam))
        return 0;
    return CallWindowProcA(own, box, message, wParam, lParam);
}

#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_changes.h"
#include "entries/entry_draw.h"
#include "entries/entry_file.h"
#include "entries/entry_history.h"
#include "entries/entry_hover.h"
#include "view/form_image.h"

bool rightButtonArmed = false;
bool boxOpen = false;
HWND EntryEditBox = NULL;

// The placement or edit under way.
struct EntryEditFields {
    int pickedSlot = -1;        // -1: a new entry
    EntryRecord pickedRecord = {};   // the picked entry as it stood at the press
    uint8_t pickedBytes[EntryRecordSize] = {};   // ...and as its entry file held it
    uint32_t keptAt = 0;                         // where its copy lies in the recovery file
    char entryFile[PathBufferSize] = {};         // the entry file the edit belongs to, from the release
    COLORREF pickedColour = 0;
    bool editLeftJustified = true;
    int anchorX = 0, anchorY = 0;    // window point of the release
    TEXTMETRICA markMetrics = {};    // of the view font at the press
    char typedText[EntryTextSize] = {};
    int typedLength = 0;
    SIZE typedExtent = {};           // of typedText in the view font
    bool keepInPlace = false;        // a picked entry goes back where it was
    bool committing = false;         // a commit is under way further up the stack
    WNDPROC boxProcedure = nullptr;
};
static EntryEditFields Edit;

const int BoxTextLimit = 100;

// ---- drawing on the window ----

static bool PickedVertical()
{
    return Edit.pickedSlot >= 0 ? Edit.pickedRecord.vertical != 0 : EntryModes.verticalText == 1;
}

static PlacementVariant CurrentVariant()
{
    return VariantOf(Edit.editLeftJustified, PickedVertical());
}

static HFONT MakeViewFont(int escapement)
{
    LOGFONTA font = CurrentFont;
    font.lfHeight = ViewFontHeight(font.lfHeight, ViewState.halfSize);
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
    MarkPoints(variant, px, py, Edit.markMetrics.tmMaxCharWidth, Edit.markMetrics.tmHeight, p);
    MoveToEx(dc, p[0].x, p[0].y, NULL);
    for (int i = 1; i < 4; i++)
        LineTo(dc, p[i].x, p[i].y);
}

static void ReadMarkMetrics(HDC dc)
{
    HFONT font = MakeViewFont(0);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextMetricsA(dc, &Edit.markMetrics);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// ---- the press, the drag and the release ----

void OnEntryPress(int wx, int wy)
{
    rightButtonArmed = true;
    if (boxOpen || !FormImage.imageLoaded)
        return;
    Edit.pickedSlot = -1;
    Edit.editLeftJustified = EntryModes.leftJustified != 0;
    int slot = HitTestEntries(ViewState.offsetX + ViewState.pointerX, ViewState.offsetY + ViewState.pointerY);
    POINT mark = { wx, wy };
    if (slot >= 0) {
        ShowFormTitle();
        Edit.pickedSlot = slot;
        Edit.pickedRecord = EntryTable[slot];
        StoredRecordBytes(slot, Edit.pickedBytes);
        ApplyRecordFont(Edit.pickedRecord);
        Edit.pickedColour = CurrentTextColour;
        Edit.editLeftJustified = Edit.pickedRecord.rightJustified != 1;
        int scale = ViewState.halfSize ? 2 : 1;
        mark.x = (Edit.pickedRecord.x - ViewState.offsetX) / scale;
        mark.y = (Edit.pickedRecord.y - ViewState.offsetY) / scale;
    }
    HDC dc = GetDC(MainWindow);
    ReadMarkMetrics(dc);
    DrawMark(dc, CurrentVariant(), mark.x, mark.y);
    ReleaseDC(MainWindow, dc);
}

static void OnEntryDrag(int x, int y)
{
    if (!FormImage.imageLoaded)
        return;
    HDC dc = GetDC(MainWindow);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), x, y);
    ReleaseDC(MainWindow, dc);
}

bool EntryPickHeld()
{
    return !boxOpen && Edit.pickedSlot >= 0 && rightButtonArmed && GetKeyState(VK_RBUTTON) < 0;
}

void OnPointerMove(WPARAM keys, int x, int y)
{
    if (boxOpen)
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
    EntryEditBox = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 100, ClientSize.cx, 100, MainWindow, NULL,
                                   Instance, NULL);
    Edit.boxProcedure = (WNDPROC)SetWindowLongPtrA(EntryEditBox, GWLP_WNDPROC, (LONG_PTR)EntryBoxProc);
    SendMessageA(EntryEditBox, EM_LIMITTEXT, BoxTextLimit, 0);
    SetFocus(EntryEditBox);
    rightButtonArmed = false;
    int h = abs((int)ViewFontHeight(CurrentFont.lfHeight, ViewState.halfSize));
    RECT caret = CaretAtRelease(CurrentVariant(), Edit.anchorX, Edit.anchorY, h);
    CreateCaret(MainWindow, NULL, caret.right - caret.left, caret.bottom - caret.top);
    SetCaretPos(caret.left, caret.top);
    ShowCaret(MainWindow);
    if (text[0]) {
        SendMessageA(EntryEditBox, WM_SETTEXT, 0, (LPARAM)text);
        SendMessageA(EntryEditBox, WM_KEYDOWN, VK_END, 0);
    }
}

// Ends the edit state after the box is gone.
static void EndEdit()
{
    Edit.typedText[0] = 0;
    Edit.typedLength = 0;
    Edit.pickedSlot = -1;
    EntryEditBox = NULL;
    boxOpen = false;
    EndEditStep();
}

static void CloseEntryBox()
{
    if (EntryEditBox)
        SendMessageA(EntryEditBox, WM_CLOSE, 0, 0);
    DestroyCaret();
}

static void RepaintWindow()
{
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
}

void OnEntryRelease(int wx, int wy)
{
    if (boxOpen || !FormImage.imageLoaded || !rightButtonArmed)
        return;
    if (Edit.pickedSlot < 0 && EntryCount >= EntryTableSlots) {
        rightButtonArmed = false;
        ShowMessage("This form already holds 200 entries, as many as it can.\n"
                    "Delete one before placing another.", NULL, MB_OK);
        return;
    }
    Edit.anchorX = wx;
    Edit.anchorY = wy;
    memcpy(Edit.entryFile, FormImage.entryFilePath, PathBufferSize);
    // Open from here on: a message box of the reload below must not let
    // another release start a second edit.
    boxOpen = true;
    if (Edit.pickedSlot >= 0) {
        // Until the box echoes it, the text is the entry's own: an edit
        // ended before that puts the entry back whole.
        memcpy(Edit.typedText, Edit.pickedRecord.text, EntryTextSize);
        if (!TakeOutEntry(Edit.entryFile, Edit.pickedSlot, Edit.pickedBytes, &Edit.keptAt)) {
            // The entry file was left as it was (the user has been told):
            // the entry stays where it is, and nothing is edited.
            EndEdit();
            rightButtonArmed = false;
            RepaintWindow();
            return;
        }
        if (!boxOpen || !IsWindow(MainWindow))
            return;   // the edit was ended while the form was loaded again
        UseTextColour(Edit.pickedColour);
    }
    OpenEntryBox(Edit.pickedSlot >= 0 ? Edit.pickedRecord.text : "");
}

// ---- the echo ----

// Moves the caret to the box's insertion point, measured in the echo's
// font, which `dc` holds: Left, Right, Home and End move it as they move
// the place where typing goes in.
static void PlaceEntryCaret(HDC dc, PlacementVariant variant)
{
    DWORD start = 0;
    SendMessageA(EntryEditBox, EM_GETSEL, (WPARAM)&start, 0);
    int count = (int)start < Edit.typedLength ? (int)start : Edit.typedLength;
    SIZE before = {};
    GetTextExtentPoint32A(dc, Edit.typedText, count, &before);
    POINT caret = CaretAtInsertion(variant, Edit.anchorX, Edit.anchorY, Edit.typedExtent.cx, before.cx);
    SetCaretPos(caret.x, caret.y);
}

static void MoveEntryCaret()
{
    if (!boxOpen || !EntryEditBox)
        return;
    PlacementVariant variant = CurrentVariant();
    HDC dc = GetDC(MainWindow);
    HFONT font = MakeVariantFont(variant);
    HGDIOBJ previous = SelectObject(dc, font);
    PlaceEntryCaret(dc, variant);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(MainWindow, dc);
}

void OnEntryTextChanged()
{
    if (!boxOpen || !EntryEditBox)
        return;
    HideCaret(MainWindow);
    HDC dc = GetDC(MainWindow);
    DrawView(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CurrentTextColour);
    PlacementVariant variant = CurrentVariant();
    HFONT font = MakeVariantFont(variant);
    HGDIOBJ previous = SelectObject(dc, font);
    Edit.typedLength = GetWindowTextA(EntryEditBox, Edit.typedText, EntryTextSize);
    Edit.typedText[Edit.typedLength] = 0;
    GetTextExtentPoint32A(dc, Edit.typedText, Edit.typedLength, &Edit.typedExtent);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    int ax = Edit.anchorX, ay = Edit.anchorY, cx = Edit.typedExtent.cx;
    POINT origin = EchoOrigin(variant, ax, ay, cx);
    TextOutA(dc, origin.x, origin.y, Edit.typedText, Edit.typedLength);
    PlaceEntryCaret(dc, variant);
    DrawMark(dc, variant, ax, ay);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(MainWindow, dc);
    ShowCaret(MainWindow);
}

// ---- ending an edit ----

// The typed text's extent in the view font of this moment: the zoom may
// have changed since the last echo, and the record's size is scaled by the
// zoom of this moment.
static void MeasureTypedText()
{
    HDC dc = GetDC(MainWindow);
    HFONT font = MakeVariantFont(CurrentVariant());
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, Edit.typedText, (int)strlen(Edit.typedText), &Edit.typedExtent);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(MainWindow, dc);
}

// The stored bytes of the entry the commit stores.
static void CommittedBytes(uint8_t bytes[EntryRecordSize])
{
    if (Edit.pickedSlot >= 0 && Edit.keepInPlace) {
        memcpy(bytes, Edit.pickedBytes, EntryRecordSize);   // back as it was, byte for byte
        return;
    }
    MeasureTypedText();
    NewEntryInput in = { Edit.typedText, Edit.typedExtent, Edit.anchorX, Edit.anchorY,
                         Edit.editLeftJustified, EntryModes.verticalText };
    EntryRecord r = NewEntryRecord(in, ViewState, CurrentFont, CurrentTextColour);
    if (Edit.pickedSlot >= 0) {
        // A moved entry keeps its look; its text is what the box holds now,
        // measured as for a new entry.
        EntryRecord moved = Edit.pickedRecord;
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

// Stores what the box holds; an empty box stores nothing (for a picked
// entry, which is out of its file, that deletes it).
static bool StoreTypedEntry()
{
    if (!Edit.typedText[0])
        return true;
    uint8_t bytes[EntryRecordSize];
    CommittedBytes(bytes);
    return StoreEntry(Edit.entryFile, bytes, Edit.typedText);
}

bool CommitEntryEdit()
{
    if (Edit.committing)
        return false;   // this edit is already being ended
    Edit.committing = true;
    bool stored = StoreTypedEntry();
    Edit.committing = false;
    if (!stored) {
        // The edit goes on with the text as typed, so nothing is lost: the
        // user can try again once the file is free, or press Esc.
        if (EntryEditBox)
            SetFocus(EntryEditBox);
        UpdateWindow(MainWindow);
        OnEntryTextChanged();
        return false;
    }
    // The picked entry is back in its file (or was emptied, and so deleted):
    // its copy beside the file goes.
    if (Edit.pickedSlot >= 0)
        TakeBackFromRecoveryFile(Edit.entryFile, Edit.pickedBytes, Edit.keptAt);
    CloseEntryBox();
    SetFocus(MainWindow);
    RepaintWindow();
    EndEdit();
    return true;
}

bool CancelEntryEdit()
{
    if (!boxOpen)
        return true;
    if (Edit.pickedSlot >= 0) {
        Edit.keepInPlace = true;
        bool back = CommitEntryEdit();
        Edit.keepInPlace = false;
        return back;
    }
    CloseEntryBox();
    HDC dc = GetDC(MainWindow);
    DrawView(dc);
    ReleaseDC(MainWindow, dc);
    SetFocus(MainWindow);
    EndEdit();
    return true;
}

void EndEntryEditAtSessionEnd()
{
    if (!boxOpen)
        return;
    if (Edit.pickedSlot >= 0 && Edit.typedText[0])
        SaveEntryAtSessionEnd(Edit.entryFile, Edit.pickedBytes, Edit.keptAt);
    else if (Edit.pickedSlot >= 0)
        TakeBackFromRecoveryFile(Edit.entryFile, Edit.pickedBytes, Edit.keptAt);   // emptied: deleted
    CloseEntryBox();
    EndEdit();
}

void OnUndoCommand()
{
    if (EntryPickHeld())
        return;
    if (!boxOpen) {
        UndoEntryChange();
        return;
    }
    // During an edit, undo ends it as Esc does; a moved entry then goes
    // back to its own place in the file, not to the end.
    bool picked = Edit.pickedSlot >= 0;
    int made = EntryHistory.made;
    if (CancelEntryEdit() && picked && EntryHistory.made != made)
        UndoEntryChange();
}

void OnRedoCommand()
{
    if (!EntryPickHeld() && CancelEntryEdit())
        RedoEntryChange();
}

// The box's keys: Enter and Tab store, Esc abandons a new entry or puts a
// picked one back. Everything else is the box's own business.
static LRESULT CALLBACK EntryBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC own = Edit.boxProcedure;
    if (message == WM_KEYDOWN && boxOpen) {
        switch (wParam) {
        case VK_RETURN:
        case VK_TAB:
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
    return CallWindowProcA(own, box, message, wParam, lParam);
}

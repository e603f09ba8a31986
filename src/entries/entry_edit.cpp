#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_changes.h"
#include "entries/entry_draw.h"
#include "entries/entry_file.h"
#include "entries/entry_history.h"
#include "entries/entry_hover.h"
#include "view/form_image.h"
#include "entries/entry_style.h"
#include "entries/entries_globals.h"
#include "view/view_globals.h"

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
    // A right-button press has been seen since the last menu command and
    // since the box last took the focus; only then does a release open the box.
    bool gRightButtonArmed = false;
    bool gBoxOpen = false;     // the box exists and has the keyboard focus
    HWND box = NULL;          // the hidden edit box while gBoxOpen
};
static EntryEditFields gEdit;

const int BoxTextLimit = 100;

bool EntryBoxOpen()
{
    return gEdit.gBoxOpen;
}

HWND EntryBoxWindow()
{
    return gEdit.box;
}

void DisarmRightButton()
{
    gEdit.gRightButtonArmed = false;
}

// ---- drawing on the window ----

static bool PickedVertical()
{
    return gEdit.pickedSlot >= 0 ? gEdit.pickedRecord.vertical != 0 : gEntryModes.verticalText == 1;
}

static PlacementVariant CurrentVariant()
{
    return VariantOf(gEdit.editLeftJustified, PickedVertical());
}

static HFONT MakeViewFont(int escapement)
{
    LOGFONTA font = gCurrentFont;
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

void OnEntryPress(int wx, int wy)
{
    gEdit.gRightButtonArmed = true;
    if (gEdit.gBoxOpen || !gFormImage.imageLoaded)
        return;
    gEdit.pickedSlot = -1;
    gEdit.editLeftJustified = gEntryModes.leftJustified != 0;
    int slot = HitTestEntries(gViewState.offsetX + gViewState.pointerX, gViewState.offsetY + gViewState.pointerY);
    POINT mark = { wx, wy };
    if (slot >= 0) {
        ShowFormTitle();
        gEdit.pickedSlot = slot;
        gEdit.pickedRecord = gEntryTable[slot];
        StoredRecordBytes(slot, gEdit.pickedBytes);
        ApplyRecordFont(gEdit.pickedRecord);
        gEdit.pickedColour = gCurrentTextColour;
        gEdit.editLeftJustified = gEdit.pickedRecord.rightJustified != 1;
        int scale = gViewState.halfSize ? 2 : 1;
        mark.x = (gEdit.pickedRecord.x - gViewState.offsetX) / scale;
        mark.y = (gEdit.pickedRecord.y - gViewState.offsetY) / scale;
    }
    HDC dc = GetDC(gMainWindow);
    ReadMarkMetrics(dc);
    DrawMark(dc, CurrentVariant(), mark.x, mark.y);
    ReleaseDC(gMainWindow, dc);
}

static void OnEntryDrag(int x, int y)
{
    if (!gFormImage.imageLoaded)
        return;
    HDC dc = GetDC(gMainWindow);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), x, y);
    ReleaseDC(gMainWindow, dc);
}

bool EntryPickHeld()
{
    return !gEdit.gBoxOpen && gEdit.pickedSlot >= 0 && gEdit.gRightButtonArmed && GetKeyState(VK_RBUTTON) < 0;
}

void OnPointerMove(WPARAM keys, int x, int y)
{
    if (gEdit.gBoxOpen)
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
    gEdit.gRightButtonArmed = false;
    int h = abs((int)ViewFontHeight(gCurrentFont.lfHeight, gViewState.halfSize));
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
    gEdit.box = NULL;
    gEdit.gBoxOpen = false;
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

void OnEntryRelease(int wx, int wy)
{
    if (gEdit.gBoxOpen || !gFormImage.imageLoaded || !gEdit.gRightButtonArmed)
        return;
    if (gEdit.pickedSlot < 0 && gEntryCount >= EntryTableSlots) {
        gEdit.gRightButtonArmed = false;
        ShowMessage("This form already holds 200 entries, as many as it can.\n"
                    "Delete one before placing another.", NULL, MB_OK);
        return;
    }
    gEdit.anchorX = wx;
    gEdit.anchorY = wy;
    memcpy(gEdit.entryFile, gFormImage.entryFilePath, PathBufferSize);
    // Open from here on: a message box of the reload below must not let
    // another release start a second edit.
    gEdit.gBoxOpen = true;
    if (gEdit.pickedSlot >= 0) {
        // Until the box echoes it, the text is the entry's own: an edit
        // ended before that puts the entry back whole.
        memcpy(gEdit.typedText, gEdit.pickedRecord.text, EntryTextSize);
        if (!TakeOutEntry(gEdit.entryFile, gEdit.pickedSlot, gEdit.pickedBytes, &gEdit.keptAt)) {
            // The entry file was left as it was (the user has been told):
            // the entry stays where it is, and nothing is edited.
            EndEdit();
            gEdit.gRightButtonArmed = false;
            RepaintWindow();
            return;
        }
        if (!gEdit.gBoxOpen || !IsWindow(gMainWindow))
            return;   // the edit was ended while the form was loaded again
        UseTextColour(gEdit.pickedColour);
    }
    OpenEntryBox(gEdit.pickedSlot >= 0 ? gEdit.pickedRecord.text : "");
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
    if (!gEdit.gBoxOpen || !gEdit.box)
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

void OnEntryTextChanged()
{
    if (!gEdit.gBoxOpen || !gEdit.box)
        return;
    HideCaret(gMainWindow);
    HDC dc = GetDC(gMainWindow);
    DrawView(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, gCurrentTextColour);
    PlacementVariant variant = CurrentVariant();
    HFONT font = MakeVariantFont(variant);
    HGDIOBJ previous = SelectObject(dc, font);
    gEdit.typedLength = GetWindowTextA(gEdit.box, gEdit.typedText, EntryTextSize);
    gEdit.typedText[gEdit.typedLength] = 0;
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
    HDC dc = GetDC(gMainWindow);
    HFONT font = MakeVariantFont(CurrentVariant());
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, gEdit.typedText, (int)strlen(gEdit.typedText), &gEdit.typedExtent);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(gMainWindow, dc);
}

// The stored bytes of the entry the commit stores.
static void CommittedBytes(uint8_t bytes[EntryRecordSize])
{
    if (gEdit.pickedSlot >= 0 && gEdit.keepInPlace) {
        memcpy(bytes, gEdit.pickedBytes, EntryRecordSize);   // back as it was, byte for byte
        return;
    }
    MeasureTypedText();
    NewEntryInput in = { gEdit.typedText, gEdit.typedExtent, gEdit.anchorX, gEdit.anchorY,
                         gEdit.editLeftJustified, gEntryModes.verticalText };
    EntryRecord r = NewEntryRecord(in, gViewState, gCurrentFont, gCurrentTextColour);
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

// Stores what the box holds; an empty box stores nothing (for a picked
// entry, which is out of its file, that deletes it).
static bool StoreTypedEntry()
{
    if (!gEdit.typedText[0])
        return true;
    uint8_t bytes[EntryRecordSize];
    CommittedBytes(bytes);
    return StoreEntry(gEdit.entryFile, bytes, gEdit.typedText);
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
        TakeBackFromRecoveryFile(gEdit.entryFile, gEdit.pickedBytes, gEdit.keptAt);
    CloseEntryBox();
    SetFocus(gMainWindow);
    RepaintWindow();
    EndEdit();
    return true;
}

bool CancelEntryEdit()
{
    if (!gEdit.gBoxOpen)
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
    if (!gEdit.gBoxOpen)
        return;
    if (gEdit.pickedSlot >= 0 && gEdit.typedText[0])
        SaveEntryAtSessionEnd(gEdit.entryFile, gEdit.pickedBytes, gEdit.keptAt);
    else if (gEdit.pickedSlot >= 0)
        TakeBackFromRecoveryFile(gEdit.entryFile, gEdit.pickedBytes, gEdit.keptAt);   // emptied: deleted
    CloseEntryBox();
    EndEdit();
}

void OnUndoCommand()
{
    if (EntryPickHeld())
        return;
    if (!gEdit.gBoxOpen) {
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

// The box's keys: Enter and Tab store, Esc abandons a new entry or puts a
// picked one back. Everything else is the box's own business.
static LRESULT CALLBACK EntryBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC own = gEdit.boxProcedure;
    if (message == WM_KEYDOWN && gEdit.gBoxOpen) {
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

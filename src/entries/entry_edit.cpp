#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_draw.h"
#include "entries/entry_hover.h"
#include "entries/formula.h"
#include "view/form_image.h"

bool rightButtonArmed = false;
bool boxOpen = false;
HWND EntryEditBox = NULL;

// The placement or edit under way.
struct EntryEditFields {
    int pickedSlot = -1;        // -1: a new entry
    EntryRecord pickedRecord = {};   // the picked entry as it stood at the press
    COLORREF pickedColour = 0;
    bool editLeftJustified = true;
    int anchorX = 0, anchorY = 0;    // window point of the release
    TEXTMETRICA markMetrics = {};    // of the view font at the press
    char typedText[EntryTextSize] = {};
    int typedLength = 0;
    SIZE typedExtent = {};           // of typedText in the view font
    bool keepInPlace = false;        // a picked entry goes back where it was
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
        ShowTitle(FileTitle);
        Edit.pickedSlot = slot;
        Edit.pickedRecord = EntryTable[slot];
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
}

static void CloseEntryBox()
{
    SendMessageA(EntryEditBox, WM_CLOSE, 0, 0);
    DestroyCaret();
}

void OnEntryRelease(int wx, int wy)
{
    if (boxOpen || !FormImage.imageLoaded || !rightButtonArmed)
        return;
    if (Edit.pickedSlot < 0 && FirstFreeSlot() >= EntryTableSlots) {
        rightButtonArmed = false;
        MessageBoxA(MainWindow, "This form already holds 200 entries, as many as it can.\n"
                                "Delete one before placing another.", NULL, MB_OK);
        return;
    }
    Edit.anchorX = wx;
    Edit.anchorY = wy;
    boxOpen = true;
    if (Edit.pickedSlot >= 0) {
        if (!RemoveEntryRecord(Edit.pickedSlot)) {
            // The entry file could not be changed (the user has been told):
            // the entry stays where it is, and nothing is edited.
            EndEdit();
            rightButtonArmed = false;
            InvalidateRect(MainWindow, NULL, FALSE);
            UpdateWindow(MainWindow);
            return;
        }
        ReloadForm();
        UseTextColour(Edit.pickedColour);
    }
    OpenEntryBox(Edit.pickedSlot >= 0 ? Edit.pickedRecord.text : "");
}

// ---- the echo ----

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
    HFONT font = MakeViewFont(variant == VerticalVariant ? 900 : 0);
    HGDIOBJ previous = SelectObject(dc, font);
    Edit.typedLength = GetWindowTextA(EntryEditBox, Edit.typedText, EntryTextSize);
    Edit.typedText[Edit.typedLength] = 0;
    GetTextExtentPoint32A(dc, Edit.typedText, Edit.typedLength, &Edit.typedExtent);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    int ax = Edit.anchorX, ay = Edit.anchorY, cx = Edit.typedExtent.cx;
    POINT origin = EchoOrigin(variant, ax, ay, cx);
    TextOutA(dc, origin.x, origin.y, Edit.typedText, Edit.typedLength);
    if (variant == LeftVariant)
        SetCaretPos(ax + cx + 1, ay + 2);
    else if (variant == VerticalVariant)
        SetCaretPos(ax + 2, ay - cx - 1);
    DrawMark(dc, variant, ax, ay);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(MainWindow, dc);
    ShowCaret(MainWindow);
}

// ---- ending an edit ----

// The record the commit stores for the text typed, in the slot given.
static EntryRecord CommittedRecord()
{
    if (Edit.pickedSlot >= 0 && Edit.keepInPlace)
        return Edit.pickedRecord;
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
    return r;
}

// Stores the committed record: in the first free slot, appended to the
// entry file and drawn. False when the file could not take it.
static bool StoreRecord(const EntryRecord& record)
{
    int slot = FirstFreeSlot();
    if (slot >= EntryTableSlots) {
        // Only a form whose entry file holds more than 200 records gets here
        // (a picked entry going back): the file keeps it, the table can't.
        if (!AppendRecordToFile(record))
            return false;
        ShowEntryFileProblem("This form holds more than 200 entries. The entry is stored in its file,\n"
                             "but only the first 200 entries are shown.");
        return true;
    }
    EntryTable[slot] = record;
    if (!AppendEntryRecord(slot)) {
        EntryTable[slot].x = 0;
        return false;
    }
    if (DrawEntry(slot) != FormulaError)
        ReloadForm();   // every formula is evaluated again with the new one
    return true;
}

void CommitEntryEdit()
{
    char typed[EntryTextSize];
    memcpy(typed, Edit.typedText, EntryTextSize);
    CloseEntryBox();
    if (typed[0] && !StoreRecord(CommittedRecord())) {
        ReportAppendFailure(typed);
        // The edit goes on with the text as typed, so nothing is lost: the
        // user can try again, or press Esc.
        OpenEntryBox(typed);
        return;
    }
    SetFocus(MainWindow);
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
    EndEdit();
}

void CancelEntryEdit()
{
    if (!boxOpen)
        return;
    if (Edit.pickedSlot >= 0) {
        Edit.keepInPlace = true;
        CommitEntryEdit();
        Edit.keepInPlace = false;
        return;
    }
    DestroyCaret();
    SendMessageA(EntryEditBox, WM_CLOSE, 0, 0);
    HDC dc = GetDC(MainWindow);
    DrawView(dc);
    ReleaseDC(MainWindow, dc);
    SetFocus(MainWindow);
    EndEdit();
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
    }
    return CallWindowProcA(own, box, message, wParam, lParam);
}

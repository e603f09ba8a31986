#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_draw.h"
#include "entries/formula.h"
#include "shell/main_window.h"
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

// ---- geometry ----

POINT FormPointOf(int wx, int wy, const ViewStateFields& view)
{
    int scale = view.halfSize ? 2 : 1;
    POINT p = { view.offsetX + scale * wx, view.offsetY + scale * wy };
    return p;
}

LONG ViewFontHeight(LONG height, int halfSize)
{
    return halfSize ? height / 2 : height;
}

int HitTestEntriesIn(const EntryRecord* table, int px, int py)
{
    for (int i = 0; i < EntryTableSlots && table[i].x != 0; i++) {
        const EntryRecord& r = table[i];
        bool inside;
        if (r.vertical) {
            inside = r.x < px && px < r.x + r.height && r.y - r.width < py && py < r.y;
        } else {
            int left = r.rightJustified ? r.x - r.width : r.x;
            inside = left < px && px < left + r.width && r.y < py && py < r.y + r.height;
        }
        if (inside)
            return i;
    }
    return -1;
}

int HitTestEntries(int px, int py)
{
    return HitTestEntriesIn(EntryTable, px, py);
}

PlacementVariant VariantOf(bool leftJustified, bool vertical)
{
    if (!leftJustified)
        return RightVariant;
    return vertical ? VerticalVariant : LeftVariant;
}

void MarkPoints(PlacementVariant variant, int px, int py, int m, int h, POINT points[4])
{
    switch (variant) {
    case LeftVariant:
        points[0] = { px + m, py }; points[1] = { px, py }; points[2] = { px, py + h }; points[3] = { px + m, py + h };
        break;
    case VerticalVariant:
        points[0] = { px, py - m }; points[1] = { px, py }; points[2] = { px + h, py }; points[3] = { px + h, py - m };
        break;
    case RightVariant:
        points[0] = { px - m, py }; points[1] = { px, py }; points[2] = { px, py + h }; points[3] = { px - m, py + h };
        break;
    }
}

RECT CaretAtRelease(PlacementVariant variant, int ax, int ay, int h)
{
    switch (variant) {
    case VerticalVariant: return { ax + 2, ay - 2, ax + 2 + h, ay - 1 };
    case RightVariant: return { ax - 2, ay + 2, ax - 1, ay + 2 + h };
    default: return { ax + 1, ay + 2, ax + 2, ay + 2 + h };
    }
}

POINT EchoOrigin(PlacementVariant variant, int ax, int ay, int cx)
{
    POINT p = { variant == RightVariant ? ax - cx : ax, ay };
    return p;
}

EntryRecord NewEntryRecord(const NewEntryInput& in, const ViewStateFields& view, const LOGFONTA& font,
                           COLORREF colour)
{
    EntryRecord r = {};
    POINT form = FormPointOf(in.ax, in.ay, view);
    r.x = form.x;
    r.y = form.y;
    int scale = view.halfSize ? 2 : 1;
    r.width = in.extent.cx * scale;
    r.height = in.extent.cy * scale;
    size_t length = strnlen(in.text, EntryTextSize - 1);
    memcpy(r.text, in.text, length);
    size_t face = strnlen(font.lfFaceName, FaceNameSize - 1);
    memcpy(r.faceName, font.lfFaceName, face);
    r.size = font.lfHeight / -2;
    r.weight = font.lfWeight;
    r.pitchAndFamily = font.lfPitchAndFamily;
    r.colourIndex = (uint8_t)IndexOfColour(colour);
    r.vertical = in.verticalText == 1 ? 1 : 0;
    r.rightJustified = in.leftJustified ? 0 : 1;
    return r;
}

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

static void OnEntryDrag(LPARAM lParam)
{
    if (!FormImage.imageLoaded)
        return;
    HDC dc = GetDC(MainWindow);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), (short)LOWORD(lParam), (short)HIWORD(lParam));
    ReleaseDC(MainWindow, dc);
}

void OnPointerMove(WPARAM wParam, LPARAM lParam)
{
    // Read as unsigned words, as the left-button drag reads them.
    int scale = ViewState.halfSize ? 2 : 1;
    ViewState.pointerX = LOWORD(lParam) * scale;
    ViewState.pointerY = HIWORD(lParam) * scale;
    if (boxOpen)
        return;
    if (wParam == MK_RBUTTON)
        OnEntryDrag(lParam);
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
    if (Edit.pickedSlot >= 0 && !RemoveEntryRecord(Edit.pickedSlot)) {
        // The entry file could not be changed (the user has been told): the
        // entry stays where it is, and nothing is edited.
        EndEdit();
        rightButtonArmed = false;
        InvalidateRect(MainWindow, NULL, FALSE);
        UpdateWindow(MainWindow);
        return;
    }
    if (Edit.pickedSlot >= 0)
        CurrentTextColour = Edit.pickedColour;
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
        LoadFormImage();   // every formula is evaluated again with the new one
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

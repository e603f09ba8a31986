#include "entries/entry_edit.h"

#include <stdlib.h>
#include <string.h>

#include "entries/entry_changes.h"
#include "fields/field_seating.h"
#include "view/form_fields.h"
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
    bool rightButtonArmed = false;
    bool boxOpen = false;      // the box exists and has the keyboard focus
    HWND box = NULL;          // the hidden edit box while boxOpen
    // A found field the edit was opened in (by Tab, or a snapped placement);
    // -1: none. A new entry there is seated: its own height, horizontal,
    // and stored at the seat's image point.
    int field = -1;
    LONG fittedHeight = 0;         // the seated entry's lfHeight; 0: the current font's
    bool seated = false;
    int seatX = 0, seatY = 0;      // image point of the seated entry's anchor
    bool keepAnchor = false;       // an entry Tab picked up keeps its own x and y
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

// The entry in `slot` is picked up to be moved or edited: its font and
// colour become the current ones. Returns where its anchor is on the window.
static POINT PickEntry(int slot)
{
    ShowFormTitle();
    gEdit.pickedSlot = slot;
    gEdit.pickedRecord = gEntryTable[slot];
    StoredRecordBytes(slot, gEdit.pickedBytes);
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
    gEdit.editLeftJustified = gEntryModes.leftJustified != 0;
    int slot = HitTestEntries(gViewState.offsetX + gViewState.pointerX, gViewState.offsetY + gViewState.pointerY);
    POINT mark = { wx, wy };
    if (slot >= 0)
        mark = PickEntry(slot);
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
    gEdit.box = NULL;
    gEdit.boxOpen = false;
    gEdit.field = -1;
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
// point (wx, wy).
static void BeginEdit(int wx, int wy)
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
        memcpy(gEdit.typedText, gEdit.pickedRecord.text, EntryTextSize);
        if (!TakeOutEntry(gEdit.entryFile, gEdit.pickedSlot, gEdit.pickedBytes, &gEdit.keptAt)) {
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
    OpenEntryBox(gEdit.pickedSlot >= 0 ? gEdit.pickedRecord.text : "");
}

static POINT SeatNewEntry(int index);

void OnEntryRelease(int wx, int wy)
{
    if (gEdit.boxOpen || !gFormImage.imageLoaded || !gEdit.rightButtonArmed)
        return;
    if (gFormFields.snapToFields && gEdit.pickedSlot < 0) {
        POINT form = FormPointOf(wx, wy, gViewState);
        int field = FieldAt(form.x, form.y);
        if (field >= 0) {
            POINT seat = SeatNewEntry(field);
            BeginEdit(seat.x, seat.y);
            return;
        }
    }
    BeginEdit(wx, wy);
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

void OnEntryTextChanged()
{
    if (!gEdit.boxOpen || !gEdit.box)
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
    if (gEdit.seated)
        in.verticalText = 0;
    EntryRecord r = NewEntryRecord(in, gViewState, EditFont(), gCurrentTextColour);
    if (gEdit.seated) {
        r.x = gEdit.seatX;   // the seat itself, not its window point rounded at half size
        r.y = gEdit.seatY;
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

static bool InField(FieldKind kind)
{
    return gEdit.field >= 0 && gEdit.field < (int)gFormFields.found.size() &&
           gFormFields.found[gEdit.field].kind == kind;
}

// A new entry in a comb is stored a character to a cell, each its own record
// centred in its cell at the seat's height, all of them one step; spaces
// leave their cell empty and characters past the last cell are dropped.
static bool StoreCombCharacters()
{
    const FormField& comb = gFormFields.found[gEdit.field];
    LOGFONTA font = EditFont();
    HDC dc = GetDC(gMainWindow);
    HFONT handle = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, handle);
    ViewState image = InitialViewState();   // full size at the origin: window points are image points
    image.halfSize = 0;
    BeginEditStep();
    bool stored = true;
    for (int i = 0; gEdit.typedText[i] && stored; i++) {
        char text[2] = { gEdit.typedText[i], 0 };
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, 1, &size);
        int left = CombCharacterLeft(comb.area, comb.cells, i, size.cx);
        if (left < 0)
            break;
        if (text[0] == ' ')
            continue;
        NewEntryInput in = { text, size, left > 0 ? left : 1, gEdit.seatY, true, 0 };
        uint8_t bytes[EntryRecordSize];
        EncodeEntryRecord(NewEntryRecord(in, image, font, gCurrentTextColour), bytes);
        stored = StoreEntry(gEdit.entryFile, bytes, text);
    }
    SelectObject(dc, previous);
    DeleteObject(handle);
    ReleaseDC(gMainWindow, dc);
    return stored;
}

// Stores what the box holds; an empty box stores nothing (for a picked
// entry, which is out of its file, that deletes it).
static bool StoreTypedEntry()
{
    if (!gEdit.typedText[0])
        return true;
    if (gEdit.seated && gEdit.pickedSlot < 0 && InField(FieldComb))
        return StoreCombCharacters();
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

// ---- fields: Tab from field to field, seating ----

static bool InCheckBox()
{
    return InField(FieldCheck);
}

// The cell height and the width of "X" of `font` (turned level).
static void MeasureFont(HDC dc, LOGFONTA font, int* cellHeight, int* markWidth)
{
    font.lfEscapement = font.lfOrientation = 0;
    HFONT handle = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, handle);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SIZE mark = {};
    GetTextExtentPoint32A(dc, "X", 1, &mark);
    SelectObject(dc, previous);
    DeleteObject(handle);
    *cellHeight = metrics.tmHeight;
    *markWidth = mark.cx;
}

// Seats a new entry in field `index`: the current font at the height that
// fits, at the field's left or right margin above its bottom rule, or an
// "X" centred in a check box. Returns the anchor's window point.
static POINT SeatNewEntry(int index)
{
    const FormField& field = gFormFields.found[index];
    gEdit.pickedSlot = -1;
    gEdit.field = index;
    gEdit.editLeftJustified = field.kind == FieldCheck || gEntryModes.leftJustified != 0;
    LONG current = gCurrentFont.lfHeight;
    int height = current < 0 ? -current : current;
    HDC dc = GetDC(gMainWindow);
    int cell = 0, markWidth = 0;
    MeasureFont(dc, gCurrentFont, &cell, &markWidth);
    int fitted = height ? FittedFontHeight(field.area, height, cell) : 0;
    int room = field.area.bottom - field.area.top - 2 * SeatMarginDown(field.area);
    LOGFONTA font = gCurrentFont;
    for (;;) {
        font.lfHeight = current < 0 ? -fitted : fitted;
        MeasureFont(dc, font, &cell, &markWidth);
        // Cells don't always scale exactly with the height: the measure decides.
        if (cell <= room || fitted <= 2)
            break;
        fitted -= 2;
    }
    ReleaseDC(gMainWindow, dc);
    gEdit.fittedHeight = font.lfHeight;
    FieldSeat seat = field.kind == FieldCheck ? CheckMarkSeat(field.area, markWidth, cell)
                                              : SeatInField(field.area, cell, !gEdit.editLeftJustified);
    gEdit.seated = true;
    gEdit.seatX = seat.x;
    gEdit.seatY = seat.y;
    SetLastVisitedField(index);
    return WindowPointOf(seat.x, seat.y);
}

// The first entry whose anchor lies in the field; -1 when it is empty.
static int EntryInField(const FormField& field)
{
    for (int i = 0; i < gEntryCount && i < EntryTableSlots; i++)
        if (FieldHolds(field.area, gEntryTable[i].x, gEntryTable[i].y))
            return i;
    return -1;
}

// Opens the box in field `index`, scrolled into view: the entry in it is
// picked up as a right-button press picks it, or a new one is seated.
static void OpenField(int index)
{
    const FormField& field = gFormFields.found[index];
    RECT area = { field.area.left, field.area.top, field.area.right, field.area.bottom };
    ShowFormArea(area);
    int slot = EntryInField(field);
    POINT anchor;
    if (slot >= 0) {
        anchor = PickEntry(slot);
        gEdit.field = index;
        gEdit.keepAnchor = true;
        SetLastVisitedField(index);
    } else {
        anchor = SeatNewEntry(index);
    }
    HDC dc = GetDC(gMainWindow);
    ReadMarkMetrics(dc);
    DrawView(dc);
    DrawMark(dc, CurrentVariant(), anchor.x, anchor.y);
    ReleaseDC(gMainWindow, dc);
    BeginEdit(anchor.x, anchor.y);
}

void OnTabKey(bool backward)
{
    if (gEdit.boxOpen || !gFormImage.imageLoaded || gFormFields.found.empty() || EntryPickHeld())
        return;
    int next = FieldAfter((int)gFormFields.found.size(), gFormFields.lastVisited, backward);
    OpenField(next == PastTheLastField ? 0 : next);
}

// Tab in the box stores the entry as Enter does; with fields found it then
// opens the next field (Shift+Tab: the previous one), and after the last it
// closes, so the next Tab starts at the first.
static void TabFromBox(bool backward)
{
    if (!CommitEntryEdit() || gFormFields.found.empty())
        return;
    int next = FieldAfter((int)gFormFields.found.size(), gFormFields.lastVisited, backward);
    if (next == PastTheLastField)
        SetLastVisitedField(-1);
    else
        OpenField(next);
}

// The box's keys: Enter and Tab store, Esc abandons a new entry or puts a
// picked one back. Everything else is the box's own business.
static LRESULT CALLBACK EntryBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC own = gEdit.boxProcedure;
    if (message == WM_KEYDOWN && gEdit.boxOpen) {
        switch (wParam) {
        case VK_RETURN:
            CommitEntryEdit();
            return 0;
        case VK_TAB:
            TabFromBox(GetKeyState(VK_SHIFT) < 0);
            return 0;
        case VK_ESCAPE:
            CancelEntryEdit();
            return 0;
        }
        LRESULT result = CallWindowProcA(own, box, message, wParam, lParam);
        MoveEntryCaret();
        return result;
    }
    if (message == WM_CHAR && gEdit.boxOpen && InCheckBox()) {
        // A check box takes x, X or Space as its mark and moves on; other
        // printable characters are not for it.
        if (ChecksBox((char)wParam)) {
            SetWindowTextA(box, "X");
            TabFromBox(false);
            return 0;
        }
        if (wParam >= ' ')
            return 0;
    }
    return CallWindowProcA(own, box, message, wParam, lParam);
}

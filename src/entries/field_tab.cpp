#include "entries/field_tab.h"

#include <windows.h>

#include "entries/entry_edit.h"
#include "entries/entries_globals.h"
#include "fields/field_seating.h"
#include "view/form_fields.h"
#include "view/view_state.h"
#include "view/view_globals.h"

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

// The seat of a new entry in field `index`: the current font at the height
// that fits, at the field's left or right margin above its bottom rule, or
// an "X" centred in a check box.
static EntrySeat SeatOf(int index)
{
    const FormField& field = gFormFields.found[index];
    EntrySeat seat;
    seat.field = index;
    seat.kind = field.kind;
    seat.area = field.area;
    seat.cells = field.cells;
    seat.rightJustified = field.kind != FieldCheck && gEntryModes.leftJustified == 0;
    seat.amountColumn = (field.kind == FieldBox || field.kind == FieldUnderline) &&
                        InAmountColumn(gFormFields.found.data(), (int)gFormFields.found.size(), index);
    seat.leastHeight = LeastLegibleHeight(gFormFields.dotsPerInch);
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
    seat.fontHeight = font.lfHeight;
    seat.cellHeight = cell;
    if (seat.leastHeight > fitted)
        seat.leastHeight = fitted;   // a field lower than that: no shrinking to its width
    FieldSeat at = field.kind == FieldCheck ? CheckMarkSeat(field.area, markWidth, cell)
                                            : SeatInField(field.area, cell, seat.rightJustified);
    seat.x = at.x;
    seat.y = at.y;
    seat.rightX = SeatInField(field.area, cell, true).x;
    return seat;
}

// The slots of the entries whose anchors lie in the field, in the order of
// the file: all of them for a comb, the first one for any other field.
static int EntriesInField(const FormField& field, int slots[EntryTableSlots])
{
    int count = 0;
    for (int i = 0; i < gEntryCount && i < EntryTableSlots; i++) {
        if (FieldHolds(field.area, gEntryTable[i].x, gEntryTable[i].y)) {
            slots[count++] = i;
            if (field.kind != FieldComb)
                break;
        }
    }
    return count;
}

// Opens the box in field `index`, scrolled into view when `scroll`: the
// entries in it are picked up as a right-button press picks one, or a new
// one is seated.
static void OpenField(int index, bool scroll)
{
    const FormField& field = gFormFields.found[index];
    if (scroll) {
        RECT area = { field.area.left, field.area.top, field.area.right, field.area.bottom };
        ShowFormArea(area);
    }
    SetLastVisitedField(index);
    EntrySeat seat = SeatOf(index);
    static int slots[EntryTableSlots];
    int count = EntriesInField(field, slots);
    if (count > 0)
        BeginFieldPick(seat, slots, count);
    else
        BeginSeatedEdit(seat);
}

void OnTabKey(bool backward)
{
    WaitForFormFields();
    if (EntryBoxOpen() || !gFormImage.imageLoaded || gFormFields.found.empty() || EntryPickHeld())
        return;
    int next = FieldAfter((int)gFormFields.found.size(), gFormFields.lastVisited, backward);
    OpenField(next == PastTheLastField ? 0 : next, true);
}

// Tab in the box stores the entry as Enter does; with fields found it then
// opens the next field (Shift+Tab: the previous one), and after the last it
// closes, so the next Tab starts at the first.
static void TabFromBox(bool backward)
{
    WaitForFormFields();
    if (!CommitEntryEdit() || gFormFields.found.empty())
        return;
    int next = FieldAfter((int)gFormFields.found.size(), gFormFields.lastVisited, backward);
    if (next == PastTheLastField)
        SetLastVisitedField(-1);
    else
        OpenField(next, true);
}

// The field after `index` when it is a comb on the same row; -1 otherwise.
static int NextCombOnRow(int index)
{
    int next = index + 1;
    if (next >= (int)gFormFields.found.size())
        return -1;
    const FormField& field = gFormFields.found[next];
    return field.kind == FieldComb && OnSameRow(gFormFields.found[index].area, field.area) ? next : -1;
}

// A character typed into a full comb: it goes on into the next comb of the
// row (a separator there is passed over), or is refused with a beep.
static void TypedPastTheComb(int index, char c)
{
    int next = NextCombOnRow(index);
    if (next < 0 || !CommitEntryEdit()) {
        MessageBeep(MB_OK);
        return;
    }
    OpenField(next, true);
    HWND box = EntryBoxWindow();
    if (!PassedOverBetweenCombs(c) && box)
        SendMessageA(box, WM_CHAR, (WPARAM)(unsigned char)c, 1);
}

// The characters of the box in a check box or a comb. A check box takes x,
// X or Space as its mark and moves on; other printable characters are not
// for it. A comb takes as many characters as it has cells.
static bool OnBoxCharacter(char c)
{
    int index = EditedField();
    if (index < 0 || index >= (int)gFormFields.found.size() || (unsigned char)c < ' ')
        return false;
    const FormField& field = gFormFields.found[index];
    HWND box = EntryBoxWindow();
    if (field.kind == FieldCheck) {
        if (ChecksBox(c)) {
            SetWindowTextA(box, "X");
            TabFromBox(false);
        }
        return true;
    }
    if (field.kind != FieldComb)
        return false;
    DWORD start = 0, end = 0;
    SendMessageA(box, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    int kept = GetWindowTextLengthA(box) - (int)(end - start);
    if (kept < field.cells)
        return false;
    TypedPastTheComb(index, c);
    return true;
}

void InstallFieldKeys()
{
    EntryBoxKeys keys = { TabFromBox, OnBoxCharacter };
    SetEntryBoxKeys(keys);
}

void OnRightButtonRelease(int wx, int wy)
{
    if (gFormFields.snapToFields && NewEntryRelease()) {
        POINT form = FormPointOf(wx, wy, gViewState);
        int field = FieldAt(form.x, form.y);
        if (field >= 0) {
            OpenField(field, false);
            return;
        }
    }
    OnEntryRelease(wx, wy);
}

#include "view/view_state.h"

#include "view/form_fields.h"
#include "view/form_image.h"
#include "view/half_view.h"
#include "view/view_globals.h"

ViewState gViewState = InitialViewState();

ViewState InitialViewState()
{
    ViewState view = {};
    view.halfSize = 1;
    view.keyStep = StartKeyStep;
    view.dragAnchorX = NoDrag;
    return view;
}

int ScrollLimit(int imageSize, int viewSize)
{
    return imageSize > viewSize ? imageSize - viewSize : 0;
}

static int Clamp(int value, int limit)
{
    if (value < 0)
        return 0;
    return value > limit ? limit : value;
}

ViewState ArrowKeyMoved(ViewState view, int key)
{
    int e = view.halfSize ? 10 * view.keyStep : view.keyStep;
    switch (key) {
    case VK_LEFT:  view.offsetX = view.offsetX - e < 0 ? 0 : view.offsetX - e; break;
    case VK_UP:    view.offsetY = view.offsetY - e < 0 ? 0 : view.offsetY - e; break;
    case VK_RIGHT: view.offsetX = view.offsetX + e > view.keyLimitX ? view.keyLimitX : view.offsetX + e; break;
    case VK_DOWN:  view.offsetY = view.offsetY + e > view.keyLimitY ? view.keyLimitY : view.offsetY + e; break;
    }
    view.keyStep++;
    return view;
}

int WheelKey(WPARAM wParam)
{
    bool away = (LONG)wParam >= 0;   // the sign of the delta in the high word
    if (LOWORD(wParam) == MK_CONTROL)
        return away ? VK_LEFT : VK_RIGHT;
    return away ? VK_UP : VK_DOWN;
}

ViewState DragMoved(ViewState view, unsigned x, unsigned y,
                          int imageWidth, int imageHeight, SIZE windowSize)
{
    bool underWay = view.dragAnchorX != NoDrag;
    if (underWay) {
        view.dragAnchorX = view.pointerX;
        view.dragAnchorY = view.pointerY;
    }
    view = PointerMoved(view, x, y);
    if (!underWay) {
        view.dragAnchorX = view.pointerX;
        view.dragAnchorY = view.pointerY;
    }
    if (imageWidth > windowSize.cx)
        view.offsetX += view.dragAnchorX - view.pointerX;
    if (imageHeight > windowSize.cy)
        view.offsetY += view.dragAnchorY - view.pointerY;
    view.offsetX = Clamp(view.offsetX, view.dragLimitX);
    view.offsetY = Clamp(view.offsetY, view.dragLimitY);
    return view;
}

ViewState PointerMoved(ViewState view, unsigned x, unsigned y)
{
    int scale = view.halfSize ? 2 : 1;
    view.pointerX = (int)(x & 0xFFFF) * scale;
    view.pointerY = (int)(y & 0xFFFF) * scale;
    return view;
}

// ---- painting ----

// Paints the part of the client area right of `imageRight` and below
// `imageBottom` (client pixels) white: no part of the image lies there.
static void FillBeyondImage(HDC dc, int imageRight, int imageBottom)
{
    HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
    if (imageRight < gClientSize.cx) {
        RECT r = { imageRight < 0 ? 0 : imageRight, 0, gClientSize.cx, gClientSize.cy };
        FillRect(dc, &r, white);
    }
    if (imageBottom < gClientSize.cy) {
        RECT r = { 0, imageBottom < 0 ? 0 : imageBottom, gClientSize.cx, gClientSize.cy };
        FillRect(dc, &r, white);
    }
}

void DrawFormView(HDC dc)
{
    int cw = gClientSize.cx, ch = gClientSize.cy;
    if (!gFormImage.hBitmap || !gFormImage.hdcMem) {
        FillBeyondImage(dc, 0, 0);   // no picture (it could not be read again): a white window
        return;
    }
    if (!gViewState.halfSize) {
        BitBlt(dc, 0, 0, cw, ch, gFormImage.hdcMem, gViewState.offsetX, gViewState.offsetY, SRCCOPY);
        FillBeyondImage(dc, gFormImage.width - gViewState.offsetX, gFormImage.height - gViewState.offsetY);
        return;
    }
    // The half-size picture: every screen pixel the average of its 2x2 block
    // of image pixels.
    HalfViewImage image = { (const uint8_t*)gFormImage.bits, gFormImage.headerBlock, gFormImage.headerBlockSize,
                            gFormImage.width, gFormImage.height, gFormImage.headerCopy.biHeight > 0,
                            gFormImage.version };
    if (!DrawHalfView(dc, image, gViewState.offsetX, gViewState.offsetY, cw, ch)) {
        // No memory for the averaged picture: the platform's own shrinking.
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, NULL);
        StretchBlt(dc, 0, 0, cw, ch, gFormImage.hdcMem, gViewState.offsetX, gViewState.offsetY,
                   2 * cw, 2 * ch, SRCCOPY);
        return;
    }
    HalfViewPlacement half = HalfViewPlacementFor(gFormImage.width, gFormImage.height, gViewState.offsetX,
                                                  gViewState.offsetY);
    FillBeyondImage(dc, half.width - half.sourceX, half.height - half.sourceY);
}

void DrawView(HDC dc)
{
    DrawFormView(dc);
    DrawFieldOutlines(dc);   // on the window only, never into the picture
}

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (gFormImage.hBitmap && gFormImage.hdcMem)
        DrawView(dc);
    EndPaint(window, &ps);
}

// ---- changes of the view ----

void SetScrollLimits(int imageWidth, int imageHeight)
{
    gViewState.dragLimitX = ScrollLimit(imageWidth, gWindowSize.cx);
    gViewState.dragLimitY = ScrollLimit(imageHeight, gWindowSize.cy);
    gViewState.keyLimitX = ScrollLimit(imageWidth, gClientSize.cx);
    gViewState.keyLimitY = ScrollLimit(imageHeight, gClientSize.cy);
}

void ResetViewOrigin()
{
    gViewState.pointerX = gViewState.pointerY = 0;
    gViewState.offsetX = gViewState.offsetY = 0;
}

void StartAtHalfSize()
{
    gViewState.halfSize = 1;
}

void TrackPointer(unsigned x, unsigned y)
{
    gViewState = PointerMoved(gViewState, x, y);
}

// The nearest offset along one axis that shows [start, end) in a view
// `size` image pixels long: unchanged when it already shows; the start
// first when it can't show all of it.
static int OffsetShowing(int offset, int start, int end, int size, int limit)
{
    if (end > offset + size)
        offset = end - size;
    if (start < offset)
        offset = start;
    return Clamp(offset, limit);
}

// Down the view, a rectangle out of sight lands with its top a third of the
// way down, so what is above it (its label, the lines before) shows too.
static int OffsetShowingDown(int offset, int start, int end, int size, int limit)
{
    if (start >= offset && end <= offset + size)
        return offset;
    int third = size / 3;
    return Clamp(end - start <= size - third ? start - third : start, limit);
}

ViewState ScrolledToShow(ViewState view, RECT area, SIZE client)
{
    int scale = view.halfSize ? 2 : 1;
    view.offsetX = OffsetShowing(view.offsetX, area.left, area.right, scale * client.cx, view.dragLimitX);
    view.offsetY = OffsetShowingDown(view.offsetY, area.top, area.bottom, scale * client.cy, view.dragLimitY);
    return view;
}

bool ShowFormArea(RECT area)
{
    ViewState moved = ScrolledToShow(gViewState, area, gClientSize);
    if (moved.offsetX == gViewState.offsetX && moved.offsetY == gViewState.offsetY)
        return false;
    gViewState = moved;
    return true;
}

// ---- zoom and keys ----

// Zooming keeps the offsets, so the image point at the top-left corner stays.
static void SetHalfSize(int half)
{
    if (gViewState.halfSize == half)
        return;
    gViewState.halfSize = half;
    InvalidateRect(gMainWindow, NULL, FALSE);
}

void ZoomIn() { SetHalfSize(0); }
void ZoomOut() { SetHalfSize(1); }

void OnHomeKey()
{
    gViewState.offsetX = 0;
    gViewState.offsetY = 0;
    InvalidateRect(gMainWindow, NULL, FALSE);
}

void OnArrowKey(int key)
{
    gViewState = ArrowKeyMoved(gViewState, key);
    InvalidateRect(gMainWindow, NULL, FALSE);
    UpdateWindow(gMainWindow);
}

void OnKeyUp()
{
    gViewState.keyStep = StartKeyStep;
}

// Each wheel message moves the view as its arrow key does, step growth
// and all (the step starts again when a key is let go).
void OnMouseWheel(WPARAM wParam)
{
    OnArrowKey(WheelKey(wParam));
}

// ---- left-button drag ----

void OnLeftButtonDown()
{
    SetCursor(gHandCursor);
}

void OnLeftDragMove(unsigned x, unsigned y)
{
    SetCursor(gHandCursor);
    gViewState = DragMoved(gViewState, x, y, gFormImage.width, gFormImage.height, gWindowSize);
    InvalidateRect(gMainWindow, NULL, FALSE);
    UpdateWindow(gMainWindow);
}

void OnLeftButtonUp()
{
    gViewState.dragAnchorX = NoDrag;
    SetCursor(gArrowCursor);
}

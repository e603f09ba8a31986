#include "view/view_state.h"

#include "view/form_image.h"
#include "view/half_view.h"

ViewStateFields ViewState = InitialViewState();

ViewStateFields InitialViewState()
{
    ViewStateFields view = {};
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

ViewStateFields ArrowKeyMoved(ViewStateFields view, int key)
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

ViewStateFields DragMoved(ViewStateFields view, unsigned x, unsigned y,
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

ViewStateFields PointerMoved(ViewStateFields view, unsigned x, unsigned y)
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
    if (imageRight < ClientSize.cx) {
        RECT r = { imageRight < 0 ? 0 : imageRight, 0, ClientSize.cx, ClientSize.cy };
        FillRect(dc, &r, white);
    }
    if (imageBottom < ClientSize.cy) {
        RECT r = { 0, imageBottom < 0 ? 0 : imageBottom, ClientSize.cx, ClientSize.cy };
        FillRect(dc, &r, white);
    }
}

void DrawView(HDC dc)
{
    int cw = ClientSize.cx, ch = ClientSize.cy;
    if (!FormImage.hBitmap || !FormImage.hdcMem) {
        FillBeyondImage(dc, 0, 0);   // no picture (it could not be read again): a white window
        return;
    }
    if (!ViewState.halfSize) {
        BitBlt(dc, 0, 0, cw, ch, FormImage.hdcMem, ViewState.offsetX, ViewState.offsetY, SRCCOPY);
        FillBeyondImage(dc, FormImage.width - ViewState.offsetX, FormImage.height - ViewState.offsetY);
        return;
    }
    // The half-size picture: every screen pixel the average of its 2x2 block
    // of image pixels.
    HalfViewImage image = { (const uint8_t*)FormImage.bits, FormImage.headerBlock, FormImage.headerBlockSize,
                            FormImage.width, FormImage.height, FormImage.headerCopy.biHeight > 0,
                            FormImage.version };
    if (!DrawHalfView(dc, image, ViewState.offsetX, ViewState.offsetY, cw, ch)) {
        // No memory for the averaged picture: the platform's own shrinking.
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, NULL);
        StretchBlt(dc, 0, 0, cw, ch, FormImage.hdcMem, ViewState.offsetX, ViewState.offsetY,
                   2 * cw, 2 * ch, SRCCOPY);
        return;
    }
    HalfViewPlacement half = HalfViewPlacementFor(FormImage.width, FormImage.height, ViewState.offsetX,
                                                  ViewState.offsetY);
    FillBeyondImage(dc, half.width - half.sourceX, half.height - half.sourceY);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (FormImage.hBitmap && FormImage.hdcMem)
        DrawView(dc);
    EndPaint(window, &ps);
}

// ---- changes of the view ----

void SetScrollLimits(int imageWidth, int imageHeight)
{
    ViewState.dragLimitX = ScrollLimit(imageWidth, WindowSize.cx);
    ViewState.dragLimitY = ScrollLimit(imageHeight, WindowSize.cy);
    ViewState.keyLimitX = ScrollLimit(imageWidth, ClientSize.cx);
    ViewState.keyLimitY = ScrollLimit(imageHeight, ClientSize.cy);
}

void ResetViewOrigin()
{
    ViewState.pointerX = ViewState.pointerY = 0;
    ViewState.offsetX = ViewState.offsetY = 0;
}

void StartAtHalfSize()
{
    ViewState.halfSize = 1;
}

void TrackPointer(unsigned x, unsigned y)
{
    ViewState = PointerMoved(ViewState, x, y);
}

// ---- zoom and keys ----

// Zooming keeps the offsets, so the image point at the top-left corner stays.
static void SetHalfSize(int half)
{
    if (ViewState.halfSize == half)
        return;
    ViewState.halfSize = half;
    InvalidateRect(MainWindow, NULL, FALSE);
}

void ZoomIn() { SetHalfSize(0); }
void ZoomOut() { SetHalfSize(1); }

void OnHomeKey()
{
    ViewState.offsetX = 0;
    ViewState.offsetY = 0;
    InvalidateRect(MainWindow, NULL, FALSE);
}

void OnArrowKey(int key)
{
    ViewState = ArrowKeyMoved(ViewState, key);
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
}

void OnKeyUp()
{
    ViewState.keyStep = StartKeyStep;
}

void OnMouseWheel(WPARAM wParam)
{
    SendMessageA(MainWindow, WM_KEYDOWN, WheelKey(wParam), 0);
}

// ---- left-button drag ----

void OnLeftButtonDown()
{
    SetCursor(HandCursor);
}

void OnLeftDragMove(unsigned x, unsigned y)
{
    SetCursor(HandCursor);
    ViewState = DragMoved(ViewState, x, y, FormImage.width, FormImage.height, WindowSize);
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
}

void OnLeftButtonUp()
{
    ViewState.dragAnchorX = NoDrag;
    SetCursor(ArrowCursor);
}

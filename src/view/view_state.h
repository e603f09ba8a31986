// The view: which rectangle of the form image the window shows, at full or
// half size, and how keys, the wheel and a left-button drag move it.
#ifndef SCRIVELANDER_VIEW_STATE_H
#define SCRIVELANDER_VIEW_STATE_H

#include <windows.h>

#include "view/view_globals.h"

const int StartKeyStep = 10;
const int NoDrag = -1;

ViewState InitialViewState();

// ---- arithmetic of the view, free of window calls ----

// The largest offset that shows the image's far edge at the view's far edge.
int ScrollLimit(int imageSize, int viewSize);

// The view after one arrow-key move (VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN):
// the offset moves by the key step (ten times it at half size), is clamped
// to 0 and the key limit, and the step grows by one.
ViewState ArrowKeyMoved(ViewState view, int key);

// The arrow key whose move one wheel message makes: sideways with Ctrl alone.
int WheelKey(WPARAM wParam);

// The view after one mouse move with the left button alone. x and y are the
// client position as unsigned 16-bit words; the image follows the pointer
// in each direction where the image is larger than the window.
ViewState DragMoved(ViewState view, unsigned x, unsigned y,
                          int imageWidth, int imageHeight, SIZE windowSize);

// The view after the pointer moved to client position (x, y), given as
// unsigned 16-bit words: in image scale, doubled at half size.
ViewState PointerMoved(ViewState view, unsigned x, unsigned y);

// The view moved to show the image rectangle `area` in a client area of
// `client` pixels at the view's zoom: across, as little as it takes (the
// rectangle's left when it is wider than the view); down, not at all when
// it shows already, and otherwise with its top a third of the way down the
// view (at the top when it is taller than two thirds of it). Offsets stay
// within the drag limits.
ViewState ScrolledToShow(ViewState view, RECT area, SIZE client);

// ---- painting ----

// Copies the visible part of the form image into the whole client area
// (or a page), as the window shows it but with no field outlines.
void DrawFormView(HDC dc);

// The view, with the found fields' outlines over it when they are shown.
void DrawView(HDC dc);

// ---- changes of the view, the only ways gViewState is written ----

// The scroll limits for a form image of this size (set at every load).
void SetScrollLimits(int imageWidth, int imageHeight);

// An Open command: the view's origin and the last pointer go back to 0.
void ResetViewOrigin();

// "To enter or print entries on .bmp file" and the conversion switch to half
// size before their dialog; the change shows at the next repaint.
void StartAtHalfSize();

// Records the pointer's client position, as unsigned 16-bit words: every
// mouse move that does not drag.
void TrackPointer(unsigned x, unsigned y);

// Moves the view to show the image rectangle `area` (ScrolledToShow); false
// when it was already in view. The caller draws the view at once (one paint
// a Tab, not two).
bool ShowFormArea(RECT area);

// ---- message handlers ----

void OnPaint(HWND window);
void ZoomIn();
void ZoomOut();
void OnHomeKey();
void OnArrowKey(int key);
void OnKeyUp();
void OnMouseWheel(WPARAM wParam);
void OnLeftButtonDown();
// A mouse move with the left button alone while no entry is being typed:
// the image follows the pointer, which is recorded as TrackPointer does.
void OnLeftDragMove(unsigned x, unsigned y);
void OnLeftButtonUp();

#endif

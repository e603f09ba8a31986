#include <gtest/gtest.h>

#include "view/view_state.h"

TEST(ScrollLimits, KeyAndDragLimitsFromImageAndWindow)
{
    // A 3000-wide image, a 1600-wide client area inside a 1680-wide window.
    EXPECT_EQ(1400, ScrollLimit(3000, 1600));
    EXPECT_EQ(1320, ScrollLimit(3000, 1680));
    EXPECT_EQ(0, ScrollLimit(1000, 1600));   // smaller than the view
    EXPECT_EQ(0, ScrollLimit(1600, 1600));
}

static ViewState ViewWithLimits(int half, int limitX, int limitY)
{
    ViewState view = InitialViewState();
    view.halfSize = half;
    view.keyLimitX = limitX;
    view.keyLimitY = limitY;
    return view;
}

TEST(ArrowKeys, StepGrowsWhileKeysGoDownAndIsTenfoldAtHalfSize)
{
    struct Case { int half; int expected[4]; } cases[] = {
        { 0, { 10, 21, 33, 46 } },       // 10, 11, 12, 13
        { 1, { 100, 210, 330, 460 } },   // 100, 110, 120, 130
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.half);
        ViewState view = ViewWithLimits(c.half, 100000, 100000);
        for (int i = 0; i < 4; i++) {
            view = ArrowKeyMoved(view, VK_RIGHT);
            EXPECT_EQ(c.expected[i], view.offsetX);
        }
        EXPECT_EQ(StartKeyStep + 4, view.keyStep);
    }
}

TEST(ArrowKeys, OffsetsStopAtZeroAndAtTheKeyLimits)
{
    struct Case { int key; int startX, startY; int x, y; } cases[] = {
        { VK_LEFT, 5, 7, 0, 7 },
        { VK_UP, 5, 7, 5, 0 },
        { VK_RIGHT, 995, 7, 1000, 7 },
        { VK_DOWN, 5, 495, 5, 500 },
        { VK_RIGHT, 1200, 0, 1000, 0 },   // beyond the limit (after a drag or a load)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ViewState view = ViewWithLimits(0, 1000, 500);
        view.offsetX = c.startX;
        view.offsetY = c.startY;
        view = ArrowKeyMoved(view, c.key);
        EXPECT_EQ(c.x, view.offsetX);
        EXPECT_EQ(c.y, view.offsetY);
    }
}

TEST(ArrowKeys, TenthWheelNotchMovesNineteen)
{
    ViewState view = ViewWithLimits(0, 100000, 100000);
    int previous = 0;
    for (int i = 0; i < 10; i++) {
        previous = view.offsetY;
        view = ArrowKeyMoved(view, WheelKey(MAKEWPARAM(0, (WORD)-120)));
    }
    EXPECT_EQ(19, view.offsetY - previous);
}

TEST(MouseWheel, CtrlAloneScrollsSideways)
{
    struct Case { WORD keys; short delta; int key; } cases[] = {
        { 0, 120, VK_UP },
        { 0, -120, VK_DOWN },
        { 0, 0, VK_UP },
        { MK_CONTROL, 120, VK_LEFT },
        { MK_CONTROL, -240, VK_RIGHT },
        { MK_CONTROL | MK_SHIFT, 120, VK_UP },
        { MK_CONTROL | MK_LBUTTON, -120, VK_DOWN },
        { MK_SHIFT, -120, VK_DOWN },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keys << " " << c.delta);
        EXPECT_EQ(c.key, WheelKey(MAKEWPARAM(c.keys, (WORD)c.delta)));
    }
}

static ViewState DragView(int half)
{
    ViewState view = InitialViewState();
    view.halfSize = half;
    view.dragLimitX = 1000;
    view.dragLimitY = 2000;
    view.offsetX = 300;
    view.offsetY = 400;
    return view;
}

TEST(LeftDrag, FirstMoveStartsTheDragAndScrollsNothing)
{
    ViewState view = DragMoved(DragView(0), 50, 60, 3000, 4000, SIZE{ 1600, 1000 });
    EXPECT_EQ(300, view.offsetX);
    EXPECT_EQ(400, view.offsetY);
    EXPECT_EQ(50, view.dragAnchorX);
    EXPECT_EQ(60, view.pointerY);
}

TEST(LeftDrag, ImageFollowsThePointerTwiceAsFastAtHalfSize)
{
    for (int half = 0; half <= 1; half++) {
        SCOPED_TRACE(half);
        SIZE window = { 1600, 1000 };
        ViewState view = DragMoved(DragView(half), 100, 100, 3000, 4000, window);
        view = DragMoved(view, 90, 120, 3000, 4000, window);
        int scale = half ? 2 : 1;
        EXPECT_EQ(300 + 10 * scale, view.offsetX);
        EXPECT_EQ(400 - 20 * scale, view.offsetY);
    }
}

TEST(LeftDrag, OffsetsAreClampedToTheDragLimits)
{
    SIZE window = { 1600, 1000 };
    ViewState view = DragView(0);
    view.offsetX = 1400;   // reached with the keys, beyond the drag limit
    view = DragMoved(view, 500, 500, 3000, 4000, window);
    EXPECT_EQ(1000, view.offsetX);
    view = DragMoved(view, 500, 900, 3000, 4000, window);
    EXPECT_EQ(0, view.offsetY);
}

TEST(LeftDrag, ImageNoLargerThanTheWindowDoesNotMove)
{
    SIZE window = { 1600, 1000 };
    ViewState view = DragView(0);
    view.offsetX = 40;        // reached with the keys on an image wider than the client area
    view.dragLimitX = 0;
    view = DragMoved(view, 100, 100, 1600, 1000, window);
    view = DragMoved(view, 50, 30, 1600, 1000, window);
    EXPECT_EQ(0, view.offsetX);   // snapped back to the drag limit
    EXPECT_EQ(400, view.offsetY);   // not taller than the window either
}

TEST(LeftDrag, PointerIsReadAsUnsignedWords)
{
    // A position left of the client area arrives as a large unsigned word.
    ViewState view = DragMoved(DragView(0), 0xFFFF, 5, 3000, 4000, SIZE{ 1600, 1000 });
    EXPECT_EQ(0xFFFF, view.pointerX);
}

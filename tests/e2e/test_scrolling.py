"""Scrolling with the keys, the wheel and a left-button drag, up to the
limits. A coordinate form tells the offsets from one screen pixel at full
size. The form is 2200 x 1600 in a 1600 x 1000 window whose client area is
1594 x 956: the keys reach (606, 644), a drag (600, 600)."""
import bmpfiles
import forms
from resource_ids import IDM_ZOOM_IN

KEY_LIMITS = (2200 - 1594, 1600 - 956)
DRAG_LIMITS = (2200 - 1600, 1600 - 1000)


def open_coordinate_form(ctx, full_size=True):
    path = ctx.write("coords.bmp", bmpfiles.coordinate_form(2200, 1600))
    app = ctx.start_app()
    app.open_bmp(path, via="command")
    if full_size:
        app.post_command(IDM_ZOOM_IN)
    app.sync()
    forms.wait_offsets(app, (0, 0)) if full_size else None
    return app


def drag(app, x1, y1, x2, y2):
    """A left-button drag whose first move, which only starts the drag,
    lands on (x1, y1); the view then scrolls by (x1 - x2, y1 - y2)."""
    app.mouse_move(x1 - 1, y1)
    app.press("left")
    app.mouse_move(x1, y1)
    app.mouse_move(x2, y2)
    app.release("left")
    app.sync()


def test_arrow_keys_step_ten_and_stop_at_the_key_limits(ctx):
    app = open_coordinate_form(ctx)
    app.key("Right", "Right", "Down")
    forms.wait_offsets(app, (20, 10))
    app.key("Left", "Left", "Left", "Up", "Up")
    forms.wait_offsets(app, (0, 0))
    # The wheel sends key-downs without releases: the step keeps growing.
    app.wheel("down", clicks=10)
    forms.wait_offsets(app, (0, 145))            # 10 + 11 + ... + 19
    app.wheel("down", ctrl=True, clicks=3)       # Ctrl alone: sideways, still accelerating
    forms.wait_offsets(app, (20 + 21 + 22, 145))
    app.key("Up")                                 # a release brought the step back to 10
    forms.wait_offsets(app, (63, 135))
    app.wheel("down", clicks=40)
    app.wheel("down", ctrl=True, clicks=40)
    forms.wait_offsets(app, KEY_LIMITS)
    app.key("Home")
    forms.wait_offsets(app, (0, 0))


def test_half_size_keys_move_a_hundred(ctx):
    app = open_coordinate_form(ctx, full_size=False)
    # The zoom keys travel with the arrows, so each arrow is handled at the
    # zoom it was pressed at, however late the input reaches the program.
    app.key("Right", "Down", "Down", "plus")
    forms.wait_offsets(app, (100, 200))
    app.key("minus", "Right", "Right", "Right", "Right", "Right", "Right", "Right", "plus")
    forms.wait_offsets(app, (KEY_LIMITS[0], 200))  # the full-size limit holds at half size


def test_left_drag_follows_the_pointer_and_stops_at_the_drag_limits(ctx):
    app = open_coordinate_form(ctx)
    drag(app, 700, 600, 600, 450)                  # the image follows: offsets grow
    app.sync()
    forms.wait_offsets(app, (100, 150))
    drag(app, 200, 800, 100, 100)
    forms.wait_offsets(app, (200, DRAG_LIMITS[1]))
    drag(app, 900, 500, 100, 500)
    forms.wait_offsets(app, DRAG_LIMITS)
    # The keys reach beyond the drag limits; the next drag snaps back.
    app.key("Right", "Down")
    forms.wait_offsets(app, (DRAG_LIMITS[0] + 6, DRAG_LIMITS[1] + 10))
    drag(app, 500, 500, 501, 500)
    # The first move snaps back to the drag limits, the second moves by one.
    forms.wait_offsets(app, (DRAG_LIMITS[0] - 1, DRAG_LIMITS[1]))
    drag(app, 100, 100, 1500, 900)
    forms.wait_offsets(app, (0, 0))


def test_half_size_drag_moves_two_image_pixels_per_screen_pixel(ctx):
    app = open_coordinate_form(ctx, full_size=False)
    drag(app, 700, 600, 650, 560)
    app.sync()
    app.post_command(IDM_ZOOM_IN)
    forms.wait_offsets(app, (100, 80))

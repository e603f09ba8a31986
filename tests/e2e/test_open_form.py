"""Opening forms of every depth and showing them at both sizes."""
import bmpfiles
import forms
import harness
from resource_ids import IDM_OPEN_BMP, IDM_ZOOM_IN, IDM_ZOOM_OUT


def close_enough(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def check_view(app, stored, width, height, half, tolerance=0, step=3):
    shot = app.screenshot()
    if half:
        view = forms.average_view(stored, width, height, 0, 0, (width + 1) // 2, (height + 1) // 2)
        for (i, j), colour in view.items():
            if i % step == 0 and j % step == 0:
                got = shot.pixel(i, j)
                assert close_enough(got, colour, tolerance + 1), (i, j, got, colour)
    else:
        for y in range(0, height, step):
            for x in range(0, width, step):
                got = shot.pixel(x, y)
                assert close_enough(got, stored(x, y), tolerance), (x, y, got, stored(x, y))
    # Beyond the image the window shows no part of it.
    edge_x = (width + 1) // 2 if half else width
    edge_y = (height + 1) // 2 if half else height
    assert shot.pixel(edge_x + 5, 5) == (255, 255, 255)
    assert shot.pixel(5, edge_y + 5) == (255, 255, 255)


def test_forms_of_every_depth_open_at_half_size_and_zoom_in(ctx):
    app = ctx.start_app()
    width, height = 150, 110
    for bits in (1, 4, 8, 16, 24, 32):
        for top_down in (False, True):
            name = "form%d%s.bmp" % (bits, "td" if top_down else "")
            path = ctx.write(name, forms.small_form(bits, width, height, top_down))
            stored = forms.expected_full(forms.pattern_colour, bits, width, height)
            tolerance = 8 if bits == 16 else 0
            app.open_bmp(path, via="command")
            harness.wait_until(lambda: app.title() == name, 5, what="title " + name)
            check_view(app, stored, width, height, half=True, tolerance=tolerance)
            app.key("plus")      # the "+" key of the main keyboard
            app.sync()
            check_view(app, stored, width, height, half=False, tolerance=tolerance)
            # Opening a form always starts at half size again.


def test_opening_through_the_file_menu_shows_the_file_name(ctx):
    path = ctx.write("claim.bmp", forms.small_form(1))
    app = ctx.start_app()
    app.open_bmp(path, via="keys")
    harness.wait_until(lambda: app.title() == "claim.bmp", 5, what="the title")
    stored = forms.expected_full(forms.pattern_colour, 1, 150, 110)
    check_view(app, stored, 150, 110, half=True)


def test_zoom_commands_keep_the_top_left_point(ctx):
    path = ctx.write("coords.bmp", bmpfiles.coordinate_form(2200, 1600))
    app = ctx.start_app()
    app.open_bmp(path, via="command")
    app.post_command(IDM_ZOOM_IN)        # "+": full size
    app.sync()
    app.key("Right")
    app.key("Down")
    forms.wait_offsets(app, (10, 10))
    app.post_command(IDM_ZOOM_OUT)       # "-": half size; offsets stay
    app.sync()
    app.post_command(IDM_ZOOM_OUT)       # a second "-" changes nothing
    app.key("minus")
    app.key("Right")                     # at half size a key moves 100
    app.key("equal")                     # the plus-and-equals key zooms in
    forms.wait_offsets(app, (110, 10))
    app.key("KP_Subtract")               # the keypad's minus does nothing
    app.sync()
    forms.wait_offsets(app, (110, 10))


def test_original_form_mode_shows_a_white_page(ctx):
    path = ctx.write("printed.bmp", forms.small_form(24))
    app = ctx.start_app()
    app.open_bmp(path, mode="original", via="keys")
    harness.wait_until(lambda: app.title() == "printed.bmp", 5, what="the title")
    assert app.wait_msgbox()[0] == "Oops"   # no entries beside it yet
    app.dismiss_msgbox()
    app.sync()
    shot = app.screenshot()
    assert shot.count((255, 255, 255)) == shot.width * shot.height
    # The other open command shows the form's own picture again.
    app.open_bmp(path, mode="bmp", via="keys")
    app.sync()
    assert app.pixel(0, 0) == (0, 0, 0)


def test_cancelling_the_open_dialog_keeps_the_form(ctx):
    path = ctx.write("kept.bmp", forms.small_form(8))
    app = ctx.start_app()
    app.open_bmp(path, via="command")
    app.sync()
    before = app.screenshot()
    app.post_command(IDM_OPEN_BMP)
    app.wait_dialog(5, lambda d: d.is_file_dialog, "the open dialog")
    app.key("Escape")
    app.wait_no_dialog()
    app.sync()
    assert app.screenshot().data == before.data
    assert app.title() == "kept.bmp"

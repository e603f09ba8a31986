"""The form's own fields: Tab from field to field, entries seated to fit,
Show fields and Snap to fields. The form is drawn here: a table row of two
ruled cells, an underline, a comb of eight cells and a check box."""
import os

import bmpfiles
import entryfiles
import harness
import printing
from resource_ids import (IDM_LEFT_JUSTIFIED, IDM_RIGHT_JUSTIFIED, IDM_SHOW_FIELDS, IDM_SNAP_TO_FIELDS, IDM_VERTICAL,
                          IDM_ZOOM_IN)
from test_placing import entries, place, wait_quietly, white_form
from test_print import print_through_dialogs, printer_caps

W, H = 1200, 800
# The writable areas the finder gives for the form below (image pixels,
# right and bottom exclusive), in reading order.
FIELDS = [(102, 103, 599, 167), (601, 103, 1098, 167), (300, 218, 800, 260), (102, 343, 418, 387),
          (102, 462, 122, 482)]
OUTLINE = (150, 190, 255)


def fields_form(ctx, name="fields.bmp", dpi=150):
    ink = [bytearray(b"\xff" * bmpfiles.stride(W, 1)) for _ in range(H)]

    def box(x0, y0, x1, y1):
        for y in range(y0, y1):
            for x in range(x0, x1):
                ink[y][x >> 3] &= ~(0x80 >> (x & 7)) & 0xFF

    def frame(x0, y0, x1, y1, t=2):
        box(x0, y0, x1, y0 + t); box(x0, y1 - t, x1, y1); box(x0, y0, x0 + t, y1); box(x1 - t, y0, x1, y1)
    frame(100, 100, 1100, 170); box(599, 100, 601, 170)   # a table row of two cells
    box(300, 260, 800, 262)                               # an underline
    frame(100, 340, 420, 390)
    for i in range(1, 8):
        box(100 + 40 * i - 1, 340, 100 + 40 * i + 1, 390)  # a comb of eight cells
    frame(100, 460, 124, 484)                             # a check box
    return ctx.write(name, bmpfiles.raw_bmp(W, H, 1, [bytes(r) for r in ink], dpi=dpi))


def open_fields_form(ctx, dta=None, full_size=False, dpi=150):
    form = fields_form(ctx, dpi=dpi)
    if dta is not None:
        ctx.write("fields.dta", entryfiles.entry_file(*dta))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.wait_title("fields.bmp")
    if full_size:
        app.post_command(IDM_ZOOM_IN)
    app.sync()
    return app


def stored(ctx):
    return entries(ctx, "fields.dta")


def box_open(app):
    return wait_quietly(lambda: app.focus()[1] == "Edit")


def box_closed(app):
    return wait_quietly(lambda: app.focus()[1] != "Edit")


def tab(app, *keys):
    """Presses each key and waits until the program has dealt with it."""
    for k in keys:
        app.key(k)
        app.sync()


def inside(record, field):
    """The entry's text cell lies inside the field's writable area."""
    left, top, right, bottom = field
    x0 = record["x"] - record["width"] if record["right"] else record["x"]
    return (left <= x0 and x0 + record["width"] <= right and top <= record["y"]
            and record["y"] + record["height"] <= bottom)


def field_of(record):
    for i, f in enumerate(FIELDS):
        l, t, r, b = f
        if l <= record["x"] < r and t <= record["y"] < b:
            return i
    return None


def wait_records(ctx, count):
    harness.wait_until(lambda: len(stored(ctx)) == count, 5, what="%d entries stored" % count)
    return stored(ctx)


def test_tab_fills_every_field_in_reading_order_and_starts_again_after_the_last(ctx):
    for full in (False, True):
        if os.path.exists(ctx.path("fields.dta")):
            os.remove(ctx.path("fields.dta"))
        app = open_fields_form(ctx, full_size=full)
        texts = ["One", "Two", "Name", "1234"]
        tab(app, "Tab")
        assert box_open(app)
        for text in texts:
            app.type(text)
            tab(app, "Tab")
            assert box_open(app), text
        app.type("x")   # the check box takes its mark and moves on: past the last, the box closes
        assert box_closed(app)
        records = wait_records(ctx, 8)
        # The comb holds one character to a cell, each its own record.
        assert [r["text"] for r in records] == texts[:3] + list("1234") + ["X"], records
        for r, i in zip(records, [0, 1, 2, 3, 3, 3, 3, 4]):
            assert field_of(r) == i, (i, r)
            assert inside(r, FIELDS[i]), (i, r, FIELDS[i])
            assert r["vertical"] == 0 and r["right"] == 0, r
        left, _, right, _ = FIELDS[3]
        for n, r in enumerate(records[3:7]):
            pitch = (right - left) / 8
            middle = r["x"] + r["width"] / 2
            assert left + n * pitch < middle < left + (n + 1) * pitch, (n, r)
        # The check mark is centred in its box.
        check = records[7]
        left, top, right, bottom = FIELDS[4]
        assert abs(check["x"] + check["width"] / 2 - (left + right) / 2) <= 1.5, check
        # The next Tab starts again at the first field, which holds "One": it
        # is picked up (out of the file while edited), and Esc puts it back
        # unchanged, as the last record as a right-button pick does.
        before = stored(ctx)
        tab(app, "Tab")
        assert box_open(app)
        harness.wait_until(lambda: [r["text"] for r in stored(ctx)] == texts[1:3] + list("1234X"), 5,
                           what="the first entry picked up")
        tab(app, "Escape")
        assert box_closed(app)
        harness.wait_until(lambda: stored(ctx) == before[1:] + before[:1], 5, what="the picked entry back as it was")
        assert app.close() == 0


def test_shift_tab_stores_and_opens_the_previous_field(ctx):
    app = open_fields_form(ctx)
    tab(app, "Tab")
    assert box_open(app)
    tab(app, "Tab")             # an empty box stores nothing and moves on
    assert box_open(app)
    app.type("second")
    tab(app, "shift+Tab")       # stored, and the first field opens
    assert box_open(app)
    app.type("first")
    tab(app, "Return")
    assert box_closed(app)
    records = wait_records(ctx, 2)
    assert sorted((field_of(r), r["text"]) for r in records) == [(0, "first"), (1, "second")], records
    # With no field visited since the open, Shift+Tab opens the last one.
    assert app.close() == 0
    app = open_fields_form(ctx)
    tab(app, "shift+Tab")
    assert box_open(app)
    app.type(" ")
    assert box_closed(app)
    records = wait_records(ctx, 3)
    assert field_of(records[-1]) == 4 and records[-1]["text"] == "X", records


def test_a_filled_field_is_picked_up_and_edited_in_place(ctx):
    old = entryfiles.record(650, 120, "Old", width=60, height=30)
    app = open_fields_form(ctx, dta=[old])
    tab(app, "Tab", "Tab")      # the first field is empty; the second holds "Old"
    assert box_open(app)
    app.type("er")
    tab(app, "Return")
    assert box_closed(app)
    harness.wait_until(lambda: [r["text"] for r in stored(ctx)] == ["Older"], 5, what="the entry edited")
    [r] = stored(ctx)
    assert (r["x"], r["y"]) == (650, 120), r   # it stays where it was


def test_with_no_fields_tab_does_what_it_always_did(ctx):
    form = white_form(ctx, "form.bmp", 1200, 800)
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.wait_title("form.bmp")
    tab(app, "Tab", "shift+Tab")
    assert app.focus()[1] != "Edit" and not os.path.exists(ctx.path("form.dta"))
    place(app, 100, 100, "Stored", key="Tab")      # Tab in the box stores as Enter does
    assert box_closed(app)
    place(app, 100, 200, "Also", key="shift+Tab")
    assert box_closed(app)
    records = entries(ctx)
    assert [(r["x"], r["y"], r["text"]) for r in records] == [(200, 200, "Stored"), (200, 400, "Also")], records


def outline_pixels(shot):
    return sum(1 for y in range(0, 260, 1) for x in range(40, 560, 2) if shot.pixel(x, y) == OUTLINE)


def test_show_fields_outlines_them_on_the_window_only(ctx):
    app = open_fields_form(ctx)
    assert outline_pixels(app.screenshot_stable()) == 0
    app.post_command(IDM_SHOW_FIELDS)
    app.sync()
    harness.wait_until(lambda: outline_pixels(app.screenshot()) > 100, 5, what="the outlines")
    # Placing an entry draws it into the picture: the outlines stay out.
    place(app, 400, 60, "Entry")
    wait_records(ctx, 1)
    app.post_command(IDM_SHOW_FIELDS)
    app.sync()
    harness.wait_until(lambda: outline_pixels(app.screenshot()) == 0, 5, what="the outlines gone")
    # Kept in a settings file of its own; Scrivelander.ini is left alone.
    with open(ctx.path("Scrivelander-fields.ini"), "rb") as f:
        assert f.read() == b"ShowFields=0\r\nSnapToFields=0\r\n"
    assert not os.path.exists(ctx.path("Scrivelander.ini"))
    assert app.close() == 0
    # Read as written by hand, also saved as UTF-16 with its mark.
    for encoding in ("ascii", "utf-16"):
        ctx.write("Scrivelander-fields.ini", "ShowFields=1\r\nSnapToFields=0\r\n".encode(encoding))
        app = open_fields_form(ctx)
        harness.wait_until(lambda: outline_pixels(app.screenshot()) > 100, 5, what="the outlines at start")
        assert app.close() == 0, encoding
    # A file that can't be written (a folder of its name) is said; the
    # setting holds for the run all the same.
    os.remove(ctx.path("Scrivelander-fields.ini"))
    os.mkdir(ctx.path("Scrivelander-fields.ini"))
    app = open_fields_form(ctx)
    app.post_command(IDM_SHOW_FIELDS)
    caption, text = app.wait_msgbox()
    assert caption == "Settings not saved" and "Scrivelander-fields.ini could not be written" in text, text
    app.dismiss_msgbox()
    harness.wait_until(lambda: outline_pixels(app.screenshot()) > 100, 5, what="the outlines for this run")


def test_snap_seats_a_placement_inside_a_field_and_off_leaves_it_exact(ctx):
    app = open_fields_form(ctx)
    place(app, 400, 60, "Free")             # snap off: exactly where released
    [r] = wait_records(ctx, 1)
    assert (r["x"], r["y"]) == (800, 120), r
    app.post_command(IDM_SNAP_TO_FIELDS)
    app.sync()
    place(app, 400, 60, "Seated")
    records = wait_records(ctx, 2)
    seated = records[1]
    assert seated["text"] == "Seated" and field_of(seated) == 1 and inside(seated, FIELDS[1]), seated
    assert seated["x"] < 620, seated       # from the field's left edge
    place(app, 400, 300, "Outside")         # no field here: exactly as always
    records = wait_records(ctx, 3)
    assert (records[2]["x"], records[2]["y"]) == (800, 600), records[2]


def test_right_justified_mode_seats_at_the_right_and_vertical_mode_opens_fields_level(ctx):
    app = open_fields_form(ctx)
    app.post_command(IDM_RIGHT_JUSTIFIED)
    app.sync()
    tab(app, "Tab")
    assert box_open(app)
    app.type("Right")
    tab(app, "Return")
    [r] = wait_records(ctx, 1)
    assert r["right"] == 1 and field_of(r) == 0 and inside(r, FIELDS[0]), r
    assert r["x"] > FIELDS[0][2] - 20, r      # ends at the field's right margin
    app.post_command(IDM_LEFT_JUSTIFIED)
    app.sync()
    app.post_command(IDM_VERTICAL)
    app.sync()
    tab(app, "Tab")
    assert box_open(app)
    app.type("Level")
    tab(app, "Return")
    records = wait_records(ctx, 2)
    assert records[1]["vertical"] == 0 and field_of(records[1]) == 1 and inside(records[1], FIELDS[1]), records


# How each form prints: scaled to its own resolution, or, of unknown
# resolution, as the window shows it (at half size, one image pixel in two).
PRINTS = [(150, "Info", "Scanner resolution was 150 dpi"),
          (0, "Error", "Scanner resolution is unknown,\nso printer output size may not be correct.")]


def test_show_fields_never_reaches_the_printout_or_the_picture(ctx):
    printing.ensure_printer(ctx.session)
    for dpi, caption, text in PRINTS:
        app = open_fields_form(ctx, dpi=dpi)
        with open(ctx.path("fields.bmp"), "rb") as f:
            picture = f.read()
        view = app.screenshot_stable()
        pages = []
        for show in (False, True):
            if show:
                app.post_command(IDM_SHOW_FIELDS)
                app.sync()
                harness.wait_until(lambda: outline_pixels(app.screenshot()) > 100, 5, what="the outlines")
            before = printing.printed_pdfs()
            print_through_dialogs(app, text, caption)
            pages.append(printing.page_image(printing.wait_new_pdf(before)))
        # The form is on the page, at the size it prints at.
        ink = printing.ink_box(pages[0])
        scale = int(int(printer_caps(ctx)["physicalwidth"]) / 8.8) / dpi if dpi else 0.5
        assert ink is not None and abs((ink[2] - ink[0]) - 1000 * scale) <= 3, (dpi, ink, scale)
        # With the outlines shown, every pixel of the page is as without them,
        # the fields' own among them.
        width, height, off = pages[0]
        on = pages[1][2]
        in_fields = sum(1 for l, t, r, b in FIELDS
                        for y in range(ink[1] + int((t - 100) * scale) - 1, ink[1] + int((b - 100) * scale) + 2)
                        for x in range(ink[0] + int((l - 100) * scale) - 1, ink[0] + int((r - 100) * scale) + 2)
                        if off[y * width + x] != on[y * width + x])
        assert in_fields == 0, (dpi, "pixels changed in the fields", in_fields)
        assert pages[0] == pages[1], (dpi, sum(1 for a, b in zip(off, on) if a != b))
        # Nor did the picture change: the form file, and the view once the
        # outlines are off again.
        app.post_command(IDM_SHOW_FIELDS)
        app.sync()
        harness.wait_until(lambda: outline_pixels(app.screenshot()) == 0, 5, what="the outlines gone")
        assert app.screenshot_stable().data == view.data, dpi
        with open(ctx.path("fields.bmp"), "rb") as f:
            assert f.read() == picture, dpi
        assert app.close() == 0

"""Placing, moving, editing and deleting entries with the real mouse and
keyboard, checked in the entry file and on the screen."""
import os

import bmpfiles
import entryfiles
import harness
from resource_ids import (IDM_HELP_ABOUT, IDM_HORIZONTAL, IDM_LEFT_JUSTIFIED, IDM_RIGHT_JUSTIFIED, IDM_VERTICAL,
                          IDM_ZOOM_IN)

WIDTH, HEIGHT = 2200, 1600


def white_form(ctx, name="form.bmp", width=WIDTH, height=HEIGHT):
    rows = [b"\xff" * bmpfiles.stride(width, 1)] * height
    return ctx.write(name, bmpfiles.raw_bmp(width, height, 1, rows))


def entries(ctx, name="form.dta"):
    path = ctx.path(name)
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return entryfiles.records_of(f.read())


def open_form(ctx, dta=None, full_size=False):
    form = white_form(ctx)
    if dta is not None:
        ctx.write("form.dta", entryfiles.entry_file(*dta))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    if full_size:
        app.post_command(IDM_ZOOM_IN)
    app.sync()
    return app


def place(app, x, y, text, key="Return", drag_from=None):
    """Right-press (at drag_from when given, then drag), release at (x, y),
    type the text and end with a key."""
    start = drag_from or (x, y)
    app.mouse_move(*start)
    app.press("right")
    if drag_from:
        app.mouse_move((start[0] + x) // 2, (start[1] + y) // 2)
        app.mouse_move(x, y)
    app.release("right")
    app.sync()
    # The release travels through the X server: before typing, wait until
    # the program has opened its box (or answered with a message instead).
    opened = wait_quietly(lambda: app.focus()[1] == "Edit" or app.msgbox())
    if text:
        app.type(text)
    if key:
        app.key(key)
    app.sync()
    if opened and key in ("Return", "Tab", "Escape"):
        wait_quietly(lambda: app.focus()[1] != "Edit" or app.msgbox())


def wait_quietly(condition, timeout=3):
    """Whether the condition came true within the time (no error if not)."""
    try:
        return harness.wait_until(condition, timeout, what="the program")
    except harness.Timeout:
        return False


def test_placing_at_half_and_full_size_stores_form_coordinates(ctx):
    app = open_form(ctx)
    app.key("Right", "Right", "Down", "Down", "Down")   # half size: offsets (200, 300)
    app.sync()
    place(app, 100, 40, "Hello")
    [r] = entries(ctx)
    assert (r["x"], r["y"]) == (400, 380), r
    assert r["text"] == "Hello" and r["face"] == "Arial" and r["size"] == 15 and r["weight"] == 400, r
    assert (r["colour"], r["vertical"], r["right"]) == (0, 0, 0), r
    assert r["width"] % 2 == 0 and r["width"] > 0 and r["height"] % 2 == 0, r   # doubled at half size
    app.post_command(IDM_ZOOM_IN)                         # full size, same offsets
    app.sync()
    place(app, 100, 40, "There")
    r = entries(ctx)[1]
    assert (r["x"], r["y"]) == (300, 340), r
    assert app.title() == "form.bmp"


def test_enter_tab_and_esc_on_new_entries(ctx):
    app = open_form(ctx, full_size=True)
    place(app, 200, 200, "kept by tab", key="Tab")
    place(app, 200, 300, "dropped", key="Escape")
    place(app, 200, 400, "", key="Return")                # an empty box stores nothing
    assert [r["text"] for r in entries(ctx)] == ["kept by tab"]
    shot = app.screenshot()
    assert shot.crop(190, 290, 300, 60).count((255, 255, 255)) == 300 * 60   # the echo went with Esc
    assert shot.crop(190, 190, 300, 60).bbox((0, 0, 0), tolerance=120) is not None


def test_right_justified_and_vertical_entries(ctx):
    app = open_form(ctx, full_size=True)
    app.post_command(IDM_RIGHT_JUSTIFIED)                 # right-justified
    place(app, 500, 200, "Right")
    app.post_command(IDM_LEFT_JUSTIFIED)
    app.post_command(IDM_VERTICAL)                        # vertical
    place(app, 300, 500, "Up")
    app.post_command(IDM_HORIZONTAL)
    right, up = entries(ctx)
    assert (right["x"], right["y"], right["right"], right["vertical"]) == (500, 200, 1, 0), right
    assert (up["x"], up["y"], up["right"], up["vertical"]) == (300, 500, 0, 1), up
    shot = app.screenshot()
    ink = shot.crop(0, 195, 700, 45).bbox((0, 0, 0), tolerance=120)
    assert ink and 490 <= ink[2] <= 500, ink              # ends at the anchor
    ink = shot.crop(295, 300, 60, 205).bbox((0, 0, 0), tolerance=120)
    assert ink and ink[1] > 50 and ink[3] <= 205, ink     # runs upward from the anchor


def test_a_formula_is_drawn_as_its_value(ctx):
    app = open_form(ctx, full_size=True)
    place(app, 100, 100, "#1=5")
    place(app, 100, 200, "#2=#1*7+1")
    place(app, 100, 300, "#3=#9")                         # no value: shown as typed
    assert [r["text"] for r in entries(ctx)] == ["#1=5", "#2=#1*7+1", "#3=#9"]
    shot = app.screenshot()
    widths = [shot.crop(90, y, 400, 45).bbox((0, 0, 0), tolerance=120) for y in (95, 195, 295)]
    five, thirty_six, formula = [(b[2] - b[0]) if b else 0 for b in widths]
    assert 0 < five < 25 and 10 < thirty_six < 45 and formula > 60, widths


def test_pick_move_and_enter_or_esc(ctx):
    dta = [entryfiles.record(400, 300, "Move me", width=120, height=35),
           entryfiles.record(400, 500, "Stay", width=80, height=35)]
    app = open_form(ctx, dta=dta, full_size=True)
    place(app, 800, 600, None, key="Return", drag_from=(420, 310))
    recs = entries(ctx)
    assert [(r["text"], r["x"], r["y"]) for r in recs] == [("Stay", 400, 500), ("Move me", 800, 600)], recs
    # Pick it again, drag away, Esc: it goes back where it was, now the last record.
    place(app, 100, 100, None, key="Escape", drag_from=(420, 510))
    recs = entries(ctx)
    assert [(r["text"], r["x"], r["y"]) for r in recs] == [("Move me", 800, 600), ("Stay", 400, 500)], recs


def test_a_cancelling_command_puts_a_picked_entry_back(ctx):
    dta = [entryfiles.record(400, 300, "Picked", width=120, height=35)]
    app = open_form(ctx, dta=dta, full_size=True)
    place(app, 700, 700, None, key=None, drag_from=(420, 310))
    assert entries(ctx) == []                             # out of the file while edited
    app.post_command(IDM_HELP_ABOUT)                      # About: cancels the edit first
    app.dismiss_msgbox()
    recs = entries(ctx)
    assert [(r["text"], r["x"], r["y"]) for r in recs] == [("Picked", 400, 300)], recs


def test_closing_during_a_picked_edit_loses_nothing(ctx):
    for how in ("closebox", "alt_f4"):
        dta = [entryfiles.record(400, 300, "Keep me", width=120, height=35)]
        app = open_form(ctx, dta=dta, full_size=True)
        place(app, 700, 700, None, key=None, drag_from=(420, 310))
        assert app.close(how) == 0
        recs = entries(ctx)
        assert [(r["text"], r["x"], r["y"]) for r in recs] == [("Keep me", 400, 300)], (how, recs)


def test_delete_removes_the_earlier_of_two_overlapping_entries(ctx):
    dta = [entryfiles.record(400, 300, "First", width=200, height=40),
           entryfiles.record(450, 310, "Second", width=200, height=40)]
    app = open_form(ctx, dta=dta, full_size=True)
    app.mouse_move(500, 320)
    app.key("Delete")
    app.sync()
    assert [r["text"] for r in entries(ctx)] == ["Second"]
    app.key("Delete")
    app.sync()
    assert entries(ctx) == []
    app.key("Delete")                                     # nothing left: nothing happens
    app.sync()
    assert app.is_alive()


def test_hovering_over_a_formula_shows_it_in_the_title(ctx):
    dta = [entryfiles.record(400, 300, "#1=20", width=120, height=35),
           entryfiles.record(400, 400, "plain", width=120, height=35)]
    app = open_form(ctx, dta=dta, full_size=True)
    app.mouse_move(100, 100)
    app.mouse_move(420, 310)
    harness.wait_until(lambda: app.title() == "#1=20", 5, what="the formula in the title")
    app.mouse_move(100, 100)
    harness.wait_until(lambda: app.title() == "form.bmp", 5, what="the file name back")
    app.mouse_move(420, 410)                              # a plain entry leaves the title alone
    app.sync()
    assert app.title() == "form.bmp"


def test_column_zero_entry_does_not_hide_later_entries(ctx):
    app = open_form(ctx, full_size=True)
    place(app, 0, 200, "edge")
    place(app, 300, 300, "after")
    recs = entries(ctx)
    assert [r["text"] for r in recs] == ["edge", "after"]
    assert recs[0]["x"] == 1, recs[0]
    app.mouse_move(320, 310)                              # the later entry can still be hit
    app.key("Delete")
    app.sync()
    assert [r["text"] for r in entries(ctx)] == ["edge"]


def test_a_failed_store_is_reported_and_the_text_is_kept(ctx):
    dta = [entryfiles.record(400, 300, "Old", width=80, height=35)]
    app = open_form(ctx, dta=dta, full_size=True)
    holder = ctx.start_app(exe=harness.PROBE_EXE, args=["hold", harness.windows_path(ctx.path("form.dta")), "60"],
                           wait=False)
    harness.wait_until(lambda: "holding" in holder.output(), 10, what="the entry file to be held")
    place(app, 200, 600, "Precious", key="Return")
    caption, text = app.wait_msgbox()
    assert "could not be stored" in text and '"Precious"' in text, text
    app.dismiss_msgbox()
    holder.kill()
    app.sync()
    app.key("Return")                                     # the edit is still open: store again
    app.sync()
    assert [r["text"] for r in entries(ctx)] == ["Old", "Precious"]


def test_a_new_entry_is_refused_when_all_200_slots_are_used(ctx):
    dta = [entryfiles.record(10 + 5 * (i % 100), 10 + 40 * (i // 100), "e%d" % i, width=3, height=3)
           for i in range(200)]
    app = open_form(ctx, dta=dta, full_size=True)
    place(app, 600, 600, None, key=None)
    caption, text = app.wait_msgbox()
    assert "200 entries" in text, text
    app.dismiss_msgbox()
    app.type("x")
    app.key("Return")
    app.sync()
    assert len(entries(ctx)) == 200


def test_a_click_on_an_entry_edits_it_where_it_stands(ctx):
    # Pressed and released on the entry, or moved less than the drag
    # distance: its corner stays where it was, whatever its justification.
    cases = [((420, 315), (420, 315), entryfiles.record(400, 300, "Fix", width=60, height=35), "Fixed"),
             ((870, 315), (872, 316), entryfiles.record(900, 300, "Rite", width=80, height=35, right=1), "Rites")]
    app = open_form(ctx, dta=[c[2] for c in cases], full_size=True)
    for press, release, _, text in cases:
        old = [r for r in entries(ctx) if text.startswith(r["text"])][0]
        place(app, *release, text[len(old["text"]):], drag_from=press)
        harness.wait_until(lambda: text in [r["text"] for r in entries(ctx)], 5, what=text)
        [new] = [r for r in entries(ctx) if r["text"] == text]
        assert (new["x"], new["y"], new["right"]) == (old["x"], old["y"], old["right"]), (old, new)
    # A real drag still moves the corner to the pointer.
    place(app, 600, 700, None, drag_from=(420, 315))
    assert ("Fixed", 600, 700) in [(r["text"], r["x"], r["y"]) for r in entries(ctx)], entries(ctx)
    # Emptied in the box, then Esc: put back as it was, not deleted.
    place(app, 610, 710, None, key=None, drag_from=(610, 710))
    for _ in range(5):
        app.key("BackSpace")
    app.key("Escape")
    app.sync()
    harness.wait_until(lambda: ("Fixed", 600, 700) in [(r["text"], r["x"], r["y"]) for r in entries(ctx)], 5,
                       what="the emptied entry put back by Esc")

"""Undo and redo of changes to the open form's entries: Ctrl+Z, Ctrl+Y,
Ctrl+Shift+Z and the Edit menu, checked in the entry file byte for byte and
on the screen."""
import os

import entryfiles
import harness
from resource_ids import IDM_UNDO, IDM_ZOOM_IN
from test_entries_kept import dta_bytes, ink, placed, record, texts, until
from test_placing import open_form, place


def press_keys(app, *keys):
    for key in keys:
        app.key(key)
        app.sync()


def changed(ctx, previous):
    """The entry file's bytes once they differ from `previous`."""
    return harness.wait_until(lambda: dta_bytes(ctx) != previous and [dta_bytes(ctx)], 5,
                              what="the entry file to change")[0]


def test_undo_and_redo_walk_the_entry_file_back_and_forth_byte_for_byte(ctx):
    app = open_form(ctx, full_size=True)                  # no entry file yet
    states = [dta_bytes(ctx)]
    place(app, 200, 200, "Alpha")
    states.append(changed(ctx, states[-1]))
    place(app, 200, 400, "Bravo")
    states.append(changed(ctx, states[-1]))
    place(app, 600, 600, None, drag_from=(210, 215))      # move Alpha: pick-up and commit are one step
    until(lambda: placed(ctx), [("Bravo", 200, 400), ("Alpha", 600, 600)])
    states.append(dta_bytes(ctx))
    app.mouse_move(210, 415)
    press_keys(app, "Delete")                             # Bravo
    states.append(changed(ctx, states[-1]))
    assert states[0] is None and placed(ctx) == [("Alpha", 600, 600)]

    for expected in reversed(states[:-1]):
        press_keys(app, "ctrl+z")
        until(lambda: dta_bytes(ctx), expected)
        if expected == states[2]:                         # the move undone: Alpha is back at its place
            shot = app.screenshot()
            assert ink(shot, 195, 195) and not ink(shot, 595, 595)
    assert not os.path.exists(ctx.path("form.dta"))      # as before the first entry
    press_keys(app, "ctrl+z")                             # nothing left to undo
    assert dta_bytes(ctx) is None

    for i, key in enumerate(["ctrl+y", "ctrl+shift+z", "ctrl+y", "ctrl+shift+z"], 1):
        press_keys(app, key)
        until(lambda: dta_bytes(ctx), states[i], key)
    press_keys(app, "ctrl+y")                             # nothing left to redo
    assert dta_bytes(ctx) == states[-1]

    # A new change after an undo ends the way forward.
    press_keys(app, "ctrl+z")
    until(lambda: dta_bytes(ctx), states[-2])
    place(app, 200, 800, "Charlie")
    after_charlie = changed(ctx, states[-2])
    press_keys(app, "ctrl+y")
    assert dta_bytes(ctx) == after_charlie
    assert texts(ctx) == ["Bravo", "Alpha", "Charlie"]


def test_undo_and_redo_are_refused_after_another_program_changed_the_file(ctx):
    app = open_form(ctx, dta=[record(400, 300, "Alpha")], full_size=True)
    place(app, 400, 500, "Bravo")
    until(lambda: texts(ctx), ["Alpha", "Bravo"])
    outside = dta_bytes(ctx) + record(400, 700, "Outside")
    ctx.write("form.dta", outside)
    press_keys(app, "ctrl+z")
    caption, text = app.wait_msgbox()
    assert "can't be undone" in text and "Nothing was written" in text, text
    app.dismiss_msgbox()
    assert dta_bytes(ctx) == outside
    assert ink(app.screenshot(), 395, 695)               # the form now shows the file as it is

    # With the file as the step left it again, the undo goes through; then a
    # change from outside refuses the redo the same way.
    ctx.write("form.dta", outside[:-160])
    press_keys(app, "ctrl+z")
    until(lambda: texts(ctx), ["Alpha"])
    ctx.write("form.dta", b"")
    press_keys(app, "ctrl+y")
    caption, text = app.wait_msgbox()
    assert "can't be redone" in text, text
    app.dismiss_msgbox()
    assert dta_bytes(ctx) == b""


def test_the_edit_menu_undoes_and_redoes_and_opening_a_form_drops_the_history(ctx):
    app = open_form(ctx, dta=[record(400, 300, "Alpha")], full_size=True)
    before = dta_bytes(ctx)
    place(app, 400, 500, "Bravo")
    after = changed(ctx, before)
    app.key("alt+e")
    harness.wait_until(app.in_menu, 5, what="the Edit menu")
    press_keys(app, "u")                                  # &Undo
    until(lambda: dta_bytes(ctx), before)
    app.key("alt+e")
    harness.wait_until(app.in_menu, 5, what="the Edit menu")
    press_keys(app, "Up", "Up", "Up", "Return")           # R&edo, above Show fields and Snap to fields
    until(lambda: dta_bytes(ctx), after)
    app.open_bmp(ctx.path("form.bmp"), via="command")     # the same form, opened again
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    press_keys(app, "ctrl+z")
    assert dta_bytes(ctx) == after


def test_undo_keys_inside_the_edit_box_are_the_boxs_own(ctx):
    app = open_form(ctx, dta=[record(400, 300, "Alpha")], full_size=True)
    place(app, 400, 500, "Bravo", key=None)
    press_keys(app, "ctrl+z")                             # the box takes its typing back
    app.type("Beta")
    press_keys(app, "Return")
    until(lambda: texts(ctx), ["Alpha", "Beta"])


def test_undo_during_an_edit_ends_it_and_puts_a_moved_entry_back_in_its_place(ctx):
    stored = entryfiles.entry_file(record(400, 300, "Alpha"), record(400, 500, "Bravo"))
    app = open_form(ctx, dta=[stored[:160], stored[160:]], full_size=True)
    place(app, 700, 700, None, key=None, drag_from=(420, 310))
    until(lambda: texts(ctx), ["Bravo"])
    app.post_command(IDM_UNDO)                            # the menu, while the box has the keyboard
    until(lambda: dta_bytes(ctx), stored)                 # Alpha first again, not last
    harness.wait_until(lambda: app.focus()[1] == "Scrivelander", 5, what="the edit to end")
    # A new entry being typed is dropped; the changes before it stay.
    place(app, 700, 700, "Draft", key=None)
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the edit box")
    app.post_command(IDM_UNDO)
    app.sync()
    assert dta_bytes(ctx) == stored

"""An entry is never lost or stored in the wrong place: changes act on the
record the user pointed at in the file of the form on screen, and a command
that can't put a picked entry back doesn't go ahead."""
import os

import entryfiles
import ghostscript
import harness
from resource_ids import (IDM_EXIT, IDM_FONT, IDM_HELP_ABOUT, IDM_OPEN_BMP, IDM_PRINT, IDM_PRINT_ALL_PAGES,
                          IDM_PRINT_CALIBRATION, IDM_RIGHT_JUSTIFIED, IDM_VERTICAL, IDM_ZOOM_IN)
from test_commands import REFUSAL
from test_placing import entries, open_form, place, white_form

WM_ENDSESSION = 0x16


def record(x, y, text):
    return entryfiles.record(x, y, text, width=120, height=35)


def dta_bytes(ctx, name="form.dta"):
    path = ctx.path(name)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def texts(ctx):
    return [r["text"] for r in entries(ctx)]


def placed(ctx):
    return [(r["text"], r["x"], r["y"]) for r in entries(ctx)]


def until(get, expected, what="the entry file"):
    """Waits until get() gives `expected`: input reaches the program on its
    own way, so a change may land a moment after a sync."""
    try:
        harness.wait_until(lambda: get() == expected, 5, what=what)
    except harness.Timeout:
        assert get() == expected, what


def hold(ctx, name, seconds=60):
    """A second program that has the file open without sharing."""
    holder = ctx.start_app(exe=harness.PROBE_EXE, args=["hold", harness.windows_path(ctx.path(name)), str(seconds)],
                           wait=False)
    harness.wait_until(lambda: "holding" in holder.output(), 10, what="%s to be held" % name)
    return holder


def delete_at(app, x, y):
    app.mouse_move(x, y)
    app.key("Delete")
    app.sync()


def ink(shot, x, y, w=130, h=40):
    """Whether the rectangle shows dark pixels (an entry drawn there)."""
    return shot.crop(x, y, w, h).bbox((0, 0, 0), tolerance=120) is not None


def test_after_a_refused_open_deletes_act_on_the_form_on_screen(ctx):
    dta = [record(400, 300, "Alpha"), record(400, 500, "Bravo"), record(400, 700, "Charlie")]
    app = open_form(ctx, dta=dta)                          # half size: window = form / 2
    junk = ctx.write("junk.bmp", "not a picture at all\n")
    app.open_bmp(junk, via="command")
    assert app.wait_msgbox()[1] == "Not a .bmp file"
    app.dismiss_msgbox()
    delete_at(app, 210, 155)                              # Alpha
    until(lambda: texts(ctx), ["Bravo", "Charlie"])
    shot = app.screenshot()
    assert not ink(shot, 195, 145, 70, 25) and ink(shot, 195, 245, 70, 25), "the picture follows the file"
    delete_at(app, 210, 255)                              # Bravo
    delete_at(app, 210, 155)                              # Alpha's old place: nothing there now
    until(lambda: texts(ctx), ["Charlie"])


def test_when_the_picture_cant_be_read_again_the_table_still_follows_the_file(ctx):
    dta = [record(400, 300, "Alpha"), record(400, 500, "Bravo"), record(400, 700, "Charlie")]
    app = open_form(ctx, dta=dta, full_size=True)
    holder = hold(ctx, "form.bmp")
    delete_at(app, 420, 310)
    caption, text = app.wait_msgbox()
    assert "could not be read again" in text and harness.windows_path(ctx.path("form.bmp")) in text, text
    app.dismiss_msgbox()
    until(lambda: texts(ctx), ["Bravo", "Charlie"])
    delete_at(app, 420, 310)                              # Alpha still shows, but is gone from the table
    assert app.msgbox() is None
    assert texts(ctx) == ["Bravo", "Charlie"]
    delete_at(app, 420, 710)
    app.dismiss_msgbox()
    until(lambda: texts(ctx), ["Bravo"])
    holder.kill()


def test_entries_after_an_x0_record_can_be_deleted_and_moved(ctx):
    dta = [record(400, 300, "Alpha"), record(0, 500, "Zero"), record(400, 700, "Charlie")]
    app = open_form(ctx, dta=dta, full_size=True)
    place(app, 800, 850, "N")
    until(lambda: texts(ctx), ["Alpha", "Zero", "Charlie", "N"])
    # N is record 3, past the record whose x is 0: every record drawn can be
    # pointed at, so Delete over N takes it away.
    delete_at(app, 806, 865)
    until(lambda: texts(ctx), ["Alpha", "Zero", "Charlie"])
    harness.wait_until(lambda: not ink(app.screenshot(), 795, 845, 60, 40), 5, what="N gone from the screen")
    # Charlie, after the x = 0 record, moves with a right-button pick.
    place(app, 600, 900, None, key="Return", drag_from=(420, 710))
    until(lambda: placed(ctx), [("Alpha", 400, 300), ("Zero", 0, 500), ("Charlie", 600, 900)])
    # The x = 0 record is an entry at the form's left edge: it can be deleted.
    delete_at(app, 10, 510)
    until(lambda: texts(ctx), ["Alpha", "Charlie"])
    app.key("ctrl+z")
    until(lambda: texts(ctx), ["Alpha", "Zero", "Charlie"])


def test_commands_wait_while_a_picked_entry_cant_go_back(ctx):
    dta = [record(400, 300, "Keep me")]
    app = open_form(ctx, dta=dta, full_size=True)
    place(app, 700, 600, None, key=None, drag_from=(420, 310))
    until(lambda: entries(ctx), [])                       # out of the file while it is edited
    holder = hold(ctx, "form.dta")
    # The close box, Exit, Print, Font, a help box, Print all pages, Print
    # calibration: each tells why the entry can't go back and leaves the edit
    # open; nothing else happens.
    for how in ("closebox", IDM_EXIT, IDM_PRINT, IDM_FONT, IDM_HELP_ABOUT, IDM_PRINT_ALL_PAGES, IDM_PRINT_CALIBRATION):
        if how == "closebox":
            app.close("closebox", wait=False)
        else:
            app.post_command(how)
        caption, text = app.wait_msgbox()
        assert '"Keep me" could not be stored' in text, (how, text)
        app.dismiss_msgbox()
        app.sync()
        assert app.is_alive() and app.dialogs() == [], how
        harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the keyboard back in the entry (%s)" % how)
    holder.kill()
    app.key("Escape")                                     # the file is free: back where it was
    until(lambda: placed(ctx), [("Keep me", 400, 300)])
    # (Under Wine 8 the first click on the close box after a close box
    # click that was refused is lost; the close itself is what counts here.)
    assert app.close("wm_close") == 0


def test_opening_another_form_waits_while_a_picked_entry_cant_go_back(ctx):
    pdf = ghostscript.make_pdf(ctx.path("pdfs", "Other.pdf"), 1)
    white_form(ctx, "other.bmp")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = open_form(ctx, dta=[record(400, 300, "Mine")], full_size=True)
        at = (420, 310)
        for command, x in [("open", 700), ("convert", 900)]:
            place(app, x, 600, None, key=None, drag_from=at)
            holder = hold(ctx, "form.dta")
            if command == "open":
                app.post_command(IDM_OPEN_BMP)
            else:
                # The conversion's own dialogs come first; the page dialog
                # that would follow them does not.
                app.post_command(ghostscript.IDM_CONVERT_PDF)
                harness.wait_until(lambda: app.foreground()[0] == "Open .pdf file", 10, what="the .pdf dialog")
                ghostscript.choose_file(app, pdf, "Open .pdf file")
                ghostscript.wait_conversion_dialog(app)
                ghostscript.set_resolution(app, "72")
                ghostscript.press(app, "OK")
                gs.wait_runs("gs9.05", 1)
            assert '"Mine" could not be stored' in app.wait_msgbox()[1], command
            if command == "convert":
                # Under Wine the console program took the activation away: the
                # user clicks the box's caption first.
                box = app.wait_dialog(5, lambda d: d.text is not None)
                app.click_screen(box.rect[0] + 40, box.rect[1] + 8)
            app.dismiss_msgbox()
            app.sync()
            assert app.dialogs() == [], command               # no open dialog
            holder.kill()
            harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the keyboard back in the entry")
            app.key("Return")
            until(lambda: placed(ctx), [("Mine", x, 600)], command)
            assert app.title() == "form.bmp"
            at = (x + 20, 610)
        assert dta_bytes(ctx, "other.dta") is None
        assert app.close() == 0


def test_after_a_cancelled_conversion_deletes_act_on_the_form_on_screen(ctx):
    pdf = ghostscript.make_pdf(ctx.path("pdfs", "Document.pdf"), 1)
    dta = [record(400, 300, "Alpha"), record(400, 500, "Bravo")]
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = open_form(ctx, dta=dta)                     # half size
        ghostscript.convert(app, pdf, resolution="72")
        gs.wait_runs("gs9.05", 1)
        ghostscript.cancel_bmp_dialog(app)
        app.sync()
        delete_at(app, 210, 155)
        until(lambda: texts(ctx), ["Bravo"])
        shot = app.screenshot()
        assert not ink(shot, 195, 145, 70, 25) and ink(shot, 195, 245, 70, 25)
        delete_at(app, 210, 255)
        until(lambda: entries(ctx), [])
        assert app.close() == 0


def test_delete_waits_while_the_right_button_holds_a_picked_entry(ctx):
    dta = [record(400, 300, "Apple"), record(400, 500, "Banana")]
    app = open_form(ctx, dta=dta, full_size=True)
    stored = dta_bytes(ctx)
    app.mouse_move(420, 310)
    app.press("right")
    app.sync()
    app.mouse_move(420, 510)                              # over Banana, the button still down
    app.s.xdotool("key", "Delete")                        # (no --clearmodifiers: it would let the button go)
    app.sync()
    assert dta_bytes(ctx) == stored
    app.mouse_move(800, 700)
    app.release("right")
    app.sync()
    app.key("Return")
    until(lambda: placed(ctx), [("Banana", 400, 500), ("Apple", 800, 700)])


def test_a_pick_up_is_refused_when_the_file_changed_under_it(ctx):
    dta = [record(400, 300, "Apple"), record(400, 500, "Banana")]
    app = open_form(ctx, dta=dta, full_size=True)
    app.mouse_move(420, 310)
    app.press("right")
    app.sync()
    # Another program puts a record in front of Apple while it is held.
    changed = entryfiles.entry_file(record(400, 700, "Cherry"), *dta)
    ctx.write("form.dta", changed)
    app.mouse_move(800, 700)
    app.release("right")
    caption, text = app.wait_msgbox()
    assert "no longer at its place" in text, text
    app.dismiss_msgbox()
    assert dta_bytes(ctx) == changed
    assert app.focus()[1] == "Scrivelander"              # nothing is being edited
    assert ink(app.screenshot(), 395, 695)               # the form shows the file as it is


def test_a_refused_mode_while_typing_gives_the_keyboard_back_to_the_entry(ctx):
    app = open_form(ctx, full_size=True)
    app.post_command(IDM_RIGHT_JUSTIFIED)                 # right-justified
    place(app, 600, 300, "Dra", key=None)
    app.post_command(IDM_VERTICAL)                        # vertical: refused
    assert app.wait_msgbox() == REFUSAL
    app.dismiss_msgbox()
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the keyboard back in the entry")
    app.type("ft")
    app.key("Return")
    until(lambda: placed(ctx), [("Draft", 600, 300)])


def test_an_entry_typed_across_a_zoom_is_measured_as_it_is_stored(ctx):
    app = open_form(ctx)                                  # half size
    place(app, 100, 100, "Measured", key=None)
    app.post_command(IDM_ZOOM_IN)                         # full size; the box stays open
    app.sync()
    app.key("Return")
    app.sync()
    place(app, 300, 400, "Measured")                      # typed and stored at full size
    zoomed, full = entries(ctx)
    assert (zoomed["x"], zoomed["y"]) == (100, 100)
    assert (zoomed["width"], zoomed["height"]) == (full["width"], full["height"]), (zoomed, full)


def test_at_the_end_of_a_session_a_picked_entry_is_put_back_or_saved_beside(ctx):
    original = record(400, 300, "Session")
    recovery = ctx.path("form.dta.recovered")
    for held in (False, True):
        app = open_form(ctx, dta=[original], full_size=True)
        place(app, 700, 600, None, key=None, drag_from=(420, 310))
        until(lambda: dta_bytes(ctx), b"")                # out of the file while it is edited
        holder = hold(ctx, "form.dta") if held else None
        # Windows sends the message; a sync after it returns once it is handled.
        ctx.session.probe.call("notify main %d 1 0" % WM_ENDSESSION)
        app.sync()
        if held:
            until(lambda: dta_bytes(ctx, "form.dta.recovered"), original)
            holder.kill()
            assert dta_bytes(ctx) == b""
        else:
            until(lambda: dta_bytes(ctx), original)
            assert not os.path.exists(recovery)
        app.sync()
        assert app.msgbox() is None, held                 # nothing can be asked now
        app.kill()
    # The next open of the form says where the saved entry is.
    app = ctx.start_app()
    app.open_bmp(ctx.path("form.bmp"), via="command")
    caption, text = app.wait_msgbox()
    assert harness.windows_path(recovery) in text, text
    app.dismiss_msgbox()
    assert app.close() == 0
